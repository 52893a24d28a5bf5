#pragma once
// The progress window of a running import. It learns everything from progress events posted to
// it (a code and a value), counts the rows, shows the elapsed time, and offers Cancel while the
// import runs and OK once it has ended; the run waits for that OK.

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <memory>

class TDurvel3;

namespace Ui {
class TfmDurvel3ProgressDlg;
}

class TfmDurvel3ProgressDlg : public QDialog
{
    Q_OBJECT

public:
    // Codes of a progress event.
    enum TProgressCode : int {
        pcState = 1,         // value: the new state
        pcError = 2,         // value: failed rows
        pcRecord = 3,        // value: the row action (0 none, 1 inserted, 2 updated, 3 deleted)
        pcCommit = 4,        // value: unused
        pcAfterImport = 5,   // value: 1 when the error log is to be shown
        pcTotal = 6,         // value: the number of rows the import will process
        pcAdvancedError = 7, // value: failed rows of the second report
        pcRolledBack = 8,    // value: rows that went back; the counts return to the last commit
        pcReadShare = 9,     // value: ten-thousandths of the source read (sources without a
                             // row count); drives the bar in place of the row steps
        pcKept = 10,         // value: the rows the destination keeps after a failed import
    };
    enum TProgressState : int {
        psPreparing = 0,
        psImporting = 1,
        psAborted = 2,
        psFinished = 3,
        psPaused = 4,
        psResumed = 5,
    };
    enum TModalResult { mrNone, mrOk, mrCancel };

    // The progress message of the import: code and value, posted (never sent) to the dialog.
    class TProgressEvent : public QEvent
    {
    public:
        TProgressEvent(int Code, int Value) : QEvent(Type()), Code(Code), Value(Value) {}
        static QEvent::Type Type();
        const int Code;
        const int Value;
    };

    // Import receives the cancel request; it may be null.
    TfmDurvel3ProgressDlg(QWidget* Owner, TDurvel3* Import);
    ~TfmDurvel3ProgressDlg() override;

    // Queues a progress message; it is handled when the event loop next runs.
    void PostProgress(int Code, int Value);
    // Runs the event loop until the user has pressed OK after the end (or the dialog is
    // closed by its owner).
    void WaitForOk();
    // Raised in front of the wizard and made the active window, still without modality: at
    // the end and after every question asked over it.
    void BringToFront();

    int State() const { return FState; }
    QString StateText() const;
    int Processed() const { return FInserted + FUpdated + FDeleted + FOtherProcessed + FErrors; }
    int Inserted() const { return FInserted; }
    int Updated() const { return FUpdated; }
    int Deleted() const { return FDeleted; }
    int Committed() const { return FCommitted; }
    int Errors() const { return FErrors + FAdvancedErrors; }
    int Total() const { return FTotal; }
    // The bar as shown: its position, its maximum and the percentage text.
    int BarPosition() const;
    int BarMaximum() const;
    QString PercentText() const;
    // Real time while running; the clock stands while paused and after the end.
    qint64 ElapsedMs() const;
    bool ClockRunning() const { return FClockRunning; }
    bool IsFinished() const { return FFinished; }
    TModalResult ModalResult() const { return FModalResult; }

signals:
    void OkPressed();

protected:
    bool event(QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void reject() override;

private:
    void HandleProgress(int Code, int Value);
    void SwitchToRunning();
    void SwitchToFinished();
    void ButtonClicked();
    void StepProgress();
    void ShowBar(bool Show);
    void ScheduleRefresh();
    void RefreshProgress();
    void SetClock(bool Running);
    void RefreshCounters();
    void RefreshTime();
    void RefreshCaptions();

    std::unique_ptr<Ui::TfmDurvel3ProgressDlg> ui;
    TDurvel3* FImport;
    QTimer* Timer;
    QTimer* FRefreshTimer;
    int FPosition = 0; // of the progress bar
    int FState = psPreparing;
    int FInserted = 0;
    int FUpdated = 0;
    int FDeleted = 0;
    int FOtherProcessed = 0;
    int FErrors = 0;
    int FAdvancedErrors = 0;
    int FCommitted = 0;
    // The counts at the last commit report, which a rollback returns to.
    int FCommittedCounts[4] = {0, 0, 0, 0};
    int FTotal = 0;
    int FReadShare = -1;       // ten-thousandths; -1 until a source reports what it has read
    qint64 FElapsedBefore = 0; // ms gathered before the running stretch
    QElapsedTimer FClock;
    bool FClockRunning = false;
    bool FFinished = false;
    TModalResult FModalResult = mrNone;
    QString FShownTime;
};
