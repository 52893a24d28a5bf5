// Splits the input, read as UTF-16 text, as pasted clipboard rows; joining the rows again must
// give the text back with its line ends made LF and without the last one.
#include "FuzzSupport.h"

#include "app/core/clipboardrows.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * 2);
    const QString text(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));

    const QList<QStringList> rows = SplitClipboardRows(text);
    QStringList lines;
    for (const QStringList& row : rows) {
        fuzz::check(!row.isEmpty(), "a row without a field");
        lines << row.join(u'\t');
    }
    QString expected = text;
    expected.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    if (expected.endsWith(u'\n'))
        expected.chop(1);
    fuzz::check(lines.join(u'\n') == expected, "rows do not join back to the text");
    return 0;
}
