// The import wizard: its run of the register CSV with the progress dialog shown, against the
// engine's bare run of the same file in the same process; and opening the text pages on a
// large file, which must read only the preview lines; opening the spreadsheet page on a
// workbook of 65,000 rows, with the wizard's preview rows and with every row; and opening the
// ODS and ODT pages on a document of a million rows, against inflating its content alone.
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchRows.h"

#include "app/dbfile.h"
#include "import/engine/Durvel3ASCII.h"
#include "import/engine/DurvelDbDataSet.h"
#include "import/engine/support/MiniZip.h"
#include "import/engine/support/OdfTableScanner.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/TXTPage.h"
#include "import/wizard/pages/XLSPage.h"
#include "import/wizard/pages/XmlDocPage.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "ui_CSVPage.h"
#include "ui_Durvel3WizardF.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/import/wizard/helper_manyparts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

namespace {

constexpr int kRows = 100000;
const char* const kFields[] = {"Pers_number", "First_Name", "Last_Name", "Hesab", "Price", "Chk"};

struct Register
{
    QTemporaryDir dir;
    QString csv;
    QString dbPath;
    std::unique_ptr<db::Connection> conn;
    std::unique_ptr<db::DataSet> ds;
    std::unique_ptr<DurvelDbDataSet> dest;

    Register()
    {
        csv = QDir(dir.path()).filePath(QStringLiteral("register.csv"));
        QFile f(csv);
        if (f.open(QIODevice::WriteOnly))
            for (int i = 0; i < kRows; ++i)
                f.write((benchCsvLine(i) + QLatin1String("\r\n")).toUtf8());
        dbPath = QDir(dir.path()).filePath(databaseFileName());
    }

    // An empty register, open as the personnel window has it.
    void reset()
    {
        dest.reset();
        ds.reset();
        conn.reset();
        QFile::remove(dbPath);
        db::Connection::createDatabase(dbPath, databaseKey(), QString::fromUtf8(kSchemaSql));
        conn = std::make_unique<db::Connection>();
        conn->open(dbPath, databaseKey());
        ds = std::make_unique<db::DataSet>(conn.get());
        ds->setSql(QStringLiteral("select * from tbl_customer"));
        ds->open();
        dest = std::make_unique<DurvelDbDataSet>(ds.get());
    }

    int count() const
    {
        return conn->scalar(QStringLiteral("select count(*) from tbl_customer")).toInt();
    }
};

Register& reg()
{
    static Register r;
    return r;
}

// Ends the wizard's wait once the dialog offers OK.
void PressProgressOk(TDurvel3WizardF& f)
{
    TfmDurvel3ProgressDlg* d = f.ProgressDialog();
    if (d && d->IsFinished())
        d->findChild<QPushButton*>(QStringLiteral("bCancel"))->click();
}

void setFormats(TDurvelFormats& f)
{
    f.BooleanTrue().Assign(QStringList{QStringLiteral("1")});
    f.BooleanFalse().Assign(QStringList{QStringLiteral("0")});
}

void BM_EngineBareCsv(benchmark::State& state)
{
    Register& r = reg();
    for (auto _ : state) {
        state.PauseTiming();
        r.reset();
        TDurvel3ASCII imp;
        imp.SetFileName(r.csv);
        imp.Comma = u',';
        imp.DataSet = r.dest.get();
        setFormats(imp.Formats());
        for (int i = 0; i < 6; ++i)
            imp.Map().SetValues(QLatin1String(kFields[i]), QString::number(i + 1));
        state.ResumeTiming();
        imp.Execute();
        state.PauseTiming();
        if (r.count() != kRows)
            state.SkipWithError("not every row was imported");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The clerk's path: CSV chosen, the columns mapped on the page, Execute pressed; the progress
// dialog is shown and its OK pressed as soon as it offers it.
void BM_WizardCsvWithProgress(benchmark::State& state)
{
    Register& r = reg();
    for (auto _ : state) {
        state.PauseTiming();
        r.reset();
        TDurvel3Wizard wizard;
        wizard.DataSet = r.dest.get();
        wizard.ConfirmOnCancel = false;
        setFormats(wizard.Formats());
        TDurvel3WizardF f(&wizard);
        f.show();
        f.SetImportType(aiCSV);
        f.ui->edtFileName->setText(r.csv);
        f.SetComma(u',');
        f.SetStep(1);
        QTreeWidget* fields = f.CSVPage->ui->lvCSVFields;
        for (int i = 0; i < 6; ++i) {
            fields->setCurrentItem(
                fields->findItems(QLatin1String(kFields[i]), Qt::MatchExactly).value(0));
            f.CSVPage->ColumnClicked(i);
        }
        QTimer ok;
        QObject::connect(&ok, &QTimer::timeout, &f, [&f] { PressProgressOk(f); });
        ok.start(20);
        state.ResumeTiming();
        f.ui->bOk->click();
        state.PauseTiming();
        ok.stop();
        if (r.count() != kRows)
            state.SkipWithError("not every row was imported");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_EngineBareCsv)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WizardCsvWithProgress)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// A text file of about BANKFILE_BENCH_BIG_MIB MiB (1024 by default), made once.
QString bigFile(const char* suffix)
{
    static QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("big.") + suffix);
    if (QFileInfo(path).isFile())
        return path;
    const QByteArray env = qgetenv("BANKFILE_BENCH_BIG_MIB");
    const qint64 bytes = (env.isEmpty() ? 1024 : env.toLongLong()) << 20;
    QByteArray block;
    for (int i = 0; block.size() < (1 << 20); ++i)
        block += (benchCsvLine(i) + QLatin1String("\r\n")).toUtf8();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    for (qint64 written = 0; written < bytes; written += block.size())
        f.write(block);
    return path;
}

// A wizard into a string grid whose caption row names the register's fields.
struct GridWizard
{
    DurvelCellStore grid{6, 1};
    TDurvel3Wizard wizard;

    GridWizard()
    {
        for (int i = 0; i < 6; ++i)
            grid.setCell(i, 0, QLatin1String(kFields[i]));
        wizard.ImportDestination = didStringGrid;
        wizard.StringGrid = &grid;
        wizard.GridCaptionRow = 0;
        wizard.ConfirmOnCancel = false;
    }
};

// Times the step from the first page to the kind's page on the file, the window made untimed.
void timePageOpening(benchmark::State& state, int kind, const QString& path)
{
    GridWizard w;
    TDurvel3Wizard& wizard = w.wizard;
    for (auto _ : state) {
        state.PauseTiming();
        TDurvel3WizardF f(&wizard);
        f.SetImportType(kind);
        f.ui->edtFileName->setText(path);
        state.ResumeTiming();
        f.SetStep(1);
    }
    state.counters["MiB"] = double(QFileInfo(path).size()) / (1 << 20);
}

void openPage(benchmark::State& state, int kind)
{
    timePageOpening(state, kind, bigFile(kind == aiCSV ? "csv" : "txt"));
}

void BM_OpenCsvPageOnBigFile(benchmark::State& state)
{
    openPage(state, aiCSV);
}
void BM_OpenTxtPageOnBigFile(benchmark::State& state)
{
    openPage(state, aiTXT);
}
BENCHMARK(BM_OpenCsvPageOnBigFile)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenTxtPageOnBigFile)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The register as a 65,000-row workbook, written once by xlwt.
QString bigWorkbook()
{
    static QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("big.xls"));
    if (QFileInfo(path).isFile())
        return path;
    QProcess gen;
    gen.start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(BANKFILE_BENCH_DIR "/make_xls.py"), path, QStringLiteral("65000")});
    if (!gen.waitForFinished(600000) || gen.exitCode() != 0)
        return QString();
    return path;
}

// Argument: the wizard's preview rows (0 = every row).
void BM_OpenXlsPage(benchmark::State& state)
{
    const QString path = bigWorkbook();
    if (path.isEmpty()) {
        state.SkipWithError("python3-xlwt could not write the workbook");
        return;
    }
    TfmDurvel3Loading::MinimumDisplayTime = 0;
    XlsPage::MinimumLoadTime = 0;
    GridWizard w;
    TDurvel3Wizard& wizard = w.wizard;
    wizard.ExcelViewerRows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TDurvel3WizardF f(&wizard);
        f.SetImportType(aiXLS);
        f.ui->edtFileName->setText(path);
        state.ResumeTiming();
        f.SetStep(1);
    }
    state.counters["MiB"] = double(QFileInfo(path).size()) / (1 << 20);
}
BENCHMARK(BM_OpenXlsPage)
    ->Arg(256)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A long register as an ODS or ODT file of BANKFILE_BENCH_ODS_ROWS rows (a million by
// default) in its first table and three in its second, written once; with Settings a
// spreadsheet names its sheets in its settings, as LibreOffice writes it.
QString longDocument(const char* suffix, bool settings = true)
{
    static QTemporaryDir dir;
    const QString path = QDir(dir.path())
                             .filePath(QStringLiteral("long%1.").arg(settings ? "" : "-bare") +
                                       QLatin1String(suffix));
    if (QFileInfo(path).isFile())
        return path;
    const QByteArray env = qgetenv("BANKFILE_BENCH_ODS_ROWS");
    QProcess gen;
    gen.start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(BANKFILE_BENCH_DIR "/make_long_ods.py"), path,
               env.isEmpty() ? QStringLiteral("1000000") : QString::fromLatin1(env),
               QStringLiteral("2"), settings ? QStringLiteral("1") : QStringLiteral("0")});
    if (!gen.waitForFinished(1800000) || gen.exitCode() != 0)
        return QString();
    return path;
}

// Opening the page reads each table's preview rows, not the whole sheet; a spreadsheet that
// names its sheets in its settings is read no further than the first long sheet.
void openDocumentPage(benchmark::State& state, int kind, bool settings = true)
{
    const QString path = longDocument(kind == aiODS ? "ods" : "odt", settings);
    if (path.isEmpty()) {
        state.SkipWithError("the document could not be written");
        return;
    }
    TfmDurvel3Loading::MinimumDisplayTime = 0;
    timePageOpening(state, kind, path);
}

// Argument: 1 when the sheets are named in the settings.
void BM_OpenOdsPage(benchmark::State& state)
{
    openDocumentPage(state, aiODS, state.range(0) != 0);
}
void BM_OpenOdtPage(benchmark::State& state)
{
    openDocumentPage(state, aiODT);
}
BENCHMARK(BM_OpenOdsPage)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OpenOdtPage)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor of any opening of the bare spreadsheet: inflating its content part alone, in
// blocks of the argument's KiB, as a stream (its checksum on the same thread) and read ahead
// (inflated and checked on one thread); and the page's way, read ahead while the
// scanner finds where the sheets end.
enum class Way { Stream, Ahead, Scan };
void inflateContent(benchmark::State& state, Way way)
{
    const QString path = longDocument("ods", false);
    if (path.isEmpty()) {
        state.SkipWithError("the document could not be written");
        return;
    }
    const qsizetype block = qsizetype(state.range(0)) << 10;
    std::vector<char> buf(static_cast<std::size_t>(block));
    for (auto _ : state) {
        TMiniZip zip(path);
        zip.Open();
        if (way == Way::Stream) {
            auto stream = zip.OpenEntry(QStringLiteral("content.xml"));
            while (stream->read(buf.data(), block) > 0) {
            }
            continue;
        }
        auto ahead = zip.ReadAhead(QStringLiteral("content.xml"), block);
        const auto read = [&ahead](char* b, qint64 n) { return ahead->read(b, n); };
        if (way == Way::Ahead) {
            while (read(buf.data(), block) > 0) {
            }
            continue;
        }
        OdfTableScanner scanner(read, block);
        scanner.start();
        int tables = 0;
        for (; scanner.nextTable() && scanner.skipTable(); ++tables) {
        }
        if (!scanner.finished() || tables != 2)
            state.SkipWithError("the scanner was not sure of the document");
    }
    state.counters["MiB"] = double(QFileInfo(path).size()) / (1 << 20);
}
void BM_InflateOdsContent(benchmark::State& state)
{
    inflateContent(state, Way::Stream);
}
void BM_ReadAheadOdsContent(benchmark::State& state)
{
    inflateContent(state, Way::Ahead);
}
void BM_ScanOdsContent(benchmark::State& state)
{
    inflateContent(state, Way::Scan);
}
// Block sizes in KiB, each timed three times.
void blockSizes(benchmark::internal::Benchmark* b, std::initializer_list<int> kib)
{
    for (int k : kib)
        b->Arg(k);
    b->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_InflateOdsContent)->Apply([](auto* b) { blockSizes(b, {64, 1024, 4096}); });
BENCHMARK(BM_ReadAheadOdsContent)->Apply([](auto* b) {
    blockSizes(b, {64, 256, 1024, 2048, 4096});
});
BENCHMARK(BM_ScanOdsContent)->Apply([](auto* b) { blockSizes(b, {64, 256, 1024, 2048, 4096}); });

} // namespace

BANKFILE_BENCH_MAIN(QApplication)

// Small files of very many sheets, tables or columns: a page opens each within a couple of
// seconds and a few hundred MiB, or refuses it with a message. Reported: the file's size, the
// peak resident memory while the page opened, and whether it was refused.
enum class Many { DocxTables, OdsSheets, OdtTables, XlsxSheets, CsvColumns, TxtColumns,
                  HtmlColumns, HtmlTables, XmlDocColumns, HtmlBareCells, XmlDocTree, CsvCells };

QString manyFile(Many what, qint64 count)
{
    static QTemporaryDir dir;
    static const char* const extensions[] = {".docx", ".ods",  ".odt",  ".xlsx", ".csv",
                                             ".txt",  ".html", ".html", ".xml", ".html", ".xml", ".csv"};
    // The wizard tells a file's kind from its extension as the clerk's files carry it.
    const QString path = QDir(dir.path()).filePath(QStringLiteral("many-%1-%2%3")
                                                       .arg(int(what))
                                                       .arg(count)
                                                       .arg(QLatin1String(extensions[int(what)])));
    if (QFileInfo(path).isFile())
        return path;
    bool ok = false;
    switch (what) {
    case Many::DocxTables: ok = manyparts::docxTables(path, int(count)); break;
    case Many::OdsSheets: ok = manyparts::odfTables(path, int(count), false); break;
    case Many::OdtTables: ok = manyparts::odfTables(path, int(count), true); break;
    case Many::XlsxSheets: ok = manyparts::xlsxSheets(path, int(count)); break;
    case Many::CsvColumns:
    case Many::TxtColumns: ok = manyparts::csvColumns(path, count); break;
    case Many::HtmlColumns: ok = manyparts::htmlPage(path, int(count), 0); break;
    case Many::HtmlTables: ok = manyparts::htmlPage(path, 1, int(count)); break;
    case Many::HtmlBareCells: ok = manyparts::htmlBareCells(path, int(count)); break;
    case Many::XmlDocTree: ok = manyparts::xmlDocRows(path, int(count)); break;
    // 10 MB of cells "1" in lines of Count columns.
    case Many::CsvCells: ok = manyparts::csvCells(path, int(5000000 / count), int(count)); break;
    case Many::XmlDocColumns: ok = manyparts::xmlDocColumns(path, int(count)); break;
    }
    return ok ? path : QString();
}

int manyKind(Many what)
{
    switch (what) {
    case Many::DocxTables: return aiDOCX;
    case Many::OdsSheets: return aiODS;
    case Many::OdtTables: return aiODT;
    case Many::XlsxSheets: return aiXLSX;
    case Many::CsvColumns:
    case Many::CsvCells: return aiCSV;
    case Many::TxtColumns: return aiTXT;
    case Many::HtmlColumns:
    case Many::HtmlTables:
    case Many::HtmlBareCells: return aiHTML;
    case Many::XmlDocColumns:
    case Many::XmlDocTree: return aiXMLDoc;
    }
    return aiCSV;
}

// Argument: the count of sheets, tables or columns.
template <Many What> void BM_OpenPageOnMany(benchmark::State& state)
{
    const QString path = manyFile(What, state.range(0));
    if (path.isEmpty()) {
        state.SkipWithError("the file could not be written");
        return;
    }
    TfmDurvel3Loading::MinimumDisplayTime = 0;
    int refused = 0;
    dialogs::setMessageHandler([&refused](const dialogs::Message&) {
        ++refused;
        return dialogs::Button::Ok;
    });
    GridWizard w;
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        refused = 0;
        auto f = std::make_unique<TDurvel3WizardF>(&w.wizard);
        f->SetImportType(manyKind(What));
        f->ui->edtFileName->setText(path);
        const double base = benchmem::restartPeakMiB();
        state.ResumeTiming();
        f->Guarded([&] { f->SetStep(1); });
        // The document's tree is built when the clerk asks for it.
        if (What == Many::XmlDocTree)
            f->Guarded([&] { static_cast<XmlDocPage*>(f->Page(aiXMLDoc))->BuildTreeClick(); });
        if (What == Many::XmlDocColumns)
            f->Guarded([&] {
                auto* page = static_cast<XmlDocPage*>(f->Page(aiXMLDoc));
                page->SetXMLDocDataLocation(tlSubNodes);
                page->SetXMLDocXPath(QStringLiteral("/rows/row"));
            });
        f.reset();
        state.PauseTiming();
        peak = qMax(peak, benchmem::peakMiB() - base);
        state.ResumeTiming();
    }
    dialogs::setMessageHandler({});
    state.counters["KiB"] = double(QFileInfo(path).size()) / 1024;
    state.counters["peak_MiB"] = peak;
    state.counters["refused"] = refused;
}

BENCHMARK(BM_OpenPageOnMany<Many::DocxTables>)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::OdsSheets>)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::OdtTables>)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::XlsxSheets>)->Arg(1000)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::CsvColumns>)->Arg(16000)->Arg(1000000)->Arg(5000000)->Arg(9900000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::CsvCells>)->Arg(50)->Arg(8000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::TxtColumns>)->Arg(9900000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::HtmlColumns>)->Arg(16000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::HtmlBareCells>)->Arg(400000)->Arg(2000000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::HtmlTables>)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::XmlDocColumns>)->Arg(16000)->Arg(500000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenPageOnMany<Many::XmlDocTree>)->Arg(10000)->Arg(370000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
