// The program's windows: start-up to the main window, group add through the template list
// window, and writing a bank file.
#include "BenchMain.h"
#include "BenchRows.h"

#include "app/core/banklines.h"
#include "app/groupgrid.h"
#include "app/helpers.h"
#include "app/startup.h"
#include "app/u_dm.h"
#include "app/u_main.h"
#include "app/u_sepah3.h"
#include "platform/dataaware/DBLookupComboBox.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"

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

} // namespace

BANKFILE_BENCH_MAIN(BankApplication)
