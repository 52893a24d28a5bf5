#include "import/wizard/Durvel3WizardF.h"

#include "ui_Durvel3WizardF.h"

#include "import/engine/Durvel3ASCII.h"
#include "import/engine/support/DurvelUtils.h"
#include "import/wizard/dialogs/fuDurvel3Loading.h"
#include "import/wizard/dialogs/fuDurvel3ProgressDlg.h"
#include "import/wizard/pages/CSVPage.h"
#include "import/wizard/pages/FormatsPage.h"
#include "import/wizard/pages/LastPage.h"
#include "import/wizard/pages/SourcePage.h"
#include "import/wizard/pages/TXTPage.h"
#include "import/wizard/widgets/Durvel3InfoPanel.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/ini/IniFile.h"
#include "platform/shell/Shell.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>

namespace {

// The relays and the yield let the window repaint at most this often while a reader runs.
constexpr int kPumpIntervalMs = 40;

const QString kFirstStep = QStringLiteral("FIRST_STEP");
const QString kTemplateFilter =
    QStringLiteral("Kestrum Template files (*.imp)| *.imp|All files (*.*)|*.*");

// "Text files (*.txt)|*.txt|All files (*.*)|*.*" as a Qt file-dialog filter.
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1).trimmed();
        patterns.replace(u';', u' ');
        if (patterns == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        QString label = parts.at(i);
        label = label.left(label.indexOf(u'(')).trimmed();
        result << QStringLiteral("%1 (%2)").arg(label, patterns);
    }
    return result.join(QStringLiteral(";;"));
}

// The program lays its windows out right to left and painters take that direction by default,
// so "< &Back" would read "Back >" on this left-to-right window: text is drawn in the direction
// of the widget it is painted on.
class OwnDirectionStyle : public QProxyStyle
{
public:
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal,
                      bool enabled, const QString& text,
                      QPalette::ColorRole textRole) const override
    {
        const Qt::LayoutDirection before = painter->layoutDirection();
        if (auto* w = dynamic_cast<QWidget*>(painter->device()))
            painter->setLayoutDirection(w->layoutDirection());
        QProxyStyle::drawItemText(painter, rect, flags, pal, enabled, text, textRole);
        painter->setLayoutDirection(before);
    }
};

void useOwnTextDirection(QWidget* root)
{
    static OwnDirectionStyle* style = new OwnDirectionStyle;
    for (QWidget* w : root->findChildren<QWidget*>())
        w->setStyle(style);
}

// A loading window still waiting out its time stays on top: it would hide the message.
void showFailure(const QString& Text, QWidget* Parent)
{
    TfmDurvel3Loading::CloseFinished();
    dialogs::showError(Text, Parent);
}

QString trimControl(const QString& s)
{
    return DurvelTrimName(s);
}

// The wizard's own side image, drawn here: a sheet of rows flowing into a table store.
QPixmap sideImage(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    sky.setColorAt(1, QColor(0x9C, 0xC3, 0xE6));
    p.fillRect(pixmap.rect(), sky);

    // The sheet: a white page with a header row and ruled cells.
    const QRectF sheet(w * 0.18, h * 0.08, w * 0.64, h * 0.30);
    p.setPen(QPen(QColor(0x20, 0x30, 0x40), 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 4, 4);
    p.fillRect(QRectF(sheet.left() + 1, sheet.top() + 1, sheet.width() - 2, sheet.height() / 6),
               QColor(0x3A, 0x8E, 0x4C));
    p.setPen(QPen(QColor(0xA0, 0xA8, 0xB0), 1));
    for (int r = 1; r < 6; ++r) {
        const qreal y = sheet.top() + r * sheet.height() / 6;
        p.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
    }
    for (int c = 1; c < 3; ++c) {
        const qreal x = sheet.left() + c * sheet.width() / 3;
        p.drawLine(QPointF(x, sheet.top() + sheet.height() / 6), QPointF(x, sheet.bottom() - 3));
    }

    // The arrow down.
    const qreal cx = w / 2;
    const qreal top = sheet.bottom() + h * 0.04;
    const qreal tip = h * 0.60;
    QPainterPath arrow;
    arrow.moveTo(cx - w * 0.08, top);
    arrow.lineTo(cx + w * 0.08, top);
    arrow.lineTo(cx + w * 0.08, tip - h * 0.06);
    arrow.lineTo(cx + w * 0.18, tip - h * 0.06);
    arrow.lineTo(cx, tip);
    arrow.lineTo(cx - w * 0.18, tip - h * 0.06);
    arrow.lineTo(cx - w * 0.08, tip - h * 0.06);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x50, 0x00), 1.5));
    p.setBrush(QColor(0xF2, 0xB1, 0x34));
    p.drawPath(arrow);

    // The store: a cylinder of three discs.
    const qreal rx = w * 0.30;
    const qreal ry = h * 0.03;
    const qreal body = h * 0.20;
    const qreal y0 = tip + h * 0.06;
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    QLinearGradient metal(cx - rx, 0, cx + rx, 0);
    metal.setColorAt(0, QColor(0xB8, 0xB8, 0xC0));
    metal.setColorAt(0.5, QColor(0xF4, 0xF4, 0xF8));
    metal.setColorAt(1, QColor(0x98, 0x98, 0xA0));
    QPainterPath can;
    can.moveTo(cx - rx, y0);
    can.lineTo(cx - rx, y0 + body);
    can.arcTo(QRectF(cx - rx, y0 + body - ry, 2 * rx, 2 * ry), 180, 180);
    can.lineTo(cx + rx, y0);
    can.arcTo(QRectF(cx - rx, y0 - ry, 2 * rx, 2 * ry), 0, -180);
    p.setBrush(metal);
    p.drawPath(can);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i < 3; ++i)
        p.drawArc(QRectF(cx - rx, y0 + i * body / 3 - ry, 2 * rx, 2 * ry), 180 * 16, 180 * 16);
    p.setBrush(QColor(0xE0, 0xE4, 0xEC));
    p.drawEllipse(QRectF(cx - rx, y0 - ry, 2 * rx, 2 * ry));
    return pixmap;
}

} // namespace

TDurvel3WizardF::TDurvel3WizardF(TDurvel3Wizard* Owner)
    : QDialog(qobject_cast<QWidget*>(Owner->parent())), ui(new Ui::TDurvel3WizardF), FWizard(Owner),
      FDataSet(Owner->DataSet), FDBGrid(Owner->DBGrid), FListView(Owner->ListView),
      FStringGrid(Owner->StringGrid)
{
    ui->setupUi(this);
    // The formats page takes the place the window keeps for it.
    FormatPage = new FormatsPage(this);
    ui->pgImport->insertWidget(ui->pgImport->indexOf(ui->tsFormats), FormatPage);
    ui->pgImport->removeWidget(ui->tsFormats);
    delete ui->tsFormats;
    ui->tsFormats = FormatPage;
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setModal(true);

    impASCII = std::make_unique<TDurvel3ASCII>();
    impASCII->AddType = datInsert;

    // The pages are laid out for a compact font: the program's Persian fonts space lines far
    // apart, so that lists show half their rows and the hint panel one line of two. The
    // wizard's texts are English; Persian data falls back to a font that has it.
    QFont compact = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    compact.setPixelSize(12);
    // Named as a list too, or the program's list of Persian families would stand before it.
    compact.setFamilies({compact.family()});
    setFont(compact);

    InfoPanel = new TInfoPanel(this);
    InfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    InfoPanel->SetAutoSize(false);
    InfoPanel->SetWordWrap(true);
    InfoPanel->setFont(compact);
    InfoPanel->hide();

    // Each kind's page, in kind order before the formats page; each reader is bound once.
    std::vector<TDurvel3*> bound;
    for (int kind = 0; kind < ImportKindCount; ++kind) {
        SourcePage* page = CreateSourcePage(kind, this);
        if (!page)
            continue;
        FPages[std::size_t(kind)] = page;
        ui->pgImport->insertWidget(ui->pgImport->indexOf(ui->tsFormats), page);
        TDurvel3* reader = page->Reader();
        if (reader && std::find(bound.begin(), bound.end(), reader) == bound.end()) {
            reader->AddType = datInsert;
            BindRelays(reader);
            bound.push_back(reader);
        }
    }
    TXTPage = dynamic_cast<TxtPage*>(Page(aiTXT));
    CSVPage = dynamic_cast<CsvPage*>(Page(aiCSV));
    CommitPage = new LastPage(this);
    ui->pgImport->addWidget(CommitPage);
    ui->pgImport->setCurrentWidget(ui->tsImportType);

    // Buttons and the first page's handlers.
    connect(ui->bNext, &QPushButton::clicked, this, Guard(this, &TDurvel3WizardF::bNextClick));
    connect(ui->bBack, &QPushButton::clicked, this, Guard(this, &TDurvel3WizardF::bBackClick));
    connect(ui->bOk, &QPushButton::clicked, this, Guard(this, &TDurvel3WizardF::bOkClick));
    connect(ui->bHelp, &QPushButton::clicked, this, Guard(this, &TDurvel3WizardF::bHelpClick));
    connect(ui->bCancel, &QPushButton::clicked, this, Guard(this, &TDurvel3WizardF::reject));
    connect(ui->spbBrowse, &QToolButton::clicked, this,
            Guard(this, &TDurvel3WizardF::spbBrowseClick));
    connect(ui->edtFileName, &QLineEdit::textChanged, this,
            [this](const QString& text) { Guarded([&] { SetFileName(text); }); });
    connect(ui->cbComma->lineEdit(), &QLineEdit::editingFinished, this,
            Guard(this, &TDurvel3WizardF::cbCommaExit));
    connect(ui->cbComma, &QComboBox::activated, this, Guard(this, &TDurvel3WizardF::cbCommaExit));
    connect(ui->cbQuote->lineEdit(), &QLineEdit::editingFinished, this,
            Guard(this, &TDurvel3WizardF::cbQuoteExit));
    connect(ui->cbQuote, &QComboBox::activated, this, Guard(this, &TDurvel3WizardF::cbQuoteExit));
    for (int kind = 0; kind < ImportKindCount; ++kind) {
        auto* rb = findChild<QRadioButton*>(QLatin1String(ImportKind(kind).RadioButton));
        connect(rb, &QRadioButton::clicked, this, [this, kind] {
            Guarded([&] {
                if (!FRunning)
                    SetImportType(kind);
            });
        });
    }
    connect(ui->chGoToLastPage, &QCheckBox::toggled, this,
            Guard(this, &TDurvel3WizardF::SetGoToLastPage));
    connect(ui->btnLoadTemplate, &QPushButton::clicked, this,
            Guard(this, &TDurvel3WizardF::btnLoadTemplateClick));
    connect(ui->btnSaveTemplate, &QPushButton::clicked, this,
            Guard(this, &TDurvel3WizardF::btnSaveTemplateClick));
    connect(ui->chAutoSaveTemplate, &QCheckBox::toggled, this,
            Guard(this, &TDurvel3WizardF::SetAutoSaveTemplate));

    // Help as the component asks, where there is a help file to show.
    const bool help = HelpAvailable();
    ui->bHelp->setVisible(help);
    ui->bHelp->setEnabled(help);
    ui->btnLoadTemplate->setVisible(FWizard->ShowSaveLoadButtons);
    ui->btnLoadTemplate->setEnabled(FWizard->ShowSaveLoadButtons);
    ui->btnSaveTemplate->setVisible(FWizard->ShowSaveLoadButtons);
    ui->btnSaveTemplate->setEnabled(FWizard->ShowSaveLoadButtons);
    const bool tagVisible = !FWizard->ShowSaveLoadButtons && FWizard->AutoLoadTemplate;
    ui->laTemplateFileNameTag->setVisible(tagVisible);
    ui->laTemplateFileName->setVisible(FWizard->ShowSaveLoadButtons || FWizard->AutoLoadTemplate);
    // Without the buttons and a template name no template is ever loaded or saved: options
    // about templates would do nothing.
    ui->gbTemplateOptions->setEnabled(FWizard->ShowSaveLoadButtons ||
                                      !trimControl(FWizard->TemplateFileName).isEmpty());

    SetFileName(FWizard->FileName);
    SetGoToLastPage(FWizard->GoToLastPage);
    SetAutoSaveTemplate(FWizard->AutoSaveTemplate);
    FillLists();
    ui->laAccessPassword->setEnabled(false);
    ui->edAccessPassword->setEnabled(false);
    ui->laComma->setEnabled(false);
    ui->cbComma->setEnabled(false);
    ui->laQuote->setEnabled(false);
    ui->cbQuote->setEnabled(false);
    ui->cbComma->setCurrentText(QString());
    ui->cbQuote->setCurrentText(QString());

    const TAllowedImports available = AvailableImports();
    for (int kind = 0; kind < ImportKindCount; ++kind) {
        auto* rb = findChild<QRadioButton*>(QLatin1String(ImportKind(kind).RadioButton));
        rb->setEnabled(FWizard->AllowedImports.Contains(kind) && available.Contains(kind));
    }
    for (TAllowedImport kind : ImportKindCheckOrder) {
        auto* rb = findChild<QRadioButton*>(QLatin1String(ImportKind(kind).RadioButton));
        if (rb->isEnabled()) {
            rb->setChecked(true);
            SetImportType(kind);
            break;
        }
    }

    FormatPage->LoadFromWizard(*FWizard);
    FormatPage->LoadWordLists(*FWizard);
    CommitPage->LoadFromWizard(*FWizard);

    SetStep(0);
    NeedReload = true;

    ui->Image->setPixmap(FWizard->Picture().isNull() ? sideImage(ui->Image->size())
                                                     : FWizard->Picture());
    UpdateCaption();
    useOwnTextDirection(this);
    // Under a window with a style sheet (the register has one) a control takes the program's
    // font, not the wizard's: each is given the compact font unless it has its own (the
    // previews' fixed pitch).
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->testAttribute(Qt::WA_SetFont))
            w->setFont(font());

    // A failed automatic load ends the creation, so the wizard's Execute fails with it.
    if (FWizard->AutoLoadTemplate) {
        if (FWizard->OnLoadTemplate)
            FWizard->OnLoadTemplate(FWizard, FWizard->TemplateFileName);
        LoadTemplate(FWizard->TemplateFileName);
    }
}

TDurvel3WizardF::~TDurvel3WizardF()
{
    ReleaseProgressDialog();
}

DurvelDestinationRef TDurvel3WizardF::Destination() const
{
    return {FWizard->ImportDestination, FDataSet, FDBGrid, FListView, FStringGrid,
            FWizard->GridCaptionRow};
}

bool TDurvel3WizardF::ColumnWritable(const QString& Column) const
{
    const DurvelDestinationRef dest = Destination();
    const int index = dest.ColumnIndex(Column);
    return index < 0 || dest.ColumnWritable(index);
}

void TDurvel3WizardF::CheckWritable(const QString& Column) const
{
    if (!ColumnWritable(Column))
        throw EDurvelError(
            QStringLiteral("%1 is filled in by the destination itself and cannot be imported.")
                .arg(Column));
}

void TDurvel3WizardF::Guarded(const std::function<void()>& Body)
{
    try {
        Body();
    } catch (const EDurvelError& e) {
        showFailure(e.message(), this);
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()), this);
    } catch (...) {
        showFailure(QStringLiteral("Unknown error"), this);
    }
}

void TDurvel3WizardF::FillLists()
{
    const DurvelDestinationRef dest = Destination();
    QStringList columns;
    if (dest.IsAssigned())
        for (int i = 0; i < dest.ColumnCount(); ++i)
            columns << dest.ColumnName(i);
    for (SourcePage* page : FPages)
        if (page)
            page->FillFields(columns);
    FormatPage->FillFormatFields(columns, FWizard->FieldFormats());
    CommitPage->FillKeyColumns(columns, FWizard->KeyColumns().ToStringList());
}

// ---- first page --------------------------------------------------------------------------------

void TDurvel3WizardF::SetImportType(int Kind)
{
    if (Kind == FImportType)
        return;
    if (!FWizard->AllowedImports.Contains(Kind) || !AvailableImports().Contains(Kind))
        RaiseImportError(DurvelStr::UnknownImportSource);
    FImportType = Kind;
    // Another kind's page has not read the file as this kind reads it (XML and XML document
    // share their files); what the clerk mapped on it stays.
    NeedReload = true;
    findChild<QRadioButton*>(QLatin1String(ImportKind(Kind).RadioButton))->setChecked(true);
    ApplyExtensionRule();
    ui->laAccessPassword->setEnabled(Kind == aiAccess);
    ui->edAccessPassword->setEnabled(Kind == aiAccess);
    const bool csv = Kind == aiCSV;
    ui->laComma->setEnabled(csv);
    ui->cbComma->setEnabled(csv);
    ui->laQuote->setEnabled(csv);
    ui->cbQuote->setEnabled(csv);
    if (csv) {
        if (ui->cbComma->currentText().isEmpty())
            SetComma(GetListSeparator());
        if (ui->cbQuote->currentText().isEmpty())
            SetQuote(u'"');
        cbCommaExit();
        cbQuoteExit();
    }
    TuneButtons();
}

// A name whose extension already fits the kind is left as it is (".htm" fits HTML, in any
// letter case); Linux tells names apart by case.
void TDurvel3WizardF::ApplyExtensionRule()
{
    if (!FWizard->AutoChangeExtension || !FExtensionRule || FImportType < 0)
        return;
    const QString name = trimControl(FFileName);
    if (name.isEmpty())
        return;
    if (FitsKind(name, FImportType))
        return;
    const QString wanted = QLatin1String(ImportKind(FImportType).Extension);
    const QFileInfo info(name);
    const QString suffix = info.suffix();
    // Only the file's own name carries an extension; a dot in a folder name is not one.
    const QString base = suffix.isEmpty() ? name : name.left(name.size() - suffix.size() - 1);
    SetFileName(base + wanted);
}

void TDurvel3WizardF::SetFileName(const QString& Name)
{
    const QString name = trimControl(Name);
    if (name == FFileName)
        return;
    FFileName = name;
    if (ui->edtFileName->text() != name) {
        const QSignalBlocker block(ui->edtFileName);
        ui->edtFileName->setText(name);
    }
    NeedReload = true;
    if (SourcePage* page = CurrentPage())
        page->SourceChanged();
    TuneButtons();
    UpdateCaption();
}

void TDurvel3WizardF::SetComma(QChar Ch)
{
    if (Ch == FComma)
        return;
    FComma = Ch;
    QString text;
    if (Ch == u'\t')
        text = QStringLiteral("TAB");
    else if (Ch == u' ')
        text = QStringLiteral("SPACE");
    else
        text = CharToSepText(Ch);
    ui->cbComma->setCurrentText(text);
    if (CSVPage)
        CSVPage->ClearColumns();
    NeedReload = true;
    TuneButtons();
}

void TDurvel3WizardF::SetQuote(QChar Ch)
{
    if (Ch == FQuote)
        return;
    FQuote = Ch;
    ui->cbQuote->setCurrentText(CharToSepText(Ch));
    if (CSVPage)
        CSVPage->ClearColumns();
    NeedReload = true;
}

void TDurvel3WizardF::cbCommaExit()
{
    if (!ui->cbComma->isEnabled())
        return;
    const QString text = ui->cbComma->currentText();
    if (text.compare(QLatin1String("TAB"), Qt::CaseInsensitive) == 0)
        SetComma(u'\t');
    else if (text.compare(QLatin1String("SPACE"), Qt::CaseInsensitive) == 0)
        SetComma(u' ');
    else
        SetComma(SepTextToChar(text, FComma));
}

void TDurvel3WizardF::cbQuoteExit()
{
    if (!ui->cbQuote->isEnabled())
        return;
    SetQuote(SepTextToChar(ui->cbQuote->currentText(), FQuote));
}

void TDurvel3WizardF::SetGoToLastPage(bool Value)
{
    FGoToLastPage = Value;
    FWizard->GoToLastPage = Value;
    if (ui->chGoToLastPage->isChecked() != Value)
        ui->chGoToLastPage->setChecked(Value);
}

void TDurvel3WizardF::SetAutoSaveTemplate(bool Value)
{
    FAutoSaveTemplate = Value;
    FWizard->AutoSaveTemplate = Value;
    if (ui->chAutoSaveTemplate->isChecked() != Value)
        ui->chAutoSaveTemplate->setChecked(Value);
}

void TDurvel3WizardF::spbBrowseClick()
{
    dialogs::FileRequest request;
    request.filter = qtFilter(QLatin1String(ImportKind(FImportType).Filter));
    request.directory = FFileName;
    const QString chosen = dialogs::chooseFile(request, this);
    if (!chosen.isEmpty())
        ui->edtFileName->setText(chosen);
}

void TDurvel3WizardF::UpdateCaption()
{
    QString caption = LoadImportStr(DurvelStr::WizardCaption);
    if (!FFileName.isEmpty())
        caption += QStringLiteral(" - ") + FormatImportStr(DurvelStr::ImportFrom, {}) +
                   QLatin1Char(' ') + QFileInfo(FFileName).fileName();
    setWindowTitle(caption);
}

void TDurvel3WizardF::PlaceInfoPanel(QWidget* Parent, int Left, const QString& Text, int Width,
                                     int Height, int Top)
{
    InfoPanel->setParent(Parent);
    InfoPanel->setGeometry(Left, Top, Width, Height);
    InfoPanel->SetCaption(Text);
    InfoPanel->show();
}

QString TDurvel3WizardF::HelpFileName()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("DurvelWizard.hlp"));
}

bool TDurvel3WizardF::HelpAvailable() const
{
    return FWizard->ShowHelpButton && QFileInfo(HelpFileName()).isFile();
}

void TDurvel3WizardF::bHelpClick()
{
    const QString help = HelpFileName();
    if (QFileInfo(help).isFile())
        Shell::openDocument(help);
}

// ---- steps -------------------------------------------------------------------------------------

SourcePage* TDurvel3WizardF::Page(int Kind) const
{
    return Kind >= 0 && Kind < ImportKindCount ? FPages[std::size_t(Kind)] : nullptr;
}

bool TDurvel3WizardF::PageComplete(int Kind) const
{
    const SourcePage* page = Page(Kind);
    return page && page->MapReady();
}

int TDurvel3WizardF::OptionSteps() const
{
    const SourcePage* page = CurrentPage();
    return page ? page->StepCount() : 1;
}

void TDurvel3WizardF::AddPage(QWidget* Page)
{
    if (ui->pgImport->indexOf(Page) < 0)
        ui->pgImport->insertWidget(ui->pgImport->indexOf(ui->tsFormats), Page);
}

void TDurvel3WizardF::ShowPage(QWidget* Page)
{
    AddPage(Page);
    ui->pgImport->setCurrentWidget(Page);
}

void TDurvel3WizardF::CheckSource() const
{
    if (!QFileInfo(FFileName).isFile())
        RaiseImportError(DurvelStr::FileNotExists, FFileName);
    TDurvel3::CheckNotEmpty(FFileName);
    static const QStringList known = {".xls", ".xlsx", ".docx", ".ods", ".odt", ".dbf", ".db",
                                      ".htm", ".html", ".xml",  ".txt", ".csv", ".mdb", ".accdb"};
    const QString wanted = QLatin1String(ImportKind(FImportType).Extension);
    const QString ext = QFileInfo(FFileName).suffix().toLower();
    if (!known.contains(u'.' + ext))
        RaiseImportError(DurvelStr::WrongFileType, wanted);
    if (!FitsKind(FFileName, FImportType))
        RaiseImportError(DurvelStr::WrongFileType, wanted);
    if (!Destination().IsActive())
        RaiseImportError(DurvelStr::ClosedDestination);
}

void TDurvel3WizardF::SetStep(int NewStep)
{
    if (NewStep == FStep)
        return;
    if (NewStep == 1)
        CheckSource();
    FStep = NewStep;
    try {
        ShowStepPage();
    } catch (...) {
        // The page stays with the message; its buttons are those of what it now holds.
        TuneButtons();
        throw;
    }
}

void TDurvel3WizardF::ShowStepPage()
{
    const auto stepText = [](int n, int of) {
        return QStringLiteral("Step %1 of %2").arg(n).arg(of);
    };
    const int options = OptionSteps();
    const int total = options + 2;
    if (FStep == 0) {
        ui->pgImport->setCurrentWidget(ui->tsImportType);
        InfoPanel->hide();
    } else if (FStep <= options) {
        if (SourcePage* page = CurrentPage())
            page->ShowStep(FStep, total);
    } else if (FStep == options + 1) {
        InfoPanel->hide();
        FormatPage->ShowFormatsPage(stepText(total - 1, total));
    } else if (FStep == total) {
        InfoPanel->hide();
        CommitPage->ShowLastPage(stepText(total, total));
        ui->bOk->setEnabled(true);
    }
    TuneButtons();
}

void TDurvel3WizardF::TuneButtons()
{
    if (FRunning)
        return;
    const SourcePage* page = CurrentPage();
    const int options = OptionSteps();
    bool next = false;
    if (FStep == 0)
        next = !FFileName.isEmpty() && (FImportType != aiCSV || !FComma.isNull());
    else if (FStep <= options)
        next = page && page->StepReady(FStep);
    else
        next = FStep == options + 1;
    // Nothing goes on from a file the page refused; the first page chooses another.
    const bool refused = FStep >= 1 && page && page->Refused();
    ui->bNext->setEnabled(next && !refused);
    FormatPage->TuneReplacementButtons(FStep == options + 1);
    ui->bBack->setEnabled(FStep >= 1);
    // The import may run from the last option step as soon as the map is complete.
    ui->bOk->setEnabled(!refused &&
                        (FStep > options || (FStep == options && page && page->MapReady())));
}

void TDurvel3WizardF::bNextClick()
{
    Guarded([this] {
        if (FRunning)
            return;
        if (FStep >= 1 && FStep <= OptionSteps() && !CurrentPage()->StepReady(FStep))
            return;
        if (FStep == OptionSteps())
            if (SourcePage* page = CurrentPage(); page && !page->ConfirmLeave())
                return;
        SetStep(FStep + 1);
    });
}

void TDurvel3WizardF::bBackClick()
{
    Guarded([this] {
        if (!FRunning && FStep > 0)
            SetStep(FStep - 1);
    });
}

// ---- closing -----------------------------------------------------------------------------------

bool TDurvel3WizardF::CloseQuery()
{
    if (FRunning)
        return false;
    if (FWizard->ConfirmOnCancel) {
        dialogs::Message m;
        m.title = QStringLiteral("Question");
        m.text = QStringLiteral("Do you want to quit?");
        m.icon = dialogs::Icon::Question;
        m.buttons = dialogs::Button::Yes | dialogs::Button::No;
        m.defaultButton = dialogs::Button::No;
        m.rightToLeft = false;
        if (dialogs::show(m, this) != dialogs::Button::Yes)
            return false;
    }
    if (FAutoSaveTemplate)
        Guarded([this] { SaveTemplate(FWizard->TemplateFileName); });
    return true;
}

void TDurvel3WizardF::reject()
{
    if (CloseQuery())
        QDialog::reject();
}

void TDurvel3WizardF::closeEvent(QCloseEvent* event)
{
    // The close box goes through reject() and its question; a running import keeps the window.
    if (FRunning) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TDurvel3WizardF::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        if (QScreen* s = screen())
            move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

// ---- template files ----------------------------------------------------------------------------

void TDurvel3WizardF::SaveTemplate(const QString& FileName)
{
    const QString name = trimControl(FileName);
    if (name.isEmpty())
        return;
    IniFile ini(name);
    // The file holds only what this template says.
    EraseAllSections(ini);
    ini.writeInteger(kFirstStep, QStringLiteral("ImportType"), FImportType);
    ini.writeString(kFirstStep, QStringLiteral("FileName"), FFileName);
    ini.writeBool(kFirstStep, QStringLiteral("GoToLastPage"), FGoToLastPage);
    ini.writeBool(kFirstStep, QStringLiteral("AutoSaveTemplate"), FAutoSaveTemplate);
    if (const SourcePage* page = CurrentPage())
        page->SaveTemplate(ini);
    // The formats page's sections, then the last page's.
    FormatPage->SaveTemplate(ini);
    CommitPage->SaveTemplate(ini);
    ini.save();
}

void TDurvel3WizardF::ShowTemplateName(const QString& FileName)
{
    const bool buttons = FWizard->ShowSaveLoadButtons;
    const QRect tag = ui->laTemplateFileNameTag->geometry();
    ui->laTemplateFileName->setGeometry(buttons ? 168 : 12, tag.top(), buttons ? 233 : 389,
                                        tag.height());
    ui->laTemplateFileNameTag->move(12, tag.top());
    const bool exists = QFileInfo(FileName).isFile();
    ui->laTemplateFileNameTag->setVisible(exists && !buttons);
    ui->laTemplateFileName->setVisible(buttons || exists);
    if (!exists)
        return;
    const QFontMetrics metrics = ui->laTemplateFileName->fontMetrics();
    QString shown;
    ShortenFileName(
        FileName, [&](const QString& s) { return metrics.horizontalAdvance(s); },
        ui->laTemplateFileName->width(), shown);
    ui->laTemplateFileName->setText(shown);
    ui->laTemplateFileName->setToolTip(FileName);
}

void TDurvel3WizardF::LoadTemplate(const QString& FileName)
{
    const QString name = trimControl(FileName);
    ShowTemplateName(name);
    if (!QFileInfo(name).isFile())
        RaiseImportError(DurvelStr::FileNotExists, name);
    const IniFile ini(name);

    // The kind first, then the file name as the template stores it: the extension rule would
    // turn "data.htm" into another file.
    {
        FExtensionRule = false;
        struct Restore
        {
            bool& Flag;
            ~Restore() { Flag = true; }
        } restore{FExtensionRule};
        if (!FWizard->GoToLastPage)
            SetGoToLastPage(ini.readBool(kFirstStep, QStringLiteral("GoToLastPage"), false));
        if (!FWizard->AutoSaveTemplate)
            SetAutoSaveTemplate(
                ini.readBool(kFirstStep, QStringLiteral("AutoSaveTemplate"), false));
        const qint64 kind = ini.readInteger(kFirstStep, QStringLiteral("ImportType"), 0);
        if (kind < 0 || kind >= ImportKindCount)
            RaiseImportError(DurvelStr::UnknownImportSource);
        SetImportType(int(kind));
        // A template refused for its kind is not the one the pages read again.
        FTemplateFileName = name;
        SetFileName(ini.readString(kFirstStep, QStringLiteral("FileName")));
        FWizard->FileName = FFileName;
    }

    SourcePage* page = CurrentPage();
    if (page)
        page->LoadTemplate(ini);
    // The formats page's sections, then the last page's.
    FormatPage->LoadTemplate(ini, *FWizard);
    CommitPage->LoadTemplate(ini, *FWizard);

    if (FGoToLastPage && page) {
        page->PrepareJump();
        if (page->MapReady())
            JumpToLastPage();
    }
}

// Straight from the first page: the checks of the first step do not run for a template.
void TDurvel3WizardF::JumpToLastPage()
{
    SetStep(OptionSteps() + 2);
}

void TDurvel3WizardF::btnLoadTemplateClick()
{
    Guarded([this] {
        dialogs::FileRequest request;
        request.filter = qtFilter(kTemplateFilter);
        request.defaultSuffix = QStringLiteral("imp");
        request.directory = FTemplateFileName;
        const QString chosen = dialogs::chooseFile(request, this);
        if (chosen.isEmpty())
            return;
        if (FWizard->OnLoadTemplate)
            FWizard->OnLoadTemplate(FWizard, chosen);
        LoadTemplate(chosen);
    });
}

void TDurvel3WizardF::btnSaveTemplateClick()
{
    Guarded([this] {
        dialogs::FileRequest request;
        request.save = true;
        request.filter = qtFilter(kTemplateFilter);
        request.defaultSuffix = QStringLiteral("imp");
        request.directory = FTemplateFileName;
        const QString chosen = dialogs::chooseFile(request, this);
        if (!chosen.isEmpty())
            SaveTemplate(chosen);
    });
}

// ---- running the import ------------------------------------------------------------------------

TDurvel3* TDurvel3WizardF::ReaderFor(int Kind) const
{
    SourcePage* page = Page(Kind);
    return page ? page->Reader() : nullptr;
}

QString TDurvel3WizardF::ResolveErrorLogFileName(const QString& Typed, bool* Resolved)
{
    if (Resolved)
        *Resolved = false;
    const QString name = Typed.trimmed();
    if (name.isEmpty())
        return QString(); // no log
    const QFileInfo info(name);
    // Only a name the clerk chose in the file dialog names a folder of the disk.
    if (info.isAbsolute()) {
        if (!QFileInfo(info.path()).isDir())
            return QDir(QCoreApplication::applicationDirPath()).filePath(info.fileName());
        return info.absoluteFilePath();
    }
    // Any other, a template's above all, lies in the program's folder, never the current one.
    const QString path = TDurvel3::ResolveProgramFolderName(name);
    if (Resolved)
        *Resolved = true;
    return path;
}

void TDurvel3WizardF::BuildImportMap(TDurvel3* Reader) const
{
    Reader->Map().Clear();
    QList<QPair<QString, QString>> lines;
    if (const SourcePage* page = CurrentPage())
        lines = page->MapLines();
    for (const auto& [name, value] : lines)
        Reader->Map().SetValues(name, value);
}

void TDurvel3WizardF::CopySettings(TDurvel3* Reader)
{
    Reader->DataSet = FDataSet;
    Reader->DBGrid = FDBGrid;
    Reader->ListView = FListView;
    Reader->StringGrid = FStringGrid;
    Reader->ImportDestination = FWizard->ImportDestination;
    Reader->GridCaptionRow = FWizard->GridCaptionRow;
    Reader->GridStartRow = FWizard->GridStartRow;
    Reader->SetFileName(FFileName);

    if (const SourcePage* page = CurrentPage())
        page->CopyOptions(*Reader);

    BuildImportMap(Reader);
    Reader->KeyColumns().Clear();
    for (const QString& key : CommitPage->SelectedKeyColumns())
        Reader->KeyColumns().Add(key);

    FormatPage->CopyInto(*Reader);
    CommitPage->CopyInto(*Reader);
    // The name is looked at only when a log is written: one leading outside the program's
    // folder does not stop an import without a log.
    bool resolved = false;
    Reader->ErrorLogFileName =
        Reader->ErrorLog ? ResolveErrorLogFileName(CommitPage->ErrorLogFileName(), &resolved)
                         : QString();
    Reader->ErrorLogFileNameResolved = resolved;
    FShowErrorLogAfter = Reader->ShowErrorLog;
    FErrorLogNotOpened.clear();
    // Told once the dialog shows the end, in front of it.
    Reader->OnShowErrorLog = [this](const QString& path) {
        if (!Shell::openDocument(path))
            FErrorLogNotOpened = path;
    };
    Reader->SetYieldHandler([this] { Pump(false); }, kPumpIntervalMs);
}

void TDurvel3WizardF::SetRunning(bool Value)
{
    FRunning = Value;
    // The frame, not the window: the progress dialog is a child of the window.
    ui->pgImport->setEnabled(!Value);
    for (QPushButton* b : {ui->bHelp, ui->bBack, ui->bNext, ui->bCancel, ui->bOk})
        b->setEnabled(!Value);
    if (!Value) {
        ui->bHelp->setEnabled(HelpAvailable());
        ui->bCancel->setEnabled(true);
        TuneButtons();
    }
}

void TDurvel3WizardF::bOkClick()
{
    if (FRunning)
        return;
    Guarded([this] { Run(); });
}

void TDurvel3WizardF::Run()
{
    CurrentImport = ReaderFor(FImportType);
    if (!CurrentImport)
        RaiseImportError(DurvelStr::UnknownImportSource);
    // A file the page refused is not imported, whatever map the page once held.
    if (FStep < 1 || CurrentPage()->Refused() ||
        (FStep <= OptionSteps() && !CurrentPage()->MapReady()))
        return;
    if (FStep >= 1 && FStep <= OptionSteps() && !CurrentPage()->ConfirmLeave())
        return;

    // Set back on every way out; explicitly, as it tunes the pages' buttons, which is no work for
    // a destructor.
    SetRunning(true);
    try {
        RunImport();
    } catch (...) {
        SetRunning(false);
        throw;
    }
    SetRunning(false);
}

void TDurvel3WizardF::RunImport()
{
    if (FWizard->ShowProgress) {
        FProgressDialog = new TfmDurvel3ProgressDlg(this, CurrentImport);
        FProgressDialog->show();
        PostProgress(1, 0);
        Pump(true);
    }

    bool started = false; // the log of an earlier run is not told again
    try {
        CopySettings(CurrentImport);
        started = true;
        CurrentImport->Execute();
    } catch (...) {
        // The import ended with an error: the dialog stays, aborted, with the rows the
        // destination keeps, and the error is shown in front of it.
        const std::exception_ptr error = std::current_exception();
        if (FProgressDialog) {
            PostRolledBack();
            PostProgress(TfmDurvel3ProgressDlg::pcKept, CurrentImport->KeptCount());
            PostProgress(1, 2);
            Pump(true);
        }
        ShowRunError(error);
        if (started)
            TellErrorLogIncomplete();
        TellErrorLogNotOpened();
        if (FProgressDialog) {
            PostProgress(5, 0);
            Pump(true);
        }
        if (FProgressDialog && !CommitPage->CloseAfterImport())
            WaitForProgressDialog();
        ReleaseProgressDialog();
        return;
    }

    if (FProgressDialog) {
        PostRolledBack();
        PostProgress(5, FShowErrorLogAfter ? 1 : 0);
        if (!CurrentImport->Canceled())
            PostProgress(1, 3);
        Pump(true);
    }
    TellErrorLogIncomplete();
    TellErrorLogNotOpened();
    if (FProgressDialog && !CommitPage->CloseAfterImport())
        WaitForProgressDialog();
    ReleaseProgressDialog();
    if (CommitPage->CloseAfterImport()) {
        FRunning = false;
        close();
    }
}

// Messages of the run go over the progress dialog while it is up, which then comes back to
// the front: the wizard waits on it.
QWidget* TDurvel3WizardF::RunMessageParent()
{
    if (FProgressDialog && FProgressDialog->isVisible())
        return FProgressDialog;
    return this;
}

void TDurvel3WizardF::AfterRunMessage()
{
    if (FProgressDialog)
        FProgressDialog->BringToFront();
}

void TDurvel3WizardF::ShowRunError(const std::exception_ptr& Error)
{
    QWidget* parent = RunMessageParent();
    try {
        std::rethrow_exception(Error);
    } catch (const EDurvelError& e) {
        showFailure(e.message(), parent);
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()), parent);
    } catch (...) {
        showFailure(QStringLiteral("Unknown error"), parent);
    }
    AfterRunMessage();
}

void TDurvel3WizardF::TellErrorLogIncomplete()
{
    if (!CurrentImport || CurrentImport->ErrorLogFailure().isEmpty())
        return;
    dialogs::Message m;
    m.text = CurrentImport->ErrorLogFailure();
    m.icon = dialogs::Icon::Warning;
    m.rightToLeft = false;
    dialogs::show(m, RunMessageParent());
    AfterRunMessage();
}

void TDurvel3WizardF::TellErrorLogNotOpened()
{
    if (FErrorLogNotOpened.isEmpty())
        return;
    dialogs::Message m;
    m.text = QStringLiteral("No program on this desktop opens text files; the error log is:") +
             u'\r' + QDir::toNativeSeparators(FErrorLogNotOpened);
    m.icon = dialogs::Icon::Warning;
    m.rightToLeft = false;
    FErrorLogNotOpened.clear();
    dialogs::show(m, RunMessageParent());
    AfterRunMessage();
}

void TDurvel3WizardF::PostProgress(int Code, int Value)
{
    if (FProgressDialog)
        FPending.emplace_back(Code, Value);
}

// Rows of a batch the import did not commit (a cancel, a failure) are no longer counted.
void TDurvel3WizardF::PostRolledBack()
{
    if (CurrentImport && CurrentImport->RolledBackCount() > 0)
        PostProgress(TfmDurvel3ProgressDlg::pcRolledBack, CurrentImport->RolledBackCount());
}

void TDurvel3WizardF::WaitForProgressDialog()
{
    Pump(true);
    if (FProgressDialog)
        FProgressDialog->WaitForOk();
}

void TDurvel3WizardF::ReleaseProgressDialog()
{
    delete FProgressDialog.data();
    FProgressDialog = nullptr;
}

void TDurvel3WizardF::Pump(bool Force)
{
    if (!Force && FPumpTimer.isValid() && FPumpTimer.elapsed() < kPumpIntervalMs)
        return;
    FPumpTimer.start();
    // The reports gathered since the last turn reach the dialog first, one by one and in
    // order; handed over while Qt's own queue is short, so the dialog's redraws are merged
    // instead of each being checked against thousands of waiting reports.
    if (FProgressDialog) {
        const std::vector<std::pair<int, int>> pending = std::move(FPending);
        FPending.clear();
        for (const auto& [code, value] : pending) {
            if (!FProgressDialog)
                break;
            TfmDurvel3ProgressDlg::TProgressEvent e(code, value);
            QCoreApplication::sendEvent(FProgressDialog, &e);
        }
    }
    FPending.clear();
    QCoreApplication::processEvents();
}

void TDurvel3WizardF::BindRelays(TDurvel3* Reader)
{
    Reader->OnBeforeImport = [this](TDurvel3* Sender) {
        TotalCount = Sender->TotalRecCount();
        if (FProgressDialog) {
            PostProgress(1, 1);
            PostProgress(6, TotalCount);
            Pump(true);
        }
        if (FWizard->OnBeforeImport)
            FWizard->OnBeforeImport(FWizard);
    };
    // "Finished" is posted only once the reader returned normally (see Run).
    Reader->OnAfterImport = [this](TDurvel3*) {
        if (FWizard->OnAfterImport)
            FWizard->OnAfterImport(FWizard);
    };
    Reader->OnImportRecord = [this](TDurvel3* Sender) {
        if (FProgressDialog) {
            PostProgress(3, Sender->RowAction());
            Pump(false);
        }
        if (FWizard->OnImportRecord)
            FWizard->OnImportRecord(FWizard);
    };
    Reader->OnImportError = [this](TDurvel3*) {
        if (FProgressDialog) {
            PostProgress(2, 1);
            Pump(false);
        }
        if (FWizard->OnImportRecord)
            FWizard->OnImportRecord(FWizard);
        if (FWizard->OnImportError)
            FWizard->OnImportError(FWizard);
    };
    Reader->OnReadProgress = [this](TDurvel3*, qint64 Done, qint64 Total) {
        if (FProgressDialog) {
            PostProgress(TfmDurvel3ProgressDlg::pcReadShare,
                         int(double(Done) / double(Total) * 10000.0));
            Pump(false);
        }
    };
    Reader->OnImportErrorAdv = [this](TDurvel3*) {
        if (FProgressDialog) {
            PostProgress(7, 1);
            Pump(false);
        }
        if (FWizard->OnImportErrorAdv)
            FWizard->OnImportErrorAdv(FWizard);
    };
    Reader->OnNeedCommit = [this](TDurvel3*) {
        if (FProgressDialog) {
            PostProgress(4, 0);
            Pump(false);
        }
        if (FWizard->OnNeedCommit)
            FWizard->OnNeedCommit(this);
    };
    Reader->OnImportCancel = [this](TDurvel3*, bool& Continue) { ImportCancelRelay(Continue); };
    Reader->OnBeforePost = [this](TDurvel3* Sender, TDurvelRow* Row, bool& Accept) {
        if (FWizard->OnBeforePost)
            FWizard->OnBeforePost(Sender, Row, Accept);
    };
    Reader->OnDestinationLocate = [this](TDurvel3* Sender, const QStringList& KeyColumns,
                                         TDurvelRow* Row, QStringList& KeyFields,
                                         QVariantList& KeyValues) {
        if (FWizard->OnDestinationLocate)
            FWizard->OnDestinationLocate(Sender, KeyColumns, Row, KeyFields, KeyValues);
    };
}

void TDurvel3WizardF::ImportCancelRelay(bool& Continue)
{
    if (FProgressDialog) {
        PostProgress(1, 4);
        Pump(true);
    }
    dialogs::Message m;
    m.title = QStringLiteral("Are you sure...");
    m.text = QStringLiteral("Are you sure you want to abort import?");
    m.icon = dialogs::Icon::Question;
    m.buttons = dialogs::Button::Yes | dialogs::Button::No;
    m.defaultButton = dialogs::Button::No;
    m.rightToLeft = false;
    Continue = dialogs::show(m, RunMessageParent()) == dialogs::Button::No;
    AfterRunMessage();
    if (FWizard->OnImportCancel)
        FWizard->OnImportCancel(FWizard, Continue);
    if (FProgressDialog) {
        PostProgress(1, Continue ? 5 : 2);
        Pump(true);
        FProgressDialog->BringToFront();
    }
}
