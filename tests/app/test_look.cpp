// What the clerk sees at other desktop fonts and palettes: nothing cut, nothing unreadable.
#include "app/fixedwindows.h"
#include "app/groupgrid.h"
#include "app/helpers.h"
#include "app/startup.h"
#include "app/u_about.h"
#include "app/u_customer.h"
#include "app/u_dm.h"
#include "app/u_ghaleb.h"
#include "app/u_main.h"
#include "app/u_sepah3.h"
#include "controls/persian/DBNavBar.h"
#include "controls/persian/DateEdit.h"
#include "controls/persian/EditCurrency.h"
#include "platform/dataaware/DBGrid.h"
#include "tests/support/DarkPalette.h"
#include "tests/support/TestDatabase.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

namespace {

// The application font at the ordinary 9 points times the factor, for as long as it lives.
class DesktopFont
{
public:
    explicit DesktopFont(double factor) : m_saved(QApplication::font())
    {
        QFont f = m_saved;
        f.setPointSizeF(9 * factor);
        QApplication::setFont(f);
    }
    ~DesktopFont() { QApplication::setFont(m_saved); }
    DesktopFont(const DesktopFont&) = delete;
    DesktopFont& operator=(const DesktopFont&) = delete;

private:
    QFont m_saved;
};

QList<QWidget*> programWindows()
{
    return {frm_main,  frm_customer, frm_ghaleb, frm_sepah3,
            frm_mali,  frm_sepah,    frm_sepah2, frm_about};
}

QString where(const QWidget* w)
{
    QString path = w->objectName().isEmpty() ? QLatin1String(w->metaObject()->className())
                                             : w->objectName();
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p->isWindow()) {
            path = p->objectName() + u'/' + path;
            break;
        }
    return path;
}

// Every text of the window that does not fit its box, described.
QStringList cutTexts(QWidget* window)
{
    QStringList cut;
    auto check = [&cut](const QWidget* w, const QString& what, int need, int have) {
        if (need > have)
            cut << QStringLiteral("%1 %2: needs %3, has %4").arg(where(w), what).arg(need).arg(have);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || qobject_cast<TNavBarButton*>(w))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && !l->text().isEmpty()) {
            for (const QString& line : l->text().split(u'\n'))
                check(l, line, fm.horizontalAdvance(line), l->contentsRect().width());
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) {
            check(b, b->text(), b->minimumSizeHint().width(), b->width());
            check(b, b->text() + QStringLiteral(" (height)"),
                  fm.tightBoundingRect(b->text()).height() + 4,
                  b->height());
        } else if (auto* e = qobject_cast<QLineEdit*>(w); e && !e->text().isEmpty()) {
            check(e, e->text(), fm.horizontalAdvance(e->text()) + 8, e->width());
        } else if (auto* d = qobject_cast<TDateEdit*>(w)) {
            check(d, d->Text(), fm.horizontalAdvance(d->Text()) + 8, d->width());
        } else if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty()) {
            check(g, g->title(), g->minimumSizeHint().width(), g->width());
        } else if (auto* nav = qobject_cast<TDBNavBar*>(w)) {
            check(nav, QStringLiteral("navigator width"), nav->minimumSizeHint().width(),
                  nav->width());
            check(nav, QStringLiteral("navigator height"), nav->minimumSizeHint().height(),
                  nav->height());
        } else if (auto* grid = qobject_cast<QTableView*>(w)) {
            const QHeaderView* h = grid->horizontalHeader();
            const QAbstractItemModel* m = grid->model();
            for (int c = 0; m && c < m->columnCount(); ++c) {
                if (grid->isColumnHidden(c))
                    continue;
                const QString title = m->headerData(c, Qt::Horizontal).toString();
                check(grid, QStringLiteral("title ") + title,
                      h->fontMetrics().horizontalAdvance(title) + 8, h->sectionSize(c));
                for (int r = 0; r < qMin(m->rowCount(), 20); ++r) {
                    const QString text = m->index(r, c).data().toString();
                    check(grid, QStringLiteral("cell ") + text, fm.horizontalAdvance(text) + 8,
                          grid->columnWidth(c));
                }
            }
        }
    }
    return cut;
}

// Every control of the window that lies, wholly or in part, outside it where no scroll bar can
// bring it into view.
QStringList outOfReach(QWidget* window)
{
    QStringList out;
    const QRect inside = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        bool scrolled = false;
        for (QWidget* p = w->parentWidget(); p && p != window && !scrolled; p = p->parentWidget())
            if (auto* area = qobject_cast<QAbstractScrollArea*>(p->parentWidget()))
                scrolled = p == area->viewport();
        if (scrolled)
            continue;
        const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
        if (!inside.contains(r))
            out << QStringLiteral("%1 at %2,%3 %4x%5, the window %6x%7")
                       .arg(where(w))
                       .arg(r.x())
                       .arg(r.y())
                       .arg(r.width())
                       .arg(r.height())
                       .arg(inside.width())
                       .arg(inside.height());
    }
    return out;
}

// A screen larger than any tested one, so that the windows are made as large as they like and
// the tests choose the free area they are kept to.
void useLargeOffscreenScreen()
{
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    static QTemporaryFile config;
    if (!config.open())
        return;
    config.write(R"({"screens": [{"name": "large", "x": 0, "y": 0, "width": 1920,
                  "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
}

} // namespace

class TestLook : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestDatabase> m_db;

    void createForms()
    {
        m_db = std::make_unique<TestDatabase>();
        db::Connection* c = m_db->connection();
        c->exec(QStringLiteral("insert into tbl_customer (Pers_number, First_Name, Last_Name, "
                               "Hesab, Price) values ('1001', 'علي', 'محمدي تهراني', "
                               "'000002222333', '15000000'), ('1002', 'زهرا', 'حسيني', "
                               "'123456789012345', '2500000')"));
        c->exec(QStringLiteral("insert into tbl_ghaleb (bank_name, tol_hesab, tol_price) "
                               "values ('بانك ملت - حقوق', '16', '12')"));
        for (int i = 0; i < 3; ++i)
            c->exec(QStringLiteral("insert into tbl_detail (txt, price) values (:t, '1')"),
                    {{QStringLiteral("t"), QStringLiteral("00000222233300000150000%1").arg(i)}});
        Tfrm_dm::setDatabaseFolder(m_db->folder());
        QVERIFY(CreateForms());
    }

private slots:
    void cleanup()
    {
        DestroyForms();
        Tfrm_dm::setDatabaseFolder(QString());
        m_db.reset();
    }

    void nothingCutAtLargerFonts_data()
    {
        QTest::addColumn<double>("factor");
        QTest::newRow("ordinary font") << 1.0;
        QTest::newRow("a quarter larger") << 1.25;
        QTest::newRow("half as large again") << 1.5;
    }

    void nothingCutAtLargerFonts()
    {
        QFETCH(double, factor);
        DesktopFont font(factor);
        createForms();
        frm_sepah3->StringGrid1->pasteText(QStringLiteral("0000000000000222\t15,000,000\r\n"),
                                           nullptr);
        QStringList cut;
        for (QWidget* w : programWindows()) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QCoreApplication::processEvents();
            cut << cutTexts(w);
            w->hide();
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    }

    void windowsKeepToTheScreen_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<QRect>("area");
        const QList<QPair<const char*, QRect>> areas = {
            {"1024x768", QRect(0, 0, 1024, 768)},
            {"1280x900", QRect(0, 0, 1280, 900)},
            {"1024x768 under a panel", QRect(0, 32, 1024, 736)},
            {"800x600", QRect(0, 0, 800, 600)}};
        for (const auto& [name, area] : areas)
            for (double factor : {1.0, 1.25, 1.5})
                QTest::addRow("%s at %.2fx", name, factor) << factor << area;
    }

    void windowsKeepToTheScreen()
    {
        QFETCH(double, factor);
        QFETCH(QRect, area);
        DesktopFont font(factor);
        createForms();
        frm_sepah3->StringGrid1->pasteText(QStringLiteral("0000000000000222\t15,000,000\r\n"),
                                           nullptr);
        // The boxes of the list windows hold values as long as they take.
        for (ListWindow* l : {static_cast<ListWindow*>(frm_mali), static_cast<ListWindow*>(frm_sepah),
                              static_cast<ListWindow*>(frm_sepah2),
                              static_cast<ListWindow*>(frm_sepah3)}) {
            l->txt_sh_personeli->setText(QStringLiteral("1234567890"));
            l->txt_shhesab->setText(QStringLiteral("0000000000000222").right(
                l == frm_mali ? 10 : l == frm_sepah ? 13 : l == frm_sepah2 ? 8 : 16));
            l->EditCurrency1->setText(QStringLiteral("150,000,000,000"));
        }
        QStringList faults;
        for (QWidget* w : programWindows()) {
            // Placed where its bottom would leave the area.
            w->move(area.topLeft() + QPoint(40, area.height() / 2));
            KeepWithin(w, area);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QCoreApplication::processEvents();
            const QRect frame(w->pos(), w->size().grownBy(FrameMargins(w)));
            if (!area.contains(frame))
                faults << QStringLiteral("%1: frame %2,%3 %4x%5")
                              .arg(w->objectName())
                              .arg(frame.x())
                              .arg(frame.y())
                              .arg(frame.width())
                              .arg(frame.height());
            const QSize least = w->minimumSizeHint();
            if (least.width() > w->width() || least.height() > w->height())
                faults << QStringLiteral("%1: squeezed to %2x%3 below %4x%5")
                              .arg(w->objectName())
                              .arg(w->width())
                              .arg(w->height())
                              .arg(least.width())
                              .arg(least.height());
            faults << outOfReach(w) << cutTexts(w);
            w->hide();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    void contentsScrollWhereTheyCannotFit()
    {
        DesktopFont font(1.5);
        createForms();
        auto tabOrder = [](QWidget* window) {
            QStringList names;
            QWidget* w = window;
            do {
                if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty())
                    names << w->objectName();
                w = w->nextInFocusChain();
            } while (w && w != window);
            return names;
        };
        const QRect area(0, 0, 560, 420);
        for (QWidget* w : {static_cast<QWidget*>(frm_sepah3), static_cast<QWidget*>(frm_customer),
                           static_cast<QWidget*>(frm_ghaleb), static_cast<QWidget*>(frm_mali)}) {
            const QStringList before = tabOrder(w);
            const QSize room = area.size().shrunkBy(FrameMargins(w));
            QVERIFY(w->minimumSizeHint().width() > room.width() ||
                    w->minimumSizeHint().height() > room.height());
            KeepWithin(w, area);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QCoreApplication::processEvents();
            QVERIFY2(w->findChild<QScrollArea*>(QStringLiteral("fitScroll")),
                     qPrintable(w->objectName()));
            QVERIFY(area.contains(QRect(w->pos(), w->size().grownBy(FrameMargins(w)))));
            QVERIFY2(outOfReach(w).isEmpty(), qPrintable(outOfReach(w).join(u'\n')));
            // The controls stay the window's, in the order the Tab key took before.
            QCOMPARE(tabOrder(w), before);
            w->hide();
        }
    }

    // A list of a hundred thousand rows and more, and a register whose keys have grown as
    // far: the record number and the key are shown whole.
    void sixDigitNumbersShownWhole_data() { nothingCutAtLargerFonts_data(); }
    void sixDigitNumbersShownWhole()
    {
        QFETCH(double, factor);
        DesktopFont font(factor);
        createForms();
        QStringList cut;
        const QList<QPair<QWidget*, dataaware::DBGrid*>> grids = {
            {frm_sepah3, frm_sepah3->DBGrid1},
            {frm_mali, frm_mali->DBGrid1},
            {frm_sepah, frm_sepah->DBGrid1},
            {frm_sepah2, frm_sepah2->DBGrid1},
            {frm_customer, frm_customer->DBGrid1}};
        for (const auto& [w, grid] : grids) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QCoreApplication::processEvents();
            const QFontMetrics fm = grid->fontMetrics();
            for (char16_t d = u'0'; d <= u'9'; ++d) {
                const QString number(6, QChar(d));
                // The margins the style's cells keep on both sides, as cutTexts counts them.
                if (fm.horizontalAdvance(number) + 8 > grid->columnWidth(0))
                    cut << QStringLiteral("%1: %2 in %3 px")
                               .arg(w->objectName(), number)
                               .arg(grid->columnWidth(0));
            }
            w->hide();
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    }

    void mainWindowShowsItsWholeTitle_data() { nothingCutAtLargerFonts_data(); }

    void mainWindowShowsItsWholeTitle()
    {
        QFETCH(double, factor);
        DesktopFont font(factor);
        createForms();
        QFont bold = frm_main->font();
        bold.setBold(true);
        QVERIFY(frm_main->width() > QFontMetrics(bold).horizontalAdvance(frm_main->windowTitle()));
        // Still a window of one size.
        QCOMPARE(frm_main->minimumSize(), frm_main->maximumSize());
    }

    void navigatorFollowsTheGridToTheEnds()
    {
        createForms();
        for (ListWindow* w : {static_cast<ListWindow*>(frm_sepah3),
                              static_cast<ListWindow*>(frm_sepah2)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            TDBNavBar* nav = w->DBNavigator1;
            w->DBGrid1->setFocus();
            QTest::keyClick(w->DBGrid1, Qt::Key_End, Qt::ControlModifier);
            QCOMPARE(frm_dm->detail_ado->recNo(), 3);
            QVERIFY(!nav->button(nbNext)->isEnabled());
            QVERIFY(!nav->button(nbLast)->isEnabled());
            QVERIFY(nav->button(nbPrior)->isEnabled());
            QTest::keyClick(w->DBGrid1, Qt::Key_Up);
            QVERIFY(nav->button(nbNext)->isEnabled());
            QTest::keyClick(w->DBGrid1, Qt::Key_Home, Qt::ControlModifier);
            QCOMPARE(frm_dm->detail_ado->recNo(), 1);
            QVERIFY(!nav->button(nbFirst)->isEnabled());
            QVERIFY(!nav->button(nbPrior)->isEnabled());
            QVERIFY(nav->button(nbLast)->isEnabled());
            w->hide();
        }
    }

    void fixedColoursReadable_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("changedWhileOpen");
        QTest::newRow("light") << false << false;
        QTest::newRow("dark") << true << false;
        QTest::newRow("turned dark while open") << true << true;
    }

    void fixedColoursReadable()
    {
        QFETCH(bool, dark);
        QFETCH(bool, changedWhileOpen);
        std::unique_ptr<DarkPalette> palette;
        if (dark && !changedWhileOpen)
            palette = std::make_unique<DarkPalette>();
        createForms();
        if (dark && changedWhileOpen)
            palette = std::make_unique<DarkPalette>();
        const QList<QPair<QWidget*, QStringList>> labels = {
            {frm_customer, {"Label1", "Label7", "Label8"}},
            {frm_ghaleb, {"Label1", "Label12", "Label13"}}};
        for (const auto& [window, names] : labels) {
            window->show();
            QCoreApplication::processEvents();
            const QColor ground = window->palette().color(QPalette::Window);
            QCOMPARE(ground.lightness() < 128, dark);
            for (const QString& name : names) {
                auto* l = window->findChild<QLabel*>(name);
                QVERIFY(l);
                const QColor text = l->palette().color(QPalette::WindowText);
                QVERIFY2(ContrastRatio(text, ground) >= 4.5,
                         qPrintable(QStringLiteral("%1/%2: %3 on %4")
                                        .arg(window->objectName(), name, text.name(),
                                             ground.name())));
            }
            window->hide();
        }
    }

    void readableColourKeepsItsHue_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("ground");
        QTest::newRow("banner on light grey") << kBannerColour << QColor(0xef, 0xef, 0xef);
        QTest::newRow("banner on dark grey") << kBannerColour << QColor(0x35, 0x35, 0x35);
        QTest::newRow("red on black") << QColor(Qt::red) << QColor(Qt::black);
        QTest::newRow("brown on near black") << QColor(0x7a, 0x4b, 0x00) << QColor(0x20, 0x21, 0x24);
    }

    void readableColourKeepsItsHue()
    {
        QFETCH(QColor, colour);
        QFETCH(QColor, ground);
        const QColor c = ReadableOn(colour, ground);
        QVERIFY(ContrastRatio(c, ground) >= 4.5);
        QVERIFY(qAbs(c.hslHue() - colour.hslHue()) <= 2);
        // A colour that already reads well is left as it is.
        if (ContrastRatio(colour, ground) >= 4.5)
            QCOMPARE(c, colour);
    }
};

int main(int argc, char** argv)
{
    useLargeOffscreenScreen();
    BankApplication app(argc, argv);
    TestLook t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_look.moc"
