#include "import/wizard/pages/TXTPage.h"

#include "ui_TXTPage.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/CodePages.h"
#include "import/wizard/Durvel3WizardF.h"
#include "import/wizard/pages/PageBoxes.h"
#include "import/wizard/widgets/Durvel3TXTView.h"
#include "platform/ini/IniFile.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidgetItem>

namespace {
const QString kMapSection = QStringLiteral("TXT_MAP");
const QString kOptionsSection = QStringLiteral("ASCII_OPTIONS");
} // namespace

TxtPage::TxtPage(TDurvel3WizardF* Form) : SourcePage(Form, aiTXT), ui(new Ui::tsTXTOptions)
{
    ui->setupUi(this);
    // The size column takes what the name and position leave, from a small start (a stretched
    // section keeps the size it had): both numbers stay in view.
    ui->lvTXTFields->header()->setMinimumSectionSize(20);
    ui->lvTXTFields->header()->setStretchLastSection(false);
    ui->lvTXTFields->setColumnWidth(0, 90);
    ui->lvTXTFields->setColumnWidth(1, 34);
    ui->lvTXTFields->setColumnWidth(2, 34);
    ui->lvTXTFields->header()->setStretchLastSection(true);
    for (int i = 0; i < CodePageTableSize; ++i)
        ui->cmbTXTEncoding->addItem(CodePageDisplayName(i));
    ui->cmbTXTEncoding->setCurrentIndex(0);

    MakeViewer();

    connect(ui->lvTXTFields, &QTreeWidget::currentItemChanged, this,
            F->Guard(this, &TxtPage::FieldChanged));
    connect(ui->tbtTXTClear, &QToolButton::clicked, this, F->Guard(this, &TxtPage::ClearClick));
    connect(ui->edtTXTSkipLines, &QLineEdit::textChanged, this,
            F->Guard([this](const QString& t) { SetTXTSkipLines(BoxNumber(t, 0)); }));
    connect(ui->cmbTXTEncoding, &QComboBox::activated, this, F->Guard([this](int index) {
        SetTXTEncoding(index);
        if (F->Step() == 1 && F->ImportType() == aiTXT)
            LoadViewer();
    }));
    SetTXTSkipLines(0);
}

TxtPage::~TxtPage() = default;

void TxtPage::ParsePosSize(const QString& Text, int& Position, int& Size)
{
    QString text = Text;
    if (text.endsWith(u';'))
        text.chop(1);
    const int semi = text.indexOf(u';');
    if (semi < 0)
        return;
    bool ok = false;
    const int p = text.left(semi).trimmed().toInt(&ok);
    if (!ok)
        return;
    Position = p;
    const int s = text.mid(semi + 1).trimmed().toInt(&ok);
    if (ok)
        Size = s;
}

void TxtPage::FillTXTFields(const QStringList& Columns)
{
    ui->lvTXTFields->clear();
    for (const QString& c : Columns)
        new QTreeWidgetItem(ui->lvTXTFields, {c, QString(), QString()});
}

void TxtPage::SetTXTSkipLines(int Value)
{
    if (Value == FTXTSkipLines)
        return;
    FTXTSkipLines = Value;
    if (BoxNumber(ui->edtTXTSkipLines->text(), -1) != Value) {
        const QSignalBlocker block(ui->edtTXTSkipLines);
        ui->edtTXTSkipLines->setText(QString::number(Value));
    }
}

// One stored encoding drives the list, the viewer and the import.
void TxtPage::SetTXTEncoding(int Value)
{
    if (Value < 0 || Value >= CodePageTableSize)
        return;
    FTXTEncodingChosen = true;
    ShowTXTEncoding(Value);
}

void TxtPage::ShowTXTEncoding(int Value)
{
    FTXTEncoding = Value;
    if (ui->cmbTXTEncoding->currentIndex() != Value)
        ui->cmbTXTEncoding->setCurrentIndex(Value);
}

void TxtPage::MakeViewer()
{
    delete Viewer;
    Viewer = new TDurvel3TXTViewer(this);
    Viewer->setObjectName(QStringLiteral("TXTViewer"));
    Viewer->setGeometry(191, 90, 372, 281);
    connect(Viewer, &TDurvel3TXTViewer::SelectionChanged, this,
            F->Guard(this, &TxtPage::ViewerSelectionChanged));
    connect(Viewer, &TDurvel3TXTViewer::ArrowRemoved, this, F->Guard(this, &TxtPage::ArrowRemoved));
    connect(Viewer, &TDurvel3TXTViewer::ArrowMerged, this, F->Guard(this, &TxtPage::ArrowRemoved));
    connect(Viewer, &TDurvel3TXTViewer::ArrowMoved, this, F->Guard(this, &TxtPage::ArrowMoved));
    Viewer->show();
}

// The viewer keeps its lines when a read fails: a fresh one shows nothing of the file before.
void TxtPage::Forget()
{
    MakeViewer();
}

void TxtPage::ForgetMap()
{
    ClearClick();
}

void TxtPage::PrepareJump()
{
    if (JumpNeedsRead())
        LoadViewer();
}

void TxtPage::LoadViewer()
{
    ReadSource([this] { ReadViewer(); });
}

void TxtPage::ReadViewer()
{
    Viewer->SetLineLimit(F->Wizard()->TextViewerRows);
    Viewer->SetCodePage(FTXTEncodingChosen ? CodePageByIndex(FTXTEncoding) : 0);
    Viewer->LoadFromFile(F->FileName());
    if (!FTXTEncodingChosen) {
        // The list shows what was found; UTF-16 in big-endian order has no entry and is
        // looked for again by the reader.
        int found = ctWinDefined;
        for (const int entry : {ctUtf8, ctUtf16, ctUtf32})
            if (CodePageByIndex(entry) == Viewer->LoadedCodePage())
                found = entry;
        ShowTXTEncoding(found);
    }
    F->NeedReload = false;
    DrawArrows();
}

// The arrows follow the fields' numbers after every load.
void TxtPage::DrawArrows()
{
    Viewer->ClearArrows();
    for (int i = 0; i < ui->lvTXTFields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ui->lvTXTFields->topLevelItem(i);
        const int p = BoxNumber(item->text(1), -1);
        const int s = BoxNumber(item->text(2), -1);
        if (p >= 0 && s >= 0) {
            Viewer->AddArrow(p);
            Viewer->AddArrow(p + s);
        }
    }
    FieldChanged();
}

void TxtPage::ShowStep(int, int Total)
{
    // The template is read again inside the read: one that cannot be read now leaves nothing
    // of the earlier file on the page either.
    if (F->NeedReload)
        ReadSource([this] {
            ReloadTemplate();
            ReadViewer();
        });
    F->PlaceInfoPanel(this, 6,
                      QStringLiteral("Double click to add or remove column separators. Click at "
                                     "the area between separators to define the imported column."),
                      557, 39, 21);
    F->ShowPage(this);
    ui->laTXTStep_02->setText(QStringLiteral("Step %1 of %2").arg(1).arg(Total));
    if (ui->lvTXTFields->topLevelItemCount() > 0 && !ui->lvTXTFields->currentItem()) {
        ui->lvTXTFields->setCurrentItem(ui->lvTXTFields->topLevelItem(0));
        ui->lvTXTFields->setFocus();
    }
    FieldChanged();
    F->TuneButtons();
}

bool TxtPage::TXTMapReady() const
{
    for (int i = 0; i < ui->lvTXTFields->topLevelItemCount(); ++i)
        if (BoxNumber(ui->lvTXTFields->topLevelItem(i)->text(2), -1) > 0)
            return true;
    return false;
}

QList<QPair<QString, QString>> TxtPage::MapLines() const
{
    QList<QPair<QString, QString>> lines;
    for (int i = 0; i < ui->lvTXTFields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ui->lvTXTFields->topLevelItem(i);
        if (BoxNumber(item->text(2), -1) > 0)
            lines.append(
                {item->text(0), QStringLiteral("%1;%2").arg(item->text(1), item->text(2))});
    }
    return lines;
}

bool TxtPage::FieldPosSize(const QString& Field, int& Position, int& Size) const
{
    const auto found = ui->lvTXTFields->findItems(Field, Qt::MatchFixedString);
    if (found.isEmpty())
        return false;
    Position = BoxNumber(found.first()->text(1), -1);
    Size = BoxNumber(found.first()->text(2), -1);
    return Position >= 0 && Size >= 0;
}

void TxtPage::SetFieldPosSize(const QString& Field, int Position, int Size)
{
    const auto found = ui->lvTXTFields->findItems(Field, Qt::MatchFixedString);
    if (found.isEmpty())
        return;
    const bool set = Position >= 0 && Size >= 0;
    found.first()->setText(1, set ? QString::number(Position) : QString());
    found.first()->setText(2, set ? QString::number(Size) : QString());
    if (!F->NeedReload)
        DrawArrows();
    F->TuneButtons();
}

void TxtPage::FieldChanged()
{
    const QTreeWidgetItem* item = ui->lvTXTFields->currentItem();
    if (item) {
        const int p = BoxNumber(item->text(1), -1);
        const int s = BoxNumber(item->text(2), -1);
        const QSignalBlocker block(Viewer);
        Viewer->SetSelection(p, s);
        Viewer->update();
    }
    F->TuneButtons();
}

void TxtPage::ViewerSelectionChanged()
{
    QTreeWidgetItem* item = ui->lvTXTFields->currentItem();
    if (item) {
        int start = -1;
        int size = -1;
        Viewer->GetSelection(start, size);
        const bool set = start >= 0 && size >= 0;
        if (set)
            F->CheckWritable(item->text(0));
        item->setText(1, set ? QString::number(start) : QString());
        item->setText(2, set ? QString::number(size) : QString());
    }
    F->TuneButtons();
}

void TxtPage::ArrowRemoved(int X)
{
    for (int i = 0; i < ui->lvTXTFields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ui->lvTXTFields->topLevelItem(i);
        const int p = BoxNumber(item->text(1), -1);
        const int s = BoxNumber(item->text(2), -1);
        if (p >= 0 && s >= 0 && (p == X || p + s == X)) {
            item->setText(1, QString());
            item->setText(2, QString());
        }
    }
    F->TuneButtons();
}

void TxtPage::ArrowMoved(int X, int Y)
{
    for (int i = 0; i < ui->lvTXTFields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ui->lvTXTFields->topLevelItem(i);
        const int p = BoxNumber(item->text(1), -1);
        const int s = BoxNumber(item->text(2), -1);
        if (p < 0 || s < 0)
            continue;
        if (p == X)
            item->setText(1, QString::number(Y));
        else if (p + s == X)
            item->setText(2, QString::number(Y - p));
    }
    F->TuneButtons();
}

void TxtPage::ClearClick()
{
    for (int i = 0; i < ui->lvTXTFields->topLevelItemCount(); ++i) {
        ui->lvTXTFields->topLevelItem(i)->setText(1, QString());
        ui->lvTXTFields->topLevelItem(i)->setText(2, QString());
    }
    FieldChanged();
}

TDurvel3* TxtPage::Reader()
{
    return F->TextReader();
}

void TxtPage::CopyOptions(TDurvel3& Reader) const
{
    auto& ascii = dynamic_cast<TDurvel3ASCII&>(Reader);
    ascii.Quote = F->Quote();
    // Fixed width is told by the separator #0.
    ascii.Comma = QChar();
    ascii.SkipFirstRows = FTXTSkipLines;
    ascii.Encoding = TDurvelCharsetType(FTXTEncoding);
    ascii.EncodingChosen = FTXTEncodingChosen;
}

void TxtPage::SaveTemplate(IniFile& Ini) const
{
    for (const auto& [field, value] : MapLines())
        Ini.writeString(kMapSection, field, value);
    Ini.writeInteger(kOptionsSection, QStringLiteral("SkipLines"), FTXTSkipLines);
    Ini.writeInteger(kOptionsSection, QStringLiteral("Encoding"), FTXTEncoding);
}

// A new file takes the loaded template's map, skip lines and encoding again; the encoding before
// the file is read, so the viewer shows the text in it.
void TxtPage::ReloadTemplate()
{
    const QString name = F->LoadedTemplateName();
    if (name.isEmpty() || !QFileInfo(name).isFile())
        return;
    const IniFile ini(name);
    ApplyTemplate(ini);
}

void TxtPage::LoadTemplate(const IniFile& Ini)
{
    ApplyTemplate(Ini);
    if (!F->NeedReload)
        DrawArrows();
    F->TuneButtons();
}

void TxtPage::ApplyTemplate(const IniFile& Ini)
{
    SetTXTSkipLines(Ini.readCount(kOptionsSection, QStringLiteral("SkipLines"), 0));
    const qint64 encoding = Ini.readInteger(kOptionsSection, QStringLiteral("Encoding"), -1);
    if (encoding >= 0 && encoding < CodePageTableSize) {
        SetTXTEncoding(int(encoding));
    } else {
        FTXTEncodingChosen = false;
        ShowTXTEncoding(ctWinDefined);
    }
    for (const QString& field : Ini.keys(kMapSection)) {
        const auto found = ui->lvTXTFields->findItems(field, Qt::MatchFixedString);
        if (found.isEmpty())
            continue;
        const QString value = Ini.readString(kMapSection, field);
        const int semi = value.indexOf(u';');
        found.first()->setText(1, semi < 0 ? value : value.left(semi));
        found.first()->setText(2, semi < 0 ? QString() : value.mid(semi + 1));
    }
}
