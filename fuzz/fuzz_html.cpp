// Decodes the input as an HTML page and reads its tables; also feeds it straight to the parser
// as text, so both the encoding detection and the table walk see hostile input.
#include "FuzzSupport.h"

#include "platform/html/HtmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto tables = html::parseTables(html::decodePage(bytes));
    for (const html::Table& t : tables)
        for (const QStringList& row : t.rows)
            for (const QString& cell : row)
                fuzz::check(cell.isEmpty() || (!cell.front().isSpace() && !cell.back().isSpace()),
                            "a cell keeps white space at its ends");
    (void)html::parseTables(QString::fromLatin1(bytes));
    return 0;
}
