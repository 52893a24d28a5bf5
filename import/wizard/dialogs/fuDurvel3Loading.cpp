#include "import/wizard/dialogs/fuDurvel3Loading.h"

#include "import/engine/support/DurvelUtils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <utility>

int TfmDurvel3Loading::MinimumDisplayTime = 500;

namespace {

// The windows whose work is done and that wait out their time, and while there are any, a
// watch for a dialog being shown: the dialog is what the clerk must read next.
class FinishedWindows : public QObject
{
public:
    static FinishedWindows& Instance()
    {
        static auto* instance = new FinishedWindows;
        return *instance;
    }

    void Add(TfmDurvel3Loading* Form)
    {
        FForms.append(Form);
        connect(Form, &QObject::destroyed, this, [this](QObject* Gone) {
            FForms.removeIf(
                [Gone](const QPointer<QObject>& f) { return f.isNull() || f.data() == Gone; });
            if (FForms.isEmpty())
                Unwatch();
        });
        if (!FWatching && qApp) {
            qApp->installEventFilter(this);
            FWatching = true;
        }
    }

    void CloseAll() noexcept
    {
        const QList<QPointer<QObject>> forms = std::exchange(FForms, {});
        for (const QPointer<QObject>& form : forms)
            delete form.data();
        Unwatch();
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::Show && Watched->isWidgetType()) {
            const auto* w = static_cast<QWidget*>(Watched);
            if (w->isWindow() && !qobject_cast<const TfmDurvel3Loading*>(w) &&
                (w->windowType() == Qt::Dialog || w->windowType() == Qt::Sheet || w->isModal()))
                CloseAll();
        }
        return false;
    }

private:
    void Unwatch() noexcept
    {
        if (FWatching && qApp)
            qApp->removeEventFilter(this);
        FWatching = false;
    }

    // As QObjects: a form being destroyed is one no longer.
    QList<QPointer<QObject>> FForms;
    bool FWatching = false;
};

} // namespace

void TfmDurvel3Loading::CloseFinished() noexcept
{
    FinishedWindows::Instance().CloseAll();
}

TfmDurvel3Loading::TfmDurvel3Loading(QWidget* Owner, const QString& InfoText)
    : QFrame(Owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FUncaught(std::uncaught_exceptions()), FInfoText(InfoText)
{
    setObjectName(QStringLiteral("TfmDurvel3Loading"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedSize(288, 103);
    setLayoutDirection(Qt::LeftToRight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    laLoading_01 = new QLabel(QStringLiteral("Loading..."), this);
    laLoading_01->setObjectName(QStringLiteral("laLoading_01"));
    laLoading_01->setAlignment(Qt::AlignCenter);
    QFont bold = laLoading_01->font();
    bold.setBold(true);
    laLoading_01->setFont(bold);
    Animate1 = new QProgressBar(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setRange(0, 0);
    Animate1->setTextVisible(false);
    pbLoadingInfo = new QLabel(this);
    pbLoadingInfo->setObjectName(QStringLiteral("pbLoadingInfo"));
    pbLoadingInfo->setAlignment(Qt::AlignCenter);
    layout->addWidget(laLoading_01);
    layout->addWidget(Animate1);
    layout->addWidget(pbLoadingInfo);

    const QScreen* s = Owner ? Owner->screen() : nullptr;
    if (s)
        move(s->availableGeometry().center() - rect().center());
    FShown.start();
}

void TfmDurvel3Loading::Finish() noexcept
{
    const qint64 left = MinimumTime - FShown.elapsed();
    if (left > 0 && std::uncaught_exceptions() <= FUncaught) {
        try {
            // Goes with its owner when that closes first.
            QTimer::singleShot(int(left), this, &QObject::deleteLater);
            FinishedWindows::Instance().Add(this);
            return;
        } catch (...) {
        }
    }
    delete this;
}

void TfmDurvel3Loading::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    UpdateInfo();
}

void TfmDurvel3Loading::UpdateInfo()
{
    const QFontMetrics metrics = pbLoadingInfo->fontMetrics();
    QString shown;
    ShortenFileName(
        FInfoText, [&](const QString& s) { return metrics.horizontalAdvance(s); }, width() - 16 - 8,
        shown);
    pbLoadingInfo->setText(shown);
}

TLoadingHandle ShowLoading(QWidget* Owner, const QString& InfoText, int MinimumTime)
{
    TLoadingHandle form(new TfmDurvel3Loading(Owner, InfoText));
    if (MinimumTime >= 0)
        form->MinimumTime = MinimumTime;
    form->show();
    form->raise();
    // Painted now: the caller blocks the event loop next.
    form->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return form;
}
