// Zipped documents: a 100,000-row x 6-column XLSX (written here by libxlsxwriter, Persian names
// as shared strings) read into the cell store beside a single-thread baseline (libxml2's reader
// over minizip counting the cells), wall and CPU time of each (the CPU of every thread: ours
// inflates, parses and stores on several), and imported into tbl_customer beside python3 openpyxl (read-only mode)
// reading every cell, each pair run in turn (A B A B); a 1,000,000-row XLSX imported for its
// memory and opened as the XLSX page opens it; a 50,000-row x 6-column ODS (written by odfpy)
// imported into tbl_customer, beside odfpy loading it. Python is timed inside its own process.
// Memory: the peak resident size above the size before opening. Last, an XML document of many
// different element names read by the stream reader.
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
#include "platform/xml/Xml.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <libxml/xmlreader.h>
#include <unzip.h>
#include <xlsxwriter.h>

namespace {

constexpr int kXlsxRows = 100000;
constexpr int kXlsxMillion = 1000000;
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

// The register as an XLSX workbook of that many rows, written once.
QString xlsxBook(int rows = kXlsxRows)
{
    static QHash<int, QString> paths;
    if (paths.contains(rows))
        return paths.value(rows);
    // A folder given in BANKFILE_BENCH_XLSX_DIR keeps the books between runs.
    const QByteArray keep = qgetenv("BANKFILE_BENCH_XLSX_DIR");
    const QString out = QDir(keep.isEmpty() ? scratch().path() : QString::fromLocal8Bit(keep))
                            .filePath(QStringLiteral("register-%1.xlsx").arg(rows));
    if (!keep.isEmpty() && QFile::exists(out)) {
        paths.insert(rows, out);
        return out;
    }
    // Row by row, so that the writer holds one row at a time (its strings then go inline).
    lxw_workbook_options options = {};
    options.constant_memory = rows > kXlsxRows ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* wb = workbook_new_opt(QFile::encodeName(out).constData(), &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "پرسنل");
    for (int i = 0; i < rows; ++i) {
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
    if (workbook_close(wb) != LXW_NO_ERROR)
        return {};
    paths.insert(rows, out);
    return out;
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

// The python reader's own seconds for the file, measured inside its process; -1 when it failed.
double pythonSeconds(const char* script, const QString& file, double* cells = nullptr)
{
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"), {QString::fromLatin1(script), file});
    if (!py.waitForFinished(900000) || py.exitCode() != 0)
        return -1;
    const QList<QByteArray> out = py.readAllStandardOutput().trimmed().split(' ');
    if (cells)
        *cells = out.value(1).toDouble();
    return out.value(0).toDouble();
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
        const double seconds = pythonSeconds(script, file, &cells);
        if (seconds < 0) {
            state.SkipWithError("the python reader failed (its package missing?)");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["cells"] = cells;
}

// A single-thread baseline of reading a sheet: minizip inflating the first sheet's part into
// libxml2's text reader on the calling thread, counting the cell elements and nothing more.
// Returns the count, -1 on a failure.
long long baselineCountCells(const QString& file)
{
    unzFile zip = unzOpen64(QFile::encodeName(file).constData());
    if (!zip)
        return -1;
    long long cells = -1;
    if (unzLocateFile(zip, "xl/worksheets/sheet1.xml", 0) == UNZ_OK &&
        unzOpenCurrentFile(zip) == UNZ_OK) {
        xmlTextReaderPtr reader = xmlReaderForIO(
            [](void* z, char* buffer, int size) { return unzReadCurrentFile(z, buffer, unsigned(size)); },
            [](void*) { return 0; }, zip, nullptr, nullptr, 0);
        if (reader) {
            cells = 0;
            int rc;
            while ((rc = xmlTextReaderRead(reader)) == 1)
                if (xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT &&
                    xmlStrEqual(xmlTextReaderConstLocalName(reader), BAD_CAST "c"))
                    ++cells;
            if (rc != 0)
                cells = -1;
            xmlFreeTextReader(reader);
        }
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return cells;
}

double secondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) * 1e-9;
}

// Ours and the single-thread baseline in turn, three times each; the best of each, wall and CPU
// (every thread of the process) apart.
void BM_XlsxCellStoreBesideBaseline(benchmark::State& state)
{
    const QString file = xlsxBook();
    double ours = 1e9, baseline = 1e9, cpu = 1e9, baselineCpu = 1e9, peak = 0;
    int rows = 0;
    long long cells = 0;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            const double idle = benchmem::restartPeakMiB();
            const double cpu0 = processCpuSeconds();
            ours = qMin(ours, secondsOf([&] {
                            TXlsxFile book;
                            book.SetFileName(file);
                            book.Load();
                            rows = book.Workbook.GetFirstSheet()->RowCount;
                        }));
            cpu = qMin(cpu, processCpuSeconds() - cpu0);
            peak = qMax(peak, benchmem::peakMiB() - idle);
            const double baseCpu0 = processCpuSeconds();
            baseline = qMin(baseline, secondsOf([&] { cells = baselineCountCells(file); }));
            baselineCpu = qMin(baselineCpu, processCpuSeconds() - baseCpu0);
        }
        state.SetIterationTime(ours);
    }
    if (rows != kXlsxRows || cells != 6LL * kXlsxRows)
        state.SkipWithError("a reader did not read the whole sheet");
    state.counters["ours_s"] = ours;
    state.counters["ours_cpu_s"] = cpu;
    state.counters["baseline_s"] = baseline;
    state.counters["baseline_cpu_s"] = baselineCpu;
    state.counters["peak_above_idle_MiB"] = peak;
}
BENCHMARK(BM_XlsxCellStoreBesideBaseline)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The import and openpyxl in turn, twice each; the best of each.
void BM_XlsxImportBesideOpenpyxl(benchmark::State& state)
{
    const QString file = xlsxBook();
    double ours = 1e9, cpu = 1e9, openpyxl = 1e9, peak = 0;
    for (auto _ : state) {
        for (int round = 0; round < 2; ++round) {
            const RegisterImportRun run = importRegisterOnce(
                file, kXlsxRows, kMap, [] { return std::make_unique<TDurvel3Xlsx>(); });
            if (!run.error.isEmpty()) {
                state.SkipWithError(run.error.toStdString().c_str());
                return;
            }
            ours = qMin(ours, run.seconds);
            cpu = qMin(cpu, run.cpuSeconds);
            peak = qMax(peak, run.peakAboveIdleMiB);
            const double py = pythonSeconds(BANKFILE_BENCH_DIR "/openpyxl_read.py", file);
            if (py < 0) {
                state.SkipWithError("python3 openpyxl failed (python3-openpyxl missing?)");
                return;
            }
            openpyxl = qMin(openpyxl, py);
        }
        state.SetIterationTime(ours);
    }
    state.counters["ours_s"] = ours;
    state.counters["ours_cpu_s"] = cpu;
    state.counters["openpyxl_s"] = openpyxl;
    state.counters["peak_above_idle_MiB"] = peak;
}
BENCHMARK(BM_XlsxImportBesideOpenpyxl)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_XlsxImportMillionRows(benchmark::State& state)
{
    const double idle = importToRegister(state, xlsxBook(kXlsxMillion), kXlsxMillion, kMap,
                                         [] { return std::make_unique<TDurvel3Xlsx>(); });
    state.counters["peak_above_idle_MiB"] = benchmem::peakMiB() - idle;
}
BENCHMARK(BM_XlsxImportMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// What the XLSX page reads of a workbook: the sheet names and a tab's rows and columns.
void BM_XlsxPageOpens(benchmark::State& state)
{
    const QString file = xlsxBook(int(state.range(0)));
    int rows = 0;
    double idle = 0;
    for (auto _ : state) {
        idle = benchmem::restartPeakMiB();
        TXlsxFile book;
        book.SetCellLimits(256, 256);
        book.SetFileName(file);
        book.Load();
        rows = book.Workbook.GetFirstSheet()->RowCount;
    }
    if (rows != 256)
        state.SkipWithError("the preview did not read its rows");
    state.counters["peak_above_idle_MiB"] = benchmem::peakMiB() - idle;
}
BENCHMARK(BM_XlsxPageOpens)
    ->Arg(kXlsxRows)
    ->Arg(kXlsxMillion)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_OdsImportToRegister(benchmark::State& state)
{
    const double idle = importToRegister(state, odsBook(), kOdsRows, kMap,
                                         [] { return std::make_unique<TDurvel3ODS>(); });
    state.counters["peak_above_idle_MiB"] = benchmem::peakMiB() - idle;
}
BENCHMARK(BM_OdsImportToRegister)->Iterations(2)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_OdfpyLoadEveryCell(benchmark::State& state)
{
    pythonReader(state, BANKFILE_BENCH_DIR "/odf_load.py", odsBook());
}
BENCHMARK(BM_OdfpyLoadEveryCell)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// A document of that many different element names read by the stream reader, fed in 64 KiB
// pieces as an archive member is: under the name limit it is read, over it refused unparsed.
void BM_XmlStreamManyNames(benchmark::State& state)
{
    const int names = int(state.range(0));
    QByteArray doc = "<r>";
    for (int i = 0; i < names; ++i)
        doc += "<n" + QByteArray::number(i) + "/>";
    doc += "</r>";
    int refused = 0;
    for (auto _ : state) {
        qsizetype at = 0;
        auto r = xml::Reader::fromFunction([&](char* buffer, qint64 size) {
            const qint64 n = qMin<qint64>(qMin<qint64>(size, 65536), doc.size() - at);
            std::memcpy(buffer, doc.constData() + at, std::size_t(n));
            at += n;
            return n;
        });
        try {
            while (r->read()) {
            }
        } catch (const xml::XmlError&) {
            ++refused;
        }
    }
    state.counters["refused"] = refused;
    state.counters["MB"] = double(doc.size()) / 1e6;
}
BENCHMARK(BM_XmlStreamManyNames)
    ->Arg(60000)
    ->Arg(500000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BANKFILE_BENCH_MAIN(QCoreApplication)
