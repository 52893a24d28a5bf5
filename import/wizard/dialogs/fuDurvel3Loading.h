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
    // Stays up at least MinimumDisplayTime in all, so a fast load does not flicker.
    ~TfmDurvel3Loading() override;

    QString InfoText() const { return FInfoText; }

    // Milliseconds; tests set 0.
    static int MinimumDisplayTime;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateInfo();

    QString FInfoText;
    QLabel* laLoading_01;
    QProgressBar* Animate1;
    QLabel* pbLoadingInfo;
    QElapsedTimer FShown;
};

// Shows the loading window over Owner, painted before this returns; dropping the pointer
// closes it, on every exit of the caller.
std::unique_ptr<TfmDurvel3Loading> ShowLoading(QWidget* Owner, const QString& InfoText);
