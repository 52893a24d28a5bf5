#include "import/engine/DurvelCodePage.h"

#include "platform/codepage/CodePage.h"

namespace durvel {

QByteArray toAnsi(const QString& text)
{
    return codepage::encode(codepage::SystemAnsi, text);
}
QByteArray toOem(const QString& text)
{
    return codepage::encode(codepage::SystemOem, text);
}
QString fromAnsi(const QByteArray& bytes)
{
    return codepage::decode(codepage::SystemAnsi, bytes);
}
QString fromOem(const QByteArray& bytes)
{
    return codepage::decode(codepage::SystemOem, bytes);
}

QByteArray toAnsiForLog(const QString& text)
{
    const codepage::Codec& codec = codepage::requireCodec(codepage::SystemAnsi);
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

} // namespace durvel
