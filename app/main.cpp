#include "app/startup.h"
#include "app/u_main.h"

int main(int argc, char** argv)
{
    StartupDateSettings();
    BankApplication app(argc, argv);
    int rc = 1;
    if (CreateForms()) {
        frm_main->show();
        rc = app.exec();
    }
    DestroyForms();
    return rc;
}
