#pragma once
// The XML-document page: an XPath chooses the nodes that become rows, their attributes or
// sub-node texts the columns; the document's tree helps to write the XPath.

#include "import/engine/Durvel3XMLDoc.h"
#include "import/engine/support/XMLDocFile.h"
#include "import/wizard/pages/GridMapPage.h"

#include <memory>

namespace Ui {
class tsXMLDocOptions;
}
class QMenu;
class QAction;

// The document's nodes as tree items: elements by name, their attributes as
// name = "value" children; processing instructions are left out.
void BuildXMLDocTree(QTreeWidget* TreeView, const TXMLDocFile& File);

class XmlDocPage : public GridMapPage
{
    Q_OBJECT
public:
    explicit XmlDocPage(TDurvel3WizardF* Form);
    ~XmlDocPage() override;

    std::unique_ptr<Ui::tsXMLDocOptions> ui;
    TKobWideStringGrid* Grid = nullptr;
    QMenu* pmXMLDocTreeView = nullptr;
    QAction* miGetXPath = nullptr;

    TDurvel3* Reader() override { return FReader.get(); }
    void CopyOptions(TDurvel3& Reader) const override;

    QString XPath() const { return FXPath; }
    // Reads the nodes the text selects into the preview; an empty text does nothing.
    void SetXMLDocXPath(const QString& Text);
    TXMLDataLocation DataLocation() const { return FDataLocation; }
    void SetXMLDocDataLocation(TXMLDataLocation Value);

    void BuildTreeClick();
    // The XPath of the tree's selected node into the XPath edit.
    void GetXPathClick();
    void FillGridClick();

protected:
    void LoadFile() override;
    bool ReadsMissingFiles() const override { return true; }
    void SaveOptions(IniFile& Ini) const override;
    void LoadOptions(const IniFile& Ini) override;
    void Forget() override;

private:
    void ResetGrid();
    void FillGrid();

    TXMLDocFile FFile;
    std::unique_ptr<TDurvel3XMLDoc> FReader;
    QString FXPath = QStringLiteral("/");
    TXMLDataLocation FDataLocation = tlAttributes;
    // The preview shows the nodes of the XPath (not the empty table of a fresh load).
    bool FFilled = false;
};
