#pragma once
// Reader of dBase tables: map values are the table's field names.

#include "import/engine/Durvel3.h"

#include <memory>
#include <vector>

class TDBFRead;

enum TDBFCharSet { dcsNone, dcsOEM, dcsANSI };

class TDurvel3DBF : public TDurvel3
{
public:
    TDurvel3DBF();
    ~TDurvel3DBF() override;

    bool SkipDeleted = true;
    // OEM text is read in the OEM page (CP720); ANSI and none in the ANSI page (CP1256).
    TDBFCharSet CharSet = dcsNone;

    void LoadTemplateSections(IniFile& Ini) override;
    void SaveTemplateSections(IniFile& Ini) override;

protected:
    bool SourceExists() const override;
    void PrepareImport() override;
    void OpenSource() override;
    bool HasMoreRows() override;
    bool SkipRow() override { return false; }
    void ReadRow() override;
    int ImportRow() override;
    void NextRow() override {}
    void CloseSource() override;
    void EndImport() override;
    bool IsRowAccepted() override;

private:
    QString FieldValue(int Index);

    std::unique_ptr<TDBFRead> FTable;
    // A table field the map names, with the row positions it fills (one field may fill
    // several columns).
    struct MappedField
    {
        int Field = 0;
        std::vector<int> Positions;
    };
    std::vector<MappedField> FMapped;
};
