// Decodes the input in one code page (the first byte picks it), encodes the result back, and
// encodes the input read as UTF-16 text.
#include "FuzzSupport.h"

#include "platform/codepage/CodePage.h"

#include <array>
#include <vector>

namespace {

constexpr std::array kPages = {0,     437,   500,   720,   737,   775,   850,   852,   855,   856,
                               857,   858,   860,   862,   863,   864,   865,   866,   869,   871,
                               874,   875,   936,   949,   950,   1026,  1200,  1201,  1250,  1251,
                               1252,  1253,  1254,  1255,  1256,  1257,  1258,  10000, 10029, 12000,
                               12001, 20107, 20127, 20866, 21866, 28591, 28592, 28593, 28594, 28595,
                               28596, 28597, 28598, 28599, 65001, 54936};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > fuzz::MaxInput)
        return 0;
    const int page = kPages[data[0] % kPages.size()];
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const codepage::Codec* codec = codepage::codecFor(page);
    if (!codec) {
        try {
            codepage::decode(page, bytes);
            fuzz::fail("an unsupported page decoded");
        } catch (const ECodePageError&) {
        }
        return 0;
    }

    const QString text = codec->decode(bytes);
    if (codec->isSingleByte())
        fuzz::check(text.size() == bytes.size(), "single-byte decode changed the length");

    // decodeTo reuses storage only when nothing else shares it.
    QString reused = QStringLiteral("earlier contents of the line buffer, longer than most");
    codec->decodeTo(bytes, reused);
    fuzz::check(reused == text, "decodeTo into a used string differs");
    QString shared = text;
    const QString alias = shared;
    codec->decodeTo(bytes, shared);
    fuzz::check(shared == text && alias == text, "decodeTo into a shared string differs");

    // What a page decoded it can write again, and the bytes read back to the same text.
    QByteArray encoded;
    qsizetype bad = -1;
    if (codec->tryEncode(text, encoded, &bad))
        fuzz::check(codec->decode(encoded) == text, "decode(encode(decode(x))) differs");
    else
        fuzz::check(bad >= 0 && bad < text.size(), "bad index outside the text");

    // The input as UTF-16 text: unpaired surrogates and characters the page lacks.
    std::vector<char16_t> units((size - 1) / 2);
    if (!units.empty())
        std::memcpy(units.data(), data + 1, units.size() * 2);
    const QStringView utf16(units.data(), qsizetype(units.size()));
    QByteArray out("prefix");
    bad = -1;
    const bool ok = codec->tryEncode(utf16, out, &bad);
    fuzz::check(out.startsWith("prefix"), "tryEncode lost what out held");
    if (!ok)
        fuzz::check(bad >= 0 && bad < utf16.size(), "bad index outside the text");
    try {
        const QByteArray all = codec->encode(utf16);
        fuzz::check(ok && all == out.mid(6), "encode and tryEncode disagree");
    } catch (const ECodePageError& e) {
        fuzz::check(!ok && !e.message().isEmpty(), "encode and tryEncode disagree");
    }
    return 0;
}
