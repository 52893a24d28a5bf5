// Opens the input as a zip archive and reads every member, whole, streamed and read ahead on
// threads (through the stream, and raw with a checksum of its own): damaged, hostile or
// oversized archives must end in EZipError, and every way must give the same bytes.
#include "FuzzSupport.h"

#include "import/engine/support/MiniZip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QString path =
        fuzz::writeFile("in.zip", QByteArrayView(reinterpret_cast<const char*>(data), size));
    try {
        TMiniZip zip(path);
        // Small limits keep a bomb from costing the run its memory; the checks are the same.
        zip.SetLimits(8 << 20, 32 << 20);
        zip.Open();
        for (const QString& name : zip.EntryNames()) {
            fuzz::check(TMiniZip::IsSafeName(name), "an unsafe name was indexed");
            QByteArray whole;
            bool failed = false;
            try {
                whole = zip.ReadEntry(name);
            } catch (const EZipError&) {
                failed = true;
            }
            // Read ahead as the stream reads, and raw with a checksum of its own; small
            // blocks, so that a member spans several.
            for (const int way : {0, 1, 2}) {
                QByteArray ahead;
                bool aheadFailed = false;
                try {
                    // Raw, the checksum counted as it inflates (1) or on a thread apart (2).
                    auto stream = way > 0 ? zip.ReadAhead(name, 4096, {},
                                                          way == 2
                                                              ? ZipReadAhead::Checksum::Apart
                                                              : ZipReadAhead::Checksum::Inflating)
                                          : std::make_unique<ZipReadAhead>(zip.OpenEntry(name),
                                                                           4096);
                    char buf[1500];
                    for (qint64 n; (n = stream->read(buf, sizeof buf)) > 0;)
                        ahead.append(buf, n);
                } catch (const EZipError&) {
                    aheadFailed = true;
                }
                // Only the limit of the whole archive, which every read adds to, may stop it
                // alone.
                fuzz::check((!failed || aheadFailed) && (aheadFailed || ahead == whole),
                            "read ahead and whole reads differ");
            }
            if (failed)
                continue;
            auto s = zip.OpenEntry(name);
            QByteArray streamed;
            char buf[1000];
            for (qint64 n; (n = s->read(buf, sizeof buf)) > 0;)
                streamed.append(buf, n);
            fuzz::check(streamed == whole, "streamed and whole reads differ");
        }
    } catch (const EZipError&) {
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
