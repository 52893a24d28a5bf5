#include "import/engine/ADO_Durvel3Access.h"

#include "platform/access/AccessDatabase.h"
#include "platform/ini/IniFile.h"

#include <QDateTime>
#include <QScopeGuard>

namespace {

const QString kOptions = QStringLiteral("ACCESS_OPTIONS");
const QString kSQL = QStringLiteral("SQL");

// Thrown out of the wait on the helper when the user confirms a cancel.
struct CanceledWhileWaiting
{};

} // namespace

TADO_Durvel3Access::TADO_Durvel3Access() = default;

TADO_Durvel3Access::~TADO_Durvel3Access() = default;

QString TADO_Durvel3Access::QueryText() const
{
    if (SourceType == isTable)
        return TableName.isEmpty() ? QString()
                                   : QStringLiteral("select * from [%1]").arg(TableName);
    return FSQL.ToStringList().join(u'\n');
}

std::unique_ptr<AccessCursor> TADO_Durvel3Access::OpenCursor(AccessDatabase& Db) const
{
    if (SourceType == isTable)
        return Db.openTable(TableName);
    return Db.openQuery(QueryText());
}

QString TADO_Durvel3Access::FieldTypeName(const AccessColumn& Column)
{
    using K = AccessColumn::Kind;
    switch (Column.kind) {
    case K::Text:
    case K::Guid:
        return QStringLiteral("Text(%1)").arg(Column.size);
    case K::Integer:
    case K::Float:
    case K::Decimal:
        return QStringLiteral("Number");
    case K::Boolean:
        return QStringLiteral("Yes/No");
    case K::Currency:
        return QStringLiteral("Currency");
    case K::DateTime:
        return QStringLiteral("Date/Time");
    case K::AutoNumber:
        return QStringLiteral("AutoNumber");
    case K::Memo:
    case K::Ole:
        return QStringLiteral("Memo");
    default:
        return QStringLiteral("Unknown");
    }
}

void TADO_Durvel3Access::GetFieldList(TWideStrings& List)
{
    if (QueryText().trimmed().isEmpty())
        return;
    AccessDatabase db(FileName(), Password);
    const auto cursor = OpenCursor(db);
    for (const AccessColumn& c : cursor->columns())
        List.AddObject(c.name + u'=' + FieldTypeName(c), reinterpret_cast<void*>(quintptr(c.kind)));
}

void TADO_Durvel3Access::GetTableNames(TWideStrings& List)
{
    AccessDatabase db(FileName(), Password);
    List.Clear();
    for (const QString& name : db.tableNames())
        List.Add(name);
}

void TADO_Durvel3Access::PrepareImport()
{
    // The base first: it clears a cancel left from an earlier run, so that only one made
    // during this wait counts, and Execute gives back what it took if the file then fails.
    TDurvel3::PrepareImport();
    FCanceledEarly = false;
    // The helper may count for a while: the host's window stays alive meanwhile, and a cancel
    // the user confirms ends the wait. Later, among the rows, the loop takes the cancel itself
    // and the waits only yield.
    const AccessWaitHandler waiting = [this](qint64) {
        MaybeYield();
        if (FCounting && Canceled() && !DoImportCancel())
            throw CanceledWhileWaiting{};
    };
    qint64 rows = 0;
    FCounting = true;
    const auto counted = qScopeGuard([this] { FCounting = false; });
    try {
        FDb = std::make_unique<AccessDatabase>(FileName(), Password, waiting);
        FCursor = OpenCursor(*FDb);
        rows = FCursor->rowCount();
    } catch (const AccessError& e) {
        FreeSource();
        throw EDurvelError(e.message());
    } catch (const CanceledWhileWaiting&) {
        FreeSource();
        FCanceledEarly = true;
        return;
    }
    // The rows handed on: the skipped first ones are not.
    const qint64 handed = rows - qMax(0, SkipFirstRows);
    SetTotalRecCount(int(qBound<qint64>(0, handed, qint64(std::numeric_limits<int>::max()))));
}

void TADO_Durvel3Access::OpenSource()
{
    FTargets.clear();
    FHasRow = false;
    // Cancelled before the first row: nothing to read.
    if (FCanceledEarly)
        return;
    if (!FCursor)
        throw EDurvelError(QStringLiteral("The Access source is not open"));
    const TWideStringList& map = Map();
    const QChar sep = map.NameValueSeparator();
    for (int i = 0; i < map.Count(); ++i) {
        const QString line = map.Strings(i);
        const qsizetype eq = line.indexOf(sep);
        if (eq < 0)
            continue;
        QString field = line.mid(eq + 1);
        // A value holding "=" names the field before it.
        if (const qsizetype more = field.indexOf(u'='); more >= 0)
            field.truncate(more);
        FTargets.append({DurvelTrimName(line.left(eq)), FCursor->indexOf(field.trimmed())});
    }
    FToSkip = qMax(0, SkipFirstRows);
    FHasRow = NextCursorRow();
}

bool TADO_Durvel3Access::NextCursorRow()
{
    try {
        return FCursor->next();
    } catch (const AccessError& e) {
        throw EDurvelError(e.message());
    }
}

QString TADO_Durvel3Access::ValueText(int Column) const
{
    const QVariant v = FCursor->value(Column);
    if (v.isNull())
        return {};
    const TDurvelFormats& f = RunFormats();
    const auto decimal = [&](QString text) {
        if (f.DecimalSeparator != u'.')
            text.replace(u'.', f.DecimalSeparator);
        return text;
    };
    using K = AccessColumn::Kind;
    switch (FCursor->columns().at(Column).kind) {
    case K::Boolean: {
        const TWideStringList& words = v.toBool() ? f.BooleanTrue() : f.BooleanFalse();
        return words.Count() ? words.Strings(0)
                             : (v.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
    }
    case K::Float:
        return decimal(QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest));
    case K::Currency:
    case K::Decimal:
        return decimal(v.toString());
    case K::DateTime: {
        const QDateTime dt = v.toDateTime();
        const bool hasTime = dt.time() != QTime(0, 0);
        // A time alone lies on the first day of the date system.
        if (hasTime && dt.date() == QDate(1899, 12, 30))
            return DurvelFormatDateTime(f, f.LongTimeFormat, dt);
        return DurvelFormatDateTime(
            f, hasTime ? f.ShortDateFormat + u' ' + f.LongTimeFormat : f.ShortDateFormat, dt);
    }
    case K::Binary:
    case K::Ole:
        return QString::fromLatin1(v.toByteArray().toHex());
    default:
        return v.toString();
    }
}

void TADO_Durvel3Access::ReadRow()
{
    TDurvelRow* row = Row();
    row->ClearValues();
    for (const Target& t : std::as_const(FTargets)) {
        if (t.Column >= 0)
            row->SetValue(t.Name, ValueText(t.Column));
    }
    ApplyFieldFormats();
}

void TADO_Durvel3Access::NextRow()
{
    FHasRow = NextCursorRow();
    if (FToSkip >= 1)
        --FToSkip;
}

void TADO_Durvel3Access::FreeSource()
{
    FCursor.reset();
    FDb.reset();
    FTargets.clear();
    FHasRow = false;
}

void TADO_Durvel3Access::CloseSource()
{
    FreeSource();
    TDurvel3::CloseSource();
}

void TADO_Durvel3Access::EndImport()
{
    TDurvel3::EndImport();
    FreeSource();
}

void TADO_Durvel3Access::SaveTemplateSections(IniFile& Ini)
{
    TDurvel3::SaveTemplateSections(Ini);
    Ini.writeInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    Ini.writeInteger(kOptions, QStringLiteral("SourceType"), SourceType);
    Ini.writeString(kOptions, QStringLiteral("TableName"), TableName);
    // The password is never written to a template.
    Ini.eraseSection(kSQL);
    for (int i = 0; i < FSQL.Count(); ++i)
        Ini.writeString(kSQL, QStringLiteral("Line%1").arg(i + 1, 3, 10, QChar(u'0')),
                        FSQL.Strings(i));
}

void TADO_Durvel3Access::LoadTemplateSections(IniFile& Ini)
{
    TDurvel3::LoadTemplateSections(Ini);
    const qint64 skip = Ini.readInteger(kOptions, QStringLiteral("SkipRows"), SkipFirstRows);
    if (skip >= 0 && skip <= std::numeric_limits<int>::max())
        SkipFirstRows = int(skip);
    const qint64 type = Ini.readInteger(kOptions, QStringLiteral("SourceType"), SourceType);
    if (type == isTable || type == isSQL)
        SourceType = TDurvelAccessSourceType(type);
    TableName = Ini.readString(kOptions, QStringLiteral("TableName"), TableName);
    FSQL.Clear();
    for (const QString& key : Ini.keys(kSQL))
        FSQL.Add(Ini.readString(kSQL, key));
}
