#include "import/wizard/dialogs/fuDurvel3ProgressDlg.h"

#include "import/engine/Durvel3.h"
#include "import/engine/DurvelStrings.h"
#include "ui_fuDurvel3ProgressDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <cmath>

QEvent::Type TfmDurvel3ProgressDlg::TProgressEvent::Type()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType(QEvent::User + 1));
    return type;
}

TfmDurvel3ProgressDlg::TfmDurvel3ProgressDlg(QWidget* Owner, TDurvel3* Import)
    : QDialog(Owner), ui(std::make_unique<Ui::TfmDurvel3ProgressDlg>()), FImport(Import)
{
    ui->setupUi(this);
    // A fixed frame; its close box is handled like Escape.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    ui->prbImport->setMaximum(0);
    ui->prbImport->setMinimum(0);
    ShowBar(false);
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    Timer->setTimerType(Qt::PreciseTimer); // a coarse tick may come early and show a second late
    connect(Timer, &QTimer::timeout, this, &TfmDurvel3ProgressDlg::RefreshTime);
    FRefreshTimer = new QTimer(this);
    FRefreshTimer->setSingleShot(true);
    FRefreshTimer->setInterval(40);
    connect(FRefreshTimer, &QTimer::timeout, this, &TfmDurvel3ProgressDlg::RefreshCounters);
    connect(ui->bCancel, &QPushButton::clicked, this, &TfmDurvel3ProgressDlg::ButtonClicked);
    RefreshCaptions();
    RefreshCounters();
    RefreshTime();
}

TfmDurvel3ProgressDlg::~TfmDurvel3ProgressDlg() = default;

void TfmDurvel3ProgressDlg::PostProgress(int Code, int Value)
{
    QCoreApplication::postEvent(this, new TProgressEvent(Code, Value));
}

void TfmDurvel3ProgressDlg::WaitForOk()
{
    if (FModalResult == mrOk && FFinished)
        return;
    QEventLoop loop;
    connect(this, &TfmDurvel3ProgressDlg::OkPressed, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}

bool TfmDurvel3ProgressDlg::event(QEvent* Event)
{
    if (Event->type() == TProgressEvent::Type()) {
        const auto* e = static_cast<const TProgressEvent*>(Event);
        HandleProgress(e->Code, e->Value);
        return true;
    }
    if (Event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::event(Event);
}

void TfmDurvel3ProgressDlg::HandleProgress(int Code, int Value)
{
    switch (Code) {
    case pcState: {
        const int state = Value & 0xFF;
        if (state != FState) {
            FState = state;
            ui->laStateValue->setText(StateText());
        }
        if (state == psPreparing || state == psImporting)
            SwitchToRunning();
        // The reader went through its whole source; skipped and header rows are part of the
        // total but are not reported one by one.
        if (state == psFinished) {
            FPosition = FTotal;
            if (FReadShare >= 0)
                FReadShare = 10000;
            ScheduleRefresh();
        }
        SetClock(FState == psPreparing || FState == psImporting || FState == psResumed);
        break;
    }
    case pcError:
        FErrors += Value;
        StepProgress();
        ScheduleRefresh();
        break;
    case pcRecord:
        switch (Value & 0xFF) {
        case 1:
            ++FInserted;
            break;
        case 2:
            ++FUpdated;
            break;
        case 3:
            ++FDeleted;
            break;
        default:
            ++FOtherProcessed;
            break;
        }
        StepProgress();
        ScheduleRefresh();
        break;
    case pcCommit:
        FCommitted = FInserted + FUpdated + FDeleted;
        FCommittedCounts[0] = FInserted;
        FCommittedCounts[1] = FUpdated;
        FCommittedCounts[2] = FDeleted;
        FCommittedCounts[3] = FOtherProcessed;
        ScheduleRefresh();
        break;
    case pcRolledBack:
        // Only what the database holds stays counted.
        FInserted = FCommittedCounts[0];
        FUpdated = FCommittedCounts[1];
        FDeleted = FCommittedCounts[2];
        FOtherProcessed = FCommittedCounts[3];
        ScheduleRefresh();
        break;
    case pcAfterImport:
        SwitchToFinished();
        break;
    case pcTotal:
        if (Value != FTotal) {
            FTotal = Value;
            if (FReadShare < 0) {
                ShowBar(FTotal != 0);
                ui->prbImport->setMaximum(qMax(0, FTotal));
            }
            ScheduleRefresh();
        }
        break;
    case pcReadShare:
        // A source that knows no row count tells how much of it was read; that drives the
        // bar from then on, and the rows are still counted one by one.
        if (FReadShare < 0) {
            ShowBar(true);
            ui->prbImport->setMaximum(10000);
        }
        FReadShare = qBound(0, Value, 10000);
        ScheduleRefresh();
        break;
    case pcKept:
        // After a failure the engine's count is what the destination holds.
        FCommitted = qMax(0, Value);
        ScheduleRefresh();
        break;
    case pcAdvancedError:
        FAdvancedErrors += Value;
        ScheduleRefresh();
        break;
    default:
        break;
    }
}

QString TfmDurvel3ProgressDlg::StateText() const
{
    switch (FState) {
    case psPreparing:
        return LoadImportStr(DurvelStr::ProgressPreparing);
    case psImporting:
    case psResumed:
        return LoadImportStr(DurvelStr::ProgressImporting);
    case psAborted:
        return LoadImportStr(DurvelStr::ProgressAborted);
    case psFinished:
        return LoadImportStr(DurvelStr::ProgressFinished);
    case psPaused:
        return LoadImportStr(DurvelStr::ProgressPaused);
    default:
        return QString();
    }
}

void TfmDurvel3ProgressDlg::SwitchToRunning()
{
    FFinished = false;
    FModalResult = mrNone;
    ui->bCancel->setText(LoadImportStr(DurvelStr::ProgressCancel));
    setWindowTitle(LoadImportStr(DurvelStr::ProgressImporting));
    SetClock(true);
}

void TfmDurvel3ProgressDlg::SwitchToFinished()
{
    FFinished = true;
    RefreshCounters();
    ui->bCancel->setText(LoadImportStr(DurvelStr::ProgressOk));
    setWindowTitle(LoadImportStr(DurvelStr::ProgressImportFinished));
    SetClock(false);
    // The wizard waits for this OK: it must not sit behind the wizard.
    BringToFront();
}

void TfmDurvel3ProgressDlg::BringToFront()
{
    if (!isVisible())
        return;
    raise();
    activateWindow();
}

void TfmDurvel3ProgressDlg::ButtonClicked()
{
    if (!FFinished) {
        // Cancel asks the import to stop; the dialog stays until the import has ended.
        FModalResult = mrCancel;
        if (FImport)
            FImport->Cancel();
        return;
    }
    FModalResult = mrOk;
    emit OkPressed();
    hide();
}

void TfmDurvel3ProgressDlg::reject()
{
    // Escape and the close box do nothing while the import runs and mean OK after its end,
    // so a wait for the dialog always ends.
    if (FFinished)
        ButtonClicked();
}

void TfmDurvel3ProgressDlg::closeEvent(QCloseEvent* Event)
{
    Event->ignore();
    reject();
}

void TfmDurvel3ProgressDlg::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    RefreshCaptions();
    ui->laStateValue->setText(StateText());
    RefreshCounters();
    RefreshTime();
}

void TfmDurvel3ProgressDlg::StepProgress()
{
    if (FPosition < FTotal)
        ++FPosition;
}

void TfmDurvel3ProgressDlg::ScheduleRefresh()
{
    // Rows arrive far faster than anyone reads: the labels follow at most every 40 ms.
    if (!FRefreshTimer->isActive())
        FRefreshTimer->start();
}

void TfmDurvel3ProgressDlg::ShowBar(bool Show)
{
    ui->prbImport->setVisible(Show);
    ui->prbImport->setEnabled(Show);
    ui->laPercent->setVisible(Show);
    ui->laPercent->setEnabled(Show);
}

int TfmDurvel3ProgressDlg::BarPosition() const
{
    return FReadShare >= 0 ? FReadShare : qMin(FPosition, qMax(0, FTotal));
}

int TfmDurvel3ProgressDlg::BarMaximum() const
{
    return FReadShare >= 0 ? 10000 : qMax(0, FTotal);
}

QString TfmDurvel3ProgressDlg::PercentText() const
{
    const int position = BarPosition();
    const int maximum = BarMaximum();
    if (position == 0 || maximum == 0)
        return QStringLiteral("0%");
    return QString::number(qint64(std::nearbyint(double(position) * 100.0 / maximum))) + u'%';
}

void TfmDurvel3ProgressDlg::RefreshProgress()
{
    ui->prbImport->setValue(BarPosition());
    ui->laPercent->setText(PercentText());
}

void TfmDurvel3ProgressDlg::SetClock(bool Running)
{
    if (Running == FClockRunning)
        return;
    if (Running) {
        FClock.start();
        Timer->start();
    } else {
        FElapsedBefore += FClock.elapsed();
        Timer->stop();
    }
    FClockRunning = Running;
    RefreshTime();
}

qint64 TfmDurvel3ProgressDlg::ElapsedMs() const
{
    return FElapsedBefore + (FClockRunning ? FClock.elapsed() : 0);
}

void TfmDurvel3ProgressDlg::RefreshTime()
{
    const qint64 s = ElapsedMs() / 1000;
    const QString text = QStringLiteral("%1:%2:%3")
                             .arg(s / 3600)
                             .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                             .arg(s % 60, 2, 10, QLatin1Char('0'));
    if (text != FShownTime) {
        FShownTime = text;
        ui->laTimeValue->setText(text);
    }
}

void TfmDurvel3ProgressDlg::RefreshCounters()
{
    FRefreshTimer->stop();
    RefreshProgress();
    ui->laProcessedValue->setText(QString::number(Processed()));
    ui->laInsertedValue->setText(QString::number(FInserted));
    ui->laUpdatedValue->setText(QString::number(FUpdated));
    ui->laDeletedValue->setText(QString::number(FDeleted));
    ui->laErrorsValue->setText(QString::number(Errors()));
    ui->laCommittedValue->setText(QString::number(FCommitted));
}

void TfmDurvel3ProgressDlg::RefreshCaptions()
{
    ui->laState->setText(LoadImportStr(DurvelStr::ProgressState));
    ui->laProcessed->setText(LoadImportStr(DurvelStr::ProgressProcessed));
    ui->laInserted->setText(LoadImportStr(DurvelStr::ProgressInserted));
    ui->laUpdated->setText(LoadImportStr(DurvelStr::ProgressUpdated));
    ui->laDeleted->setText(LoadImportStr(DurvelStr::ProgressDeleted));
    ui->laErrors->setText(LoadImportStr(DurvelStr::ProgressErrors));
    ui->laCommitted->setText(LoadImportStr(DurvelStr::ProgressCommitted));
    ui->laTime->setText(LoadImportStr(DurvelStr::ProgressTime));
    ui->bCancel->setText(FFinished ? LoadImportStr(DurvelStr::ProgressOk)
                                   : LoadImportStr(DurvelStr::ProgressCancel));
}
