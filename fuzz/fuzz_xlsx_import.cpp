// Imports a valid XLSX workbook with one member replaced by the input (after its first byte)
// through TDurvel3Xlsx::Execute into a cell store. The first byte picks the member and the
// options (merge filling, hidden sheets, the sheet, rows to skip): a hostile member must end in
// a designed error, never a crash or a row from nowhere.
#include "FuzzZip.h"

#include "import/engine/Durvel3Xlsx.h"
#include "import/engine/DurvelDestinations.h"

namespace {

const QByteArray kMainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

QList<std::pair<QByteArray, QByteArray>> validBook()
{
    const QByteArray rel =
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const QByteArray pkg = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
    const QByteArray sheet =
        "<worksheet " + kMainNs +
        "><dimension ref=\"A1:C4\"/><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
        "<c r=\"B1\" s=\"1\"><v>45000</v></c><c r=\"C1\" t=\"inlineStr\"><is><t>x</t></is></c>"
        "</row><row r=\"3\"><c r=\"A3\"><v>1.5E3</v></c><c r=\"C3\" t=\"b\"><v>1</v></c></row>"
        "</sheetData><mergeCells><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"C3:C4\"/>"
        "</mergeCells></worksheet>";
    return {
        {"[Content_Types].xml", "<Types/>"},
        {"_rels/.rels", "<Relationships " + pkg +
                            "><Relationship Id=\"rId1\" Type=\"x/officeDocument\" "
                            "Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook " + kMainNs + " " + rel +
                                "><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/><sheet "
                                "name=\"H\" sheetId=\"2\" r:id=\"rId2\" state=\"hidden\"/>"
                                "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships " + pkg +
             "><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"x/worksheet\" Target=\"worksheets/sheet2.xml\"/>"
             "<Relationship Id=\"s\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
             "<Relationship Id=\"t\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", sheet},
        {"xl/worksheets/sheet2.xml", sheet},
        {"xl/sharedStrings.xml",
         "<sst " + kMainNs + "><si><t>a</t></si><si><r><t>b</t></r></si></sst>"},
        {"xl/styles.xml", "<styleSheet " + kMainNs +
                              "><numFmts><numFmt numFmtId=\"165\" formatCode=\"yyyy-mm-dd\"/>"
                              "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"165\"/>"
                              "</cellXfs></styleSheet>"},
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > fuzz::MaxInput)
        return 0;
    static const QList<std::pair<QByteArray, QByteArray>> book = validBook();
    QList<std::pair<QByteArray, QByteArray>> members = book;
    const std::uint8_t options = data[0];
    members[qsizetype(options % members.size())].second =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString path = fuzz::writeZip("import.xlsx", members);

    TDurvel3Xlsx imp;
    imp.SetFileName(path);
    imp.SetNeedFillMerge(options & 0x10);
    imp.SetLoadHiddenSheet(options & 0x20);
    imp.SetSheetName((options & 0x40) ? QStringLiteral("h") : QString());
    imp.SkipFirstRows = (options >> 7) & 1;
    // A merged range may rightly reach row 1,048,576; the search needs no million rows.
    imp.ImportRecCount = 5000;
    DurvelCellStore grid(3, 0);
    imp.ImportDestination = didStringGrid;
    imp.StringGrid = &grid;
    imp.Map().Add(QStringLiteral("0=A"));
    imp.Map().Add(QStringLiteral("1=C"));
    imp.Map().Add(QStringLiteral("2=XFD"));
    try {
        imp.Execute();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    fuzz::check(grid.rowCount() <= 1048576, "more rows than a sheet holds");
    return 0;
}
