#include "support/PtyPair.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

constexpr int PathSize = 256;
constexpr int ReadChunk = 4096;

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

// Waits until fd is ready for events or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int result = ::poll(&entry, 1, int(deadline.remainingTime()));
        if (result > 0)
            return (entry.revents & events) != 0;
        if (result == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

PtyPair::PtyPair()
{
    char path[PathSize] = {};
    if (::openpty(&m_master, &m_slave, path, nullptr, nullptr) != 0) {
        m_error = systemError("openpty");
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(path);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyPair::write(const QByteArray& bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (!waitFor(m_master, POLLOUT, deadline))
            return false;
        const ssize_t written = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (written > 0)
            done += written;
    }
    return true;
}

QByteArray PtyPair::read(qsizetype count, int timeoutMs)
{
    return readWhile(timeoutMs, [count](const QByteArray& got) { return got.size() < count; });
}

QByteArray PtyPair::readUntil(char terminator, int timeoutMs)
{
    return readWhile(timeoutMs, [terminator](const QByteArray& got) { return !got.contains(terminator); });
}

QByteArray PtyPair::readWhile(int timeoutMs, const auto& wantMore)
{
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray got;
    while (wantMore(got)) {
        if (!waitFor(m_master, POLLIN, deadline))
            break;
        char buffer[ReadChunk];
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0)
            got.append(buffer, count);
        else if (count < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return got;
}

bool PtyPair::attributes(termios& settings) const
{
    return ::tcgetattr(m_master, &settings) == 0;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
