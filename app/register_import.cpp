#include "app/register_import.h"

#include "import/engine/DurvelFormats.h"
#include "platform/db/DataSet.h"

const QString kPersNumberMissing = QStringLiteral("شماره پرسنلي را وارد کنيد");
const QString kPersNumberDuplicate = QStringLiteral("شماره پرسنلي وارد شده تکراريست");
const QString kPriceMissing = QStringLiteral("مبلغ را وارد كنيد");

namespace {

const QString kPersNumber = QStringLiteral("Pers_number");
const QString kPrice = QStringLiteral("Price");

QString refusal(const QString& message, const QString& value)
{
    return message + QStringLiteral(": ") + value;
}

} // namespace

bool RegisterDigits(QString& text, QChar separator)
{
    text.remove(separator);
    for (QChar& c : text) {
        if (!c.isDigit())
            return false;
        c = QChar(u'0' + c.digitValue());
    }
    return true;
}

void RegisterImportDataSet::post()
{
    if (state() == State::Insert) {
        DurvelField* field = findField(kPersNumber);
        const QString number = field ? field->value().toString() : QString();
        // Rows this import wrote are in the table already, in its open transaction.
        if (!number.isEmpty() &&
            dataSet()
                ->connection()
                ->scalar(
                    QStringLiteral("select 1 from tbl_customer where Pers_number = :p limit 1"),
                    {{QStringLiteral("p"), number}})
                .isValid())
            throw EDurvelError(refusal(kPersNumberDuplicate, number));
    }
    DurvelDbDataSet::post();
}

void CheckRegisterRow(TDurvel3* Import, TDurvelRow* Row)
{
    // A row that only names whom to delete writes no value.
    if (Import->ImportMode == dimDelete)
        return;
    const DurvelDestinationRef dest = Import->Destination();
    DurvelDataSet* ds = dest.RowDataSet();
    if (!ds)
        return;
    for (int i = 0; i < Row->Count(); ++i) {
        TDurvelCol* col = Row->Items(i);
        if (col->DestIndex < 0)
            continue;
        QString name;
        if (dest.Kind == didDBGrid)
            name = dest.DBGrid->columnFieldName(col->DestIndex);
        else if (DurvelField* f = ds->field(col->DestIndex))
            name = f->fieldName();
        const bool number = name.compare(kPersNumber, Qt::CaseInsensitive) == 0;
        if (!number && name.compare(kPrice, Qt::CaseInsensitive) != 0)
            continue;
        QString digits = col->Value.trimmed();
        // A null word stores no value, as an empty cell does.
        if (DurvelIsNullValue(Import->Formats(), digits))
            continue;
        if (!RegisterDigits(digits, Import->Formats().ThousandSeparator))
            throw EDurvelError(refusal(number ? kPersNumberMissing : kPriceMissing, col->Value));
        col->Value = digits;
    }
}
