// The program's decoding of what the Access reading helper sends: frames of any length and
// type, counts and lengths that lie. Decoded rows must encode and decode to the same bytes.
#include "FuzzSupport.h"

#include "platform/access/AccessWire.h"

using namespace accesswire;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    MemorySource source(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    FrameReader reader(source);
    qsizetype columns = 1;
    try {
        Frame f;
        while (reader.next(f)) {
            fuzz::check(f.payload.size() <= qsizetype(MaxFrame), "frame over the cap");
            switch (f.type) {
            case FrameType::Database:
                fuzz::check(decodeDatabase(f.payload).tables.size() <= qsizetype(MaxTables),
                            "too many tables");
                break;
            case FrameType::Columns:
                columns = decodeColumns(f.payload).size();
                fuzz::check(columns > 0 && columns <= qsizetype(MaxColumns), "column count");
                break;
            case FrameType::Progress:
                fuzz::check(decodeProgress(f.payload) >= 0, "negative progress");
                break;
            case FrameType::Count:
                fuzz::check(decodeCount(f.payload) >= 0, "negative count");
                break;
            case FrameType::Row: {
                const QList<QVariant> row = decodeRow(f.payload, columns);
                fuzz::check(row.size() == columns, "row width");
                const QByteArray once = rowFrame(row);
                const QByteArray twice = rowFrame(decodeRow(once.mid(HeaderSize), columns));
                fuzz::check(once == twice, "a row does not survive a round trip");
                break;
            }
            case FrameType::Error:
                decodeError(f.payload);
                break;
            case FrameType::End:
                break;
            }
        }
    } catch (const WireError&) {
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
