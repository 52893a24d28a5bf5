// Loads an XLSX workbook whose parts are the input's NUL-separated pieces (workbook, its
// relationships, two sheets, shared strings, styles), with merges filled and hidden sheets
// read: hostile parts must end in a designed error, and every cell must lie within its sheet.
#include "FuzzZip.h"

#include "import/engine/support/XlsxFile.h"
#include "platform/xml/Xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QList<QByteArray> parts = fuzz::splitParts(data, size, 6);
    const QString path = fuzz::writeZip("in.xlsx", {{"xl/workbook.xml", parts[0]},
                                                    {"xl/_rels/workbook.xml.rels", parts[1]},
                                                    {"xl/worksheets/sheet1.xml", parts[2]},
                                                    {"xl/worksheets/sheet2.xml", parts[3]},
                                                    {"xl/sharedStrings.xml", parts[4]},
                                                    {"xl/styles.xml", parts[5]}});
    try {
        TXlsxFile file;
        file.Workbook.LoadHiddenSheet = true;
        file.Workbook.NeedFillMerge = size % 2 == 0;
        file.SetFileName(path);
        file.Load();
        for (const auto& sheet : file.Workbook.WorkSheets) {
            fuzz::check(sheet->Cells.ColCount() == sheet->ColCount &&
                            sheet->Cells.RowCount() == sheet->RowCount,
                        "the cell store does not match the sheet's extents");
            fuzz::check(sheet->RowCount <= 1048576 && sheet->ColCount <= 16384,
                        "a sheet beyond the format's bounds");
        }
    } catch (const EZipError&) {
    } catch (const xml::XmlError&) {
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
