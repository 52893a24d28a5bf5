#pragma once
// The data-packet XML page: write-on-fly and the field pairs between the destination and the
// packet.

#include "import/wizard/pages/SourcePage.h"

#include <memory>

namespace Ui {
class tsXMLOptions;
}
class FieldPairMap;
class TDurvel3XML;

class XmlPage : public SourcePage
{
    Q_OBJECT
public:
    explicit XmlPage(TDurvel3WizardF* Form);
    ~XmlPage() override;

    std::unique_ptr<Ui::tsXMLOptions> ui;
    FieldPairMap* Pairs = nullptr;

    bool XMLWriteOnFly() const { return FXMLWriteOnFly; }
    void SetXMLWriteOnFly(bool Value);
    // The packet's field names into the source list.
    void LoadXMLFields();

    void ShowStep(int Index, int Total) override;
    bool StepComplete(int Index) const override;
    void FillFields(const QStringList& Columns) override;
    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;
    QList<QPair<QString, QString>> MapLines() const override;
    void SaveTemplate(IniFile& Ini) const override;
    void LoadTemplate(const IniFile& Ini) override;

private:
    std::unique_ptr<TDurvel3XML> impXML;
    bool FXMLWriteOnFly = false;
};
