#pragma once
// Office documents for the document pages' tests, written at test time by Debian's python3-docx
// and python3-odf.

#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

using OfficeRows = QList<QStringList>;

struct OfficeTable
{
    QString Name;
    OfficeRows Rows;
    // A text table: a two-by-two table is laid into its cell (Row, Col) when Row >= 0.
    int SubTableRow = -1;
    int SubTableCol = -1;
};

// Each returns false when the Python module is missing or fails (the caller skips).
bool WriteDocx(const QString& Path, const QList<OfficeTable>& Tables);
bool WriteOds(const QString& Path, const QList<OfficeTable>& Sheets);
bool WriteOdt(const QString& Path, const QList<OfficeTable>& Tables);

// A window of the wizard on the options step of Kind for File.
std::unique_ptr<TDurvel3WizardF> OpenOptions(TDurvel3Wizard& Wizard, int Kind, const QString& File);
