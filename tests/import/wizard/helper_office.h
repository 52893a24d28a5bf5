#pragma once
// Office documents for the document pages' tests, written at test time by Debian's python3-docx
// and python3-odf, and the steps those tests share.

#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"

#include <QList>
#include <QStringList>
#include <memory>

class GridMapPage;

struct OfficeTable
{
    QString Name;
    QList<QStringList> Rows;
    // A text table gets a two-by-two table in its cell (SubRow, SubCol) when SubRow >= 0.
    int SubRow = -1;
    int SubCol = -1;
};

// A header row and three people.
extern const QList<QStringList> kStaff;
// "Pers_number|First_Name|Price" of the register after kStaff's people are imported into it.
extern const QStringList kStaffStored;

// Kind is "docx", "ods" or "odt"; false when the Python module is missing (the test skips).
// With Settings a spreadsheet names its sheets in its settings, as LibreOffice writes it.
bool WriteOffice(const QString& Kind, const QString& Path, const QList<OfficeTable>& Tables,
                 bool Settings = false);

// A window of the wizard on the options step of Kind for File.
std::unique_ptr<TDurvel3WizardF> OpenOptions(TDurvel3Wizard& Wizard, int Kind, const QString& File);
// Maps Pers_number, First_Name, Last_Name, Hesab, Price to grid columns First .. First + 4.
void MapStaff(GridMapPage* Page, int First);
// Saves W's template to Path, then loads it into a fresh window of the same wizard.
std::unique_ptr<TDurvel3WizardF> ThroughTemplate(std::unique_ptr<TDurvel3WizardF> W,
                                                 const QString& Path);
