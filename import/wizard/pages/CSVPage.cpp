#include "import/wizard/pages/CSVPage.h"

#include "ui_CSVPage.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/engine/support/VoTextFile.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/pages/ColumnMapGrid.h"
#include "import/wizard/pages/PageBoxes.h"
#include "import/wizard/pages/PageLimits.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QTreeWidgetItem>

namespace {
const QString kMapSection = QStringLiteral("CSV_MAP");
const QString kOptionsSection = QStringLiteral("CSV_OPTIONS");
} // namespace

CsvPage::CsvPage(TDurvel3WizardF* Form) : SourcePage(Form, aiCSV), ui(new Ui::tsCSVOptions)
{
    ui->setupUi(this);
    ui->lvCSVFields->setColumnWidth(0, 96);
    ui->lvCSVFields->setColumnWidth(1, 40);

    Grid = new TKobWideStringGrid(this);
    Grid->setObjectName(QStringLiteral("CSVGrid"));
    Grid->setGeometry(161, 90, 402, 281);
    Grid->SetPreviewLook();
    Grid->SetRowCount(21);
    Grid->SetColCount(1);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(1);
    Grid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goColSizing);
    Grid->SetDefaultDrawing(false);
    Grid->OnDrawCell = [this](TKobCustomGrid*, int ACol, int ARow, const QRect& Rect,
                              TGridDrawState State) { DrawCell(ACol, ARow, Rect, int(State)); };
    OnColumnPressed(Grid, F, [this](int Column) { ColumnClicked(Column); });

    connect(ui->lvCSVFields, &QTreeWidget::currentItemChanged, this,
            F->Guard(this, &CsvPage::FieldChanged));
    connect(ui->cbCSVColNumber, &QComboBox::activated, this,
            F->Guard(this, &CsvPage::ColNumberChosen));
    connect(ui->tbtCSVAutoFill, &QToolButton::clicked, this,
            F->Guard(this, &CsvPage::AutoFillClick));
    connect(ui->tbtCSVClear, &QToolButton::clicked, this, F->Guard(this, &CsvPage::ClearClick));
    connect(ui->edtCSVSkipLines, &QLineEdit::textChanged, this,
            F->Guard([this](const QString& t) { SetCSVSkipLines(BoxNumber(t, 0)); }));
    SetCSVSkipLines(0);
}

CsvPage::~CsvPage() = default;

void CsvPage::FillCSVFields(const QStringList& Columns)
{
    ui->lvCSVFields->clear();
    for (const QString& c : Columns)
        new QTreeWidgetItem(ui->lvCSVFields, {c, QString()});
}

void CsvPage::SetCSVSkipLines(int Value)
{
    if (Value == FCSVSkipLines)
        return;
    FCSVSkipLines = Value;
    if (BoxNumber(ui->edtCSVSkipLines->text(), -1) != Value) {
        const QSignalBlocker block(ui->edtCSVSkipLines);
        ui->edtCSVSkipLines->setText(QString::number(Value));
    }
}

void CsvPage::ShowStep(int, int Total)
{
    F->PlaceInfoPanel(this, 6,
                      QStringLiteral("Select field name from the list box, then click at the "
                                     "column to import this field to."),
                      557, 39, 21);
    F->ShowPage(this);
    ui->laStep_07->setText(QStringLiteral("Step %1 of %2").arg(1).arg(Total));
    if (F->NeedReload)
        LoadPreview();
    if (ui->lvCSVFields->topLevelItemCount() > 0 && !ui->lvCSVFields->currentItem()) {
        ui->lvCSVFields->setCurrentItem(ui->lvCSVFields->topLevelItem(0));
        ui->lvCSVFields->setFocus();
    }
    F->TuneButtons();
}

void CsvPage::LoadPreview()
{
    ReadSource([this] { ReadPreview(); });
}

void CsvPage::PrepareJump()
{
    if (JumpNeedsRead())
        LoadPreview();
}

// What a previous file showed is no preview of the one refused.
void CsvPage::Forget()
{
    Grid->SetRowCount(1);
    Grid->SetColCount(1);
    Grid->SetCells(0, 0, QString());
    FPreviewLines = FPreviewColumns = 0;
    FillNumberList(ui->cbCSVColNumber, 0);
}

void CsvPage::ForgetMap()
{
    ClearClick();
}

void CsvPage::ReadPreview()
{
    // Each line's texts by column; empty ones are not kept.
    QList<std::vector<std::pair<int, QString>>> lines;
    std::vector<int> longest;
    const QString fileName = F->FileName();
    if (QFileInfo(fileName).isFile()) {
        const int asked = F->Wizard()->CSVViewerRows;
        const int limit = asked > 0 ? qMin(asked, MaxPreviewLines) : MaxPreviewLines;
        TVoTextFile file(fileName, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
        // As the reader does, so the preview and the import agree on the encoding.
        file.Reset(TVoTextFile::tfDetectUnicode, 0, 0);
        QString line;
        std::vector<QStringView> views;
        std::vector<QString> built;
        while (lines.size() < limit && !file.EndOfFile()) {
            file.ReadLine(line);
            SplitDelimitedLine(QStringView(line), F->Quote(), F->Comma(), views, built);
            // Refused before a text is made of its parts: a line of commas is millions of
            // columns, each a grid column and a list entry.
            if (views.size() > std::size_t(MaxPreviewColumns))
                throw EDurvelError(TooManyColumnsText(fileName, MaxPreviewColumns));
            std::vector<std::pair<int, QString>> parts;
            for (std::size_t i = 0; i < views.size(); ++i) {
                if (!views[i].isEmpty())
                    parts.emplace_back(int(i), views[i].toString());
                if (longest.size() <= i)
                    longest.push_back(QStringLiteral("Column_%1").arg(i + 1).size());
                longest[i] = qMax(longest[i], int(views[i].size()));
            }
            lines.append(std::move(parts));
        }
    }
    FPreviewLines = int(lines.size());
    FPreviewColumns = int(longest.size());

    // Shrinking first drops the cells of the previous preview.
    Grid->SetRowCount(1);
    Grid->SetColCount(1);
    Grid->SetCells(0, 0, QString());
    Grid->SetColCount(qMax(1, FPreviewColumns));
    Grid->SetRowCount(qMax(2, FPreviewLines + 1));
    Grid->SetFixedRows(1);
    for (int r = 0; r < FPreviewLines; ++r) {
        for (const auto& [c, text] : lines.at(r))
            Grid->SetCells(c, r + 1, text);
    }
    const int charWidth = QFontMetrics(Grid->font()).horizontalAdvance(u'X');
    std::vector<int> widths(static_cast<std::size_t>(FPreviewColumns));
    for (int c = 0; c < FPreviewColumns; ++c) {
        widths[std::size_t(c)] = charWidth * (longest[std::size_t(c)] + 1);
        Grid->SetCells(c, 0, QStringLiteral("Column_%1").arg(c + 1));
    }
    Grid->setColumnWidths(widths);
    Grid->SetRowHeights(0, 18);

    FillNumberList(ui->cbCSVColNumber, FPreviewColumns);
    F->NeedReload = false;
    FieldChanged();
}

bool CsvPage::CSVMapReady() const
{
    for (int i = 0; i < ui->lvCSVFields->topLevelItemCount(); ++i)
        if (BoxNumber(ui->lvCSVFields->topLevelItem(i)->text(1), 0) > 0)
            return true;
    return false;
}

QList<QPair<QString, QString>> CsvPage::MapLines() const
{
    QList<QPair<QString, QString>> lines;
    for (int i = 0; i < ui->lvCSVFields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ui->lvCSVFields->topLevelItem(i);
        const int column = BoxNumber(item->text(1), 0);
        if (column > 0)
            lines.append({item->text(0), QString::number(column)});
    }
    return lines;
}

void CsvPage::ClearColumns()
{
    for (int i = 0; i < ui->lvCSVFields->topLevelItemCount(); ++i)
        ui->lvCSVFields->topLevelItem(i)->setText(1, QString());
    if (ui->lvCSVFields->topLevelItemCount() > 0)
        ui->lvCSVFields->setCurrentItem(ui->lvCSVFields->topLevelItem(0));
}

void CsvPage::FieldChanged()
{
    const QTreeWidgetItem* item = ui->lvCSVFields->currentItem();
    if (item) {
        const QSignalBlocker block(ui->cbCSVColNumber);
        ui->cbCSVColNumber->setCurrentIndex(qMax(0, ui->cbCSVColNumber->findText(item->text(1))));
    }
    Grid->InvalidateGrid();
    F->TuneButtons();
}

int CsvPage::SelectedColumn() const
{
    const QTreeWidgetItem* item = ui->lvCSVFields->currentItem();
    return item ? BoxNumber(item->text(1), 0) - 1 : -1;
}

void CsvPage::DrawCell(int ACol, int ARow, const QRect& Rect, int State)
{
    DrawColumnMapCell(Grid, ACol, ARow, Rect, State, ARow == 0, ACol == SelectedColumn());
}

void CsvPage::ColumnClicked(int Column)
{
    QTreeWidgetItem* item = ui->lvCSVFields->currentItem();
    if (!item || Column < 0)
        return;
    const QString wanted = QString::number(Column + 1);
    const bool unmap = item->text(1) == wanted;
    if (!unmap)
        F->CheckWritable(item->text(0));
    item->setText(1, unmap ? QString() : wanted);
    FieldChanged();
}

void CsvPage::ColNumberChosen(int Index)
{
    QTreeWidgetItem* item = ui->lvCSVFields->currentItem();
    if (!item)
        return;
    if (!ui->cbCSVColNumber->itemText(Index).isEmpty())
        F->CheckWritable(item->text(0));
    item->setText(1, ui->cbCSVColNumber->itemText(Index));
    Grid->InvalidateGrid();
    F->TuneButtons();
}

void CsvPage::AutoFillClick()
{
    // Fields the destination fills itself get no column and take none from the others.
    int column = 0;
    for (int i = 0; i < ui->lvCSVFields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ui->lvCSVFields->topLevelItem(i);
        const bool writable = F->ColumnWritable(item->text(0));
        item->setText(1, writable && column < FPreviewColumns ? QString::number(column + 1)
                                                              : QString());
        column += writable ? 1 : 0;
    }
    FieldChanged();
}

void CsvPage::ClearClick()
{
    for (int i = 0; i < ui->lvCSVFields->topLevelItemCount(); ++i)
        ui->lvCSVFields->topLevelItem(i)->setText(1, QString());
    FieldChanged();
}

TDurvel3* CsvPage::Reader()
{
    return F->TextReader();
}

void CsvPage::CopyOptions(TDurvel3& Reader) const
{
    auto& ascii = dynamic_cast<TDurvel3ASCII&>(Reader);
    ascii.Quote = F->Quote();
    ascii.Comma = F->Comma();
    ascii.SkipFirstRows = FCSVSkipLines;
    ascii.Encoding = ctWinDefined;
    ascii.EncodingChosen = false;
}

void CsvPage::SaveTemplate(IniFile& Ini) const
{
    for (const auto& [field, value] : MapLines())
        Ini.writeString(kMapSection, field, value);
    Ini.writeInteger(kOptionsSection, QStringLiteral("SkipLines"), FCSVSkipLines);
    Ini.writeString(kOptionsSection, QStringLiteral("Delimiter"), CharToSepText(F->Comma()));
    Ini.writeString(kOptionsSection, QStringLiteral("Quote"), CharToSepText(F->Quote()));
}

void CsvPage::LoadTemplate(const IniFile& Ini)
{
    // The delimiter and quote empty the columns, so they come before the map.
    const QString delimiter = Ini.readString(kOptionsSection, QStringLiteral("Delimiter"),
                                             CharToSepText(GetListSeparator()));
    F->SetComma(SepTextToChar(delimiter, F->Comma()));
    const QString quote =
        Ini.readString(kOptionsSection, QStringLiteral("Quote"), CharToSepText(u'"'));
    F->SetQuote(SepTextToChar(quote, F->Quote()));
    SetCSVSkipLines(Ini.readCount(kOptionsSection, QStringLiteral("SkipLines"), 0));
    for (const QString& field : Ini.keys(kMapSection)) {
        const auto found = ui->lvCSVFields->findItems(field, Qt::MatchFixedString);
        const int column = BoxNumber(Ini.readString(kMapSection, field), 0);
        if (!found.isEmpty() && column > 0)
            found.first()->setText(1, QString::number(column));
    }
    FieldChanged();
}
