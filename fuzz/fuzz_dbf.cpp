// Reads the input as a dBase table with a memo file. Byte 0 picks the memo file's extension,
// the character set and skip-deleted; bytes 1-4 give the table's length; the rest is the
// table, then the memo file.
#include "FuzzSupport.h"

#include "import/engine/DBFRead.h"
#include "import/engine/Durvel3DBF.h"

#include <QtEndian>

namespace {

constexpr std::size_t kHeader = 5;
constexpr int kMaxColumns = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeader || size > fuzz::MaxInput)
        return 0;
    const std::uint8_t flags = data[0];
    const std::size_t body = size - kHeader;
    const std::size_t tableSize = std::min<std::size_t>(qFromLittleEndian<quint32>(data + 1), body);
    const char* bytes = reinterpret_cast<const char*>(data + kHeader);

    QFile::remove(fuzz::pathOf("t.dbt"));
    QFile::remove(fuzz::pathOf("t.fpt"));
    const QString path = fuzz::writeFile("t.dbf", QByteArrayView(bytes, qsizetype(tableSize)));
    if ((flags & 3) != 3) {
        fuzz::writeFile((flags & 1) ? "t.fpt" : "t.dbt",
                        QByteArrayView(bytes + tableSize, qsizetype(body - tableSize)));
    }

    QStringList names;
    int records = 0;
    try {
        TDBFRead table(path);
        records = table.RecordCount();
        for (int i = 0; i < table.FieldCount() && names.size() < kMaxColumns; ++i)
            names << table.GetFieldName(i);
        // Every field of the first records, memos included, straight through the table.
        QByteArray text;
        for (int r = 0; r < 4 && !table.Eof(); ++r) {
            for (int i = 0; i < table.FieldCount(); ++i)
                table.ReadField(i, text);
        }
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }

    TDurvel3DBF imp;
    imp.SetFileName(path);
    imp.CharSet = TDBFCharSet((flags >> 2) % 3);
    imp.SkipDeleted = (flags & 0x10) != 0;
    imp.SkipFirstRows = (flags >> 5) & 1;
    for (int c = 0; c < names.size(); ++c)
        imp.Map().Add(QStringLiteral("%1=%2").arg(c).arg(names[c]));
    if (names.isEmpty())
        imp.Map().Add(QStringLiteral("0=X"));
    DurvelCellStore grid(kMaxColumns, 0);
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    try {
        imp.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    fuzz::check(grid.rowCount() <= qMax(records, 0), "more rows than records");
    return 0;
}
