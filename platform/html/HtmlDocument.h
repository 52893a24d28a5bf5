#pragma once
// The tables of an HTML page as a browser shows them: each table's own rows (thead first,
// tfoot last, never a nested table's rows), each row's td and th cells, and each cell's text
// as it reads on screen. Parsing is libxml2's HTML parser, without network access.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace html {

struct Table
{
    std::vector<QStringList> rows;
};

// The page's text: the encoding comes from a byte-order mark, else a meta charset (any
// letter case), else UTF-8 when the bytes are valid UTF-8, else the system ANSI page.
// encoding receives the code page used.
QString decodePage(const QByteArray& bytes, int* codePage = nullptr);

// The code page of a charset label ("utf-8", "Windows-1256", "iso-8859-6" ...), 0 if unknown.
int codePageOfCharset(const QByteArray& label);

// Every table of the page in document order, nested tables included (their text also stays
// in the outer cell).
// Throws std::runtime_error for a page the program refuses to read (an element with more
// attributes than real pages hold).
std::vector<Table> parseTables(const QString& page);

} // namespace html
