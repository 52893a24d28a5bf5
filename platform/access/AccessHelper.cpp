#include "platform/access/AccessHelper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A descriptor above the standard three, so that placing the child's 0, 1 and 2 cannot
// overwrite it (a program may be started with them closed).
int aboveStdio(int fd)
{
    if (fd < 0 || fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

} // namespace

AccessHelper::Limits& AccessHelper::limits()
{
    static Limits l;
    return l;
}

QString AccessHelper::programName()
{
    return QStringLiteral("bankfile-accessread");
}

QString AccessHelper::programPath()
{
    const QString given = qEnvironmentVariable("BANKFILE_ACCESS_HELPER");
    if (!given.isEmpty())
        return given;
    // Beside the executable, found without needing an application object.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString beside = QFileInfo(self).dir().filePath(programName());
    if (QFileInfo(beside).isExecutable())
        return beside;
#ifdef BANKFILE_ACCESS_HELPER_BUILT
    if (QFileInfo(QStringLiteral(BANKFILE_ACCESS_HELPER_BUILT)).isExecutable())
        return QStringLiteral(BANKFILE_ACCESS_HELPER_BUILT);
#endif
    return beside;
}

AccessHelper::AccessHelper(const QStringList& arguments, const QString& password)
{
    const QString program = programPath();
    const QByteArray path = QFile::encodeName(program);
    if (!QFileInfo(program).isFile() || ::access(path.constData(), X_OK) != 0)
        throw AccessError(QStringLiteral("Access files cannot be read: the program's Access "
                                         "reader %1 is missing or cannot be run. Install the "
                                         "program again.")
                              .arg(QDir::toNativeSeparators(program)));

    // Everything the child needs is made before the fork: after it, only calls that are safe in
    // a child of a threaded process.
    const Limits& l = limits();
    QList<QByteArray> args{path, "--memory", QByteArray::number(l.memoryBytes), "--cpu",
                           QByteArray::number(l.cpuSeconds)};
    for (const QString& a : arguments)
        args << a.toUtf8();
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The environment as it is, the password given in its own variable or none.
    const QByteArray passwordName = QByteArray(accessPasswordVariable()) + '=';
    QByteArray passwordEntry = passwordName + password.toUtf8();
    std::vector<char*> envp;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, passwordName.constData(), size_t(passwordName.size())) != 0 &&
            std::strncmp(*e, "G_SLICE=", 8) != 0)
            envp.push_back(*e);
    }
    if (!password.isEmpty())
        envp.push_back(passwordEntry.data());
    // GLib's slice allocator aborts on a failed allocation without a word; through malloc the
    // failure reaches the helper, which then says it ran out of memory.
    QByteArray slices("G_SLICE=always-malloc");
    envp.push_back(slices.data());
    envp.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw AccessError(QStringLiteral("The Access reader cannot be started: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
    fds[1] = aboveStdio(fds[1]);
    const int devNull = aboveStdio(::open("/dev/null", O_RDWR | O_CLOEXEC));
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Dies with the program; the pipe is its standard output and nothing else is open.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        if (devNull < 0 || fds[1] < 0 || ::dup2(devNull, 0) < 0 || ::dup2(fds[1], 1) < 0 ||
            ::dup2(devNull, 2) < 0)
            ::_exit(127);
        ::close_range(3, ~0u, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    const int forkError = errno;
    if (fds[1] >= 0)
        ::close(fds[1]);
    if (devNull >= 0)
        ::close(devNull);
    if (pid < 0) {
        ::close(fds[0]);
        throw AccessError(QStringLiteral("The Access reader cannot be started: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(forkError))));
    }
    m_pid = pid;
    m_fd = fds[0];
    m_clock.start();
    // Room for the helper to run ahead of the import; a smaller pipe only costs more switches.
    ::fcntl(m_fd, F_SETPIPE_SZ, 1 << 20);
}

AccessHelper::~AccessHelper()
{
    reap(true);
}

void AccessHelper::reap(bool kill) noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_pid <= 0 || m_reaped)
        return;
    // Not yet reaped, so the id is still ours: killing it cannot reach another process.
    if (kill) {
        ::kill(m_pid, SIGKILL);
        m_killed = true;
    }
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(m_pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    m_status = r == m_pid ? status : 0;
    m_reaped = true;
}

std::size_t AccessHelper::read(char* buffer, std::size_t max)
{
    // Frames are small: they are served from a block read ahead, not a system call each.
    if (m_pos == m_filled && max < sizeof m_block) {
        m_pos = 0;
        m_filled = readPipe(m_block, sizeof m_block);
    }
    if (m_pos < m_filled) {
        const std::size_t n = std::min(max, m_filled - m_pos);
        std::memcpy(buffer, m_block + m_pos, n);
        m_pos += n;
        return n;
    }
    return readPipe(buffer, max);
}

std::size_t AccessHelper::readPipe(char* buffer, std::size_t max)
{
    if (m_fd < 0)
        return 0;
    for (;;) {
        // Deadlines, not idle times: a helper that trickles a byte now and then is not
        // waited on for ever.
        const qint64 deadline =
            m_opened ? m_frameAt + limits().idleTimeoutMs : qint64(limits().openTimeoutMs);
        const qint64 left = deadline - m_clock.elapsed();
        if (left <= 0) {
            m_timedOut = true;
            reap(true);
            throw accesswire::WireError("the Access reader did not answer in time");
        }
        // The wait is cut in slices so the caller can keep its window alive meanwhile.
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(m_waiting ? qMin<qint64>(left, 100) : left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            if (m_waiting)
                m_waiting();
            continue;
        }
        const ssize_t n = ready < 0 ? -1 : ::read(m_fd, buffer, max);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw accesswire::WireError("the Access reader's pipe cannot be read");
        if (n == 0)
            m_atEnd = true;
        return std::size_t(n);
    }
}

void AccessHelper::waitForExit()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // It closed its pipe, so it is ending; one that lingers is stopped.
    for (int i = 0; i < 200 && m_pid > 0 && !m_reaped; ++i) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = status;
            m_reaped = true;
        } else if (r < 0 && errno != EINTR) {
            m_reaped = true;
        } else {
            ::usleep(10'000);
        }
    }
    reap(true);
}

AccessHelper::Failure AccessHelper::failure()
{
    if (m_timedOut)
        return Failure::TimedOut;
    // Still sending: what it sent is nonsense, and a helper stopped by us tells nothing.
    if (!m_atEnd) {
        reap(true);
        return Failure::Damaged;
    }
    waitForExit();
    if (WIFEXITED(m_status) && WEXITSTATUS(m_status) == accessexit::OutOfMemory)
        return Failure::MemoryLimit;
    if (WIFSIGNALED(m_status)) {
        const int signal = WTERMSIG(m_status);
        // The soft processor limit sends SIGXCPU, the hard one a second later SIGKILL.
        if (signal == SIGXCPU || (signal == SIGKILL && !m_killed))
            return Failure::TimeLimit;
        if (signal == SIGKILL)
            return Failure::Damaged;
        return Failure::Crashed;
    }
    return Failure::Damaged;
}

QString AccessHelper::exitReason()
{
    waitForExit();
    if (WIFSIGNALED(m_status))
        return QStringLiteral("signal %1").arg(WTERMSIG(m_status));
    if (WIFEXITED(m_status))
        return QStringLiteral("exit code %1").arg(WEXITSTATUS(m_status));
    return QStringLiteral("unknown");
}
