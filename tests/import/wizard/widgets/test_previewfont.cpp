// The previews' fixed-pitch font: Persian words joined in a proportional face, as wide as the
// joined word and on the Latin text's baseline; Latin characters one pitch each, so that a
// column counted in characters still holds them.

#include "import/wizard/widgets/Durvel3TXTView.h"
#include "import/wizard/widgets/Durvel3WideStringGrid.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QRawFont>
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
