#include "platform/report/Report.h"

#include "platform/dialogs/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextOption>
#include <QToolBar>

namespace {

constexpr qreal mmPerInch = 25.4;

} // namespace

// ---- elements ---------------------------------------------------------------------------

QFont ReportText::font(const Report& report) const
{
    return m_font ? *m_font : report.font();
}

Qt::LayoutDirection ReportText::layoutDirection(const Report& report) const
{
    return m_direction ? *m_direction : report.layoutDirection();
}

void ReportText::paint(QPainter& painter, const QRectF& rect, qreal,
                       const ReportContext& context) const
{
    const QString shown = text(context);
    if (shown.isEmpty())
        return;
    const Qt::LayoutDirection direction = layoutDirection(*context.report);
    Qt::Alignment align = m_alignment;
    if (!(align & Qt::AlignHorizontal_Mask))
        align |= direction == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    if (!(align & Qt::AlignVertical_Mask))
        align |= Qt::AlignVCenter;
    QTextOption option(align | Qt::AlignAbsolute);
    option.setTextDirection(direction);
    option.setWrapMode(QTextOption::NoWrap);
    painter.setFont(font(*context.report));
    painter.setPen(Qt::black);
    painter.drawText(rect, shown, option);
}

QString ReportDataText::text(const ReportContext& context) const
{
    if (context.record < 0 || !context.report)
        return QString();
    return context.report->fieldText(context.record, m_field);
}

QString ReportSysData::text(const ReportContext& context) const
{
    switch (m_kind) {
    case Time:
        return context.now.toString(QStringLiteral("HH:mm:ss"));
    case Date:
        return context.now.toString(QStringLiteral("yyyy/MM/dd"));
    case DateTime:
        return context.now.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    case PageNumber:
        return QString::number(context.page);
    case DetailNumber:
        return context.record < 0 ? QString() : QString::number(context.record + 1);
    }
    return QString();
}

void ReportShape::paint(QPainter& painter, const QRectF& rect, qreal mmToPx,
                        const ReportContext&) const
{
    QPen pen(Qt::black);
    pen.setWidthF(qMax<qreal>(m_penWidth * mmToPx, 1.0));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (m_kind) {
    case HorizontalLine:
        painter.drawLine(QPointF(rect.left(), rect.center().y()),
                         QPointF(rect.right(), rect.center().y()));
        break;
    case VerticalLine:
        painter.drawLine(QPointF(rect.center().x(), rect.top()),
                         QPointF(rect.center().x(), rect.bottom()));
        break;
    case Frame:
        painter.drawRect(rect);
        break;
    }
}

// ---- band -------------------------------------------------------------------------------

template <typename T> T* ReportBand::add(std::unique_ptr<T> element)
{
    T* raw = element.get();
    m_elements.push_back(std::move(element));
    return raw;
}

ReportLabel* ReportBand::addLabel(const QRectF& geometryMm, const QString& text,
                                  Qt::Alignment alignment)
{
    auto label = std::make_unique<ReportLabel>(geometryMm, text);
    label->setAlignment(alignment);
    return add(std::move(label));
}

ReportDataText* ReportBand::addDataText(const QRectF& geometryMm, const QString& field,
                                        Qt::Alignment alignment)
{
    auto data = std::make_unique<ReportDataText>(geometryMm, field);
    data->setAlignment(alignment);
    return add(std::move(data));
}

ReportSysData* ReportBand::addSysData(const QRectF& geometryMm, ReportSysData::Kind kind,
                                      Qt::Alignment alignment)
{
    auto data = std::make_unique<ReportSysData>(geometryMm, kind);
    data->setAlignment(alignment);
    return add(std::move(data));
}

ReportShape* ReportBand::addShape(const QRectF& geometryMm, ReportShape::Kind kind)
{
    return add(std::make_unique<ReportShape>(geometryMm, kind));
}

// ---- report -----------------------------------------------------------------------------

Report::Report(QObject* parent)
    : QObject(parent), m_layout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter),
      m_font(QApplication::font())
{}

Report::~Report() = default;

void Report::setPageSize(QPageSize::PageSizeId size)
{
    m_layout.setPageSize(QPageSize(size));
}

void Report::setOrientation(QPageLayout::Orientation orientation)
{
    m_layout.setOrientation(orientation);
}

void Report::setMargins(const QMarginsF& mm)
{
    // QPageLayout keeps margins inside the page; the layout refuses what does not fit.
    m_layout.setUnits(QPageLayout::Millimeter);
    m_layout.setMargins(mm);
}

void Report::setDataSource(RecordCount recordCount, FieldText fieldText)
{
    m_recordCount = std::move(recordCount);
    m_fieldText = std::move(fieldText);
}

QString Report::fieldText(int record, const QString& field) const
{
    return m_fieldText ? m_fieldText(record, field) : QString();
}

int Report::render(QPagedPaintDevice* device)
{
    m_error.clear();
    if (!device->setPageLayout(m_layout)) {
        m_error = tr("The printer does not accept the report's page layout.");
        return -1;
    }
    return render(static_cast<QPaintDevice*>(device), [device] { return device->newPage(); });
}

int Report::render(QPaintDevice* device, const std::function<bool()>& newPage)
{
    m_error.clear();
    QPainter painter;
    if (!painter.begin(device)) {
        m_error = tr("Cannot start painting on the output device.");
        return -1;
    }
    int pages = 0;
    const bool ok = paintPages(painter, device, newPage, &pages);
    if (!painter.end() && ok) {
        m_error = tr("Cannot finish the output.");
        return -1;
    }
    return ok ? pages : -1;
}

bool Report::paintPages(QPainter& painter, QPaintDevice* device,
                        const std::function<bool()>& newPage, int* pages)
{
    const qreal pxPerMmX = device->logicalDpiX() / mmPerInch;
    const qreal pxPerMmY = device->logicalDpiY() / mmPerInch;
    const qreal pageHeight = device->height() / pxPerMmY;
    // The device's page height is whole pixels: a band that fits exactly must not be pushed
    // onto the next page by that rounding.
    const qreal fitTolerance = 1.0 / pxPerMmY;

    const ReportBand& header = m_bands[PageHeader];
    const ReportBand& columns = m_bands[ColumnHeader];
    const ReportBand& detail = m_bands[Detail];
    const ReportBand& summary = m_bands[Summary];
    const qreal top = header.height() + columns.height();
    // Without this check a band taller than a page would start new pages for ever.
    if (top + qMax(detail.height(), summary.height()) > pageHeight + fitTolerance) {
        m_error = tr("The report's bands do not fit on one page.");
        return false;
    }

    ReportContext context;
    context.report = this;
    context.now = QDateTime::currentDateTime();
    context.page = 1;
    qreal y = 0;

    auto paintBand = [&](const ReportBand& band) {
        if (band.height() <= 0)
            return;
        for (const auto& element : band.elements()) {
            const QRectF mm = element->geometry().translated(0, y);
            const QRectF px(mm.left() * pxPerMmX, mm.top() * pxPerMmY, mm.width() * pxPerMmX,
                            mm.height() * pxPerMmY);
            painter.save();
            element->paint(painter, px, pxPerMmX, context);
            painter.restore();
        }
        y += band.height();
    };
    auto startPage = [&] {
        const int record = context.record;
        context.record = -1;
        paintBand(header);
        paintBand(columns);
        context.record = record;
    };
    auto ensureRoom = [&](qreal height) {
        if (y + height <= pageHeight + fitTolerance)
            return true;
        if (!newPage || !newPage()) {
            m_error = tr("Cannot start a new page.");
            return false;
        }
        ++context.page;
        y = 0;
        startPage();
        return true;
    };

    startPage();
    const int count = m_recordCount ? qMax(0, m_recordCount()) : 0;
    if (detail.height() > 0) {
        for (int record = 0; record < count; ++record) {
            context.record = record;
            if (!ensureRoom(detail.height()))
                return false;
            paintBand(detail);
        }
    }
    context.record = -1;
    if (summary.height() > 0) {
        if (!ensureRoom(summary.height()))
            return false;
        paintBand(summary);
    }
    *pages = context.page;
    return true;
}

bool Report::savePdf(const QString& path)
{
    QPdfWriter writer(path);
    writer.setTitle(m_title);
    writer.setCreator(QApplication::applicationName());
    if (render(&writer) < 0) {
        m_error = tr("Cannot write the PDF file %1: %2").arg(path, m_error);
        return false;
    }
    return true;
}

QPrintPreviewDialog* Report::createPreview(QWidget* parent)
{
    auto* dialog = new QPrintPreviewDialog(parent);
    dialog->setWindowTitle(m_title);
    dialog->printer()->setPageLayout(m_layout);
    dialog->printer()->setDocName(m_title);
    // The printer's layout may have been changed in the preview's page setup: keep it.
    connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [this](QPrinter* printer) {
        render(printer, [printer] { return printer->newPage(); });
    });
    if (auto* toolBar = dialog->findChild<QToolBar*>()) {
        toolBar->addSeparator();
        QAction* save = toolBar->addAction(tr("Save as PDF"));
        save->setObjectName(QStringLiteral("savePdfAction"));
        connect(save, &QAction::triggered, dialog, [this, dialog] { savePdfFromPreview(dialog); });
    }
    return dialog;
}

void Report::preview(QWidget* parent)
{
    std::unique_ptr<QPrintPreviewDialog> dialog(createPreview(parent));
    dialog->exec();
}

bool Report::print(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(m_layout);
    printer.setDocName(m_title);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return render(&printer, [&printer] { return printer.newPage(); }) >= 0;
}

void Report::savePdfFromPreview(QWidget* parent)
{
    const QString suggested =
        (m_title.isEmpty() ? QStringLiteral("report") : m_title) + QStringLiteral(".pdf");
    dialogs::FileRequest request;
    request.save = true;
    request.caption = tr("Save as PDF");
    request.directory = suggested;
    request.filter = tr("PDF files (*.pdf)");
    request.defaultSuffix = QStringLiteral("pdf");
    QString path = dialogs::chooseFile(request, parent);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    if (!savePdf(path)) {
        dialogs::Message m;
        m.title = m_title;
        m.text = m_error;
        m.icon = dialogs::Icon::Warning;
        m.rightToLeft = false;
        dialogs::show(m, parent);
    }
}
