#pragma once
// The smallest workbook package around one sheet named "S" and, when given, its shared strings:
// what the readers' tests need when the sheet's rows are what they are about.

#include "tests/support/ZipBuilder.h"

namespace xlsxbook {

inline const QByteArray kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const QByteArray kRel =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline const QByteArray kPkg = "http://schemas.openxmlformats.org/package/2006/relationships";

// SheetData: the rows, inside <sheetData>; Strings: the <si> items (none: no strings part).
inline QList<ZipMember> oneSheet(const QByteArray& sheetData, const QByteArray& strings = {})
{
    QByteArray rels = "<Relationships xmlns=\"" + kPkg +
                      "\"><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
                      "Target=\"worksheets/s.xml\"/>";
    if (!strings.isNull())
        rels += "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    rels += "</Relationships>";
    QList<ZipMember> members = {
        {"[Content_Types].xml", "<Types/>"},
        {"_rels/.rels", "<Relationships xmlns=\"" + kPkg +
                            "\"><Relationship Id=\"rId1\" Type=\"x/officeDocument\" "
                            "Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel +
                                "\"><sheets><sheet name=\"S\" sheetId=\"1\" "
                                "r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", rels},
        {"xl/worksheets/s.xml",
         "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"},
    };
    if (!strings.isNull())
        members.append({"xl/sharedStrings.xml", "<sst xmlns=\"" + kMain + "\">" + strings + "</sst>"});
    return members;
}

} // namespace xlsxbook
