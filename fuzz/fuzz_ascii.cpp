// Imports the input as a delimited or fixed-width text file into a cell store. The first bytes
// pick the separator, the quote, the encoding, the rows to skip and the column map.
#include "FuzzSupport.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/DurvelUtils.h"
#include "platform/codepage/CodePage.h"

#include <array>

namespace {

// #0 selects fixed width; the quote as separator is a case of its own.
constexpr std::array<char16_t, 7> kSeparators = {u',', u';', u'\t', u'|', u' ', 0, u'"'};
constexpr std::array<char16_t, 4> kQuotes = {u'"', u'\'', 0, u','};
constexpr int kColumns = 4;
constexpr int kHeader = 4 + 2 * kColumns;

// Where the encoding lets the reader split a line as bytes, each line split so and decoded
// field by field must give the fields of the decoded line.
void checkByteSplit(QByteArrayView text, QChar quote, QChar separator, int codePage)
{
    const codepage::Codec* codec = codepage::codecFor(codePage);
    if (!codec || !codec->asciiCompatible() || separator.isNull() || separator.unicode() >= 0x80 ||
        quote.unicode() >= 0x80)
        return;
    std::vector<QStringView> fields;
    std::vector<QString> built;
    std::vector<QByteArrayView> byteFields;
    std::vector<QByteArray> byteBuilt;
    QString line;
    QString field;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView bytes = text.sliced(start, end - start);
        codec->decodeTo(bytes, line);
        SplitDelimitedLine(QStringView(line), quote, separator, fields, built);
        SplitDelimitedBytes(bytes, quote, separator, byteFields, byteBuilt);
        fuzz::check(fields.size() == byteFields.size(), "byte split: another field count");
        for (std::size_t k = 0; k < fields.size() && k < byteFields.size(); ++k) {
            codec->decodeTo(byteFields[k], field);
            fuzz::check(field == fields[k], "byte split: another field");
        }
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeader || size > fuzz::MaxInput)
        return 0;
    const QString path =
        fuzz::writeFile("data.txt", QByteArrayView(reinterpret_cast<const char*>(data + kHeader),
                                                   qsizetype(size - kHeader)));
    const auto setUp = [&](TDurvel3ASCII& imp) {
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
        imp.SetFileName(path);
    };

    TDurvel3ASCII imp;
    setUp(imp);
    DurvelCellStore grid(kColumns, 0);
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    try {
        imp.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    fuzz::check(grid.rowCount() <= qsizetype(size), "more rows than bytes");
    checkByteSplit(
        QByteArrayView(reinterpret_cast<const char*>(data + kHeader), qsizetype(size - kHeader)),
        imp.Quote, imp.Comma, CodePageByIndex(imp.Encoding));

    // A host that copies the texts out leaves the row's values to the reader, which writes each
    // line over the last one's: the rows must be the grid's all the same.
    TDurvel3ASCII own;
    setUp(own);
    own.ImportDestination = didUserDefined;
    QList<QStringList> rows;
    own.OnUserDefinedImport = [&rows](TDurvel3*, TDurvelRow* row) {
        QStringList values;
        for (int i = 0; i < row->Count(); ++i)
            values << QString(row->Items(i)->Value.constData(), row->Items(i)->Value.size());
        rows << values;
    };
    try {
        own.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    fuzz::check(rows.size() == grid.rowCount(), "the two hosts got different row counts");
    for (int r = 0; r < grid.rowCount(); ++r)
        fuzz::check(rows[r] == grid.row(r), "the two hosts got different rows");
    return 0;
}
