#include "platform/db/DataSet.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include <sqlite3.h>

namespace db {

namespace {

QString quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

bool sameValue(const QVariant& have, const QVariant& want, LocateOptions options)
{
    const bool haveNull = !have.isValid() || have.isNull();
    const bool wantNull = !want.isValid() || want.isNull();
    if (haveNull || wantNull)
        return haveNull && wantNull;
    if (have.typeId() == QMetaType::Bool)
        return have.toBool() == want.toBool();
    const QString a = have.toString();
    const QString b = want.toString();
    const Qt::CaseSensitivity cs =
        options.testFlag(LocateOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (options.testFlag(LocateOption::PartialKey))
        return a.startsWith(b, cs);
    return a.compare(b, cs) == 0;
}

} // namespace

DataSet::DataSet(Connection* connection, QObject* parent) : QObject(parent), m_conn(connection) {}

DataSet::~DataSet() = default;

void DataSet::setSql(const QString& sql)
{
    if (isActive())
        close();
    m_sql = sql;
}

void DataSet::setParam(const QString& name, const QVariant& value)
{
    QString n = name;
    if (n.startsWith(u':'))
        n.remove(0, 1);
    m_params.insert(n, value);
}

void DataSet::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    if (m_hold > 0)
        m_statePending = true;
    else
        emit stateChanged();
}

void DataSet::scrolled()
{
    if (m_hold > 0) {
        m_scrollPending = true;
        return;
    }
    emit currentRowChanged(m_current);
    emit afterScroll();
}

void DataSet::disableControls()
{
    ++m_hold;
}

void DataSet::enableControls()
{
    if (m_hold == 0 || --m_hold > 0)
        return;
    if (m_statePending) {
        m_statePending = false;
        emit stateChanged();
    }
    if (m_scrollPending) {
        m_scrollPending = false;
        emit currentRowChanged(m_current);
        emit afterScroll();
    }
}

void DataSet::open()
{
    if (isActive())
        return;
    if (!m_conn || !m_conn->isOpen())
        throw Error(QStringLiteral("The database is not open."));
    readRows(-1);
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    m_state = State::Browse;
    emit rowsReset();
    emit afterOpen();
    if (m_hold > 0)
        m_statePending = true;
    else
        emit stateChanged();
    scrolled();
}

void DataSet::readRows(qint64 keepKey)
{
    Statement st = m_conn->prepare(m_sql);
    st.bind(m_params);
    QVector<Field> fields;
    QString table;
    bool oneTable = true;
    const int n = st.columnCount();
    for (int i = 0; i < n; ++i) {
        Field f;
        f.name = st.columnName(i);
        f.index = i;
        const QString t = st.columnTable(i);
        f.origin = st.columnOrigin(i);
        if (t.isEmpty() || f.origin.isEmpty()) {
            f.type = fieldTypeFromDeclared(st.columnDeclaredType(i), false, &f.size);
            f.readOnly = true;
        } else {
            if (table.isEmpty())
                table = t;
            else if (table.compare(t, Qt::CaseInsensitive) != 0)
                oneTable = false;
            const TableInfo& info = m_conn->tableInfo(t);
            const int ci = info.indexOf(f.origin);
            if (ci >= 0) {
                const ColumnInfo& c = info.columns[ci];
                f.type = c.type;
                f.size = c.size;
                f.required = c.notNull && !c.primaryKey;
                f.readOnly = c.type == FieldType::AutoInc;
                f.label = c.label;
            }
        }
        if (f.label.isEmpty())
            f.label = f.name;
        fields.append(f);
    }
    m_table.clear();
    m_keyField = -1;
    if (oneTable && !table.isEmpty()) {
        const TableInfo& info = m_conn->tableInfo(table);
        if (info.primaryKeyColumn >= 0) {
            const QString pk = info.columns[info.primaryKeyColumn].name;
            for (const Field& f : fields)
                if (f.origin.compare(pk, Qt::CaseInsensitive) == 0)
                    m_keyField = f.index;
        }
        if (m_keyField >= 0)
            m_table = info.name;
    }
    if (m_table.isEmpty())
        for (Field& f : fields)
            f.readOnly = true;
    m_fields = fields;
    prepareWriting();

    m_rows.reset(n);
    dropIndexes();
    QVector<FieldType> types;
    for (const Field& f : std::as_const(m_fields))
        types << f.type;
    int keepRow = -1;
    while (st.step()) {
        if (keepKey >= 0 && m_keyField >= 0 &&
            sqlite3_column_int64(st.handle(), m_keyField) == keepKey)
            keepRow = m_rows.size();
        m_rows.appendFromStatement(st.handle(), types);
    }
    m_current = keepRow;
}

void DataSet::close()
{
    if (!isActive())
        return;
    m_rows.reset(0);
    dropIndexes();
    m_buffer.clear();
    m_fields.clear();
    m_current = -1;
    m_bof = m_eof = true;
    m_state = State::Inactive;
    emit rowsReset();
    emit afterClose();
    if (m_hold > 0)
        m_statePending = true;
    else
        emit stateChanged();
}

QString DataSet::keyColumn() const
{
    return m_keyField >= 0 ? m_fields[m_keyField].origin : QString();
}

bool DataSet::showsWholeTable() const
{
    if (!isActive() || m_table.isEmpty() || !m_params.isEmpty())
        return false;
    for (const Field& f : m_fields)
        if (f.origin.isEmpty())
            return false;
    // One table, no condition, grouping or limit; in key order or the table's own.
    static const QRegularExpression plain(
        QStringLiteral(R"(^\s*select\s+[^()]+?\s+from\s+("?)(\w+)\1)"
                       R"((\s+order\s+by\s+("?)(\w+)\4(\s+asc)?)?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression clauses(
        QStringLiteral(R"(\b(where|join|union|group|limit|distinct)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = plain.match(m_sql);
    if (!m.hasMatch() || m.captured(2).compare(m_table, Qt::CaseInsensitive) != 0 ||
        clauses.match(m_sql).hasMatch())
        return false;
    return m.capturedLength(5) == 0 || m.captured(5).compare(keyColumn(), Qt::CaseInsensitive) == 0;
}

QString DataSet::tooLongMessage(const Field& f)
{
    return QStringLiteral("طول «%1» نبايد بيش از %2 حرف باشد").arg(f.label).arg(f.size);
}

void DataSet::refreshAt(qint64 key)
{
    if (!isActive()) {
        open();
        return;
    }
    checkBrowseMode();
    const int oldCurrent = m_current;
    readRows(key);
    if (m_current < 0 && !m_rows.isEmpty())
        m_current = qBound(0, oldCurrent, int(m_rows.size()) - 1);
    m_bof = m_current <= 0;
    m_eof = m_rows.isEmpty();
    emit rowsReset();
    scrolled();
}

void DataSet::refresh()
{
    qint64 key = -1;
    if (isActive() && m_current >= 0 && m_keyField >= 0)
        key = m_rows.integer(m_current, m_keyField);
    refreshAt(key);
}

int DataSet::execSql()
{
    if (!m_conn)
        throw Error(QStringLiteral("The database is not open."));
    return m_conn->exec(m_sql, m_params);
}

int DataSet::recNo() const
{
    if (m_state == State::Inactive || m_current < 0)
        return 0;
    if (m_state == State::Insert)
        return m_insertAt + 1;
    return m_current + 1;
}

void DataSet::requireBrowse(const char* what) const
{
    if (!isActive())
        throw Error(QStringLiteral("Cannot %1: the data set is closed.").arg(QLatin1String(what)));
}

void DataSet::moveTo(int row)
{
    checkBrowseMode();
    if (row == m_current)
        return;
    m_current = row;
    scrolled();
}

void DataSet::first()
{
    requireBrowse("move");
    checkBrowseMode();
    m_bof = true;
    m_eof = m_rows.isEmpty();
    moveTo(m_rows.isEmpty() ? -1 : 0);
}

void DataSet::last()
{
    requireBrowse("move");
    checkBrowseMode();
    m_eof = true;
    m_bof = m_rows.isEmpty();
    moveTo(int(m_rows.size()) - 1);
}

void DataSet::next()
{
    requireBrowse("move");
    checkBrowseMode();
    if (m_current + 1 < m_rows.size()) {
        m_bof = m_eof = false;
        moveTo(m_current + 1);
    } else {
        m_eof = true;
    }
}

void DataSet::prior()
{
    requireBrowse("move");
    checkBrowseMode();
    if (m_current > 0) {
        m_bof = m_eof = false;
        moveTo(m_current - 1);
    } else {
        m_bof = true;
    }
}

void DataSet::setRecNo(int recNo)
{
    requireBrowse("move");
    checkBrowseMode();
    if (m_rows.isEmpty())
        return;
    const int row = qBound(1, recNo, int(m_rows.size())) - 1;
    m_bof = row == 0;
    m_eof = false;
    moveTo(row);
}

bool DataSet::locate(const QStringList& fields, const QVariantList& values, LocateOptions options)
{
    requireBrowse("search");
    checkBrowseMode();
    if (fields.size() != values.size())
        throw Error(QStringLiteral("Locate needs one value per field."));
    QVector<int> idx;
    for (const QString& f : fields)
        idx.append(fieldByName(f).index);
    if (!options.testFlag(LocateOption::PartialKey)) {
        LocateIndex& index = indexFor(idx, options.testFlag(LocateOption::CaseInsensitive));
        const QString key = searchKey(values, index);
        const auto it = index.entries.find(key);
        if (it == index.entries.end())
            return false;
        resolve(*it);
        if (!it->exact) {
            int r = it->row;
            while (r < m_rows.size() && rowKey(r, index) != key)
                ++r;
            if (r == m_rows.size()) {
                index.entries.erase(it);
                return false;
            }
            it->row = r;
            it->exact = true;
        }
        const int row = it->row;
        m_bof = m_eof = false;
        moveTo(row);
        return true;
    }
    for (int r = 0; r < m_rows.size(); ++r) {
        bool ok = true;
        for (int k = 0; k < idx.size() && ok; ++k)
            ok = sameValue(m_rows.value(r, idx[k]), values[k], options);
        if (ok) {
            m_bof = m_eof = false;
            moveTo(r);
            return true;
        }
    }
    return false;
}

namespace {

void appendKeyPart(QString& key, const QVariant& v, FieldType type, bool caseInsensitive)
{
    if (!v.isValid() || v.isNull()) {
        key += QLatin1String("\x01N");
    } else if (type == FieldType::Boolean || v.typeId() == QMetaType::Bool) {
        key += v.toBool() ? u'1' : u'0';
    } else {
        const QString t = v.toString();
        key += caseInsensitive ? t.toCaseFolded() : t;
    }
    key += QChar(0);
}

} // namespace

QString DataSet::indexKey(const QVector<QVariant>& row, const LocateIndex& index) const
{
    QString key;
    for (int f : index.fields)
        appendKeyPart(key, row[f], m_fields[f].type, index.caseInsensitive);
    return key;
}

QString DataSet::rowKey(int row, const LocateIndex& index) const
{
    QString key;
    for (int f : index.fields)
        appendKeyPart(key, m_rows.value(row, f), m_fields[f].type, index.caseInsensitive);
    return key;
}

QString DataSet::searchKey(const QVariantList& values, const LocateIndex& index) const
{
    QString key;
    for (int k = 0; k < index.fields.size(); ++k)
        appendKeyPart(key, values[k], m_fields[index.fields[k]].type, index.caseInsensitive);
    return key;
}

DataSet::LocateIndex& DataSet::indexFor(const QVector<int>& fields, bool caseInsensitive)
{
    for (LocateIndex& i : m_indexes)
        if (i.fields == fields && i.caseInsensitive == caseInsensitive)
            return i;
    if (m_indexes.size() >= 4)
        m_indexes.removeFirst();
    LocateIndex index;
    index.fields = fields;
    index.caseInsensitive = caseInsensitive;
    index.entries.reserve(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r) {
        KeyEntry& e = index.entries[rowKey(r, index)];
        if (e.rows++ == 0) // the first row of a key wins
            e = {r, m_events, 1, true};
    }
    m_indexes.append(std::move(index));
    return m_indexes.last();
}

void DataSet::dropIndexes()
{
    m_indexes.clear();
    m_shifts.clear();
    m_events = 0;
}

// Brings an entry's row through the moves logged since it was set.
void DataSet::resolve(KeyEntry& e) const
{
    if (e.event == m_events)
        return;
    auto s = std::upper_bound(
        m_shifts.cbegin(), m_shifts.cend(), e.event,
        [](int event, const Shift& s) { return event < s.firstEvent + std::abs(s.count); });
    for (; s != m_shifts.cend(); ++s) {
        // A run that began before the entry was set moves it only by the rest of the run.
        const int n = s->firstEvent + std::abs(s->count) - std::max(e.event, s->firstEvent);
        if (s->count > 0) {
            if (e.row >= s->at)
                e.row += n;
        } else if (e.row >= s->at + n) {
            e.row -= n;
        } else if (e.row >= s->at) {
            // The key's first row went: any other row of it now stands at the place or after.
            e.row = s->at;
            e.exact = false;
        }
    }
    e.event = m_events;
}

// Logs a row inserted (delta 1) or removed (-1) at that place; false when the log was full and
// the indexes went (built again on the next locate). A read walks the log and a rebuild makes a
// key of every row, far dearer than a step: letting the log grow to several times the square
// root of the rows keeps the two in balance.
bool DataSet::logShift(int at, int delta)
{
    if (!m_shifts.isEmpty() && m_shifts.last().at == at &&
        (m_shifts.last().count > 0) == (delta > 0)) {
        m_shifts.last().count += delta;
    } else if (m_shifts.size() >= qMax(32, int(8 * std::sqrt(double(m_rows.size()))))) {
        dropIndexes();
        return false;
    } else {
        m_shifts.append({at, delta, m_events});
    }
    ++m_events;
    return true;
}

void DataSet::indexInserted(int row)
{
    if (m_indexes.isEmpty())
        return;
    // A row at the end moves no other.
    if (row < m_rows.size() - 1 && !logShift(row, 1))
        return;
    for (LocateIndex& i : m_indexes) {
        KeyEntry& e = i.entries[rowKey(row, i)];
        if (e.rows == 0) {
            e = {row, m_events, 1, true};
            continue;
        }
        ++e.rows;
        resolve(e);
        if (e.row >= row) { // before every other row of its key
            e.row = row;
            e.exact = true;
        }
    }
}

void DataSet::indexRemoved(int row, const QVector<QVariant>& before)
{
    if (m_indexes.isEmpty())
        return;
    if (row < m_rows.size() && !logShift(row, -1))
        return;
    for (LocateIndex& i : m_indexes) {
        const auto it = i.entries.find(indexKey(before, i));
        if (it == i.entries.end()) { // cannot be: trust no entry then
            dropIndexes();
            return;
        }
        if (--it->rows == 0)
            i.entries.erase(it);
    }
}

void DataSet::indexEdited(const QVector<QVariant>& before, int row)
{
    for (const LocateIndex& i : std::as_const(m_indexes))
        if (indexKey(before, i) != rowKey(row, i)) {
            dropIndexes();
            return;
        }
}

int DataSet::fieldIndex(const QString& name) const
{
    for (const Field& f : m_fields)
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return f.index;
    return -1;
}

const Field* DataSet::findField(const QString& name) const
{
    const int i = fieldIndex(name);
    return i < 0 ? nullptr : &m_fields[i];
}

const Field& DataSet::fieldByName(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Field '%1' not found.").arg(name));
    return m_fields[i];
}

QVariant DataSet::value(int index) const
{
    if (index < 0 || index >= m_fields.size())
        throw Error(QStringLiteral("Field index %1 out of range.").arg(index));
    if (isEditing())
        return m_buffer[index];
    if (m_current < 0)
        return QVariant();
    return m_rows.value(m_current, index);
}

QVariant DataSet::value(const QString& name) const
{
    return value(fieldByName(name).index);
}

bool DataSet::isNull(const QString& name) const
{
    const QVariant v = value(name);
    return !v.isValid() || v.isNull();
}

QVariant DataSet::valueAt(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_fields.size())
        return QVariant();
    if (m_state == State::Edit && row == m_current)
        return m_buffer[column];
    return m_rows.value(row, column);
}

void DataSet::setValue(int index, const QVariant& value)
{
    if (!isEditing())
        throw Error(QStringLiteral("The data set is not in edit or insert mode."));
    if (index < 0 || index >= m_fields.size())
        throw Error(QStringLiteral("Field index %1 out of range.").arg(index));
    const Field& f = m_fields[index];
    if (f.readOnly)
        throw Error(Error::Kind::Field,
                    QStringLiteral("Field '%1' cannot be modified.").arg(f.name));
    QVariant v = value;
    if (v.isValid() && !v.isNull()) {
        switch (f.type) {
        case FieldType::Text:
        case FieldType::Memo:
            v = v.toString();
            break;
        case FieldType::Boolean:
            v = v.toBool();
            break;
        default:
            break;
        }
    }
    m_buffer[index] = v;
    m_modified[index] = true;
}

void DataSet::setValue(const QString& name, const QVariant& value)
{
    setValue(fieldByName(name).index, value);
}

void DataSet::requireEditable() const
{
    requireBrowse("edit");
    if (m_table.isEmpty())
        throw Error(QStringLiteral("This data set cannot be modified."));
}

QVector<QVariant> DataSet::emptyRow() const
{
    return QVector<QVariant>(m_fields.size());
}

void DataSet::append()
{
    requireEditable();
    checkBrowseMode();
    m_buffer = emptyRow();
    m_modified = QVector<bool>(m_fields.size(), false);
    m_insertAt = int(m_rows.size());
    setState(State::Insert);
    scrolled();
}

void DataSet::insert()
{
    requireEditable();
    checkBrowseMode();
    m_buffer = emptyRow();
    m_modified = QVector<bool>(m_fields.size(), false);
    m_insertAt = m_current < 0 ? 0 : m_current;
    setState(State::Insert);
    scrolled();
}

void DataSet::edit()
{
    requireEditable();
    if (isEditing())
        return;
    if (m_current < 0)
        throw Error(QStringLiteral("There is no record to edit."));
    m_buffer = m_rows.row(m_current);
    m_modified = QVector<bool>(m_fields.size(), false);
    setState(State::Edit);
}

void DataSet::checkSizes() const
{
    for (const Field& f : m_fields) {
        if (!m_modified[f.index] || f.type != FieldType::Text || f.size <= 0)
            continue;
        const QVariant& v = m_buffer[f.index];
        if (v.isValid() && !v.isNull() && v.toString().size() > f.size)
            throw Error(Error::Kind::Field, tooLongMessage(f));
    }
}

void DataSet::reloadRow(int row, qint64 key)
{
    QStringList cols;
    QVector<int> which;
    for (const Field& f : m_fields)
        if (!f.origin.isEmpty()) {
            cols << quoteIdent(f.origin);
            which << f.index;
        }
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :key")
                            .arg(cols.join(u','), m_quotedTable, m_quotedKey);
    Statement st = m_conn->prepare(sql);
    st.bind({{QStringLiteral("key"), key}});
    QVector<QVariant> target = m_rows.row(row);
    if (st.step()) {
        for (int k = 0; k < which.size(); ++k)
            target[which[k]] = st.value(k, m_fields[which[k]].type);
        m_rows.replace(row, target);
    }
    while (st.step()) {
    }
}

// The indexes cannot follow a row changed or moved in while its values are unsure. The row is
// already stored: a failure to read it back is handed to the caller to raise once the data set
// has taken the row, so that nothing posts it a second time.
std::exception_ptr DataSet::reloadOrDropIndexes(int row, qint64 key)
{
    try {
        reloadRow(row, key);
    } catch (...) {
        dropIndexes();
        return std::current_exception();
    }
    return nullptr;
}

namespace {

// A DEFAULT clause's value when it is a plain literal; false for an expression.
bool literalDefault(const QVariant& clause, QVariant* value)
{
    if (!clause.isValid() || clause.isNull()) {
        *value = QVariant();
        return true;
    }
    const QString t = clause.toString().trimmed();
    if (t.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) {
        *value = QVariant();
        return true;
    }
    if (t.size() >= 2 && t.startsWith(u'\'') && t.endsWith(u'\'')) {
        QString inner = t.mid(1, t.size() - 2);
        *value = inner.replace(QLatin1String("''"), QLatin1String("'"));
        return true;
    }
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok) {
        *value = n;
        return true;
    }
    const double d = t.toDouble(&ok);
    if (ok) {
        *value = d;
        return true;
    }
    return false;
}

} // namespace

void DataSet::prepareWriting()
{
    m_insertSql.clear();
    m_quotedOrigin.fill(QString(), m_fields.size());
    m_defaults.fill(QVariant(), m_fields.size());
    m_defaultKnown.fill(false, m_fields.size());
    if (m_table.isEmpty())
        return;
    const TableInfo& info = m_conn->tableInfo(m_table);
    m_quotedTable = quoteIdent(m_table);
    m_quotedKey = quoteIdent(info.columns[info.primaryKeyColumn].name);
    for (const Field& f : std::as_const(m_fields)) {
        if (f.origin.isEmpty())
            continue;
        m_quotedOrigin[f.index] = quoteIdent(f.origin);
        const int ci = info.indexOf(f.origin);
        QVariant v;
        if (ci >= 0 && literalDefault(info.columns[ci].defaultValue, &v)) {
            if (v.isValid()) {
                switch (f.type) {
                case FieldType::Boolean:
                    v = v.toLongLong() != 0;
                    break;
                case FieldType::Text:
                case FieldType::Memo:
                    v = v.toString();
                    break;
                case FieldType::Integer:
                    v = v.toLongLong();
                    break;
                case FieldType::Float:
                    v = v.toDouble();
                    break;
                default:
                    continue; // the database decides how it reads back
                }
            }
            m_defaults[f.index] = v;
            m_defaultKnown[f.index] = true;
        }
    }
}

// True when a value of that type (0 for a null) reads back from the database exactly as it is
// held.
bool DataSet::canonical(int field, int typeId) const
{
    if (typeId == 0)
        return true;
    switch (m_fields[field].type) {
    case FieldType::Text:
    case FieldType::Memo:
        return typeId == QMetaType::QString;
    case FieldType::Boolean:
        return typeId == QMetaType::Bool;
    case FieldType::Integer:
        return typeId == QMetaType::LongLong;
    case FieldType::Float:
        return typeId == QMetaType::Double;
    default:
        return false;
    }
}

QString DataSet::insertSql(const QByteArray& mask)
{
    auto it = m_insertSql.constFind(mask);
    if (it != m_insertSql.constEnd())
        return it.value();
    QStringList cols, names;
    for (int i = 0; i < mask.size(); ++i)
        if (mask[i] == '1') {
            cols << m_quotedOrigin[i];
            names << QStringLiteral(":p%1").arg(i);
        }
    const QString sql = cols.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_quotedTable)
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(m_quotedTable, cols.join(u','), names.join(u','));
    m_insertSql.insert(mask, sql);
    return sql;
}

void DataSet::post()
{
    if (!isEditing())
        return;
    checkSizes();
    QByteArray mask(m_fields.size(), '0');
    QVariantList values;
    values.reserve(m_fields.size() + 1);
    bool exact = true;           // an edited row needs no reading back
    std::exception_ptr readBack; // the row stored, reading it back failed
    for (const Field& f : std::as_const(m_fields)) {
        if (!m_modified[f.index] || f.origin.isEmpty() || f.readOnly)
            continue;
        QVariant& v = m_buffer[f.index];
        if (v.typeId() == QMetaType::Int && f.type == FieldType::Integer)
            v = v.toLongLong();
        exact = exact && canonical(f.index, v.isNull() ? 0 : v.typeId());
        mask[f.index] = '1';
        values << v;
    }
    if (m_state == State::Insert) {
        Statement st = m_conn->prepare(insertSql(mask));
        st.bindList(values);
        while (st.step()) {
        }
        m_cells.reset(int(m_fields.size()));
        for (int i = 0; i < mask.size(); ++i)
            if (mask[i] == '1')
                m_cells.setVariant(i, m_buffer[i]);
        const int at = qBound(0, m_insertAt, int(m_rows.size()));
        readBack = placeInserted(at, m_conn->lastInsertId(), m_cells);
        m_buffer.clear();
        m_state = State::Browse;
        emit rowInserted(at);
    } else {
        const qint64 key = m_rows.integer(m_current, m_keyField);
        if (!values.isEmpty()) {
            QStringList sets;
            for (int i = 0; i < mask.size(); ++i)
                if (mask[i] == '1')
                    sets << m_quotedOrigin[i] + QStringLiteral(" = :p%1").arg(i);
            values << key;
            Statement st = m_conn->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = :key")
                                               .arg(m_quotedTable, sets.join(u','), m_quotedKey));
            st.bindList(values);
            while (st.step()) {
            }
            // Another statement deleted the row meanwhile: saying nothing would report an
            // edit that went nowhere as saved. The edit stays open with what was typed.
            if (sqlite3_changes(m_conn->handle()) == 0)
                throw Error(QStringLiteral("The row being edited is no longer in %1: nothing "
                                           "was saved.")
                                .arg(m_quotedTable));
            const QVector<QVariant> before = m_rows.row(m_current);
            m_rows.replace(m_current, m_buffer);
            if (!exact)
                readBack = reloadOrDropIndexes(m_current, key);
            indexEdited(before, m_current);
        }
        m_buffer.clear();
        m_state = State::Browse;
        emit rowChanged(m_current);
    }
    if (m_hold > 0)
        m_statePending = true;
    else
        emit stateChanged();
    emit afterPost();
    scrolled();
    if (readBack)
        std::rethrow_exception(readBack);
}

void DataSet::insertWritten(bool atEnd, qint64 key, RowCells& cells)
{
    requireEditable();
    if (cells.columns() != m_fields.size())
        throw Error(QStringLiteral("The row has %1 cells for %2 fields.")
                        .arg(cells.columns())
                        .arg(m_fields.size()));
    const int at = atEnd ? m_rows.size() : qMax(m_current, 0);
    const std::exception_ptr readBack = placeInserted(at, key, cells);
    emit rowInserted(at);
    emit afterPost();
    scrolled();
    if (readBack)
        std::rethrow_exception(readBack);
}

std::exception_ptr DataSet::placeInserted(int at, qint64 key, RowCells& cells)
{
    bool exact = true; // the row needs no reading back
    for (const Field& f : std::as_const(m_fields)) {
        const int i = f.index;
        if (i == m_keyField) {
            cells.setInteger(i, key);
        } else if (cells.isSet(i) && !f.readOnly) {
            exact = exact && canonical(i, cells.typeId(i));
        } else if (f.origin.isEmpty() || !m_defaultKnown[i]) {
            cells.setNull(i);
            exact = false;
        } else {
            cells.setVariant(i, m_defaults[i]);
        }
    }
    m_rows.insert(at, cells);
    const std::exception_ptr readBack = exact ? nullptr : reloadOrDropIndexes(at, key);
    indexInserted(at);
    m_current = at;
    m_bof = m_eof = false;
    return readBack;
}

void DataSet::cancel()
{
    if (!isEditing())
        return;
    const bool wasEdit = m_state == State::Edit;
    m_buffer.clear();
    setState(State::Browse);
    if (wasEdit)
        emit rowChanged(m_current);
    scrolled();
}

void DataSet::checkBrowseMode()
{
    if (isEditing())
        post();
}

void DataSet::remove()
{
    requireEditable();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    if (m_current < 0)
        throw Error(QStringLiteral("There is no record to delete."));
    const TableInfo& info = m_conn->tableInfo(m_table);
    const qint64 key = m_rows.integer(m_current, m_keyField);
    m_conn->exec(
        QStringLiteral("DELETE FROM %1 WHERE %2 = :key")
            .arg(quoteIdent(m_table), quoteIdent(info.columns[info.primaryKeyColumn].name)),
        {{QStringLiteral("key"), key}});
    const int at = m_current;
    QVector<QVariant> before;
    if (!m_indexes.isEmpty())
        before = m_rows.row(at);
    m_rows.remove(at);
    indexRemoved(at, before);
    m_current = m_rows.isEmpty() ? -1 : qMin(at, int(m_rows.size()) - 1);
    m_eof = m_rows.isEmpty();
    m_bof = m_current <= 0;
    emit rowRemoved(at);
    emit afterDelete();
    if (m_hold > 0)
        m_scrollPending = true;
    else {
        emit currentRowChanged(m_current);
        emit afterScroll();
    }
}

} // namespace db
