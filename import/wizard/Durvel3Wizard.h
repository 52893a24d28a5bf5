#pragma once
// The import wizard component: the destination of an interactive import, the wizard's start
// values and the events the application hears; Execute shows the wizard window.

#include "import/engine/Durvel3.h"
#include "import/wizard/ImportKinds.h"

#include <QObject>
#include <QPixmap>
#include <functional>

class TDurvel3WizardF;
class TDurvel3Wizard;

// The object whose destruction removes a destination: the destination itself when it is a
// QObject, the data set or grid our adapters serve, else none.
QObject* DestinationComponent(DurvelDataSet* Value);
QObject* DestinationComponent(DurvelDBGrid* Value);
QObject* DestinationComponent(DurvelListView* Value);
QObject* DestinationComponent(DurvelStringGrid* Value);

// A destination the wizard refers to, assigned and read as a plain pointer. When the object
// that stands for it is destroyed, the wizard forgets the destination by itself.
template <class T> class TDestinationPtr
{
public:
    explicit TDestinationPtr(TDurvel3Wizard* Wizard) : FWizard(Wizard) {}
    TDestinationPtr(const TDestinationPtr&) = delete;
    TDestinationPtr& operator=(const TDestinationPtr&) = delete;
    ~TDestinationPtr() { QObject::disconnect(FWatch); }

    TDestinationPtr& operator=(T* Value)
    {
        Set(Value, DestinationComponent(Value));
        return *this;
    }
    // For a destination that stands for an object it does not name: forgotten when Component
    // is destroyed.
    void Set(T* Value, QObject* Component);

    T* get() const { return FValue; }
    operator T*() const { return FValue; }
    T* operator->() const { return FValue; }

private:
    TDurvel3Wizard* FWizard;
    T* FValue = nullptr;
    QMetaObject::Connection FWatch;
};

class TDurvel3Wizard : public QObject
{
    Q_OBJECT
public:
    // Sender is the wizard, except for OnNeedCommit (the wizard window).
    using TNotifyEvent = std::function<void(QObject* Sender)>;
    using TImportCancelEvent = std::function<void(QObject* Sender, bool& Continue)>;
    using TImportLoadTemplateEvent = std::function<void(QObject* Sender, const QString& FileName)>;

    explicit TDurvel3Wizard(QObject* Owner = nullptr);
    ~TDurvel3Wizard() override;

    TAllowedImports AllowedImports = TAllowedImports::All();
    TDestinationPtr<DurvelDataSet> DataSet{this};
    TDestinationPtr<DurvelDBGrid> DBGrid{this};
    TDestinationPtr<DurvelListView> ListView{this};
    TDestinationPtr<DurvelStringGrid> StringGrid{this};
    QString FileName;
    QString About;
    QString Version;
    int ImportRecCount = 0;
    int CommitRecCount = 1000;
    bool CommitAfterDone = false;
    bool ErrorLog = false;
    QString ErrorLogFileName = QStringLiteral("error.log");
    bool RewriteErrorLogFile = true;
    bool ShowErrorLog = false;
    bool ShowProgress = true;
    bool AutoChangeExtension = true;
    bool ShowHelpButton = true;
    bool CloseAfterImport = false;
    int TextViewerRows = 20;
    int CSVViewerRows = 20;
    int ExcelViewerRows = 256;
    int ExcelMaxColWidth = 130;
    bool ShowSaveLoadButtons = false;
    QString TemplateFileName;
    bool AutoLoadTemplate = false;
    bool AutoSaveTemplate = false;
    bool GoToLastPage = false;
    TDurvelDestination ImportDestination = didDataSet;
    TDurvelMode ImportMode = dimInsertAll;
    TDurvelAddType AddType = datInsert;
    int GridCaptionRow = -1;
    int GridStartRow = -1;
    bool ConfirmOnCancel = true;

    // Owned; the setters copy the given contents.
    TDurvelFormats& Formats() { return FFormats; }
    const TDurvelFormats& Formats() const { return FFormats; }
    void SetFormats(const TDurvelFormats& Value) { FFormats.Assign(Value); }
    TDurvelFieldFormats& FieldFormats() { return FFieldFormats; }
    const TDurvelFieldFormats& FieldFormats() const { return FFieldFormats; }
    void SetFieldFormats(const TDurvelFieldFormats& Value) { FFieldFormats.Assign(Value); }
    TWideStringList& KeyColumns() { return FKeyColumns; }
    const TWideStringList& KeyColumns() const { return FKeyColumns; }
    void SetKeyColumns(const TWideStrings& Value) { FKeyColumns.Assign(Value); }
    const QPixmap& Picture() const { return FPicture; }
    void SetPicture(const QPixmap& Value) { FPicture = Value; }

    TNotifyEvent OnBeforeImport;
    TNotifyEvent OnAfterImport;
    TNotifyEvent OnImportRecord;
    TNotifyEvent OnImportError;
    TNotifyEvent OnImportErrorAdv;
    TNotifyEvent OnNeedCommit;
    TImportCancelEvent OnImportCancel;
    TDurvel3::TImportBeforePostEvent OnBeforePost;
    TImportLoadTemplateEvent OnLoadTemplate;
    TDurvel3::TDestinationLocateEvent OnDestinationLocate;

    enum TOperation { opInsert, opRemove };
    // A destination being removed is forgotten; called by the wizard itself when the object
    // that stands for a destination is destroyed.
    void Notification(const void* Component, TOperation Operation);

    // Checks the settings, then shows the wizard window modally. Raises EDurvelError when
    // no kind is allowed or the destination of the chosen kind is missing.
    void Execute();

    // The destination as the engine checks and names it.
    DurvelDestinationRef Destination() const;

signals:
    // The window exists (tests and hosts reach its controls through it) and is about to
    // close.
    void windowCreated(TDurvel3WizardF* Window);

private:
    TDurvelFormats FFormats;
    TDurvelFieldFormats FFieldFormats;
    TWideStringList FKeyColumns;
    QPixmap FPicture;
};

template <class T> void TDestinationPtr<T>::Set(T* Value, QObject* Component)
{
    QObject::disconnect(FWatch);
    FWatch = {};
    FValue = Value;
    if (!Value || !Component)
        return;
    FWatch = QObject::connect(Component, &QObject::destroyed, FWizard, [this, Value] {
        FWizard->Notification(Value, TDurvel3Wizard::opRemove);
    });
}
