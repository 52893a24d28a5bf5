#include "import/engine/Durvel3ASCII.h"
#include "import/wizard/widgets/Durvel3TXTView.h"
#include "import/wizard/widgets/PreviewFont.h"

#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("data.txt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

void doubleClickAt(TDurvel3TXTViewer& v, int x)
{
    QTest::mouseDClick(v.viewport(), Qt::LeftButton, {}, QPoint(x, 40));
}

void dragArrow(TDurvel3TXTViewer& v, int fromX, int toX)
{
    QWidget* vp = v.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(fromX, 40));
    QMouseEvent move(QEvent::MouseMove, QPointF(toX, 40), vp->mapToGlobal(QPointF(toX, 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(toX, 40));
}

// Whether anything but the background was drawn in a column of the first line.
bool inkInColumn(const QImage& img, const TDurvel3TXTViewer& v, int column)
{
    const QRgb bg = img.pixel(1, v.LineY(0) + 2);
    for (int x = v.ColumnX(column); x < v.ColumnX(column + 1); ++x)
        for (int y = v.LineY(0); y < v.LineY(0) + v.CharHeight(); ++y)
            if (img.pixel(x, y) != bg)
                return true;
    return false;
}

// One UTF-8 line shown in v, `width` pixels wide, with an arrow when given; what is drawn.
QImage showLine(TDurvel3TXTViewer& v, const QTemporaryDir& dir, const QString& line,
                int width = 300, int arrow = -1)
{
    v.resize(width, 120);
    v.show();
    v.LoadFromFile(writeFile(dir, QByteArray("\xEF\xBB\xBF") + line.toUtf8() + '\n'));
    if (arrow >= 0)
        v.AddArrow(arrow);
    return v.viewport()->grab().toImage();
}

// The ink of the first line between two x positions: its topmost pixel (x -1 when there is
// none), and the longest unbroken horizontal stretch of ink in any pixel row.
struct Ink
{
    int topX = -1, topY = -1, longestStretch = 0;
};

Ink inkBetween(const QImage& img, const TDurvel3TXTViewer& v, int x1, int x2)
{
    const QRgb bg = img.pixel(1, v.LineY(0) + 2);
    Ink ink;
    for (int y = v.LineY(0); y < v.LineY(0) + v.CharHeight(); ++y)
        for (int x = x1, stretch = 0; x < x2; ++x) {
            const bool on = img.pixel(x, y) != bg;
            if (on && ink.topX < 0)
                ink = {x, y, ink.longestStretch};
            stretch = on ? stretch + 1 : 0;
            ink.longestStretch = qMax(ink.longestStretch, stretch);
        }
    return ink;
}

} // namespace

class TestTxtViewer : public QObject
{
    Q_OBJECT

private slots:
    // The user places arrows around a field by double clicks and selects it by a click; the
    // fixed-width reader given that start and size reads exactly the field's text.
    void arrowsCutWhereTheReaderCuts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("field");
        // "12<tab>علي رضايي<tab>500" in Windows Arabic: the tab after "12" pads to column 8.
        const QByteArray cp1256("12\t\xDA\xE1\xED \xD1\xD6\xC7\xED\xED\t500\r\nx\r\n");
        QTest::newRow("cp1256 name after a tab")
            << cp1256 << 1256 << int(ctCp1256) << 8 << 9 << QString("علي رضايي");
        QTest::newRow("cp1256 amount after the second tab")
            << cp1256 << 1256 << int(ctCp1256) << 24 << 3 << QString("500");
        QTest::newRow("cp1256 across the tab")
            << cp1256 << 1256 << int(ctCp1256) << 0 << 10 << QString("12      عل");
        const QByteArray utf8 = QByteArray("\xEF\xBB\xBF") + QString("a\tسلام\tب\n").toUtf8();
        QTest::newRow("utf-8 with a mark")
            << utf8 << -1 << int(ctUtf8) << 8 << 4 << QString("سلام");
    }
    void arrowsCutWhereTheReaderCuts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        QFETCH(int, encoding);
        QFETCH(int, start);
        QFETCH(int, size);
        QFETCH(QString, field);
        QTemporaryDir dir;
        const QString path = writeFile(dir, bytes);
        QVERIFY(!path.isEmpty());

        TDurvel3TXTViewer v;
        v.resize(420, 160);
        v.show();
        v.SetCodePage(codePage);
        v.LoadFromFile(path);
        const int cw = v.CharWidth();
        QVERIFY(cw > 4);
        // Near the boundaries, not on them: the clicks snap.
        doubleClickAt(v, v.ColumnX(start) + 1);
        doubleClickAt(v, v.ColumnX(start + size) - 2);
        QCOMPARE(v.Arrows().Count(), 2);
        QSignalSpy changed(&v, &TDurvel3TXTViewer::SelectionChanged);
        QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, QPoint(v.ColumnX(start) + cw / 2, 40));
        QCOMPARE(changed.count(), 1);
        int gotStart = 0, gotSize = 0;
        v.GetSelection(gotStart, gotSize);
        QCOMPARE(gotStart, start);
        QCOMPARE(gotSize, size);
        QCOMPARE(v.Lines().Get(0).mid(start, size), field);

        TDurvel3ASCII reader;
        reader.Comma = QChar();
        reader.Encoding = TDurvelCharsetType(encoding);
        DurvelCellStore grid(1, 0);
        reader.ImportDestination = didStringGrid;
        reader.StringGrid = &grid;
        reader.Map().Add(QStringLiteral("0=%1;%2").arg(gotStart).arg(gotSize));
        reader.SetFileName(path);
        QVERIFY(reader.Execute());
        QCOMPARE(grid.cell(0, 0), field);
    }

    // Each character sits in its own column: the spaces a tab became stay empty and the
    // Persian letters are drawn inside the columns the reader gives them.
    void charactersAreDrawnInTheirColumns()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QByteArray("12\t\xDA\xE1\xED\r\n"));
        TDurvel3TXTViewer v;
        v.resize(300, 120);
        v.show();
        v.SetCodePage(1256);
        v.LoadFromFile(path);
        const QImage img = v.viewport()->grab().toImage();
        QVERIFY(inkInColumn(img, v, 0));
        for (int c = 2; c < 8; ++c)
            QVERIFY2(!inkInColumn(img, v, c), qPrintable(QString::number(c)));
        for (int c = 8; c < 11; ++c)
            QVERIFY2(inkInColumn(img, v, c), qPrintable(QString::number(c)));
        QVERIFY(!inkInColumn(img, v, 12));
    }

    // Which characters are drawn together as a right-to-left run ("start+length").
    void rightToLeftRuns_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<int>>("cuts");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("a name") << QString::fromUtf8("علی") << QList<int>{} << QStringList{"0+3"};
        QTest::newRow("words of a phrase, between numbers")
            << QString::fromUtf8("12 علی رضا  500") << QList<int>{} << QStringList{"3+7"};
        QTest::newRow("a gap of blanks parts fields")
            << QString::fromUtf8("علی   رضا") << QList<int>{} << QStringList{"0+3", "6+3"};
        QTest::newRow("an arrow cuts a word")
            << QString::fromUtf8("علی") << QList<int>{1} << QStringList{"0+1", "1+2"};
        QTest::newRow("an arrow before a word")
            << QString::fromUtf8("ab علی") << QList<int>{3} << QStringList{"3+3"};
        QTest::newRow("digits between letters")
            << QString::fromUtf8("کوچه ۱۲ پلاک") << QList<int>{} << QStringList{"0+12"};
        QTest::newRow("digits after the last letter keep their columns")
            << QString::fromUtf8("علی 12") << QList<int>{} << QStringList{"0+3"};
        QTest::newRow("a mark and a joiner go with their letter")
            << QString::fromUtf8("بِ\u200c ") << QList<int>{} << QStringList{"0+3"};
        QTest::newRow("a latin letter ends a run")
            << QString::fromUtf8("علیxرضا") << QList<int>{} << QStringList{"0+3", "4+3"};
        QTest::newRow("latin only") << QString("abc 12") << QList<int>{} << QStringList{};
    }
    void rightToLeftRuns()
    {
        QFETCH(QString, line);
        QFETCH(QList<int>, cuts);
        QFETCH(QStringList, runs);
        QStringList got;
        for (const TViewRun& r : TDurvel3TXTViewer::RightToLeftRuns(line, cuts))
            got << QStringLiteral("%1+%2").arg(r.Start).arg(r.Length);
        QCOMPARE(got, runs);
    }

    // A Persian word is drawn shaped and in its reading order across its own columns: its
    // first letter, a tall alef, on the right, the joined letters one stroke, the blanks either
    // side empty. An arrow inside the word cuts it: the alef stands alone left of the arrow.
    void persianIsShapedInReadingOrder()
    {
        QTemporaryDir dir;
        TDurvel3TXTViewer v;
        QImage img = showLine(v, dir, QString::fromUtf8("x اببب y"));
        const int left = v.ColumnX(2), right = v.ColumnX(6);
        const Ink ink = inkBetween(img, v, left, right);
        QVERIFY2(ink.topX > (left + right) / 2, qPrintable(QString::number(ink.topX)));
        QVERIFY2(ink.longestStretch >= (right - left) / 2,
                 qPrintable(QString::number(ink.longestStretch)));
        QVERIFY(inkInColumn(img, v, 0) && inkInColumn(img, v, 7));
        QVERIFY(!inkInColumn(img, v, 1) && !inkInColumn(img, v, 6));

        TDurvel3TXTViewer cut;
        img = showLine(cut, dir, QString::fromUtf8("اببب"), 300, 1);
        const Ink alef = inkBetween(img, cut, cut.ColumnX(0), cut.ColumnX(1) - 1);
        const Ink rest = inkBetween(img, cut, cut.ColumnX(1) + 1, cut.ColumnX(4));
        QVERIFY(alef.topX >= 0 && rest.topX >= 0);
        QVERIFY2(alef.topY < rest.topY,
                 qPrintable(QStringLiteral("%1 %2").arg(alef.topY).arg(rest.topY)));
    }

    // A word of wide letters, wider than its columns, takes the blanks after it in its field at
    // its own width rather than being squeezed into them; a blank stays before the next text,
    // and an arrow right after the word keeps it inside its own columns.
    void aWideWordTakesTheBlanksAfterIt()
    {
        QTemporaryDir dir;
        const QString word = QStringLiteral("صصص");
        const QString line = word + QString(9, u' ') + QStringLiteral("12");
        TDurvel3TXTViewer v;
        QImage img = showLine(v, dir, line);
        QFont runFont = v.font();
        runFont.setFamilies(arabicScriptFaces(v.font()));
        const qreal width = QFontMetricsF(runFont).horizontalAdvance(word);
        if (width <= 3 * v.CharWidth() - 2)
            QSKIP("the word fits its columns in this face");
        const Ink beyond = inkBetween(img, v, v.ColumnX(3), v.ColumnX(11));
        QVERIFY(beyond.topX >= 0);
        QVERIFY(!inkInColumn(img, v, 11));
        QVERIFY(inkInColumn(img, v, 12));
        // Not narrowed: the ink reaches past its own columns by most of what it lacks there.
        int right = v.ColumnX(3);
        for (int x = v.ColumnX(3); x < v.ColumnX(11); ++x)
            if (inkBetween(img, v, x, x + 1).topX >= 0)
                right = x;
        QVERIFY2(right - v.ColumnX(0) >= width - 2, qPrintable(QString::number(right)));

        TDurvel3TXTViewer cut;
        img = showLine(cut, dir, line, 300, 3);
        QVERIFY(inkInColumn(img, cut, 0));
        QVERIFY(inkBetween(img, cut, cut.ColumnX(3) + 1, cut.ColumnX(11)).topX < 0);
    }

    // Scrolled into the middle of a run, the part in view is drawn as it is unscrolled.
    void aRunScrolledHalfOutOfViewIsDrawnTheSame()
    {
        QTemporaryDir dir;
        const QString line = QString(40, u'a') + QString(30, QChar(0x628));
        TDurvel3TXTViewer whole, scrolled;
        const QImage a = showLine(whole, dir, line, 900);
        showLine(scrolled, dir, line, 200);
        scrolled.horizontalScrollBar()->setValue(44);
        QCOMPARE(scrolled.ColumnX(44), scrolled.CharWidth());
        const QImage b = scrolled.viewport()->grab().toImage();
        const QSize size(5 * whole.CharWidth(), whole.CharHeight());
        const QRect inScrolled(QPoint(scrolled.ColumnX(45), whole.LineY(0)), size);
        QVERIFY(inkBetween(b, scrolled, inScrolled.left(), inScrolled.right()).topX >= 0);
        QCOMPARE(b.copy(inScrolled),
                 a.copy(QRect(QPoint(whole.ColumnX(45), whole.LineY(0)), size)));
    }

    void loadFailuresKeepTheLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString() << "File name is not specified";
        QTest::newRow("missing") << "/nonexistent/x.txt"
                                 << "File /nonexistent/x.txt does not exist";
    }
    void loadFailuresKeepTheLines()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        TDurvel3TXTViewer v;
        v.LoadFromFile(writeFile(dir, "one\ntwo\n"));
        try {
            v.LoadFromFile(name);
            QFAIL("no error");
        } catch (const EDurvelError& e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(v.Lines().ToStringList(), QStringList({"one", "two"}));
    }

    void lineLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("lines");
        QTest::newRow("zero loads all") << 0 << 5;
        QTest::newRow("two") << 2 << 2;
        QTest::newRow("more than the file") << 9 << 5;
    }
    void lineLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, lines);
        QTemporaryDir dir;
        TDurvel3TXTViewer v;
        v.SetLineLimit(limit);
        v.LoadFromFile(writeFile(dir, "a\nb\t\nc\nd\ne\n"));
        QCOMPARE(v.Lines().Count(), lines);
        QCOMPARE(v.LongestLine(), 8); // the tab counted as the spaces it becomes
    }

    void arrowEditing()
    {
        QTemporaryDir dir;
        TDurvel3TXTViewer v;
        v.resize(400, 120);
        v.show();
        v.LoadFromFile(writeFile(dir, "abcdefghijklmnopqrstuvwxyz\n"));
        QSignalSpy removed(&v, &TDurvel3TXTViewer::ArrowRemoved);
        QSignalSpy moved(&v, &TDurvel3TXTViewer::ArrowMoved);
        QSignalSpy merged(&v, &TDurvel3TXTViewer::ArrowMerged);
        doubleClickAt(v, v.CharWidth() / 2 - 1); // left of the first boundary: nothing
        QCOMPARE(v.Arrows().Count(), 0);
        v.AddArrow(2);
        v.AddArrow(5);
        v.AddArrow(5);
        v.AddArrow(9);
        QCOMPARE(v.Arrows().Count(), 3);
        v.SetSelection(2, 3);
        int s = 0, n = 0;
        v.GetSelection(s, n);
        QCOMPARE(QPoint(s, n), QPoint(2, 3));
        v.SetSelection(2, 4); // no arrow at 6
        v.GetSelection(s, n);
        QCOMPARE(QPoint(s, n), QPoint(-1, -1));

        dragArrow(v, v.ColumnX(5), v.ColumnX(7));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.first().at(0).toInt(), 5);
        QCOMPARE(moved.first().at(1).toInt(), 7);
        QVERIFY(v.Arrows().ArrowAt(7));

        dragArrow(v, v.ColumnX(7), v.ColumnX(9));
        QCOMPARE(merged.count(), 1);
        QCOMPARE(merged.first().at(0).toInt(), 9);
        QCOMPARE(v.Arrows().Count(), 2); // dropped onto the other: one arrow left

        doubleClickAt(v, v.ColumnX(2) + 1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(0).toInt(), 2);
        QCOMPARE(v.Arrows().Count(), 1);
    }

    void clickSelectsAndSecondClickDeselects()
    {
        QTemporaryDir dir;
        TDurvel3TXTViewer v;
        v.resize(400, 120);
        v.show();
        v.LoadFromFile(writeFile(dir, "abcdefghijklmnopqrstuvwxyz\n"));
        v.AddArrow(1);
        v.AddArrow(4);
        v.AddArrow(8);
        const QPoint inSecond(v.ColumnX(5) + 2, 40);
        QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, inSecond);
        int s = 0, n = 0;
        v.GetSelection(s, n);
        QCOMPARE(QPoint(s, n), QPoint(4, 4));
        QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, inSecond);
        v.GetSelection(s, n);
        QCOMPARE(QPoint(s, n), QPoint(-1, -1));
    }
};

QTEST_MAIN(TestTxtViewer)
#include "test_txtviewer.moc"
