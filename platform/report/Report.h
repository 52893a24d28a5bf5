#pragma once

#include <QDateTime>
#include <QFont>
#include <QMarginsF>
#include <QObject>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPaintDevice;
class QPagedPaintDevice;
class QPainter;
class QPrintPreviewDialog;
class QWidget;

class Report;

// What an element may ask while it is painted.
struct ReportContext
{
    const Report* report = nullptr;
    int page = 1;    // 1-based
    int record = -1; // 0-based record of the detail band being painted, -1 elsewhere
    QDateTime now;   // taken once when painting starts, the same on every page
};

// Something placed on a band. Geometry is in millimetres from the band's top-left corner.
class ReportElement
{
public:
    explicit ReportElement(const QRectF& geometryMm) : m_geometry(geometryMm) {}
    virtual ~ReportElement() = default;
    ReportElement(const ReportElement&) = delete;
    ReportElement& operator=(const ReportElement&) = delete;

    QRectF geometry() const { return m_geometry; }
    void setGeometry(const QRectF& mm) { m_geometry = mm; }

    // rect is the element's geometry in device pixels; mmToPx scales lengths.
    virtual void paint(QPainter& painter, const QRectF& rect, qreal mmToPx,
                       const ReportContext& context) const = 0;

private:
    QRectF m_geometry;
};

// Base of the elements that show one line of text.
class ReportText : public ReportElement
{
public:
    using ReportElement::ReportElement;

    // The text as it appears for the given context.
    virtual QString text(const ReportContext& context) const = 0;

    // Unset font and direction follow the report's.
    QFont font(const Report& report) const;
    void setFont(const QFont& font) { m_font = font; }
    Qt::LayoutDirection layoutDirection(const Report& report) const;
    void setLayoutDirection(Qt::LayoutDirection direction) { m_direction = direction; }

    // Left and right are taken on the page, never mirrored; without a horizontal flag the
    // text starts at its reading side (right for right-to-left text). Vertically centred
    // unless told otherwise.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    void paint(QPainter& painter, const QRectF& rect, qreal mmToPx,
               const ReportContext& context) const override;

private:
    std::optional<QFont> m_font;
    std::optional<Qt::LayoutDirection> m_direction;
    Qt::Alignment m_alignment;
};

// Static text; the program may change it between previews.
class ReportLabel : public ReportText
{
public:
    ReportLabel(const QRectF& geometryMm, const QString& text)
        : ReportText(geometryMm), m_text(text)
    {}

    QString text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }
    QString text(const ReportContext&) const override { return m_text; }

private:
    QString m_text;
};

// The text of one field of the current record.
class ReportDataText : public ReportText
{
public:
    ReportDataText(const QRectF& geometryMm, const QString& field)
        : ReportText(geometryMm), m_field(field)
    {}

    QString field() const { return m_field; }
    QString text(const ReportContext& context) const override;

private:
    QString m_field;
};

class ReportSysData : public ReportText
{
public:
    enum Kind {
        Time,        // HH:mm:ss
        Date,        // yyyy/MM/dd
        DateTime,    // yyyy/MM/dd HH:mm:ss
        PageNumber,  // 1, 2, ...
        DetailNumber // 1, 2, ... for the records of the detail band
    };

    ReportSysData(const QRectF& geometryMm, Kind kind) : ReportText(geometryMm), m_kind(kind) {}

    Kind kind() const { return m_kind; }
    QString text(const ReportContext& context) const override;

private:
    Kind m_kind;
};

// Lines and frames, drawn in black.
class ReportShape : public ReportElement
{
public:
    enum Kind {
        HorizontalLine, // across the middle of the geometry
        VerticalLine,   // down the middle of the geometry
        Frame           // the geometry's outline
    };

    ReportShape(const QRectF& geometryMm, Kind kind) : ReportElement(geometryMm), m_kind(kind) {}

    Kind kind() const { return m_kind; }
    qreal penWidth() const { return m_penWidth; }
    void setPenWidth(qreal mm) { m_penWidth = mm; }

    void paint(QPainter& painter, const QRectF& rect, qreal mmToPx,
               const ReportContext& context) const override;

private:
    Kind m_kind;
    qreal m_penWidth = 0.25;
};

// A horizontal strip of the page with the elements placed on it.
class ReportBand
{
public:
    ReportBand() = default;
    ReportBand(const ReportBand&) = delete;
    ReportBand& operator=(const ReportBand&) = delete;

    // A band of height 0 is not printed.
    qreal height() const { return m_height; }
    void setHeight(qreal mm) { m_height = mm; }

    ReportLabel* addLabel(const QRectF& geometryMm, const QString& text,
                          Qt::Alignment alignment = {});
    ReportDataText* addDataText(const QRectF& geometryMm, const QString& field,
                                Qt::Alignment alignment = {});
    ReportSysData* addSysData(const QRectF& geometryMm, ReportSysData::Kind kind,
                              Qt::Alignment alignment = {});
    ReportShape* addShape(const QRectF& geometryMm, ReportShape::Kind kind);

    const std::vector<std::unique_ptr<ReportElement>>& elements() const { return m_elements; }

private:
    template <typename T> T* add(std::unique_ptr<T> element);

    qreal m_height = 0;
    std::vector<std::unique_ptr<ReportElement>> m_elements;
};

// A band report over a list of records, painted in millimetres onto paged devices: the page
// header (and column header) at the top of every page, the detail band once per record, the
// summary band after the last record. A band that does not fit below the previous one starts
// a new page. The report is printed even when there are no records.
class Report : public QObject
{
    Q_OBJECT

public:
    enum BandType { PageHeader, ColumnHeader, Detail, Summary };

    using RecordCount = std::function<int()>;
    using FieldText = std::function<QString(int record, const QString& field)>;

    explicit Report(QObject* parent = nullptr);
    ~Report() override;

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    // Default A4 portrait with 10 mm margins.
    QPageLayout pageLayout() const { return m_layout; }
    void setPageSize(QPageSize::PageSizeId size);
    void setOrientation(QPageLayout::Orientation orientation);
    void setMargins(const QMarginsF& mm);

    // Defaults of the text elements: the application font, right to left.
    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    Qt::LayoutDirection layoutDirection() const { return m_direction; }
    void setLayoutDirection(Qt::LayoutDirection direction) { m_direction = direction; }

    ReportBand* band(BandType type) { return &m_bands[type]; }
    const ReportBand* band(BandType type) const { return &m_bands[type]; }

    // The records: their number (asked once per painting) and the text of a field.
    void setDataSource(RecordCount recordCount, FieldText fieldText);
    QString fieldText(int record, const QString& field) const;

    // Paints all pages onto a paged device after giving it the report's page layout.
    // Returns the number of pages, or -1 with errorString() set.
    int render(QPagedPaintDevice* device);
    // Paints onto any device whose size is one page's printable area; newPage is called
    // between pages (while painting) and may refuse by returning false.
    int render(QPaintDevice* device, const std::function<bool()>& newPage);
    QString errorString() const { return m_error; }

    bool savePdf(const QString& path);

    // The preview window over a printer that has the report's page layout; its tool bar
    // also offers saving as PDF. The caller owns the dialog.
    QPrintPreviewDialog* createPreview(QWidget* parent = nullptr);
    void preview(QWidget* parent = nullptr);
    // Asks for a printer and prints; false when cancelled or failed.
    bool print(QWidget* parent = nullptr);

private:
    bool paintPages(QPainter& painter, QPaintDevice* device, const std::function<bool()>& newPage,
                    int* pages);
    void savePdfFromPreview(QWidget* parent);

    QString m_title;
    QPageLayout m_layout;
    QFont m_font;
    Qt::LayoutDirection m_direction = Qt::RightToLeft;
    ReportBand m_bands[4];
    RecordCount m_recordCount;
    FieldText m_fieldText;
    QString m_error;
};
