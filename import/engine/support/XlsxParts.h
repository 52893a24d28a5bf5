#pragma once
// What the workbook, its shared strings and its sheets' reader share: the main namespaces, the
// bounds on a part's texts, how a streamed part is read and how damage is told.

#include "import/engine/support/MiniZip.h"
#include "import/engine/support/XlsxSheetReader.h"
#include "import/engine/support/ZipXmlPart.h"
#include "platform/xml/Xml.h"

#include <QFileInfo>
#include <QString>
#include <charconv>
#include <string>


namespace xlsx {

// Transitional and strict namespaces of the same elements.
inline constexpr const char* kMain[] = {"http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                                 "http://purl.oclc.org/ooxml/spreadsheetml/main"};
inline constexpr int kMaxRows = XlsxSheetReader::MaxRows;
inline constexpr int kMaxCols = XlsxSheetReader::MaxCols;
// One text of a part (a cell's value, a string item's run): a cell holds at most 32,767
// characters, so more is damage, not a text to gather whole.
inline constexpr qint64 kMaxTextBytes = qint64(1) << 20;
// Blocks of a part inflated ahead: small enough that the parse starts at once.
inline constexpr qsizetype kInflateBlock = 256 * 1024;
inline bool isMain(const xml::Reader& r, const char* local)
{
    return r.is(kMain[0], local) || r.is(kMain[1], local);
}

// isMain for the sheet's many elements: the namespace matched once, then by its pointer.
inline bool isMain(const xml::Reader& r, const char* local, const char*& key)
{
    if (!r.localNameIs(local))
        return false;
    const char* k = r.namespaceKey();
    if (k && k == key)
        return true;
    if (!isMain(r, local))
        return false;
    key = k;
    return true;
}

// isMain for the sheet's hot elements: the local name too matched once, then by its pointer.
inline bool isMain(const xml::Reader& r, XlsxName& name, const char*& key)
{
    const char* local = r.localNameKey();
    if (!local)
        return false;
    if (local == name.key) {
        const char* k = r.namespaceKey();
        if (k && k == key)
            return true;
    }
    if (!isMain(r, name.local, key))
        return false;
    name.key = local;
    return true;
}

[[noreturn]] inline void damaged(const QString& file, const QString& detail)
{
    throw EZipError(
        QStringLiteral("The workbook %1 is damaged: %2.").arg(QFileInfo(file).fileName(), detail));
}

// A large part as a stream of nodes, inflated (into Stream) ahead of the caller, and parsed
// ahead of it too unless ParseAhead is false (a caller that is itself a thread ahead).
inline std::unique_ptr<xml::Reader> streamedPart(TMiniZip& zip, const QString& part,
                                                 std::unique_ptr<ZipReadAhead>& stream,
                                                 bool parseAhead = true)
{
    xml::ParseSettings settings;
    settings.name = part;
    settings.maxTextBytes = kMaxTextBytes;
    settings.parseAhead = parseAhead;
    return openZipXml(zip, part, settings, stream, kInflateBlock);
}

[[noreturn]] inline void tooLong(const QString& file, const QString& part)
{
    damaged(file, QStringLiteral("a text of its part %1 is longer than %2 bytes")
                      .arg(part)
                      .arg(kMaxTextBytes));
}

// The text of the element the reader stands on, as UTF-8, read to its end tag; false when it
// grows longer than one text may be.
inline bool readElementUtf8(xml::Reader& r, std::string& out)
{
    out.clear(); // keeps the buffer
    if (!r.isElement() || r.isEmptyElement())
        return true;
    const int depth = r.depth();
    while (r.read()) {
        switch (r.nodeType()) {
        case xml::Reader::NodeType::Text:
        case xml::Reader::NodeType::CData:
        case xml::Reader::NodeType::Whitespace: {
            const QByteArrayView v = r.valueUtf8();
            out.append(v.data(), std::size_t(v.size()));
            if (qint64(out.size()) > kMaxTextBytes)
                return false;
            break;
        }
        case xml::Reader::NodeType::EndElement:
            if (r.depth() == depth)
                return true;
            break;
        default:
            break;
        }
    }
    return true;
}

// A whole number as written, blanks around allowed; false for anything else.
inline bool toInt(QByteArrayView text, int& value)
{
    // Plain digits, as nearly every writer puts them, without trimming or a parse.
    if (text.size() > 0 && text.size() <= 9) {
        int v = 0;
        qsizetype i = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            v = v * 10 + (text[i] - '0');
        if (i == text.size()) {
            value = v;
            return true;
        }
    }
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    if (text.isEmpty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace xlsx
