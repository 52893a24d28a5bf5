#pragma once
// The borderless "Loading..." window shown while a source file is opened for a preview. The
// opening blocks the event loop, so the window is painted once before the work starts and shows
// a still busy mark rather than an animation that would freeze.

#include <QElapsedTimer>
#include <QFrame>
#include <memory>

class QLabel;
class QProgressBar;

class TfmDurvel3Loading : public QFrame
{
    Q_OBJECT
public:
    TfmDurvel3Loading(QWidget* Owner, const QString& InfoText);

    QString InfoText() const { return FInfoText; }

    // The work is done: the window goes once it has been up MinimumTime milliseconds in all,
    // so a fast load does not flicker; the user-interface thread is not held meanwhile. A
    // window whose work failed goes at once: the failure is told next, and a window that stays
    // on top would cover the message.
    void Finish() noexcept;
    int MinimumTime = MinimumDisplayTime;

    // Milliseconds; tests set 0.
    static int MinimumDisplayTime;

    // Every window whose work is done goes now, whatever its time: a message is about to be
    // shown. A dialog shown meanwhile does the same by itself.
    static void CloseFinished() noexcept;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateInfo();

    // Exceptions in flight when the work began: more at Finish means it failed.
    int FUncaught;
    QString FInfoText;
    QLabel* laLoading_01;
    QProgressBar* Animate1;
    QLabel* pbLoadingInfo;
    QElapsedTimer FShown;
};

struct TLoadingFinisher
{
    void operator()(TfmDurvel3Loading* Form) const noexcept { Form->Finish(); }
};
using TLoadingHandle = std::unique_ptr<TfmDurvel3Loading, TLoadingFinisher>;

// Shows the loading window over Owner, painted before this returns; dropping the handle
// finishes it, on every exit of the caller. MinimumTime below 0 takes MinimumDisplayTime.
TLoadingHandle ShowLoading(QWidget* Owner, const QString& InfoText, int MinimumTime = -1);
