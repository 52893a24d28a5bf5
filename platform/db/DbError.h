#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// Every failure of the data layer. The text is meant for the user; it never carries the key.
// A failure of the database file itself (read-only, full disk, in use, damaged) says in Persian
// what happened, followed by the engine's own text.
class Error : public std::runtime_error
{
public:
    enum class Kind {
        Other,
        ReadOnly,
        DiskFull,
        InUse,
        Damaged,
        Io,
        CannotOpen,
        FolderReadOnly,
        Companion,       // the write-ahead log or its index beside the file cannot be used
        TransactionLost, // the database ended an open transaction on its own
        NotDurable,      // written, but the file could not be set back to wait for the disk
        // What one row's values did; the work around it goes on.
        Constraint,
        TooBig,   // a value longer than the database takes
        Mismatch, // a value of a type the column cannot hold
        Field     // a value the data layer's own field checks refuse (too long for its field)
    };

    explicit Error(const QString& message) : Error(Kind::Other, message, 0) {}
    Error(Kind kind, const QString& technical, int code = 0);
    // From an SQLite result code (extended codes are understood) and the engine's text.
    static Error fromSqlite(int code, const QString& technical);

    QString message() const { return m_message; }
    // The engine's text alone, without the Persian explanation.
    QString technical() const { return m_technical; }
    Kind kind() const { return m_kind; }
    int code() const { return m_code; }
    // A failure of the database itself, not of one row's values: the work of the open
    // transaction cannot go on. Only the kinds a row's values cause are not: every other
    // failure, a full disk as much as one the data layer does not know, ends the work.
    bool endsTransaction() const;
    // One row's values were refused (a key, a size, a type): the next row may be written.
    bool isRowError() const { return !endsTransaction(); }
    // Damaged as SQLite found it while reading, not a file it cannot read at all (which is
    // also what a wrong key looks like).
    bool isCorrupt() const;

private:
    QString m_message;
    QString m_technical;
    Kind m_kind;
    int m_code;
};

// The Persian sentence for a kind of failure; empty for Kind::Other and the row kinds.
QString describe(Error::Kind kind);

} // namespace db
