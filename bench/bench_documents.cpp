// Zipped documents: a 100,000-row x 6-column XLSX (written here by libxlsxwriter, Persian names
// as shared strings) read into the cell store and imported into tbl_customer, beside python3
// openpyxl (read-only mode) reading every cell; a 50,000-row x 6-column ODS (written by odfpy)
// imported into tbl_customer, beside odfpy loading it. Python is timed inside its own process.
// Memory: the peak resident size above the size before opening.
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchRegisterImport.h"

#include "app/dbfile.h"
#include "import/engine/Durvel3ODS.h"
#include "import/engine/Durvel3Xlsx.h"
#include "import/engine/DurvelDbDataSet.h"
#include "import/engine/support/XlsxFile.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <xlsxwriter.h>

namespace {

constexpr int kXlsxRows = 100000;
constexpr int kOdsRows = 50000;
const QStringList kMap = {"Pers_number=A", "First_Name=B", "Last_Name=C",
                          "Hesab=D",       "Price=E",      "Chk=F"};

const char* const kFirst[] = {"علی",  "محمد", "زهرا", "فاطمه", "حسین",  "مریم",    "رضا",
                              "نرگس", "مهدی", "سارا", "یوسف",  "کیمیا", "امیرحسین"};
const char* const kLast[] = {"رضایی", "محمدی", "حسینی", "کریمی",  "موسوی", "احمدی",
                             "جعفری", "صادقی", "نوری",  "یزدانی", "کاظمی", "شیرازی"};

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

QString xlsxBook()
{
    static QString path;
    if (!path.isEmpty())
        return path;
    const QString out = QDir(scratch().path()).filePath(QStringLiteral("register.xlsx"));
    lxw_workbook* wb = workbook_new(QFile::encodeName(out).constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, "پرسنل");
    for (int i = 0; i < kXlsxRows; ++i) {
        worksheet_write_number(ws, i, 0, 100000 + i, nullptr);
        worksheet_write_string(ws, i, 1, kFirst[i % 13], nullptr);
        worksheet_write_string(ws, i, 2,
                               QStringLiteral("%1 %2")
                                   .arg(QString::fromUtf8(kLast[(i / 13) % 12]))
                                   .arg(i)
                                   .toUtf8()
                                   .constData(),
                               nullptr);
        double account = 1;
        for (int k = 0; k < 9 + i % 6; ++k)
            account *= 10;
        worksheet_write_number(ws, i, 3, account + i * 37.0, nullptr);
        worksheet_write_number(ws, i, 4, 1000 + (qint64(i) * 7919) % 99000000, nullptr);
        worksheet_write_boolean(ws, i, 5, i % 3 == 0, nullptr);
    }
    if (workbook_close(wb) == LXW_NO_ERROR)
        path = out;
    return path;
}

QString odsBook()
{
    static QString path;
    if (!path.isEmpty())
        return path;
    const QString out = QDir(scratch().path()).filePath(QStringLiteral("register.ods"));
    QProcess gen;
    gen.start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(BANKFILE_BENCH_DIR "/make_ods.py"), out, QString::number(kOdsRows)});
    if (gen.waitForFinished(900000) && gen.exitCode() == 0)
        path = out;
    return path;
}

// A python reader's own time for the file, measured inside its process.
void pythonReader(benchmark::State& state, const char* script, const QString& file)
{
    if (file.isEmpty()) {
        state.SkipWithError("no input file (its writer is missing?)");
        return;
    }
    double cells = 0;
    for (auto _ : state) {
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"), {QString::fromLatin1(script), file});
        if (!py.waitForFinished(900000) || py.exitCode() != 0) {
            state.SkipWithError("the python reader failed (its package missing?)");
            return;
        }
        const QList<QByteArray> out = py.readAllStandardOutput().trimmed().split(' ');
        state.SetIterationTime(out.value(0).toDouble());
        cells = out.value(1).toDouble();
    }
    state.counters["cells"] = cells;
}

void BM_XlsxReadIntoCellStore(benchmark::State& state)
{
    const QString file = xlsxBook();
    double idle = 0;
    int rows = 0;
    for (auto _ : state) {
        idle = benchmem::restartPeakMiB();
        TXlsxFile book;
        book.SetFileName(file);
        book.Load();
        rows = book.Workbook.GetFirstSheet()->RowCount;
    }
    state.counters["peak_above_idle_MiB"] = benchmem::peakMiB() - idle;
    state.counters["rows"] = rows;
}
BENCHMARK(BM_XlsxReadIntoCellStore)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_XlsxImportToRegister(benchmark::State& state)
{
    const double idle = importToRegister(state, xlsxBook(), kXlsxRows, kMap,
                                         [] { return std::make_unique<TDurvel3Xlsx>(); });
    state.counters["peak_above_idle_MiB"] = benchmem::peakMiB() - idle;
}
BENCHMARK(BM_XlsxImportToRegister)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenpyxlReadOnlyEveryCell(benchmark::State& state)
{
    pythonReader(state, BANKFILE_BENCH_DIR "/openpyxl_read.py", xlsxBook());
}
BENCHMARK(BM_OpenpyxlReadOnlyEveryCell)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_OdsImportToRegister(benchmark::State& state)
{
    const double idle = importToRegister(state, odsBook(), kOdsRows, kMap,
                                         [] { return std::make_unique<TDurvel3ODS>(); });
    state.counters["peak_above_idle_MiB"] = benchmem::peakMiB() - idle;
}
BENCHMARK(BM_OdsImportToRegister)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OdfpyLoadEveryCell(benchmark::State& state)
{
    pythonReader(state, BANKFILE_BENCH_DIR "/odf_load.py", odsBook());
}
BENCHMARK(BM_OdfpyLoadEveryCell)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

BANKFILE_BENCH_MAIN(QCoreApplication)
