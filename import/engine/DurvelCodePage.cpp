#include "import/engine/DurvelCodePage.h"

#include "platform/codepage/CodePage.h"

namespace durvel {

namespace {

// A character the page cannot hold becomes '?': the log and the character-set rule must
// never fail on a stray character.
QByteArray encodeLoosely(int codePage, const QString& text)
{
    const codepage::Codec& codec = codepage::requireCodec(codePage);
    QByteArray out;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        qsizetype bad = -1;
        if (codec.tryEncode(rest, out, &bad))
            break;
        out += '?';
        const qsizetype skip = (rest.at(bad).isHighSurrogate() && bad + 1 < rest.size()) ? 2 : 1;
        rest = rest.mid(bad + skip);
    }
    return out;
}

} // namespace

QByteArray toAnsi(const QString& text)
{
    return encodeLoosely(codepage::SystemAnsi, text);
}
QString fromAnsi(const QByteArray& bytes)
{
    return codepage::decode(codepage::SystemAnsi, bytes);
}
QByteArray toOem(const QString& text)
{
    return encodeLoosely(codepage::SystemOem, text);
}
QString fromOem(const QByteArray& bytes)
{
    return codepage::decode(codepage::SystemOem, bytes);
}

} // namespace durvel
