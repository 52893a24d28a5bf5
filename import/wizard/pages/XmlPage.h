#pragma once
// The data-packet XML page: write-on-fly and the field pairs between the destination and the
// packet.

#include "import/wizard/pages/FieldPairPage.h"

#include <memory>

namespace Ui {
class tsXMLOptions;
}
class TDurvel3XML;

class XmlPage : public FieldPairPage
{
    Q_OBJECT
public:
    explicit XmlPage(TDurvel3WizardF* Form);
    ~XmlPage() override;

    std::unique_ptr<Ui::tsXMLOptions> ui;

    bool XMLWriteOnFly() const { return FXMLWriteOnFly; }
    void SetXMLWriteOnFly(bool Value);
    // The packet's field names into the source list.
    void LoadXMLFields();

    TDurvel3* Reader() override;
    void CopyOptions(TDurvel3& Reader) const override;

protected:
    void LoadFields() override { LoadXMLFields(); }
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;

private:
    std::unique_ptr<TDurvel3XML> impXML;
    bool FXMLWriteOnFly = false;
};
