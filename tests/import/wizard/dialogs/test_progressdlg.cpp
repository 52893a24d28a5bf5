#include "import/engine/Durvel3.h"
#include "import/wizard/dialogs/fuDurvel3ProgressDlg.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScopeGuard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// An import with nothing to read: only its cancel flag matters here.
class IdleImport : public TDurvel3
{
protected:
    void OpenSource() override {}
    bool HasMoreRows() override { return false; }
    bool SkipRow() override { return false; }
    void ReadRow() override {}
    void NextRow() override {}
};

using Dlg = TfmDurvel3ProgressDlg;

QString text(Dlg& d, const char* name)
{
    auto* w = d.findChild<QLabel*>(name);
    return w ? w->text() : QStringLiteral("<missing %1>").arg(name);
}

QPushButton* cancelButton(Dlg& d)
{
    return d.findChild<QPushButton*>("bCancel");
}

// Posts "code:value" pairs and lets them arrive.
void post(Dlg& d, const QString& events)
{
    for (const QString& e : events.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList cv = e.split(u':');
        d.PostProgress(cv.at(0).toInt(), cv.at(1).toInt());
    }
    // The labels follow within 40 ms; a loaded machine may take longer.
    QTest::qWait(60);
    const auto refreshPending = [&d] {
        for (const QTimer* t : d.findChildren<QTimer*>())
            if (t->isSingleShot() && t->isActive())
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!refreshPending(), 5000);
}

} // namespace

class TestProgressDlg : public QObject
{
    Q_OBJECT

private slots:
    void counters_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QStringList>("values"); // processed inserted updated deleted errors
                                                 // committed
        QTest::addColumn<QString>("percent");
        QTest::addColumn<bool>("barShown");
        QTest::newRow("no total") << "1:0 3:1 3:1" << QStringList{"2", "2", "0", "0", "0", "0"}
                                  << "0%" << false;
        QTest::newRow("kinds") << "1:0 6:8 3:1 3:2 3:3 3:0"
                               << QStringList{"4", "1", "1", "1", "0", "0"} << "50%" << true;
        QTest::newRow("error of three steps once")
            << "6:4 2:3" << QStringList{"3", "0", "0", "0", "3", "0"} << "25%" << true;
        QTest::newRow("advanced errors do not count as processed")
            << "6:4 7:2" << QStringList{"0", "0", "0", "0", "2", "0"} << "0%" << true;
        QTest::newRow("commit takes the written rows")
            << "3:1 3:2 2:1 4:0 3:1" << QStringList{"4", "2", "1", "0", "1", "2"} << "0%" << false;
        // 1 of 8 is 12.5 %, a half that goes to the even neighbour.
        QTest::newRow("half to even")
            << "6:8 3:1" << QStringList{"1", "1", "0", "0", "0", "0"} << "12%" << true;
        // Skipped and header rows are part of the total but not reported one by one.
        QTest::newRow("finished fills the bar")
            << "1:1 6:4 3:1 3:1 3:1 5:0 1:3" << QStringList{"3", "3", "0", "0", "0", "0"}
            << "100%" << true;
        QTest::newRow("aborted keeps the bar")
            << "1:1 6:4 3:1 1:2 5:0" << QStringList{"1", "1", "0", "0", "0", "0"} << "25%" << true;
        QTest::newRow("a rollback returns to the last commit")
            << "3:1 3:1 4:0 3:1 3:2 3:0 2:1 8:3" << QStringList{"3", "2", "0", "0", "1", "2"}
            << "0%" << false;
        QTest::newRow("a rollback before any commit")
            << "3:1 3:3 3:2 8:3" << QStringList{"0", "0", "0", "0", "0", "0"} << "0%" << false;
        // A text source reports the share of it read: the bar follows that, not the rows.
        QTest::newRow("read share drives the bar")
            << "1:1 6:0 3:1 9:2500 3:1" << QStringList{"2", "2", "0", "0", "0", "0"} << "25%"
            << true;
        QTest::newRow("read share over a row total")
            << "6:100 3:1 9:7350 3:1 2:1" << QStringList{"3", "2", "0", "0", "1", "0"} << "74%"
            << true;
        QTest::newRow("read share, a later total leaves the bar")
            << "9:5000 6:3 3:1" << QStringList{"1", "1", "0", "0", "0", "0"} << "50%" << true;
        QTest::newRow("read share finished")
            << "1:1 9:9000 5:0 1:3" << QStringList{"0", "0", "0", "0", "0", "0"} << "100%" << true;
        // After a failure the import tells what the database kept.
        QTest::newRow("kept after a failure")
            << "3:1 3:1 4:0 3:1 8:1 10:2 1:2 5:0" << QStringList{"2", "2", "0", "0", "0", "2"}
            << "0%" << false;
        QTest::newRow("nothing kept after a failure")
            << "3:1 3:1 3:1 8:3 10:0 1:2 5:0" << QStringList{"0", "0", "0", "0", "0", "0"}
            << "0%" << false;
        QTest::newRow("unknown codes ignored")
            << "0:5 11:1 12:1" << QStringList{"0", "0", "0", "0", "0", "0"} << "0%" << false;
    }
    void counters()
    {
        QFETCH(QString, events);
        QFETCH(QStringList, values);
        QFETCH(QString, percent);
        QFETCH(bool, barShown);
        Dlg d(nullptr, nullptr);
        d.show();
        post(d, events);
        const QStringList got{text(d, "laProcessedValue"), text(d, "laInsertedValue"),
                              text(d, "laUpdatedValue"),   text(d, "laDeletedValue"),
                              text(d, "laErrorsValue"),    text(d, "laCommittedValue")};
        QCOMPARE(got, values);
        QCOMPARE(text(d, "laPercent"), percent);
        QCOMPARE(d.findChild<QProgressBar*>("prbImport")->isVisible(), barShown);
    }

    void states_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("clock");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("preparing") << "1:0"
                                   << "Preparing" << true << "Cancel"
                                   << "Importing...";
        QTest::newRow("importing") << "1:0 1:1"
                                   << "Importing..." << true << "Cancel"
                                   << "Importing...";
        QTest::newRow("paused") << "1:1 1:4"
                                << "Paused" << false << "Cancel"
                                << "Importing...";
        QTest::newRow("resumed") << "1:1 1:4 1:5"
                                 << "Importing..." << true << "Cancel"
                                 << "Importing...";
        QTest::newRow("aborted") << "1:1 1:2 5:0"
                                 << "Aborted" << false << "OK"
                                 << "Import finished";
        QTest::newRow("finished") << "1:1 5:0 1:3"
                                  << "Finished" << false << "OK"
                                  << "Import finished";
        QTest::newRow("unknown state") << "1:9"
                                       << "" << false << "Cancel"
                                       << "Importing...";
    }
    void states()
    {
        QFETCH(QString, events);
        QFETCH(QString, state);
        QFETCH(bool, clock);
        QFETCH(QString, button);
        QFETCH(QString, title);
        Dlg d(nullptr, nullptr);
        d.show();
        post(d, events);
        QCOMPARE(text(d, "laStateValue"), state);
        QCOMPARE(d.ClockRunning(), clock);
        QCOMPARE(cancelButton(d)->text(), button);
        QCOMPARE(d.windowTitle(), title);
    }

    // Escape and the close box cannot end the dialog while the import runs; afterwards they
    // mean OK, so the run's wait always ends.
    void escapeAndCloseWhileRunning_data()
    {
        QTest::addColumn<bool>("useClose");
        QTest::newRow("escape") << false;
        QTest::newRow("close box") << true;
    }
    void escapeAndCloseWhileRunning()
    {
        QFETCH(bool, useClose);
        IdleImport imp;
        Dlg d(nullptr, &imp);
        d.show();
        QSignalSpy ok(&d, &Dlg::OkPressed);
        post(d, "1:0 1:1");
        auto dismiss = [&] {
            if (useClose)
                d.close();
            else
                QTest::keyClick(&d, Qt::Key_Escape);
        };
        dismiss();
        QVERIFY(d.isVisible());
        QCOMPARE(d.ModalResult(), Dlg::mrNone);
        QVERIFY(!imp.Canceled());
        post(d, "5:0");
        dismiss();
        QCOMPARE(d.ModalResult(), Dlg::mrOk);
        QCOMPARE(ok.count(), 1);
    }

    void cancelAsksTheImportAndStays()
    {
        IdleImport imp;
        Dlg d(nullptr, &imp);
        d.show();
        post(d, "1:0 1:1");
        QTest::mouseClick(cancelButton(d), Qt::LeftButton);
        QVERIFY(imp.Canceled());
        QVERIFY(d.isVisible());
        QCOMPARE(d.ModalResult(), Dlg::mrCancel);
        post(d, "1:2 5:0");
        QTimer::singleShot(0, &d, [&] { QTest::mouseClick(cancelButton(d), Qt::LeftButton); });
        d.WaitForOk();
        QCOMPARE(d.ModalResult(), Dlg::mrOk);
        QVERIFY(!d.isVisible());
    }

    // Once the import has ended the dialog is the active window, in front of the window it
    // belongs to, which it leaves usable (no modality).
    void endBringsTheDialogToTheFront()
    {
        QWidget owner;
        owner.resize(400, 300);
        owner.show();
        Dlg d(&owner, nullptr);
        d.show();
        post(d, "1:0 1:1");
        owner.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &owner);
        post(d, "1:2 5:0");
        QTRY_COMPARE(QApplication::activeWindow(), &d);
        QVERIFY(!d.isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    // In a program laid out right to left the dialog is still left to right, and its bar
    // fills from the left.
    void barFillsInTheDialogsDirection()
    {
        QApplication::setLayoutDirection(Qt::RightToLeft);
        const auto restore = qScopeGuard([] { QApplication::setLayoutDirection(Qt::LeftToRight); });
        Dlg d(nullptr, nullptr);
        d.show();
        post(d, "1:1 6:4 3:1");
        auto* bar = d.findChild<QProgressBar*>("prbImport");
        QCOMPARE(d.layoutDirection(), Qt::LeftToRight);
        QCOMPARE(bar->layoutDirection(), Qt::LeftToRight);
        QCOMPARE(bar->value(), 1);
        const QImage img = bar->grab().toImage();
        const int y = img.height() / 2;
        const QColor filled = img.pixelColor(img.width() / 8, y);
        const QColor empty = img.pixelColor(img.width() * 7 / 8, y);
        const QColor highlight = bar->palette().color(QPalette::Highlight);
        const auto distance = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue());
        };
        QVERIFY2(distance(filled, highlight) < distance(empty, highlight),
                 qPrintable(filled.name() + u' ' + empty.name()));
    }

    // The shown time follows the real clock and stands while paused.
    void elapsedTimeIsRealAndPauses()
    {
        Dlg d(nullptr, nullptr);
        d.show();
        post(d, "1:0");
        QTest::qWait(1100);
        QVERIFY(d.ElapsedMs() >= 1000);
        // The clock ticks each second; under load a tick may come late.
        QTRY_VERIFY_WITH_TIMEOUT(text(d, "laTimeValue").startsWith(QLatin1String("0:00:0")) &&
                                     text(d, "laTimeValue") != QLatin1String("0:00:00"),
                                 5000);
        post(d, "1:4");
        const qint64 paused = d.ElapsedMs();
        QTest::qWait(300);
        QCOMPARE(d.ElapsedMs(), paused);
        post(d, "1:5");
        QTest::qWait(50);
        QVERIFY(d.ElapsedMs() > paused);
    }
};

QTEST_MAIN(TestProgressDlg)
#include "test_progressdlg.moc"
