#include "import/wizard/dialogs/fuDurvel3Loading.h"

#include "import/engine/support/DurvelUtils.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

int TfmDurvel3Loading::MinimumDisplayTime = 500;

TfmDurvel3Loading::TfmDurvel3Loading(QWidget* Owner, const QString& InfoText)
    : QFrame(Owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FInfoText(InfoText)
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
    if (left > 0) {
        try {
            // Goes with its owner when that closes first.
            QTimer::singleShot(int(left), this, &QObject::deleteLater);
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
