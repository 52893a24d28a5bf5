// Reads an Access file for the program, in a process of its own: the library it uses is not safe
// on damaged files, so a crash, a runaway allocation or a loop here ends only this process.
//   bankfile-accessread --memory BYTES --cpu SECONDS tables <file>
//   bankfile-accessread --memory BYTES --cpu SECONDS table <file> <table>
//   bankfile-accessread --memory BYTES --cpu SECONDS query <file> <select>
// It writes frames (platform/access/AccessWire.h) to its standard output: the table names, or
// the columns, the row count and the rows; an error frame with a message for what it refuses.
// While it counts, it tells the rows counted so far, so that it is never silent for long. The
// database password, when one is given, comes in the environment (accessPasswordVariable()).
// It may write no file, so its output must be a pipe (| xxd to look at it by hand).
#include "platform/access/AccessWire.h"
#include "tools/accessread/JetFile.h"

#include <QElapsedTimer>
#include <QFile>

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include <csignal>

#include <fcntl.h>
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
        std::_Exit(accessexit::Limits);
}

// An allocation the memory limit refused: said by the exit code, so the program can tell it
// from a crash. The library's allocations fail through GLib, which logs the failure as fatal.
[[noreturn]] void outOfMemory()
{
    std::_Exit(accessexit::OutOfMemory);
}

#ifndef ACCESSREAD_ASAN
rlim_t g_memoryLimit = 0;

// Whether the address space is all but used up; only calls safe in a signal handler.
bool nearMemoryLimit()
{
    if (g_memoryLimit == 0)
        return false;
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[64];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    unsigned long long pages = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        pages = pages * 10 + unsigned(text[i] - '0');
    const unsigned long long used = pages * unsigned(::sysconf(_SC_PAGESIZE));
    // Within a few megabytes: what a small allocation that fails leaves.
    const unsigned long long margin = std::min<unsigned long long>(16ull << 20, g_memoryLimit / 8);
    return used + margin >= g_memoryLimit;
}

// A crash with the address space used up is the memory limit at work: GLib, failing to
// allocate, cannot even format its complaint and falls over in its own logging.
void crashed(int signal)
{
    if (nearMemoryLimit())
        std::_Exit(accessexit::OutOfMemory);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void catchCrashes()
{
    static char stack[64 * 1024];
    stack_t s{};
    s.ss_sp = stack;
    s.ss_size = sizeof stack;
    ::sigaltstack(&s, nullptr);
    struct sigaction a{};
    a.sa_handler = crashed;
    a.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&a.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGABRT})
        ::sigaction(signal, &a, nullptr);
}
#endif

// Before anything reads the file.
void applyLimits(unsigned long long memory, unsigned long cpu)
{
#ifndef ACCESSREAD_ASAN
    limit(RLIMIT_AS, rlim_t(memory));
    g_memoryLimit = rlim_t(memory);
    catchCrashes();
#endif
    // The soft limit sends SIGXCPU; a second later the hard one kills.
    const rlimit r{rlim_t(cpu), rlim_t(cpu) + 1};
    if (::setrlimit(RLIMIT_CPU, &r) != 0)
        std::_Exit(accessexit::Limits);
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
            std::_Exit(accessexit::OutputGone);
        p += n;
        left -= n;
    }
}

void glibError(const gchar*, GLogLevelFlags, const gchar* message, gpointer)
{
    if (message && std::strstr(message, "failed to allocate"))
        outOfMemory();
    std::abort();
}

// Frames go out in blocks, so a row is not a system call of its own; a block waits no longer
// than a quarter of a second, so the program always hears from a helper that works.
class Output
{
public:
    Output() { m_clock.start(); }
    ~Output() { flush(); }
    void put(const QByteArray& frame)
    {
        m_buffer += frame;
        if (m_buffer.size() >= 64 * 1024 || m_clock.elapsed() >= 250)
            flush();
    }
    void flush()
    {
        writeAll(m_buffer);
        m_buffer.clear();
        m_clock.start();
    }

private:
    QByteArray m_buffer;
    QElapsedTimer m_clock;
};

void streamCursor(const QString& path, JetCursor& cursor, Output& out)
{
    out.put(accesswire::columnsFrame(cursor.columns()));
    // The columns alone answer a field list; the count may take a pass over the rows.
    out.flush();
    const qint64 count = cursor.countRows([&](qint64 rows) {
        out.put(accesswire::progressFrame(rows));
        out.flush();
    });
    out.put(accesswire::countFrame(count));
    const int n = int(cursor.columns().size());
    QList<QVariant> values(n);
    qint64 sent = 0;
    while (cursor.next()) {
        for (int i = 0; i < n; ++i)
            values[i] = cursor.value(i);
        out.put(accesswire::rowFrame(values));
        ++sent;
    }
    // The second pass read the pages the first one checked; fewer rows now is a file that
    // changed or a page the library could not read again.
    if (sent != count)
        throw AccessError(JetFile::damagedMessage(
            path, QStringLiteral("%1 of its %2 rows could be read").arg(sent).arg(count)));
    out.put(accesswire::endFrame());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7 || std::strcmp(argv[1], "--memory") != 0 || std::strcmp(argv[3], "--cpu") != 0)
        return accessexit::Usage;
    applyLimits(std::strtoull(argv[2], nullptr, 10), std::strtoul(argv[4], nullptr, 10));
    std::set_new_handler(outOfMemory);
    g_log_set_handler("GLib", GLogLevelFlags(G_LOG_LEVEL_ERROR | G_LOG_FLAG_FATAL), glibError,
                      nullptr);
    // GLib's logging allocates its per-thread state the first time: done now, while memory
    // is there, so that a failed allocation later still reaches the handler.
    g_log_set_handler("bankfile", G_LOG_LEVEL_DEBUG, [](const gchar*, GLogLevelFlags, const gchar*,
                                                        gpointer) {}, nullptr);
    g_log("bankfile", G_LOG_LEVEL_DEBUG, "start");
    const QByteArray mode = argv[5];
    const QString path = QFile::decodeName(argv[6]);
    const QString what = argc > 7 ? QString::fromUtf8(argv[7]) : QString();
    if ((mode == "tables") != (argc == 7) || argc > 8)
        return accessexit::Usage;

    const QString password = qEnvironmentVariable(accessPasswordVariable());
    Output out;
    try {
        JetFile file(path, password);
        if (mode == "tables") {
            out.put(accesswire::databaseFrame(file.version(), file.tableNames()));
        } else if (mode == "table") {
            streamCursor(path, *file.openTable(what), out);
        } else if (mode == "query") {
            streamCursor(path, *file.openQuery(what), out);
        } else {
            return accessexit::Usage;
        }
    } catch (const AccessError& e) {
        out.put(accesswire::errorFrame(e.message()));
    } catch (const std::bad_alloc&) {
        outOfMemory();
    } catch (const accesswire::WireError& e) {
        out.put(accesswire::errorFrame(
            QStringLiteral("%1 cannot be read here: %2").arg(path, QString::fromUtf8(e.what()))));
    }
    return 0;
}
