#include "emulator/Emulator.h"

#include "emulator/StateFile.h"
#include "link/FrameCodec.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

using namespace std::chrono;

constexpr const char* ProgramName = "tolvane-emulator";
constexpr int ExitStopped = 0;
constexpr int ExitNoTerminal = 1;
constexpr int StdinChunk = 256;
constexpr char CarriageReturn = '\r';
constexpr char FirstPrintable = ' ';
constexpr char LastPrintable = '~';
constexpr int PercentRange = 100;
constexpr int MaxByte = 255;
constexpr std::array StopSignals = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_stopSignal = 0;
sigset_t g_waitMask;

void onStopSignal(int signal)
{
    g_stopSignal = signal;
}

QByteArray hex(std::uint8_t value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(2, '0');
}

void printError(const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", ProgramName, message.toLocal8Bit().constData());
}

// Command code of an outgoing reply frame, for the trace.
std::uint8_t replyCommand(const QByteArray& frame)
{
    return frame.size() > 3 ? HexPairToByte(frame[2], frame[3]) : 0;
}

TEmulator::TClock::time_point after(TEmulator::TClock::time_point start, double seconds)
{
    return start + duration_cast<TEmulator::TClock::duration>(duration<double>(seconds));
}

bool isPipe(int fd)
{
    struct stat info
    {
    };
    return ::fstat(fd, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

// A stale link from an earlier run is replaced; any other file there is left alone.
QString makeLink(const QString& linkPath, const QString& target)
{
    const QByteArray link = QFile::encodeName(linkPath);
    const QFileInfo info(linkPath);
    if (info.isSymLink())
        ::unlink(link.constData());
    else if (info.exists())
        return QStringLiteral("cannot link %1: a file of that name exists and is not a link").arg(linkPath);
    if (::symlink(QFile::encodeName(target).constData(), link.constData()) != 0)
        return QStringLiteral("cannot link %1: %2").arg(linkPath, QString::fromLocal8Bit(strerror(errno)));
    return {};
}

void removeLink(const QString& linkPath, const QString& target)
{
    if (QFileInfo(linkPath).isSymLink() && QFileInfo(linkPath).symLinkTarget() == target)
        ::unlink(QFile::encodeName(linkPath).constData());
}

} // namespace

TEmulator::TEmulator(const TEmulatorOptions& options, TDecoderModel& model, TPtyDevice& pty)
    : m_options(options), m_model(model), m_pty(pty),
      m_random(options.Seed ? *options.Seed : std::random_device{}())
{
}

void TEmulator::installStopSignals()
{
    sigset_t blocked;
    sigemptyset(&blocked);
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : StopSignals) {
        sigaction(signal, &action, nullptr);
        sigaddset(&blocked, signal);
    }
    // The tool may close its end of our standard output; a write there must not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    sigprocmask(SIG_BLOCK, &blocked, &g_waitMask);
    for (int signal : StopSignals)
        sigdelset(&g_waitMask, signal);
}

void TEmulator::trace(const QByteArray& line) const
{
    if (m_options.Trace)
        std::fprintf(stderr, "%s\n", line.constData());
}

bool TEmulator::chance(int percent)
{
    if (percent <= 0)
        return false;
    return std::uniform_int_distribution<int>(0, PercentRange - 1)(m_random) < percent;
}

void TEmulator::saveIfChanged()
{
    if (!m_model.takeConfigChanged() || m_options.StatePath.isEmpty())
        return;
    const QString error = SaveStateFile(m_options.StatePath, m_model.config());
    if (!error.isEmpty())
        printError(error);
}

void TEmulator::receive(const QByteArray& bytes, TClock::time_point now)
{
    for (char byte : bytes) {
        if (byte == CarriageReturn) {
            if (!m_lineOverflow)
                handleLine(m_line, now);
            else
                trace("skip overlong");
            m_line.clear();
            m_lineOverflow = false;
        } else if (byte >= FirstPrintable && byte <= LastPrintable && !m_lineOverflow) {
            m_line.append(byte);
            if (m_line.size() > MaxRequestLine) {
                m_lineOverflow = true;
                m_line.clear();
            }
        }
    }
}

void TEmulator::handleLine(const QByteArray& line, TClock::time_point now)
{
    if (m_silent) {
        trace("skip silent");
        return;
    }
    // A pseudo-terminal passes bytes at any rate; a real decoder at another rate hears only noise.
    const int rate = m_pty.lineRate();
    if (rate != m_options.Rate) {
        trace("skip rate " + QByteArray::number(rate));
        return;
    }
    const TDecoderModel::TResult result = m_model.handleRequest(line);
    switch (result.Verdict) {
    case TDecoderModel::TVerdict::NotARequest:
        trace("skip noise");
        break;
    case TDecoderModel::TVerdict::NotForUs:
        trace("skip other " + hex(result.Command));
        break;
    case TDecoderModel::TVerdict::Ignored:
        trace("rx " + hex(result.Command) + " ignored");
        break;
    case TDecoderModel::TVerdict::Answered:
        trace("rx " + hex(result.Command));
        break;
    }
    queueFrames(result.Replies, now + milliseconds(m_options.DelayMs));
    saveIfChanged();
}

void TEmulator::queueFrames(const QList<QByteArray>& frames, TClock::time_point due)
{
    for (const QByteArray& frame : frames) {
        const std::uint8_t command = replyCommand(frame);
        if (m_pty.pendingSize() > MaxPendingBytes) {
            trace("drop " + hex(command) + " full");
            continue;
        }
        // First in, first out: a later frame never overtakes one that is late.
        if (!m_queue.empty())
            due = std::max(due, m_queue.back().Due);
        m_queue.push_back({due, frame, command, 0});
    }
}

bool TEmulator::sendDue(TClock::time_point now)
{
    while (!m_queue.empty() && m_queue.front().Due <= now) {
        TOutgoing& item = m_queue.front();
        if (item.Offset == 0) {
            if (chance(m_options.DropPercent)) {
                trace("drop " + hex(item.Command));
                m_queue.pop_front();
                continue;
            }
            for (char& byte : item.Bytes) {
                // Never the same value again, so a garbled byte is always a changed byte.
                if (chance(m_options.GarblePercent))
                    byte = static_cast<char>(byte ^ std::uniform_int_distribution<int>(1, MaxByte)(m_random));
            }
            trace("tx " + hex(item.Command));
        }
        if (m_options.Split && item.Offset + 1 < item.Bytes.size()) {
            m_pty.send(item.Bytes.mid(item.Offset, 1));
            ++item.Offset;
            item.Due = now + milliseconds(SplitGapMs);
            break;
        }
        m_pty.send(item.Bytes.mid(item.Offset));
        m_queue.pop_front();
    }
    return m_pty.flush();
}

int TEmulator::run(int stdinFd)
{
    const TClock::time_point start = TClock::now();
    const milliseconds liveStep(TDecoderModel::LiveStepMs);
    TClock::time_point nextLive = start + liveStep;
    std::optional<TClock::time_point> silentAt;
    std::optional<TClock::time_point> hangupAt;
    if (m_options.SilentAfterSeconds)
        silentAt = after(start, *m_options.SilentAfterSeconds);
    if (m_options.HangupAfterSeconds)
        hangupAt = after(start, *m_options.HangupAfterSeconds);

    for (;;) {
        TClock::time_point now = TClock::now();
        if (g_stopSignal != 0) {
            trace("stop signal " + QByteArray::number(static_cast<int>(g_stopSignal)));
            return ExitStopped;
        }
        if (hangupAt && now >= *hangupAt) {
            trace("hangup");
            m_pty.close();
            return ExitStopped;
        }
        if (silentAt && now >= *silentAt && !m_silent) {
            trace("silent");
            m_silent = true;
            m_queue.clear();
        }
        if (now >= nextLive) {
            // Live traffic waits while the tool has not read what was sent before.
            if (!m_options.QuietLive && !m_silent && !m_pty.hasPending()) {
                queueFrames(m_model.liveStep(), now);
                saveIfChanged();
            }
            nextLive += liveStep;
            if (nextLive <= now)
                nextLive = now + liveStep;
        }
        if (!sendDue(now)) {
            printError(QStringLiteral("cannot write to the pseudo-terminal: %1").arg(strerror(errno)));
            return ExitNoTerminal;
        }

        TClock::time_point wake = nextLive;
        if (!m_queue.empty())
            wake = std::min(wake, m_queue.front().Due);
        if (silentAt && !m_silent)
            wake = std::min(wake, *silentAt);
        if (hangupAt)
            wake = std::min(wake, *hangupAt);
        const nanoseconds wait = std::max(nanoseconds(0), duration_cast<nanoseconds>(wake - now));
        const seconds wholeSeconds = duration_cast<seconds>(wait);
        const timespec timeout{static_cast<time_t>(wholeSeconds.count()),
                               static_cast<long>((wait - wholeSeconds).count())};

        std::array<pollfd, 2> fds{};
        fds[0].fd = m_pty.masterFd();
        fds[0].events = static_cast<short>(POLLIN | (m_pty.hasPending() ? POLLOUT : 0));
        fds[1].fd = stdinFd;
        fds[1].events = POLLIN;
        const nfds_t count = stdinFd >= 0 ? 2 : 1;
        const int ready = ::ppoll(fds.data(), count, &timeout, &g_waitMask);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            printError(QStringLiteral("poll failed: %1").arg(strerror(errno)));
            return ExitNoTerminal;
        }
        now = TClock::now();
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            bool ok = true;
            const QByteArray bytes = m_pty.readAvailable(ok);
            if (!ok) {
                printError(QStringLiteral("the pseudo-terminal failed: %1").arg(strerror(errno)));
                return ExitNoTerminal;
            }
            receive(bytes, now);
        }
        if (count > 1 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[StdinChunk];
            const ssize_t n = ::read(stdinFd, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                trace("stdin closed");
                return ExitStopped;
            }
        }
    }
}

int EmulatorMain(int argc, char* argv[])
{
#ifdef __linux__
    // Second guard besides the end of standard input: a parent that is killed takes us along.
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        return ExitStopped;
#endif
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TOptionsResult parsed = ParseEmulatorOptions(arguments);
    if (!parsed.Error.isEmpty()) {
        printError(parsed.Error);
        std::fprintf(stderr, "Try %s --help.\n", ProgramName);
        return ExitUsage;
    }
    const TEmulatorOptions& options = parsed.Options;
    if (options.Help) {
        std::fputs(EmulatorUsage().toLocal8Bit().constData(), stdout);
        return ExitStopped;
    }

    TDecoderModel model(options.Radio, options.Firmware);
    if (!options.StatePath.isEmpty()) {
        const TStateLoadResult loaded = LoadStateFile(options.StatePath, model.config());
        if (loaded.Status == TStateLoad::Failed) {
            printError(loaded.Error);
            return ExitUsage;
        }
        if (loaded.Status == TStateLoad::Loaded) {
            model.setConfig(loaded.Config);
        } else {
            // First run: write the factory state now, so a path that cannot be written fails here
            // and not after the first edit.
            const QString error = SaveStateFile(options.StatePath, model.config());
            if (!error.isEmpty()) {
                printError(error);
                return ExitUsage;
            }
        }
    }

    TEmulator::installStopSignals();
    TPtyDevice pty;
    const QString ptyError = pty.open();
    if (!ptyError.isEmpty()) {
        printError(ptyError);
        return ExitNoTerminal;
    }
    const QString slavePath = pty.slavePath();
    if (!options.LinkPath.isEmpty()) {
        const QString error = makeLink(options.LinkPath, slavePath);
        if (!error.isEmpty()) {
            printError(error);
            return ExitUsage;
        }
    }
    std::printf("%s\n", QFile::encodeName(slavePath).constData());
    std::fflush(stdout);

    const int stdinFd = isPipe(STDIN_FILENO) ? STDIN_FILENO : -1;
    TEmulator emulator(options, model, pty);
    const int code = emulator.run(stdinFd);
    if (!options.LinkPath.isEmpty())
        removeLink(options.LinkPath, slavePath);
    return code;
}
