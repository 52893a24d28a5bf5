#pragma once
// Reader of any XML file: the nodes an XPath selects are rows, map values are 1-based column
// numbers of the node table (the first data column is 3; row 1 is the header row).

#include "import/engine/Durvel3.h"
#include "import/engine/support/XMLDocFile.h"

#include <memory>
#include <vector>

class TDurvel3XMLDoc : public TDurvel3
{
public:
    TDurvel3XMLDoc();
    ~TDurvel3XMLDoc() override;

    QString XPath = QStringLiteral("/");
    TXMLDataLocation DataLocation = tlAttributes;

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
    void EndImport() override;

private:
    struct Column
    {
        QString Name;
        int Col = 0; // 0-based
        int Position = -1;
    };
    std::unique_ptr<TXMLDocFile> FFile;
    std::vector<Column> FColumns;
    quint64 FColumnsGeneration = ~quint64(0);
    int FCurrent = 0;
    int FTotal = 0;
};
