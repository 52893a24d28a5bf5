#include "import/engine/DurvelDestinations.h"

#include "import/engine/DurvelStrings.h"

DurvelFieldClass durvelFieldClass(TDurvelFieldType type)
{
    switch (type) {
    case ftString:
    case ftBlob:
    case ftMemo:
    case ftWideString:
    case ftOraBlob:
    case ftOraClob:
    case ftGuid:
    case ftWideMemo:
        return DurvelFieldClass::Text;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return DurvelFieldClass::Integer;
    case ftBoolean:
        return DurvelFieldClass::Boolean;
    case ftFloat:
    case ftBCD:
    case ftFMTBcd:
        return DurvelFieldClass::Float;
    case ftCurrency:
        return DurvelFieldClass::Currency;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
        return DurvelFieldClass::DateTime;
    case ftBytes:
    case ftVarBytes:
        return DurvelFieldClass::Bytes;
    case ftUnknown:
    case ftFixedChar:
        break;
    }
    return DurvelFieldClass::Other;
}

QStringList DurvelCellStore::row(int row) const
{
    if (row < 0 || row >= RowCount())
        return {};
    QStringList out;
    out.reserve(ColCount());
    for (int c = 0; c < ColCount(); ++c)
        out << Cell(c, row);
    return out;
}

void DurvelDestinationRef::Check() const
{
    switch (Kind) {
    case didDataSet:
        if (!DataSet)
            RaiseImportError(DurvelStr::DataSetNotDefined);
        break;
    case didDBGrid:
        if (!DBGrid)
            RaiseImportError(DurvelStr::DBGridNotDefined);
        break;
    case didListView:
        if (!ListView)
            RaiseImportError(DurvelStr::ListViewNotDefined);
        break;
    case didStringGrid:
        if (!StringGrid)
            RaiseImportError(DurvelStr::StringGridNotDefined);
        break;
    case didUserDefined:
        break;
    }
}

bool DurvelDestinationRef::IsAssigned() const
{
    switch (Kind) {
    case didDataSet:
        return DataSet;
    case didDBGrid:
        return DBGrid;
    case didListView:
        return ListView;
    case didStringGrid:
        return StringGrid;
    case didUserDefined:
        break;
    }
    return false;
}

bool DurvelDestinationRef::IsActive() const
{
    switch (Kind) {
    case didDataSet:
        return DataSet && DataSet->isActive();
    case didDBGrid:
        return DBGrid && DBGrid->dataSet() && DBGrid->dataSet()->isActive();
    case didListView:
    case didStringGrid:
        return true;
    case didUserDefined:
        break;
    }
    return false;
}

DurvelDataSet* DurvelDestinationRef::RowDataSet() const
{
    if (Kind == didDataSet)
        return DataSet;
    if (Kind == didDBGrid && DBGrid)
        return DBGrid->dataSet();
    return nullptr;
}

int DurvelDestinationRef::ColumnCount() const
{
    switch (Kind) {
    case didDataSet:
        return DataSet ? DataSet->fieldCount() : 0;
    case didDBGrid:
        return DBGrid ? DBGrid->columnCount() : 0;
    case didListView:
        return ListView ? ListView->columnCount() : 0;
    case didStringGrid:
        return StringGrid ? StringGrid->colCount() : 0;
    case didUserDefined:
        break;
    }
    return 0;
}

QString DurvelDestinationRef::ColumnName(int Index) const
{
    switch (Kind) {
    case didDataSet:
        if (DataSet)
            if (DurvelField* f = DataSet->field(Index))
                return f->fieldName();
        break;
    case didDBGrid:
        return DBGrid ? DBGrid->columnTitle(Index) : QString();
    case didListView:
        return ListView ? ListView->columnCaption(Index) : QString();
    case didStringGrid:
        if (StringGrid && GridCaptionRow > -1 && GridCaptionRow < StringGrid->rowCount())
            return StringGrid->cell(Index, GridCaptionRow);
        return QString::number(Index);
    case didUserDefined:
        break;
    }
    return QString();
}

bool DurvelDestinationRef::ColumnWritable(int Index) const
{
    DurvelField* field = nullptr;
    if (Kind == didDataSet && DataSet)
        field = DataSet->field(Index);
    else if (Kind == didDBGrid && DBGrid && DBGrid->dataSet())
        field = DBGrid->dataSet()->findField(DBGrid->columnFieldName(Index));
    return !field || !field->readOnly();
}

int DurvelDestinationRef::ColumnIndex(const QString& Name) const
{
    switch (Kind) {
    case didDataSet:
        if (DataSet)
            if (DurvelField* f = DataSet->findField(Name))
                return f->index();
        return -1;
    case didDBGrid:
        if (DBGrid)
            for (int i = 0; i < DBGrid->columnCount(); ++i)
                if (DBGrid->columnTitle(i).compare(Name, Qt::CaseInsensitive) == 0)
                    return i;
        return -1;
    case didListView:
        if (ListView)
            for (int i = 0; i < ListView->columnCount(); ++i)
                if (ListView->columnCaption(i).compare(Name, Qt::CaseInsensitive) == 0)
                    return i;
        return -1;
    case didStringGrid: {
        if (!StringGrid)
            return -1;
        bool isNumber = false;
        const int n = Name.toInt(&isNumber);
        if (isNumber)
            return n >= 0 && n < StringGrid->colCount() ? n : -1;
        if (GridCaptionRow < 0 || GridCaptionRow >= StringGrid->rowCount())
            return -1;
        for (int c = 0; c < StringGrid->colCount(); ++c)
            if (StringGrid->cell(c, GridCaptionRow) == Name)
                return c;
        return -1;
    }
    case didUserDefined:
        break;
    }
    return -1;
}
