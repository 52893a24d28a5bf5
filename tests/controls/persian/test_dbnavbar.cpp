#include "controls/persian/DBNavBar.h"

#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "platform/dialogs/Dialogs.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QByteArray kKey = "navbar-test-key";

const char kLetters[NavBarButtonCount + 1] = "FPNLIDESCR";

// The enabled buttons as letters in button order: F P N L I D E S(post) C R.
QString enabledLetters(const TDBNavBar& bar)
{
    QString s;
    for (int i = 0; i < NavBarButtonCount; ++i)
        if (bar.button(TNavBarNavigateBtn(i))->isEnabled())
            s += QLatin1Char(kLetters[i]);
    return s;
}

TNavBarNavigateBtn buttonNamed(const QString& name)
{
    static const QStringList names = {"first",  "prior", "next", "last",   "insert",
                                      "delete", "edit",  "post", "cancel", "refresh"};
    const int i = int(names.indexOf(name));
    if (i < 0)
        qFatal("unknown button %s", qPrintable(name));
    return TNavBarNavigateBtn(i);
}

} // namespace

class TestDBNavBar : public QObject
{
    Q_OBJECT

private:
    // A fresh table with the given number of rows, a data set over it, open, and a bar bound to it.
    void setUpRows(int rows, const QString& sql = QStringLiteral("select id, name from t"))
    {
        m_bar.reset();
        m_ds.reset();
        m_conn.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QString path = m_dir->filePath(QStringLiteral("t.db"));
        db::Connection::createDatabase(
            path, kKey,
            QStringLiteral(
                "create table t (id integer primary key autoincrement, name varchar(20));"));
        m_conn = std::make_unique<db::Connection>();
        m_conn->open(path, kKey);
        for (int i = 1; i <= rows; ++i)
            m_conn->exec(QStringLiteral("insert into t (name) values (:n)"),
                         {{QStringLiteral("n"), QStringLiteral("row %1").arg(i)}});
        m_ds = std::make_unique<db::DataSet>(m_conn.get());
        m_ds->setSql(sql);
        m_ds->open();
        m_bar = std::make_unique<TDBNavBar>();
        m_bar->setDataSource(m_ds.get());
        m_bar->show();
    }

    int rowsInTable() const
    {
        return m_conn->scalar(QStringLiteral("select count(*) from t")).toInt();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<db::Connection> m_conn;
    std::unique_ptr<db::DataSet> m_ds;
    std::unique_ptr<TDBNavBar> m_bar;
    QList<dialogs::Message> m_messages;
    dialogs::Button m_answer = dialogs::Button::Ok;

private slots:
    void init()
    {
        m_messages.clear();
        m_answer = dialogs::Button::Ok;
        dialogs::setMessageHandler([this](const dialogs::Message& m) {
            m_messages.append(m);
            return m_answer;
        });
    }

    void cleanup()
    {
        dialogs::setMessageHandler({});
        m_bar.reset();
        m_ds.reset();
        m_conn.reset();
        m_dir.reset();
    }

    void deleteConfirmation_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<dialogs::Button>("answer");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("no confirmation") << false << dialogs::Button::Cancel << 0 << 1;
        QTest::newRow("confirmed") << true << dialogs::Button::Ok << 1 << 1;
        QTest::newRow("cancelled") << true << dialogs::Button::Cancel << 1 << 2;
    }

    void deleteConfirmation()
    {
        QFETCH(bool, confirm);
        QFETCH(dialogs::Button, answer);
        QFETCH(int, asked);
        QFETCH(int, rowsLeft);
        setUpRows(2);
        m_answer = answer;
        m_bar->setConfirmDelete(confirm);
        QTest::mouseClick(m_bar->button(nbDelete), Qt::LeftButton);
        QCOMPARE(m_messages.size(), asked);
        if (asked) {
            QCOMPARE(m_messages.first().text, QStringLiteral("Delete record?"));
            QCOMPARE(m_messages.first().buttons, dialogs::Button::Ok | dialogs::Button::Cancel);
        }
        QCOMPARE(rowsInTable(), rowsLeft);
        QCOMPARE(m_ds->recordCount(), rowsLeft);
    }

    void assignedHandlerReplacesDefault()
    {
        setUpRows(3);
        QStringList log;
        m_bar->BeforeAction = [&](QObject* sender, TNavBarNavigateBtn b) {
            QCOMPARE(sender, m_bar.get());
            log << QStringLiteral("before %1").arg(int(b));
        };
        m_bar->OnBtnNext = [&](QObject*) { log << QStringLiteral("own next"); };
        m_bar->OnClick = [&](QObject*, TNavBarNavigateBtn b) {
            log << QStringLiteral("click %1").arg(int(b));
        };
        QTest::mouseClick(m_bar->button(nbNext), Qt::LeftButton);
        QCOMPARE(m_ds->recNo(), 1);
        QCOMPARE(log, QStringList({"before 2", "own next", "click 2"}));

        // Other buttons keep their default actions.
        log.clear();
        m_bar->BtnClick(nbLast);
        QCOMPARE(m_ds->recNo(), 3);
        QCOMPARE(log, QStringList({"before 3", "click 3"}));
    }

    void ownDeleteHandlerAsksNothing()
    {
        setUpRows(2);
        int calls = 0;
        m_bar->OnBtnDelete = [&](QObject*) { ++calls; };
        m_bar->BtnClick(nbDelete);
        QCOMPARE(calls, 1);
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(rowsInTable(), 2);
    }

    void nothingHappensWithoutActiveDataSet()
    {
        setUpRows(2);
        int calls = 0;
        m_bar->BeforeAction = [&](QObject*, TNavBarNavigateBtn) { ++calls; };
        m_bar->OnBtnFirst = [&](QObject*) { ++calls; };
        m_bar->OnClick = [&](QObject*, TNavBarNavigateBtn) { ++calls; };
        m_ds->close();
        m_bar->BtnClick(nbFirst);
        m_bar->setDataSource(nullptr);
        m_bar->BtnClick(nbFirst);
        QCOMPARE(calls, 0);
    }

    void enabling_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("enabled");
        const QString table = QStringLiteral("select id, name from t");
        QTest::newRow("empty") << table << 0 << QStringList() << "IER";
        QTest::newRow("at first") << table << 3 << QStringList() << "NLIDER";
        QTest::newRow("in the middle") << table << 3 << QStringList{"next"} << "FPNLIDER";
        QTest::newRow("at last") << table << 3 << QStringList{"last"} << "FPIDER";
        QTest::newRow("next past the end") << table << 2 << QStringList{"next", "next"} << "FPIDER";
        QTest::newRow("back to first") << table << 3 << QStringList{"last", "first"} << "NLIDER";
        QTest::newRow("editing") << table << 3 << QStringList{"edit"} << "NLIDSCR";
        QTest::newRow("inserting into empty") << table << 0 << QStringList{"insert"} << "ISCR";
        QTest::newRow("after post") << table << 3 << QStringList{"edit", "post"} << "NLIDER";
        QTest::newRow("after cancel") << table << 3 << QStringList{"edit", "cancel"} << "NLIDER";
        QTest::newRow("one row read past its end") << table << 1 << QStringList{"next"} << "IDER";
        QTest::newRow("read only")
            << QStringLiteral("select name from t") << 3 << QStringList() << "NL";
        QTest::newRow("read only at last")
            << QStringLiteral("select name from t") << 3 << QStringList{"last"} << "FP";
    }

    void enabling()
    {
        QFETCH(QString, sql);
        QFETCH(int, rows);
        QFETCH(QStringList, clicks);
        QFETCH(QString, enabled);
        setUpRows(rows, sql);
        for (const QString& c : clicks)
            m_bar->BtnClick(buttonNamed(c));
        QCOMPARE(enabledLetters(*m_bar), enabled);
    }

    void enablingFollowsChangesMadeElsewhere()
    {
        setUpRows(3);
        m_ds->last();
        QCOMPARE(enabledLetters(*m_bar), QStringLiteral("FPIDER"));
        m_ds->edit();
        QCOMPARE(enabledLetters(*m_bar), QStringLiteral("FPIDSCR"));
        m_ds->cancel();
        m_ds->close();
        QCOMPARE(enabledLetters(*m_bar), QString());
        m_ds->open();
        QCOMPARE(enabledLetters(*m_bar), QStringLiteral("NLIDER"));
    }

    // A grid moves the data set by row number, which leaves the read-past flags alone: the
    // buttons follow where the current row stands.
    void enablingFollowsMovesByRowNumber_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("onto the last row") << 3 << QList<int>{3} << "FPIDER";
        QTest::newRow("onto the first row") << 3 << QList<int>{3, 1} << "NLIDER";
        QTest::newRow("into the middle") << 3 << QList<int>{3, 2} << "FPNLIDER";
        QTest::newRow("the only row") << 1 << QList<int>{1} << "IDER";
    }

    void enablingFollowsMovesByRowNumber()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, moves);
        QFETCH(QString, enabled);
        setUpRows(rows);
        for (int recNo : moves)
            m_ds->setRecNo(recNo);
        QCOMPARE(enabledLetters(*m_bar), enabled);
    }

    void sizeFollowsTheFont_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("layout");
        QTest::newRow("ordinary, glyph on top") << 1.0 << int(blGlyphTop);
        QTest::newRow("a quarter larger, glyph on top") << 1.25 << int(blGlyphTop);
        QTest::newRow("half as large again, glyph on top") << 1.5 << int(blGlyphTop);
        QTest::newRow("half as large again, glyph beside") << 1.5 << int(blGlyphLeft);
    }

    // A larger font keeps the glyphs at least their ordinary size and every caption whole.
    void sizeFollowsTheFont()
    {
        QFETCH(double, factor);
        QFETCH(int, layout);
        TDBNavBar bar;
        QFont f = bar.font();
        f.setPointSizeF(9 * factor);
        bar.setFont(f);
        bar.setLayout(TButtonLayout(layout));
        bar.setVisibleButtons({nbFirst, nbPrior, nbNext, nbLast, nbDelete});
        bar.setCaptions({"اولين", "قبلي", "بعدي", "آخرين", "", "حذف"});
        const QFontMetrics fm(f);
        QVERIFY(bar.glyphSide() >= 16);
        QVERIFY(bar.glyphSide() >= fm.height());
        const QSize min = bar.minimumSizeHint();
        const bool stacked = layout == blGlyphTop;
        QVERIFY(min.height() >= (stacked ? bar.glyphSide() + fm.height() : bar.glyphSide()));
        QVERIFY(min.width() >= 5 * fm.horizontalAdvance(QStringLiteral("آخرين")));
        QCOMPARE(bar.sizeHint(), QSize(300, 25).expandedTo(min));
    }

    void disabledBarComesBackInStep()
    {
        setUpRows(3);
        m_bar->setEnabled(false);
        QCOMPARE(enabledLetters(*m_bar), QString());
        m_ds->last();
        m_bar->setEnabled(true);
        QCOMPARE(enabledLetters(*m_bar), QStringLiteral("FPIDER"));
    }

    void lostDataSetDisablesEverything()
    {
        setUpRows(3);
        m_ds.reset();
        QCOMPARE(enabledLetters(*m_bar), QString());
        m_bar->BtnClick(nbNext);
        QCOMPARE(m_bar->dataSource(), nullptr);
    }

    void dataErrorsAreShownNotThrown()
    {
        setUpRows(1);
        m_bar->OnBtnRefresh = [](QObject*) { throw db::Error(QStringLiteral("no way")); };
        int clicked = 0;
        m_bar->OnClick = [&](QObject*, TNavBarNavigateBtn) { ++clicked; };
        QTest::mouseClick(m_bar->button(nbRefresh), Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.first().text, QStringLiteral("no way"));
        QCOMPARE(m_messages.first().icon, dialogs::Icon::Error);
        QCOMPARE(clicked, 0);
    }

    void texts_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QStringList english;
        for (int i = 0; i < NavBarButtonCount; ++i)
            english << QString();
        const QStringList persian = {"اولين", "قبلي",   "بعدي", "آخرين",  "جديد",
                                     "حذف",   "ويرايش", "قبول", "انصراف", "بازيابي"};
        QTest::newRow("none") << QStringList() << english;
        QTest::newRow("all ten") << persian << persian;
        QStringList partial = english;
        partial[0] = persian[0];
        partial[2] = persian[2];
        QTest::newRow("blank and missing lines")
            << QStringList{persian[0], QString(), persian[2]} << partial;
    }

    void texts()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        TDBNavBar bar;
        bar.setCaptions(lines);
        bar.setHints(lines);
        for (int i = 0; i < NavBarButtonCount; ++i) {
            const auto b = TNavBarNavigateBtn(i);
            const bool fallback = expected[i].isEmpty();
            QCOMPARE(bar.button(b)->text(), fallback ? TDBNavBar::defaultCaption(b) : expected[i]);
            QCOMPARE(bar.button(b)->toolTip(), fallback ? TDBNavBar::defaultHint(b) : expected[i]);
        }
    }

    void visibleButtonsShareTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("even") << 300 << QList<int>{75, 75, 75, 75};
        QTest::newRow("remainder spread") << 303 << QList<int>{76, 76, 76, 75};
    }

    void visibleButtonsShareTheWidth()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, widths);
        TDBNavBar bar;
        bar.setVisibleButtons({nbFirst, nbPrior, nbNext, nbDelete});
        bar.resize(width, 40);
        bar.show();
        const QList<TNavBarNavigateBtn> shown = {nbFirst, nbPrior, nbNext, nbDelete};
        int x = 0;
        for (int k = 0; k < shown.size(); ++k) {
            const QRect g = bar.button(shown[k])->geometry();
            QCOMPARE(g, QRect(x, 0, widths[k], 40));
            x += widths[k];
        }
        QCOMPARE(x, width);
        for (TNavBarNavigateBtn b : {nbLast, nbInsert, nbEdit, nbPost, nbCancel, nbRefresh})
            QVERIFY(bar.button(b)->isHidden());

        // Showing all again lays all ten out over the width.
        bar.setVisibleButtons(TButtonSet::all());
        QCOMPARE(bar.button(nbRefresh)->geometry().right(), width - 1);
        QVERIFY(!bar.button(nbLast)->isHidden());
    }

    void repeatingButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("repeats");
        QTest::newRow("first") << int(nbFirst) << true;
        QTest::newRow("prior") << int(nbPrior) << true;
        QTest::newRow("next") << int(nbNext) << true;
        QTest::newRow("last") << int(nbLast) << true;
        QTest::newRow("insert") << int(nbInsert) << false;
        QTest::newRow("delete") << int(nbDelete) << false;
        QTest::newRow("edit") << int(nbEdit) << false;
        QTest::newRow("refresh") << int(nbRefresh) << false;
    }

    void repeatingButtons()
    {
        QFETCH(int, button);
        QFETCH(bool, repeats);
        setUpRows(5);
        m_ds->setRecNo(3);
        m_bar->setConfirmDelete(false);
        TNavBarButton* b = m_bar->button(TNavBarNavigateBtn(button));
        QVERIFY(b->isEnabled());
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(b->repeatTimer()->isActive(), repeats);
        QTest::mouseRelease(b, Qt::LeftButton);
        QVERIFY(!b->repeatTimer()->isActive());
    }

    void repeatWhileHeld()
    {
        setUpRows(5);
        TNavBarButton* next = m_bar->button(nbNext);
        QTest::mousePress(next, Qt::LeftButton);
        QCOMPARE(next->repeatTimer()->interval(), TNavBarButton::InitRepeatPause);
        QCOMPARE(TNavBarButton::InitRepeatPause, 400);
        QCOMPARE(m_ds->recNo(), 1); // the press alone does not move

        next->repeatTick();
        QCOMPARE(m_ds->recNo(), 2);
        QCOMPARE(next->repeatTimer()->interval(), TNavBarButton::RepeatPause);
        QCOMPARE(TNavBarButton::RepeatPause, 100);
        QVERIFY(next->repeatTimer()->isActive());

        next->repeatTick();
        QCOMPARE(m_ds->recNo(), 3);

        QTest::mouseRelease(next, Qt::LeftButton);
        QVERIFY(!next->repeatTimer()->isActive());
        QCOMPARE(m_ds->recNo(), 4); // the release is the ordinary click

        // A stray tick after the release moves nothing.
        next->repeatTick();
        QCOMPARE(m_ds->recNo(), 4);

        // The next hold starts with the long pause again.
        QTest::mousePress(next, Qt::LeftButton);
        QCOMPARE(next->repeatTimer()->interval(), TNavBarButton::InitRepeatPause);
        QTest::mouseRelease(next, Qt::LeftButton);
    }

    void repeatStopsAtTheEnd()
    {
        setUpRows(2);
        TNavBarButton* next = m_bar->button(nbNext);
        QTest::mousePress(next, Qt::LeftButton);
        next->repeatTick(); // onto the last row
        next->repeatTick(); // past it: Next turns off
        QVERIFY(!next->isEnabled());
        QVERIFY(!next->repeatTimer()->isActive());
        QCOMPARE(m_ds->recNo(), 2);
        QVERIFY(m_messages.isEmpty());
    }

    void keys()
    {
        setUpRows(3);
        m_bar->setConfirmDelete(false);
        m_bar->setVisibleButtons({nbFirst, nbNext, nbLast, nbDelete});
        QCOMPARE(m_bar->focusedButton(), nbFirst);
        QTest::keyClick(m_bar.get(), Qt::Key_Left);
        QCOMPARE(m_bar->focusedButton(), nbFirst);
        QTest::keyClick(m_bar.get(), Qt::Key_Right);
        QCOMPARE(m_bar->focusedButton(), nbNext);
        QTest::keyClick(m_bar.get(), Qt::Key_Space);
        QCOMPARE(m_ds->recNo(), 2);
        QTest::keyClick(m_bar.get(), Qt::Key_Right);
        QTest::keyClick(m_bar.get(), Qt::Key_Right);
        QTest::keyClick(m_bar.get(), Qt::Key_Right);
        QCOMPARE(m_bar->focusedButton(), nbDelete);
        QTest::keyClick(m_bar.get(), Qt::Key_Space);
        QCOMPARE(rowsInTable(), 2);
        QTest::keyClick(m_bar.get(), Qt::Key_Left);
        QCOMPARE(m_bar->focusedButton(), nbLast);

        // Hiding the focused button hands the focus mark to a visible one.
        m_bar->setVisibleButtons({nbFirst, nbPrior});
        QCOMPARE(m_bar->focusedButton(), nbFirst);
    }

    void spaceOnDisabledButtonDoesNothing()
    {
        setUpRows(2);
        int calls = 0;
        m_bar->OnBtnFirst = [&](QObject*) { ++calls; };
        QVERIFY(!m_bar->button(nbFirst)->isEnabled());
        QTest::keyClick(m_bar.get(), Qt::Key_Space);
        QCOMPARE(calls, 0);
    }

    void looks()
    {
        TDBNavBar bar;
        bar.setFlat(true);
        QVERIFY(bar.button(nbPost)->autoRaise());
        bar.setTransparent(true);
        QVERIFY(!bar.autoFillBackground());
        // Every layout paints without trouble, also when squeezed.
        for (TButtonLayout l : {blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom}) {
            bar.setLayout(l);
            for (QSize s : {QSize(300, 25), QSize(600, 60), QSize(20, 5)}) {
                bar.resize(s);
                QVERIFY(!bar.grab().isNull());
            }
        }
    }
};

QTEST_MAIN(TestDBNavBar)
#include "test_dbnavbar.moc"
