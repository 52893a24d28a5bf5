#include "app/startup.h"

#include "app/fixedwindows.h"
#include "app/focusmark.h"
#include "app/helpers.h"
#include "app/u_about.h"
#include "app/u_customer.h"
#include "app/u_dm.h"
#include "app/u_ghaleb.h"
#include "app/u_main.h"
#include "app/u_print.h"
#include "app/u_sepah3.h"
#include "import/engine/DurvelFormats.h"
#include "platform/db/DbError.h"
#include "platform/dialogs/Dialogs.h"

#include <QFont>

QChar DateSeparator = u'/';
QString ShortDateFormat = QStringLiteral("yyyy/mm/dd");

void StartupDateSettings()
{
    DateSeparator = u'/';
    ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    // The imports' formats start from the program's date settings.
    TDurvelFormats::SetDefaultDateSettings(DateSeparator, ShortDateFormat);
}

BankApplication::BankApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    const QString title = QStringLiteral("ساخت فلاپي بانكها");
    setApplicationName(QStringLiteral("bankfile"));
    // No display name: the toolkit would append it to every window title, cutting short
    // Persian titles down to a few letters.
    dialogs::setApplicationTitle(title);
    setLayoutDirection(Qt::RightToLeft);
    QFont f = font();
    f.setFamilies({QStringLiteral("Noto Sans Arabic"), QStringLiteral("Noto Naskh Arabic"),
                   QStringLiteral("DejaVu Sans")});
    setFont(f);
    ShowFocusMarks();
}

bool BankApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const db::Error& e) {
        dialogs::showError(e.message());
    } catch (const std::exception& e) {
        dialogs::showError(QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs::showError(QStringLiteral("Unexpected error."));
    }
    return false;
}

// The windows bind to the data module's queries when they are built, so the data module
// comes right after the main window; the rest follow in the program's order.
bool CreateForms()
{
    try {
        frm_main = new Tfrm_main;
        frm_dm = new Tfrm_dm;
        if (!frm_dm->DataModuleCreate())
            return false;
        frm_mali = new Tfrm_mali;
        frm_ghaleb = new Tfrm_ghaleb;
        frm_print = new Tfrm_print;
        frm_about = new Tfrm_about(frm_main);
        frm_sepah = new Tfrm_sepah;
        frm_sepah3 = new Tfrm_sepah3;
        frm_sepah2 = new Tfrm_sepah2;
        frm_customer = new Tfrm_customer;
    } catch (const db::Error& e) {
        dialogs::showError(e.message());
        return false;
    } catch (const std::exception& e) {
        // A window whose form lacks a control: the program cannot work without it.
        dialogs::showError(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

namespace {

template <typename T> void destroy(T*& form)
{
    delete form;
    form = nullptr;
}

} // namespace

// In the reverse order of creation.
void DestroyForms()
{
    destroy(frm_customer);
    destroy(frm_sepah2);
    destroy(frm_sepah3);
    destroy(frm_sepah);
    destroy(frm_about);
    destroy(frm_print);
    destroy(frm_ghaleb);
    destroy(frm_mali);
    destroy(frm_dm);
    destroy(frm_main);
}
