// Imports the input as an XML data packet, whole and on the fly; when both succeed they must
// give the same rows. The field names read on the fly must be those of the whole tree. Byte 0
// picks the rows to skip.
#include "FuzzSupport.h"

#include "import/engine/Durvel3XML.h"

namespace {

bool import(const QString& path, bool onFly, int skip, QList<QStringList>& rows)
{
    TDurvel3XML imp;
    imp.SetFileName(path);
    imp.WriteOnFly = onFly;
    imp.SkipFirstRows = skip;
    for (const char* m : {"0=Code", "1=Name", "2=A", "3=x"})
        imp.Map().Add(QString::fromLatin1(m));
    DurvelCellStore grid(4, 0);
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    try {
        imp.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        return false;
    }
    rows.clear();
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << grid.cell(c, r);
        rows << cells;
    }
    return true;
}

// The names, or false when the file is refused.
bool fieldNames(const QString& path, bool onFly, QStringList& names)
{
    TXMLFile file;
    file.FileName = path;
    try {
        if (onFly) {
            names = file.ReadFieldNames();
        } else {
            file.Open();
            names = file.FieldNames();
        }
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > fuzz::MaxInput)
        return 0;
    const QString path = fuzz::writeFile(
        "p.xml", QByteArrayView(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    const int skip = data[0] % 3;
    QList<QStringList> whole, onFly;
    const bool a = import(path, false, skip, whole);
    const bool b = import(path, true, skip, onFly);
    if (a && b)
        fuzz::check(whole == onFly, "whole and on-the-fly rows differ");
    fuzz::check(!a || whole.size() <= qsizetype(size), "more rows than bytes");
    QStringList tree, streamed;
    const bool c = fieldNames(path, false, tree);
    const bool d = fieldNames(path, true, streamed);
    if (c && d)
        fuzz::check(tree == streamed, "field names differ on the fly");
    return 0;
}
