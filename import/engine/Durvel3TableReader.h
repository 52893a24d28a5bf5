#pragma once
// The shape the table readers share (HTML, XML document, DOCX, XLSX, ODS, ODT): the rows of one
// loaded table, one destination field per source column, named by column letters (A = the
// first) or by 1-based column numbers.

#include "import/engine/Durvel3.h"

#include <vector>

class TKobSparseCells;

class TDurvel3TableReader : public TDurvel3
{
protected:
    enum class TMapForm { Letters, Numbers };
    explicit TDurvel3TableReader(TMapForm Form) : FForm(Form) {}

    bool CheckProperties() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override;
    void ReadRow() override;
    void NextRow() override;
    void EndImport() override;

    // The number of rows to deliver; set by the reader once its file is loaded.
    void SetRowTotal(int Rows);
    // The 0-based source row being read.
    int CurrentRow() const { return FCurrent; }
    // The text at a 0-based row and column; empty outside the table.
    virtual QString CellText(int Row, int Col) const = 0;
    // Rows at the top skipped besides SkipFirstRows (a text table's header row).
    int HeaderRows = 0;
    // Rows at the top that are never data, whatever SkipFirstRows says; they count within it.
    int LeadingRows = 0;
    // The 0-based column a map value names; -1 when it names none.
    int ColumnOf(const QString& MapValue) const;

private:
    struct Column
    {
        QString Name;
        int Col = 0; // 0-based
        int Position = -1;
    };

    TMapForm FForm;
    int FRowTotal = 0;
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrent = 0;
};

// Rows of a cell store, for the spreadsheet-like readers (map values are column letters).
class TDurvel3SheetGrid : public TDurvel3TableReader
{
protected:
    TDurvel3SheetGrid() : TDurvel3TableReader(TMapForm::Letters) {}
    void SetSource(const TKobSparseCells* Cells, int RowCount);
    QString CellText(int Row, int Col) const override;
    void EndImport() override;

private:
    const TKobSparseCells* FCells = nullptr;
};
