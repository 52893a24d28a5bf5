#include "app/register_import.h"

#include "import/engine/DurvelFormats.h"
#include "platform/db/DataSet.h"

const QString kPersNumberMissing = QStringLiteral("شماره پرسنلي را وارد کنيد");
const QString kHesabMissing = QStringLiteral("شماره حساب را وارد کنيد");
const QString kPersNumberDuplicate = QStringLiteral("شماره پرسنلي وارد شده تکراريست");
const QString kPriceMissing = QStringLiteral("مبلغ را وارد كنيد");

namespace {

const QString kPersNumber = QStringLiteral("Pers_number");
const QString kHesab = QStringLiteral("Hesab");
const QString kPrice = QStringLiteral("Price");

// The field's value in the pending row; empty when the data set has no such field.
QString pendingText(DurvelDataSet* ds, const QString& name)
{
    DurvelField* field = ds->findField(name);
    return field ? field->value().toString() : QString();
}

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
    const State s = state();
    if (s == State::Insert || s == State::Edit) {
        // The row as it will be stored, unmapped fields included: what a clerk's save refuses
        // is refused here in the same order.
        const QString number = pendingText(this, kPersNumber).trimmed();
        if (number.isEmpty())
            throw EDurvelError(kPersNumberMissing);
        if (pendingText(this, kHesab).trimmed().isEmpty())
            throw EDurvelError(kHesabMissing);
        if (DurvelField* price = findField(kPrice); price && price->value().toString().isEmpty())
            price->setValue(QStringLiteral("0"));
        // Rows this import wrote are in the table already, in its open transaction.
        if (s == State::Insert &&
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
