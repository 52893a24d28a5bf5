#include "import/engine/Durvel3.h"

#include "import/engine/DurvelCodePage.h"
#include "platform/files/Files.h"
#include "platform/ini/IniFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cstring>
#include <utility>

namespace {

// The most rows an import makes a string grid hold: the rows of the largest spreadsheet. A
// start row from a template past it would otherwise have every row before it allocated.
constexpr int kMaxGridRows = 1048576;

void addGridRow(DurvelStringGrid* Grid)
{
    if (Grid->rowCount() >= kMaxGridRows)
        throw EDurvelError(QStringLiteral("The grid cannot take more rows"));
    Grid->setRowCount(Grid->rowCount() + 1);
}

} // namespace

// ---- row ---------------------------------------------------------------------------------------

QString DurvelTrimName(const QString& Name)
{
    int start = 0;
    int end = Name.size();
    while (start < end && Name.at(start).unicode() < 33)
        ++start;
    while (end > start && Name.at(end - 1).unicode() < 33)
        --end;
    return Name.mid(start, end - start);
}

TDurvelCol* TDurvelRow::AddColumn(const QString& Name)
{
    auto col = std::make_unique<TDurvelCol>();
    col->Name = DurvelTrimName(Name);
    TDurvelCol* result = col.get();
    ++FGeneration;
    FCols.push_back(std::move(col));
    void* found;
    if (!FByName.Search(result->Name, found))
        FByName.Insert(result->Name, result);
    return result;
}

TDurvelCol* TDurvelRow::ColumnByName(const QString& Name) const
{
    void* found;
    return FByName.Search(Name, found) ? static_cast<TDurvelCol*>(found) : nullptr;
}

void TDurvelRow::SizeNameIndex(int Lines)
{
    // Room for every line without the table growing on the way.
    const int size = qMax(1, Lines) + qMax(1, Lines) / 2 + 1;
    FNameIndex.SetTableSize(qMax(size, FNameIndex.Count()));
    FByName.SetTableSize(qMax(size, FByName.Count()));
}

namespace {

void* positionData(int Position)
{
    return reinterpret_cast<void*>(qintptr(Position));
}

} // namespace

void TDurvelRow::IndexName(const QString& Name, int Position)
{
    ++FGeneration;
    const QString name = DurvelTrimName(Name);
    void* found;
    if (FNameIndex.Search(name, found)) {
        // A name given twice points at its later line.
        for (auto& entry : FIndexed)
            if (entry.first == name)
                entry.second = Position;
        RebuildNameIndex();
        return;
    }
    FIndexed.emplace_back(name, Position);
    try {
        FNameIndex.Insert(name, positionData(Position));
    } catch (...) {
        FIndexed.pop_back();
        throw;
    }
}

void TDurvelRow::RebuildNameIndex()
{
    FNameIndex.Empty();
    for (const auto& entry : FIndexed)
        FNameIndex.Insert(entry.first, positionData(entry.second));
}

int TDurvelRow::MapPosition(const QString& Name) const
{
    void* found;
    return FNameIndex.Search(Name, found) ? int(reinterpret_cast<qintptr>(found)) : -1;
}

void TDurvelRow::SetValue(const QString& Name, const QString& Value, bool Flag)
{
    const int position = MapPosition(Name);
    if (position < 0 || position >= Count())
        return;
    TDurvelCol* col = FCols.at(std::size_t(position)).get();
    col->Value = Value;
    if (Flag)
        col->ValueSet = true;
}

void TDurvelRow::SetValueAt(int Position, const QString& Value)
{
    if (Position >= 0 && Position < Count())
        FCols[std::size_t(Position)]->Value = Value;
}

void TDurvelRow::SetValueAt(int Position, QStringView Value)
{
    if (Position < 0 || Position >= Count())
        return;
    QString& v = FCols[std::size_t(Position)]->Value;
    if (Value.isEmpty()) {
        v.clear(); // null, as a cleared value
    } else if (v.isDetached() && v.capacity() >= Value.size()) {
        v.resize(Value.size());
        std::memcpy(v.data(), Value.data(), std::size_t(Value.size()) * sizeof(QChar));
    } else {
        v = Value.toString();
    }
}

void TDurvelRow::ClearValues()
{
    for (auto& col : FCols)
        col->Value.clear();
}

void TDurvelRow::Clear()
{
    ++FGeneration;
    FCols.clear();
    FNameIndex.Empty();
    FIndexed.clear();
    FByName.Empty();
}

void TDurvelRow::Delete(int Index)
{
    ++FGeneration;
    FCols.erase(FCols.begin() + Index);
    Rehash(Index);
}

// The name index follows the columns that moved up into the freed place.
void TDurvelRow::Rehash(int Deleted)
{
    FByName.Empty();
    for (auto& col : FCols) {
        void* found;
        if (!FByName.Search(col->Name, found))
            FByName.Insert(col->Name, col.get());
    }
    std::vector<std::pair<QString, int>> indexed;
    indexed.reserve(FIndexed.size());
    for (auto& entry : FIndexed) {
        if (entry.second == Deleted)
            continue;
        indexed.emplace_back(std::move(entry.first),
                             entry.second > Deleted ? entry.second - 1 : entry.second);
    }
    FIndexed.swap(indexed);
    RebuildNameIndex();
}

// ---- component ---------------------------------------------------------------------------------

TDurvel3::TDurvel3() = default;

TDurvel3::~TDurvel3()
{
    ReleaseImportState();
}

void TDurvel3::SetFileName(const QString& Value)
{
    if (Value == FFileName)
        return;
    FFileName = Value;
    FileNameChanged();
}

QString TDurvel3::About()
{
    return QStringLiteral("Durvel3 import components: rows from spreadsheets (XLS, XLSX, ODS), "
                          "delimited and fixed-width text, dBase tables, HTML, XML, word-processor "
                          "tables (DOCX, ODT) and Access tables into a data set, a grid or a "
                          "list");
}

QString TDurvel3::Version()
{
    return QStringLiteral("3.0");
}

void TDurvel3::SetYieldHandler(std::function<void()> Handler, int IntervalMs)
{
    FYield = std::move(Handler);
    FYieldInterval = qMax(0, IntervalMs);
}

namespace {

QString exceptionMessage(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return QStringLiteral("Unknown error");
}

} // namespace

bool TDurvel3::Execute()
{
    if (FRunning)
        throw EDurvelError(QStringLiteral("An import is already running"));
    FRunning = true;
    const auto running = qScopeGuard([this] { FRunning = false; });

    FLogOpened = false;
    FErrorLogFailure.clear();
    FRolledBackCount = 0;
    FImportedAtCommit = 0;
    const bool result = CheckProperties();
    FTotalRecCount = 0;
    FFailed = false;
    try {
        PrepareImport();
        try {
            if (OnBeforeImport)
                OnBeforeImport(this);
            ImportLoop();
            // The host hears of the end with the counts of what the database keeps.
            FinishTransaction();
        } catch (...) {
            // The host hears of the failure and of what stayed.
            FFailed = true;
            RollBackOpenWork();
            try {
                if (OnAfterImport)
                    OnAfterImport(this);
            } catch (...) {
            }
            throw;
        }
        if (OnAfterImport)
            OnAfterImport(this);
    } catch (...) {
        // Whatever stage failed and whichever class acquired it, everything is given back, and
        // the log tells the failure; a source that failed while loading has its log too, not
        // the last run's.
        if (!FLogOpened && ErrorLog && !ErrorLogFileName.isEmpty()) {
            try {
                OpenErrorLog();
            } catch (...) {
            }
        }
        DoImportFailure(exceptionMessage(std::current_exception()));
        try {
            EndImport();
        } catch (...) {
        }
        ReleaseImportState();
        throw;
    }
    try {
        EndImport();
    } catch (...) {
        ReleaseImportState();
        throw;
    }
    ReleaseImportState();
    return result;
}

void TDurvel3::ImportLoop()
{
    OpenSource();
    try {
        while (!(ImportRecCount > 0 && FRowsRead >= ImportRecCount) && HasMoreRows()) {
            FRowAction = raNone;
            FRowError = false;
            if (SkipRow()) {
                ++FLineCounter;
            } else {
                ReadRow();
                if (ImportDestination == didUserDefined) {
                    if (FCanceled && !DoImportCancel())
                        break;
                    ++FRowsRead;
                    if (OnUserDefinedImport)
                        OnUserDefinedImport(this, &FRow);
                } else {
                    if (IsRowAccepted() && OnImportRowComplete)
                        OnImportRowComplete(this, &FRow);
                    if (ImportRow() == 2)
                        break;
                }
            }
            NextRow();
            MaybeYield();
        }
    } catch (...) {
        // What was written before the source failed goes back with the run's transaction.
        FSourceFailed = true;
        CloseSource();
        throw;
    }
    CloseSource();
}

void TDurvel3::ReportReadProgress(qint64 Done, qint64 Total)
{
    const qint64 done = qBound<qint64>(0, Done, Total);
    // Through a double: done * 10000 could overflow for a file of exabytes.
    const qint64 share = qint64(double(done) / double(Total) * 10000.0);
    if (share == FReadProgressShown)
        return;
    FReadProgressShown = share;
    OnReadProgress(this, done, Total);
}

void TDurvel3::MaybeYield()
{
    if (!FYield)
        return;
    if (FYieldInterval > 0 && FYieldTimer.isValid()) {
        // Reading the clock costs as much as a small row's own work: it is read every few
        // rows while rows come fast, and after every row as soon as they slow down.
        if (--FYieldCountdown > 0)
            return;
        const qint64 ms = FYieldTimer.elapsed();
        const bool fast = (ms - FYieldLookMs) * 8 < FYieldInterval;
        FYieldStride = fast ? qMin(FYieldStride * 2, 16) : 1;
        FYieldCountdown = FYieldStride;
        FYieldLookMs = ms;
        if (ms < FYieldInterval)
            return;
    }
    FYieldTimer.start();
    FYieldLookMs = 0;
    FYield();
}

int TDurvel3::ImportRow()
{
    if (FCanceled && !DoImportCancel())
        return 2;
    // ImportRecCount counts the rows handed to the destination, not those a reader drops.
    ++FRowsRead;
    if (FTransactionDue) {
        FTransactionDue = false;
        DestDataSet()->startTransaction();
        FInTransaction = true;
        FGroupTimer.start();
    }
    int result = 0;
    try {
        WriteRowToDestination();
    } catch (const EDurvelError& e) {
        CancelRecord();
        DoImportError(e.message());
        result = 1;
    } catch (const std::exception& e) {
        CancelRecord();
        // The store itself failed: no further row can be written, and what is open goes back.
        if (DurvelDataSet* ds = DestDataSet(); ds && ds->endsImport(e))
            throw;
        DoImportError(QString::fromUtf8(e.what()));
        result = 1;
    }
    // A row's failure may have taken the whole open batch with it, the import's or the host's.
    if (result == 1 && (FInTransaction || FHostTransaction))
        DestDataSet()->checkTransaction();
    if (FRowCommits) {
        // Rows kept as written, in commits a few milliseconds apart.
        if (FInTransaction && FGroupTimer.elapsed() >= kRowCommitGroupMs)
            DoNeedCommit();
    } else if (CommitRecCount > 0 && !CommitAfterDone) {
        const int n = ErrorCount() + FImportedCount;
        if (n > 0 && n % CommitRecCount == 0)
            DoNeedCommit();
    }
    return result;
}

void TDurvel3::CloseSource()
{
    // Without batches every row written is kept, however the run ends.
    if (FRowCommits) {
        if (!FInTransaction)
            return;
        if (!FSourceFailed) {
            DoNeedCommit();
            return;
        }
        try {
            DoNeedCommit();
        } catch (...) {
            // The source's own failure is the one the caller hears of.
        }
        return;
    }
    if (FCanceled || FSourceFailed)
        return;
    if (CommitAfterDone)
        DoNeedCommit();
    else if (CommitRecCount > 0 && (ErrorCount() + FImportedCount) % CommitRecCount > 0)
        DoNeedCommit();
}

bool TDurvel3::DoImportCancel()
{
    bool Continue = !FCanceled;
    if (OnImportCancel)
        OnImportCancel(this, Continue);
    FCanceled = !Continue;
    return Continue;
}

void TDurvel3::DoNeedCommit()
{
    if (FInTransaction) {
        // A commit that fails leaves the batch to be rolled back with the import's end.
        DestDataSet()->commit();
        FInTransaction = false;
        FImportedAtCommit = FImportedCount;
        // Begun again only for a further row: an import ending here has nothing to roll back,
        // and the data set need not be read again.
        FTransactionDue = true;
    }
    if (OnNeedCommit)
        OnNeedCommit(this);
}

// ---- checks and preparation --------------------------------------------------------------------

DurvelDestinationRef TDurvel3::Destination() const
{
    return {ImportDestination, DataSet, DBGrid, ListView, StringGrid, GridCaptionRow};
}

// A column of the row: a map name, or a field format that makes its own values.
bool TDurvel3::IsRowColumnName(const QString& Name) const
{
    for (int i = 0; i < FMap.Count(); ++i) {
        const QString line = FMap.Strings(i);
        const int eq = line.indexOf(FMap.NameValueSeparator());
        if (DurvelTrimName(eq < 0 ? line : line.left(eq)) == Name)
            return true;
    }
    for (int i = 0; i < FFieldFormats.Count(); ++i) {
        const TDurvelFieldFormat* f = FFieldFormats.Items(i);
        if (DurvelTrimName(f->FieldName) == Name &&
            (f->GeneratorStep != 0 || !f->ConstantValue.isEmpty()))
            return true;
    }
    return false;
}

bool TDurvel3::SourceExists() const
{
    return QFileInfo(FFileName).isFile();
}

void TDurvel3::CheckNotEmpty(const QString& FileName)
{
    const QFileInfo file(FileName);
    if (file.isFile() && file.size() == 0)
        throw EDurvelError(QStringLiteral("The file %1 is empty").arg(file.fileName()));
}

bool TDurvel3::CheckProperties()
{
    Destination().Check();
    // A data grid writes into its data set; without one there is nowhere to write.
    if (ImportDestination == didDBGrid && !DBGrid->dataSet())
        RaiseImportError(DurvelStr::DataSetNotDefined);
    if (FFileName.isEmpty())
        RaiseImportError(DurvelStr::FileNameNotSpecified);
    if (!SourceExists()) {
        // Not "does not exist" for what is there but is no file to read.
        const QFileInfo file(FFileName);
        if (file.isDir())
            throw EDurvelError(QStringLiteral("%1 is a folder, not a file").arg(FFileName));
        if (file.exists() && !file.isFile())
            throw EDurvelError(QStringLiteral("%1 is not a regular file").arg(FFileName));
        RaiseImportError(DurvelStr::FileNotExists, FFileName);
    }
    CheckNotEmpty(FFileName);
    if (FMap.Count() == 0)
        RaiseImportError(DurvelStr::MapEmpty);
    if (ImportDestination != didUserDefined) {
        for (int i = 0; i < FMap.Count(); ++i) {
            const QString line = FMap.Strings(i);
            const int eq = line.indexOf(FMap.NameValueSeparator());
            const QString name = DurvelTrimName(eq < 0 ? line : line.left(eq));
            if (DestinationColumnIndex(name) < 0)
                RaiseImportError(DurvelStr::MapColumnNotFound, name);
        }
    }
    if (ImportMode != dimInsertAll) {
        if (FKeyColumns.Count() == 0)
            RaiseImportError(DurvelStr::KeyColumnsNotDefined);
        for (int i = 0; i < FKeyColumns.Count(); ++i) {
            const QString key = FKeyColumns.Strings(i);
            // A key the row does not carry could never be matched.
            if (DestinationColumnIndex(key) < 0 || !IsRowColumnName(key))
                RaiseImportError(DurvelStr::KeyColumnNotFound, key);
        }
    }
    if (ImportDestination == didStringGrid && GridStartRow >= 0 && GridCaptionRow > GridStartRow)
        RaiseImportError(DurvelStr::GridCaptionAfterStart);
    // The grid is made GridStartRow + 1 rows long.
    if (ImportDestination == didStringGrid && GridStartRow >= kMaxGridRows)
        throw EDurvelError(QStringLiteral("GridStartRow %1 is past the last row a grid can have")
                               .arg(GridStartRow));
    return true;
}

void TDurvel3::SetTotalRecCount(int Value)
{
    FTotalRecCount = ImportRecCount >= 1 && ImportRecCount < Value ? ImportRecCount : Value;
}

// Execute gives back what this acquired when it or a reader's preparation fails.
void TDurvel3::PrepareImport()
{
    if (ImportRecCount >= 1 && ImportRecCount < FTotalRecCount)
        FTotalRecCount = ImportRecCount;
    FRowAction = FPrevRowAction = raNone;
    FImportedCount = 0;
    FConversionErrorCount = 0;
    FRowsRead = 0;
    FReadProgressShown = -1;
    FErrors.Clear();
    FLastErrorText.clear();
    FCanceled = false;
    FSourceFailed = false;
    FRunFormats.Assign(FFormats);
    FRunFieldFormats.Assign(FFieldFormats);
    FRunKeyColumns = FKeyColumns.ToStringList();

    DisableDestinationControls();

    FLineCounter = 1;
    FCurrentItem = -1;
    FLocatedRow = -1;
    FInsertedRow = -1;
    FGridRow = GridStartRow;
    if (ImportDestination == didStringGrid && StringGrid) {
        if (GridStartRow == -1)
            FGridRow = StringGrid->rowCount();
        else if (StringGrid->rowCount() <= GridStartRow)
            StringGrid->setRowCount(GridStartRow + 1);
    }

    BuildRowColumns();

    DurvelDataSet* ds = DestDataSet();
    FHostTransaction = false;
    if (ds && ds->supportsTransactions()) {
        FRowCommits = CommitRecCount <= 0 && !CommitAfterDone && ds->beginRowCommits();
        if (CommitRecCount > 0 || CommitAfterDone || FRowCommits) {
            ds->startTransaction();
            FInTransaction = true;
            FGroupTimer.start();
        }
    } else if (ds) {
        // A transaction the host holds: the database may end it under the import as well.
        try {
            ds->checkTransaction();
            FHostTransaction = true;
        } catch (...) {
        }
    }

    if (ErrorLog && !ErrorLogFileName.isEmpty())
        OpenErrorLog();
}

void TDurvel3::BuildRowColumns()
{
    FRow.Clear();
    FRow.SizeNameIndex(FMap.Count());
    FNonKeyColumns.clear();
    FGenerators.Clear();
    for (int i = 0; i < FMap.Count(); ++i) {
        const QString line = FMap.Strings(i);
        const int eq = line.indexOf(FMap.NameValueSeparator());
        const QString name = DurvelTrimName(eq < 0 ? line : line.left(eq));
        const int idx = DestinationColumnIndex(name);
        if (idx == -1 && ImportDestination != didUserDefined)
            RaiseImportError(DurvelStr::MapColumnNotFound, name);
        TDurvelCol* col = FRow.AddColumn(name);
        col->DestIndex = idx;
        FRow.IndexName(name, FRow.Count() - 1);
        if (!FRunKeyColumns.contains(name, Qt::CaseSensitive))
            FNonKeyColumns.push_back(col);
    }
    for (int i = 0; i < FRunFieldFormats.Count(); ++i) {
        const TDurvelFieldFormat* f = FRunFieldFormats.Items(i);
        const QString name = DurvelTrimName(f->FieldName);
        if (name.isEmpty())
            continue;
        if (!FRow.ColumnByName(name) && (f->GeneratorStep != 0 || !f->ConstantValue.isEmpty())) {
            const int idx = DestinationColumnIndex(name);
            if (idx >= 0)
                FRow.AddColumn(name)->DestIndex = idx;
        }
        if (FRow.ColumnByName(name) && f->GeneratorStep != 0 && !FGenerators.ByName(name))
            FGenerators.Add(name, f->GeneratorValue, f->GeneratorStep);
    }
}

void TDurvel3::EndImport()
{
    ReleaseImportState();
}

// Gives back everything an import holds, whatever stage it reached. Never throws: it runs
// while an error is on its way to the caller, and from the destructor.
void TDurvel3::ReleaseImportState()
{
    FRow.Clear();
    FNonKeyColumns.clear();
    FGenerators.Clear();
    FColumnFormats.clear();
    FFieldIndexes.clear();
    FFieldTargets.clear();
    FFieldIndexesGeneration = ~quint64(0);
    RollBackOpenWork();
    if (FRowCommits) {
        FRowCommits = false;
        try {
            if (DurvelDataSet* ds = DestDataSet())
                ds->endRowCommits();
        } catch (const std::exception& e) {
            // Another failure is on its way to the caller; the connection refuses further
            // work that is to wait for the disk until it is set back.
            qWarning("The imported rows could not be made durable: %s", e.what());
        }
    }
    if (FControlsDisabled) {
        FControlsDisabled = false;
        try {
            EnableDestinationControls();
        } catch (...) {
        }
    }
    if (FLog) {
        try {
            CloseErrorLog();
        } catch (...) {
            FLog.reset();
        }
    }
}

// What a cancel left open goes back, and rows committed without waiting for the disk reach it;
// a failure of that is the import's failure.
void TDurvel3::FinishTransaction()
{
    RollBackOpenWork();
    if (FRowCommits) {
        FRowCommits = false;
        if (DurvelDataSet* ds = DestDataSet())
            ds->endRowCommits();
    }
}

// Gives back the work not committed and takes it out of the counts, so that they tell what the
// destination keeps. Never throws.
void TDurvel3::RollBackOpenWork()
{
    FTransactionDue = false;
    DurvelDataSet* ds = DestDataSet();
    if (FInTransaction) {
        FInTransaction = false;
        CountRolledBack(FImportedCount - FImportedAtCommit);
        try {
            if (ds)
                ds->rollback();
        } catch (...) {
        }
    } else if (FHostTransaction) {
        FHostTransaction = false;
        // The rows went into the host's transaction; when the database ended it with a
        // failure, none of them stays.
        try {
            if (ds)
                ds->checkTransaction();
        } catch (...) {
            CountRolledBack(FImportedCount);
        }
    }
}

void TDurvel3::CountRolledBack(int Rows)
{
    if (Rows <= 0)
        return;
    FRolledBackCount += Rows;
    FImportedCount -= Rows;
    FImportedAtCommit = qMin(FImportedAtCommit, FImportedCount);
}

void TDurvel3::DisableDestinationControls()
{
    if (DurvelDataSet* ds = DestDataSet())
        ds->disableControls();
    else if (ImportDestination == didListView && ListView)
        ListView->beginUpdate();
    else
        return;
    FControlsDisabled = true;
}

void TDurvel3::EnableDestinationControls()
{
    if (DurvelDataSet* ds = DestDataSet())
        ds->enableControls();
    else if (ImportDestination == didListView && ListView)
        ListView->endUpdate();
}

// ---- row writing -------------------------------------------------------------------------------

void TDurvel3::ApplyFieldFormat(TDurvelCol* Column)
{
    const int idx = FRunFieldFormats.IndexByName(Column->Name);
    if (idx < 0)
        return;
    QString error;
    Column->Value = DurvelApplyFieldFormat(*FRunFieldFormats.Items(idx),
                                           FGenerators.ByName(Column->Name), Column->Value, &error);
    if (!error.isEmpty())
        DoImportErrorAdv(Column->Name + QStringLiteral(": ") + error);
}

void TDurvel3::ApplyFieldFormats()
{
    if (FRunFieldFormats.Count() == 0)
        return;
    // Looked up by name only when the row's columns changed.
    if (FRow.Generation() != FColumnFormatsGeneration) {
        FColumnFormats.assign(std::size_t(FRow.Count()), ColumnFormat());
        for (int i = 0; i < FRow.Count(); ++i) {
            const QString& name = FRow.Items(i)->Name;
            const int idx = FRunFieldFormats.IndexByName(name);
            if (idx < 0)
                continue;
            ColumnFormat& cf = FColumnFormats[std::size_t(i)];
            cf.Generator = FGenerators.ByName(name);
            if (cf.Generator || !FRunFieldFormats.Items(idx)->IsDefault())
                cf.Format = idx;
        }
        FColumnFormatsGeneration = FRow.Generation();
    }
    for (int i = 0; i < FRow.Count(); ++i) {
        const ColumnFormat& cf = FColumnFormats[std::size_t(i)];
        if (cf.Format < 0)
            continue;
        TDurvelCol* col = FRow.Items(i);
        QString error;
        col->Value = DurvelApplyFieldFormat(*FRunFieldFormats.Items(cf.Format), cf.Generator,
                                            col->Value, &error);
        if (!error.isEmpty())
            DoImportErrorAdv(col->Name + QStringLiteral(": ") + error);
    }
}

void TDurvel3::SetFieldValue(DurvelField* Field, const QString& Value, QString& ErrorText)
{
    DurvelSetFieldValue(FRunFormats, Field, Value, ErrorText);
}

void TDurvel3::WriteRowToDestination()
{
    if (!FRowFailure.isEmpty())
        throw EDurvelError(std::exchange(FRowFailure, QString()));
    bool accept = true;
    if (OnBeforePost)
        OnBeforePost(this, &FRow, accept);
    if (accept) {
        switch (ImportMode) {
        case dimInsertAll:
            InsertRecord();
            break;
        case dimInsertNew:
            if (!Locate() && !IsDuplicate())
                InsertRecord();
            break;
        case dimUpdate:
            if (Locate())
                EditRecord();
            break;
        case dimUpdateOrInsert:
            if (Locate())
                EditRecord();
            else if (!IsDuplicate())
                InsertRecord();
            break;
        case dimDelete:
            if (Locate())
                DeleteRecord();
            break;
        case dimDeleteOrInsert:
            if (Locate())
                DeleteRecord();
            else if (!IsDuplicate())
                InsertRecord();
            break;
        }
        if (FRowAction == raInserted || FRowAction == raEdited) {
            WriteColumns();
            PostRecord();
        }
    }
    if (!FRowError && OnAfterPost)
        OnAfterPost(this, &FRow);
    if (!FRowError) {
        ++FImportedCount;
        if (OnImportRecord)
            OnImportRecord(this);
        ++FLineCounter;
    }
    FPrevRowAction = FRowAction;
}

bool TDurvel3::Locate()
{
    std::vector<TDurvelCol*> keys;
    for (const QString& name : std::as_const(FRunKeyColumns))
        keys.push_back(FRow.ColumnByName(name));
    return Search(keys, true, true);
}

bool TDurvel3::IsDuplicate()
{
    // With every column a key there is nothing left to compare.
    if (AllowDuplicates || FNonKeyColumns.empty())
        return false;
    return Search(FNonKeyColumns, false, false);
}

bool TDurvel3::Search(const std::vector<TDurvelCol*>& Columns, bool CaseInsensitive, bool Notify)
{
    const Qt::CaseSensitivity cs = CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    switch (ImportDestination) {
    case didDataSet:
    case didDBGrid: {
        DurvelDataSet* ds = DestDataSet();
        if (!ds)
            return false;
        QStringList fields;
        QVariantList values;
        for (const TDurvelCol* col : Columns) {
            if (!col)
                return false;
            fields << (ImportDestination == didDBGrid ? DBGrid->columnFieldName(col->DestIndex)
                                                      : col->Name);
            values << QVariant(col->Value);
        }
        if (Notify && OnDestinationLocate)
            OnDestinationLocate(this, FRunKeyColumns, &FRow, fields, values);
        return ds->locate(fields, values, CaseInsensitive);
    }
    case didListView:
        for (const TDurvelCol* col : Columns)
            if (!col)
                return false;
        for (int item = 0; item < ListView->itemCount(); ++item) {
            bool match = true;
            for (const TDurvelCol* col : Columns)
                match =
                    match && ListView->itemText(item, col->DestIndex).compare(col->Value, cs) == 0;
            if (match) {
                FCurrentItem = item;
                return true;
            }
        }
        return false;
    case didStringGrid:
        FLocatedRow = -1;
        for (const TDurvelCol* col : Columns)
            if (!col)
                return false;
        for (int r = 0; r < StringGrid->rowCount(); ++r) {
            if (r == GridCaptionRow)
                continue;
            bool match = true;
            for (const TDurvelCol* col : Columns)
                match = match && StringGrid->cell(col->DestIndex, r).compare(col->Value, cs) == 0;
            if (match) {
                FLocatedRow = r;
                return true;
            }
        }
        return false;
    case didUserDefined:
        break;
    }
    return false;
}

void TDurvel3::InsertRecord()
{
    FRowAction = raInserted;
    switch (ImportDestination) {
    case didDataSet:
    case didDBGrid:
        if (AddType == datAppend)
            DestDataSet()->append();
        else
            DestDataSet()->insert();
        break;
    case didListView:
        FCurrentItem = ListView->addItem();
        break;
    case didStringGrid:
        if (ImportMode == dimInsertAll) {
            FInsertedRow = FGridRow;
            if (FGridRow == StringGrid->rowCount())
                addGridRow(StringGrid);
        } else if (FPrevRowAction == raNone && FGridRow == GridStartRow &&
                   StringGrid->rowCount() == GridStartRow + 1) {
            FInsertedRow = FGridRow;
        } else {
            FInsertedRow = StringGrid->rowCount();
            addGridRow(StringGrid);
        }
        break;
    case didUserDefined:
        break;
    }
}

void TDurvel3::EditRecord()
{
    FRowAction = raEdited;
    if (DurvelDataSet* ds = DestDataSet())
        ds->edit();
}

void TDurvel3::DeleteRecord()
{
    FRowAction = raDeleted;
    switch (ImportDestination) {
    case didDataSet:
    case didDBGrid:
        DestDataSet()->deleteRecord();
        break;
    case didListView:
        if (FCurrentItem >= 0 && FCurrentItem < ListView->itemCount())
            ListView->deleteItem(FCurrentItem);
        FCurrentItem = -1;
        break;
    case didStringGrid: {
        const int r = FLocatedRow;
        const int rows = StringGrid->rowCount();
        if (r >= 0 && r < rows) {
            for (int row = r; row < rows - 1; ++row)
                for (int c = 0; c < StringGrid->colCount(); ++c)
                    StringGrid->setCell(c, row, StringGrid->cell(c, row + 1));
            for (int c = 0; c < StringGrid->colCount(); ++c)
                StringGrid->setCell(c, rows - 1, QString());
            StringGrid->setRowCount(rows - 1);
            if (FGridRow > r)
                --FGridRow;
        }
        FLocatedRow = -1;
        break;
    }
    case didUserDefined:
        break;
    }
}

// The grid's columns name their fields: looked up by name only when the row's columns changed.
void TDurvel3::FindFieldIndexes(DurvelDataSet* DataSet)
{
    if (FRow.Generation() == FFieldIndexesGeneration)
        return;
    FFieldIndexes.assign(std::size_t(FRow.Count()), -1);
    FFieldTargets.assign(std::size_t(FRow.Count()), DurvelFieldTarget());
    for (int i = 0; i < FRow.Count(); ++i) {
        const int dest = FRow.Items(i)->DestIndex;
        if (dest < 0)
            continue;
        if (ImportDestination == didDataSet) {
            FFieldIndexes[std::size_t(i)] = dest;
        } else if (DurvelField* f = DataSet->findField(DBGrid->columnFieldName(dest))) {
            FFieldIndexes[std::size_t(i)] = f->index();
        }
    }
    FFieldIndexesGeneration = FRow.Generation();
}

void TDurvel3::WriteColumns()
{
    QString errorText;
    if (ImportDestination == didDataSet || ImportDestination == didDBGrid) {
        DurvelDataSet* ds = DestDataSet();
        FindFieldIndexes(ds);
        for (int i = 0; i < FRow.Count(); ++i) {
            const TDurvelCol* col = FRow.Items(i);
            if (col->DestIndex < 0)
                continue;
            const int index = FFieldIndexes[std::size_t(i)];
            DurvelField* field = index >= 0 ? ds->field(index) : nullptr;
            // A field the data set made anew starts its conversion afresh.
            DurvelFieldTarget& target = FFieldTargets[std::size_t(i)];
            if (target.Field != field || target.NullFormats != &FRunFormats)
                target = DurvelFieldTarget(field, FRunFormats);
            DurvelSetFieldValue(FRunFormats, target, col->Value, errorText);
            if (!errorText.isEmpty())
                DoImportErrorAdv(errorText);
        }
        return;
    }
    for (int i = 0; i < FRow.Count(); ++i) {
        const TDurvelCol* col = FRow.Items(i);
        if (col->DestIndex < 0)
            continue;
        switch (ImportDestination) {
        case didListView:
            if (FCurrentItem >= 0 && FCurrentItem < ListView->itemCount())
                ListView->setItemText(FCurrentItem, col->DestIndex, col->Value);
            break;
        case didStringGrid: {
            const int row = FRowAction == raEdited ? FLocatedRow : FInsertedRow;
            if (row >= 0 && row < StringGrid->rowCount())
                StringGrid->setCell(col->DestIndex, row, col->Value);
            break;
        }
        default:
            break;
        }
    }
}

void TDurvel3::PostRecord()
{
    if (DurvelDataSet* ds = DestDataSet()) {
        const auto state = ds->state();
        if (state == DurvelDataSet::State::Edit || state == DurvelDataSet::State::Insert)
            ds->post();
    } else if (ImportDestination == didStringGrid) {
        ++FGridRow;
    }
}

void TDurvel3::CancelRecord()
{
    try {
        if (DurvelDataSet* ds = DestDataSet()) {
            const auto state = ds->state();
            if (state == DurvelDataSet::State::Edit || state == DurvelDataSet::State::Insert)
                ds->cancel();
        }
    } catch (...) {
    }
}

// ---- error log ---------------------------------------------------------------------------------

bool TDurvel3::ErrorLogNameFromTemplate() const
{
    return !FTemplateErrorLogFileName.isEmpty() && ErrorLogFileName == FTemplateErrorLogFileName;
}

QString TDurvel3::ErrorLogPath() const
{
    if (ErrorLogFileName.isEmpty())
        return QString();
    const QDir programDir(QCoreApplication::applicationDirPath());
    if (!ErrorLogNameFromTemplate()) {
        if (ErrorLogFileName.contains(u'/'))
            return ErrorLogFileName;
        return programDir.filePath(ErrorLogFileName);
    }
    // A template may come from anywhere: its folder is never created, and a name relative to
    // the program's folder, so that it cannot reach a file through the current folder.
    return ResolveProgramFolderName(ErrorLogFileName);
}

QString TDurvel3::ResolveProgramFolderName(const QString& Name)
{
    QString why;
    const QString path =
        files::resolveInside(QCoreApplication::applicationDirPath(), Name.trimmed(), &why);
    if (path.isEmpty())
        throw EDurvelError(why);
    return path;
}

QString TDurvel3::Timestamp() const
{
    return DurvelFormatDateTime(FRunFormats,
                                FRunFormats.ShortDateFormat + u' ' + FRunFormats.ShortTimeFormat,
                                QDateTime::currentDateTime());
}

QString TDurvel3::ErrorLine(const QString& Message) const
{
    return FormatImportStr(DurvelStr::LogLine,
                           {Timestamp(), QString::number(FLineCounter), Message});
}

void TDurvel3::WriteLogLine(const QString& Line)
{
    // After a failed write (a full disk, a reader gone from a pipe) nothing more is tried: the
    // end of the run tells that the log is incomplete.
    if (!FLog || !FLogWriteFailure.isEmpty())
        return;
    const QString text = Line + QStringLiteral("\r\n");
    FLogWriteFailure = files::write(*FLog, FLogUtf8 ? text.toUtf8() : durvel::toAnsiForLog(text));
}

void TDurvel3::OpenErrorLog()
{
    FLogPath = ErrorLogPath();
    const QString folder = QFileInfo(FLogPath).path();
    if (!ErrorLogNameFromTemplate() && !QDir().mkpath(folder))
        throw EDurvelError(QStringLiteral("Cannot create the folder %1").arg(folder));
    auto file = std::make_unique<QFile>(FLogPath);
    const QIODevice::OpenMode mode = RewriteErrorLogFile
                                         ? QIODevice::WriteOnly | QIODevice::Truncate
                                         : QIODevice::WriteOnly | QIODevice::Append;
    // A pipe or a device is written into as it is; one nothing reads from is refused. A name
    // resolved within the program's folder is opened without following a link.
    const bool resolved = ErrorLogNameFromTemplate() || ErrorLogFileNameResolved;
    const QString failure =
        files::openForWriting(*file, mode, resolved ? files::Links::None : files::Links::Follow);
    if (!failure.isEmpty())
        throw EDurvelError(
            QStringLiteral("Cannot open the error log %1: %2").arg(FLogPath, failure));
    // A new log is UTF-8 with a byte-order mark, which every viewer reads; a log appended to
    // keeps the encoding it was begun in (an older one is in the ANSI page). Only a plain file
    // is read for it.
    bool utf8 = true;
    if (!RewriteErrorLogFile && file->size() > 0)
        utf8 = files::leadingBytes(*file, FLogPath, 3) == QByteArray("\xEF\xBB\xBF");
    if (utf8 && file->size() == 0) {
        if (const QString why = files::write(*file, "\xEF\xBB\xBF"); !why.isEmpty()) {
            files::close(*file);
            throw EDurvelError(
                QStringLiteral("Cannot write the error log %1: %2").arg(FLogPath, why));
        }
    }
    FLogUtf8 = utf8;
    FLogWriteFailure.clear();
    FLog = std::move(file);
    FLogOpened = true;
    WriteLogLine(FormatImportStr(DurvelStr::LogStarted, {Timestamp()}) + QStringLiteral("\r\n"));
}

void TDurvel3::CloseErrorLog()
{
    const int errors = ErrorCount() + FConversionErrorCount + (FFailed ? 1 : 0);
    if (errors > 0)
        WriteLogLine(QString());
    WriteLogLine(FormatImportStr(DurvelStr::LogFinished, {Timestamp()}));
    // A run that did not end normally never reads as clean, and says what it left behind.
    QString summary;
    if (errors > 0)
        summary = FormatImportStr(DurvelStr::LogErrorsFound, {QString::number(errors)});
    else if (!FCanceled && !FFailed)
        summary = LoadImportStr(DurvelStr::LogNoError);
    if (FCanceled || FFailed) {
        if (!summary.isEmpty())
            WriteLogLine(summary);
        summary = FormatImportStr(FFailed ? DurvelStr::LogFailed : DurvelStr::LogCanceled,
                                  {QString::number(KeptCount())});
    }
    WriteLogLine(summary + QStringLiteral("\r\n"));
    // A device may keep bytes back until it is closed: its failure is the log's.
    const QString closed = files::close(*FLog);
    FLog.reset();
    const QString failure = FLogWriteFailure.isEmpty() ? closed : FLogWriteFailure;
    FLogWriteFailure.clear();
    if (!failure.isEmpty())
        FErrorLogFailure = FormatImportStr(DurvelStr::LogIncomplete, {FLogPath, failure});
    if (ShowErrorLog && OnShowErrorLog)
        OnShowErrorLog(FLogPath);
}

void TDurvel3::DoImportError(const QString& Message)
{
    FRowError = true;
    FLastErrorText = ErrorLine(Message);
    FErrors.Add(FLastErrorText);
    WriteLogLine(FLastErrorText);
    ++FLineCounter;
    if (OnImportError)
        OnImportError(this);
}

void TDurvel3::DoImportFailure(const QString& Message)
{
    FFailed = true;
    FLastErrorText = ErrorLine(Message);
    WriteLogLine(FLastErrorText);
}

void TDurvel3::DoImportErrorAdv(const QString& Text)
{
    FLastErrorText = ErrorLine(Text);
    ++FConversionErrorCount;
    WriteLogLine(FLastErrorText);
    if (OnImportErrorAdv)
        OnImportErrorAdv(this);
}
