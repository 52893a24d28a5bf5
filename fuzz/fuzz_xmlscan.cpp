// The tag scan that spares the XML and HTML parsers hostile documents: fed whole and fed in
// pieces (byte 0 picks their size and the limits) it must come to the same answer, and once it
// refuses it goes on refusing.
#include "FuzzSupport.h"

#include "platform/xml/AttributeLimit.h"

namespace {

struct Outcome
{
    bool ok = true;
    QString message;
};

Outcome scanned(QByteArrayView doc, qsizetype piece, QByteArrayView encoding, int attributes,
                int names)
{
    xml::AttributeLimit scan(encoding, attributes, names);
    Outcome out;
    for (qsizetype at = 0; at < doc.size() && out.ok; at += piece)
        out.ok = scan.scan(doc.sliced(at, qMin(piece, doc.size() - at)));
    fuzz::check(scan.exceeded() == !out.ok, "the scan's answer and its state differ");
    if (!out.ok) {
        fuzz::check(!scan.scan("<a/>"), "a refusing scan took more input");
        out.message = scan.message();
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > fuzz::MaxInput)
        return 0;
    const int pick = data[0];
    const QByteArrayView doc(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static const QByteArrayView kEncodings[] = {{}, "UTF-8", "UTF-16LE", "UTF-16"};
    const QByteArrayView encoding = kEncodings[pick & 3];
    const int attributes = 1 + ((pick >> 2) & 7);
    const int names = 2 + ((pick >> 5) & 7) * 3;
    const Outcome whole = scanned(doc, qMax<qsizetype>(doc.size(), 1), encoding, attributes, names);
    for (const qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(1 + pick % 61)}) {
        const Outcome pieces = scanned(doc, piece, encoding, attributes, names);
        fuzz::check(pieces.ok == whole.ok && pieces.message == whole.message,
                    "the scan depends on the pieces the input comes in");
    }
    return 0;
}
