#pragma once
// The import component base: settings of one import, the row loop that every reader drives
// through its virtual operations, row writing into the destination, the error log and the
// template sections.

#include "import/engine/DurvelDestinations.h"
#include "import/engine/DurvelFormats.h"
#include "import/engine/DurvelStrings.h"
#include "import/engine/support/HashTable.h"
#include "import/engine/support/WideStrings.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class IniFile;
class QFile;

enum TDurvelMode {
    dimInsertAll,
    dimInsertNew,
    dimUpdate,
    dimUpdateOrInsert,
    dimDelete,
    dimDeleteOrInsert
};
enum TDurvelAddType { datAppend, datInsert };

class TDurvelCol
{
public:
    QString Name;
    QString Value;
    bool ValueSet = false;
    int DestIndex = -1;
};

class TDurvelRow
{
public:
    int Count() const { return int(FCols.size()); }
    TDurvelCol* Items(int Index) const { return FCols.at(std::size_t(Index)).get(); }
    // Name is trimmed of characters below 33.
    TDurvelCol* AddColumn(const QString& Name);
    TDurvelCol* ColumnByName(const QString& Name) const;
    // Sizes the name index for this many map lines before they are entered.
    void SizeNameIndex(int Lines);
    // Enters a map column's name in the index through which readers store values.
    void IndexName(const QString& Name, int Position);
    // Stores Value in the map column of Name; names outside the map are ignored.
    void SetValue(const QString& Name, const QString& Value, bool Flag = false);
    // SetValue split for readers that store many rows: the index entry of Name (-1 when
    // none), resolved once, then stored by it. Generation changes when either may differ.
    int MapPosition(const QString& Name) const;
    void SetValueAt(int Position, const QString& Value);
    // The same from a view, into the memory the value already holds where it can.
    void SetValueAt(int Position, QStringView Value);
    quint64 Generation() const { return FGeneration; }
    void ClearValues();
    void Clear();
    void Delete(int Index);

private:
    void Rehash(int Deleted);
    void RebuildNameIndex();
    std::vector<std::unique_ptr<TDurvelCol>> FCols;
    // Map columns only: name -> position. FIndexed holds the same pairs, so that the table
    // can be built again (the table removes no single entry).
    THashTable FNameIndex{false};
    std::vector<std::pair<QString, int>> FIndexed;
    THashTable FByName{false}; // every column: name -> the first column of that name
    quint64 FGeneration = 0;
};

QString DurvelTrimName(const QString& Name);

class TDurvel3
{
public:
    using TNotifyEvent = std::function<void(TDurvel3* Sender)>;
    using TImportCancelEvent = std::function<void(TDurvel3* Sender, bool& Continue)>;
    using TImportBeforePostEvent =
        std::function<void(TDurvel3* Sender, TDurvelRow* Row, bool& Accept)>;
    using TImportAfterPostEvent = std::function<void(TDurvel3* Sender, TDurvelRow* Row)>;
    using TUserDefinedImportEvent = std::function<void(TDurvel3* Sender, TDurvelRow* Row)>;
    using TDestinationLocateEvent =
        std::function<void(TDurvel3* Sender, const QStringList& KeyColumns, TDurvelRow* Row,
                           QStringList& KeyFields, QVariantList& KeyValues)>;

    TDurvel3();
    virtual ~TDurvel3();
    TDurvel3(const TDurvel3&) = delete;
    TDurvel3& operator=(const TDurvel3&) = delete;

    // Destinations are referenced, never owned.
    DurvelDataSet* DataSet = nullptr;
    DurvelDBGrid* DBGrid = nullptr;
    DurvelListView* ListView = nullptr;
    DurvelStringGrid* StringGrid = nullptr;
    int GridCaptionRow = -1;
    int GridStartRow = -1;
    TDurvelDestination ImportDestination = didDataSet;
    TDurvelMode ImportMode = dimInsertAll;
    bool ErrorLog = false;
    QString ErrorLogFileName = QStringLiteral("error.log");
    bool RewriteErrorLogFile = true;
    bool ShowErrorLog = false;
    // ErrorLogFileName was resolved within the program's folder (ResolveProgramFolderName):
    // opened without following a link, so that one put on its way since cannot lead it out.
    bool ErrorLogFileNameResolved = false;
    int ImportRecCount = 0;
    int CommitRecCount = 1000;
    bool CommitAfterDone = false;
    TDurvelAddType AddType = datInsert;
    bool AllowDuplicates = true;
    int SkipFirstRows = 0;

    TWideStringList& Map() { return FMap; }
    const TWideStringList& Map() const { return FMap; }
    void SetMap(const TWideStrings& Value) { FMap.Assign(Value); }
    TWideStringList& KeyColumns() { return FKeyColumns; }
    const TWideStringList& KeyColumns() const { return FKeyColumns; }
    void SetKeyColumns(const TWideStrings& Value) { FKeyColumns.Assign(Value); }
    TDurvelFormats& Formats() { return FFormats; }
    const TDurvelFormats& Formats() const { return FFormats; }
    void SetFormats(const TDurvelFormats& Value) { FFormats.Assign(Value); }
    TDurvelFieldFormats& FieldFormats() { return FFieldFormats; }
    const TDurvelFieldFormats& FieldFormats() const { return FFieldFormats; }
    void SetFieldFormats(const TDurvelFieldFormats& Value) { FFieldFormats.Assign(Value); }

    QString FileName() const { return FFileName; }
    void SetFileName(const QString& Value);

    // Informational texts of the component, the same for every reader.
    static QString About();
    static QString Version();

    TNotifyEvent OnBeforeImport;
    TNotifyEvent OnAfterImport;
    TNotifyEvent OnImportRecord;
    TNotifyEvent OnImportError;
    TNotifyEvent OnImportErrorAdv;
    TNotifyEvent OnNeedCommit;
    TImportCancelEvent OnImportCancel;
    TImportBeforePostEvent OnBeforePost;
    TImportAfterPostEvent OnAfterPost;
    TUserDefinedImportEvent OnUserDefinedImport;
    TUserDefinedImportEvent OnImportRowComplete;
    TDestinationLocateEvent OnDestinationLocate;

    // How far a reader that knows no row count is through its source: bytes read of the
    // source's size. Told when the share read moves by a ten-thousandth, and at the end.
    using TReadProgressEvent = std::function<void(TDurvel3* Sender, qint64 Done, qint64 Total)>;
    TReadProgressEvent OnReadProgress;

    // Called between rows so the host can keep its window alive; at most once per interval.
    void SetYieldHandler(std::function<void()> Handler, int IntervalMs = 50);
    // Asked to open the error log after the import (ShowErrorLog); gets the resolved path.
    std::function<void(const QString& Path)> OnShowErrorLog;

    // Runs one import; returns the result of CheckProperties. Refuses to be re-entered.
    bool Execute();
    void Cancel() { FCanceled = true; }
    bool DoImportCancel();

    bool Canceled() const { return FCanceled; }
    bool Running() const { return FRunning; }
    // Failed rows of the last import; conversion errors are counted apart.
    int ErrorCount() const { return FErrors.Count(); }
    int ConversionErrorCount() const { return FConversionErrorCount; }
    const TWideStringList& Errors() const { return FErrors; }
    QString LastErrorText() const { return FLastErrorText; }
    // Why the last import's error log is incomplete (a write or its close failed); empty when
    // it was written whole. The rows are imported all the same.
    QString ErrorLogFailure() const { return FErrorLogFailure; }
    // Rows written; once rows went back (a cancel, a failure), those the destination keeps.
    // Right by OnAfterImport.
    int ImportedCount() const { return FImportedCount; }
    // Imported rows that went back with a transaction the import did not commit (a cancel or
    // a failure), and those the destination keeps.
    int RolledBackCount() const { return FRolledBackCount; }
    int KeptCount() const { return FImportedCount; }
    bool Failed() const { return FFailed; }
    int TotalRecCount() const { return FTotalRecCount; }
    quint8 RowAction() const { return FRowAction; }
    int LineCounter() const { return FLineCounter; }
    TDurvelRow* Row() { return &FRow; }
    // The log's path as the import resolves it: a bare name lies in the program's folder; a
    // name a template gave is taken relative to it and its folder must exist.
    QString ErrorLogPath() const;
    // Where a file name a template gave is written: within the program's folder, never the
    // current one, with its links followed; a folder part that is not there is dropped. Raises
    // EDurvelError when the name leads outside that folder.
    static QString ResolveProgramFolderName(const QString& Name);
    // Raises "The file ... is empty" for a source of no bytes: no kind reads anything from it.
    static void CheckNotEmpty(const QString& FileName);
    // The destination of the chosen kind, for column look-ups.
    DurvelDestinationRef Destination() const;

    virtual void LoadTemplateSections(IniFile& Ini);
    // What the last template load refused, one message each (a file name outside the
    // program's folder); the host shows them.
    const QStringList& TemplateNotices() const { return FTemplateNotices; }
    // Replaces the sections of an earlier save: none of them is left behind.
    virtual void SaveTemplateSections(IniFile& Ini);

    enum : quint8 { raNone = 0, raInserted = 1, raEdited = 2, raDeleted = 3 };

protected:
    // Sets each map entry's Position to its column in the row, by its Name; looked up again only
    // when the row's columns changed since Generation.
    template <class TEntries> void FindMapPositions(TEntries& Entries, quint64& Generation)
    {
        if (FRow.Generation() == Generation)
            return;
        for (auto& e : Entries)
            e.Position = FRow.MapPosition(e.Name);
        Generation = FRow.Generation();
    }
    // FindMapPositions, then empties the row's columns no entry fills: the reader overwrites
    // the others in the memory they hold.
    template <class TEntries> void ClearUnmappedColumns(TEntries& Entries, quint64& Generation)
    {
        const quint64 before = Generation;
        FindMapPositions(Entries, Generation);
        const int count = FRow.Count();
        if (before != Generation || FUnmappedFor != count) {
            std::vector<char> mapped(std::size_t(count), 0);
            for (const auto& e : Entries)
                if (e.Position >= 0 && e.Position < count)
                    mapped[std::size_t(e.Position)] = 1;
            FUnmapped.clear();
            for (int i = 0; i < count; ++i)
                if (!mapped[std::size_t(i)])
                    FUnmapped.push_back(i);
            FUnmappedFor = count;
        }
        for (int i : FUnmapped)
            FRow.Items(i)->Value.clear();
    }

    // The host's yield handler, at most once per its interval (also for a reader's long wait).
    void MaybeYield();

    virtual void PrepareImport();
    virtual void OpenSource() = 0;
    virtual bool HasMoreRows() = 0;
    virtual bool SkipRow() = 0;
    virtual void ReadRow() = 0;
    // 0 handled, 1 error in the row, 2 import canceled.
    virtual int ImportRow();
    virtual void NextRow() = 0;
    // Readers close their source, then call this for the final commit request.
    virtual void CloseSource();
    virtual void EndImport();
    virtual void FileNameChanged() {}
    virtual bool CheckProperties();
    // Whether the source file exists; readers that adjust the name look for their own.
    virtual bool SourceExists() const;
    virtual bool IsRowAccepted() { return true; }

    // For readers.
    void ApplyFieldFormat(TDurvelCol* Column);
    void ApplyFieldFormats();
    // Capped by ImportRecCount, whenever the reader learns its total.
    void SetTotalRecCount(int Value);
    void AddLines(int Count) { FLineCounter += Count; }
    // Called for every row: the check for a listener is made here, without a call.
    void DoReadProgress(qint64 Done, qint64 Total)
    {
        if (OnReadProgress && Total > 0)
            ReportReadProgress(Done, Total);
    }
    void ReportReadProgress(qint64 Done, qint64 Total);
    // The formats in force for the running import.
    const TDurvelFormats& RunFormats() const { return FRunFormats; }

    // A reader that could not read the current row whole (a damaged part of it) says why in
    // ReadRow: the row is then that row's error, nothing of it is written, and the import goes
    // on. The empty text clears it; a reader that calls it does so for every row it reads.
    void FailRow(const QString& Message) { FRowFailure = Message; }

    void DoImportError(const QString& Message);
    void DoImportErrorAdv(const QString& Text);
    // The import ends with an error: logged as such, never as a success.
    void DoImportFailure(const QString& Message);
    void SetFieldValue(DurvelField* Field, const QString& Value, QString& ErrorText);

    int DestinationColumnIndex(const QString& Name) const
    {
        return Destination().ColumnIndex(Name);
    }

private:
    std::vector<int> FUnmapped; // row columns no map entry fills
    int FUnmappedFor = -1;      // the row column count FUnmapped was made for
    void ImportLoop();
    static void EraseTemplateSections(IniFile& Ini);
    DurvelDataSet* DestDataSet() const { return Destination().RowDataSet(); }
    void BuildRowColumns();
    bool IsRowColumnName(const QString& Name) const;
    void ReleaseImportState();
    void FinishTransaction();
    void RollBackOpenWork();
    void CountRolledBack(int Rows);

    void WriteRowToDestination();
    bool Locate();
    bool IsDuplicate();
    bool Search(const std::vector<TDurvelCol*>& Columns, bool CaseInsensitive, bool Notify);
    void InsertRecord();
    void EditRecord();
    void DeleteRecord();
    void WriteColumns();
    void PostRecord();
    void CancelRecord();
    void DisableDestinationControls();
    void EnableDestinationControls();

    void DoNeedCommit();
    void OpenErrorLog();
    void CloseErrorLog();
    void WriteLogLine(const QString& Line);
    bool ErrorLogNameFromTemplate() const;
    QString ErrorLine(const QString& Message) const;
    QString Timestamp() const;

    TWideStringList FMap;
    TWideStringList FKeyColumns;
    TDurvelFormats FFormats;
    TDurvelFieldFormats FFieldFormats;
    QString FFileName;

    // Settings taken when the import starts; changes made while it runs do not apply to it.
    TDurvelFormats FRunFormats;
    TDurvelFieldFormats FRunFieldFormats;
    QStringList FRunKeyColumns;

    TDurvelRow FRow;
    TDurvelGenerators FGenerators;
    // Per row column: its field format (-1 when none changes a value) and generator,
    // valid for one row generation.
    struct ColumnFormat
    {
        int Format = -1;
        TDurvelGenerator* Generator = nullptr;
    };
    std::vector<ColumnFormat> FColumnFormats;
    quint64 FColumnFormatsGeneration = ~quint64(0);
    // Per row column: the data-set field it writes (-1 when none) and that field's conversion,
    // kept from row to row.
    std::vector<int> FFieldIndexes;
    std::vector<DurvelFieldTarget> FFieldTargets;
    quint64 FFieldIndexesGeneration = ~quint64(0);
    void FindFieldIndexes(DurvelDataSet* DataSet);
    std::vector<TDurvelCol*> FNonKeyColumns;
    TWideStringList FErrors;
    QString FLastErrorText;
    int FConversionErrorCount = 0;
    int FImportedCount = 0;
    int FTotalRecCount = 0;
    int FLineCounter = 1;
    qint64 FReadProgressShown = -1; // in ten-thousandths
    int FRowsRead = 0;              // rows handed to the destination, for ImportRecCount
    quint8 FRowAction = raNone;
    quint8 FPrevRowAction = raNone;
    bool FRowError = false;
    QString FRowFailure; // FailRow's text for the row read last
    bool FCanceled = false;
    // The source failed midway: nothing of the run is committed.
    bool FSourceFailed = false;
    bool FRunning = false;
    bool FFailed = false;

    int FCurrentItem = -1; // list view
    int FGridRow = -1;     // string grid: next row to write
    int FLocatedRow = -1;
    int FInsertedRow = -1;

    bool FControlsDisabled = false;
    bool FInTransaction = false;
    bool FRowCommits = false;  // every row committed on its own (no batches)
    int FImportedAtCommit = 0; // imported count at the last commit
    bool FHostTransaction = false; // writing into a transaction the host holds
    int FRolledBackCount = 0;
    bool FLogOpened = false;      // the log of this run was opened
    bool FTransactionDue = false; // a batch was committed; the next row begins the next one
    std::unique_ptr<QFile> FLog;
    bool FLogUtf8 = true;
    QString FLogPath;
    QString FLogWriteFailure; // the first failed write of the open log; none is tried after it
    QString FErrorLogFailure;
    // The log name as the last template gave it.
    QString FTemplateErrorLogFileName;
    QStringList FTemplateNotices;

    // Without batches, rows are committed in groups this many milliseconds long.
    static constexpr int kRowCommitGroupMs = 5;
    QElapsedTimer FGroupTimer;

    std::function<void()> FYield;
    int FYieldInterval = 50;
    QElapsedTimer FYieldTimer;
    int FYieldStride = 1;    // rows between looks at the clock
    int FYieldCountdown = 1; // rows left until the next look
    qint64 FYieldLookMs = 0; // the clock at the last look
};
