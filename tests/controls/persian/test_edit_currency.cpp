#include "controls/persian/EditCurrency.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

namespace {

// Types any text, Persian digits included, as key presses carrying that text.
void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        const Qt::Key key = c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, widget, key, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestEditCurrency : public QObject
{
    Q_OBJECT

private slots:
    void comma_data();
    void comma();
    void validAmount_data();
    void validAmount();
    void typing_data();
    void typing();
    void keypadMultiplyAddsThousands();
    void plainAsteriskIsDropped();
    void backspaceRegroups();
    void programmaticText_data();
    void programmaticText();
    void pasteKeepsOnlyDigits();
    void replacedKeyPressStillYieldsDigits();
    void replacedKeyDownSkipsThousands();
};

void TestEditCurrency::comma_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("seven digits") << "1234567"
                                  << "1,234,567";
    QTest::newRow("six digits") << "123456"
                                << "123,456";
    QTest::newRow("three digits") << "123"
                                  << "123";
    QTest::newRow("four digits") << "1234"
                                 << "1,234";
    QTest::newRow("two digits") << "12"
                                << "12";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("regrouped") << "12,34,567"
                               << "1,234,567";
    QTest::newRow("long account-size number") << "12345678901234567890"
                                              << "12,345,678,901,234,567,890";
}

void TestEditCurrency::comma()
{
    QFETCH(QString, text);
    QFETCH(QString, grouped);
    QCOMPARE(TEditCurrency::Comma(text), grouped);
    QCOMPARE(TEditCurrency::DeComma(grouped), TEditCurrency::DeComma(text));
}

void TestEditCurrency::validAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("grouped") << "15,000" << true;
    QTest::newRow("plain") << "7" << true;
    QTest::newRow("leading zeros, value above zero") << "0,005" << true;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("grouped zeros") << "0,000" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("only separators") << ",," << false;
    QTest::newRow("letters") << "12a4" << false;
    QTest::newRow("minus") << "-500" << false;
    QTest::newRow("decimal point") << "1.5" << false;
    QTest::newRow("blank inside") << "1 000" << false;
    QTest::newRow("persian digits") << QString::fromUtf8("۱۲۳") << true;
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("٤٥٠") << true;
    QTest::newRow("persian zero") << QString::fromUtf8("۰") << false;
}

void TestEditCurrency::validAmount()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(TEditCurrency::isValidAmount(text), valid);
}

void TestEditCurrency::typing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored");
    QTest::newRow("digits") << "1234"
                            << "1,234"
                            << "1234";
    QTest::newRow("millions") << "1234567"
                              << "1,234,567"
                              << "1234567";
    QTest::newRow("letters dropped") << "1a2b3c4"
                                     << "1,234"
                                     << "1234";
    QTest::newRow("punctuation dropped") << "12.5-0/"
                                         << "1,250"
                                         << "1250";
    QTest::newRow("persian digits") << QString::fromUtf8("۱۲۳۴۵") << "12,345"
                                    << "12345";
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("٩٨٧٦") << "9,876"
                                         << "9876";
    QTest::newRow("persian letters dropped") << QString::fromUtf8("۱ب۲") << "12"
                                             << "12";
}

void TestEditCurrency::typing()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    TEditCurrency edit;
    edit.clear();
    typeText(&edit, typed);
    QCOMPARE(edit.text(), shown);
    QCOMPARE(edit.cursorPosition(), shown.size());
    QCOMPARE(edit.amount(), stored);
}

void TestEditCurrency::keypadMultiplyAddsThousands()
{
    TEditCurrency edit;
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("15"));
    QTest::keyClick(&edit, Qt::Key_Asterisk, Qt::KeypadModifier);
    QCOMPARE(edit.text(), QStringLiteral("15,000"));
    QCOMPARE(edit.amount(), QStringLiteral("15000"));
}

void TestEditCurrency::plainAsteriskIsDropped()
{
    TEditCurrency edit;
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("15"));
    QTest::keyClick(&edit, Qt::Key_Asterisk);
    QCOMPARE(edit.text(), QStringLiteral("15"));
}

void TestEditCurrency::backspaceRegroups()
{
    TEditCurrency edit;
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("12345"));
    QCOMPARE(edit.text(), QStringLiteral("12,345"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("1,234"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("123"));
}

void TestEditCurrency::programmaticText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero kept as is") << "0"
                                     << "0";
    QTest::newRow("grouped") << "2500000"
                             << "2,500,000";
    QTest::newRow("cleared") << ""
                             << "";
    QTest::newRow("letters stripped") << "abc12345xyz"
                                      << "12,345";
    QTest::newRow("only letters") << "abc"
                                  << "";
    QTest::newRow("mixed digits") << QString::fromUtf8("۱,۰۰۰٠٠") << "100,000";
}

void TestEditCurrency::programmaticText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    TEditCurrency edit;
    edit.setText(text);
    QCOMPARE(edit.text(), shown);
}

void TestEditCurrency::pasteKeepsOnlyDigits()
{
    TEditCurrency edit;
    edit.clear();
    QApplication::clipboard()->setText(QString::fromUtf8("مبلغ: ۲۵۰۰۰ ریال"));
    if (QApplication::clipboard()->text() != QString::fromUtf8("مبلغ: ۲۵۰۰۰ ریال"))
        QSKIP("no clipboard on this platform");
    edit.paste();
    QCOMPARE(edit.text(), QStringLiteral("25,000"));
    QCOMPARE(edit.amount(), QStringLiteral("25000"));
}

void TestEditCurrency::replacedKeyPressStillYieldsDigits()
{
    // A window may put its own key-press handler in place of the digit filter; the text
    // must still end up holding digits only.
    TEditCurrency edit;
    edit.clear();
    edit.OnKeyPress = [](QChar& key) {
        if (key == u'\r')
            key = QChar();
    };
    QTest::keyClicks(&edit, QStringLiteral("1x2y3z4"));
    QCOMPARE(edit.text(), QStringLiteral("1,234"));
}

void TestEditCurrency::replacedKeyDownSkipsThousands()
{
    TEditCurrency edit;
    edit.clear();
    bool enterSeen = false;
    edit.OnKeyDown = [&enterSeen](int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return)
            enterSeen = true;
    };
    QTest::keyClicks(&edit, QStringLiteral("15"));
    QTest::keyClick(&edit, Qt::Key_Asterisk, Qt::KeypadModifier);
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.text(), QStringLiteral("15"));
    QVERIFY(enterSeen);

    // A handler that first hands the key to the control's own one keeps the thousands key.
    edit.OnKeyDown = [&edit](int& key, Qt::KeyboardModifiers shift) {
        edit.EditCurrency1KeyDown(key, shift);
    };
    QTest::keyClick(&edit, Qt::Key_Asterisk, Qt::KeypadModifier);
    QCOMPARE(edit.text(), QStringLiteral("15,000"));
}

QTEST_MAIN(TestEditCurrency)
#include "test_edit_currency.moc"
