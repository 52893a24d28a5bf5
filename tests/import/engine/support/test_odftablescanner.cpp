#include "import/engine/support/OdfTableScanner.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

const QByteArray kRoot =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
    "<office:spreadsheet>";
const QByteArray kEnd = "</office:spreadsheet></office:body></office:document-content>\n";

QByteArray rows(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" +
               QByteArray::number(i) + "</text:p></table:table-cell></table:table-row>";
    return out;
}

} // namespace

class TestOdfTableScanner : public QObject
{
    Q_OBJECT

private slots:
    // The part is longer than the bytes the scanner holds (its least), and arrives a few bytes at a
    // time, so that every tag is cut somewhere by the end of the bytes held: each table is found
    // whole, by name, and markup hidden in comments, sections and quoted values ends nothing.
    void tablesAreFoundWhereverTheBytesBreak_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("two sheets")
            << "<table:table table:name=\"A\">" + rows(60) +
                   "</table:table><table:table table:name=\"B\">" + rows(50) + "</table:table>"
            << QStringList{"A", "B"};
        QTest::newRow("end tags with blanks, an empty table")
            << "<table:table\ttable:name=\"A\">" + rows(45) +
                   "</table:table\n><table:table table:name=\"E\"/>"
                   "<table:table table:name=\"C\">" +
                   rows(45) + "</table:table >"
            << QStringList{"A", "E", "C"};
        QTest::newRow("markup that is not")
            << QByteArray(
                   "<!-- <table:table table:name=\"X\"> --><?pi </table:table>?>"
                   "<table:table table:name=\"A\" table:style-name=\"a>b\">"
                   "<table:table-row><table:table-cell><text:p><![CDATA[</table:table>]]></text:p>"
                   "</table:table-cell></table:table-row></table:table>")
            << QStringList{"A"};
        QTest::newRow("a nested table is part of its sheet")
            << QByteArray("<table:table table:name=\"A\"><table:table-row><table:table-cell>"
                          "<table:table table:name=\"N\">") +
                   rows(45) + "</table:table></table:table-cell></table:table-row></table:table>"
            << QStringList{"A"};
    }
    void tablesAreFoundWhereverTheBytesBreak()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, names);
        const QByteArray part = kRoot + body + kEnd;
        for (const qint64 chunk : {1, 2, 3, 5, 7, 11, 16, 17, 31, 64, 4096}) {
            qint64 at = 0;
            OdfTableScanner scanner(
                [&](char* buffer, qint64 size) {
                    const qint64 n = qMin(qMin(size, chunk), qint64(part.size()) - at);
                    std::memcpy(buffer, part.constData() + at, std::size_t(n));
                    at += n;
                    return n;
                },
                4096);
            QVERIFY(scanner.start());
            QStringList found;
            while (scanner.nextTable()) {
                // Every other table is read through Feed, the rest skipped.
                if (found.size() % 2 == 0) {
                    QByteArray fed;
                    char buf[7];
                    for (qint64 n; (n = scanner.feed(buf, sizeof buf)) > 0;)
                        fed.append(buf, n);
                    QVERIFY2(fed.startsWith(kRoot.left(kRoot.indexOf("<office:body>"))) &&
                                 fed.endsWith("</office:document-content>"),
                             qPrintable(QStringLiteral("%1: %2").arg(chunk).arg(fed.right(60))));
                    const auto m =
                        QRegularExpression("table:name=\"(\\w)\"").match(QString::fromUtf8(fed));
                    found << m.captured(1);
                } else {
                    found << QStringLiteral("?");
                }
                QVERIFY(scanner.skipTable());
            }
            QVERIFY2(!scanner.unsure() && scanner.finished(), qPrintable(QString::number(chunk)));
            QCOMPARE(found.size(), names.size());
            for (int i = 0; i < names.size(); i += 2)
                QCOMPARE(found[i], names[i]);
        }
    }
};

QTEST_GUILESS_MAIN(TestOdfTableScanner)
#include "test_odftablescanner.moc"
