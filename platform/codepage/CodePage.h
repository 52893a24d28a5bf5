#pragma once
// Conversion between Windows code pages and UTF-16, in whole buffers. Decoding never fails:
// a byte sequence the page does not define becomes U+FFFD. Encoding refuses any character
// the page cannot hold instead of writing a "?".

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <stdexcept>

class ECodePageError : public std::runtime_error
{
public:
    explicit ECodePageError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

namespace codepage {

// The Windows "ANSI" and "OEM" pages of a Persian system.
constexpr int SystemAnsi = 1256;
constexpr int SystemOem = 720;

constexpr int Utf8 = 65001;
constexpr int Utf16LE = 1200;
constexpr int Utf16BE = 1201;
constexpr int Utf32LE = 12000;
constexpr int Utf32BE = 12001;

// Pages Windows never numbered, under numbers of our own (above any Windows number).
constexpr int Armscii8 = 70001;
constexpr int Dec8 = 70002;
constexpr int Geostd8 = 70003;
constexpr int HpRoman8 = 70004;
constexpr int Keybcs2 = 70005;
constexpr int Latin6 = 70006; // ISO 8859-10
constexpr int Latin8 = 70007; // ISO 8859-14

class Codec
{
public:
    virtual ~Codec() = default;

    int codePage() const { return m_codePage; }
    // Every byte is one character (so line ends can be found byte by byte).
    virtual bool isSingleByte() const = 0;
    // Bytes below 0x80 are always the ASCII characters of the same code and never part of a
    // longer sequence: text split at such a byte decodes to the same characters piece by piece.
    virtual bool asciiCompatible() const { return false; }

    QString decode(QByteArrayView bytes) const
    {
        QString result;
        decodeTo(bytes, result);
        return result;
    }
    // As decode, into out, reusing its storage when out shares it with no other string.
    virtual void decodeTo(QByteArrayView bytes, QString& out) const = 0;
    // Appends to out; on a character the page cannot hold returns false, out then holds the
    // bytes of the text before it and badIndex (when given) its index in text.
    virtual bool tryEncode(QStringView text, QByteArray& out,
                           qsizetype* badIndex = nullptr) const = 0;
    // Throws ECodePageError naming the first character the page cannot hold.
    QByteArray encode(QStringView text) const;

protected:
    explicit Codec(int codePage) : m_codePage(codePage) {}

private:
    int m_codePage;
};

// The codec of a code page, or nullptr when the page is not supported. Codecs live for the
// whole process and may be used from any thread.
const Codec* codecFor(int codePage);
// As codecFor, throwing ECodePageError for a page that is not supported.
const Codec& requireCodec(int codePage);
bool isSupported(int codePage);

QString decode(int codePage, QByteArrayView bytes);
// Bytes as the characters of the same code (no conversion), into out as Codec::decodeTo.
void latin1To(QByteArrayView bytes, QString& out);
QByteArray encode(int codePage, QStringView text);

} // namespace codepage
