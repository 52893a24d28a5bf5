// The program's windows: start-up to the main window, group add through the template list
// window, and writing a bank file.
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchRows.h"

#include "app/core/banklines.h"
#include "app/groupgrid.h"
#include "app/helpers.h"
#include "app/startup.h"
#include "app/u_customer.h"
#include "app/u_dm.h"
#include "app/u_main.h"
#include "app/u_sepah3.h"
#include "platform/dataaware/DBLookupComboBox.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"

#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

qint64 addPlainTemplate(db::Connection* c)
{
    c->exec(QStringLiteral("insert into tbl_ghaleb (bank_name, tol_hesab, char_split, tol_price, "
                           "char_end, file_name, file_extention) values "
                           "(:n, '13', '-', '10', '+', 'pay', 'txt')"),
            {{QStringLiteral("n"), QStringLiteral("ملت")}});
    return c->lastInsertId();
}

// An existing database with a template, a register and a list, as a user's file would hold.
void fillExisting(db::Connection* c)
{
    addPlainTemplate(c);
    c->beginTransaction();
    for (int i = 0; i < 1000; ++i) {
        c->exec(
            QStringLiteral("insert into tbl_customer (Pers_number, First_Name, Last_Name, Hesab, "
                           "Price) values (:p, 'علی', 'رضایی', :h, :m)"),
            {{QStringLiteral("p"), QString::number(i + 1)},
             {QStringLiteral("h"), benchAccount(i)},
             {QStringLiteral("m"), benchAmount(i)}});
        c->exec(QStringLiteral("insert into tbl_detail (txt, price) values (:t, :m)"),
                {{QStringLiteral("t"), benchLine(i)}, {QStringLiteral("m"), benchAmount(i)}});
    }
    c->commit();
}

void BM_StartupToMainWindow(benchmark::State& state)
{
    TestDatabase base;
    fillExisting(base.connection());
    Tfrm_dm::setDatabaseFolder(base.folder());
    MessageLog log;
    for (auto _ : state) {
        if (!CreateForms()) {
            state.SkipWithError("CreateForms failed");
            break;
        }
        frm_main->show();
        QApplication::processEvents();
        state.PauseTiming();
        DestroyForms();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    DestroyForms();
    Tfrm_dm::setDatabaseFolder(QString());
    if (!log.messages.isEmpty())
        state.SkipWithError(log.texts().join(u'\n').toStdString().c_str());
}
BENCHMARK(BM_StartupToMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Pasted text of n rows: account, tab, amount with thousands separators.
QString pasteRows(int n)
{
    QString t;
    for (int i = 0; i < n; ++i) {
        QString amount = benchAmount(i);
        for (int at = int(amount.size()) - 3; at > 0; at -= 3)
            amount.insert(at, u',');
        t += benchAccount(i) + u'\t' + amount + QLatin1String("\r\n");
    }
    return t;
}

// Paste then group add into an empty list, the template chosen.
void BM_GroupAdd(benchmark::State& state)
{
    const int n = int(state.range(0));
    const QString text = pasteRows(n);
    TestDatabase base;
    const qint64 tpl = addPlainTemplate(base.connection());
    Tfrm_dm::setDatabaseFolder(base.folder());
    MessageLog log;
    if (!CreateForms()) {
        state.SkipWithError("CreateForms failed");
        return;
    }
    frm_main->show();
    frm_sepah3->show();
    QApplication::processEvents();
    frm_sepah3->DBLookupComboBox1->setKeyValue(tpl);
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ExecSql(QStringLiteral("delete from tbl_detail"));
        frm_dm->detail_ado->refresh();
        frm_sepah3->StringGrid1->clearAll();
        QApplication::processEvents();
        state.ResumeTiming();

        QString errors;
        frm_sepah3->StringGrid1->pasteText(text, &errors);
        frm_sepah3->BitBtn3Click();
        QApplication::processEvents();

        state.PauseTiming();
        added = frm_dm->detail_ado->recordCount();
        state.ResumeTiming();
    }
    state.counters["rows_added"] = added;
    // Seconds per added row, so that sizes compare directly.
    state.counters["s_per_row"] =
        benchmark::Counter(double(added) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * added);
    DestroyForms();
    Tfrm_dm::setDatabaseFolder(QString());
    if (!log.messages.isEmpty())
        state.SkipWithError(log.texts().join(u'\n').toStdString().c_str());
}
BENCHMARK(BM_GroupAdd)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->MinTime(0.5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_WriteBankFile(benchmark::State& state)
{
    const int n = int(state.range(0));
    QStringList lines;
    lines.reserve(n);
    lines << SepahHeader(QStringLiteral("1234567890123"));
    for (int i = 1; i < n; ++i)
        lines << SepahLine(benchAccount(i), benchAmount(i));
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("pay.txt"));
    for (auto _ : state)
        WriteBankFile(path, lines);
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(BM_WriteBankFile)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A register of n people, made straight through the keyed file's handle.
void fillRegister(db::Connection* c, int n)
{
    sqlite3* h = c->handle();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO tbl_customer (Pers_number, First_Name, Last_Name, Hesab, "
                       "Price, Chk) VALUES (?, ?, ?, ?, ?, ?)",
                       -1, &st, nullptr);
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < n; ++i) {
        const QStringList cells = benchCsvLine(i).split(u',');
        QByteArray utf8[5];
        for (int k = 0; k < 5; ++k) {
            utf8[k] = cells[k].toUtf8();
            sqlite3_bind_text(st, k + 1, utf8[k].constData(), int(utf8[k].size()), SQLITE_STATIC);
        }
        sqlite3_bind_int(st, 6, cells[5] == QLatin1String("1"));
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(st);
}

// The register window opened on a register of a million people (its query read, its grid
// shown); memory is the peak over the opening above the size just before it.
void BM_RegisterWindowOpens(benchmark::State& state)
{
    const int n = int(state.range(0));
    TestDatabase base;
    fillRegister(base.connection(), n);
    base.connection()->close();
    Tfrm_dm::setDatabaseFolder(base.folder());
    MessageLog log;
    // Signed: a figure below the idle size is shown as it is, never clamped to zero.
    double peakAbove = std::numeric_limits<double>::lowest();
    int shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!CreateForms()) {
            state.SkipWithError("CreateForms failed");
            break;
        }
        QApplication::processEvents();
        const double idle = benchmem::residentMiB();
        benchmem::resetPeak();
        state.ResumeTiming();

        frm_customer->show();
        QApplication::processEvents();

        state.PauseTiming();
        peakAbove = std::max(peakAbove, benchmem::peakMiB() - idle);
        shown = frm_dm->customer_ado->recordCount();
        frm_customer->hide();
        DestroyForms();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    Tfrm_dm::setDatabaseFolder(QString());
    if (shown != n)
        state.SkipWithError(QStringLiteral("the register showed %1 people").arg(shown).toUtf8());
    state.counters["peak_above_idle_MiB"] = peakAbove;
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RegisterWindowOpens)
    ->Arg(1000000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BANKFILE_BENCH_MAIN(BankApplication)
