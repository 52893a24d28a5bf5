#pragma once
// Reader of any XML file: the nodes an XPath selects are rows, map values are 1-based column
// numbers of the node table (the first data column is 3; row 1 is the header row).

#include "import/engine/Durvel3TableReader.h"
#include "import/engine/support/XMLDocFile.h"

#include <memory>

class TDurvel3XMLDoc : public TDurvel3TableReader
{
public:
    TDurvel3XMLDoc();
    ~TDurvel3XMLDoc() override;

    QString XPath = QStringLiteral("/");
    TXMLDataLocation DataLocation = tlAttributes;

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    void PrepareImport() override;
    void EndImport() override;
    QString CellText(int Row, int Col) const override;

private:
    std::unique_ptr<TXMLDocFile> FFile;
};
