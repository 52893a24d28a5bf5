#include "app/helpers.h"

#include "app/banklines.h"
#include "app/u_dm.h"
#include "controls/persian/DBNavBar.h"
#include "controls/styled/PexGlowButton.h"
#include "platform/codepage/CodePage.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QValidator>

namespace {

QPointer<QMessageBox> g_wait;

// Typed and pasted text alike: digits only, in whatever script the keyboard gives them.
class DigitsValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (QChar& c : input) {
            if (c >= u'0' && c <= u'9')
                continue;
            if (!c.isDigit())
                return Invalid;
            c = QChar(u'0' + c.digitValue());
        }
        return Acceptable;
    }
};

dialogs::Button showBox(const QString& msg, dialogs::Icon icon, dialogs::Buttons buttons,
                        const QString& caption, QStringList captions)
{
    dialogs::Message m;
    m.title = caption;
    m.text = msg;
    m.icon = icon;
    m.buttons = buttons;
    m.captions = std::move(captions);
    m.rightToLeft = true;
    return dialogs::show(m, QApplication::activeWindow());
}

} // namespace

QString applicationTitle()
{
    return dialogs::applicationTitle();
}

void Guarded(QWidget* parent, const std::function<void()>& body)
{
    QString message;
    try {
        body();
        return;
    } catch (const BankLineError& e) {
        message = e.message();
    } catch (const db::Error& e) {
        message = e.message();
    } catch (const ECodePageError& e) {
        message = e.message();
    }
    ShowWaitWindow(false);
    dialogs::showError(message, parent);
}

void MakeDigitsOnly(QLineEdit* box)
{
    box->setValidator(new DigitsValidator(box));
    box->setLayoutDirection(Qt::LeftToRight);
}

void SetupNavigator(TDBNavBar* nav, db::DataSet* dataSet, const TButtonSet& buttons)
{
    nav->setDataSource(dataSet);
    nav->setVisibleButtons(buttons);
    nav->setConfirmDelete(false);
    nav->setLayout(blGlyphTop);
    const QStringList names = {QStringLiteral("اولين"),  QStringLiteral("قبلي"),
                               QStringLiteral("بعدي"),   QStringLiteral("آخرين"),
                               QStringLiteral("جديد"),   QStringLiteral("حذف"),
                               QStringLiteral("ويرايش"), QStringLiteral("قبول"),
                               QStringLiteral("انصراف"), QStringLiteral("بازيابي")};
    nav->setCaptions(names);
    nav->setHints(names);
}

void ShowWaitWindow(bool Show)
{
    if (Show) {
        if (!g_wait) {
            g_wait = new QMessageBox(QMessageBox::Information, QStringLiteral(" "),
                                     QStringLiteral(" Please Wait...\nلطفاً چند لحظه صبر کنيد "),
                                     QMessageBox::NoButton);
            g_wait->setObjectName(QStringLiteral("frm_wait"));
            g_wait->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
            g_wait->setStandardButtons(QMessageBox::NoButton);
            g_wait->setModal(false);
            g_wait->setLayoutDirection(Qt::RightToLeft);
        }
        if (!g_wait->isVisible())
            g_wait->show();
        g_wait->repaint();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frm_wait")) {
            w->close();
            delete w;
        }
}

dialogs::Button AskYesNo(const QString& Msg, dialogs::Icon DlgType, dialogs::Buttons Buttons,
                         const QString& Caption)
{
    return showBox(Msg, DlgType, Buttons, Caption, {QStringLiteral("بلي"), QStringLiteral("خير")});
}

dialogs::Button ShowOkMessage(const QString& Msg, dialogs::Icon DlgType, dialogs::Buttons Buttons,
                              const QString& Caption)
{
    return showBox(Msg, DlgType, Buttons, Caption, {QStringLiteral("تائيد")});
}

int ExecSql(const QString& Sql, const db::Params& params)
{
    return frm_dm->Connection->exec(Sql, params);
}

void OpenSql(const QString& Sql, db::DataSet* Query, const db::Params& params)
{
    Query->close();
    Query->setSql(Sql);
    Query->setParams(params);
    Query->open();
}

void SetGlowButtonsLook(QWidget* window)
{
    for (pex::TPexGlowButton* b : window->findChildren<pex::TPexGlowButton*>())
        b->Appearance()->setBorderColor(pex::clGray);
}
