#pragma once
// The shape the spreadsheet-like readers (XLSX, ODS, ODT) share: rows of a cell store, one
// destination field per column named by its letters (A = the first column).

#include "import/engine/Durvel3.h"

#include <vector>

class TKobSparseCells;

class TDurvel3SheetGrid : public TDurvel3
{
protected:
    bool CheckProperties() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override;
    void ReadRow() override;
    void NextRow() override;
    void EndImport() override;

    // The rows to deliver; set by the reader once its file is loaded.
    void SetSource(const TKobSparseCells* Cells, int RowCount);
    // Rows at the top skipped besides SkipFirstRows (a text table's header row).
    int HeaderRows = 0;

private:
    struct Column
    {
        QString Name;
        int Col = 0; // 0-based
        int Position = -1;
    };
    const TKobSparseCells* FCells = nullptr;
    int FRowCount = 0;
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrent = 0;
};
