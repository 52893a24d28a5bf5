// Loads the input as an import template (the text before the first NUL byte) and runs the import
// it describes over the rest of the input. Saving the loaded template and loading the saved file
// must give the same template again.
#include "FuzzSupport.h"

#include "import/engine/Durvel3ASCII.h"
#include "platform/ini/IniFile.h"

namespace {

constexpr int kColumns = 4;

// The template as the file holds it after saving.
QByteArray saved(TDurvel3ASCII& imp, const char* name)
{
    const QString path = fuzz::pathOf(name);
    QFile::remove(path);
    IniFile ini(path);
    imp.SaveTemplateSections(ini);
    ini.save();
    return fuzz::readFile(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    const QByteArrayView text = nul < 0 ? input : input.first(nul);
    const QByteArrayView rows =
        nul < 0 ? QByteArrayView("1,2,3,4\r\na,b,c,d\r\n") : input.sliced(nul + 1);
    const QString templatePath = fuzz::writeFile("template.imp", text);
    const QString dataPath = fuzz::writeFile("rows.txt", rows);

    TDurvel3ASCII imp;
    try {
        IniFile ini(templatePath);
        imp.LoadTemplateSections(ini);
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        return 0;
    }

    try {
        const QByteArray first = saved(imp, "first.imp");
        TDurvel3ASCII reloaded;
        IniFile ini(fuzz::pathOf("first.imp"));
        reloaded.LoadTemplateSections(ini);
        fuzz::check(saved(reloaded, "second.imp") == first, "a saved template loads differently");
    } catch (const IniError&) {
        // A name the file format cannot hold is refused with a message.
    }

    // Nothing is written outside the private folder and the rows go to a cell store.
    imp.SetFileName(dataPath);
    imp.ErrorLog = false;
    imp.ShowErrorLog = false;
    imp.ImportDestination = didStringGrid;
    // The cell store holds every row up to GridStartRow: a start row in the millions allocates
    // them all. Known and left to a decision on the largest grid; kept out of the search here.
    imp.GridStartRow = qMin(imp.GridStartRow, 1 << 16);
    DurvelCellStore grid(kColumns, 0);
    imp.StringGrid = &grid;
    try {
        imp.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
