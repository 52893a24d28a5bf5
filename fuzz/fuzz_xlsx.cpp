// Loads an XLSX workbook whose parts are the input's NUL-separated pieces (workbook, its
// relationships, two sheets, shared strings, styles, the package's relationships), with
// merges filled on even sizes and hidden sheets read: hostile parts must end in a designed
// error, every cell must lie within its sheet, and the first sheet read again in other ways
// (its top-left corner alone, two columns streamed) must agree with the whole.
#include "FuzzZip.h"

#include "import/engine/support/XlsxFile.h"
#include "platform/xml/Xml.h"

namespace {

void expected(const std::exception& e)
{
    if (!dynamic_cast<const EZipError*>(&e) && !dynamic_cast<const xml::XmlError*>(&e))
        fuzz::expectedError(e);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QList<QByteArray> parts = fuzz::splitParts(data, size, 7);
    QList<std::pair<QByteArray, QByteArray>> members = {
        {"xl/workbook.xml", parts[0]},           {"xl/_rels/workbook.xml.rels", parts[1]},
        {"xl/worksheets/sheet1.xml", parts[2]},  {"xl/worksheets/sheet2.xml", parts[3]},
        {"xl/sharedStrings.xml", parts[4]},      {"xl/styles.xml", parts[5]}};
    // Without package relationships the workbook is found at its usual place.
    if (!parts[6].isEmpty())
        members.append({"_rels/.rels", parts[6]});
    const QString path = fuzz::writeZip("in.xlsx", members);
    const bool fill = size % 2 == 0;

    TXlsxFile file;
    try {
        file.Workbook.LoadHiddenSheet = true;
        file.Workbook.NeedFillMerge = fill;
        file.SetFileName(path);
        file.Load();
        for (const auto& sheet : file.Workbook.WorkSheets) {
            fuzz::check(sheet->Cells.ColCount() == sheet->ColCount &&
                            sheet->Cells.RowCount() == sheet->RowCount,
                        "the cell store does not match the sheet's extents");
            fuzz::check(sheet->RowCount <= 1048576 && sheet->ColCount <= 16384,
                        "a sheet beyond the format's bounds");
        }
    } catch (const std::exception& e) {
        expected(e);
        return 0;
    }
    if (file.Workbook.WorkSheets.empty())
        return 0;
    const TXlsxWorkSheet& whole = *file.Workbook.WorkSheets.front();

    // The top-left corner as the XLSX page reads it.
    try {
        TXlsxFile corner;
        corner.Workbook.LoadHiddenSheet = true;
        corner.Workbook.NeedFillMerge = fill;
        corner.SetCellLimits(3, 3);
        corner.SetFileName(path);
        corner.Load();
        const TXlsxWorkSheet& top = *corner.Workbook.WorkSheets.front();
        fuzz::check(top.RowCount <= qMin(whole.RowCount, 3), "the corner has other rows");
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                fuzz::check(top.Cells.Cell(c, r) == whole.Cells.Cell(c, r),
                            "the corner differs from the whole sheet");
    } catch (const std::exception& e) {
        expected(e);
        fuzz::fail("the corner of a sheet read whole failed");
    }

    // Two columns streamed as an import reads them.
    try {
        TXlsxFile streamed;
        streamed.Workbook.LoadHiddenSheet = true;
        streamed.Workbook.NeedFillMerge = fill;
        streamed.SetFileName(path);
        streamed.OpenWorkbook();
        XlsxSheetReader::Options options;
        options.columns = {2, 0};
        auto reader = streamed.OpenSheet(*streamed.Workbook.WorkSheets.front(), options);
        XlsxRow row;
        int last = -1;
        while (reader->next(row)) {
            fuzz::check(row.row > last && row.row < whole.RowCount, "a row out of place");
            last = row.row;
            for (const auto& [col, text] : row.cells)
                fuzz::check(col == 0 || col == 2, "a column not asked for");
            fuzz::check(row.text(0) == whole.Cells.Cell(0, row.row) &&
                            row.text(2) == whole.Cells.Cell(2, row.row),
                        "a streamed row differs from the whole sheet");
        }
        fuzz::check(last + 1 == whole.RowCount, "the streamed rows end elsewhere");
    } catch (const std::exception& e) {
        expected(e);
        // A sheet without its part opens empty; only reading it as an import does is refused.
        const bool missing = whole.RowCount == 0 &&
                             QString::fromUtf8(e.what()).contains(QLatin1String("is missing"));
        if (!missing)
            fuzz::fail("a sheet read whole failed when streamed");
    }
    return 0;
}
