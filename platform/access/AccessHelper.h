#pragma once
// One run of the program's Access reading helper (bankfile-accessread): the library that reads
// Access files is not safe on damaged ones, so it runs in a child process with limits on memory
// and processor time, and the program only reads what it sends over a pipe.

#include "platform/access/AccessWire.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

class AccessHelper : public accesswire::ByteSource
{
public:
    struct Limits
    {
        // The helper may allocate this much address space (the file's memos included).
        quint64 memoryBytes = quint64(256) << 20;
        // Processor seconds for one run; a loop in the library ends there.
        int cpuSeconds = 600;
        // Opening a file reads only its catalogue and a table's definition: a helper silent
        // this long before its first frame is stuck in a damaged one.
        int openTimeoutMs = 15'000;
        // Later, while rows are counted and read, silence this long ends the run.
        int idleTimeoutMs = 60'000;
    };
    // Process-wide; tests shorten them.
    static Limits& limits();

    // The helper's file name.
    static QString programName();
    // The helper used: BANKFILE_ACCESS_HELPER when set, else the one beside the program, else the
    // one of the build tree (tests and fuzzers run from there).
    static QString programPath();

    // Starts the helper with these arguments after the limits. Throws AccessError when it is
    // missing or cannot be started.
    explicit AccessHelper(const QStringList& arguments);
    // Kills and reaps the child if it still runs; never throws.
    ~AccessHelper() override;
    AccessHelper(const AccessHelper&) = delete;
    AccessHelper& operator=(const AccessHelper&) = delete;

    // Throws WireError when the helper stays silent past the open timeout (before the first
    // frame is complete, see opened()) or the idle timeout.
    std::size_t read(char* buffer, std::size_t max) override;
    // The first frame arrived: the idle timeout applies from now on.
    void opened() { m_opened = true; }
    // Waits for the child to end (it has closed its pipe) and tells how it ended, for a log.
    QString exitReason();

private:
    std::size_t readPipe(char* buffer, std::size_t max);
    void reap(bool kill) noexcept;
    char m_block[64 * 1024];
    std::size_t m_pos = 0;
    std::size_t m_filled = 0;
    pid_t m_pid = -1;
    int m_fd = -1;
    int m_status = 0;
    bool m_reaped = false;
    bool m_opened = false;
};
