#pragma once
// The personnel register's own rules, kept by its import as by a clerk's save: every person has
// a personnel number and an account, a personnel number is never given twice, a personnel
// number or an amount is digits only, and an empty amount is kept as 0.

#include "import/engine/Durvel3.h"
#include "import/engine/DurvelDbDataSet.h"

#include <QString>

// The register's messages.
extern const QString kPersNumberMissing; // "شماره پرسنلي را وارد کنيد"
extern const QString kHesabMissing;      // "شماره حساب را وارد کنيد"
extern const QString kPersNumberDuplicate; // "شماره پرسنلي وارد شده تکراريست"
extern const QString kPriceMissing;        // "مبلغ را وارد كنيد"

// Text as the register keeps a number: the separator removed and Persian or Arabic digits
// written as ASCII ones. False when anything but digits is left.
bool RegisterDigits(QString& text, QChar separator = u',');

// The register behind the import: a row left without a personnel number or an account, and a
// new row whose personnel number the register already holds (from before or from an earlier
// row of the same import), are refused; a row without an amount gets 0.
class RegisterImportDataSet : public DurvelDbDataSet
{
public:
    using DurvelDbDataSet::DurvelDbDataSet;
    void post() override;
};

// Before a row is written: its personnel number and amount become digit text, or the row is
// refused with the register's message (an EDurvelError, so it is a row error).
void CheckRegisterRow(TDurvel3* Import, TDurvelRow* Row);
