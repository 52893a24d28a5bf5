#include "app/core/banklines.h"
#include "app/helpers.h"
#include "app/startup.h"
#include "app/u_about.h"
#include "app/u_dm.h"
#include "app/u_ghaleb.h"
#include "app/u_main.h"
#include "helper_lists.h"
#include "platform/dataaware/DBGrid.h"
#include "tests/support/MessageLog.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

const QString kSaved = QStringLiteral("اطلاعات ثبت شد");
const QString kEdited = QStringLiteral("اطلاعات قالب ويرايش گرديد");
const QString kDuplicate = QStringLiteral("نام بانک تکراريست");
const QString kNoName = QStringLiteral("نام بانک را وارد کنيد");

// The boxes in the order of the window's tab chain.
const char* const kBoxes[] = {
    "txt_bankname",  "txt_record_start", "txt_record_end", "txt_file_name", "txt_file_extention",
    "txt_tol_hesab", "txt_tol_price",    "txt_ebteda",     "txt_enteha",    "txt_jodashavande"};

void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

} // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Tfrm_ghaleb* w = nullptr;

    QLineEdit* box(const char* name)
    {
        auto* e = w->findChild<QLineEdit*>(QLatin1String(name));
        if (!e)
            qFatal("no box %s", name);
        return e;
    }

    qint64 addTemplate(const QString& name, const QString& tolHesab = QString())
    {
        frm_dm->Connection->exec(
            QStringLiteral("insert into tbl_ghaleb (bank_name, tol_hesab) values (:n, :t)"),
            {{"n", name}, {"t", tolHesab}});
        return frm_dm->Connection->lastInsertId();
    }

    BankTemplate stored(qint64 id)
    {
        db::DataSet q(frm_dm->Connection);
        q.setSql(QStringLiteral("select * from tbl_ghaleb where id=:id"));
        q.setParam(QStringLiteral("id"), id);
        q.open();
        return q.isEmpty() ? BankTemplate{} : TemplateFromDataSet(q);
    }

    int count()
    {
        return frm_dm->Connection->scalar(QStringLiteral("select count(*) from tbl_ghaleb"))
            .toInt();
    }

    qint64 lastId()
    {
        return frm_dm->Connection->scalar(QStringLiteral("select max(id) from tbl_ghaleb"))
            .toLongLong();
    }

    void showWindow()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    void selectRow(qint64 id) { QVERIFY(selectRowById(w->DBGrid1, id, 0)); }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        Tfrm_dm::setDatabaseFolder(m_db->folder());
        QVERIFY(CreateForms());
        w = new Tfrm_ghaleb;
    }

    void cleanup()
    {
        delete w;
        w = nullptr;
        DestroyForms();
        Tfrm_dm::setDatabaseFolder(QString());
        m_db.reset();
    }

    void templateWithOnlyANameIsValid()
    {
        showWindow();
        MessageLog log;
        typeText(box("txt_bankname"), QStringLiteral("ملت"));
        QTest::mouseClick(w->btn_save, Qt::LeftButton);
        QCOMPARE(log.texts(), QStringList{kSaved});
        QCOMPARE(log.messages[0].title, QStringLiteral("ثبت اطلاعات"));
        QCOMPARE(count(), 1);
        BankTemplate t = stored(lastId());
        QCOMPARE(t.bank_name, QStringLiteral("ملت"));
        t.checkWidths();
        QCOMPARE(BuildRecordLine(t, QStringLiteral("12345"), QStringLiteral("15,000")),
                 QStringLiteral("1234515000"));
        QCOMPARE(t.proposedFileName(), QString());
        for (const char* n : kBoxes)
            QCOMPARE(box(n)->text(), QString());
        QVERIFY(!w->isEditMode());
        QCOMPARE(QApplication::focusWidget(), box("txt_bankname"));
    }

    void everyBoxIsStoredInItsField()
    {
        showWindow();
        MessageLog log;
        const QStringList values = {"Tejarat", "HDR", "END", "hogh", "fd", "7", "9", "<", ">", "-"};
        for (int i = 0; i < values.size(); ++i)
            box(kBoxes[i])->setText(values[i]);
        w->btn_save->click();
        QCOMPARE(log.texts(), QStringList{kSaved});
        const BankTemplate t = stored(lastId());
        QCOMPARE(
            (QStringList{t.bank_name, t.record_start, t.record_end, t.file_name, t.file_extention,
                         t.tol_hesab, t.tol_price, t.char_start, t.char_end, t.char_split}),
            values);
        QCOMPARE(BuildRecordLine(t, QStringLiteral("12345"), QStringLiteral("15,000")),
                 QStringLiteral("<0012345-000015000>"));
        QCOMPARE(t.proposedFileName(), QStringLiteral("hogh.fd"));
    }

    void nameIsRequired()
    {
        showWindow();
        MessageLog log;
        box("txt_bankname")->setText(QStringLiteral("  "));
        box("txt_tol_hesab")->setText(QStringLiteral("7"));
        w->btn_save->click();
        QCOMPARE(log.texts(), QStringList{kNoName});
        QCOMPARE(count(), 0);
        QCOMPARE(box("txt_tol_hesab")->text(), QStringLiteral("7"));
        QCOMPARE(QApplication::focusWidget(), box("txt_bankname"));
    }

    void duplicateNameRefusedOnInsert_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("same") << "Melli";
        QTest::newRow("other case") << "MELLI";
    }

    void duplicateNameRefusedOnInsert()
    {
        QFETCH(QString, name);
        addTemplate(QStringLiteral("Melli"));
        showWindow();
        MessageLog log;
        box("txt_bankname")->setText(name);
        box("txt_file_name")->setText(QStringLiteral("x"));
        w->btn_save->click();
        QCOMPARE(log.texts(), QStringList{kDuplicate});
        QCOMPARE(count(), 1);
        QCOMPARE(box("txt_bankname")->text(), name);
        QCOMPARE(box("txt_file_name")->text(), QStringLiteral("x"));
    }

    void editModeTestsDuplicatesAgainstOtherTemplates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("own name") << "Sepah" << true;
        QTest::newRow("new name") << "Saderat" << true;
        QTest::newRow("another template's name") << "Mellat" << false;
    }

    void editModeTestsDuplicatesAgainstOtherTemplates()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        const qint64 a = addTemplate(QStringLiteral("Sepah"), QStringLiteral("5"));
        const qint64 b = addTemplate(QStringLiteral("Mellat"));
        showWindow();
        MessageLog log;
        selectRow(a);
        w->btn_edit->click();
        QCOMPARE(w->btn_save->text(), RegisterWindow::EditCaption);
        QCOMPARE(box("txt_tol_hesab")->text(), QStringLiteral("5"));
        box("txt_bankname")->setText(name);
        box("txt_tol_price")->setText(QStringLiteral("12"));
        w->DBGrid1->setCurrentIndex(w->DBGrid1->model()->index(1, 0)); // wander off meanwhile
        w->btn_save->click();
        if (accepted) {
            QCOMPARE(log.texts(), QStringList{kEdited});
            QCOMPARE(stored(a).bank_name, name);
            QCOMPARE(stored(a).tol_price, QStringLiteral("12"));
            QVERIFY(!w->isEditMode());
        } else {
            QCOMPARE(log.texts(), QStringList{kDuplicate});
            QCOMPARE(stored(a).bank_name, QStringLiteral("Sepah"));
            QVERIFY(w->isEditMode());
        }
        QCOMPARE(stored(b).bank_name, QStringLiteral("Mellat"));
        QCOMPARE(stored(b).tol_price, QString());
        QCOMPARE(count(), 2);
    }

    // The template being edited is deleted meanwhile (by another copy of the program on the
    // same database): the save says so and keeps the boxes, and a second save adds it anew.
    void anEditWhoseTemplateWentIsToldAndKept()
    {
        const qint64 a = addTemplate(QStringLiteral("Melli"));
        showWindow();
        MessageLog log;
        selectRow(a);
        w->btn_edit->click();
        QVERIFY(w->isEditMode());
        box("txt_bankname")->setText(QStringLiteral("Mellat"));
        box("txt_tol_hesab")->setText(QStringLiteral("12"));
        frm_dm->Connection->exec(QStringLiteral("delete from tbl_ghaleb"));
        w->btn_save->click();
        QCOMPARE(log.texts(), QStringList{RegisterWindow::kEditedRowGone});
        QCOMPARE(box("txt_bankname")->text(), QStringLiteral("Mellat"));
        QCOMPARE(box("txt_tol_hesab")->text(), QStringLiteral("12"));
        QVERIFY(!w->isEditMode());
        QCOMPARE(count(), 0);
        w->btn_save->click();
        QCOMPARE(log.texts().last(), kSaved);
        QCOMPARE(count(), 1);
        QCOMPARE(stored(lastId()).tol_hesab, QStringLiteral("12"));
    }

    void unusableWidthsAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("width");
        QTest::newRow("account wider than a line") << "txt_tol_hesab"
                                                   << "101";
        QTest::newRow("amount wider than a line") << "txt_tol_price"
                                                  << "250";
        QTest::newRow("huge") << "txt_tol_price"
                              << "99999999999999999999";
        QTest::newRow("not a number") << "txt_tol_hesab"
                                      << "7a";
    }

    void unusableWidthsAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, width);
        showWindow();
        MessageLog log;
        box("txt_bankname")->setText(QStringLiteral("Bad"));
        box(qPrintable(field))->setText(width);
        w->btn_save->click();
        QCOMPARE(log.messages.size(), 1);
        QVERIFY(log.texts()[0] != kSaved);
        QCOMPARE(count(), 0);
        QCOMPARE(box(qPrintable(field))->text(), width);
        QCOMPARE(box("txt_bankname")->text(), QStringLiteral("Bad"));
        QCOMPARE(QApplication::focusWidget(), box(qPrintable(field)));
    }

    void widestUsableWidthIsAccepted()
    {
        showWindow();
        MessageLog log;
        box("txt_bankname")->setText(QStringLiteral("Wide"));
        box("txt_tol_hesab")->setText(QStringLiteral("100"));
        box("txt_tol_price")->setText(QStringLiteral("0"));
        w->btn_save->click();
        QCOMPARE(log.texts(), QStringList{kSaved});
    }

    void widthsTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("ascii") << "12"
                               << "12";
        QTest::newRow("signs and letters") << " -1a.2+"
                                           << "12";
        QTest::newRow("persian digits") << QStringLiteral("۱۶") << "16";
    }

    void widthsTakeDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        for (const char* n : {"txt_tol_hesab", "txt_tol_price"}) {
            typeText(box(n), typed);
            QCOMPARE(box(n)->text(), kept);
        }
    }

    void extensionTakesAtMostThreeCharacters()
    {
        typeText(box("txt_file_extention"), QStringLiteral("abcdef"));
        QCOMPARE(box("txt_file_extention")->text(), QStringLiteral("abc"));
        // A value put in by code is never cut: saved, it would be saved cut.
        box("txt_file_extention")->setText(QStringLiteral("wxyz"));
        QCOMPARE(box("txt_file_extention")->text(), QStringLiteral("wxyz"));
    }

    void deleteRemovesTheCurrentTemplate_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("yes") << int(dialogs::Button::Yes) << true;
        QTest::newRow("no") << int(dialogs::Button::No) << false;
    }

    void deleteRemovesTheCurrentTemplate()
    {
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        const qint64 a = addTemplate(QStringLiteral("A"));
        const qint64 b = addTemplate(QStringLiteral("B"));
        showWindow();
        MessageLog log;
        log.answers << dialogs::Button(answer);
        selectRow(b);
        w->btn_del->click();
        QCOMPARE(log.texts(), QStringList{QStringLiteral("آيا مايل به حذف هستيد؟")});
        QCOMPARE(stored(b).bank_name.isEmpty(), deleted);
        QCOMPARE(stored(a).bank_name, QStringLiteral("A"));
    }

    void windowOpensOverTheMainWindow()
    {
        frm_main->show();
        frm_main->move(10, 10);
        frm_main->PexGlowButton6Click();
        const QRect main = frm_main->frameGeometry();
        const QRect shown = w->frameGeometry();
        QVERIFY(shown.intersects(main));
        const QRect screen = frm_main->screen()->availableGeometry();
        QVERIFY2(screen.contains(shown) || shown.width() > screen.width() ||
                     shown.height() > screen.height(),
                 "placed off the screen");
        if (shown.width() <= screen.width() / 2 && shown.height() <= screen.height() / 2)
            QVERIFY((shown.center() - main.center()).manhattanLength() <= 4);
        w->close();
    }

    void closingTheMainWindowEndsTheProgramWithTheAboutBoxOpen()
    {
        frm_main->show();
        frm_main->BitBtn4Click();
        QVERIFY(frm_about->isVisible());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        const auto labels = frm_about->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
            return l->text() == QStringLiteral("نرم افزار ساخت فايل بانکي زرکاو");
        }));
        frm_main->close();
        QVERIFY(!frm_about->isVisible());
    }
};

int main(int argc, char** argv)
{
    BankApplication app(argc, argv);
    TestTemplates t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_templates.moc"
