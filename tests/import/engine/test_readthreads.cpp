// An import starts a fixed, small number of threads, however many rows its file holds: the
// threads of the process are counted while each kind of file is imported, small and large.
#include "helper_fakes.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/Durvel3ODS.h"
#include "import/engine/Durvel3XLS.h"
#include "import/engine/Durvel3Xlsx.h"
#include "tests/support/BiffBuilder.h"
#include "tests/support/XlsxBook.h"
#include "tests/support/ZipBuilder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <thread>

namespace {

int threadCount()
{
    DIR* dir = opendir("/proc/self/task");
    if (!dir)
        return -1;
    int n = 0;
    while (const dirent* e = readdir(dir))
        if (e->d_name[0] != '.')
            ++n;
    closedir(dir);
    return n;
}

// The most threads seen beside the caller's (and the counter's own) while Work runs.
int extraThreadsDuring(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::atomic<int> most{0};
    int before = 0;
    std::thread counter([&] {
        while (!done.load()) {
            most = std::max(most.load(), threadCount());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    // The counter is running: it counts itself from now on.
    while (threadCount() < 2)
        std::this_thread::yield();
    before = threadCount();
    std::exception_ptr failure;
    try {
        work();
    } catch (...) {
        failure = std::current_exception();
    }
    done = true;
    counter.join();
    if (failure)
        std::rethrow_exception(failure);
    return most - before;
}

// Column A a number, B a shared string of its own.
QList<ZipMember> xlsxBook(int rows)
{
    QByteArray data, strings;
    for (int r = 1; r <= rows; ++r) {
        const QByteArray n = QByteArray::number(r);
        data += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c><c r=\"B" + n +
                "\" t=\"s\"><v>" + QByteArray::number(r - 1) + "</v></c></row>";
        strings += "<si><t>name " + n + "</t></si>";
    }
    return xlsxbook::oneSheet(data, strings);
}

QList<ZipMember> odsBook(int rows)
{
    QByteArray table = "<t:table t:name=\"S\">";
    for (int r = 1; r <= rows; ++r)
        table += "<t:table-row><t:table-cell><x:p>" + QByteArray::number(r) +
                 "</x:p></t:table-cell></t:table-row>";
    table += "</t:table>";
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", true},
            {"content.xml", "<?xml version=\"1.0\"?><o:document-content "
                            "xmlns:o=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                            "xmlns:t=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                            "xmlns:x=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">"
                            "<o:body><o:spreadsheet>" +
                                table + "</o:spreadsheet></o:body></o:document-content>"}};
}

QByteArray xlsBook(int rows)
{
    QByteArray cells;
    for (int r = 0; r < rows; ++r)
        cells += biff::number(r, 0, r + 1);
    return biff::compoundFile(
        {{QStringLiteral("Workbook"), biff::workbook(biff::standardFormats(), {{"S", cells}})}});
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestReadThreads : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_resting = 0; // the test's own threads (its watchdog among them)

private slots:
    void initTestCase() { m_resting = threadCount(); }

    void threadsAreFewWhateverTheRows_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("most"); // threads an import may start
        // Text and XLS: the rows read ahead. XLSX: the sheet inflated, parsed and made into
        // rows ahead, and its shared strings inflated and parsed ahead. ODS: its content
        // parsed ahead (and inflated there).
        for (const auto& [kind, most] : {std::pair<const char*, int>{"text", 1},
                                         {"xls", 1},
                                         {"xlsx", 5},
                                         {"ods", 1}})
            for (const int rows : {10, 30000})
                QTest::addRow("%s, %d rows", kind, rows) << QString::fromLatin1(kind) << rows << most;
    }
    void threadsAreFewWhateverTheRows()
    {
        QFETCH(QString, kind);
        QFETCH(int, rows);
        QFETCH(int, most);
        const QString path = m_dir.filePath(kind + QString::number(rows));
        std::unique_ptr<TDurvel3> imp;
        QString map = QStringLiteral("0=A");
        if (kind == QLatin1String("text")) {
            QByteArray text;
            for (int r = 1; r <= rows; ++r)
                text += QByteArray::number(r) + ",name " + QByteArray::number(r) + "\r\n";
            QVERIFY(writeFile(path, text));
            auto ascii = std::make_unique<TDurvel3ASCII>();
            ascii->Comma = u',';
            imp = std::move(ascii);
            map = QStringLiteral("0=1");
        } else if (kind == QLatin1String("xls")) {
            QVERIFY(writeFile(path, xlsBook(rows)));
            imp = std::make_unique<TDurvel3XLS>();
            map = QStringLiteral("0=A1-A%1").arg(rows);
        } else if (kind == QLatin1String("xlsx")) {
            QVERIFY(writeZip(path, xlsxBook(rows)));
            imp = std::make_unique<TDurvel3Xlsx>();
        } else {
            QVERIFY(writeZip(path, odsBook(rows)));
            imp = std::make_unique<TDurvel3ODS>();
        }
        imp->SetFileName(path);
        DurvelCellStore grid(1, 0);
        intoGrid(*imp, grid, map);
        bool ok = false;
        int extra = 0;
        try {
            extra = extraThreadsDuring([&] { ok = imp->Execute(); });
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        QVERIFY(ok);
        QVERIFY2(grid.RowCount() >= rows, qPrintable(QString::number(grid.RowCount())));
        QVERIFY2(extra <= most, qPrintable(QStringLiteral("%1 threads").arg(extra)));
        // None is left behind.
        QTRY_COMPARE(threadCount(), m_resting);
    }
};

QTEST_GUILESS_MAIN(TestReadThreads)
#include "test_readthreads.moc"
