#include "import/wizard/ImportKinds.h"

namespace {

const ImportKindInfo kKinds[ImportKindCount] = {
    {"rbtXLS", ".xls", "Microsoft Excel files (*.xls)|*.xls|All files (*.*)|*.*"},
    {"rbtDBF", ".dbf", "DBF files (*.dbf)|*.dbf|All files (*.*)|*.*"},
    {"rbtXML", ".xml", "XML files (*.xml)|*.xml|All files (*.*)|*.*"},
    {"rbtTXT", ".txt", "Text files (*.txt)|*.txt|All files (*.*)|*.*"},
    {"rbtCSV", ".csv", "CSV files (*.csv)|*.csv|All files (*.*)|*.*"},
    {"rbtAccess", ".mdb", "Microsoft Access files (*.mdb)|*.mdb|All files (*.*)|*.*"},
    {"rbtHTML", ".html", "HTML files (*.html; *.htm)|*.html;*.htm|All files (*.*)|*.*"},
    {"rbtXMLDoc", ".xml", "XML files (*.xml)|*.xml|All files (*.*)|*.*"},
    {"rbtXlsx", ".xlsx", "Microsoft Excel 2007 files (*.xlsx)|*.xlsx|All files (*.*)|*.*"},
    {"rbtDocx", ".docx", "Microsoft Word 2007 files (*.docx)|*.docx|All files (*.*)|*.*"},
    {"rbtODS", ".ods", "Open Document Spreadsheet files (*.ods)|*.ods|All files (*.*)|*.*"},
    {"rbtODT", ".odt", "Open Document Text files (*.odt)|*.odt|All files (*.*)|*.*"},
};

} // namespace

const TAllowedImport ImportKindCheckOrder[ImportKindCount] = {
    aiXLS, aiXLSX, aiDOCX, aiODS, aiODT, aiDBF, aiHTML, aiXML, aiXMLDoc, aiTXT, aiCSV, aiAccess};

const ImportKindInfo& ImportKind(int Kind)
{
    return kKinds[Kind < 0 || Kind >= ImportKindCount ? 0 : Kind];
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
