#include "import/engine/DurvelDbDataSet.h"

#include "platform/db/DataSet.h"
#include "platform/db/RowStore.h"

#include <sqlite3.h>

#include <QHash>

#include <algorithm>
#include <cstring>

TDurvelFieldType durvelFieldType(int dbFieldType)
{
    switch (db::FieldType(dbFieldType)) {
    case db::FieldType::AutoInc:
        return ftAutoInc;
    case db::FieldType::Integer:
        return ftLargeint;
    case db::FieldType::Boolean:
        return ftBoolean;
    case db::FieldType::Float:
        return ftFloat;
    case db::FieldType::Numeric:
        return ftBCD;
    case db::FieldType::Text:
        return ftWideString;
    case db::FieldType::Memo:
        return ftWideMemo;
    case db::FieldType::DateTime:
        return ftDateTime;
    case db::FieldType::Blob:
        return ftBlob;
    case db::FieldType::Unknown:
        break;
    }
    return ftUnknown;
}

namespace {

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

// The value as the data set holds it for a field of that type.
QVariant normalised(const db::Field& f, const QVariant& v)
{
    if (isNull(v))
        return v;
    switch (f.type) {
    case db::FieldType::Text:
    case db::FieldType::Memo:
        return v.toString();
    case db::FieldType::Boolean:
        return v.toBool();
    case db::FieldType::Integer:
    case db::FieldType::AutoInc:
        return v.typeId() == QMetaType::Int ? QVariant(v.toLongLong()) : v;
    default:
        return v;
    }
}

// SQLite's NOCASE folds ASCII letters only; a text with any other cased letter is compared by
// Unicode case folding instead, row by row.
bool asciiFoldingSuffices(const QVariant& v)
{
    if (v.typeId() != QMetaType::QString)
        return true;
    for (const QChar c : *static_cast<const QString*>(v.constData()))
        if (c.unicode() >= 0x80 && (c.toCaseFolded() != c || c.toUpper() != c))
            return false;
    return true;
}

} // namespace

// ---- writing straight to the table ---------------------------------------------------------

class DurvelDbDataSet::Direct
{
public:
    // Feeding: the data set does not stand for the whole table. Only new rows are written
    // here, each then handed to the data set's rows; everything else goes through the data set.
    Direct(db::DataSet* ds, bool feeding);
    ~Direct();
    Direct(const Direct&) = delete;
    Direct& operator=(const Direct&) = delete;

    DurvelDataSet::State state = DurvelDataSet::State::Browse;
    // The pending record, per field: a text goes to the statement as the UTF-8 made when it
    // was set, a Boolean as its number; any other value as a variant.
    struct Slot
    {
        enum Kind : char { Variant, Text, Boolean };
        QVariant value;
        std::vector<char> utf8; // grows to the longest text met; the text, then a NUL
        int bytes = 0;
        qsizetype chars = 0; // the text's length, for the size check
        Kind kind = Variant;
        // Text: read back as the null text it was given; Boolean: the value.
        bool flag = false;
        bool hasNul = false; // Text: holds a NUL of its own
    };
    std::vector<Slot> cells;
    std::vector<char> modified; // per field: set in the pending record
    int setCount = 0;           // fields set in the pending record
    // Per field: a text goes into its slot as it is (a writable text field).
    std::vector<char> takesText;
    qint64 located = -1;
    qint64 editKey = -1;
    qint64 lastKey = -1;
    bool changed = false;
    const bool feeding;
    bool atEnd = true; // feeding: the new row goes to the end (append), not before the current

    void begin(DurvelDataSet::State s, qint64 key);
    // Notes the field as set in the pending record.
    void mark(int field);
    void set(int field, const QVariant& value);
    void setText(int field, QStringView text);
    void setBoolean(int field, bool value);
    QVariant pending(int field) const;
    void post();
    void remove();
    bool locate(const QStringList& fields, const QVariantList& values, bool caseInsensitive);
    QVariant read(int field, qint64 key);

private:
    sqlite3_stmt* prepare(const QString& sql);
    // The statements for the fields set in the pending record.
    sqlite3_stmt* insertFor();
    sqlite3_stmt* updateFor();
    void bind(sqlite3_stmt* st, int index, const QVariant& value);
    bool stepRow(sqlite3_stmt* st);
    void run(sqlite3_stmt* st);
    // Look-ups the table's indexes cannot answer (or whose case SQLite cannot fold) go through
    // a hash of the looked-up columns, made by one pass over the table and kept up to date with
    // every row written; a hash only proposes records, each is checked against the table.
    struct Memo
    {
        QVector<int> fields;
        bool caseInsensitive = false;
        std::vector<std::pair<quint64, qint64>> base; // (hash, key), sorted
        QHash<quint64, std::vector<qint64>> added;    // rows written since
        sqlite3_stmt* row = nullptr;                  // the columns of one record
    };
    bool usesIndex(const QString& sql);
    Memo& memoFor(const QVector<int>& fields, bool caseInsensitive);
    bool readParts(Memo& memo, qint64 key, QStringList& parts);
    bool memoLocate(const QVector<int>& fields, const QVariantList& values, bool caseInsensitive);
    void noteWritten(qint64 key);
    std::vector<std::unique_ptr<Memo>> m_memos;
    QHash<QString, bool> m_indexed;

    db::DataSet* m_ds;
    sqlite3* m_db;
    QString m_table;
    QString m_key;
    QVector<QString> m_columns; // quoted, per field
    // Per field: the most characters a text may have, 0 when unchecked.
    std::vector<int> m_limits;
    QHash<QByteArray, sqlite3_stmt*> m_inserts;
    // Rows of an import mostly set the same fields: their statement is kept at hand.
    std::vector<char> m_lastMask;
    sqlite3_stmt* m_lastInsert = nullptr;
    QHash<QByteArray, sqlite3_stmt*> m_updates;
    QHash<QString, sqlite3_stmt*> m_lookups;
    std::vector<sqlite3_stmt*> m_all;
    std::vector<QByteArray> m_texts;
    db::RowCells m_row; // feeding: the row written, on its way to the data set
    void feed();
};

DurvelDbDataSet::Direct::Direct(db::DataSet* ds, bool feeding)
    : feeding(feeding), m_ds(ds), m_db(ds->connection()->handle()),
      m_table(quoteIdent(ds->baseTable())), m_key(quoteIdent(ds->keyColumn()))
{
    for (const db::Field& f : ds->fields()) {
        m_columns << quoteIdent(f.origin);
        m_limits.push_back(f.type == db::FieldType::Text && f.size > 0 ? f.size : 0);
        takesText.push_back(!f.readOnly &&
                            (f.type == db::FieldType::Text || f.type == db::FieldType::Memo));
    }
    m_texts.resize(std::size_t(ds->fieldCount()) + 1);
    cells.resize(std::size_t(ds->fieldCount()));
    modified.assign(std::size_t(ds->fieldCount()), 0);
}

DurvelDbDataSet::Direct::~Direct()
{
    for (sqlite3_stmt* st : m_all)
        sqlite3_finalize(st);
}

sqlite3_stmt* DurvelDbDataSet::Direct::prepare(const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK)
        throw m_ds->connection()->lastError();
    m_all.push_back(st);
    return st;
}

sqlite3_stmt* DurvelDbDataSet::Direct::insertFor()
{
    if (m_lastInsert && modified == m_lastMask)
        return m_lastInsert;
    const QByteArray mask(modified.data(), qsizetype(modified.size()));
    if (sqlite3_stmt* st = m_inserts.value(mask)) {
        m_lastMask = modified;
        return m_lastInsert = st;
    }
    QStringList cols, marks;
    for (int i = 0; i < mask.size(); ++i)
        if (mask[i]) {
            cols << m_columns[i];
            marks << QStringLiteral("?");
        }
    sqlite3_stmt* st =
        prepare(cols.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table)
                               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(m_table, cols.join(u','), marks.join(u',')));
    m_inserts.insert(mask, st);
    m_lastMask = modified;
    return m_lastInsert = st;
}

sqlite3_stmt* DurvelDbDataSet::Direct::updateFor()
{
    const QByteArray mask(modified.data(), qsizetype(modified.size()));
    if (sqlite3_stmt* st = m_updates.value(mask))
        return st;
    QStringList sets;
    for (int i = 0; i < mask.size(); ++i)
        if (mask[i])
            sets << m_columns[i] + QStringLiteral(" = ?");
    sqlite3_stmt* st = prepare(
        QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?").arg(m_table, sets.join(u','), m_key));
    m_updates.insert(mask, st);
    return st;
}

void DurvelDbDataSet::Direct::bind(sqlite3_stmt* st, int index, const QVariant& value)
{
    if (std::size_t(index) > m_texts.size())
        m_texts.resize(std::size_t(index));
    if (db::bindVariant(st, index, value, m_texts[std::size_t(index - 1)]) != SQLITE_OK)
        throw m_ds->connection()->lastError();
}

bool DurvelDbDataSet::Direct::stepRow(sqlite3_stmt* st)
{
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const db::Error e = m_ds->connection()->lastError();
    sqlite3_reset(st);
    throw e;
}

void DurvelDbDataSet::Direct::run(sqlite3_stmt* st)
{
    stepRow(st);
    sqlite3_reset(st);
}

void DurvelDbDataSet::Direct::begin(DurvelDataSet::State s, qint64 key)
{
    state = s;
    editKey = key;
    // A field's value stays until it is set again: only the set fields are bound.
    if (setCount > 0)
        std::fill(modified.begin(), modified.end(), 0);
    setCount = 0;
}

void DurvelDbDataSet::Direct::mark(int field)
{
    char& set = modified[std::size_t(field)];
    setCount += !set;
    set = 1;
}

void DurvelDbDataSet::Direct::set(int field, const QVariant& value)
{
    Slot& slot = cells[std::size_t(field)];
    slot.value = value;
    slot.kind = Slot::Variant;
    mark(field);
}

void DurvelDbDataSet::Direct::setBoolean(int field, bool value)
{
    Slot& slot = cells[std::size_t(field)];
    slot.kind = Slot::Boolean;
    slot.flag = value;
    mark(field);
}

void DurvelDbDataSet::Direct::setText(int field, QStringView text)
{
    Slot& slot = cells[std::size_t(field)];
    const std::size_t room = std::size_t(text.size()) * 3 + 1; // and a NUL
    if (slot.utf8.size() < room)
        slot.utf8.resize(room);
    char* end = db::toUtf8(text, slot.utf8.data(), slot.hasNul);
    *end = 0;
    slot.bytes = int(end - slot.utf8.data());
    slot.chars = text.size();
    slot.kind = Slot::Text;
    slot.flag = text.isNull();
    mark(field);
}

QVariant DurvelDbDataSet::Direct::pending(int field) const
{
    const Slot& slot = cells[std::size_t(field)];
    switch (slot.kind) {
    case Slot::Variant:
        return slot.value;
    case Slot::Boolean:
        return QVariant(slot.flag);
    case Slot::Text:
        break;
    }
    return slot.flag ? QVariant(QString())
                     : QVariant(QString::fromUtf8(slot.utf8.data(), slot.bytes));
}

void DurvelDbDataSet::Direct::post()
{
    const std::size_t count = modified.size();
    // In field order, so that the first overlong field is the one named.
    for (std::size_t f = 0; f < count; ++f) {
        const int limit = m_limits[f];
        if (!modified[f] || limit == 0)
            continue;
        const Slot& slot = cells[f];
        bool tooLong = slot.chars > limit;
        if (slot.kind != Slot::Text) {
            const QVariant other = pending(int(f));
            tooLong = !isNull(other) && other.toString().size() > limit;
        }
        if (tooLong)
            throw db::Error(db::Error::Kind::Field,
                            db::DataSet::tooLongMessage(m_ds->field(int(f))));
    }
    sqlite3_stmt* st = nullptr;
    if (state == DurvelDataSet::State::Insert)
        st = insertFor();
    else if (setCount > 0)
        st = updateFor();
    if (st) {
        int n = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (!modified[i])
                continue;
            const Slot& slot = cells[i];
            ++n;
            int rc = SQLITE_OK;
            switch (slot.kind) {
            case Slot::Variant:
                bind(st, n, slot.value);
                break;
            case Slot::Boolean:
                rc = sqlite3_bind_int(st, n, slot.flag ? 1 : 0);
                break;
            case Slot::Text:
                rc = db::bindTerminatedUtf8(st, n, slot.utf8.data(), slot.bytes, slot.hasNul);
                break;
            }
            if (rc != SQLITE_OK)
                throw m_ds->connection()->lastError();
        }
        if (state == DurvelDataSet::State::Insert) {
            run(st);
            lastKey = sqlite3_last_insert_rowid(m_db);
            if (feeding)
                feed();
        } else {
            bind(st, ++n, editKey);
            run(st);
            lastKey = editKey;
        }
        changed = true;
        if (!m_memos.empty())
            noteWritten(lastKey);
    }
    state = DurvelDataSet::State::Browse;
}

void DurvelDbDataSet::Direct::feed()
{
    // Browse first: the data set's signals may reach code that asks for the state.
    state = DurvelDataSet::State::Browse;
    m_row.reset(int(cells.size()));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (!modified[i])
            continue;
        const Slot& slot = cells[i];
        switch (slot.kind) {
        case Slot::Variant:
            m_row.setVariant(int(i), slot.value);
            break;
        case Slot::Boolean:
            m_row.setBoolean(int(i), slot.flag);
            break;
        case Slot::Text:
            m_row.setText(int(i), slot.utf8.data(), std::size_t(slot.bytes));
            break;
        }
    }
    m_ds->insertWritten(atEnd, lastKey, m_row);
}

void DurvelDbDataSet::Direct::remove()
{
    if (located < 0)
        throw db::Error(QStringLiteral("There is no record to delete."));
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(m_table, m_key);
    sqlite3_stmt* st = m_lookups.value(sql);
    if (!st)
        m_lookups.insert(sql, st = prepare(sql));
    bind(st, 1, located);
    run(st);
    located = -1;
    changed = true;
}

QVariant DurvelDbDataSet::Direct::read(int field, qint64 key)
{
    if (key < 0)
        return QVariant();
    db::Statement st = m_ds->connection()->prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :k").arg(m_columns[field], m_table, m_key));
    st.bind({{QStringLiteral("k"), key}});
    return st.step() ? st.value(0, m_ds->field(field).type) : QVariant();
}

bool DurvelDbDataSet::Direct::locate(const QStringList& names, const QVariantList& values,
                                     bool caseInsensitive)
{
    located = -1;
    if (names.size() != values.size())
        throw db::Error(QStringLiteral("Locate needs one value per field."));
    QVector<int> fields;
    bool ascii = true;
    for (int k = 0; k < names.size(); ++k) {
        fields << m_ds->fieldByName(names[k]).index;
        ascii = ascii && (!caseInsensitive || asciiFoldingSuffices(values[k]));
    }
    // The first record in key order, as the data set would find it; equal keys of an index
    // come in key order, so the index answers it.
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(m_key, m_table);
    for (int k = 0; k < fields.size(); ++k) {
        if (k)
            sql += QLatin1String(" AND ");
        sql +=
            m_columns[fields[k]] + QLatin1String(" IS ?") +
            (caseInsensitive ? QLatin1String(" COLLATE NOCASE") : QLatin1String(" COLLATE BINARY"));
    }
    sql += QStringLiteral(" ORDER BY %1 LIMIT 1").arg(m_key);
    if (!ascii || !usesIndex(sql))
        return memoLocate(fields, values, caseInsensitive);
    sqlite3_stmt* st = m_lookups.value(sql);
    if (!st)
        m_lookups.insert(sql, st = prepare(sql));
    for (int k = 0; k < fields.size(); ++k) {
        const db::Field& f = m_ds->field(fields[k]);
        const QVariant& v = values[k];
        bind(st, k + 1,
             isNull(v) || f.type != db::FieldType::Boolean ? normalised(f, v)
                                                           : QVariant(v.toBool() ? 1 : 0));
    }
    if (stepRow(st))
        located = sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
    return located >= 0;
}

namespace {

// A value as the data set's own look-up compares it.
QString part(const QVariant& v, db::FieldType type, bool caseInsensitive)
{
    if (isNull(v))
        return QStringLiteral("\x01N");
    if (type == db::FieldType::Boolean || v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return caseInsensitive ? v.toString().toCaseFolded() : v.toString();
}

quint64 hashOf(const QStringList& parts)
{
    return quint64(qHash(parts.join(QChar(0))));
}

} // namespace

bool DurvelDbDataSet::Direct::usesIndex(const QString& sql)
{
    const auto known = m_indexed.constFind(sql);
    if (known != m_indexed.constEnd())
        return known.value();
    sqlite3_stmt* plan = prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    bool indexed = true;
    while (stepRow(plan)) {
        const char* detail = reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
        if (detail && std::strncmp(detail, "SCAN", 4) == 0)
            indexed = false;
    }
    sqlite3_reset(plan);
    m_indexed.insert(sql, indexed);
    return indexed;
}

bool DurvelDbDataSet::Direct::readParts(Memo& memo, qint64 key, QStringList& parts)
{
    bind(memo.row, 1, key);
    parts.clear();
    const bool found = stepRow(memo.row);
    if (found)
        for (int k = 0; k < memo.fields.size(); ++k) {
            const db::Field& f = m_ds->field(memo.fields[k]);
            const int kind = sqlite3_column_type(memo.row, k);
            QVariant v;
            // As Statement::value reads each type.
            if (kind != SQLITE_NULL && f.type == db::FieldType::Boolean)
                v = sqlite3_column_int64(memo.row, k) != 0;
            else if (kind == SQLITE_INTEGER && f.type != db::FieldType::Text &&
                     f.type != db::FieldType::Memo)
                v = qint64(sqlite3_column_int64(memo.row, k));
            else if (kind == SQLITE_FLOAT && f.type != db::FieldType::Text &&
                     f.type != db::FieldType::Memo)
                v = sqlite3_column_double(memo.row, k);
            else if (kind != SQLITE_NULL)
                v = QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(memo.row, k)),
                    sqlite3_column_bytes(memo.row, k));
            parts << part(v, f.type, memo.caseInsensitive);
        }
    sqlite3_reset(memo.row);
    return found;
}

DurvelDbDataSet::Direct::Memo& DurvelDbDataSet::Direct::memoFor(const QVector<int>& fields,
                                                                bool caseInsensitive)
{
    for (const auto& m : m_memos)
        if (m->fields == fields && m->caseInsensitive == caseInsensitive)
            return *m;
    auto memo = std::make_unique<Memo>();
    memo->fields = fields;
    memo->caseInsensitive = caseInsensitive;
    QStringList cols;
    for (int f : fields)
        cols << m_columns[f];
    memo->row = prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(cols.join(u','), m_table, m_key));
    db::Statement all = m_ds->connection()->prepare(
        QStringLiteral("SELECT %1, %2 FROM %3").arg(m_key, cols.join(u','), m_table));
    all.bind({});
    QStringList parts;
    while (all.step()) {
        parts.clear();
        for (int k = 0; k < fields.size(); ++k) {
            const db::Field& f = m_ds->field(fields[k]);
            parts << part(all.value(k + 1, f.type), f.type, caseInsensitive);
        }
        memo->base.emplace_back(hashOf(parts), all.value(0).toLongLong());
    }
    std::sort(memo->base.begin(), memo->base.end());
    m_memos.push_back(std::move(memo));
    return *m_memos.back();
}

bool DurvelDbDataSet::Direct::memoLocate(const QVector<int>& fields, const QVariantList& values,
                                         bool caseInsensitive)
{
    Memo& memo = memoFor(fields, caseInsensitive);
    QStringList wanted;
    for (int k = 0; k < fields.size(); ++k)
        wanted << part(values[k], m_ds->field(fields[k]).type, caseInsensitive);
    const quint64 h = hashOf(wanted);
    std::vector<qint64> candidates;
    const auto range =
        std::equal_range(memo.base.begin(), memo.base.end(), std::make_pair(h, qint64(0)),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto it = range.first; it != range.second; ++it)
        candidates.push_back(it->second);
    const auto added = memo.added.constFind(h);
    if (added != memo.added.constEnd())
        candidates.insert(candidates.end(), added->begin(), added->end());
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    QStringList have;
    for (qint64 key : candidates)
        if (readParts(memo, key, have) && have == wanted) {
            located = key;
            return true;
        }
    return false;
}

void DurvelDbDataSet::Direct::noteWritten(qint64 key)
{
    if (m_memos.empty())
        return;
    QStringList parts;
    for (const auto& memo : m_memos)
        if (readParts(*memo, key, parts))
            memo->added[hashOf(parts)].push_back(key);
}

// ---- fields --------------------------------------------------------------------------------

class DurvelDbDataSet::Field : public DurvelField
{
public:
    Field(DurvelDbDataSet* owner, int index) : m_owner(owner), m_index(index) {}
    QString fieldName() const override { return m_owner->m_ds->field(m_index).name; }
    int index() const override { return m_index; }
    TDurvelFieldType dataType() const override
    {
        return durvelFieldType(int(m_owner->m_ds->field(m_index).type));
    }
    QVariant value() const override { return m_owner->fieldValue(m_index); }
    void setValue(const QVariant& value) override { m_owner->setFieldValue(m_index, value); }
    void setText(const QString& text) override { m_owner->setFieldText(m_index, text); }
    void setBoolean(bool value) override { m_owner->setFieldBoolean(m_index, value); }
    bool readOnly() const override
    {
        return m_owner->m_ds->field(m_index).readOnly || DurvelField::readOnly();
    }

private:
    DurvelDbDataSet* m_owner;
    int m_index;
};

DurvelDbDataSet::DurvelDbDataSet(db::DataSet* dataSet) : m_ds(dataSet) {}

DurvelDbDataSet::~DurvelDbDataSet() = default;

void DurvelDbDataSet::syncFields()
{
    const int count = m_ds->fieldCount();
    if (int(m_fields.size()) == count)
        return;
    m_fields.clear();
    for (int i = 0; i < count; ++i)
        m_fields.push_back(std::make_unique<Field>(this, i));
}

DurvelDbDataSet::Direct* DurvelDbDataSet::writer() const
{
    if (!m_direct || (m_direct->feeding && m_direct->state != State::Insert))
        return nullptr;
    return m_direct.get();
}

void DurvelDbDataSet::setFieldValue(int index, const QVariant& value)
{
    const db::Field& f = m_ds->field(index);
    // The database would take an explicit key silently; the row is refused when posted. An
    // empty value asks for nothing.
    if (f.readOnly) {
        if (!isNull(value))
            m_readOnlyField = f.name;
        return;
    }
    Direct* d = writer();
    if (!d) {
        m_ds->setValue(index, value);
        return;
    }
    if (d->state == State::Browse)
        throw db::Error(QStringLiteral("The data set is not in edit or insert mode."));
    d->set(index, normalised(f, value));
}

void DurvelDbDataSet::setFieldText(int index, const QString& text)
{
    Direct* d = writer();
    if (!d || !d->takesText[std::size_t(index)]) {
        setFieldValue(index, QVariant(text));
        return;
    }
    if (d->state == State::Browse)
        throw db::Error(QStringLiteral("The data set is not in edit or insert mode."));
    d->setText(index, text);
}

void DurvelDbDataSet::setFieldBoolean(int index, bool value)
{
    const db::Field& f = m_ds->field(index);
    Direct* d = writer();
    if (!d || f.readOnly || f.type != db::FieldType::Boolean) {
        setFieldValue(index, QVariant(value));
        return;
    }
    if (d->state == State::Browse)
        throw db::Error(QStringLiteral("The data set is not in edit or insert mode."));
    d->setBoolean(index, value);
}

QVariant DurvelDbDataSet::fieldValue(int index) const
{
    const Direct* d = writer();
    if (!d)
        return m_ds->value(index);
    if (index < 0 || index >= m_ds->fieldCount())
        throw db::Error(QStringLiteral("Field index %1 out of range.").arg(index));
    if (d->state != State::Browse && d->modified[std::size_t(index)])
        return d->pending(index);
    switch (d->state) {
    case State::Insert:
        return QVariant();
    case State::Edit:
        return m_direct->read(index, d->editKey);
    default:
        return m_direct->read(index, d->located);
    }
}

bool DurvelDbDataSet::isActive() const
{
    return m_ds->isActive();
}

int DurvelDbDataSet::fieldCount() const
{
    return m_ds->fieldCount();
}

DurvelField* DurvelDbDataSet::field(int index)
{
    if (int(m_fields.size()) != m_ds->fieldCount())
        syncFields();
    return index >= 0 && index < int(m_fields.size()) ? m_fields[std::size_t(index)].get()
                                                      : nullptr;
}

DurvelField* DurvelDbDataSet::findField(const QString& name)
{
    return field(m_ds->fieldIndex(name));
}

DurvelDataSet::State DurvelDbDataSet::state() const
{
    if (const Direct* d = writer())
        return d->state;
    switch (m_ds->state()) {
    case db::DataSet::State::Inactive:
        return State::Inactive;
    case db::DataSet::State::Browse:
        return State::Browse;
    case db::DataSet::State::Edit:
        return State::Edit;
    case db::DataSet::State::Insert:
        return State::Insert;
    }
    return State::Inactive;
}

void DurvelDbDataSet::beginInsert(bool atEnd)
{
    m_readOnlyField.clear();
    if (!m_direct) {
        if (atEnd)
            m_ds->append();
        else
            m_ds->insert();
        return;
    }
    if (m_direct->feeding) {
        // As the data set's own append and insert: an open record is posted first.
        if (m_direct->state == State::Insert)
            post();
        m_ds->checkBrowseMode();
        m_direct->atEnd = atEnd;
    }
    m_direct->begin(State::Insert, -1);
}

void DurvelDbDataSet::append()
{
    beginInsert(true);
}

void DurvelDbDataSet::insert()
{
    beginInsert(false);
}

void DurvelDbDataSet::edit()
{
    m_readOnlyField.clear();
    Direct* d = writer();
    if (!d) {
        m_ds->edit();
        return;
    }
    if (d->state != State::Browse)
        return;
    if (d->located < 0)
        throw db::Error(QStringLiteral("There is no record to edit."));
    d->begin(State::Edit, d->located);
}

void DurvelDbDataSet::post()
{
    if (!m_readOnlyField.isEmpty())
        throw db::Error(db::Error::Kind::Field,
                        QStringLiteral("Field '%1' cannot be modified.").arg(m_readOnlyField));
    Direct* d = writer();
    if (!d)
        m_ds->post();
    else if (d->state != State::Browse)
        d->post();
}

void DurvelDbDataSet::cancel()
{
    m_readOnlyField.clear();
    if (m_direct)
        m_direct->state = State::Browse;
    if (!m_direct || m_direct->feeding)
        m_ds->cancel();
}

void DurvelDbDataSet::deleteRecord()
{
    if (m_direct && m_direct->feeding && m_direct->state == State::Insert) {
        // The new record is not written yet: deleting it drops it, as the data set does.
        m_direct->state = State::Browse;
        return;
    }
    if (!m_direct || m_direct->feeding) {
        m_ds->remove();
        return;
    }
    m_direct->state = State::Browse;
    m_direct->remove();
}

bool DurvelDbDataSet::locate(const QStringList& fields, const QVariantList& values,
                             bool caseInsensitive)
{
    if (Direct* d = writer()) {
        if (d->state != State::Browse)
            post();
        if (!d->feeding)
            return d->locate(fields, values, caseInsensitive);
    }
    return m_ds->locate(fields, values,
                        caseInsensitive ? db::LocateOptions(db::LocateOption::CaseInsensitive)
                                        : db::LocateOptions());
}

void DurvelDbDataSet::disableControls()
{
    if (m_hold++ > 0)
        return;
    m_ds->disableControls();
    // A data set in the middle of an edit keeps its own way.
    if (!m_directWrites || m_ds->isEditing() || m_ds->baseTable().isEmpty())
        return;
    m_direct = std::make_unique<Direct>(m_ds, !m_ds->showsWholeTable());
}

void DurvelDbDataSet::enableControls()
{
    if (m_hold == 0 || --m_hold > 0)
        return;
    if (m_direct) {
        // A data set fed row by row is up to date; one that the table stood for reads it again.
        const bool reread = m_direct->changed && !m_direct->feeding;
        const qint64 lastKey = m_direct->lastKey;
        m_direct.reset();
        m_readOnlyField.clear();
        if (reread) {
            try {
                m_ds->refreshAt(lastKey);
            } catch (const std::exception& e) {
                // The rows are in the table; only the view of them is stale.
                qWarning("The data set could not be read again: %s", e.what());
            }
        }
    }
    m_ds->enableControls();
}

bool DurvelDbDataSet::supportsTransactions() const
{
    return m_ds->connection() && m_ds->connection()->isOpen() &&
           !m_ds->connection()->inTransaction();
}

void DurvelDbDataSet::startTransaction()
{
    m_ds->connection()->beginTransaction();
}

void DurvelDbDataSet::commit()
{
    m_ds->connection()->commit();
}

void DurvelDbDataSet::checkTransaction()
{
    const db::Connection* c = m_ds->connection();
    if (!c || !c->inTransaction())
        throw db::Error(db::Error::Kind::TransactionLost,
                        QStringLiteral("The open transaction was rolled back by the database."));
}

bool DurvelDbDataSet::endsImport(const std::exception& e) const
{
    const auto* error = dynamic_cast<const db::Error*>(&e);
    return error && error->endsTransaction();
}

bool DurvelDbDataSet::beginRowCommits()
{
    m_ds->connection()->relaxSynchronous();
    m_rowCommits = true;
    return true;
}

void DurvelDbDataSet::endRowCommits()
{
    if (!m_rowCommits)
        return;
    m_rowCommits = false;
    // A failure is the clerk's to hear of: every later commit would not wait for the disk.
    m_ds->connection()->restoreSynchronous();
}

void DurvelDbDataSet::rollback()
{
    if (m_direct && !m_direct->feeding) {
        m_direct->state = State::Browse;
        m_direct->located = -1;
        m_ds->connection()->rollback();
        m_direct->changed = true;
        return;
    }
    if (m_ds->isEditing())
        m_ds->cancel();
    if (m_direct)
        m_direct->state = State::Browse;
    m_ds->connection()->rollback();
    if (m_ds->isActive())
        m_ds->refresh();
}
