#pragma once
// Reader of the tables of an HTML page: one table, chosen by its 1-based number, a row per
// table row, map values are 1-based cell numbers.

#include "import/engine/Durvel3.h"

#include <QStringList>
#include <memory>
#include <vector>

class THTMLTable
{
public:
    std::vector<QStringList> Rows;
    int RowCount() const { return int(Rows.size()); }
};

// A page's tables, loaded once; the wizard previews through it and may hand it to the reader.
class THTMLFile
{
public:
    QString FileName;
    std::vector<THTMLTable> Tables;
    // The code page the page was read in.
    int CodePage = 0;

    // Reads and parses the page. Raises EDurvelError for an empty name, a missing file or a
    // file that cannot be read.
    void Open();
    void Clear();
    bool Loaded() const { return FLoaded; }

private:
    bool FLoaded = false;
};

class TDurvel3HTML : public TDurvel3
{
public:
    TDurvel3HTML();
    ~TDurvel3HTML() override;

    // 1-based; 0 imports nothing.
    int TableNumber = 0;

    // A page the caller loaded already; it stays the caller's, and names the file.
    void SetHTMLFile(THTMLFile* File)
    {
        FHandedIn = File;
        if (File)
            SetFileName(File->FileName);
    }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    bool CheckProperties() override;
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override;
    void ReadRow() override;
    void NextRow() override;
    void CloseSource() override;
    void EndImport() override;
    void FileNameChanged() override;

private:
    struct MapEntry
    {
        QString Name;
        int Cell = 0; // 0-based
        int Position = -1;
    };
    const THTMLTable* CurrentTable() const;

    THTMLFile* FHandedIn = nullptr;
    std::unique_ptr<THTMLFile> FOwned;
    std::vector<MapEntry> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrent = 0;
};
