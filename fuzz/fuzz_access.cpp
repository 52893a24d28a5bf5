// Opens the input as an Access database and reads every table's first rows, through the
// Access reader's layer (mdbtools underneath).
#include "FuzzSupport.h"

#include "platform/access/AccessDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QString path = fuzz::writeFile(
        "f.mdb", QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        AccessDatabase db(path);
        for (const QString& name : db.tableNames()) {
            const auto cursor = db.openTable(name);
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
