#pragma once
// Messages and captions of the import library by number, and its exception class.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class EDurvelError : public std::runtime_error
{
public:
    explicit EDurvelError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A handler may answer an id with its own text; an empty answer falls back to the table.
class TDurvelLocale
{
public:
    using THandler = std::function<void(int Id, QString& Text)>;
    static TDurvelLocale& Instance();
    THandler OnLocalize;
};

QString LoadImportStr(int Id);

// The text of Id with each %s or %d replaced by the next argument.
QString FormatImportStr(int Id, const QStringList& args);

// Raises EDurvelError with the text of Id, %1.. replaced by the arguments in order.
[[noreturn]] void RaiseImportError(int Id, const QString& arg = QString());

namespace DurvelStr {
enum : int {
    DataSetNotDefined = 42000,
    WrongFileType = 42002,
    UnknownFieldType = 42003,
    WrongDateFormat = 42004,
    GridCaptionAfterStart = 42006,
    DBGridNotDefined = 42010,
    ListViewNotDefined = 42020,
    StringGridNotDefined = 42030,
    ClosedDestination = 42040,
    FileNameNotSpecified = 42050,
    FileNotExists = 42060,
    MapEmpty = 42070,
    MissingMapDefinition = 42090,
    MapColumnNotFound = 42100,
    UnknownImportSource = 42120,
    AllowedImportsEmpty = 42130,
    KeyColumnsNotDefined = 42140,
    KeyColumnNotFound = 42150,
    BooleanTrue = 42280,
    BooleanFalse = 42290,
    NullValue = 42300,
    WizardCaption = 42310,
    ImportFrom = 42320,
    LogStarted = 42840,
    LogFinished = 42850,
    LogErrorsFound = 42860,
    LogNoError = 42870,
    LogCanceled = 42880,
    LogFailed = 42890,
    LogIncomplete = 42900,
    LogLine = 44140,
    ProgressState = 44201,
    ProgressProcessed,
    ProgressInserted,
    ProgressUpdated,
    ProgressDeleted,
    ProgressErrors,
    ProgressCommitted,
    ProgressTime,
    ProgressCancel,
    ProgressPreparing,
    ProgressImporting,
    ProgressAborted,
    ProgressFinished,
    ProgressPaused,
    ProgressImportFinished,
    ProgressOk
};
}
