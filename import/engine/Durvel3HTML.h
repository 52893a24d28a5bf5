#pragma once
// Reader of the tables of an HTML page: one table, chosen by its 1-based number, a row per
// table row, map values are 1-based cell numbers.

#include "import/engine/Durvel3TableReader.h"

#include <QDateTime>
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

    // Reads and parses the page. Raises EDurvelError for an empty name, a missing file, a file
    // that cannot be read or one of more than MaxCells cells.
    void Open();
    // The parser holds some hundred bytes a cell: a 10 MB page of bare "<td>" tags would take
    // gigabytes. Real pages hold far fewer.
    static constexpr int MaxCells = 500000;
    // The "<td" and "<th" tags of Page, counted up to Limit + 1.
    static int CountCells(const QString& Page, int Limit);
    void Clear();
    bool Loaded() const { return FLoaded; }
    // The file still has the size and time it had when it was read.
    bool Unchanged() const;

private:
    bool FLoaded = false;
    qint64 FSize = -1;
    QDateTime FModified;
};

class TDurvel3HTML : public TDurvel3TableReader
{
public:
    TDurvel3HTML();
    ~TDurvel3HTML() override;

    // 1-based; 0 imports nothing.
    int TableNumber = 0;

    // A page the caller loaded already; it stays the caller's, and names the file. Another
    // file name set later drops it, and so does a file changed since it was read.
    void SetHTMLFile(const THTMLFile* File)
    {
        FHandedIn = File;
        if (File)
            SetFileName(File->FileName);
    }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void EndImport() override;
    void FileNameChanged() override;
    QString CellText(int Row, int Col) const override;

private:
    const THTMLTable* CurrentTable() const;

    const THTMLFile* FHandedIn = nullptr;
    std::unique_ptr<THTMLFile> FOwned;
};
