// Imports the input as a delimited or fixed-width text file into a cell store. The first bytes
// pick the separator, the quote, the encoding, the rows to skip and the column map.
#include "FuzzSupport.h"

#include "import/engine/Durvel3ASCII.h"

#include <array>

namespace {

// #0 selects fixed width; the quote as separator is a case of its own.
constexpr std::array<char16_t, 7> kSeparators = {u',', u';', u'\t', u'|', u' ', 0, u'"'};
constexpr std::array<char16_t, 4> kQuotes = {u'"', u'\'', 0, u','};
constexpr int kColumns = 4;
constexpr int kHeader = 4 + 2 * kColumns;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeader || size > fuzz::MaxInput)
        return 0;
    TDurvel3ASCII imp;
    imp.Comma = QChar(kSeparators[data[0] % kSeparators.size()]);
    imp.Quote = QChar(kQuotes[data[1] % kQuotes.size()]);
    imp.Encoding = TDurvelCharsetType(data[2] % CodePageTableSize);
    imp.SkipFirstRows = data[3] % 4;
    imp.EncodingChosen = data[3] & 0x80;
    for (int c = 0; c < kColumns; ++c) {
        const std::uint8_t a = data[4 + 2 * c];
        const std::uint8_t b = data[5 + 2 * c];
        if (imp.IsFixedWidth())
            imp.Map().Add(QStringLiteral("%1=%2;%3").arg(c).arg(a % 128).arg(b % 128));
        else
            imp.Map().Add(QStringLiteral("%1=%2").arg(c).arg(1 + a % 16));
    }
    const QString path =
        fuzz::writeFile("data.txt", QByteArrayView(reinterpret_cast<const char*>(data + kHeader),
                                                   qsizetype(size - kHeader)));
    imp.SetFileName(path);

    DurvelCellStore grid(kColumns, 0);
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    // The share read only grows, and never passes the file's size.
    qint64 lastDone = -1;
    imp.OnReadProgress = [&](TDurvel3*, qint64 Done, qint64 Total) {
        fuzz::check(Done > lastDone && Done <= Total && Total == qint64(size - kHeader),
                    "read progress goes back or past the file");
        lastDone = Done;
    };
    try {
        imp.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    fuzz::check(grid.rowCount() <= qsizetype(size), "more rows than bytes");
    return 0;
}
