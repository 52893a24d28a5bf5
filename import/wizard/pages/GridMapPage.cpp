#include "import/wizard/pages/GridMapPage.h"

#include "import/engine/DurvelStrings.h"
#include "import/engine/support/BaseDocumentFile.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/MapRange.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/pages/ColumnMapGrid.h"
#include "import/wizard/pages/PageBoxes.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QResizeEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kInfo = QStringLiteral(
    "Select field name from the list box, then click at the column to import this field to.");

} // namespace

GridMapPage::GridMapPage(TDurvel3WizardF* Form, int Kind, TColumnForm ColumnForm,
                         QString MapSection, QString OptionsSection)
    : SourcePage(Form, Kind), FOptionsSection(std::move(OptionsSection)), FColumnForm(ColumnForm),
      FMapSection(std::move(MapSection))
{}

GridMapPage::~GridMapPage()
{
    // The tabs go quietly, before the widgets are torn down around a page that is no more.
    if (C.Tabs)
        ClearTabs();
}

void GridMapPage::Bind(const Controls& Ctl)
{
    C = Ctl;
    C.Fields->setColumnCount(2);
    C.Fields->setRootIsDecorated(false);
    C.Fields->setAllColumnsShowFocus(true);
    // The style's minimum is the widest glyph of the font, wider than the value column.
    C.Fields->header()->setMinimumSectionSize(20);
    C.Fields->setColumnWidth(0, C.FieldWidth);
    C.Fields->setColumnWidth(1, C.ValueWidth);
    connect(C.Fields, &QTreeWidget::currentItemChanged, this,
            F->Guard(this, &GridMapPage::FieldShown));
    if (C.ColNumber)
        connect(C.ColNumber, &QComboBox::activated, this,
                F->Guard(this, &GridMapPage::ColNumberChosen));
    connect(C.AutoFillButton, &QAbstractButton::clicked, this,
            F->Guard(this, &GridMapPage::AutoFill));
    connect(C.ClearButton, &QAbstractButton::clicked, this, F->Guard(this, &GridMapPage::Clear));
    connect(C.SkipEdit, &QLineEdit::textChanged, this,
            F->Guard([this](const QString& Text) { SetSkipRows(BoxNumber(Text, 0)); }));
    if (C.Tabs) {
        const auto choose = [this](int Index) {
            ChoiceMade();
            TabChanged(Index);
            FieldShown();
        };
        connect(C.Tabs, &QTabWidget::currentChanged, this, F->Guard([this, choose](int Index) {
            SetCurrentGrid(nullptr);
            ShowTab(Index);
            SetCurrentGrid(TabGrid(Index));
            choose(Index);
        }));
        // A click on the tab shown in place of a missing choice chooses it too.
        connect(C.Tabs->tabBar(), &QTabBar::tabBarClicked, this,
                F->Guard([this, choose](int Index) {
                    if (FChoiceMissing && Index == CurrentTab())
                        choose(Index);
                }));
    }
    SetSkipRows(0);
}

// ---- fields and values -------------------------------------------------------------------------

void GridMapPage::FillFields(const QStringList& Columns)
{
    C.Fields->clear();
    for (const QString& name : Columns)
        new QTreeWidgetItem(C.Fields, {name, QString()});
    if (C.Fields->topLevelItemCount() > 0)
        C.Fields->setCurrentItem(C.Fields->topLevelItem(0));
}

int GridMapPage::GridColumnOf(const QString& Value) const
{
    if (FColumnForm == TColumnForm::Numbers) {
        const int n = BoxNumber(Value, 0);
        return n > 0 ? n - 1 : -1;
    }
    const QString letters = Value.trimmed();
    return letters.isEmpty() ? -1 : ColumnLettersToNumber(letters);
}

QString GridMapPage::ValueOfGridColumn(int Column) const
{
    return FColumnForm == TColumnForm::Numbers ? QString::number(Column + 1)
                                               : MapColIndexToLetters(Column);
}

bool GridMapPage::ValueMapped(const QString& Value) const
{
    return FColumnForm == TColumnForm::Numbers ? BoxNumber(Value, 0) > 0
                                               : !Value.trimmed().isEmpty();
}

int GridMapPage::SelectedGridColumn() const
{
    const QTreeWidgetItem* item = C.Fields->currentItem();
    return item ? GridColumnOf(item->text(1)) : -1;
}

void GridMapPage::SetSelectedValue(const QString& Value)
{
    QTreeWidgetItem* item = C.Fields->currentItem();
    if (!item)
        return;
    if (ValueMapped(Value))
        F->CheckWritable(item->text(0));
    item->setText(1, Value);
    FieldShown();
}

void GridMapPage::ColumnClicked(int Column)
{
    QTreeWidgetItem* item = C.Fields->currentItem();
    // The letter grids' column 0 numbers the rows; it is no column of the source.
    if (!item || Column < 0 || (FColumnForm == TColumnForm::Letters && Column < 1))
        return;
    const bool unmap = GridColumnOf(item->text(1)) == Column;
    if (!unmap)
        F->CheckWritable(item->text(0));
    item->setText(1, unmap ? QString() : ValueOfGridColumn(Column));
    FieldShown();
}

void GridMapPage::AutoFill()
{
    if (!FGrid)
        return;
    const int count = FGrid->ColCount();
    // Fields the destination fills itself get no column and take none from the others.
    int column = FGrid->FixedCols();
    for (int i = 0; i < C.Fields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = C.Fields->topLevelItem(i);
        const bool writable = F->ColumnWritable(item->text(0));
        item->setText(1, writable && column < count ? ValueOfGridColumn(column) : QString());
        column += writable ? 1 : 0;
    }
    FieldShown();
}

void GridMapPage::Clear()
{
    for (int i = 0; i < C.Fields->topLevelItemCount(); ++i)
        C.Fields->topLevelItem(i)->setText(1, QString());
    FieldShown();
}

void GridMapPage::ColNumberChosen(int Index)
{
    SetSelectedValue(C.ColNumber->itemText(Index));
}

void GridMapPage::FillColNumbers(int Count)
{
    if (!C.ColNumber)
        return;
    const QSignalBlocker block(C.ColNumber);
    FillNumberList(C.ColNumber, Count);
    const QTreeWidgetItem* item = C.Fields->currentItem();
    C.ColNumber->setCurrentIndex(item ? qMax(0, C.ColNumber->findText(item->text(1))) : 0);
}

void GridMapPage::FieldShown()
{
    const QTreeWidgetItem* item = C.Fields->currentItem();
    if (item && C.ColNumber) {
        const QSignalBlocker block(C.ColNumber);
        C.ColNumber->setCurrentIndex(qMax(0, C.ColNumber->findText(item->text(1))));
    }
    if (FGrid)
        FGrid->InvalidateGrid();
    F->TuneButtons();
}

void GridMapPage::SetSkipRows(int Value)
{
    if (Value == FSkipRows)
        return;
    FSkipRows = Value;
    if (BoxNumber(C.SkipEdit->text(), -1) != Value) {
        const QSignalBlocker block(C.SkipEdit);
        C.SkipEdit->setText(QString::number(Value));
    }
}

// ---- the wizard's side
// ---------------------------------------------------------------------------

void GridMapPage::ShowStep(int Index, int Total)
{
    FJumpRefused = false;
    F->PlaceInfoPanel(this, 6, kInfo, 557, 39, 21);
    F->ShowPage(this);
    C.StepLabel->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    if (F->NeedReload)
        LoadSource();
    if (FChoiceMissing)
        F->PlaceInfoPanel(this, 6, MissingText(), 557, 39, 21);
    if (C.Fields->topLevelItemCount() > 0 && !C.Fields->currentItem()) {
        C.Fields->setCurrentItem(C.Fields->topLevelItem(0));
        C.Fields->setFocus();
    }
    F->TuneButtons();
}

void GridMapPage::LoadSource()
{
    if (!ReadsMissingFiles() && !QFileInfo(F->FileName()).isFile())
        return;
    ReadSource([this] {
        const auto loading = ShowLoading(F, F->FileName());
        LoadFile();
    });
    F->NeedReload = false;
    FieldShown();
}

void GridMapPage::Forget()
{
    if (C.Tabs)
        ClearTabs();
    if (FTabsGrid) {
        FTabsGrid->SetFixedCols(0);
        FTabsGrid->SetFixedRows(0);
        FTabsGrid->SetColCount(1);
        FTabsGrid->SetRowCount(1);
        FTabsGrid->SetCells(0, 0, QString());
    }
    FillColNumbers(0);
}

void GridMapPage::ForgetMap()
{
    Clear();
}

void GridMapPage::SourceChanged()
{
    FChoiceMissing = false;
}

void GridMapPage::ChoiceMade()
{
    if (!FChoiceMissing)
        return;
    FChoiceMissing = false;
    if (F->Step() >= 1 && F->Page(F->ImportType()) == this)
        F->PlaceInfoPanel(this, 6, kInfo, 557, 39, 21);
}

QString GridMapPage::MissingText() const
{
    return QStringLiteral("The file has no %1. Choose what to import before going on.")
        .arg(ChoiceName());
}

void GridMapPage::PrepareJump()
{
    // The run takes the chosen table or sheet from what the file holds.
    if (F->NeedReload)
        LoadSource();
    // One the file lacks is not swapped for another behind the user's back.
    FJumpRefused = FChoiceMissing || !JumpAllowed();
}

bool GridMapPage::StepComplete(int) const
{
    if (FJumpRefused || FChoiceMissing || !SourceChosen())
        return false;
    for (int i = 0; i < C.Fields->topLevelItemCount(); ++i)
        if (ValueMapped(C.Fields->topLevelItem(i)->text(1)))
            return true;
    return false;
}

QList<QPair<QString, QString>> GridMapPage::MapLines() const
{
    QList<QPair<QString, QString>> lines;
    for (int i = 0; i < C.Fields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = C.Fields->topLevelItem(i);
        const QString value = item->text(1);
        if (!ValueMapped(value))
            continue;
        lines.append({item->text(0), FColumnForm == TColumnForm::Numbers
                                         ? QString::number(BoxNumber(value, 0))
                                         : value});
    }
    return lines;
}

void GridMapPage::SaveTemplate(IniFile& Ini) const
{
    for (const auto& [field, value] : MapLines())
        Ini.writeString(FMapSection, field, value);
    Ini.writeInteger(FOptionsSection, QStringLiteral("SkipLines"), FSkipRows);
    SaveOptions(Ini);
}

void GridMapPage::LoadTemplate(const IniFile& Ini)
{
    SetSkipRows(Ini.readCount(FOptionsSection, QStringLiteral("SkipLines"), 0));
    LoadOptions(Ini);
    const QStringList keys = Ini.keys(FMapSection);
    for (int i = 0; i < C.Fields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = C.Fields->topLevelItem(i);
        for (const QString& key : keys) {
            if (key.compare(item->text(0), Qt::CaseInsensitive) != 0)
                continue;
            const QString value = Ini.readString(FMapSection, key).trimmed();
            if (ValueMapped(value))
                item->setText(1, FColumnForm == TColumnForm::Numbers
                                     ? QString::number(BoxNumber(value, 0))
                                     : value);
            break;
        }
    }
    FieldShown();
}

// ---- grids and tabs
// ------------------------------------------------------------------------------

TKobWideStringGrid* GridMapPage::MakeGrid(QWidget* Parent)
{
    auto* grid = new TKobWideStringGrid(Parent);
    grid->SetPreviewLook();
    grid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing);
    grid->SetDefaultDrawing(false);
    grid->OnDrawCell = [this, grid](TKobCustomGrid*, int ACol, int ARow, const QRect& Rect,
                                    TGridDrawState State) {
        DrawCell(grid, ACol, ARow, Rect, int(State));
    };
    OnColumnPressed(grid, F, [this](int Column) { ColumnClicked(Column); });
    return grid;
}

TKobWideStringGrid* GridMapPage::CurrentGrid() const
{
    return FGrid;
}

void GridMapPage::SetCurrentGrid(TKobWideStringGrid* Grid)
{
    FGrid = Grid;
}

void GridMapPage::ClearTabs()
{
    const QSignalBlocker block(C.Tabs);
    SetCurrentGrid(nullptr);
    FFilledTab = -1;
    if (FTabsGrid) {
        // Off the page it is on, which goes.
        FTabsGrid->hide();
        FTabsGrid->setParent(this);
    }
    // Hidden by the page itself, not with its window: a window not shown yet must not leave
    // the tabs hidden for good.
    const bool hidden = C.Tabs->isHidden();
    C.Tabs->hide();
    for (int i = C.Tabs->count() - 1; i >= 0; --i) {
        QWidget* page = C.Tabs->widget(i);
        C.Tabs->removeTab(i);
        delete page;
    }
    C.Tabs->setHidden(hidden);
}

void GridMapPage::SetTabs(const QStringList& Captions, const QList<int>& Tags,
                          const QString& What)
{
    ClearTabs();
    if (Captions.size() > MaxPreviewTabs)
        throw EDurvelError(TooManyTabsText(F->FileName(), What));
    if (!FTabsGrid) {
        FTabsGrid = MakeGrid(this);
        FTabsGrid->hide();
    }
    const QSignalBlocker block(C.Tabs);
    // A hidden tab bar only marks its layout for later: one pass when it is shown again.
    const bool hidden = C.Tabs->isHidden();
    C.Tabs->hide();
    for (qsizetype i = 0; i < Captions.size(); ++i) {
        const int index = C.Tabs->addTab(new QWidget, Captions.at(i));
        C.Tabs->tabBar()->setTabData(index, Tags.value(i));
    }
    C.Tabs->setHidden(hidden);
}

void GridMapPage::ShowTab(int Index)
{
    if (!FTabsGrid || Index < 0 || Index >= TabCount())
        return;
    QWidget* page = C.Tabs->widget(Index);
    if (FTabsGrid->parentWidget() != page) {
        auto* layout = page->layout() ? page->layout() : new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(FTabsGrid);
        // Placed now, not when the layouts' turn comes: a click may come first.
        // Before the tab widget was first shown its pages have no size of their own yet.
        const QSize room = C.Tabs->isVisible() && page->parentWidget()
                               ? page->parentWidget()->size()
                               : C.Tabs->size() - QSize(4, C.Tabs->tabBar()->sizeHint().height() + 4);
        page->setGeometry(QRect(page->pos(), room));
        FTabsGrid->setGeometry(page->rect());
        FTabsGrid->show();
        if (!FTabsGrid->isVisible()) {
            // A hidden widget keeps its resize for when it is shown: the grid's view would keep
            // its first size until then, and the cells outside it take no click.
            QResizeEvent resized(FTabsGrid->size(), QSize());
            QCoreApplication::sendEvent(FTabsGrid, &resized);
        }
    }
    if (FFilledTab == Index)
        return;
    FFilledTab = -1;
    // Shrinking first drops the cells of the sheet shown before.
    FTabsGrid->BeginUpdate();
    FTabsGrid->SetFixedCols(0);
    FTabsGrid->SetFixedRows(0);
    FTabsGrid->SetColCount(1);
    FTabsGrid->SetRowCount(1);
    FTabsGrid->SetCells(0, 0, QString());
    FTabsGrid->EndUpdate();
    ReadPart([&] { FillTab(Index, FTabsGrid); });
    FFilledTab = Index;
}

int GridMapPage::TabCount() const
{
    return C.Tabs ? C.Tabs->count() : 0;
}

QString GridMapPage::TabCaption(int Index) const
{
    return C.Tabs->tabText(Index);
}

int GridMapPage::TabTag(int Index) const
{
    return C.Tabs->tabBar()->tabData(Index).toInt();
}

int GridMapPage::CurrentTab() const
{
    return C.Tabs ? C.Tabs->currentIndex() : -1;
}

TKobWideStringGrid* GridMapPage::TabGrid(int Index) const
{
    return Index >= 0 && Index < TabCount() ? FTabsGrid.data() : nullptr;
}

void GridMapPage::ActivateTab(int Index)
{
    if (Index < 0 || Index >= TabCount())
        return;
    {
        const QSignalBlocker block(C.Tabs);
        C.Tabs->setCurrentIndex(Index);
    }
    SetCurrentGrid(nullptr);
    ShowTab(Index);
    SetCurrentGrid(TabGrid(Index));
    TabChanged(Index);
    FieldShown();
}

int GridMapPage::TabOf(const QString& Caption) const
{
    for (int i = 0; i < TabCount(); ++i)
        if (TabCaption(i) == Caption)
            return i;
    return -1;
}

int GridMapPage::TabOfTag(int Tag) const
{
    for (int i = 0; i < TabCount(); ++i)
        if (TabTag(i) == Tag)
            return i;
    return -1;
}

void GridMapPage::ShowChosenTab(int Index, bool Asked)
{
    FChoiceMissing = Index < 0 && Asked;
    ActivateTab(qMax(0, Index));
}

void GridMapPage::LoadDocument(TBaseDocumentFile& File)
{
    try {
        File.Load();
    } catch (const EZipError& e) {
        throw EDurvelError(e.message());
    }
}

int GridMapPage::TabLimit()
{
    return MaxPreviewTabs;
}

void GridMapPage::LoadTabs(TBaseDocumentFile& File, const QString& What,
                           const std::function<bool()>& OverLimit)
{
    File.SetFileName(F->FileName());
    try {
        LoadDocument(File);
    } catch (const EDurvelError&) {
        if (OverLimit())
            throw EDurvelError(TooManyTabsText(F->FileName(), What));
        throw;
    }
}

// ---- drawing
// ---------------------------------------------------------------------------------------

void GridMapPage::DrawCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect,
                           int State)
{
    DrawColumnMapCell(Grid, ACol, ARow, Rect, State,
                      ACol < Grid->FixedCols() || ARow < Grid->FixedRows(),
                      Grid == FGrid && ACol == SelectedGridColumn());
}
