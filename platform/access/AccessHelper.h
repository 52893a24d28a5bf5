#pragma once
// One run of the program's Access reading helper (bankfile-accessread): the library that reads
// Access files is not safe on damaged ones, so it runs in a child process with limits on memory
// and processor time, and the program only reads what it sends over a pipe.

#include "platform/access/AccessWire.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>

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
        // Opening a file reads only its catalogue and a table's definition: a helper whose
        // first frame is not whole this long after its start is stuck in a damaged one.
        int openTimeoutMs = 15'000;
        // Later each frame must be whole this long after the one before; a helper that counts
        // tells its progress four times a second, so only a stuck one runs into it.
        int idleTimeoutMs = 60'000;
    };
    // Process-wide; tests shorten them.
    static Limits& limits();

    // The helper's file name.
    static QString programName();
    // The helper used: BANKFILE_ACCESS_HELPER when set, else the one beside the program, else the
    // one of the build tree (tests and fuzzers run from there).
    static QString programPath();

    // How a run that broke its stream ended.
    enum class Failure {
        Damaged,     // it sent nonsense, or ended early on its own
        TimedOut,    // it stayed silent past a time-out and was stopped
        TimeLimit,   // it used up its processor time
        MemoryLimit, // an allocation failed under its memory limit
        Crashed,     // it ended by a signal of its own
    };

    // Starts the helper with these arguments after the limits, the password in its
    // environment. Throws AccessError when it is missing or cannot be started.
    explicit AccessHelper(const QStringList& arguments, const QString& password = {});
    // Kills and reaps the child if it still runs; never throws.
    ~AccessHelper() override;
    AccessHelper(const AccessHelper&) = delete;
    AccessHelper& operator=(const AccessHelper&) = delete;

    // Throws WireError when the helper's first frame is not whole by the open deadline (see
    // opened()) or a later one by the idle time-out after the one before.
    std::size_t read(char* buffer, std::size_t max) override;
    // The first frame arrived: the idle time-out applies from now on.
    void opened() { m_opened = true; frameArrived(); }
    // A whole frame arrived: the next one has the idle time-out from now.
    void frameArrived() { m_frameAt = m_clock.elapsed(); }
    // Called about every tenth of a second while the helper is silent; may throw to give up.
    void setWaiting(std::function<void()> waiting) { m_waiting = std::move(waiting); }
    // After the stream broke: why, from the time-out or the helper's exit status (waited for
    // when it closed its pipe).
    Failure failure();
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
    bool m_killed = false; // by us, not by a limit
    bool m_opened = false;
    bool m_timedOut = false;
    bool m_atEnd = false;
    QElapsedTimer m_clock;
    qint64 m_frameAt = 0;
    std::function<void()> m_waiting;
    void waitForExit();
};
