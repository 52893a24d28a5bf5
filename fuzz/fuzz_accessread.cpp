// The helper's own reading code (JetFile) in this process, so that its faults are caught by the
// sanitizers; mdbtools runs here too and its own crashes stop the run: use -fork=1
// -ignore_crashes=1 and look for frames of JetFile in the reports.
#include "FuzzSupport.h"

#include "platform/access/AccessWire.h"
#include "tools/accessread/JetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    // Padded to whole pages: a file of another length is refused at once, and most inputs
    // would never reach the reading past that check.
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bytes.append((4096 - bytes.size() % 4096) % 4096, '\0');
    const QString path = fuzz::writeFile("f.mdb", bytes);
    try {
        JetFile file(path);
        for (const QString& name : file.tableNames().mid(0, 3)) {
            const auto cursor = file.openTable(name);
            const qint64 rows = cursor->countRows();
            QList<QVariant> values(cursor->columns().size());
            for (qint64 r = 0; r < qMin<qint64>(rows, 50) && cursor->next(); ++r) {
                for (int c = 0; c < cursor->columns().size(); ++c)
                    values[c] = cursor->value(c);
                // What the helper would send must decode to the same row.
                const QByteArray frame = accesswire::rowFrame(values);
                fuzz::check(accesswire::decodeRow(frame.mid(accesswire::HeaderSize), values.size())
                                    .size() == values.size(),
                            "row width");
            }
        }
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
