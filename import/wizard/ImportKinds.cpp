#include "import/wizard/ImportKinds.h"

#include <QFileInfo>

namespace {

const ImportKindInfo kKinds[ImportKindCount] = {
    {"rbtXLS", ".xls", nullptr, "Microsoft Excel files (*.xls)|*.xls|All files (*.*)|*.*"},
    {"rbtDBF", ".dbf", nullptr, "DBF files (*.dbf)|*.dbf|All files (*.*)|*.*"},
    {"rbtXML", ".xml", nullptr, "XML files (*.xml)|*.xml|All files (*.*)|*.*"},
    {"rbtTXT", ".txt", nullptr, "Text files (*.txt)|*.txt|All files (*.*)|*.*"},
    {"rbtCSV", ".csv", nullptr, "CSV files (*.csv)|*.csv|All files (*.*)|*.*"},
    {"rbtAccess", ".mdb", ".accdb",
     "Microsoft Access files (*.mdb; *.accdb)|*.mdb;*.accdb|All files (*.*)|*.*"},
    {"rbtHTML", ".html", ".htm", "HTML files (*.html; *.htm)|*.html;*.htm|All files (*.*)|*.*"},
    {"rbtXMLDoc", ".xml", nullptr, "XML files (*.xml)|*.xml|All files (*.*)|*.*"},
    {"rbtXlsx", ".xlsx", nullptr, "Microsoft Excel 2007 files (*.xlsx)|*.xlsx|All files (*.*)|*.*"},
    {"rbtDocx", ".docx", nullptr, "Microsoft Word 2007 files (*.docx)|*.docx|All files (*.*)|*.*"},
    {"rbtODS", ".ods", nullptr,
     "Open Document Spreadsheet files (*.ods)|*.ods|All files (*.*)|*.*"},
    {"rbtODT", ".odt", nullptr, "Open Document Text files (*.odt)|*.odt|All files (*.*)|*.*"},
};

} // namespace

const TAllowedImport ImportKindCheckOrder[ImportKindCount] = {
    aiXLS, aiXLSX, aiDOCX, aiODS, aiODT, aiDBF, aiHTML, aiXML, aiXMLDoc, aiTXT, aiCSV, aiAccess};

const ImportKindInfo& ImportKind(int Kind)
{
    return kKinds[Kind < 0 || Kind >= ImportKindCount ? 0 : Kind];
}

bool FitsKind(const QString& FileName, int Kind)
{
    const QString suffix = QFileInfo(FileName).suffix();
    if (suffix.isEmpty())
        return false;
    const ImportKindInfo& info = ImportKind(Kind);
    const QString ext = u'.' + suffix;
    return ext.compare(QLatin1String(info.Extension), Qt::CaseInsensitive) == 0 ||
           (info.Also && ext.compare(QLatin1String(info.Also), Qt::CaseInsensitive) == 0);
}

TAllowedImports AvailableImports()
{
    TAllowedImports kinds;
    // Each reader adds its kind here when it is built.
    kinds << aiXLS;
    kinds << aiTXT;
    kinds << aiCSV;
    kinds << aiHTML;
    kinds << aiXMLDoc;
    kinds << aiXLSX;
    kinds << aiDOCX;
    kinds << aiODS;
    kinds << aiODT;
    kinds << aiDBF;
    kinds << aiXML;
    kinds << aiAccess;
    return kinds;
}
