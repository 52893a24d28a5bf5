#pragma once
// What the program and its Access reading helper (tools/accessread) both know: the error they
// raise, a column's description, the file's version and how the helper ends. The helper links
// only this and the wire format, not the program's side (AccessDatabase, the spawner).

#include <QString>

#include <stdexcept>

class AccessError : public std::runtime_error
{
public:
    explicit AccessError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct AccessColumn
{
    enum class Kind {
        Text,
        Memo,
        Guid,
        Integer,
        Float,
        Decimal,
        Boolean,
        Currency,
        DateTime,
        AutoNumber,
        Binary,
        Ole,
        Other
    };
    QString name;
    Kind kind = Kind::Other;
    int size = 0; // characters for text
};

enum class AccessVersion { Jet3, Jet4, Ace };

// The helper's exit codes besides 0; a limit of the system ends it by a signal instead
// (SIGXCPU or SIGKILL for processor time).
namespace accessexit {
constexpr int Usage = 2;
constexpr int Limits = 3;
constexpr int OutputGone = 4;
// An allocation failed under its memory limit.
constexpr int OutOfMemory = 5;
} // namespace accessexit

// The helper finds the database password here, not on its command line, where every user of
// the machine could read it.
inline const char* accessPasswordVariable()
{
    return "BANKFILE_ACCESS_PASSWORD";
}
