#include "platform/report/Report.h"
#include "tests/support/RecordingDevice.h"

#include <QAction>
#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString headerCaption = QString::fromUtf8("نمونه فايل ارسالي");
const QString sumCaption = QString::fromUtf8("جمع مبلغ:");

// The printed list: A5 portrait, 10 mm margins, so 128 x 190 mm to paint on.
// Page header 30 mm, detail 8 mm, summary 15 mm: 20 records fill the first page.
struct ListReport
{
    Report report;
    QStringList lines;
    ReportLabel* headerLine = nullptr;
    ReportLabel* total = nullptr;

    ListReport()
    {
        report.setPageSize(QPageSize::A5);
        report.setOrientation(QPageLayout::Portrait);
        report.setMargins(QMarginsF(10, 10, 10, 10));
        report.setFont(QFont(QStringLiteral("Noto Naskh Arabic"), 10));

        ReportBand* header = report.band(Report::PageHeader);
        header->setHeight(30);
        header->addLabel({0, 2, 128, 10}, headerCaption, Qt::AlignHCenter);
        header->addSysData({0, 14, 40, 8}, ReportSysData::Time, Qt::AlignLeft);
        header->addSysData({100, 14, 28, 8}, ReportSysData::PageNumber);
        headerLine = header->addLabel({0, 22, 128, 8}, QStringLiteral("... "), Qt::AlignHCenter);
        headerLine->setLayoutDirection(Qt::LeftToRight);

        ReportBand* detail = report.band(Report::Detail);
        detail->setHeight(8);
        detail->addSysData({110, 0, 18, 8}, ReportSysData::DetailNumber);
        detail->addDataText({0, 0, 100, 8}, QStringLiteral("txt"))
            ->setLayoutDirection(Qt::LeftToRight);
        detail->addShape({104, 0, 0, 8}, ReportShape::VerticalLine);

        ReportBand* summary = report.band(Report::Summary);
        summary->setHeight(15);
        summary->addLabel({90, 2, 38, 8}, sumCaption);
        total = summary->addLabel({0, 2, 80, 8}, QStringLiteral("..."));

        report.setDataSource([this] { return int(lines.size()); },
                             [this](int record, const QString& field) {
                                 return field == u"txt" ? lines.value(record) : QString();
                             });
    }

    void fill(int count)
    {
        lines.clear();
        for (int i = 0; i < count; ++i)
            lines << QStringLiteral("%1-0015000+").arg(1000000 + i);
    }
};

int renderTo(Report& report, RecordingDevice& device)
{
    return report.render(&device, [&device] { return device.newPage(); });
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void pagination_data();
    void pagination();
    void textPlacement();
    void labelsChangeBetweenRenders();
    void columnHeaderOnEveryPage();
    void bandsTallerThanPage();
    void refusedNewPage();
    void pdf_data();
    void pdf();
    void pdfToUnwritablePath();
    void previewUsesReportLayout();
};

void TestReport::pagination_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("recordsPerPage");

    QTest::newRow("empty list still prints") << 0 << QList<int>{0};
    QTest::newRow("one") << 1 << QList<int>{1};
    QTest::newRow("summary fits exactly") << 18 << QList<int>{18};
    QTest::newRow("summary moves to next page") << 19 << QList<int>{19, 0};
    QTest::newRow("details fill page exactly") << 20 << QList<int>{20, 0};
    QTest::newRow("one record over") << 21 << QList<int>{20, 1};
    QTest::newRow("three pages") << 45 << QList<int>{20, 20, 5};
}

void TestReport::pagination()
{
    QFETCH(int, records);
    QFETCH(QList<int>, recordsPerPage);

    ListReport list;
    list.fill(records);
    RecordingDevice device(128, 190);
    QCOMPARE(renderTo(list.report, device), recordsPerPage.size());
    QCOMPARE(device.pages.size(), recordsPerPage.size());

    int next = 0;
    for (int page = 0; page < device.pages.size(); ++page) {
        const QStringList texts = device.texts(page);
        QVERIFY2(texts.contains(headerCaption), qPrintable(QString::number(page + 1)));
        QVERIFY(texts.contains(QString::number(page + 1)) || recordsPerPage.at(page) > 0);
        QVERIFY(device.find(page, QStringLiteral("... ")));
        // Every record once, in order, with its detail number and one line beside it.
        QStringList lines;
        for (const QString& t : texts)
            if (t.endsWith(u'+'))
                lines << t;
        QCOMPARE(lines, list.lines.mid(next, recordsPerPage.at(page)));
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(texts.contains(QString::number(next + i + 1)));
        QCOMPARE(device.pages.at(page).lines.size(), recordsPerPage.at(page));
        next += recordsPerPage.at(page);
        const bool last = page == device.pages.size() - 1;
        QCOMPARE(texts.contains(sumCaption), last);
        QCOMPARE(texts.contains(QStringLiteral("...")), last);
    }
}

void TestReport::textPlacement()
{
    ListReport list;
    list.fill(3);
    RecordingDevice device(128, 190);
    QCOMPARE(renderTo(list.report, device), 1);
    const qreal px = 10; // per millimetre

    // Right-to-left text without an alignment starts at the right edge of its place.
    const auto* sum = device.find(0, sumCaption);
    QVERIFY(sum);
    QVERIFY(qAbs(sum->box.right() - 128 * px) < 2);
    QVERIFY(sum->box.top() >= (30 + 3 * 8 + 2) * px && sum->box.bottom() <= (30 + 3 * 8 + 10) * px);

    // Centred caption.
    const auto* caption = device.find(0, headerCaption);
    QVERIFY(caption);
    QVERIFY(qAbs(caption->box.center().x() - 64 * px) < 2);

    // Left-to-right record lines start at the left edge, one band below another.
    for (int i = 0; i < 3; ++i) {
        const auto* line = device.find(0, list.lines.at(i));
        QVERIFY(line);
        QVERIFY(qAbs(line->box.left()) < 2);
        QVERIFY(line->box.top() >= (30 + i * 8) * px &&
                line->box.bottom() <= (30 + (i + 1) * 8) * px);
        const QLineF& rule = device.pages.at(0).lines.at(i);
        QCOMPARE(rule.x1(), 104 * px);
        QCOMPARE(rule.y1(), (30 + i * 8) * px);
        QCOMPARE(rule.y2(), (30 + (i + 1) * 8) * px);
        const auto* number = device.find(0, QString::number(i + 1));
        QVERIFY(number);
        QVERIFY(number->box.left() > 110 * px);
    }

    // The time, left-aligned in its place.
    bool timeFound = false;
    for (const auto& t : device.pages.at(0).texts) {
        if (QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(t.text).hasMatch()) {
            timeFound = true;
            QVERIFY(qAbs(t.box.left()) < 2);
        }
    }
    QVERIFY(timeFound);
}

void TestReport::labelsChangeBetweenRenders()
{
    ListReport list;
    list.fill(1);
    list.total->setText(QStringLiteral("1,234,567"));
    list.headerLine->setText(QStringLiteral("H0012345670000001234"));
    RecordingDevice first(128, 190);
    renderTo(list.report, first);
    QVERIFY(first.find(0, QStringLiteral("1,234,567")));
    QVERIFY(first.find(0, QStringLiteral("H0012345670000001234")));
    QVERIFY(!first.find(0, QStringLiteral("...")));

    list.total->setText(QStringLiteral("15,000"));
    RecordingDevice second(128, 190);
    renderTo(list.report, second);
    QVERIFY(second.find(0, QStringLiteral("15,000")));
    QVERIFY(!second.find(0, QStringLiteral("1,234,567")));
    // Unchanged labels keep their text from the last time.
    QVERIFY(second.find(0, QStringLiteral("H0012345670000001234")));
}

void TestReport::columnHeaderOnEveryPage()
{
    ListReport list;
    ReportBand* columns = list.report.band(Report::ColumnHeader);
    columns->setHeight(10);
    columns->addLabel({0, 0, 100, 10}, QString::fromUtf8("مشخصه ركورد"));
    columns->addShape({0, 0, 128, 10}, ReportShape::Frame);
    list.fill(30); // 18 records fit below 40 mm of headers
    RecordingDevice device(128, 190);
    QCOMPARE(renderTo(list.report, device), 2);
    for (int page = 0; page < 2; ++page) {
        QVERIFY(device.find(page, QString::fromUtf8("مشخصه ركورد")));
        QCOMPARE(device.pages.at(page).rects.size(), 1);
        QCOMPARE(device.pages.at(page).rects.first(), QRectF(0, 300, 1280, 100));
    }
    QVERIFY(device.find(0, list.lines.at(17)));
    QVERIFY(device.find(1, list.lines.at(18)));
}

void TestReport::bandsTallerThanPage()
{
    ListReport list;
    list.fill(3);
    list.report.band(Report::Detail)->setHeight(170); // 30 + 170 > 190
    RecordingDevice device(128, 190);
    QCOMPARE(renderTo(list.report, device), -1);
    QVERIFY(!list.report.errorString().isEmpty());
    QCOMPARE(device.pages.size(), 1);
}

void TestReport::refusedNewPage()
{
    ListReport list;
    list.fill(25);
    RecordingDevice device(128, 190);
    QCOMPARE(list.report.render(&device, [] { return false; }), -1);
    QVERIFY(!list.report.errorString().isEmpty());
}

void TestReport::pdf_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("exact page of details") << 20 << 2;
    QTest::newRow("three pages") << 45 << 3;
}

void TestReport::pdf()
{
    QFETCH(int, records);
    QFETCH(int, pages);
    ListReport list;
    list.fill(records);
    list.report.setTitle(QStringLiteral("list"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("فهرست.pdf"));
    QVERIFY2(list.report.savePdf(path), qPrintable(list.report.errorString()));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(int(pdf.count("/Type /Page\n")), pages);
    // A5 in points: 148 x 210 mm.
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([\\d.]+) ([\\d.]+)\\]"));
    const auto match = box.match(QString::fromLatin1(pdf));
    QVERIFY(match.hasMatch());
    QVERIFY(qAbs(match.captured(1).toDouble() - 419.53) < 0.5);
    QVERIFY(qAbs(match.captured(2).toDouble() - 595.28) < 0.5);
}

void TestReport::pdfToUnwritablePath()
{
    ListReport list;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/out.pdf"));
    QVERIFY(!list.report.savePdf(path));
    QVERIFY(list.report.errorString().contains(path));
}

void TestReport::previewUsesReportLayout()
{
    ListReport list;
    std::unique_ptr<QPrintPreviewDialog> dialog(list.report.createPreview());
    const QPageLayout layout = dialog->printer()->pageLayout();
    QCOMPARE(layout.pageSize().id(), QPageSize::A5);
    QCOMPARE(layout.orientation(), QPageLayout::Portrait);
    QVERIFY(dialog->findChild<QAction*>(QStringLiteral("savePdfAction")));
}

QTEST_MAIN(TestReport)
#include "test_report.moc"
