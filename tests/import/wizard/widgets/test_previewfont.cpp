// The previews' fixed-pitch font: Persian words joined in a proportional face, as wide as the
// joined word and on the Latin text's baseline; Latin characters one pitch each, so that a
// column counted in characters still holds them.

#include "import/wizard/widgets/Durvel3TXTView.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"
#include "import/wizard/widgets/PreviewFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>

namespace {

QList<QGlyphRun> glyphRuns(const QString& Text, const QFont& Font)
{
    QTextLayout layout(Text, Font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    return layout.glyphRuns();
}

qreal lineAscent(const QString& Text, const QFont& Font)
{
    QTextLayout layout(Text, Font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return line.ascent();
}

QFont gridFont()
{
    TKobWideStringGrid grid;
    grid.SetPreviewLook();
    return grid.font();
}

QFont viewerFont()
{
    TDurvel3TXTViewer viewer;
    return viewer.font();
}

// The first and last pixel rows of Area that hold ink (darker than a light grey); -1 and -1
// when there is none.
QPair<int, int> inkRows(const QImage& Image, const QRect& Area)
{
    QPair<int, int> rows{-1, -1};
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            if (qGray(Image.pixel(x, y)) < 192) {
                if (rows.first < 0)
                    rows.first = y;
                rows.second = y;
                break;
            }
    return rows;
}

// How many pixel rows Text covers when nothing cuts it.
int wholeInkHeight(const QString& Text, const QFont& Font)
{
    QImage image(600, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setFont(Font);
        p.setPen(Qt::black);
        p.drawText(QPoint(20, 100), Text);
    }
    const auto rows = inkRows(image, image.rect());
    return rows.second - rows.first + 1;
}

// Above and below the baseline, the most that the faces drawing Text reach.
int facesHeight(const QString& Text, const QFont& Font)
{
    qreal ascent = 0;
    qreal descent = 0;
    for (const QGlyphRun& run : glyphRuns(Text, Font)) {
        ascent = qMax(ascent, run.rawFont().ascent());
        descent = qMax(descent, run.rawFont().descent());
    }
    return qCeil(ascent + descent - 0.01);
}

const QStringList kNames{QStringLiteral("تهرانی"), QStringLiteral("قلیچ‌خانی"),
                         QStringLiteral("ژیلا گل‌پور"), QStringLiteral("عبدالحسین")};

} // namespace

class TestPreviewFont : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QFontDatabase::families(QFontDatabase::Arabic).isEmpty())
            QSKIP("no face with Arabic letters on this desktop");
    }

    void persianWordsAreJoined_data()
    {
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<QString>("word");
        for (const bool viewer : {false, true}) {
            const char* where = viewer ? "viewer" : "grid";
            QTest::addRow("%s: a name", where) << viewer << QStringLiteral("تهرانی");
            QTest::addRow("%s: a joiner", where) << viewer << QStringLiteral("قلیچ‌خانی");
            QTest::addRow("%s: Arabic yeh and kaf", where) << viewer << QStringLiteral("كريمي");
        }
    }
    // One run in a proportional face, as wide as the word in that face alone: not a fixed-pitch
    // Arabic face that gives every letter a column ("تهرا نی"), and narrower than as many
    // columns. On the Latin text's baseline, so a Persian cell is not pushed down and cut.
    void persianWordsAreJoined()
    {
        QFETCH(bool, viewer);
        QFETCH(QString, word);
        const QFont font = viewer ? viewerFont() : gridFont();
        const QList<QGlyphRun> runs = glyphRuns(word, font);
        QCOMPARE(runs.size(), 1);
        const QString face = runs.first().rawFont().familyName();
        QVERIFY2(!QFontDatabase::isFixedPitch(face), qPrintable(face));
        QFont alone = font;
        alone.setFamilies({face});
        const QFontMetricsF metrics(font);
        QCOMPARE(metrics.horizontalAdvance(word), QFontMetricsF(alone).horizontalAdvance(word));
        if (!word.contains(QChar(0x200C)))
            QVERIFY(metrics.horizontalAdvance(word) <
                    word.size() * metrics.horizontalAdvance(QLatin1Char('X')));
        QCOMPARE(lineAscent(word, font), lineAscent(QStringLiteral("Reza 12"), font));
    }

    // A row of the grid and a line of the viewer hold a Persian name whole at any size of the
    // font, in whatever face draws it: the machine's own preview face, or one far taller than
    // the fixed-pitch face (Noto Sans Arabic where it is the desktop's only Arabic face).
    void personNamesFitTheirRows_data()
    {
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<QString>("arabicFace"); // empty: the one the preview font chooses
        QTest::addColumn<int>("pixels");         // 0: the widget's own font
        for (const bool viewer : {false, true}) {
            const char* where = viewer ? "viewer" : "grid";
            QTest::addRow("%s: its own font", where) << viewer << QString() << 0;
            QTest::addRow("%s: 1.25 times", where) << viewer << QString() << 14;
            QTest::addRow("%s: 1.5 times", where) << viewer << QString() << 17;
            for (const int pixels : {11, 14, 17})
                QTest::addRow("%s: Noto Sans Arabic, %d px", where, pixels)
                    << viewer << QStringLiteral("Noto Sans Arabic") << pixels;
        }
    }
    void personNamesFitTheirRows()
    {
        QFETCH(bool, viewer);
        QFETCH(QString, arabicFace);
        QFETCH(int, pixels);
        if (!arabicFace.isEmpty() && !QFontDatabase::hasFamily(arabicFace))
            QSKIP("the face is not installed");
        QFont font = viewer ? viewerFont() : gridFont();
        if (pixels > 0) {
            QFont request(QStringLiteral("Courier New"));
            request.setPixelSize(pixels);
            font = previewFont(request);
            if (!arabicFace.isEmpty())
                font.setFamilies({font.families().first(), arabicFace});
        }
        QTemporaryDir dir;
        for (const QString& name : kNames) {
            QImage shown;
            QRect area;
            int room = 0;
            QFont drawn;
            if (viewer) {
                TDurvel3TXTViewer v;
                if (pixels > 0)
                    v.setFont(font);
                v.resize(400, 160);
                const QString path = dir.filePath(QStringLiteral("name.txt"));
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray("\xEF\xBB\xBF  ") + name.toUtf8() + '\n');
                f.close();
                v.LoadFromFile(path);
                shown = v.viewport()->grab().toImage();
                area = QRect(0, v.LineY(0), shown.width(), v.CharHeight());
                room = v.CharHeight();
                drawn = v.font();
            } else {
                TKobWideStringGrid g;
                g.SetPreviewLook();
                if (pixels > 0)
                    g.setFont(font);
                g.SetColCount(3);
                g.SetRowCount(4);
                g.SetColWidths(1, 300);
                g.resize(500, 200);
                // Not the current cell, which is drawn selected.
                g.SetCells(1, 2, name);
                shown = g.viewport()->grab().toImage();
                area = g.CellRect(1, 2);
                room = g.RowHeights(2) - 4;
                drawn = g.font();
            }
            QVERIFY2(room >= facesHeight(name, drawn), qPrintable(name));
            // Nothing reaches the edge of the box that clips it, and all of the name is there
            // (the viewer fits a run to its columns, which may shade a row of a dot otherwise).
            const auto rows = inkRows(shown, area);
            QVERIFY2(rows.first > area.top() && rows.second < area.bottom(), qPrintable(name));
            const int whole = wholeInkHeight(name, drawn);
            QVERIFY2(qAbs(rows.second - rows.first + 1 - whole) <= (viewer ? 1 : 0),
                     qPrintable(QStringLiteral("%1: %2 of %3 rows")
                                    .arg(name)
                                    .arg(rows.second - rows.first + 1)
                                    .arg(whole)));
        }
    }

    void latinKeepsThePitch_data()
    {
        QTest::addColumn<bool>("viewer");
        QTest::addColumn<QString>("text");
        for (const bool viewer : {false, true}) {
            const char* where = viewer ? "viewer" : "grid";
            QTest::addRow("%s: digits", where) << viewer << QStringLiteral("0123456789");
            QTest::addRow("%s: letters", where) << viewer << QStringLiteral("WiMlXi_Column");
            QTest::addRow("%s: signs", where) << viewer << QStringLiteral(" .,-/:;()");
        }
    }
    // A column of N characters, measured as N times "X", holds N Latin characters of any kind.
    void latinKeepsThePitch()
    {
        QFETCH(bool, viewer);
        QFETCH(QString, text);
        const QFont font = viewer ? viewerFont() : gridFont();
        const QFontMetricsF metrics(font);
        const qreal pitch = metrics.horizontalAdvance(QLatin1Char('X'));
        QVERIFY(qAbs(metrics.horizontalAdvance(text) - text.size() * pitch) < 0.01);
        for (const QChar c : text)
            QVERIFY2(qAbs(metrics.horizontalAdvance(c) - pitch) < 0.01, qPrintable(QString(c)));
        // The pages count whole pixels.
        const QFontMetrics whole(font);
        QVERIFY(whole.horizontalAdvance(text) <=
                int(text.size()) * whole.horizontalAdvance(QLatin1Char('X')));
    }
};

QTEST_MAIN(TestPreviewFont)
#include "test_previewfont.moc"
