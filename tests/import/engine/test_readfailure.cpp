// A thread that reads ahead and fails to allocate: the import fails with that, the program goes
// on. Every allocation through operator new on a thread other than the test's own fails while
// armed (the readers' producers are the only other threads of an import here).
#include "helper_fakes.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/Durvel3Xlsx.h"
#include "tests/support/XlsxBook.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<int> g_refused{0};
thread_local bool t_testThread = false;

void* allocate(std::size_t size)
{
    if (g_armed.load(std::memory_order_relaxed) && !t_testThread) {
        ++g_refused;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Column A numbered.
QList<ZipMember> workbook(int rows)
{
    QByteArray data;
    for (int r = 1; r <= rows; ++r)
        data += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) +
                "\"><v>" + QByteArray::number(r) + "</v></c></row>";
    return xlsxbook::oneSheet(data);
}

} // namespace

class TestReadFailure : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { t_testThread = true; }
    void cleanup() { g_armed = false; }

    void producerOutOfMemoryFailsTheImport_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << "text";
        QTest::newRow("xlsx") << "xlsx";
    }
    void producerOutOfMemoryFailsTheImport()
    {
        QFETCH(QString, kind);
        std::unique_ptr<TDurvel3> imp;
        if (kind == QLatin1String("text")) {
            // Large enough to be read ahead on a thread of its own.
            QByteArray text;
            for (int i = 0; text.size() < (1 << 20); ++i)
                text += QByteArray::number(i) + ",name " + QByteArray::number(i) + "\r\n";
            const QString path = m_dir.filePath(QStringLiteral("rows.csv"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
            f.close();
            auto ascii = std::make_unique<TDurvel3ASCII>();
            ascii->SetFileName(path);
            ascii->Comma = u',';
            imp = std::move(ascii);
        } else {
            const QString path = m_dir.filePath(QStringLiteral("rows.xlsx"));
            QVERIFY(writeZip(path, workbook(20000)));
            auto xlsx = std::make_unique<TDurvel3Xlsx>();
            xlsx->SetFileName(path);
            imp = std::move(xlsx);
        }
        DurvelCellStore grid(1, 0);
        intoGrid(*imp, grid, kind == QLatin1String("text") ? QStringLiteral("0=1")
                                                            : QStringLiteral("0=A"));
        // Unarmed, the import reads every row.
        QVERIFY(imp->Execute());
        QVERIFY(grid.RowCount() > 1000);

        DurvelCellStore failed(1, 0);
        imp->StringGrid = &failed;
        g_refused = 0;
        g_armed = true;
        bool raised = false;
        try {
            imp->Execute();
        } catch (const std::bad_alloc&) {
            raised = true;
        } catch (const std::exception& e) {
            raised = QString::fromUtf8(e.what()).contains(QLatin1String("memory"),
                                                          Qt::CaseInsensitive) ||
                     QString::fromUtf8(e.what()).contains(QLatin1String("bad_alloc"));
            QVERIFY2(raised, e.what());
        }
        g_armed = false;
        QVERIFY(raised);
        QVERIFY(g_refused > 0);
        // The program goes on: the same import runs again.
        DurvelCellStore again(1, 0);
        imp->StringGrid = &again;
        QVERIFY(imp->Execute());
        QCOMPARE(again.RowCount(), grid.RowCount());
    }
};

QTEST_GUILESS_MAIN(TestReadFailure)
#include "test_readfailure.moc"
