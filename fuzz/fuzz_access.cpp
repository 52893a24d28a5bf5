// Opens the input as an Access database the way the program does: through the reading helper
// process. Whatever the file does to the library there, the program gets tables and rows or an
// AccessError, never a crash. (The helper runs mdbtools, which is not instrumented; seed with the
// sample databases.)
#include "FuzzSupport.h"

#include "platform/access/AccessDatabase.h"
#include "platform/access/AccessHelper.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    AccessHelper::Limits& limits = AccessHelper::limits();
    limits.openTimeoutMs = 10'000;
    limits.idleTimeoutMs = 10'000;
    limits.cpuSeconds = 10;
    // Padded to whole pages: a file of another length is refused at once, and most inputs
    // would never reach the reading past that check.
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bytes.append((4096 - bytes.size() % 4096) % 4096, '\0');
    const QString path = fuzz::writeFile("f.mdb", bytes);
    try {
        AccessDatabase db(path);
        const QStringList tables = db.tableNames();
        for (const QString& name : tables.mid(0, 3)) {
            const auto cursor = db.openTable(name);
            fuzz::check(cursor->rowCount() >= 0, "negative row count");
            for (int r = 0; r < 50 && cursor->next(); ++r) {
                for (int c = 0; c < cursor->columns().size(); ++c)
                    cursor->value(c);
            }
        }
    } catch (const std::exception& e) {
        fuzz::expectedError(e);
    }
    return 0;
}
