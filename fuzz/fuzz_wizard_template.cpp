// Loads the input as an import template into the wizard's formats page and last page, and the
// fixed-width page's sections as every new source file reads them again. Saving what the formats
// and last pages loaded and loading that into a fresh window must save the same file again.
#include "FuzzSupport.h"

#include "import/engine/DurvelDestinations.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/pages/FormatsPage.h"
#include "import/wizard/pages/LastPage.h"
#include "import/wizard/pages/TXTPage.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"

#include <QApplication>

// The font library the windows load keeps its caches until the process ends: that is not the
// program's memory, and not a leak the end of the run should report.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_wizard_template";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // A template's refused file name is told in a box: answered here, never shown.
        dialogs::setMessageHandler([](const dialogs::Message&) { return dialogs::Button::Ok; });
        return new QApplication(argc, argv);
    }();
    (void)app;
}

struct Wizard
{
    DurvelCellStore grid{4, 1};
    TDurvel3Wizard wizard;
    std::unique_ptr<TDurvel3WizardF> window;

    Wizard()
    {
        grid.setCell(0, 0, QStringLiteral("Code"));
        grid.setCell(1, 0, QStringLiteral("Name"));
        grid.setCell(2, 0, QStringLiteral("Tax_Code"));
        grid.setCell(3, 0, QStringLiteral("مبلغ"));
        wizard.ImportDestination = didStringGrid;
        wizard.StringGrid = &grid;
        wizard.GridCaptionRow = 0;
        wizard.GridStartRow = 1;
        wizard.ErrorLog = true;
        window = std::make_unique<TDurvel3WizardF>(&wizard);
    }

    void load(const QString& path)
    {
        const IniFile ini(path);
        window->FormatPage->LoadTemplate(ini, wizard);
        window->CommitPage->LoadTemplate(ini, wizard);
        window->TXTPage->LoadTemplate(ini);
    }

    QByteArray save(const char* name)
    {
        const QString path = fuzz::pathOf(name);
        QFile::remove(path);
        IniFile ini(path);
        window->FormatPage->SaveTemplate(ini);
        window->CommitPage->SaveTemplate(ini);
        ini.save();
        return fuzz::readFile(path);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    ensureApplication();
    const QString path =
        fuzz::writeFile("template.imp", QByteArrayView(reinterpret_cast<const char*>(data),
                                                       qsizetype(size)));
    Wizard first;
    try {
        first.load(path);
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        return 0;
    }
    QByteArray saved;
    try {
        saved = first.save("first.imp");
    } catch (const std::exception& e) {
        // A loaded word that an ini key cannot hold is refused with a message, never written
        // wrongly.
        fuzz::expectedError(e);
        return 0;
    }
    Wizard second;
    second.load(fuzz::pathOf("first.imp"));
    if (second.save("second.imp") != saved)
        fuzz::fail("a saved template loads to another template");
    return 0;
}
