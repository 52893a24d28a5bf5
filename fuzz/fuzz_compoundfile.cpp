// Reads the input as a compound file: its structure, then every stream below the root.
#include "FuzzSupport.h"

#include "platform/storage/CompoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const CompoundFile cf(bytes);
        for (const QString& name : cf.streamNames()) {
            fuzz::check(cf.hasStream(name), "a listed stream is not found");
            try {
                const QByteArray stream = cf.readStream(name);
                fuzz::check(stream.size() <= bytes.size(), "a stream larger than the file");
            } catch (const StorageError&) {
            }
        }
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
