// Reads the input as a text file, line by line, with a tiny and with the default buffer: the
// lines must not depend on where the buffer refills fall. The first bytes pick the encoding,
// the flags, the accepted line ends and the tiny buffer's size.
#include "FuzzSupport.h"

#include "import/engine/support/VoTextFile.h"
#include "platform/codepage/CodePage.h"

#include <QStringList>
#include <array>

namespace {

constexpr std::array kPages = {0,     720,   1256, 1252, 65001, 1200,  1201,
                               12000, 12001, 500,  936,  950,   20127, 28596};
constexpr int kHeader = 4;

QStringList readAll(const QString& path, int flags, int bufferSize, int page, bool noConversion,
                    int lineEnds, qint64 limit)
{
    TVoTextFile file(path, TVoHugeFile::vaRead, TVoHugeFile::vsRead);
    file.Reset(flags, bufferSize, page);
    if (noConversion)
        file.SetNoConversion(true);
    file.SetAcceptedLineEnds(lineEnds);
    // UTF-16 and UTF-32 end a line at CR LF or U+2028, whatever else they end it at.
    const int cp = file.Codepage();
    const bool wide = lineEnds == 0 && (cp == codepage::Utf16LE || cp == codepage::Utf16BE ||
                                        cp == codepage::Utf32LE || cp == codepage::Utf32BE);
    QStringList lines;
    QString line;
    while (!file.EndOfFile()) {
        // Every line takes at least one byte, so more lines than bytes means no progress.
        fuzz::check(lines.size() <= limit, "ReadLine makes no progress");
        file.ReadLine(line);
        fuzz::check(!wide ||
                        (!line.contains(QLatin1String("\r\n")) && !line.contains(QChar(0x2028))),
                    "a UTF-16 or UTF-32 line holds a line end");
        lines << line;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeader || size > fuzz::MaxInput)
        return 0;
    const int page = kPages[data[0] % kPages.size()];
    const int flags = data[1] & (TVoTextFile::tfSwapped | TVoTextFile::tfUnicodeLineSeparator |
                                 TVoTextFile::tfCROnly | TVoTextFile::tfDetectUnicode);
    const bool noConversion = data[1] & 0x80;
    const int lineEnds = data[2] & 0x3F;
    const int tiny = 1 + data[3] % 64;
    const QByteArrayView body(reinterpret_cast<const char*>(data + kHeader),
                              qsizetype(size - kHeader));
    const QString path = fuzz::writeFile("text.txt", body);
    const qint64 limit = body.size() + 1;

    try {
        const QStringList small = readAll(path, flags, tiny, page, noConversion, lineEnds, limit);
        const QStringList large = readAll(path, flags, 0, page, noConversion, lineEnds, limit);
        fuzz::check(small == large, "lines depend on the buffer size");
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
