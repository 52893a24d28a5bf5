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


    // The scan reads the page as the parser does: what the parser reads as text ("<!" markup
    // such as Word's conditional markup, a start tag of no letter) and what it passes over
    // (comments closed with "--!>", instructions, DOCTYPE literals, a tag's text that is no
    // attribute) hides no element from it; an end tag at the start of script text, which may
    // end it, is refused.
    void scanReadsThePageAsTheParser_data()
    {
        QTest::addColumn<QString>("before"); // markup before a cell of too many attributes
        QTest::addColumn<QString>("cell");   // "" for the crowded one
        QTest::addColumn<QString>("refusal");
        QString crowded = QStringLiteral("<td");
        for (int i = 0; i <= xml::kMaxAttributes; ++i)
            crowded += QStringLiteral(" a%1").arg(i);
        crowded += u'>';
        const QString many = QString::number(xml::kMaxAttributes);
        QTest::newRow("conditional markup") << "<![if !supportLists]>x<![endif]>" << crowded << many;
        QTest::newRow("CDATA") << "<![CDATA[ x" << crowded + "]]>" << many;
        QTest::newRow("markup with a quote") << "<!x \"" << crowded + "\">" << many;
        QTest::newRow("comment closed by --!>") << "<!-- a --!>" << crowded << many;
        QTest::newRow("instruction with a quote") << "<?x a=\"?>\"?>" << crowded << many;
        QTest::newRow("instruction without a target") << "<? \"" << crowded + "\">" << many;
        QTest::newRow("end tag without a name") << "</1" << crowded << many;
        QTest::newRow("DOCTYPE literal holding a comment's start")
            << "<!DOCTYPE html SYSTEM \"><!--\">" << crowded + "-->" << many;
        QTest::newRow("DOCTYPE without literals") << "<!DOCTYPE html \"x\">" << crowded << many;
        QTest::newRow("a start tag that is text") << "<_x a=\"" << crowded + "\">" << many;
        QTest::newRow("quoted text in a tag")
            << "" << QString(crowded).replace("<td", "<td \"x") + "\"" << many;
        QTest::newRow("end tag at the start of a script")
            << "<script></td>" << QStringLiteral("<td>1</td></script>") << "script";
        QTest::newRow("noscript at the start of a script")
            << "<script>" << QString(crowded).replace("<td", "<noscript") << many;
    }
    void scanReadsThePageAsTheParser()
    {
        QFETCH(QString, before);
        QFETCH(QString, cell);
        QFETCH(QString, refusal);
        const QString page =
            QStringLiteral("<html><body><table><tr>%1%2</tr></table></body></html>").arg(before, cell);
        try {
            html::parseTables(page);
            QFAIL("not refused");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(refusal), e.what());
        }
    }

    // Script and style text is no markup: a saved page whose script compares thousands of
    // values (a<b, read as markup one tag of thousands of attributes) is read, its tables
    // whole; a script ends at its own end tag alone.
    void scriptAndStyleTextIsNotMarkup_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("text");
        QString compares;
        for (int i = 0; i <= 2 * xml::kMaxAttributes; ++i)
            compares += QStringLiteral("if (a<b%1 && c%1) y++;\n").arg(i);
        QTest::newRow("script") << "script" << compares;
        QTest::newRow("script in capitals, with attributes")
            << "SCRIPT type=\"text/javascript\"" << compares;
        QTest::newRow("script with an end tag of a longer name")
            << "script" << compares + "</scriptx>" + compares;
        QTest::newRow("script with an end tag of another element")
            << "script" << "x</td>" + compares;
        QTest::newRow("style") << "style" << QString(compares).replace("if", "p");
    }
    void scriptAndStyleTextIsNotMarkup()
    {
        QFETCH(QString, element);
        QFETCH(QString, text);
        const QString name = element.section(u' ', 0, 0);
        const QString page = QStringLiteral("<html><head><%1>%2</%3></head><body><table><tr>"
                                            "<td>1</td><td>2</td></tr></table></body></html>")
                                 .arg(element, text, name);
        const auto tables = html::parseTables(page);
        QCOMPARE(tables.size(), std::size_t(1));
        QCOMPARE(tables[0].rows, (Rows{{"1", "2"}}));
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
