#pragma once
// Reader of text files: delimited fields (separator and quote character) or, with the separator
// #0, fixed-width fields given as "start;length" (0-based, in characters).

#include "import/engine/Durvel3.h"
#include "import/engine/support/CodePages.h"

#include <QList>
#include <memory>
#include <vector>

class TVoTextFile;

class TDurvel3ASCII : public TDurvel3
{
public:
    TDurvel3ASCII();
    ~TDurvel3ASCII() override;

    QChar Comma; // the locale's list separator; #0 selects fixed width
    QChar Quote = u'"';
    TDurvelCharsetType Encoding = ctWinDefined;
    // Set when the user or a template chose Encoding; only an encoding left at its default is
    // looked for (UTF-8, and UTF-16 without a mark).
    bool EncodingChosen = false;

    bool IsFixedWidth() const { return Comma.isNull(); }

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    bool CheckProperties() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override;
    void ReadRow() override;
    void NextRow() override;
    void CloseSource() override;
    void EndImport() override;

private:
    struct MapEntry
    {
        QString Name;
        QString Value;
        int Start = 0; // fixed width: 0-based start; delimited: 0-based field index
        int Length = 0;
        int Position = -1; // the row column it fills, resolved per row generation
    };
    QList<MapEntry> MapEntries() const;
    void FreeSource();

    std::unique_ptr<TVoTextFile> FFile;
    QString FLine;
    std::vector<QStringView> FFields; // of FLine, or of FBuilt
    std::vector<QString> FBuilt;
    // Delimited lines in an encoding whose separator and quote bytes stand for themselves are
    // split as bytes, and only the fields are decoded, each into a text its column takes over;
    // in a large file on a thread of their own, ahead of the rows.
    class ByteLines;
    struct Line;
    class LineQueue;
    std::unique_ptr<ByteLines> FByteLines;
    std::unique_ptr<LineQueue> FQueue;
    std::vector<QString> FValues;             // per map column, of the line read here
    std::vector<QString>* FPending = nullptr; // the values ReadRow hands to the row
    QList<MapEntry> FColumns;                 // the map lines that name a row column
    quint64 FColumnsGeneration = ~quint64(0);
    int FSkipped = 0;
};
