#pragma once
// Reader of binary spreadsheet workbooks: every map line is range text naming the cells of a
// field, and the n-th imported row takes the n-th cell of every line.

#include "import/engine/Durvel3.h"

#include <memory>
#include <vector>

class TxlsFile;
class TMapRowList;

enum TDurvelRange { dirMax, dirMin };
enum TDurvelSheetIDType { dstNumber, dstName };

class TDurvel3XLS : public TDurvel3
{
public:
    TDurvel3XLS();
    ~TDurvel3XLS() override;

    int SkipFirstCols = 0;
    // Stop at the longest or at the shortest map line.
    TDurvelRange ImportRange = dirMax;
    // Kept for the wizard; a range's own text names its sheet.
    TDurvelSheetIDType DefaultSheetIDType = dstNumber;
    int DefaultSheetNumber = 1;
    QString DefaultSheetName;

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override { return FCurrent <= FLast; }
    bool SkipRow() override { return false; }
    void ReadRow() override;
    void NextRow() override { ++FCurrent; }
    void CloseSource() override;
    void EndImport() override;

private:
    void FreeSource();

    struct Column
    {
        QString Name;
        int Line = 0;      // map line, the list's row of the same index
        int Position = -1; // the row column it fills, resolved per row generation
    };
    std::unique_ptr<TxlsFile> FFile;
    std::unique_ptr<TMapRowList> FRanges;
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    std::vector<int> FUnfilled; // row columns no map line fills
    int FRowCount = -1;         // of the row FUnfilled was made for
    QString FScratch;           // a cell's text written out (numbers, dates)
    int FLongestCount = 0;
    int FShortestCount = 0;
    int FLast = -1;
    int FCurrent = 0;
};
