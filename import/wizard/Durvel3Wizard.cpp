#include "import/wizard/Durvel3Wizard.h"

#include "import/engine/DurvelDbDataSet.h"
#include "import/wizard/DbGridDestination.h"
#include "import/wizard/Durvel3WizardF.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/db/DataSet.h"

#include <memory>

QObject* DestinationComponent(DurvelDataSet* Value)
{
    if (auto* object = dynamic_cast<QObject*>(Value))
        return object;
    if (auto* adapter = dynamic_cast<DurvelDbDataSet*>(Value))
        return adapter->dataSet();
    return nullptr;
}

QObject* DestinationComponent(DurvelDBGrid* Value)
{
    if (auto* object = dynamic_cast<QObject*>(Value))
        return object;
    if (auto* adapter = dynamic_cast<DurvelDbGridDestination*>(Value))
        return adapter->grid();
    return nullptr;
}

QObject* DestinationComponent(DurvelListView* Value)
{
    return dynamic_cast<QObject*>(Value);
}

QObject* DestinationComponent(DurvelStringGrid* Value)
{
    return dynamic_cast<QObject*>(Value);
}

TDurvel3Wizard::TDurvel3Wizard(QObject* Owner) : QObject(Owner) {}

TDurvel3Wizard::~TDurvel3Wizard() = default;

void TDurvel3Wizard::Notification(const void* Component, TOperation Operation)
{
    if (Operation != opRemove || !Component)
        return;
    if (Component == DataSet.get())
        DataSet = nullptr;
    if (Component == DBGrid.get())
        DBGrid = nullptr;
    if (Component == ListView.get())
        ListView = nullptr;
    if (Component == StringGrid.get())
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
