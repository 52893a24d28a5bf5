// Reads an Access file for the program, in a process of its own: the library it uses is not safe
// on damaged files, so a crash, a runaway allocation or a loop here ends only this process.
//   bankfile-accessread --memory BYTES --cpu SECONDS tables <file>
//   bankfile-accessread --memory BYTES --cpu SECONDS table <file> <table>
//   bankfile-accessread --memory BYTES --cpu SECONDS query <file> <select>
// It writes frames (platform/access/AccessWire.h) to its standard output: the table names, or
// the columns, the row count and the rows; an error frame with a message for what it refuses.
// It may write no file, so its output must be a pipe (| xxd to look at it by hand).
#include "platform/access/AccessWire.h"
#include "tools/accessread/JetFile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ACCESSREAD_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ACCESSREAD_ASAN 1
#endif

#ifdef ACCESSREAD_ASAN
// An address-sanitised build needs its huge shadow mappings, so the memory cap is the
// sanitiser's own: an allocation past it ends the process as the address-space limit would.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=0:max_allocation_size_mb=256:hard_rss_limit_mb=384:"
           "quarantine_size_mb=16:detect_leaks=0";
}
#endif

namespace {

void limit(int resource, rlim_t value)
{
    const rlimit r{value, value};
    if (::setrlimit(resource, &r) != 0)
        std::_Exit(3);
}

// Before anything reads the file.
void applyLimits(unsigned long long memory, unsigned long cpu)
{
#ifndef ACCESSREAD_ASAN
    limit(RLIMIT_AS, rlim_t(memory));
#endif
    // The soft limit sends SIGXCPU; a second later the hard one kills.
    const rlimit r{rlim_t(cpu), rlim_t(cpu) + 1};
    if (::setrlimit(RLIMIT_CPU, &r) != 0)
        std::_Exit(3);
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_FSIZE, 0);
}

void writeAll(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(1, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        // The program went away or stopped reading: nothing more to do.
        if (n <= 0)
            std::_Exit(4);
        p += n;
        left -= n;
    }
}

// Frames go out in blocks, so a row is not a system call of its own.
class Output
{
public:
    ~Output() { flush(); }
    void put(const QByteArray& frame)
    {
        m_buffer += frame;
        if (m_buffer.size() >= 64 * 1024)
            flush();
    }
    void flush()
    {
        writeAll(m_buffer);
        m_buffer.clear();
    }

private:
    QByteArray m_buffer;
};

void streamCursor(JetCursor& cursor, Output& out)
{
    out.put(accesswire::columnsFrame(cursor.columns()));
    // The columns alone answer a field list; the count may take a pass over the rows.
    out.flush();
    out.put(accesswire::countFrame(cursor.countRows()));
    const int n = int(cursor.columns().size());
    QList<QVariant> values(n);
    while (cursor.next()) {
        for (int i = 0; i < n; ++i)
            values[i] = cursor.value(i);
        out.put(accesswire::rowFrame(values));
    }
    out.put(accesswire::endFrame());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7 || std::strcmp(argv[1], "--memory") != 0 || std::strcmp(argv[3], "--cpu") != 0)
        return 2;
    applyLimits(std::strtoull(argv[2], nullptr, 10), std::strtoul(argv[4], nullptr, 10));
    const QByteArray mode = argv[5];
    const QString path = QFile::decodeName(argv[6]);
    const QString what = argc > 7 ? QString::fromUtf8(argv[7]) : QString();
    if ((mode == "tables") != (argc == 7) || argc > 8)
        return 2;

    Output out;
    try {
        JetFile file(path);
        if (mode == "tables") {
            out.put(accesswire::databaseFrame(file.version(), file.tableNames()));
        } else if (mode == "table") {
            streamCursor(*file.openTable(what), out);
        } else if (mode == "query") {
            streamCursor(*file.openQuery(what), out);
        } else {
            return 2;
        }
    } catch (const AccessError& e) {
        out.put(accesswire::errorFrame(e.message()));
    } catch (const accesswire::WireError& e) {
        out.put(accesswire::errorFrame(
            QStringLiteral("%1 cannot be read here: %2").arg(path, QString::fromUtf8(e.what()))));
    }
    return 0;
}
