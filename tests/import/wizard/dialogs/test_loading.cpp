#include "import/wizard/dialogs/fuDurvel3Loading.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <stdexcept>

class TestLoading : public QObject
{
    Q_OBJECT

    int FDefaultTime = 0;

private slots:
    void initTestCase()
    {
        FDefaultTime = TfmDurvel3Loading::MinimumDisplayTime;
        TfmDurvel3Loading::MinimumDisplayTime = 0;
    }

    // A quick load still leaves the window up half a second from its showing, and the
    // user-interface thread runs meanwhile.
    void staysHalfASecond()
    {
        QCOMPARE(FDefaultTime, 500);
        QWidget owner;
        owner.show();
        QElapsedTimer shown;
        QPointer<TfmDurvel3Loading> seen;
        shown.start();
        {
            const auto loading =
                ShowLoading(&owner, QStringLiteral("/data/bank.xls"), FDefaultTime);
            seen = loading.get();
        }
        QVERIFY(shown.elapsed() < 400);
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        QTRY_VERIFY_WITH_TIMEOUT(ran, 200);
        while (!seen.isNull() && shown.elapsed() < 2000) {
            QVERIFY(seen->isVisible());
            QTest::qWait(10);
        }
        QVERIFY(seen.isNull());
        QVERIFY(shown.elapsed() >= 500);
    }

    // Up before the blocking work starts and gone on every way out, failures included.
    void shownDuringWorkAndClosedOnEveryExit_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("normal end") << false;
        QTest::newRow("failure") << true;
    }
    void shownDuringWorkAndClosedOnEveryExit()
    {
        QFETCH(bool, fails);
        QWidget owner;
        owner.show();
        QPointer<TfmDurvel3Loading> seen;
        bool visibleDuringWork = false;
        try {
            auto loading = ShowLoading(&owner, QStringLiteral("/data/payroll/1405/bank.xls"));
            seen = loading.get();
            visibleDuringWork = loading->isVisible();
            if (fails)
                throw std::runtime_error("damaged file");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(visibleDuringWork);
        QVERIFY(seen.isNull());
        QVERIFY(owner.findChildren<TfmDurvel3Loading*>().isEmpty());
    }

    // The window stays on top: it is gone before a message about the work can show, whether
    // the work failed, a dialog is shown within its half second, or the wizard is about to
    // tell something.
    void neverOverAMessage_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the work failed") << "failed";
        QTest::newRow("a dialog shown") << "dialog";
        QTest::newRow("told to go") << "told";
    }
    void neverOverAMessage()
    {
        QFETCH(QString, how);
        QWidget owner;
        owner.show();
        QPointer<TfmDurvel3Loading> seen;
        try {
            auto loading = ShowLoading(&owner, QStringLiteral("/data/bank.xls"), FDefaultTime);
            seen = loading.get();
            if (how == QLatin1String("failed"))
                throw std::runtime_error("damaged file");
        } catch (const std::runtime_error&) {
        }
        bool covered = false;
        if (how == QLatin1String("dialog")) {
            QVERIFY(seen && seen->isVisible());
            QMessageBox box(&owner);
            box.setText(QStringLiteral("The file is damaged"));
            QTimer::singleShot(0, &box, [&] {
                covered = seen && seen->isVisible();
                box.accept();
            });
            box.exec();
        } else if (how == QLatin1String("told")) {
            QVERIFY(seen && seen->isVisible());
            TfmDurvel3Loading::CloseFinished();
        }
        QVERIFY(!covered);
        QVERIFY(seen.isNull());
        // A later dialog finds nothing to close.
        QMessageBox box(&owner);
        QTimer::singleShot(0, &box, [&] { box.accept(); });
        box.exec();
    }

    // A window waiting out its time goes with its owner; nothing of it is closed again later.
    void goneWithItsOwner()
    {
        auto owner = std::make_unique<QWidget>();
        owner->show();
        QPointer<TfmDurvel3Loading> seen;
        {
            const auto loading = ShowLoading(owner.get(), QStringLiteral("/data/a.xls"), 500);
            seen = loading.get();
        }
        QVERIFY(seen);
        owner.reset();
        QVERIFY(seen.isNull());
        TfmDurvel3Loading::CloseFinished();
        QMessageBox box;
        QTimer::singleShot(0, &box, [&] { box.accept(); });
        box.exec();
    }

    // A long path gives way at its leading folders; the file's own name stays.
    void longPathShortenedFromTheFront()
    {
        const QString path = QStringLiteral("/home/clerk/") + QString(200, u'x') +
                             QStringLiteral("/payments/list.xls");
        auto loading = ShowLoading(nullptr, path);
        auto* info = loading->findChild<QLabel*>(QStringLiteral("pbLoadingInfo"));
        QVERIFY(info);
        QVERIFY(info->text().size() < path.size());
        QVERIFY(info->text().endsWith(QStringLiteral("list.xls")));
        QVERIFY(info->text().contains(QStringLiteral("...")));
        QCOMPARE(loading->findChild<QLabel*>(QStringLiteral("laLoading_01"))->text(),
                 QStringLiteral("Loading..."));
    }
};

QTEST_MAIN(TestLoading)
#include "test_loading.moc"
