#pragma once
// Reader of binary spreadsheet workbooks: every map line is range text naming the cells of a
// field, and the n-th imported row takes the n-th cell of every line.

#include "import/engine/Durvel3.h"

#include <memory>
#include <vector>

class TxlsFile;
class TMapRowList;
namespace queue {
template <typename T> class ReadAhead;
}

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
    // Into Out, the text of the cell map line Line names for the Index-th row: null for no
    // cell, empty for an empty one. Scratch holds a number's text written out.
    void ReadCell(int Line, int Index, QString& Scratch, QString& Out) const;

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
    QString FScratch; // a cell's text written out (numbers, dates)
    int FLongestCount = 0;
    int FShortestCount = 0;
    int FLast = -1;
    int FCurrent = 0;
    struct Batch;
    std::unique_ptr<Batch> FBatch; // the rows read ahead the import is in
    // Last: its thread stops before the rest goes.
    std::unique_ptr<queue::ReadAhead<Batch>> FAhead;
};
