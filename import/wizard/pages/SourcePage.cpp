#include "import/wizard/pages/SourcePage.h"

#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/pages/AccessPage.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/DbfPage.h"
#include "import/wizard/pages/DocxPage.h"
#include "import/wizard/pages/HtmlPage.h"
#include "import/wizard/pages/OdsPage.h"
#include "import/wizard/pages/OdtPage.h"
#include "import/wizard/pages/TXTPage.h"
#include "import/wizard/pages/XLSPage.h"
#include "import/wizard/pages/XlsxPage.h"
#include "import/wizard/pages/XmlDocPage.h"
#include "import/wizard/pages/XmlPage.h"

#include <QFileInfo>

SourcePage::SourcePage(TDurvel3WizardF* Form, int Kind) : QWidget(Form), F(Form), FKind(Kind) {}

bool SourcePage::JumpNeedsRead() const
{
    return F->NeedReload && QFileInfo(F->FileName()).isFile() && StepComplete(StepCount());
}

void SourcePage::ReadSource(const std::function<void()>& Read)
{
    FPartRefused = false;
    try {
        Read();
    } catch (...) {
        FFileRefused = !FPartRefused;
        try {
            ForgetMap();
            if (FFileRefused)
                Forget();
            F->TuneButtons();
        } catch (...) {
            // The refusal is what the clerk is told.
        }
        throw;
    }
    FFileRefused = false;
}

void SourcePage::ReadPart(const std::function<void()>& Read)
{
    try {
        Read();
    } catch (...) {
        FPartRefused = true;
        try {
            F->TuneButtons();
        } catch (...) {
        }
        throw;
    }
    FPartRefused = false;
}

SourcePage* CreateSourcePage(int Kind, TDurvel3WizardF* Form)
{
    switch (Kind) {
    case aiXLS:
        return new XlsPage(Form);
    case aiTXT:
        return new TxtPage(Form);
    case aiCSV:
        return new CsvPage(Form);
    case aiDBF:
        return new DbfPage(Form);
    case aiXML:
        return new XmlPage(Form);
    case aiAccess:
        return new AccessPage(Form);
    case aiHTML:
        return new HtmlPage(Form);
    case aiXMLDoc:
        return new XmlDocPage(Form);
    case aiXLSX:
        return new XlsxPage(Form);
    case aiDOCX:
        return new DocxPage(Form);
    case aiODS:
        return new OdsPage(Form);
    case aiODT:
        return new OdtPage(Form);
    default:
        return nullptr;
    }
}
