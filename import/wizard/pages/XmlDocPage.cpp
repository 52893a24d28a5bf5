#include "import/wizard/pages/XmlDocPage.h"

#include "ui_XmlDocPage.h"

#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/ImportKinds.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"
#include "platform/xml/Xml.h"

#include <QComboBox>
#include <QMenu>

namespace {

const QString kOptions = QStringLiteral("XMLDOC_OPTIONS");

// What a tree item stands for, kept in its data.
enum ItemKind { ikOther = 0, ikElement = 1, ikAttribute = 2 };
constexpr int KindRole = Qt::UserRole;
constexpr int NameRole = Qt::UserRole + 1;

QTreeWidgetItem* addItem(QTreeWidget* Tree, QTreeWidgetItem* Parent, const QString& Text,
                         ItemKind Kind, const QString& Name)
{
    auto* item = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(Tree);
    item->setText(0, Text);
    item->setData(0, KindRole, int(Kind));
    item->setData(0, NameRole, Name);
    return item;
}

// The tree shows a document's shape, not all of it: a 10 MB document holds a million nodes,
// each an item of the tree. The first children of an element stand for the rest.
constexpr int MaxTreeChildren = 1000;
constexpr int MaxTreeItems = 100000;

void addNode(QTreeWidget* Tree, QTreeWidgetItem* Parent, const xml::Node& Node, int& Items)
{
    ++Items;
    switch (Node.type()) {
    case xml::Node::Type::Element: {
        QTreeWidgetItem* item = addItem(Tree, Parent, Node.name(), ikElement, Node.name());
        int shown = 0;
        qsizetype more = 0;
        for (const xml::Attribute& a : Node.attributes()) {
            if (shown >= MaxTreeChildren || Items >= MaxTreeItems) {
                ++more;
                continue;
            }
            addItem(Tree, item, QStringLiteral("%1 = \"%2\"").arg(a.name, a.value.trimmed()),
                    ikAttribute, a.name);
            ++shown;
            ++Items;
        }
        for (xml::Node child = Node.firstChild(); child; child = child.nextSibling()) {
            if (shown >= MaxTreeChildren || Items >= MaxTreeItems) {
                ++more;
                continue;
            }
            addNode(Tree, item, child, Items);
            ++shown;
        }
        if (more > 0)
            addItem(Tree, item, QStringLiteral("(%1 more not shown)").arg(more), ikOther,
                    QString());
        break;
    }
    case xml::Node::Type::Text:
    case xml::Node::Type::CData: {
        const QString text = Node.text().trimmed();
        if (!text.isEmpty())
            addItem(Tree, Parent, text, ikOther, QString());
        break;
    }
    case xml::Node::Type::Comment:
        addItem(Tree, Parent, Node.text().trimmed(), ikOther, QString());
        break;
    default:
        break; // processing instructions and the like
    }
}

} // namespace

void BuildXMLDocTree(QTreeWidget* TreeView, const TXMLDocFile& File)
{
    TreeView->setUpdatesEnabled(false);
    TreeView->clear();
    int items = 0;
    if (const xml::Document* doc = File.Document())
        addNode(TreeView, nullptr, doc->root(), items);
    TreeView->expandToDepth(0);
    TreeView->setUpdatesEnabled(true);
}

XmlDocPage::XmlDocPage(TDurvel3WizardF* Form)
    : GridMapPage(Form, aiXMLDoc, TColumnForm::Numbers, QStringLiteral("XMLDOC_MAP"), kOptions),
      ui(new Ui::tsXMLDocOptions), FReader(std::make_unique<TDurvel3XMLDoc>())
{
    ui->setupUi(this);
    FReader->AddType = datInsert;
    Grid = MakeGrid(this);
    Grid->setObjectName(QStringLiteral("XMLDocGrid"));
    Grid->setGeometry(214, 155, 346, 214);
    Grid->SetDefaultColWidth(82);
    ResetGrid();
    SetCurrentGrid(Grid);
    Bind({ui->lvXMLDocFields, ui->edXMLDocSkipLines, ui->tbtXMLDocAutoFill, ui->tbtXMLDocClear,
          ui->laStep_10, ui->cbXMLDocColNumber, nullptr, 140});
    FillColNumbers(0);

    pmXMLDocTreeView = new QMenu(this);
    pmXMLDocTreeView->setObjectName(QStringLiteral("pmXMLDocTreeView"));
    miGetXPath = pmXMLDocTreeView->addAction(QStringLiteral("Get XPath"));
    miGetXPath->setObjectName(QStringLiteral("miGetXPath"));
    connect(miGetXPath, &QAction::triggered, this, F->Guard(this, &XmlDocPage::GetXPathClick));
    connect(ui->tvXMLDoc, &QWidget::customContextMenuRequested, this,
            F->Guard([this](const QPoint& At) {
                pmXMLDocTreeView->popup(ui->tvXMLDoc->viewport()->mapToGlobal(At));
            }));
    connect(ui->tvXMLDoc, &QTreeWidget::itemDoubleClicked, this,
            F->Guard(this, &XmlDocPage::GetXPathClick));
    connect(ui->bXMLDocGetXPath, &QPushButton::clicked, this,
            F->Guard(this, &XmlDocPage::GetXPathClick));
    connect(ui->bXMLDocBuildTree, &QPushButton::clicked, this,
            [this] { F->Guarded([this] { BuildTreeClick(); }); });
    connect(ui->bXMLDocFillGrid, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { FillGridClick(); }); });
    connect(ui->edXMLDocXPath, &QLineEdit::returnPressed, this,
            [this] { F->Guarded([this] { FillGridClick(); }); });
    // The preview shown follows the data location at once.
    connect(ui->cbXMLDocDataLocation, &QComboBox::activated, this, [this](int Index) {
        F->Guarded([this, Index] {
            SetXMLDocDataLocation(Index == 1 ? tlSubNodes : tlAttributes);
            if (FFilled)
                SetXMLDocXPath(FXPath);
        });
    });
}

XmlDocPage::~XmlDocPage() = default;

void XmlDocPage::ResetGrid()
{
    FFilled = false;
    Grid->BeginUpdate();
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(0);
    Grid->SetColCount(1);
    Grid->SetRowCount(1);
    Grid->SetCells(0, 0, QString());
    Grid->SetColCount(2);
    Grid->SetRowCount(2);
    Grid->SetFixedCols(1);
    Grid->SetFixedRows(1);
    Grid->EndUpdate();
}

void XmlDocPage::FillGrid()
{
    // What each mapped field's column was called, to follow it into the new table.
    QList<QPair<QTreeWidgetItem*, QString>> named;
    for (int i = 0; i < FieldList()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = FieldList()->topLevelItem(i);
        const int column = GridColumnOf(item->text(1));
        if (column >= 0 && column < Grid->ColCount() && !Grid->Cells(column, 0).isEmpty())
            named.append({item, Grid->Cells(column, 0)});
    }
    ResetGrid();
    Grid->BeginUpdate();
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(0);
    FillXMLDocGrid(*Grid->CellStore(), FFile);
    Grid->SetFixedCols(Grid->ColCount() > 1 ? 1 : 0);
    Grid->SetFixedRows(Grid->RowCount() > 1 ? 1 : 0);
    Grid->EndUpdate();
    FFilled = true;
    // A column number means other data in another table: a field keeps the column of its
    // name, or is unmapped where the table has none.
    for (const auto& [item, name] : named) {
        int column = -1;
        for (int c = 0; c < Grid->ColCount() && column < 0; ++c)
            if (Grid->Cells(c, 0) == name)
                column = c;
        item->setText(1, column < 0 ? QString() : ValueOfGridColumn(column));
    }
    FillColNumbers(Grid->ColCount());
}

// The preview and the tree were of another document.
void XmlDocPage::Forget()
{
    GridMapPage::Forget();
    ResetGrid();
    ui->tvXMLDoc->clear();
}

void XmlDocPage::LoadFile()
{
    FFile.SetFileName(F->FileName());
    try {
        FFile.Load();
    } catch (const xml::XmlError& e) {
        throw EDurvelError(e.message());
    }
    F->NeedReload = false;
    ResetGrid();
    FillColNumbers(0);
    ui->tvXMLDoc->clear();
    // An XPath set before the file was read (a template's) is shown at once.
    if (FXPath != QLatin1String("/"))
        SetXMLDocXPath(FXPath);
}

void XmlDocPage::SetXMLDocDataLocation(TXMLDataLocation Value)
{
    if (Value == FDataLocation)
        return;
    FDataLocation = Value;
    ui->cbXMLDocDataLocation->setCurrentIndex(int(Value));
    FFile.DataLocation = Value;
}

void XmlDocPage::SetXMLDocXPath(const QString& Text)
{
    if (Text.isEmpty())
        return;
    FXPath = Text;
    if (ui->edXMLDocXPath->text() != Text)
        ui->edXMLDocXPath->setText(Text);
    if (!FFile.Loaded())
        return; // read with the file
    ReadPart([&] {
        try {
            {
                const auto loading = ShowLoading(F, Text);
                FFile.SetXPath(Text);
            }
            FillGrid();
        } catch (...) {
            // No half table of the nodes refused, nor the table of the nodes before.
            ResetGrid();
            FillColNumbers(0);
            FieldShown();
            try {
                throw;
            } catch (const xml::XmlError& e) {
                throw EDurvelError(e.message());
            }
        }
    });
    FieldShown();
}

void XmlDocPage::BuildTreeClick()
{
    if (F->NeedReload || !FFile.Loaded())
        return;
    const auto loading = ShowLoading(F, QStringLiteral("Build TreeView"));
    BuildXMLDocTree(ui->tvXMLDoc, FFile);
}

void XmlDocPage::GetXPathClick()
{
    QString path;
    if (const QTreeWidgetItem* item = ui->tvXMLDoc->currentItem()) {
        const int kind = item->data(0, KindRole).toInt();
        const QString name = item->data(0, NameRole).toString();
        // A text or comment item gives the path of its element: "/a/b/" selects nothing.
        if (kind == ikElement)
            path = u'/' + name;
        else if (kind == ikAttribute)
            path = u'[' + name + u']';
        for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent())
            path = u'/' + up->data(0, NameRole).toString() + path;
    }
    ui->edXMLDocXPath->setText(path.isEmpty() ? QStringLiteral("/") : path);
}

void XmlDocPage::FillGridClick()
{
    SetXMLDocDataLocation(TXMLDataLocation(qBound(0, ui->cbXMLDocDataLocation->currentIndex(), 1)));
    SetXMLDocXPath(ui->edXMLDocXPath->text());
}

void XmlDocPage::CopyOptions(TDurvel3& Reader) const
{
    auto* reader = dynamic_cast<TDurvel3XMLDoc*>(&Reader);
    if (!reader)
        return;
    reader->SkipFirstRows = SkipRows();
    reader->XPath = FXPath;
    // The columns of the preview depend on it as much as on the XPath.
    reader->DataLocation = FDataLocation;
}

void XmlDocPage::SaveOptions(IniFile& Ini) const
{
    Ini.writeString(kOptions, QStringLiteral("XPath"), FXPath);
    Ini.writeInteger(kOptions, QStringLiteral("DataLocation"), int(FDataLocation));
}

void XmlDocPage::LoadOptions(const IniFile& Ini)
{
    SetXMLDocDataLocation(Ini.readInteger(kOptions, QStringLiteral("DataLocation"), 0) == 1
                              ? tlSubNodes
                              : tlAttributes);
    const QString xpath = Ini.readString(kOptions, QStringLiteral("XPath"), QStringLiteral("/"));
    if (F->NeedReload) {
        FXPath = xpath.isEmpty() ? QStringLiteral("/") : xpath;
        ui->edXMLDocXPath->setText(FXPath);
    } else {
        SetXMLDocXPath(xpath);
    }
}
