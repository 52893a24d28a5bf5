#include "import/engine/support/MapRange.h"
#include "import/engine/support/SheetWorkbook.h"

#include <QMap>
#include <QtTest>

namespace {

// Cells by sheet, row and column (0-based), each holding a text.
class FakeWorkbook : public TSheetWorkbook
{
public:
    QStringList names;
    QMap<std::tuple<int, int, int>, QString> cells;
    int loads = 0;
    bool loaded = false;

    void put(int sheet, const QString& cell, const QString& text)
    {
        int col = 0, row = 0;
        ParseCellDefinition(cell, col, row);
        cells[{sheet, row - 1, col - 1}] = text;
    }
    bool IsLoaded() const override { return loaded; }
    void Load() override
    {
        ++loads;
        loaded = true;
    }
    int SheetCount() const override { return int(names.size()); }
    QString SheetName(int Sheet) const override { return names.value(Sheet); }
    int FirstCol(int Sheet, int Row) const override { return extent(Sheet, Row, true, true); }
    int LastCol(int Sheet, int Row) const override { return extent(Sheet, Row, true, false); }
    int FirstRow(int Sheet, int Col) const override { return extent(Sheet, Col, false, true); }
    int LastRow(int Sheet, int Col) const override { return extent(Sheet, Col, false, false); }
    QString CellText(int Sheet, int Row, int Col) const override
    {
        return cells.value({Sheet, Row, Col});
    }

private:
    int extent(int sheet, int line, bool byRow, bool first) const
    {
        int best = -1;
        for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
            const auto [s, r, c] = it.key();
            if (s != sheet || (byRow ? r : c) != line)
                continue;
            const int v = byRow ? c : r;
            if (best < 0 || (first ? v < best : v > best))
                best = v;
        }
        return best;
    }
};

// Sheet "Data": A1..A5, C3, C4, B7..E7, each holding its own address; sheet "Second": A1, A2.
void fill(FakeWorkbook& wb)
{
    wb.names = {"Data", "Second"};
    for (const char* c : {"A1", "A2", "A3", "A4", "A5", "C3", "C4", "B7", "C7", "D7", "E7"})
        wb.put(0, c, c);
    wb.put(1, "A1", "s1");
    wb.put(1, "A2", "s2");
}

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EMapRangeError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestMapRange : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("count");
        const int col = TMapRange::rkColumn, row = TMapRange::rkRow, cell = TMapRange::rkCell;
        const int fw = TMapRange::dirForward, bw = TMapRange::dirBackward,
                  unset = TMapRange::dirUnset;
        QTest::newRow("cell in small letters") << "b2"
                                               << "B2;" << cell << unset << 1;
        QTest::newRow("column run") << "A1-A9"
                                    << "A1-A9;" << col << fw << 9;
        QTest::newRow("column run upwards") << "A9-A1"
                                            << "A9-A1;" << col << bw << 9;
        QTest::newRow("row run") << "A1-H1;"
                                 << "A1-H1;" << row << fw << 8;
        QTest::newRow("whole column") << "A-COLFINISH"
                                      << "A-COLFINISH;" << col << fw << 0;
        QTest::newRow("whole column upwards") << "A-COLSTART"
                                              << "A-COLSTART;" << col << bw << 0;
        QTest::newRow("whole row") << "1-ROWFINISH"
                                   << "1-ROWFINISH;" << row << fw << 0;
        QTest::newRow("whole row leftwards") << "1-ROWSTART"
                                             << "1-ROWSTART;" << row << bw << 0;
        QTest::newRow("cell to column end") << "A1-COLFINISH"
                                            << "A1-COLFINISH;" << col << fw << 0;
        QTest::newRow("cell to column start") << "A9-COLSTART"
                                              << "A9-COLSTART;" << col << bw << 0;
        QTest::newRow("cell to row end") << "A1-ROWFINISH"
                                         << "A1-ROWFINISH;" << row << fw << 0;
        QTest::newRow("cell to row start") << "H1-ROWSTART"
                                           << "H1-ROWSTART;" << row << bw << 0;
        QTest::newRow("column start to cell") << "COLSTART-A9"
                                              << "COLSTART-A9;" << col << fw << 0;
        QTest::newRow("column end to cell") << "COLFINISH-A1"
                                            << "COLFINISH-A1;" << col << bw << 0;
        QTest::newRow("row start to cell") << "ROWSTART-H1"
                                           << "ROWSTART-H1;" << row << fw << 0;
        QTest::newRow("row end to cell") << "ROWFINISH-A1"
                                         << "ROWFINISH-A1;" << row << bw << 0;
        QTest::newRow("sheet by name, as written") << "[Sheet2]b2"
                                                   << "[Sheet2]B2;" << cell << unset << 1;
        QTest::newRow("sheet name that grows upper-cased") << "[Straße]a1-a2"
                                                           << "[Straße]A1-A2;" << col << fw << 2;
        QTest::newRow("Persian sheet name") << "[حقوق ماه]A1-A2"
                                            << "[حقوق ماه]A1-A2;" << col << fw << 2;
        QTest::newRow("sheet by number and two ranges") << "[:2]A1-A3;c5"
                                                        << "[:2]A1-A3;C5;" << col << fw << 3;
        QTest::newRow("blanks around") << "  a1;b2  "
                                       << "A1;B2;" << cell << unset << 1;
        QTest::newRow("last cell of a sheet") << "IV65536"
                                              << "IV65536;" << cell << unset << 1;
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QFETCH(int, kind);
        QFETCH(int, direction);
        QFETCH(int, count);
        TMapRow row;
        row.SetAsString(text);
        QCOMPARE(row.GetAsString(), written);
        QCOMPARE(int(row.GetItem(0)->Kind()), kind);
        QCOMPARE(int(row.GetItem(0)->Direction), direction);
        QCOMPARE(row.GetItem(0)->CellCount(), count);
        TMapRow again;
        again.SetAsString(written);
        QCOMPARE(again.GetAsString(), written);
    }

    void parseErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("kept");
        QTest::newRow("neither column nor row")
            << "A1-B2"
            << "Range A1-B2 is fail. It must be COL or ROW" << 0;
        QTest::newRow("space between cells") << "A1 B2"
                                             << "The   symbol at position 3 is unknown" << 0;
        QTest::newRow("column past IV") << "IW1"
                                        << "Column 257 is out of range [A..IV]" << 0;
        QTest::newRow("row past the last") << "A65537"
                                           << "Row 65537 is out of range [1..65536]" << 0;
        QTest::newRow("row zero") << "B2;A0"
                                  << "Row 0 is out of range [1..65536]" << 1;
        QTest::newRow("long row digits") << "A99999999999"
                                         << "Number 99999999999 at position 2 is too large" << 0;
        QTest::newRow("long sheet number") << "[:123456789012]A1"
                                           << "Number 123456789012 at position 3 is too large" << 0;
        QTest::newRow("sheet zero") << "[:0]A1"
                                    << "Sheet number 0 at position 3 is out of range" << 0;
        QTest::newRow("nothing after dash")
            << "A1-"
            << "Letter expected but end of range found (position 4)" << 0;
        QTest::newRow("digit after dash") << "A1-5"
                                          << "Letter expected but 5 found (position 4)" << 0;
        QTest::newRow("column word wanted") << "A-B"
                                            << "Expect COLSTART or COLFINISH but B found" << 0;
        QTest::newRow("row word wanted") << "1-ROWEND"
                                         << "Expect ROWSTART or ROWFINISH but ROWEND found" << 0;
        QTest::newRow("unknown open end")
            << "FOO-A1"
            << "Expect COLSTART, COLFINISH, ROWSTART or ROWFINISH but FOO found" << 0;
        QTest::newRow("illegal in sheet name") << "[A/B]A1"
                                               << "Illegal char / in sheet name at position 3" << 0;
        QTest::newRow("empty range") << "A1;;"
                                     << "Unexpected end of range" << 1;
        QTest::newRow("prefix alone") << "[S]"
                                      << "Unexpected end of range" << 0;
        QTest::newRow("letter in sheet number") << "[:X]A1"
                                                << "The symbol X at position 3 is unexpected" << 0;
        QTest::newRow("letter after a cell") << "A1;B2;A1B"
                                             << "The symbol B at position 9 is unexpected" << 2;
    }
    void parseErrors()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, kept);
        TMapRow row;
        QCOMPARE(errorOf([&] { row.SetAsString(text); }), message);
        QCOMPARE(row.Count(), kept);
    }

    void values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("skipRows");
        QTest::addColumn<int>("skipCols");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("down") << "A1-A5" << 0 << 0 << QStringList{"A1", "A2", "A3", "A4", "A5"};
        QTest::newRow("up") << "A5-A1" << 0 << 0 << QStringList{"A5", "A4", "A3", "A2", "A1"};
        QTest::newRow("whole column")
            << "A-COLFINISH" << 0 << 0 << QStringList{"A1", "A2", "A3", "A4", "A5"};
        QTest::newRow("whole column from row 1")
            << "C-COLFINISH" << 0 << 0 << QStringList{"", "", "C3", "C4", "", "", "C7"};
        QTest::newRow("whole column upwards")
            << "C-COLSTART" << 0 << 0 << QStringList{"C7", "", "", "C4", "C3"};
        QTest::newRow("whole row")
            << "7-ROWFINISH" << 0 << 0 << QStringList{"B7", "C7", "D7", "E7"};
        QTest::newRow("whole row leftwards")
            << "7-ROWSTART" << 0 << 0 << QStringList{"E7", "D7", "C7", "B7"};
        QTest::newRow("cell to row end")
            << "C7-ROWFINISH" << 0 << 0 << QStringList{"C7", "D7", "E7"};
        QTest::newRow("sheet by name") << "[second]A1-A2" << 0 << 0 << QStringList{"s1", "s2"};
        QTest::newRow("sheet by number") << "[:2]A-COLFINISH" << 0 << 0 << QStringList{"s1", "s2"};
        QTest::newRow("scattered cells")
            << "A1;A3;C3;[:2]A2" << 0 << 0 << QStringList{"A1", "A3", "C3", "s2"};
        QTest::newRow("skipped rows") << "A1-A5" << 2 << 0 << QStringList{"A3", "A4", "A5"};
        QTest::newRow("run inside skipped rows") << "A1-A2" << 2 << 0 << QStringList{};
        QTest::newRow("upward run inside skipped rows") << "A2-A1" << 2 << 0 << QStringList{};
        QTest::newRow("upward run past skipped rows")
            << "A5-A1" << 2 << 0 << QStringList{"A5", "A4", "A3"};
        QTest::newRow("skipped column") << "A1-A5" << 0 << 1 << QStringList{};
        QTest::newRow("row run past skipped columns")
            << "B7-E7" << 0 << 2 << QStringList{"C7", "D7", "E7"};
        QTest::newRow("skipped cell") << "A1;A2" << 1 << 0 << QStringList{"A2"};
    }
    void values()
    {
        QFETCH(QString, text);
        QFETCH(int, skipRows);
        QFETCH(int, skipCols);
        QFETCH(QStringList, values);
        FakeWorkbook wb;
        fill(wb);
        TMapRowList list(&wb);
        list.SkipRows = skipRows;
        list.SkipCols = skipCols;
        auto row = list.NewRow();
        row->SetAsString(text);
        QCOMPARE(wb.loads, 1);
        QCOMPARE(row->TotalCount(), values.size());
        QStringList got;
        for (int i = 1; i <= row->TotalCount(); ++i)
            got.append(row->Value(i));
        QCOMPARE(got, values);
        QCOMPARE(row->Value(row->TotalCount() + 1), QString());
        QCOMPARE(row->Value(0), QString());
    }

    void resolutionErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such sheet name")
            << "[NOPE]A1"
            << "Sheet with name NOPE is not found in the source file";
        QTest::newRow("no such sheet number") << "[:3]A1"
                                              << "Sheet 3 is not found in the source file";
        QTest::newRow("empty column") << "Z-COLFINISH"
                                      << "Col 26 not found in the sheet Data";
        QTest::newRow("empty row") << "20-ROWFINISH"
                                   << "Row 20 not found in the sheet Data";
    }
    void resolutionErrors()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        FakeWorkbook wb;
        fill(wb);
        TMapRow row;
        row.SetWorkbook(&wb);
        QCOMPARE(errorOf([&] { row.SetAsString(text); }), message);
    }

    // A sheet's name is matched as written: upper-casing "Straße" gives "STRASSE", no sheet.
    void sheetNamesReadAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        QTest::newRow("sharp s") << "[Straße]a2"
                                 << "s2";
        QTest::newRow("other letter case") << "[straße]A1"
                                           << "s1";
        QTest::newRow("dotted i") << "[İl]a1"
                                  << "i1";
    }
    void sheetNamesReadAsWritten()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        FakeWorkbook wb;
        wb.names = {"Data", "Straße", "İl"};
        wb.put(1, "A1", "s1");
        wb.put(1, "A2", "s2");
        wb.put(2, "A1", "i1");
        TMapRow row;
        row.SetWorkbook(&wb);
        QCOMPARE(errorOf([&] { row.SetAsString(text); }), QString());
        QCOMPARE(row.Value(1), value);
    }

    void closedRunOverEmptyCells()
    {
        FakeWorkbook wb;
        fill(wb);
        TMapRow row;
        row.SetWorkbook(&wb);
        row.SetAsString("Z1-Z3");
        QCOMPARE(row.TotalCount(), 3);
        QCOMPARE(row.Value(2), QString());
    }

    void longestAndShortest()
    {
        FakeWorkbook wb;
        fill(wb);
        TMapRowList list(&wb);
        for (const char* text : {"A1-A2", "A1-A5", "[:2]A1-A2;C3-C4;A1", "C3"}) {
            auto row = list.NewRow();
            row->SetAsString(text);
            list.Add(std::move(row));
        }
        list.UpdateLongestShortest();
        QCOMPARE(list.LongestIndex(), 1); // 5 cells, before the later 5
        QCOMPARE(list.ShortestIndex(), 3);
        QCOMPARE(list.LongestCount(), 5);
        QCOMPARE(list.ShortestCount(), 1);
    }

    void containsCell_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("contained");
        QTest::newRow("inside a run") << "A1-A9"
                                      << "x" << 1 << 5 << 1 << true;
        QTest::newRow("below a run") << "A1-A9"
                                     << "x" << 1 << 10 << 1 << false;
        QTest::newRow("beside a run") << "A1-A9"
                                      << "x" << 1 << 5 << 2 << false;
        QTest::newRow("inside an upward run") << "A9-A1"
                                              << "x" << 1 << 5 << 1 << true;
        QTest::newRow("above an open end") << "A3-COLFINISH"
                                           << "x" << 1 << 2 << 1 << false;
        QTest::newRow("far down an open end") << "A3-COLFINISH"
                                              << "x" << 1 << 900 << 1 << true;
        QTest::newRow("above an upward open end") << "A3-COLSTART"
                                                  << "x" << 1 << 2 << 1 << true;
        QTest::newRow("below an upward open end") << "A3-COLSTART"
                                                  << "x" << 1 << 4 << 1 << false;
        QTest::newRow("whole column") << "A-COLFINISH"
                                      << "x" << 1 << 60000 << 1 << true;
        QTest::newRow("whole row") << "2-ROWFINISH"
                                   << "x" << 1 << 2 << 200 << true;
        QTest::newRow("sheet number matches") << "[:2]B2"
                                              << "x" << 2 << 2 << 2 << true;
        QTest::newRow("other sheet number") << "[:2]B2"
                                            << "x" << 1 << 2 << 2 << false;
        QTest::newRow("sheet name without case") << "[Data]B2"
                                                 << "DATA" << 5 << 2 << 2 << true;
        QTest::newRow("other sheet name") << "[Data]B2"
                                          << "other" << 1 << 2 << 2 << false;
        QTest::newRow("single cell") << "C5"
                                     << "x" << 1 << 5 << 3 << true;
        QTest::newRow("next to a single cell") << "C5"
                                               << "x" << 1 << 5 << 4 << false;
    }
    void containsCell()
    {
        QFETCH(QString, text);
        QFETCH(QString, sheet);
        QFETCH(int, number);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(bool, contained);
        TMapRow map;
        map.SetAsString(text);
        QCOMPARE(map.ContainsCell(sheet, number, row, col), contained);
    }

    void neighbourFlags_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("flags");
        QTest::newRow("middle of the run")
            << 3 << 2 << (TMapRow::nbRight | TMapRow::nbAbove | TMapRow::nbBelow);
        QTest::newRow("top of the run") << 2 << 2 << int(TMapRow::nbBelow);
        QTest::newRow("the cell beside") << 3 << 3 << int(TMapRow::nbLeft);
        QTest::newRow("far away") << 9 << 9 << 0;
    }
    void neighbourFlags()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, flags);
        TMapRow map;
        map.SetAsString("B2-B4;C3");
        QCOMPARE(map.NeighbourFlags("x", 1, row, col), flags);
    }

    void excludeCell_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("result");
        QTest::newRow("start of a run") << "A1-A5"
                                        << "A1"
                                        << "A2-A5;";
        QTest::newRow("finish of a run") << "A1-A5"
                                         << "A5"
                                         << "A1-A4;";
        QTest::newRow("inside a run") << "A1-A5"
                                      << "A3"
                                      << "A1-A2;A4-A5;";
        QTest::newRow("inside an upward run") << "A5-A1"
                                              << "A3"
                                              << "A5-A4;A2-A1;";
        QTest::newRow("run of two") << "A1-A2"
                                    << "A1"
                                    << "A2;";
        QTest::newRow("single cell") << "B2;C3"
                                     << "B2"
                                     << "C3;";
        QTest::newRow("inside a row run") << "A1-E1"
                                          << "C1"
                                          << "A1-B1;D1-E1;";
        QTest::newRow("inside a whole column") << "A-COLFINISH"
                                               << "A5"
                                               << "COLSTART-A4;A6-COLFINISH;";
        QTest::newRow("first row of a whole column") << "A-COLFINISH"
                                                     << "A1"
                                                     << "A2-COLFINISH;";
        QTest::newRow("cell elsewhere") << "A2-A4;B1"
                                        << "B9"
                                        << "A2-A4;B1;";
        QTest::newRow("sheet prefix kept") << "[:2]A1-A3"
                                           << "A2"
                                           << "[:2]A1;[:2]A3;";
    }
    void excludeCell()
    {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        QFETCH(QString, result);
        int col = 0, row = 0;
        ParseCellDefinition(cell, col, row);
        TMapRow map;
        map.SetAsString(text);
        map.ExcludeCell("x", 2, row, col);
        QCOMPARE(map.GetAsString(), result);
    }

    void mergeRanges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("three cells down") << "B1;B2;B3"
                                          << "B1-B3;";
        QTest::newRow("three cells across") << "A1;B1;C1"
                                            << "A1-C1;";
        QTest::newRow("two runs") << "A1-A3;A4-A6"
                                  << "A1-A6;";
        QTest::newRow("two upward runs") << "A6-A4;A3-A1"
                                         << "A6-A1;";
        QTest::newRow("cell before a run") << "A4;A5-A9"
                                           << "A4-A9;";
        QTest::newRow("cell after a run") << "A4;A1-A3"
                                          << "A1-A4;";
        QTest::newRow("run then a cell") << "C1-C3;C4"
                                         << "C1-C4;";
        QTest::newRow("gap") << "A1-A3;A5"
                             << "A1-A3;A5;";
        QTest::newRow("other column") << "A1-A3;B4"
                                      << "A1-A3;B4;";
        QTest::newRow("other sheet") << "[:1]A1;[:2]A2"
                                     << "[:1]A1;[:2]A2;";
        QTest::newRow("opposite directions") << "A1-A3;A6-A4"
                                             << "A1-A3;A6-A4;";
    }
    void mergeRanges()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        TMapRow map;
        map.SetAsString(text);
        map.MergeRanges();
        QCOMPARE(map.GetAsString(), result);
    }

    void indexOfText()
    {
        TMapRow map;
        map.SetAsString("A1-A3;B2");
        QCOMPARE(map.IndexOfText("b2;"), 1);
        QCOMPARE(map.IndexOfText("C9;"), -1);
    }

    void partChecks_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("cell empty") << 0 << ""
                                    << "Cell is empty";
        QTest::newRow("cell without row") << 0 << "B"
                                          << "Number expected but end of range found (position 2)";
        QTest::newRow("cell with a letter after digits")
            << 0 << "B1X"
            << "Number expected but X found (position 3)";
        QTest::newRow("cell starting with a digit") << 0 << "1B"
                                                    << "The symbol 1 at position 1 is unexpected";
        QTest::newRow("two cells") << 0 << "B1;C2"
                                   << "So long cell definition";
        QTest::newRow("cell with a space") << 0 << "B 1"
                                           << "The   symbol at position 2 is unknown";
        QTest::newRow("col empty") << 1 << ";"
                                   << "Col is empty";
        QTest::newRow("col with a digit") << 1 << "A1"
                                          << "Letter expected but 1 found (position 2)";
        QTest::newRow("row empty") << 2 << ""
                                   << "Row is empty";
        QTest::newRow("row with a letter") << 2 << "1A"
                                           << "Number expected but A found (position 2)";
        QTest::newRow("row too long") << 2 << "12345678901"
                                      << "Number 12345678901 at position 1 is too large";
        QTest::newRow("sheet number empty") << 3 << ""
                                            << "Sheet is empty";
        QTest::newRow("sheet name with a slash") << 4 << "A/B"
                                                 << "Illegal char / in sheet name at position 2";
        QTest::newRow("two sheet names") << 4 << "A;B"
                                         << "So long sheet definition";
    }
    void partChecks()
    {
        QFETCH(int, part);
        QFETCH(QString, text);
        QFETCH(QString, message);
        int a = 0, b = 0;
        const std::function<void()> checks[] = {
            [&] { ParseCellDefinition(text, a, b); }, [&] { ParseColDefinition(text); },
            [&] { ParseRowDefinition(text); }, [&] { ParseSheetNumberDefinition(text); },
            [&] { ParseSheetNameDefinition(text); }};
        QCOMPARE(errorOf(checks[part]), message);
    }

    void partValues()
    {
        int col = 0, row = 0;
        ParseCellDefinition("ab12", col, row);
        QCOMPARE(col, 28);
        QCOMPARE(row, 12);
        QCOMPARE(ParseColDefinition("iv"), 256);
        QCOMPARE(ParseRowDefinition("65536"), 65536);
        QCOMPARE(ParseSheetNumberDefinition("3;"), 3);
        QCOMPARE(ParseSheetNameDefinition(" Sheet 1 "), QString("Sheet 1"));
    }
};

QTEST_APPLESS_MAIN(TestMapRange)
#include "test_maprange.moc"
