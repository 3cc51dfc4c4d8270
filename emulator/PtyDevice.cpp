#include "emulator/PtyDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <utility>

namespace {

constexpr int ReadChunk = 4096;
// Compact the queue once this much of it has been written.
constexpr qint64 CompactAfter = 64 * 1024;

constexpr std::array<std::pair<speed_t, int>, 18> Rates = {{{B50, 50},
                                                            {B75, 75},
                                                            {B110, 110},
                                                            {B150, 150},
                                                            {B300, 300},
                                                            {B600, 600},
                                                            {B1200, 1200},
                                                            {B1800, 1800},
                                                            {B2400, 2400},
                                                            {B4800, 4800},
                                                            {B9600, 9600},
                                                            {B19200, 19200},
                                                            {B38400, 38400},
                                                            {B57600, 57600},
                                                            {B115200, 115200},
                                                            {B230400, 230400},
                                                            {B460800, 460800},
                                                            {B921600, 921600}}};

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(what, strerror(errno));
}

} // namespace

TPtyDevice::~TPtyDevice()
{
    close();
}

QString TPtyDevice::open()
{
    close();
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return systemError("cannot open a pseudo-terminal");
    m_master = master;
    m_slave = slave;
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);

    const char* name = ::ttyname(m_slave);
    if (!name) {
        const QString error = systemError("cannot name the pseudo-terminal");
        close();
        return error;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    termios raw{};
    if (::tcgetattr(m_slave, &raw) != 0) {
        const QString error = systemError("cannot read the terminal settings");
        close();
        return error;
    }
    // No echo, no line editing, no CR/LF translation: bytes pass as they are, as on a serial line.
    ::cfmakeraw(&raw);
    if (::tcsetattr(m_slave, TCSANOW, &raw) != 0) {
        const QString error = systemError("cannot set raw mode");
        close();
        return error;
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        const QString error = systemError("cannot make the terminal non-blocking");
        close();
        return error;
    }
    return {};
}

void TPtyDevice::close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = -1;
    m_slave = -1;
    m_pending.clear();
    m_written = 0;
}

int TPtyDevice::lineRate() const
{
    termios settings{};
    if (m_master < 0 || ::tcgetattr(m_master, &settings) != 0)
        return 0;
    const speed_t speed = ::cfgetospeed(&settings);
    for (const auto& [code, rate] : Rates) {
        if (code == speed)
            return rate;
    }
    return 0;
}

QByteArray TPtyDevice::readAvailable(bool& ok)
{
    ok = true;
    QByteArray data;
    if (m_master < 0) {
        ok = false;
        return data;
    }
    char buffer[ReadChunk];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, static_cast<qsizetype>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // 0 or EIO: no slave is open any more; with our own slave open this does not happen. Bytes
        // read before it are still handed over, the next call reports it.
        if (data.isEmpty())
            ok = false;
        break;
    }
    return data;
}

void TPtyDevice::send(const QByteArray& bytes)
{
    m_pending.append(bytes);
    flush();
}

bool TPtyDevice::flush()
{
    while (m_master >= 0 && hasPending()) {
        const ssize_t n = ::write(m_master, m_pending.constData() + m_written,
                                  static_cast<size_t>(m_pending.size() - m_written));
        if (n > 0) {
            m_written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        return false;
    }
    if (!hasPending()) {
        m_pending.clear();
        m_written = 0;
    } else if (m_written >= CompactAfter) {
        m_pending.remove(0, m_written);
        m_written = 0;
    }
    return true;
}
