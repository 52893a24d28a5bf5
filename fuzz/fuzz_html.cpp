// Decodes the input as an HTML page and reads its tables; also feeds it straight to the parser
// as text, so both the encoding detection and the table walk see hostile input. A page the tag
// scan refuses is told with a message.
#include "FuzzSupport.h"

#include "platform/html/HtmlDocument.h"

namespace {

void readTables(const QString& page, bool checkCells)
{
    try {
        const auto tables = html::parseTables(page);
        for (const html::Table& t : tables)
            for (const QStringList& row : t.rows)
                for (const QString& cell : row)
                    fuzz::check(!checkCells || cell.isEmpty() ||
                                    (!cell.front().isSpace() && !cell.back().isSpace()),
                                "a cell keeps white space at its ends");
    } catch (const std::runtime_error& e) {
        fuzz::check(std::strlen(e.what()) > 0, "a refusal without a message");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readTables(html::decodePage(bytes), true);
    readTables(QString::fromLatin1(bytes), false);
    return 0;
}
