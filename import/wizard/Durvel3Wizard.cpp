#include "import/wizard/Durvel3Wizard.h"

#include "import/wizard/Durvel3WizardF.h"

#include <memory>

TDurvel3Wizard::TDurvel3Wizard(QObject* Owner) : QObject(Owner) {}

TDurvel3Wizard::~TDurvel3Wizard() = default;

void TDurvel3Wizard::Notification(const void* Component, TOperation Operation)
{
    if (Operation != opRemove || !Component)
        return;
    if (Component == DataSet)
        DataSet = nullptr;
    if (Component == DBGrid)
        DBGrid = nullptr;
    if (Component == ListView)
        ListView = nullptr;
    if (Component == StringGrid)
        StringGrid = nullptr;
}

DurvelDestinationRef TDurvel3Wizard::Destination() const
{
    return {ImportDestination, DataSet, DBGrid, ListView, StringGrid, GridCaptionRow};
}

void TDurvel3Wizard::Execute()
{
    if (AllowedImports.IsEmpty())
        RaiseImportError(DurvelStr::AllowedImportsEmpty);
    Destination().Check();
    auto window = std::make_unique<TDurvel3WizardF>(this);
    emit windowCreated(window.get());
    window->exec();
}
