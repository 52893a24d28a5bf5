// Parses the input (UTF-8) as range text against a small workbook. Text that parses must be
// written back as text that parses to itself; editing it must keep it valid.
#include "FuzzSupport.h"

#include "import/engine/support/MapRange.h"
#include "import/engine/support/SheetWorkbook.h"

namespace {

// Two sheets whose cells are filled on a diagonal band.
class BandWorkbook : public TSheetWorkbook
{
public:
    bool IsLoaded() const override { return true; }
    void Load() override {}
    int SheetCount() const override { return 2; }
    QString SheetName(int Sheet) const override { return Sheet ? "Second" : "حقوق"; }
    int FirstCol(int, int Row) const override { return Row < 300 ? Row / 2 : -1; }
    int LastCol(int, int Row) const override { return Row < 300 ? Row / 2 + 3 : -1; }
    int FirstRow(int, int Col) const override { return Col < 150 ? Col * 2 : -1; }
    int LastRow(int, int Col) const override { return Col < 150 ? Col * 2 + 7 : -1; }
    QString CellText(int Sheet, int Row, int Col) const override
    {
        fuzz::check(Row >= 0 && Col >= 0 && Row < 65536 && Col < 256, "a cell outside a sheet");
        return QString::number(Sheet * 1000000 + Row * 256 + Col);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    BandWorkbook wb;
    TMapRowList list(&wb);
    list.SkipRows = size % 3;
    list.SkipCols = size % 2;
    try {
        TMapRow plain;
        plain.SetAsString(text);
        const QString written = plain.GetAsString();
        TMapRow again;
        again.SetAsString(written);
        fuzz::check(again.GetAsString() == written, "written text reads back differently");
        plain.MergeRanges();
        TMapRow merged;
        merged.SetAsString(plain.GetAsString());
        if (plain.Count() > 0) {
            const TMapRange* r = plain.GetItem(0);
            plain.ExcludeCell("x", 1, std::max(1, r->StartRow), std::max(1, r->StartCol));
        }

        auto row = list.NewRow();
        row->SetAsString(text);
        const int total = row->TotalCount();
        fuzz::check(total >= 0 && total <= 65536 * 64, "a cell count out of bounds");
        for (int i = 1; i <= std::min(total, 2000) + 1; ++i)
            row->Value(i);
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
