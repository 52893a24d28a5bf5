#include "helper_fakes.h"

class FakeDataSet::Field : public DurvelField
{
public:
    Field(FakeDataSet* ds, int index) : m_ds(ds), m_index(index) {}
    QString fieldName() const override { return m_ds->m_defs.at(m_index).name; }
    int index() const override { return m_index; }
    TDurvelFieldType dataType() const override { return m_ds->m_defs.at(m_index).type; }
    QVariant value() const override { return m_ds->fieldValue(m_index); }
    void setValue(const QVariant& value) override { m_ds->setFieldValue(m_index, value); }

private:
    FakeDataSet* m_ds;
    int m_index;
};

FakeDataSet::FakeDataSet(const QList<FakeFieldDef>& defs) : m_defs(defs)
{
    for (int i = 0; i < defs.size(); ++i)
        m_fields.push_back(std::make_unique<Field>(this, i));
}

FakeDataSet::~FakeDataSet() = default;

QStringList FakeDataSet::column(int field) const
{
    QStringList out;
    for (const auto& row : rows)
        out << row.at(field).toString();
    return out;
}

DurvelField* FakeDataSet::field(int index)
{
    return index >= 0 && index < fieldCount() ? m_fields[std::size_t(index)].get() : nullptr;
}

DurvelField* FakeDataSet::findField(const QString& name)
{
    for (int i = 0; i < m_defs.size(); ++i)
        if (m_defs.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return field(i);
    return nullptr;
}

QVariant FakeDataSet::fieldValue(int index) const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer.at(index);
    return current >= 0 ? rows.at(current).at(index) : QVariant();
}

void FakeDataSet::setFieldValue(int index, const QVariant& v)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw std::runtime_error("Dataset not in edit or insert mode");
    m_buffer[index] = v;
}

void FakeDataSet::append()
{
    m_state = State::Insert;
    m_buffer = QVector<QVariant>(fieldCount());
    m_insertAt = int(rows.size());
}

void FakeDataSet::insert()
{
    m_state = State::Insert;
    m_buffer = QVector<QVariant>(fieldCount());
    m_insertAt = current < 0 ? 0 : current;
}

void FakeDataSet::edit()
{
    if (current < 0)
        throw std::runtime_error("No current record");
    m_state = State::Edit;
    m_buffer = rows.at(current);
}

void FakeDataSet::post()
{
    for (int i = 0; i < m_defs.size(); ++i)
        if (m_defs.at(i).required &&
            (m_buffer.at(i).isNull() || m_buffer.at(i).toString().isEmpty()))
            throw std::runtime_error(QStringLiteral("Field '%1' must have a value")
                                         .arg(m_defs.at(i).name)
                                         .toStdString());
    if (m_state == State::Insert) {
        rows.insert(m_insertAt, m_buffer);
        current = m_insertAt;
    } else {
        rows[current] = m_buffer;
    }
    m_state = State::Browse;
}

void FakeDataSet::cancel()
{
    m_state = State::Browse;
}

void FakeDataSet::deleteRecord()
{
    rows.removeAt(current);
    if (current >= rows.size())
        current = int(rows.size()) - 1;
}

bool FakeDataSet::locate(const QStringList& fields, const QVariantList& values,
                         bool caseInsensitive)
{
    for (int r = 0; r < rows.size(); ++r) {
        bool match = true;
        for (int i = 0; i < fields.size() && match; ++i) {
            DurvelField* f = findField(fields.at(i));
            match = f && rows.at(r)
                                 .at(f->index())
                                 .toString()
                                 .compare(values.value(i).toString(), caseInsensitive
                                                                          ? Qt::CaseInsensitive
                                                                          : Qt::CaseSensitive) == 0;
        }
        if (match) {
            current = r;
            return true;
        }
    }
    return false;
}

void FakeDataSet::startTransaction()
{
    if (inTransaction)
        throw std::runtime_error("transaction already open");
    ++starts;
    inTransaction = true;
    snapshot = rows;
}

void FakeDataSet::commit()
{
    ++commits;
    inTransaction = false;
    snapshot.clear();
}

void FakeDataSet::rollback()
{
    ++rollbacks;
    inTransaction = false;
    rows = snapshot;
    current = rows.isEmpty() ? -1 : 0;
}

int FakeListView::addItem()
{
    items.append(QStringList(QList<QString>(captions.size())));
    return int(items.size()) - 1;
}

void FakeListView::setItemText(int item, int column, const QString& text)
{
    items[item][column] = text;
}

ListReader::ListReader()
{
    // Any existing file does; the reader never opens it.
    SetFileName(QCoreApplication::applicationFilePath());
}

void ListReader::PrepareImport()
{
    if (OnLoad)
        OnLoad();
    TDurvel3::PrepareImport();
    if (OnPrepared)
        OnPrepared();
}

void ListReader::OpenSource()
{
    ++Opened;
    m_pos = 0;
    if (LateTotal >= 0)
        SetTotalRecCount(LateTotal);
}

void ListReader::ReadRow()
{
    Row()->ClearValues();
    const QChar sep = Map().NameValueSeparator();
    for (int i = 0; i < Map().Count(); ++i) {
        const QString line = Map().Strings(i);
        const int eq = line.indexOf(sep);
        Row()->SetValue(DurvelTrimName(line.left(eq)),
                        Lines.at(m_pos).value(line.mid(eq + 1).toInt() - 1));
    }
    ApplyFieldFormats();
    if (OnRead)
        OnRead(m_pos);
}

void ListReader::CloseSource()
{
    ++Closed;
    TDurvel3::CloseSource();
}

DurvelCellStore makeGrid(const QStringList& captions, const QList<QStringList>& rows)
{
    DurvelCellStore grid(int(captions.size()), int(rows.size()) + 1);
    for (int c = 0; c < captions.size(); ++c)
        grid.setCell(c, 0, captions.at(c));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c)
            grid.setCell(c, r + 1, rows.at(r).at(c));
    return grid;
}

QList<QStringList> gridRows(const DurvelStringGrid& grid)
{
    QList<QStringList> out;
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grid.colCount(); ++c)
            row << grid.cell(c, r);
        out << row;
    }
    return out;
}
