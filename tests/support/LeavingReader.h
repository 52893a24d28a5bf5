#pragma once
// The program at the other end of a named pipe, leaving while bytes still come. Its end is open
// before the writer comes, so that the writer finds a reader; it closes it after the first bytes
// that arrive (on a thread of its own), or when told to.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

class LeavingReader
{
public:
    enum When { AfterFirstBytes, WhenTold };

    explicit LeavingReader(const QString& fifo, When when = AfterFirstBytes)
    {
        m_fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (when == AfterFirstBytes)
            m_thread = std::thread([this] {
                pollfd p{m_fd, POLLIN, 0};
                while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
                }
                leave();
            });
    }
    ~LeavingReader() { finish(); }
    LeavingReader(const LeavingReader&) = delete;
    LeavingReader& operator=(const LeavingReader&) = delete;

    // Takes what the pipe holds, up to a few bytes, and closes the reading end.
    void leave()
    {
        if (m_fd < 0)
            return;
        char buffer[100];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            m_data.append(buffer, qsizetype(n));
        ::close(m_fd);
        m_fd = -1;
    }
    // The bytes taken, once it has left.
    QByteArray finish()
    {
        if (m_thread.joinable())
            m_thread.join();
        leave();
        return m_data;
    }

private:
    int m_fd = -1;
    std::thread m_thread;
    QByteArray m_data;
};
