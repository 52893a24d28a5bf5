// Opens the wizard's page of one source kind (offscreen) on the input, as the clerk's Next does,
// shows the last sheet or table and closes the window. Byte 0 picks the kind; the rest is the
// file. A page must open within the time limit or refuse the file with a message: a file that
// holds it longer (a small file of very many sheets or columns) stops the run with that input.
// The limit is 10 s a page, FUZZ_PAGE_SECONDS to change it (the sanitizers slow pages down).
#include "FuzzSupport.h"

#include "import/engine/DurvelDestinations.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/GridMapPage.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/pages/XmlDocPage.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/dialogs/Dialogs.h"

#include <QApplication>
#include <QTabWidget>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// The kinds whose page reads the file itself; Access goes through its helper process and has a
// target of its own.
constexpr TAllowedImport kKinds[] = {aiXLS,  aiDBF,  aiXML,  aiTXT,  aiCSV, aiHTML,
                                     aiXMLDoc, aiXLSX, aiDOCX, aiODS, aiODT};

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_wizard_page";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Refusals are told in a box: answered here, never shown.
        dialogs::setMessageHandler([](const dialogs::Message&) { return dialogs::Button::Ok; });
        TfmDurvel3Loading::MinimumDisplayTime = 0;
        return new QApplication(argc, argv);
    }();
    (void)app;
}

// Aborts the process when one input holds a page longer than the limit, so that libFuzzer keeps
// it (its own -timeout works too, but only for the whole input and with a coarser report).
class Watchdog
{
public:
    Watchdog()
    {
        const int seconds = qEnvironmentVariableIntValue("FUZZ_PAGE_SECONDS");
        FLimit = std::chrono::seconds(seconds > 0 ? seconds : 10);
        std::thread([this] { watch(); }).detach();
    }
    void start(int kind)
    {
        FKind = kind;
        FStarted = Clock::now().time_since_epoch().count();
    }
    void stop() { FStarted = 0; }

private:
    using Clock = std::chrono::steady_clock;
    [[noreturn]] void watch()
    {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto started = FStarted.load();
            if (started != 0 &&
                Clock::now() - Clock::time_point(Clock::duration(started)) > FLimit) {
                std::fprintf(stderr, "fuzz check failed: the page of kind %d took more than %d s\n",
                             FKind.load(), int(FLimit.count()));
                std::abort();
            }
        }
    }
    std::chrono::seconds FLimit{10};
    std::atomic<Clock::rep> FStarted{0};
    std::atomic<int> FKind{-1};
};

void checkPage(TDurvel3WizardF& w, int kind)
{
    if (kind == aiCSV) {
        fuzz::check(w.CSVPage->Grid->ColCount() <= MaxPreviewColumns + 1,
                    "the CSV preview holds more columns than its limit");
        return;
    }
    auto* page = qobject_cast<GridMapPage*>(w.Page(kind));
    if (!page)
        return;
    if (auto* tabs = page->findChild<QTabWidget*>()) {
        fuzz::check(tabs->count() <= MaxPreviewTabs, "a page holds more tabs than its limit");
        // The last tab's sheet or table is read when it is shown.
        if (tabs->count() > 1)
            w.Guarded([&] { tabs->setCurrentIndex(tabs->count() - 1); });
    }
    if (const TKobWideStringGrid* grid = page->CurrentGrid())
        fuzz::check(grid->ColCount() <= MaxPreviewColumns + 2,
                    "a preview holds more columns than its limit");
}

} // namespace

// Fontconfig keeps its caches of the first font looked up until the process ends.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > fuzz::MaxInput)
        return 0;
    ensureApplication();
    static Watchdog watchdog;
    const int kind = kKinds[data[0] % std::size(kKinds)];
    const QByteArray name = QByteArray("page") + ImportKind(kind).Extension;
    const QString path = fuzz::writeFile(
        name.constData(),
        QByteArrayView(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));

    DurvelCellStore grid{3, 1};
    grid.setCell(0, 0, QStringLiteral("Code"));
    grid.setCell(1, 0, QStringLiteral("Name"));
    grid.setCell(2, 0, QStringLiteral("مبلغ"));
    TDurvel3Wizard wizard;
    wizard.ImportDestination = didStringGrid;
    wizard.StringGrid = &grid;
    wizard.GridCaptionRow = 0;
    wizard.GridStartRow = 1;

    watchdog.start(kind);
    {
        auto w = std::make_unique<TDurvel3WizardF>(&wizard);
        w->SetImportType(kind);
        w->SetFileName(path);
        // What a page raises is shown as a message and leaves the window usable.
        w->Guarded([&] { w->SetStep(1); });
        if (kind == aiXMLDoc)
            w->Guarded([&] {
                auto* page = static_cast<XmlDocPage*>(w->Page(aiXMLDoc));
                page->SetXMLDocDataLocation(tlSubNodes);
                page->SetXMLDocXPath(QStringLiteral("/*/*"));
            });
        checkPage(*w, kind);
        QCoreApplication::processEvents();
    }
    watchdog.stop();
    return 0;
}
