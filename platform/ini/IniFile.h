#pragma once
// An ini file of our own: sections in brackets, key=value lines, UTF-8.
// Section and key names compare without case; file order is kept, comments and blank lines too.
// Keys and values that would lose blanks or quote marks on reading are stored in double quotes.
// Changes stay in memory until save().

#include <QHash>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

class IniError : public std::runtime_error
{
public:
    explicit IniError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

class IniFile
{
public:
    // Reads the file when it exists; a missing file is an empty ini.
    // An unreadable file raises IniError.
    explicit IniFile(const QString& fileName);

    QString fileName() const { return m_fileName; }

    // Writes the whole file (atomically); raises IniError on failure.
    void save() const;
    bool isModified() const { return m_modified; }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    void writeString(const QString& section, const QString& key, const QString& value);

    // Decimal, optionally signed; "0x" or "$" hexadecimal too. Anything else gives the default.
    qint64 readInteger(const QString& section, const QString& key, qint64 defaultValue) const;
    void writeInteger(const QString& section, const QString& key, qint64 value);
    // A count (0 to INT_MAX); a missing key or any other value gives the default.
    int readCount(const QString& section, const QString& key, int defaultValue) const;

    // Written as 1 / 0; any non-zero number reads as true, "true"/"false" are understood too.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    void writeBool(const QString& section, const QString& key, bool value);

    QStringList sections() const;
    QStringList keys(const QString& section) const;
    bool sectionExists(const QString& section) const;
    bool keyExists(const QString& section, const QString& key) const;
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // The stored form of a value: quoted when blanks at either end or quote marks around it
    // would otherwise be lost on reading.
    static QString encodeValue(const QString& value);
    static QString decodeValue(const QString& stored);
    static QString encodeKey(const QString& key);

private:
    struct Line
    {
        QString key;   // empty for a comment or blank line
        QString value; // decoded value, or the raw text of a comment line
        bool isComment = false;
    };
    struct Section
    {
        QString name;
        std::vector<Line> lines;
        // Case-folded key -> its first line, so that files with many keys load in linear time.
        QHash<QString, std::size_t> keyLines;
    };

    void load();
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    const Line* findKey(const QString& section, const QString& key) const;
    static void checkName(const QString& name, bool isSection);
    static int keyEnd(const QString& line);
    static void indexKeys(Section& section);
    void indexSections();

    QString m_fileName;
    std::vector<Section> m_sections; // the first one (unnamed) holds lines before any section
    QHash<QString, std::size_t> m_sectionIndex; // case-folded name -> position, named ones only
    mutable bool m_modified = false;
};
