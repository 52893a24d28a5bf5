#include "platform/codepage/CodePage.h"
#include "platform/html/HtmlDocument.h"
#include "platform/xml/AttributeLimit.h"

#include <QtTest>

using Rows = std::vector<QStringList>;
Q_DECLARE_METATYPE(Rows)

class TestHtml : public QObject
{
    Q_OBJECT

private slots:
    void cellText_data()
    {
        QTest::addColumn<QString>("cellHtml");
        QTest::addColumn<QString>("text");
        QTest::newRow("white space collapses") << "  a \n\t b  "
                                               << "a b";
        QTest::newRow("br is a line break") << "a<br>b<br/>c"
                                            << "a\nb\nc";
        QTest::newRow("blocks are lines") << "<p>one</p><div> two </div>three"
                                          << "one\ntwo\nthree";
        QTest::newRow("no-break spaces trimmed at the ends only") << "&nbsp;12&nbsp;&nbsp;"
                                                                  << "12";
        QTest::newRow("no-break space inside stays") << "1&nbsp;2" << u"1\u00A02"_qs;
        QTest::newRow("inline markup joins") << "<b>Ali</b> <i>Reza</i>"
                                             << "Ali Reza";
        QTest::newRow("character references") << "&lt;x&gt; &amp; &#1662;" << u"<x> & \u067E"_qs;
        QTest::newRow("script and style hidden") << "a<script>var x=1;</script><style>p{}</style>b"
                                                 << "ab";
        QTest::newRow("cyrillic kept whole")
            << u"\u0412\u0430\u0441\u044F"_qs << u"\u0412\u0430\u0441\u044F"_qs;
    }
    void cellText()
    {
        QFETCH(QString, cellHtml);
        QFETCH(QString, text);
        const auto tables = html::parseTables(
            QStringLiteral("<html><body><table><tr><td>%1</td></tr></table></body></html>")
                .arg(cellHtml));
        QCOMPARE(tables.size(), size_t(1));
        QCOMPARE(tables[0].rows.size(), size_t(1));
        QCOMPARE(tables[0].rows[0], QStringList{text});
    }

    void tables_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("table");
        QTest::addColumn<Rows>("rows");
        const QString two = QStringLiteral(
            "<table><tr><td>a</td></tr></table><p>x</p><table><tr><td>b</td><td>c</td></tr>"
            "</table>");
        QTest::newRow("first of two") << two << 0 << Rows{{"a"}};
        QTest::newRow("second of two") << two << 1 << Rows{{"b", "c"}};
        const QString nested =
            QStringLiteral("<table><tr><td>out<table><tr><td>in1</td><td>in2</td></tr></table></td>"
                           "<td>z</td></tr><tr><td>last</td></tr></table>");
        QTest::newRow("outer keeps its own rows and the nested text")
            << nested << 0 << Rows{{"out\nin1\tin2", "z"}, {"last"}};
        QTest::newRow("nested table follows its parent") << nested << 1 << Rows{{"in1", "in2"}};
        QTest::newRow("thead first, tfoot last, th cells")
            << QStringLiteral("<table><tfoot><tr><td>sum</td></tr></tfoot><tbody><tr><td>1"
                              "</td></tr></tbody><thead><tr><th>head</th></tr></thead>"
                              "<tr><td>2</td></tr></table>")
            << 0 << Rows{{"head"}, {"1"}, {"2"}, {"sum"}};
        QTest::newRow("unclosed cells and rows")
            << QStringLiteral("<table><tr><td>a<td>b<tr><td>c</table>") << 0
            << Rows{{"a", "b"}, {"c"}};
    }
    void tables()
    {
        QFETCH(QString, page);
        QFETCH(int, table);
        QFETCH(Rows, rows);
        const auto tables = html::parseTables(page);
        QVERIFY(int(tables.size()) > table);
        QCOMPARE(tables[size_t(table)].rows, rows);
    }

    void encoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        const QString persian = u"\u067E\u0686\u0698\u06AF"_qs; // پ چ ژ گ
        const QByteArray ansi = codepage::encode(1256, persian);
        const QByteArray utf8 = persian.toUtf8();
        QTest::newRow("utf-8 mark") << "\xEF\xBB\xBF<td>" + utf8 << codepage::Utf8;
        QTest::newRow("utf-16 mark")
            << QByteArray("\xFF\xFE", 2) +
                   QByteArray(reinterpret_cast<const char*>(persian.utf16()), persian.size() * 2)
            << codepage::Utf16LE;
        QTest::newRow("meta charset in lower case")
            << "<meta http-equiv=content-type content='text/html; charset=windows-1256'>" + ansi
            << 1256;
        QTest::newRow("meta charset in upper case")
            << "<META CHARSET=\"UTF-8\">" + utf8 << codepage::Utf8;
        QTest::newRow("no charset, valid utf-8") << "<p>" + utf8 << codepage::Utf8;
        QTest::newRow("no charset, not utf-8") << "<p>" + ansi << 1256;
    }
    void encoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        int used = 0;
        const QString text = html::decodePage(bytes, &used);
        QCOMPARE(used, codePage);
        QVERIFY2(text.contains(u"\u067E\u0686\u0698\u06AF"_qs), qPrintable(text));
        QVERIFY(!text.startsWith(QChar(0xFEFF)));
    }

    // HTML attributes may come without values; past the limit the page is refused unparsed.
    void tooManyAttributesAreRefused_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("valued");
        QTest::newRow("at the limit") << xml::kMaxAttributes << true;
        QTest::newRow("at the limit, without values") << xml::kMaxAttributes << false;
        QTest::newRow("100,000") << 100000 << true;
        QTest::newRow("100,000 without values") << 100000 << false;
    }
    void tooManyAttributesAreRefused()
    {
        QFETCH(int, count);
        QFETCH(bool, valued);
        QString cell = QStringLiteral("<td");
        for (int i = 0; i < count; ++i)
            cell += QStringLiteral(" a%1").arg(i) + (valued ? QStringLiteral("=x") : QString());
        const QString page = QStringLiteral("<html><body><!-- <td a b c> --><table><tr>") + cell +
                             QStringLiteral(">1</td></tr></table></body></html>");
        if (count <= xml::kMaxAttributes) {
            const auto tables = html::parseTables(page);
            QCOMPARE(tables.size(), std::size_t(1));
            QCOMPARE(tables[0].rows[0], QStringList{QStringLiteral("1")});
        } else {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, html::parseTables(page));
        }
    }

    // libxml2's HTML parser slows with the square of a page's different names too (500,000
    // took ten seconds): past the shared limit the page is refused unparsed.
    void tooManyNamesAreRefused_data()
    {
        QTest::addColumn<int>("extra");
        // html, body, table, tr, td and the cells' attributes.
        QTest::newRow("at the limit") << xml::kMaxNames - 5;
        QTest::newRow("one past it") << xml::kMaxNames - 4;
    }
    void tooManyNamesAreRefused()
    {
        QFETCH(int, extra);
        QString row;
        for (int i = 0; i < extra; ++i)
            row += QStringLiteral("<td a%1=x>1</td>").arg(i);
        const QString page = QStringLiteral("<html><body><table><tr>") + row +
                             QStringLiteral("</tr></table></body></html>");
        if (extra + 5 <= xml::kMaxNames) {
            const auto tables = html::parseTables(page);
            QCOMPARE(tables.size(), std::size_t(1));
            QCOMPARE(tables[0].rows[0].size(), extra);
        } else {
            try {
                html::parseTables(page);
                QFAIL("not refused");
            } catch (const std::runtime_error& e) {
                QVERIFY2(QString::fromUtf8(e.what()).contains(
                             QStringLiteral("more than %1 different").arg(xml::kMaxNames)),
                         e.what());
            }
        }
    }

    void declaredCharsetDoesNotReDecode()
    {
        // The page is decoded once; the parser must not apply the meta charset again.
        const QByteArray bytes =
            "<html><head><meta charset=windows-1256></head><body><table><tr><td>" +
            codepage::encode(1256, u"\u067E\u0686\u0698\u06AF"_qs) + "</td></tr></table>";
        const auto tables = html::parseTables(html::decodePage(bytes));
        QCOMPARE(tables.size(), size_t(1));
        QCOMPARE(tables[0].rows[0].value(0), u"\u067E\u0686\u0698\u06AF"_qs);
    }
};

QTEST_APPLESS_MAIN(TestHtml)
#include "test_html.moc"
