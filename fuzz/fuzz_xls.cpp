// Opens the input as an XLS workbook (a compound file or a bare record stream) from a file, as
// the reader does, and from its bytes; both must agree. Reads every cell as text and as the
// view the import takes, and a few ranges through range text.
#include "FuzzSupport.h"

#include "import/engine/support/MapRange.h"
#include "import/engine/support/XlsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TxlsFile f(fuzz::writeFile("fuzz.xls", bytes));
    try {
        f.Open();
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        fuzz::check(!f.Opened(), "a failed open left the file open");
        TxlsFile again;
        try {
            again.OpenBytes(bytes.toByteArray());
        } catch (const std::exception& e) {
            fuzz::expectedError(e);
            return 0;
        }
        fuzz::fail("the bytes open where the file does not");
    }
    TxlsFile fromBytes;
    try {
        fromBytes.OpenBytes(bytes.toByteArray());
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
        fuzz::fail("the file opens where its bytes do not");
    }
    fuzz::check(fromBytes.SheetCount() == f.SheetCount(), "the file and its bytes differ");
    qsizetype cells = 0;
    QString scratch; // kept from cell to cell, as the import keeps it
    for (int s = 0; s < f.SheetCount(); ++s) {
        const TxlsWorkSheet* sheet = f.Workbook()->Sheet(s);
        for (int c = 0; c < sheet->ColCount(); ++c) {
            const int first = f.FirstRow(s, c);
            fuzz::check((first < 0) == (f.LastRow(s, c) < 0), "column extents disagree");
            fuzz::check(first <= f.LastRow(s, c), "column extents out of order");
        }
        for (int r = 0; r < sheet->RowCount(); ++r) {
            for (const TbiffCell& cell : sheet->RowCells(r)) {
                fuzz::check(cell.Row == r, "a cell in the wrong row");
                fuzz::check(f.CellText(s, r, cell.Col) == f.CellText(*sheet, cell),
                            "a cell read two ways differs");
                // The view the import writes from is the same text, null where it is null.
                const QString text = f.CellText(*sheet, cell);
                const QStringView view = f.CellView(*sheet, cell, scratch);
                fuzz::check(view == text && view.isNull() == text.isNull(),
                            "a cell's view and its text differ");
                fuzz::check(fromBytes.CellText(s, r, cell.Col) == f.CellText(*sheet, cell),
                            "a cell of the file and of its bytes differ");
                // Every cell has a variant; a float exactly when it holds a number.
                const QVariant v = f.CellAsVariant(*sheet, cell);
                bool isFloat = true;
                try {
                    f.CellAsFloat(cell);
                } catch (const ExlsFileError&) {
                    isFloat = false;
                }
                fuzz::check(isFloat == (cell.Kind == TbiffCell::ckNumber),
                            "a cell's float access disagrees with its kind");
                fuzz::check(v.isValid() || cell.Kind == TbiffCell::ckEmpty,
                            "a filled cell without a variant");
                ++cells;
            }
        }
    }
    fuzz::check(cells <= qsizetype(size), "more cells than bytes");
    try {
        TMapRow row;
        row.SetWorkbook(&f);
        row.SetAsString(QStringLiteral("A-COLFINISH;1-ROWSTART;[:2]B9-B1"));
        for (int i = 1; i <= row.TotalCount() + 1; ++i)
            row.Value(i);
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
