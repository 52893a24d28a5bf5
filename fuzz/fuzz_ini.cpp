// Loads the input as an ini file and reads every key; then saves it and loads the saved file:
// the sections, keys and values must come back as they were read.
#include "FuzzSupport.h"

#include "platform/ini/IniFile.h"

namespace {

QStringList contents(const IniFile& ini)
{
    QStringList out;
    for (const QString& section : ini.sections()) {
        out << u'[' + section + u']';
        for (const QString& key : ini.keys(section)) {
            out << key << ini.readString(section, key);
            ini.readInteger(section, key, 0);
            ini.readBool(section, key, false);
            fuzz::check(ini.keyExists(section, key), "a listed key does not exist");
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > fuzz::MaxInput)
        return 0;
    const QString path = fuzz::writeFile(
        "in.ini", QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString saved = fuzz::pathOf("saved.ini");
    QFile::remove(saved);
    try {
        const IniFile ini(path);
        const QStringList before = contents(ini);
        {
            IniFile copy(path);
            // save() writes to the file name it was opened with; move the text over instead.
            copy.save();
            QFile::rename(path, saved);
        }
        const IniFile again(saved);
        fuzz::check(contents(again) == before, "saving changed what the file says");
        const QByteArray first = fuzz::readFile(saved);
        again.save();
        fuzz::check(fuzz::readFile(saved) == first, "a saved file saves differently");
    } catch (const IniError& e) {
        fuzz::check(!e.message().isEmpty(), "an error without a message");
    }
    return 0;
}
