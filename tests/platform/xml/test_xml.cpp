#include "platform/xml/Xml.h"

#include "platform/xml/AttributeLimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <thread>

using xml::Document;
using xml::Reader;

namespace {

const char* const kUri = "urn:test:main";

// Every element's local name and namespace, in document order, read by the stream.
QStringList streamElements(Reader& r)
{
    QStringList out;
    while (r.read()) {
        if (r.isElement())
            out << r.localName() + u'|' + r.namespaceUri();
    }
    return out;
}

// Every node the stream hands out, one line each.
QStringList transcript(Reader& r)
{
    QStringList out;
    while (r.read()) {
        QString line = QString::number(r.depth()) + u' ';
        switch (r.nodeType()) {
        case Reader::NodeType::Element:
            line += u'<' + r.name() + (r.isEmptyElement() ? QStringLiteral("/") : QString());
            for (const xml::Attribute& a : r.attributes())
                line += u' ' + a.name + u'=' + a.value;
            break;
        case Reader::NodeType::EndElement:
            line += QStringLiteral("</") + r.name();
            break;
        case Reader::NodeType::Text:
            line += QStringLiteral("text ") + r.value();
            break;
        case Reader::NodeType::Whitespace:
            line += QStringLiteral("blank ") + QString::number(r.value().size());
            break;
        case Reader::NodeType::Comment:
            line += QStringLiteral("comment ") + r.value();
            break;
        default:
            line += QStringLiteral("other");
        }
        out << line;
    }
    return out;
}

// A source that hands Doc out Piece bytes at a time.
Reader::ReadFunction pieces(const QByteArray& doc, qint64 piece)
{
    auto pos = std::make_shared<qsizetype>(0);
    return [doc, piece, pos](char* buf, qint64 size) -> qint64 {
        const qint64 n = qMin<qint64>(qMin(size, piece), doc.size() - *pos);
        memcpy(buf, doc.constData() + *pos, size_t(n));
        *pos += n;
        return n;
    };
}

QByteArray manyRows(int rows)
{
    QByteArray doc = "<d xmlns:x=\"urn:x\">\n";
    for (int i = 0; i < rows; ++i)
        doc += "  <row i=\"" + QByteArray::number(i) + "\" x:k=\"a&amp;b\"><c>" +
               QString::fromUtf8("متن ").toUtf8() + QByteArray::number(i) +
               "</c><c/><c></c><![CDATA[<" + QByteArray::number(i) + ">]]><!--n--></row>\n";
    return doc + "</d>";
}

// One element with Count attributes, in a document of a few others, as a data packet's row.
QByteArray manyAttributes(int count, bool withMarkup = false)
{
    QByteArray row = "<ROW";
    for (int i = 0; i < count; ++i)
        row += " f" + QByteArray::number(i) + "=\"" + QByteArray::number(i % 10) + "\"";
    row += "/>";
    QByteArray doc = "<?xml version=\"1.0\"?>";
    if (withMarkup)
        // Quotes, brackets and tags in comments, CDATA, values and the DTD are not attributes.
        doc += "<!DOCTYPE P [<!ENTITY e \"a='1' b='2'\">]><P><!-- <x a='1' b='2'> -->"
               "<![CDATA[<x a='1' b='2'>]]><?pi a='1' b='2'?><r v=\"x a='1' b>\" w='\"'/>";
    else
        doc += "<P>";
    return doc + "<ROWDATA>" + row + "</ROWDATA></P>";
}

enum class Named { Elements, Attributes, Instructions, Repeated };

// A document of exactly Count different names (its root's and the XML declaration's included)
// of that kind; Repeated: two names, used Count times.
QByteArray manyNames(int count, Named kind, bool withMarkup = false)
{
    QByteArray doc = "<?xml version=\"1.0\"?><r>";
    if (withMarkup)
        // Names in comments, CDATA and values are none of the document's ("r" is the root's).
        doc += "<!-- <c1 c2='1'/> --><![CDATA[<d1 d2='1'/>]]><r r=\"v1 v2='1'>\"/>";
    const int own = kind == Named::Attributes ? count - 3 : count - 2;
    for (int i = 0; i < own; ++i) {
        const QByteArray n = QByteArray::number(i);
        switch (kind) {
        case Named::Elements:
            doc += "<n" + n + "/>";
            break;
        case Named::Attributes:
            doc += "<e a" + n + "=\"1\"/>";
            break;
        case Named::Instructions:
            doc += "<?p" + n + " x?>";
            break;
        case Named::Repeated:
            doc += "<n/>";
            break;
        }
    }
    return doc + "</r>";
}

QByteArray toUtf16(const QByteArray& utf8, bool bigEndian)
{
    const QString text = QString::fromUtf8(utf8);
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

// Text (ASCII) in the units of an encoding, with no byte-order mark.
QByteArray inUnits(const QByteArray& ascii, int width, bool bigEndian)
{
    QByteArray out;
    for (char c : ascii) {
        QByteArray unit(width, '\0');
        unit[bigEndian ? width - 1 : 0] = c;
        out += unit;
    }
    return out;
}

// An element of one attribute more than the limit; Quote is the values' quote.
QByteArray crowdedElement(char quote = '"')
{
    QByteArray e = "<e";
    for (int i = 0; i <= xml::kMaxAttributes; ++i)
        e += " a" + QByteArray::number(i) + "=" + quote + quote;
    return e + "/>";
}

} // namespace

// Runs one parse of a document that must (or must not) be refused, with the refusal's text.
static void checkRefusal(const char* how, bool refused, const QString& needle,
                         const std::function<void()>& parse)
{
    try {
        parse();
        if (refused)
            QFAIL(qPrintable(QStringLiteral("%1: not refused").arg(QLatin1String(how))));
    } catch (const xml::XmlError& e) {
        if (!refused)
            QFAIL(qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(how), e.message())));
        QVERIFY2(e.message().contains(needle), qPrintable(e.message()));
    }
}

class TestXml : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString secretFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("secret.txt"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("TOPSECRET");
        QFile dtd(m_dir.filePath(QStringLiteral("ext.dtd")));
        if (dtd.open(QIODevice::WriteOnly))
            dtd.write("<!ATTLIST r leak CDATA \"TOPSECRET\">\n<!ENTITY e \"TOPSECRET\">\n");
        return path;
    }

private slots:
    void externalContentIsNeverRead_data()
    {
        secretFile();
        const QByteArray url = QUrl::fromLocalFile(m_dir.path()).toEncoded();
        QTest::addColumn<QByteArray>("doc");
        QTest::newRow("external general entity")
            << "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"" + url +
                   "/secret.txt\">]><r a=\"1\">&x;</r>";
        QTest::newRow("external parameter entity")
            << "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY % p SYSTEM \"" + url +
                   "/ext.dtd\"> %p;]><r a=\"1\">&e;</r>";
        QTest::newRow("external DTD with a default attribute")
            << "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"" + url + "/ext.dtd\"><r a=\"1\"/>";
    }
    void externalContentIsNeverRead()
    {
        QFETCH(QByteArray, doc);
        QString seen;
        try {
            auto d = Document::parse(doc);
            seen = d->root().text() + d->root().attribute(QStringLiteral("leak"));
            for (const auto& a : d->root().attributes())
                seen += a.value;
        } catch (const xml::XmlError&) {
        }
        QVERIFY2(!seen.contains(QLatin1String("TOPSECRET")), qPrintable(seen));

        QString streamed;
        try {
            auto r = Reader::fromMemory(doc);
            while (r->read()) {
                streamed += r->value();
                for (const auto& a : r->attributes())
                    streamed += a.value;
            }
        } catch (const xml::XmlError&) {
        }
        QVERIFY2(!streamed.contains(QLatin1String("TOPSECRET")), qPrintable(streamed));
    }

    void entityExpansionIsBounded()
    {
        QByteArray doc = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
        char prev = 'a';
        for (char c = 'b'; c <= 'k'; ++c) {
            doc += QByteArray("<!ENTITY ") + c + " \"";
            for (int i = 0; i < 10; ++i)
                doc += QByteArray("&") + prev + ";";
            doc += "\">";
            prev = c;
        }
        doc += "]><r>&k;</r>";
        qsizetype length = 0;
        try {
            length = Document::parse(doc)->root().text().size();
        } catch (const xml::XmlError&) {
        }
        QVERIFY(length < 100'000'000);
    }

    // One entity of EntitySize bytes named Refs times, in content or in attribute values.
    void entityReferencesAreBoundedBySize_data()
    {
        QTest::addColumn<bool>("stream");
        QTest::addColumn<bool>("inAttributes");
        QTest::addColumn<int>("entitySize");
        QTest::addColumn<int>("refs");
        QTest::addColumn<bool>("refused");
        QTest::newRow("tree, content, many") << false << false << 20000 << 4000 << true;
        QTest::newRow("tree, attributes, many") << false << true << 20000 << 4000 << true;
        QTest::newRow("stream, attributes, many") << true << true << 20000 << 4000 << true;
        QTest::newRow("tree, content, a few") << false << false << 100 << 50 << false;
        QTest::newRow("tree, attributes, a few") << false << true << 100 << 50 << false;
        QTest::newRow("stream, attributes, a few") << true << true << 100 << 50 << false;
    }
    void entityReferencesAreBoundedBySize()
    {
        QFETCH(bool, stream);
        QFETCH(bool, inAttributes);
        QFETCH(int, entitySize);
        QFETCH(int, refs);
        QFETCH(bool, refused);
        QByteArray doc = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"" +
                         QByteArray(entitySize, 'x') + "\">]><r>";
        for (int i = 0; i < refs; ++i)
            doc += inAttributes ? QByteArray("<a v=\"&e;\"/>") : QByteArray("<a>&e;</a>");
        doc += "</r>";
        qint64 length = 0;
        QString error;
        try {
            if (stream) {
                auto r = Reader::fromMemory(doc);
                while (r->read())
                    for (const auto& a : r->attributes())
                        length += a.value.size();
            } else {
                auto d = Document::parse(doc);
                for (xml::Node a = d->root().firstChildElement(); a; a = a.nextSiblingElement())
                    length += a.text().size() + a.attribute(QStringLiteral("v")).size();
            }
        } catch (const xml::XmlError& e) {
            error = e.message();
        }
        QCOMPARE(!error.isEmpty(), refused);
        if (refused)
            QVERIFY2(error.contains(QLatin1String("entity references expand")), qPrintable(error));
        else
            QCOMPARE(length, qint64(entitySize) * refs);
    }

    void namespacesMatchByUriWhateverThePrefix_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::newRow("w: prefix") << QByteArray("<w:doc xmlns:w=\"urn:test:main\"><w:t>x</w:t>"
                                                 "<t>no namespace</t></w:doc>");
        QTest::newRow("ns0: prefix")
            << QByteArray("<ns0:doc xmlns:ns0=\"urn:test:main\"><ns0:t>x"
                          "</ns0:t><t xmlns=\"\">no namespace</t></ns0:doc>");
        QTest::newRow("default namespace")
            << QByteArray("<doc xmlns=\"urn:test:main\"><t>x</t><o:t xmlns:o=\"urn:other\">no "
                          "namespace</o:t></doc>");
    }
    void namespacesMatchByUriWhateverThePrefix()
    {
        QFETCH(QByteArray, doc);
        auto d = Document::parse(doc);
        QVERIFY(d->root().is(kUri, "doc"));
        const QList<xml::Node> kids = d->root().childElements();
        QCOMPARE(kids.size(), 2);
        QVERIFY(kids[0].is(kUri, "t"));
        QVERIFY(!kids[1].is(kUri, "t"));
        QCOMPARE(d->root().childElement(kUri, "t").text(), QStringLiteral("x"));

        auto r = Reader::fromMemory(doc);
        QStringList matched;
        while (r->read()) {
            if (r->isElement() && r->is(kUri, "t"))
                matched << r->readElementText();
        }
        QCOMPARE(matched, QStringList{"x"});
    }

    void charactersAndEntitiesAreDecodedOnce()
    {
        const QByteArray doc = "<r a=\"&amp;lt;&#1587;&#x644;&quot;\">&amp;amp;&#160;"
                               "<![CDATA[<b>]]></r>";
        auto d = Document::parse(doc);
        QCOMPARE(d->root().attribute(QStringLiteral("a")), QString::fromUtf8("&lt;سل\""));
        QCOMPARE(d->root().text(), QString::fromUtf8("&amp;\u00A0<b>"));
        auto r = Reader::fromMemory(doc);
        QVERIFY(r->read());
        QCOMPARE(r->attribute("a"), QString::fromUtf8("&lt;سل\""));
        QCOMPARE(r->readElementText(), QString::fromUtf8("&amp;\u00A0<b>"));
    }

    void encodingOverrideReadsAnsiText()
    {
        const QByteArray doc = "<r n=\"\xD3\xE1\xC7\xE3\"/>";
        QVERIFY(!xml::isValidUtf8(doc));
        auto d = Document::parse(doc, {QByteArray("windows-1256"), {}});
        QCOMPARE(d->root().attribute(QStringLiteral("n")), QString::fromUtf8("سلام"));
        QVERIFY_THROWS_EXCEPTION(xml::XmlError, Document::parse(doc));
    }

    void validUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ascii") << QByteArray("abc") << true;
        QTest::newRow("persian") << QString::fromUtf8("سلام").toUtf8() << true;
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("cut off") << QByteArray("a\xD8") << false;
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("cp1256") << QByteArray("\xD3\xE1") << false;
    }
    void validUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(xml::isValidUtf8(bytes), valid);
    }

    void malformedDocumentsReportWhere_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("closing");
        QTest::newRow("tag mismatch")
            << QByteArray("<a>\n<b>\n</a>") << int(xml::ErrTagNameMismatch) << "a";
        QTest::newRow("cut off") << QByteArray("<a><b x=\"1\"") << 0 << "";
        QTest::newRow("empty") << QByteArray("") << 0 << "";
    }
    void malformedDocumentsReportWhere()
    {
        QFETCH(QByteArray, doc);
        QFETCH(int, code);
        QFETCH(QString, closing);
        try {
            Document::parse(doc, {{}, QStringLiteral("t.xml")});
            QFAIL("parsed");
        } catch (const xml::XmlError& e) {
            QVERIFY(e.message().startsWith(QLatin1String("t.xml: ")));
            if (code) {
                QCOMPARE(e.code(), code);
                QCOMPARE(e.detail2(), closing);
                QCOMPARE(e.line(), 3);
            }
        }
        // The stream fails on the same documents, wherever it is.
        auto r = [&] { return Reader::fromMemory(doc); };
        QVERIFY_THROWS_EXCEPTION(xml::XmlError, {
            auto reader = r();
            while (reader->read()) {
            }
        });
    }

    void streamFedInPiecesReadsTheSame()
    {
        QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><d xmlns=\"urn:test:main\">";
        for (int i = 0; i < 2000; ++i)
            doc += "<row i=\"" + QByteArray::number(i) + "\"><c>" +
                   QString::fromUtf8("متن").toUtf8() + "</c></row>";
        doc += "</d>";
        auto whole = Reader::fromMemory(doc);
        const QStringList expected = streamElements(*whole);
        QCOMPARE(expected.size(), 4001);
        qsizetype pos = 0;
        auto pieces = Reader::fromFunction([&](char* buf, qint64 size) -> qint64 {
            const qint64 n = qMin<qint64>(qMin<qint64>(size, 7), doc.size() - pos);
            memcpy(buf, doc.constData() + pos, size_t(n));
            pos += n;
            return n;
        });
        QCOMPARE(streamElements(*pieces), expected);
    }

    // Small documents are parsed as they are read, large ones ahead on a thread of their own,
    // fed in pieces or whole: the nodes are the same, text nodes whole across chunks.
    void nodesDoNotDependOnHowTheInputArrives_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::newRow("small") << QByteArray("<r a=\"1\"> <a/><b></b>x<!--c-->y&amp;z</r>");
        QTest::newRow("many rows") << manyRows(20000);
        QByteArray longText = "<r><t>" + QByteArray(200000, 'x') + "&amp;" +
                              QByteArray(200000, 'y') + "</t><t>" + QByteArray(70000, ' ') +
                              "</t></r>";
        QTest::newRow("text longer than a chunk") << longText;
    }
    void nodesDoNotDependOnHowTheInputArrives()
    {
        QFETCH(QByteArray, doc);
        auto whole = Reader::fromMemory(doc);
        const QStringList expected = transcript(*whole);
        QVERIFY(!expected.isEmpty());
        for (qint64 piece : {qint64(7), qint64(4096), qint64(1) << 20}) {
            auto r = Reader::fromFunction(pieces(doc, piece));
            QCOMPARE(transcript(*r), expected);
        }
        // Parsed as it is read: the same nodes, the input read on the caller's thread alone.
        xml::ParseSettings asRead;
        asRead.parseAhead = false;
        const auto caller = std::this_thread::get_id();
        bool elsewhere = false;
        auto read = pieces(doc, 4096);
        auto r = Reader::fromFunction(
            [&](char* buf, qint64 size) {
                elsewhere = elsewhere || std::this_thread::get_id() != caller;
                return read(buf, size);
            },
            asRead);
        QCOMPARE(transcript(*r), expected);
        QVERIFY(!elsewhere);
        if (doc.startsWith("<r><t>")) {
            QCOMPARE(expected.size(), 8);
            QCOMPARE(expected[2], QStringLiteral("2 text ") + QString(200000, u'x') + u'&' +
                                      QString(200000, u'y'));
            QCOMPARE(expected[5], QStringLiteral("2 blank 70000"));
        }
    }

    void nodeKinds()
    {
        const QByteArray doc = "<!DOCTYPE r [<!ENTITY e \"ent\">]><r k=\"&e;&amp;\"> <a/><a \n/>"
                               "<b></b>t<!--c--><?pi x?>&e;</r>";
        auto r = Reader::fromMemory(doc);
        const QStringList expected = {"0 other",     "0 <r k=ent&", "1 blank 1", "1 <a/",
                                      "1 <a/",       "1 <b",        "1 </b",     "1 text t",
                                      "1 comment c", "1 other",     "1 other",   "0 </r"};
        QCOMPARE(transcript(*r), expected);
    }

    void faultComesAfterTheNodesBeforeIt_data()
    {
        QTest::addColumn<bool>("streamed");
        QTest::newRow("memory") << false;
        QTest::newRow("streamed") << true;
    }
    void faultComesAfterTheNodesBeforeIt()
    {
        QFETCH(bool, streamed);
        QByteArray doc = manyRows(20000);
        doc.chop(4); // "</d>"
        doc += "</wrong>";
        auto r = streamed ? Reader::fromFunction(pieces(doc, 1000)) : Reader::fromMemory(doc);
        int rows = 0;
        try {
            while (r->read())
                if (r->isElement() && r->localName() == QLatin1String("row"))
                    ++rows;
            QFAIL("read to the end");
        } catch (const xml::XmlError& e) {
            QCOMPARE(e.code(), int(xml::ErrTagNameMismatch));
        }
        QCOMPARE(rows, 20000);
    }

    void readerLeftMidwayStops()
    {
        // An endless source: the reader must stop reading it when dropped.
        auto first = std::make_shared<bool>(true);
        auto r = Reader::fromFunction([first](char* buf, qint64 size) -> qint64 {
            const QByteArray piece = *first ? QByteArray("<r>") : QByteArray("<a>1</a>");
            *first = false;
            const qint64 n = qMin<qint64>(size, piece.size());
            memcpy(buf, piece.constData(), size_t(n));
            return n;
        });
        for (int i = 0; i < 1000; ++i)
            QVERIFY(r->read());
        r.reset();
    }

    void entitiesInTheStreamAreBounded()
    {
        QByteArray dtd = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
        char prev = 'a';
        for (char c = 'b'; c <= 'k'; ++c) {
            dtd += QByteArray("<!ENTITY ") + c + " \"";
            for (int i = 0; i < 10; ++i)
                dtd += QByteArray("&") + prev + ";";
            dtd += "\">";
            prev = c;
        }
        dtd += "]>";
        for (const QByteArray& body :
             {QByteArray("<r>&k;&k;&k;</r>"), QByteArray("<r v=\"&k;\"/>")}) {
            qsizetype length = 0;
            try {
                auto r = Reader::fromMemory(dtd + body);
                while (r->read()) {
                    length += r->value().size();
                    for (const auto& a : r->attributes())
                        length += a.value.size();
                }
            } catch (const xml::XmlError&) {
            }
            QVERIFY(length < 100'000'000);
        }
    }

    void failingSourceIsAnError()
    {
        int calls = 0;
        auto r = Reader::fromFunction([&](char* buf, qint64) -> qint64 {
            if (calls++ == 0) {
                memcpy(buf, "<a><b>", 6);
                return 6;
            }
            throw std::runtime_error("damaged member");
        });
        try {
            while (r->read()) {
            }
            QFAIL("read to the end");
        } catch (const xml::XmlError& e) {
            QVERIFY2(e.message().contains(QLatin1String("damaged member")),
                     qPrintable(e.message()));
        }
    }

    void skipSubtreeAndAttributes()
    {
        auto r =
            Reader::fromMemory("<a xmlns:x=\"urn:x\"><b><c/><c/></b><d x:k=\"1\" v=\"2\"/></a>");
        QVERIFY(r->read());
        QVERIFY(r->read());
        QCOMPARE(r->localName(), QStringLiteral("b"));
        QVERIFY(r->skipSubtree());
        QCOMPARE(r->localName(), QStringLiteral("d"));
        const QList<xml::Attribute> attrs = r->attributes();
        QCOMPARE(attrs.size(), 2);
        QCOMPARE(attrs[0].name, QStringLiteral("x:k"));
        QCOMPARE(attrs[0].namespaceUri, QStringLiteral("urn:x"));
        QCOMPARE(r->attributeNs("urn:x", "k"), QStringLiteral("1"));
        QCOMPARE(r->attribute("v"), QStringLiteral("2"));
        QVERIFY(!r->hasAttribute("k"));
        QCOMPARE(r->readElementText(), QString()); // empty element: nothing consumed
        QVERIFY(r->read());
        QVERIFY(r->isEndElement());
    }

    // The attributes in one pass are those attributes() lists, values decoded once, and a
    // name's key is the same for every element of that name, in pieces or whole.
    void attributesInOnePass_data()
    {
        QTest::addColumn<QByteArray>("element");
        QTest::addColumn<QStringList>("expected"); // local|namespace|value
        QTest::newRow("plain, in document order")
            << QByteArray("<e t=\"s\" r=\"B1\" s=\"2\"/>") << QStringList{"t||s", "r||B1", "s||2"};
        QTest::newRow("prefixed ones keep their namespace")
            << QByteArray("<e xmlns:o=\"urn:o\" o:r=\"Z9\" r=\"A1\"/>")
            << QStringList{"r|urn:o|Z9", "r||A1"};
        QTest::newRow("declarations are no attributes")
            << QByteArray("<e xmlns=\"urn:d\" xmlns:p=\"urn:p\" v=\"1\"/>") << QStringList{"v||1"};
        QTest::newRow("references decoded")
            << QByteArray("<e r=\"&#x41;&#49;\" t=\"&amp;&lt;&#1587;\"/>")
            << QStringList{"r||A1", QString::fromUtf8("t||&<س")};
        QTest::newRow("empty value") << QByteArray("<e s=\"\"/>") << QStringList{"s||"};
        QTest::newRow("none") << QByteArray("<e/>") << QStringList{};
    }
    void attributesInOnePass()
    {
        QFETCH(QByteArray, element);
        QFETCH(QStringList, expected);
        // Far enough into a stream fed in small pieces that the element lies in a later batch.
        const QByteArray doc = "<a>" + QByteArray(300000, ' ') + element + element + "</a>";
        auto r = Reader::fromFunction(pieces(doc, 4096));
        const char* key = nullptr;
        int seen = 0;
        while (r->read()) {
            if (!r->isElement() || r->depth() != 1)
                continue;
            QStringList got;
            for (int i = 0; i < r->attributeCount(); ++i) {
                const Reader::AttributeRef a = r->attributeAt(i);
                got << QString::fromUtf8(a.localName) + u'|' +
                           QString::fromUtf8(a.namespaceKey ? a.namespaceKey : "") + u'|' +
                           QString::fromUtf8(a.value);
            }
            QCOMPARE(got, expected);
            QCOMPARE(got.size(), r->attributes().size());
            QCOMPARE(QByteArray(r->localNameKey()), QByteArray("e"));
            if (key)
                QCOMPARE(r->localNameKey(), key);
            key = r->localNameKey();
            ++seen;
        }
        QCOMPARE(seen, 2);
        QCOMPARE(r->attributeCount(), 0);
        QCOMPARE(r->localNameKey(), nullptr);
    }

    // libxml2 spends time with the square of an element's attributes before any handler sees
    // them (100,000 took half a minute); beyond the limit the document is refused unparsed,
    // by the tree, the stream (from memory or fed in pieces) and the HTML reader.
    void tooManyAttributesAreRefusedUnparsed_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<bool>("refused");
        const int limit = xml::kMaxAttributes;
        QTest::newRow("at the limit") << manyAttributes(limit) << false;
        QTest::newRow("at the limit, with quoted markup") << manyAttributes(limit, true) << false;
        QTest::newRow("one past it") << manyAttributes(limit + 1) << true;
        QTest::newRow("100,000") << manyAttributes(100000) << true;
        QTest::newRow("100,000, with quoted markup") << manyAttributes(100000, true) << true;
        QTest::newRow("UTF-16LE, at the limit") << toUtf16(manyAttributes(limit), false) << false;
        QTest::newRow("UTF-16LE, 100,000") << toUtf16(manyAttributes(100000), false) << true;
        QTest::newRow("UTF-16BE, 100,000") << toUtf16(manyAttributes(100000), true) << true;
    }
    void tooManyAttributesAreRefusedUnparsed()
    {
        QFETCH(QByteArray, doc);
        QFETCH(bool, refused);
        const auto check = [&](const char* how, const std::function<void()>& parse) {
            checkRefusal(how, refused, QString::number(xml::kMaxAttributes), parse);
        };
        check("tree", [&] { Document::parse(doc, {{}, QStringLiteral("p.xml")}); });
        check("stream", [&] {
            auto r = Reader::fromMemory(doc);
            int attributes = 0;
            while (r->read())
                attributes += r->attributeCount();
            QVERIFY(attributes >= xml::kMaxAttributes);
        });
        check("stream in pieces", [&] {
            auto r = Reader::fromFunction(pieces(doc, 4096));
            while (r->read()) {
            }
        });
    }

    // libxml2's names cost time with the square of how many different ones a document uses
    // (500,000 took seconds even in pieces); past the limit the document is refused unparsed, in
    // 8-bit and UTF-16 alike, and a name used any number of times counts once.
    void tooManyNamesAreRefusedUnparsed_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<bool>("refused");
        const int limit = xml::kMaxNames;
        QTest::newRow("elements at the limit") << manyNames(limit, Named::Elements) << false;
        QTest::newRow("elements at the limit, with names in markup")
            << manyNames(limit, Named::Elements, true) << false;
        QTest::newRow("elements one past it") << manyNames(limit + 1, Named::Elements) << true;
        QTest::newRow("attributes at the limit") << manyNames(limit, Named::Attributes) << false;
        QTest::newRow("attributes one past it")
            << manyNames(limit + 1, Named::Attributes) << true;
        QTest::newRow("instructions one past it")
            << manyNames(limit + 1, Named::Instructions) << true;
        QTest::newRow("one name 200,000 times") << manyNames(200000, Named::Repeated) << false;
        QTest::newRow("500,000 elements") << manyNames(500000, Named::Elements) << true;
        QTest::newRow("UTF-16LE, at the limit")
            << toUtf16(manyNames(limit, Named::Elements), false) << false;
        QTest::newRow("UTF-16LE, one past it")
            << toUtf16(manyNames(limit + 1, Named::Elements), false) << true;
        QTest::newRow("UTF-16BE, attributes one past it")
            << toUtf16(manyNames(limit + 1, Named::Attributes), true) << true;
    }
    void tooManyNamesAreRefusedUnparsed()
    {
        QFETCH(QByteArray, doc);
        QFETCH(bool, refused);
        const auto check = [&](const char* how, const std::function<void()>& parse) {
            checkRefusal(how, refused,
                         QStringLiteral("more than %1 different").arg(xml::kMaxNames), parse);
        };
        check("tree", [&] { Document::parse(doc, {{}, QStringLiteral("p.xml")}); });
        check("stream in pieces", [&] {
            auto r = Reader::fromFunction(pieces(doc, 4093));
            int elements = 0;
            while (r->read())
                elements += r->isElement();
            QVERIFY(elements > 0);
        });
    }


    // The scan reads a document in the encoding the parser reads it in (the caller's, else the
    // byte-order mark or first bytes, then the declaration) and refuses one in an encoding it
    // does not read, naming it; markup the parser passes over hides nothing from it. Each way
    // of parsing refuses alike: the tree, the stream, the stream in pieces and the stream whose
    // source scans (as a zipped part is scanned while it is inflated).
    void scanSeesWhatTheParserReads_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<QByteArray>("encoding"); // the caller's
        QTest::addColumn<QString>("refusal");     // a word of the message; empty: it parses
        const QByteArray crowded = "<r>" + crowdedElement() + "</r>";
        const QByteArray small = "<r><e a=\"1\" b=\"2\"/></r>";
        const QString many = QString::number(xml::kMaxAttributes);
        const auto decl = [](const char* encoding) {
            return QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>";
        };
        struct Encoding
        {
            const char* name;
            std::function<QByteArray(const QByteArray&)> encode;
            QByteArray caller;
        };
        const QList<Encoding> readable = {
            {"UTF-8", [](const QByteArray& t) { return t; }, {}},
            {"UTF-8 with a mark", [](const QByteArray& t) { return "\xEF\xBB\xBF" + t; }, {}},
            {"UTF-16LE with a mark", [](const QByteArray& t) { return toUtf16(t, false); }, {}},
            {"UTF-16BE with a mark", [](const QByteArray& t) { return toUtf16(t, true); }, {}},
            {"UTF-16LE declared",
             [&](const QByteArray& t) { return inUnits(decl("UTF-16LE") + t, 2, false); },
             {}},
            {"UTF-32BE", [](const QByteArray& t) { return inUnits(t, 4, true); }, {}},
            {"UTF-32LE named by the caller",
             [](const QByteArray& t) { return inUnits(t, 4, false); },
             "UTF-32LE"},
            {"windows-1256 declared", [&](const QByteArray& t) { return decl("windows-1256") + t; },
             {}},
            {"ISO-8859-6 named by the caller", [](const QByteArray& t) { return t; }, "ISO-8859-6"},
        };
        for (const Encoding& e : readable) {
            QTest::addRow("%s, read", e.name) << e.encode(small) << e.caller << QString();
            QTest::addRow("%s, crowded", e.name) << e.encode(crowded) << e.caller << many;
        }
        QTest::newRow("UTF-7") << decl("UTF-7") + "+ADw-r+AD4-" << QByteArray() << "UTF-7";
        QTest::newRow("EBCDIC") << QByteArray("\x4C\x6F\xA7\x94\x93\x40\xA5\x85", 8)
                                << QByteArray() << "EBCDIC";
        QTest::newRow("Shift_JIS") << decl("Shift_JIS") + small << QByteArray() << "Shift_JIS";
        QTest::newRow("UCS-4 in another order")
            << QByteArray(2, '\0') + inUnits(small, 4, false) << QByteArray() << "UCS-4";
        QTest::newRow("an encoding the caller names, unread")
            << small << QByteArray("UTF-7") << "UTF-7";
        QTest::newRow("UTF-16 declaring an 8-bit encoding")
            << toUtf16(decl("ISO-8859-1"), false) + crowded << QByteArray() << "ISO-8859-1";
        QTest::newRow("UTF-16LE declaring UTF-16BE")
            << toUtf16(decl("UTF-16BE") + small, false) << QByteArray() << "UTF-16BE";
        QTest::newRow("a declaration that does not end")
            << "<?xml version=\"1.0\"" + QByteArray(20000, ' ') + "encoding=\"UTF-7\"?>"
            << QByteArray() << "does not end";
        // What the internal subset holds.
        const QByteArray body = "<r>" + crowdedElement() + "</r>";
        QTest::newRow("after a quote in a comment of the internal subset")
            << "<!DOCTYPE r [<!-- \" -->]>" + body << QByteArray() << many;
        QTest::newRow("after a quote in an instruction of the internal subset")
            << "<!DOCTYPE r [<?pi ' ?><!ELEMENT r ANY>]>" + body << QByteArray() << many;
        QTest::newRow("in an entity's value")
            << "<!DOCTYPE r [<!ENTITY e \"" + crowdedElement('\'') + "\">]><r>&e;</r>"
            << QByteArray() << many;
        QTest::newRow("in an entity's value of character references")
            << "<!DOCTYPE r [<!ENTITY e \"" +
                   crowdedElement('\'').replace("<", "&#60;").replace("'", "&#x22;") +
                   "\">]><r>&e;</r>"
            << QByteArray() << many;
        QByteArray defaults = "<!DOCTYPE r [<!ATTLIST e";
        for (int i = 0; i <= xml::kMaxAttributes; ++i)
            defaults += " d" + QByteArray::number(i) + " CDATA '1'";
        QTest::newRow("default attributes") << defaults + ">]><r><e/></r>" << QByteArray() << many;
        QTest::newRow("a subset with comments, instructions and an entity, read")
            << QByteArray("<!DOCTYPE r [<!-- \" --><?pi x?><!ENTITY e \"<e a='1'/>\">]>"
                          "<r>&e;<e b=\"2\"/></r>")
            << QByteArray() << QString();
    }
    void scanSeesWhatTheParserReads()
    {
        QFETCH(QByteArray, doc);
        QFETCH(QByteArray, encoding);
        QFETCH(QString, refusal);
        const xml::ParseSettings settings{encoding, QStringLiteral("p.xml")};
        const auto check = [&](const char* how, const std::function<void()>& parse) {
            checkRefusal(how, !refusal.isEmpty(), refusal, parse);
        };
        const auto readAll = [](Reader& r) {
            int elements = 0;
            while (r.read())
                elements += r.isElement();
            QVERIFY(elements >= 2);
        };
        check("tree", [&] { QVERIFY(Document::parse(doc, settings)->root()); });
        check("stream", [&] { readAll(*Reader::fromMemory(doc, settings)); });
        check("stream in pieces", [&] { readAll(*Reader::fromFunction(pieces(doc, 4096), settings)); });
        check("stream scanned by its source", [&] {
            auto limit = std::make_shared<xml::AttributeLimit>(encoding);
            const Reader::ReadFunction source = pieces(doc, 4096);
            xml::ParseSettings s = settings;
            s.scannedBySource = true;
            readAll(*Reader::fromFunction(
                [limit, source](char* buffer, qint64 size) -> qint64 {
                    const qint64 n = source(buffer, size);
                    if (n > 0 && !limit->scan(QByteArrayView(buffer, n)))
                        throw std::runtime_error(limit->message().toStdString());
                    return n;
                },
                s));
        });
    }

    // The scan passes over what cannot hold attributes whatever chunks the input comes in.
    void attributeScanDoesNotDependOnChunks()
    {
        const QByteArray doc = manyAttributes(40, true);
        for (qsizetype piece : {1, 2, 3, 7, 64}) {
            xml::AttributeLimit limit({}, 40);
            for (qsizetype at = 0; at < doc.size(); at += piece)
                QVERIFY(limit.scan(QByteArrayView(doc).sliced(at, qMin(piece, doc.size() - at))));
            xml::AttributeLimit tight({}, 39);
            bool ok = true;
            for (qsizetype at = 0; at < doc.size() && ok; at += piece)
                ok = tight.scan(QByteArrayView(doc).sliced(at, qMin(piece, doc.size() - at)));
            QVERIFY(!ok);
            QVERIFY(tight.exceeded());
        }
    }

    // Names are counted alike whatever chunks the input comes in, in 8-bit and UTF-16, and a
    // name met again counts once, however long ago it was met.
    void nameCountDoesNotDependOnChunks_data()
    {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<int>("names"); // different names in Doc
        const QList<std::pair<const char*, Named>> kinds = {{"elements", Named::Elements},
                                                            {"attributes", Named::Attributes},
                                                            {"instructions", Named::Instructions}};
        for (const auto& [name, kind] : kinds) {
            const QByteArray doc = manyNames(300, kind, true);
            QTest::addRow("%s", name) << doc << 300;
            QTest::addRow("%s, UTF-16LE", name) << toUtf16(doc, false) << 300;
            QTest::addRow("%s, UTF-16BE", name) << toUtf16(doc, true) << 300;
        }
        QTest::newRow("one name 1,000 times") << manyNames(1000, Named::Repeated) << 3;
        // Names alike in length and ends, told apart in the middle; then all of them again.
        QByteArray alike = "<r>";
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 200; ++i)
                alike += "<x" + QByteArray::number(1000 + i) + "x/>";
        QTest::newRow("names alike at their ends, twice") << alike + "</r>" << 201;
        QTest::newRow("a long name, twice")
            << "<r><" + QByteArray(5000, 'n') + "/><" + QByteArray(5000, 'n') + "/></r>" << 2;
    }
    void nameCountDoesNotDependOnChunks()
    {
        QFETCH(QByteArray, doc);
        QFETCH(int, names);
        const auto scanned = [&](qsizetype piece, int limit) {
            xml::AttributeLimit scan({}, xml::kMaxAttributes, limit);
            bool ok = true;
            for (qsizetype at = 0; at < doc.size() && ok; at += piece)
                ok = scan.scan(QByteArrayView(doc).sliced(at, qMin(piece, doc.size() - at)));
            return ok && !scan.exceeded();
        };
        for (qsizetype piece : {1, 2, 3, 7, 64, 4096}) {
            QVERIFY2(scanned(piece, names), qPrintable(QString::number(piece)));
            QVERIFY2(!scanned(piece, names - 1), qPrintable(QString::number(piece)));
        }
    }

    void xpathSelects_data()
    {
        QTest::addColumn<QString>("xpath");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("registered prefix") << "//m:row/m:c" << QStringList{"1", "2"};
        QTest::newRow("document prefix") << "//q:row[@id='b']/q:c" << QStringList{"2"};
        QTest::newRow("attribute") << "//m:row/@id" << QStringList{"a", "b"};
        QTest::newRow("nothing") << "//m:none" << QStringList{};
    }
    void xpathSelects()
    {
        QFETCH(QString, xpath);
        QFETCH(QStringList, texts);
        auto d = Document::parse("<q:t xmlns:q=\"urn:test:main\"><q:row id=\"a\"><q:c>1</q:c>"
                                 "</q:row><q:row id=\"b\"><q:c>2</q:c></q:row></q:t>");
        d->registerNamespace(QStringLiteral("m"), QString::fromLatin1(kUri));
        d->registerDocumentNamespaces();
        QStringList got;
        for (const xml::Node& n : d->select(xpath))
            got << n.text();
        QCOMPARE(got, texts);
    }

    void xpathRelativeToANodeAndPaths()
    {
        auto d = Document::parse("<t><row><c>1</c><c>2</c></row><row><c>3</c></row></t>");
        const QList<xml::Node> rows = d->select(QStringLiteral("/t/row"));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(d->select(QStringLiteral("c"), rows[0]).size(), 2);
        QCOMPARE(d->selectFirst(QStringLiteral("c"), rows[1]).text(), QStringLiteral("3"));
        QCOMPARE(d->select(QStringLiteral("c"), rows[0]).at(1).path(),
                 QStringLiteral("/t/row[1]/c[2]"));
    }

    void badXPathIsAnError_data()
    {
        QTest::addColumn<QString>("xpath");
        QTest::newRow("syntax") << "//row[";
        QTest::newRow("unknown prefix") << "//zz:row";
        QTest::newRow("not a node set") << "count(//row)";
    }
    void badXPathIsAnError()
    {
        QFETCH(QString, xpath);
        auto d = Document::parse("<t><row/></t>");
        try {
            d->select(xpath);
            QFAIL("selected");
        } catch (const xml::XmlError& e) {
            QVERIFY2(e.message().contains(xpath), qPrintable(e.message()));
        }
    }

    void declaredNamespacesInOrder()
    {
        auto d = Document::parse("<a xmlns=\"urn:d\" xmlns:p=\"urn:p\"><b xmlns:q=\"urn:q\" "
                                 "xmlns:p=\"urn:later\"/></a>");
        using P = std::pair<QString, QString>;
        QCOMPARE(d->declaredNamespaces(),
                 (QList<P>{{"", "urn:d"}, {"p", "urn:p"}, {"q", "urn:q"}}));
    }
};

QTEST_GUILESS_MAIN(TestXml)
#include "test_xml.moc"
