#include "import/wizard/pages/XLSPage.h"

#include "ui_XLSPage.h"

#include "import/engine/Durvel3XLS.h"
#include "import/engine/DurvelSheetText.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/dialogs/fuDurvel3XLSRangeEdit.h"
#include "import/wizard/pages/FormatsPage.h"
#include "import/wizard/pages/PageBoxes.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/widgets/SheetGrid.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>

namespace {

const QString kMapSection = QStringLiteral("XLS_MAP");
const QString kOptionsSection = QStringLiteral("XLS_OPTIONS");
const char* const kTagProperty = "Tag";
constexpr int kRangeImage = 3;

int stepTowards(int From, int To)
{
    return From < To ? 1 : From > To ? -1 : 0;
}

} // namespace

int XlsPage::MinimumLoadTime = 500;

XlsPage::XlsPage(TDurvel3WizardF* Form)
    : SourcePage(Form, aiXLS), ui(new Ui::tsExcelOptions), impXLS(new TDurvel3XLS)
{
    ui->setupUi(this);
    impXLS->AddType = datInsert;
    ui->lvXLSSelection->hide();

    connect(ui->lvXLSFields, &QTreeWidget::currentItemChanged, this,
            F->Guard([this] { ShowField(); }));
    connect(ui->lvXLSRanges, &QTreeWidget::currentItemChanged, this,
            F->Guard([this] { RangeChanged(); }));
    connect(ui->lvXLSRanges, &QTreeWidget::itemSelectionChanged, this,
            F->Guard([this] { RangeChanged(); }));
    connect(ui->lvXLSRanges, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (ui->tbtXLSEditRange->isEnabled())
            F->Guarded([this] { EditRangeClick(); });
    });
    ui->lvXLSFields->installEventFilter(this);

    connect(ui->tbtXLSAddRange, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { AddRangeClick(); }); });
    connect(ui->tbtXLSEditRange, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { EditRangeClick(); }); });
    connect(ui->tbtXLSDelRange, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { DelRangeClick(); }); });
    connect(ui->tbtXLSMoveRangeUp, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { MoveRangeClick(-1); }); });
    connect(ui->tbtXLSMoveRangeDown, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { MoveRangeClick(1); }); });
    connect(ui->tbtXLSAutoFillCols, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { AutoFillClick(true); }); });
    connect(ui->tbtXLSAutoFillRows, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { AutoFillClick(false); }); });
    connect(ui->tbtXLSClearFieldRanges, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { ClearFieldRangesClick(); }); });
    connect(ui->tbtXLSClearAllRanges, &QToolButton::clicked, this,
            [this] { F->Guarded([this] { ClearAllRangesClick(); }); });
    connect(ui->edXLSSkipCols, &QLineEdit::textChanged, this,
            F->Guard([this](const QString& t) { SetXLSSkipCols(BoxNumber(t, 0)); }));
    connect(ui->edXLSSkipRows, &QLineEdit::textChanged, this,
            F->Guard([this](const QString& t) { SetXLSSkipRows(BoxNumber(t, 0)); }));
    connect(ui->pcXLSFile, &QTabWidget::currentChanged, this, F->Guard([this] { RepaintGrid(); }));

    FXLSSkipCols = FXLSSkipRows = 0;
    TuneRangeButtons();
}

XlsPage::~XlsPage()
{
    // The lists and grids would report their focus and current items while they are torn
    // down, into a page that is half gone.
    ui->lvXLSFields->removeEventFilter(this);
    for (QObject* list :
         std::initializer_list<QObject*>{ui->lvXLSFields, ui->lvXLSRanges, ui->pcXLSFile})
        list->disconnect(this);
    ClearTabs();
}

// ---- the window's interface --------------------------------------------------------------------

void XlsPage::ShowStep(int Index, int Total)
{
    F->PlaceInfoPanel(this, 6,
                      QStringLiteral("Use the Range Editor to add/edit ranges or click individual "
                                     "cells with Shift or Ctrl pressed. Press Enter to apply "
                                     "selection or Escape to cancel."),
                      557, 39, 21);
    F->ShowPage(this);
    ui->laStep_04->setText(QStringLiteral("Step %1 of %2").arg(Index).arg(Total));
    SetXLSSkipCols(BoxNumber(ui->edXLSSkipCols->text(), 0));
    SetXLSSkipRows(BoxNumber(ui->edXLSSkipRows->text(), 0));
    if (ui->lvXLSFields->topLevelItemCount() > 0 && !ui->lvXLSFields->currentItem()) {
        ui->lvXLSFields->setCurrentItem(ui->lvXLSFields->topLevelItem(0));
        ui->lvXLSFields->setFocus();
    }
    if (F->NeedReload)
        LoadWorkbook();
    TuneRangeButtons();
    F->TuneButtons();
}

void XlsPage::FillFields(const QStringList& Columns)
{
    const QSignalBlocker block(ui->lvXLSFields);
    ui->lvXLSFields->clear();
    FFieldRows.clear();
    for (const QString& c : Columns) {
        new QTreeWidgetItem(ui->lvXLSFields, {c});
        FFieldRows.push_back(std::make_unique<TMapRow>());
    }
    ShowField();
}

void XlsPage::SourceChanged()
{
    EndSelection();
    ClearFieldRows();
    ui->lvXLSRanges->clear();
    ClearTabs();
    FXLSFile.Close();
    SetXLSSkipCols(0);
    SetXLSSkipRows(0);
    TuneRangeButtons();
}

TDurvel3* XlsPage::Reader()
{
    return impXLS.get();
}

void XlsPage::CopyOptions(TDurvel3& Reader) const
{
    auto& xls = dynamic_cast<TDurvel3XLS&>(Reader);
    xls.SkipFirstRows = FXLSSkipRows;
    xls.SkipFirstCols = FXLSSkipCols;
}

QList<QPair<QString, QString>> XlsPage::MapLines() const
{
    QList<QPair<QString, QString>> lines;
    for (int i = 0; i < ui->lvXLSFields->topLevelItemCount(); ++i) {
        const QString text = FieldRow(i)->GetAsString();
        if (!text.isEmpty())
            lines.append({ui->lvXLSFields->topLevelItem(i)->text(0), text});
    }
    return lines;
}

void XlsPage::SaveTemplate(IniFile& Ini) const
{
    for (const auto& [field, value] : MapLines())
        Ini.writeString(kMapSection, field, value);
    Ini.writeInteger(kOptionsSection, QStringLiteral("SkipCols"), FXLSSkipCols);
    Ini.writeInteger(kOptionsSection, QStringLiteral("SkipRows"), FXLSSkipRows);
}

void XlsPage::LoadTemplate(const IniFile& Ini)
{
    // Every value is parsed before any field changes: a template with a bad range is refused
    // whole, with the field named, rather than applied in part.
    std::vector<std::pair<int, std::unique_ptr<TMapRow>>> rows;
    for (const QString& key : Ini.keys(kMapSection)) {
        for (int i = 0; i < ui->lvXLSFields->topLevelItemCount(); ++i) {
            if (ui->lvXLSFields->topLevelItem(i)->text(0).compare(key, Qt::CaseInsensitive) != 0)
                continue;
            auto row = std::make_unique<TMapRow>();
            try {
                row->SetAsString(Ini.readString(kMapSection, key));
            } catch (const EMapRangeError& e) {
                throw EMapRangeError(QStringLiteral("%1: %2").arg(key, e.message()));
            }
            rows.emplace_back(i, std::move(row));
            break;
        }
    }
    for (auto& [i, row] : rows)
        FFieldRows[std::size_t(i)] = std::move(row);
    SetXLSSkipCols(Ini.readCount(kOptionsSection, QStringLiteral("SkipCols"), 0));
    SetXLSSkipRows(Ini.readCount(kOptionsSection, QStringLiteral("SkipRows"), 0));
    ShowField();
}

// ---- the workbook ------------------------------------------------------------------------------

void XlsPage::ClearTabs()
{
    while (ui->pcXLSFile->count() > 0) {
        QWidget* tab = ui->pcXLSFile->widget(0);
        ui->pcXLSFile->removeTab(0);
        if (auto* grid = qobject_cast<TKobWideStringGrid*>(tab)) {
            // Its focus leaving as it goes is no clerk leaving the grid.
            grid->removeEventFilter(this);
            grid->viewport()->removeEventFilter(this);
        }
        delete tab;
    }
}

TKobWideStringGrid* XlsPage::NewSheetGrid(const QString& Caption)
{
    const TDurvel3Wizard* wizard = F->Wizard();
    const int viewerRows = wizard->ExcelViewerRows;
    auto* grid = new TKobWideStringGrid;
    grid->setProperty(kTagProperty, GridTag);
    grid->setLayoutDirection(Qt::LeftToRight);
    grid->SetPreviewLook();
    grid->SetColCount(MapRangeLimits::MaxCol + 1);
    grid->SetRowCount(viewerRows >= 1 && viewerRows <= MapRangeLimits::MaxRow
                          ? viewerRows + 1
                          : MapRangeLimits::MaxRow + 1);
    grid->SetFixedCols(1);
    grid->SetFixedRows(1);
    grid->SetDefaultColWidth(64);
    grid->SetColWidths(0, 30);
    grid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine);
    grid->SetDefaultDrawing(false);
    grid->OnDrawCell = [this, grid](TKobCustomGrid*, int ACol, int ARow, const QRect& Rect,
                                    TGridDrawState State) {
        DrawCell(grid, ACol, ARow, Rect, int(State));
    };
    grid->OnSelectCell = [this, grid](TKobCustomGrid*, int ACol, int ARow, bool&) {
        if (!FMovingByHeader)
            F->Guarded([&] { CellMoving(grid->Col(), grid->Row(), ACol, ARow, FXLSKey); });
    };
    grid->OnMouseDown = [this, grid](TKobCustomGrid*, Qt::MouseButton Button,
                                     Qt::KeyboardModifiers Shift, int X, int Y) {
        if (Button != Qt::LeftButton)
            return;
        const TGridCoord cell = grid->MouseCoord(X, Y);
        if (cell.X >= 0 && cell.Y >= 0 && (cell.X == 0) != (cell.Y == 0))
            F->Guarded([&] { HeaderClicked(cell.X, cell.Y, Shift); });
    };
    grid->OnClick = [this](TKobCustomGrid*) { RepaintGrid(); };
    grid->OnKeyDown = [this, grid](TKobCustomGrid*, int& Key, Qt::KeyboardModifiers Shift) {
        F->Guarded([&] { GridKeyDown(grid, Key, Shift); });
    };
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    ui->pcXLSFile->addTab(grid, Caption);
    FillSheetGridHeaders(grid);
    return grid;
}

void XlsPage::LoadWorkbook()
{
    EndSelection();
    ClearTabs();
    if (QFileInfo(F->FileName()).isFile())
        ReadSource([this] { ReadWorkbook(); });
}

void XlsPage::PrepareJump()
{
    if (JumpNeedsRead())
        LoadWorkbook();
}

void XlsPage::Forget()
{
    EndSelection();
    ClearTabs();
    FXLSFile.Close();
}

// Ranges name the sheets and cells of the file they were made on.
void XlsPage::ForgetMap()
{
    ClearAllRangesClick();
}

void XlsPage::ReadWorkbook()
{
    const QString fileName = F->FileName();
    // Even a tiny workbook keeps the loading form up long enough to be read.
    const TLoadingHandle loading = ShowLoading(F, fileName, MinimumLoadTime);
    const TDurvel3Wizard* wizard = F->Wizard();
    const int viewerRows = wizard->ExcelViewerRows;
    const int maxWidth = wizard->ExcelMaxColWidth;
    FXLSFile.Close();
    FXLSFile.SetFileName(fileName);
    // The preview needs the rows it shows, and range resolution nothing more.
    FXLSFile.RowLimit = viewerRows >= 1 && viewerRows <= MapRangeLimits::MaxRow ? viewerRows : 0;
    FXLSFile.TextFormat = SheetTextFormatOf(PreviewFormats());
    FXLSFile.Open();

    const TxlsWorkbook* book = FXLSFile.Workbook();
    // Each sheet is a tab and a grid of its own: a small file can hold thousands.
    if (book->SheetCount() > MaxXlsSheets)
        throw EDurvelError(TooManyTabsText(fileName, QStringLiteral("sheets"), MaxXlsSheets));
    // A hidden tab bar lays its tabs out once, when shown again, not at every tab added.
    const bool hidden = ui->pcXLSFile->isHidden();
    ui->pcXLSFile->hide();
    const auto show = qScopeGuard([this, hidden] { ui->pcXLSFile->setHidden(hidden); });
    for (int s = 0; s < book->SheetCount(); ++s) {
        const TxlsWorkSheet& sheet = *book->Sheet(s);
        TKobWideStringGrid* grid = NewSheetGrid(sheet.GetName());
        const QFontMetrics metrics(grid->font());
        const int lastCol = grid->ColCount() - 1;
        const int lastRow = grid->RowCount() - 1;
        std::vector<int> widths(std::size_t(grid->ColCount()), grid->DefaultColWidth());
        grid->BeginUpdate();
        for (int r = 0; r < std::min(sheet.RowCount(), lastRow); ++r) {
            for (const TbiffCell& cell : sheet.RowCells(r)) {
                if (cell.Col >= lastCol)
                    break;
                const QString text = FXLSFile.CellText(sheet, cell);
                if (text.isEmpty())
                    continue;
                grid->SetCells(cell.Col + 1, r + 1, text);
                int& width = widths[cell.Col + 1u];
                if (width == maxWidth)
                    continue; // no text can change it now
                const int wanted = metrics.horizontalAdvance(text) + 10;
                if (width < wanted)
                    width = maxWidth > 0 && maxWidth <= wanted ? maxWidth : wanted;
            }
        }
        grid->EndUpdate();
        for (int c = 1; c < int(widths.size()); ++c)
            if (widths[std::size_t(c)] != grid->DefaultColWidth())
                grid->SetColWidths(c, widths[std::size_t(c)]);
    }
    F->NeedReload = false;
}

TDurvelFormats XlsPage::PreviewFormats() const
{
    TDurvelFormats formats(F->Wizard()->Formats());
    if (const FormatsPage* page = F->FormatPage) {
        formats.DecimalSeparator = page->DecimalSeparator();
        formats.DateSeparator = page->DateSeparator();
        formats.TimeSeparator = page->TimeSeparator();
        formats.ShortDateFormat = page->ShortDateFormat();
        formats.ShortTimeFormat = page->ShortTimeFormat();
    }
    // The preview shows times in the short form.
    formats.LongTimeFormat = formats.ShortTimeFormat;
    return formats;
}

TKobWideStringGrid* XlsPage::Grid(int Sheet) const
{
    auto* grid = qobject_cast<TKobWideStringGrid*>(ui->pcXLSFile->widget(Sheet));
    return grid && grid->property(kTagProperty).toInt() == GridTag ? grid : nullptr;
}

TKobWideStringGrid* XlsPage::XLSActiveGrid() const
{
    return Grid(ui->pcXLSFile->currentIndex());
}

QString XlsPage::ActiveSheetName() const
{
    return ui->pcXLSFile->tabText(ui->pcXLSFile->currentIndex());
}

int XlsPage::ActiveSheetNumber() const
{
    return ui->pcXLSFile->currentIndex() + 1;
}

void XlsPage::RepaintGrid()
{
    if (TKobWideStringGrid* grid = XLSActiveGrid())
        grid->InvalidateGrid();
}

// ---- fields and their ranges -------------------------------------------------------------------

bool XlsPage::XLSMapReady() const
{
    return std::any_of(FFieldRows.begin(), FFieldRows.end(),
                       [](const auto& row) { return row->Count() > 0; });
}

void XlsPage::SetXLSSkipCols(int Value)
{
    if (Value == FXLSSkipCols)
        return;
    FXLSSkipCols = Value;
    if (BoxNumber(ui->edXLSSkipCols->text(), -1) != Value) {
        const QSignalBlocker block(ui->edXLSSkipCols);
        ui->edXLSSkipCols->setText(QString::number(Value));
    }
    RepaintGrid();
    F->TuneButtons();
}

void XlsPage::SetXLSSkipRows(int Value)
{
    if (Value == FXLSSkipRows)
        return;
    FXLSSkipRows = Value;
    if (BoxNumber(ui->edXLSSkipRows->text(), -1) != Value) {
        const QSignalBlocker block(ui->edXLSSkipRows);
        ui->edXLSSkipRows->setText(QString::number(Value));
    }
    RepaintGrid();
    F->TuneButtons();
}

TMapRow* XlsPage::FieldRow(int Index) const
{
    return Index >= 0 && Index < int(FFieldRows.size()) ? FFieldRows[std::size_t(Index)].get()
                                                        : nullptr;
}

TMapRow* XlsPage::CurrentField() const
{
    QTreeWidgetItem* item = ui->lvXLSFields->currentItem();
    return item ? FieldRow(ui->lvXLSFields->indexOfTopLevelItem(item)) : nullptr;
}

int XlsPage::CurrentRange() const
{
    QTreeWidgetItem* item = ui->lvXLSRanges->currentItem();
    return CurrentField() && item ? ui->lvXLSRanges->indexOfTopLevelItem(item) : -1;
}

void XlsPage::ClearFieldRows()
{
    for (auto& row : FFieldRows)
        row->Clear();
}

void XlsPage::FillRangeItems(QTreeWidget* List, const TMapRow& Row)
{
    const QSignalBlocker block(List);
    List->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    for (int i = 0; i < Row.Count(); ++i) {
        const QString text = Row.GetItem(i)->GetAsString();
        auto* item = new QTreeWidgetItem(List, {text});
        item->setToolTip(0, text); // the list is narrower than a range with its sheet
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, kRangeImage);
    }
}

void XlsPage::ShowField()
{
    const TMapRow* row = CurrentField();
    if (row)
        FillRangeItems(ui->lvXLSRanges, *row);
    else
        ui->lvXLSRanges->clear();
    if (ui->lvXLSRanges->topLevelItemCount() > 0) {
        const QSignalBlocker block(ui->lvXLSRanges);
        ui->lvXLSRanges->setCurrentItem(ui->lvXLSRanges->topLevelItem(0));
    }
    RangeChanged();
}

void XlsPage::RangeChanged()
{
    RepaintGrid();
    TuneRangeButtons();
    F->TuneButtons();
}

void XlsPage::TuneRangeButtons()
{
    const TMapRow* field = CurrentField();
    const int current = CurrentRange();
    ui->tbtXLSAddRange->setEnabled(field);
    ui->tbtXLSEditRange->setEnabled(field && current >= 0);
    ui->tbtXLSDelRange->setEnabled(field && !ui->lvXLSRanges->selectedItems().isEmpty());
    ui->tbtXLSMoveRangeUp->setEnabled(current > 0);
    ui->tbtXLSMoveRangeDown->setEnabled(field && current >= 0 && current < field->Count() - 1);
}

void XlsPage::AddRangeClick()
{
    TMapRow* field = CurrentField();
    if (!field)
        return;
    F->CheckWritable(ui->lvXLSFields->currentItem()->text(0));
    auto range = std::make_unique<TMapRange>(field);
    range->StartCol = range->FinishCol = 1;
    range->StartRow = range->FinishRow = 0;
    range->Direction = TMapRange::dirForward;
    if (XLSActiveGrid()) {
        range->SheetKind = TMapRange::skName;
        range->SheetName = ActiveSheetName();
    }
    range->UpdateKind();
    if (EditRange(*range, FXLSFile.IsLoaded() ? &FXLSFile : nullptr, F)) {
        // Appending derives the kind from the ends again: a run from the first row to the
        // first row (column) stays the run the editor gave, as it does when edited.
        const quint8 kind = range->Kind();
        field->Add(std::move(range));
        field->GetItem(field->Count() - 1)->KeepRun(kind);
        FillRangeItems(ui->lvXLSRanges, *field);
        QTreeWidgetItem* added = ui->lvXLSRanges->topLevelItem(field->Count() - 1);
        const QSignalBlocker block(ui->lvXLSRanges);
        ui->lvXLSRanges->clearSelection();
        ui->lvXLSRanges->setCurrentItem(added);
        added->setSelected(true);
    }
    RangeChanged();
}

void XlsPage::EditRangeClick()
{
    TMapRow* field = CurrentField();
    const int current = CurrentRange();
    if (!field || current < 0)
        return;
    if (EditRange(*field->GetItem(current), FXLSFile.IsLoaded() ? &FXLSFile : nullptr, F))
        ui->lvXLSRanges->topLevelItem(current)->setText(0, field->GetItem(current)->GetAsString());
    RangeChanged();
}

void XlsPage::DelRangeClick()
{
    TMapRow* field = CurrentField();
    if (!field)
        return;
    {
        const QSignalBlocker block(ui->lvXLSRanges);
        int first = -1;
        for (int i = ui->lvXLSRanges->topLevelItemCount() - 1; i >= 0; --i) {
            if (!ui->lvXLSRanges->topLevelItem(i)->isSelected())
                continue;
            field->Delete(i);
            delete ui->lvXLSRanges->takeTopLevelItem(i);
            first = i;
        }
        // The range now in the place of the first one deleted becomes the current one.
        const int count = ui->lvXLSRanges->topLevelItemCount();
        if (first >= 0 && count > 0) {
            QTreeWidgetItem* item = ui->lvXLSRanges->topLevelItem(std::min(first, count - 1));
            ui->lvXLSRanges->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    RangeChanged();
}

void XlsPage::MoveRangeClick(int Step)
{
    TMapRow* field = CurrentField();
    const int from = CurrentRange();
    const int to = from + Step;
    if (!field || from < 0 || to < 0 || to >= field->Count())
        return;
    field->Exchange(from, to);
    FillRangeItems(ui->lvXLSRanges, *field);
    {
        const QSignalBlocker block(ui->lvXLSRanges);
        ui->lvXLSRanges->clearSelection();
        ui->lvXLSRanges->setCurrentItem(ui->lvXLSRanges->topLevelItem(to));
        ui->lvXLSRanges->topLevelItem(to)->setSelected(true);
    }
    RangeChanged();
}

void XlsPage::AutoFillClick(bool Columns)
{
    const int s = ui->pcXLSFile->currentIndex();
    if (!XLSActiveGrid() || !FXLSFile.Opened() || s >= FXLSFile.Workbook()->SheetCount())
        return;
    const TxlsWorkSheet& sheet = *FXLSFile.Workbook()->Sheet(s);
    // The sheet's filled columns (rows) in order.
    std::vector<int> lines;
    if (Columns) {
        for (int c = 0; c < sheet.ColCount(); ++c)
            if (!sheet.ColCellIndexes(c).empty())
                lines.push_back(c);
    } else {
        for (int r = 0; r < sheet.RowCount(); ++r)
            if (!sheet.RowCells(r).empty())
                lines.push_back(r);
    }
    // Fields the destination fills itself get no range and take none from the others.
    std::size_t next = 0;
    for (std::size_t i = 0; i < FFieldRows.size(); ++i) {
        TMapRow& row = *FFieldRows[i];
        row.Clear();
        const QTreeWidgetItem* item = ui->lvXLSFields->topLevelItem(int(i));
        if (next >= lines.size() || (item && !F->ColumnWritable(item->text(0))))
            continue;
        auto range = std::make_unique<TMapRange>(&row);
        const int at = lines[next++] + 1;
        if (Columns)
            range->StartCol = range->FinishCol = at;
        else
            range->StartRow = range->FinishRow = at;
        range->Direction = TMapRange::dirForward;
        range->SheetKind = TMapRange::skName;
        range->SheetName = sheet.GetName();
        row.Add(std::move(range));
    }
    ShowField();
}

void XlsPage::ClearFieldRangesClick()
{
    if (TMapRow* field = CurrentField())
        field->Clear();
    ShowField();
}

void XlsPage::ClearAllRangesClick()
{
    ClearFieldRows();
    ShowField();
}

// ---- selecting cells ---------------------------------------------------------------------------

QString XlsPage::CellRef(const QString& Sheet, int Col, int Row)
{
    return QStringLiteral("[%1]%2%3;").arg(Sheet, MapColIndexToLetters(Col)).arg(Row);
}

void XlsPage::BeginSelecting()
{
    if (FXLSSelecting)
        return;
    FXLSSelecting = true;
    ui->lvXLSRanges->hide();
    ui->tbXLSRanges->hide();
    ui->lvXLSSelection->show();
}

void XlsPage::SelectionChanged()
{
    FXLSSelection.MergeRanges();
    FillRangeItems(ui->lvXLSSelection, FXLSSelection);
    if (ui->lvXLSSelection->topLevelItemCount() > 0)
        ui->lvXLSSelection->setCurrentItem(ui->lvXLSSelection->topLevelItem(0));
    RepaintGrid();
}

void XlsPage::CellMoving(int FromCol, int FromRow, int ToCol, int ToRow,
                         Qt::KeyboardModifiers Modifiers)
{
    if (!XLSActiveGrid())
        return;
    const QString sheet = ActiveSheetName();
    const int number = ActiveSheetNumber();
    if (Modifiers & Qt::ControlModifier) {
        BeginSelecting();
        if (FXLSSelection.ContainsCell(sheet, number, ToRow, ToCol))
            FXLSSelection.ExcludeCell(sheet, number, ToRow, ToCol);
        else
            FXLSSelection.SetAsString(FXLSSelection.GetAsString() + CellRef(sheet, ToCol, ToRow));
        SelectionChanged();
        return;
    }
    if (!(Modifiers & Qt::ShiftModifier))
        return;
    if (FromCol != ToCol && FromRow != ToRow) {
        EndSelection();
        return;
    }
    if (FromCol == ToCol && FromRow == ToRow)
        return;
    BeginSelecting();
    const bool alongRow = FromRow == ToRow;
    bool extended = false;
    TMapRange* last =
        FXLSSelection.Count() > 0 ? FXLSSelection.GetItem(FXLSSelection.Count() - 1) : nullptr;
    if (last && last->StartRow >= 1 && last->FinishRow >= 1 && last->StartCol >= 1 &&
        last->FinishCol >= 1 &&
        ((alongRow && last->Kind() == TMapRange::rkRow) ||
         (!alongRow && last->Kind() == TMapRange::rkColumn))) {
        const int from = alongRow ? FromCol : FromRow;
        const int to = alongRow ? ToCol : ToRow;
        const int step = stepTowards(from, to);
        int& finish = alongRow ? last->FinishCol : last->FinishRow;
        for (int v = from; v != to; v += step) {
            const bool inside = alongRow ? last->ContainsCell(sheet, number, FromRow, v)
                                         : last->ContainsCell(sheet, number, v, FromCol);
            if (inside) {
                finish += step;
                extended = true;
            }
        }
        if (extended) {
            last->UpdateKind();
            last->UpdateDirection();
            last->UpdateKind();
        }
    }
    if (!extended) {
        int col = FromCol;
        int row = FromRow;
        if (last && last->FinishCol == FromCol && last->FinishRow == FromRow) {
            col += alongRow ? stepTowards(FromCol, ToCol) : 0;
            row += alongRow ? 0 : stepTowards(FromRow, ToRow);
        }
        QString text = FXLSSelection.GetAsString();
        const int step = alongRow ? stepTowards(col, ToCol) : stepTowards(row, ToRow);
        while (true) {
            if (!FXLSSelection.ContainsCell(sheet, number, row, col))
                text += CellRef(sheet, col, row);
            if (col == ToCol && row == ToRow)
                break;
            (alongRow ? col : row) += step;
        }
        FXLSSelection.SetAsString(text);
    }
    SelectionChanged();
}

void XlsPage::HeaderClicked(int Col, int Row, Qt::KeyboardModifiers Modifiers)
{
    TKobWideStringGrid* grid = XLSActiveGrid();
    const bool ctrl = Modifiers & Qt::ControlModifier;
    const bool shift = Modifiers & Qt::ShiftModifier;
    if (!grid || (!ctrl && !shift))
        return;
    const bool column = Row == 0;
    const QString sheet = ActiveSheetName();
    const auto lineText = [&](int At) {
        return column ? QStringLiteral("[%1]%2-COLFINISH;").arg(sheet, MapColIndexToLetters(At))
                      : QStringLiteral("[%1]%2-ROWFINISH;").arg(sheet).arg(At);
    };
    BeginSelecting();
    if (ctrl) {
        const QString text = lineText(column ? Col : Row);
        const int at = FXLSSelection.IndexOfText(text);
        if (at >= 0)
            FXLSSelection.Delete(at);
        else
            FXLSSelection.SetAsString(FXLSSelection.GetAsString() + text);
    } else {
        const int from = column ? grid->Col() : grid->Row();
        const int to = column ? Col : Row;
        const int step = stepTowards(from, to);
        for (int v = from;; v += step) {
            const QString text = lineText(v);
            const int at = FXLSSelection.IndexOfText(text);
            if (at >= 0)
                FXLSSelection.Delete(at);
            FXLSSelection.SetAsString(FXLSSelection.GetAsString() + text);
            if (v == to)
                break;
        }
    }
    FMovingByHeader = true;
    if (column)
        grid->SetCol(Col);
    else
        grid->SetRow(Row);
    FMovingByHeader = false;
    SelectionChanged();
}

void XlsPage::ApplySelection()
{
    TMapRow* field = CurrentField();
    if (field && FXLSSelection.Count() > 0) {
        if (!F->ColumnWritable(ui->lvXLSFields->currentItem()->text(0))) {
            EndSelection();
            F->CheckWritable(ui->lvXLSFields->currentItem()->text(0));
        }
        {
            const QSignalBlocker block(ui->lvXLSRanges);
            for (int i = ui->lvXLSRanges->topLevelItemCount() - 1; i >= 0; --i)
                if (ui->lvXLSRanges->topLevelItem(i)->isSelected())
                    field->Delete(i);
        }
        field->TakeAll(FXLSSelection);
        FillRangeItems(ui->lvXLSRanges, *field);
        const QSignalBlocker block(ui->lvXLSRanges);
        ui->lvXLSRanges->setCurrentItem(ui->lvXLSRanges->topLevelItem(0));
    }
    EndSelection();
    RangeChanged();
}

void XlsPage::EndSelection()
{
    FXLSSelection.Clear();
    if (FXLSSelecting) {
        FXLSSelecting = false;
        ui->lvXLSSelection->clear();
        ui->lvXLSSelection->hide();
        ui->lvXLSRanges->show();
        ui->tbXLSRanges->show();
    }
    RepaintGrid();
}

void XlsPage::GridKeyDown(TKobWideStringGrid*, int& Key, Qt::KeyboardModifiers Shift)
{
    if (Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return;
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        ApplySelection();
        Key = 0;
    } else if (Key == Qt::Key_Escape && FXLSSelecting) {
        EndSelection();
        Key = 0;
    }
}

const TMapRow* XlsPage::XLSHighlight()
{
    FXLSHighlight.Clear();
    const TMapRow* field = CurrentField();
    if (!field)
        return &FXLSHighlight;
    if (ui->lvXLSFields->hasFocus())
        return field;
    const int current = CurrentRange();
    if (current >= 0 && current < field->Count()) {
        auto copy = std::make_unique<TMapRange>(&FXLSHighlight);
        copy->Assign(*field->GetItem(current));
        FXLSHighlight.Add(std::move(copy));
    }
    return &FXLSHighlight;
}

void XlsPage::DrawCell(TKobWideStringGrid* Grid, int ACol, int ARow, const QRect& Rect, int State)
{
    const int tab = ui->pcXLSFile->indexOf(Grid);
    DrawSheetGridCell(Grid, ui->pcXLSFile->tabText(tab), tab + 1, &FXLSSelection, FXLSSelecting,
                      FXLSSkipRows, FXLSSkipCols, XLSHighlight(), TGridDrawState(State), Rect, ARow,
                      ACol);
}

bool XlsPage::eventFilter(QObject* Watched, QEvent* Event)
{
    switch (Event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        FXLSKey = static_cast<QKeyEvent*>(Event)->modifiers();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        FXLSKey = static_cast<QMouseEvent*>(Event)->modifiers();
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (Watched == ui->lvXLSFields) {
            RepaintGrid();
        } else if (Event->type() == QEvent::FocusOut) {
            // Leaving the grid for another control ends a selection; a window or menu taking
            // the focus for a moment does not.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(Event)->reason();
            if (FXLSSelecting && reason != Qt::ActiveWindowFocusReason &&
                reason != Qt::PopupFocusReason)
                EndSelection();
        }
        break;
    default:
        break;
    }
    return SourcePage::eventFilter(Watched, Event);
}
