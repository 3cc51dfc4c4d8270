#include "support/EmulatorProcess.h"

#include <QDeadlineTimer>

namespace {

constexpr const char* TraceOption = "--trace";
constexpr const char* RequestPrefix = "rx ";

} // namespace

EmulatorProcess::~EmulatorProcess()
{
    stop();
}

bool EmulatorProcess::start(const QStringList& options, int timeoutMs)
{
    stop();
    m_path.clear();
    m_error.clear();
    m_partial.clear();
    m_trace.clear();

    QStringList arguments = options;
    if (!arguments.contains(QLatin1String(TraceOption)))
        arguments << QLatin1String(TraceOption);
    m_process.setProgram(QStringLiteral(TOLVANE_EMULATOR_PATH));
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start();

    const QDeadlineTimer deadline(timeoutMs);
    if (!m_process.waitForStarted(int(deadline.remainingTime()))) {
        m_error = QStringLiteral("emulator did not start: %1").arg(m_process.errorString());
        return false;
    }
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired() ||
            !m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            break;
        }
    }
    if (!m_process.canReadLine()) {
        collect();
        m_error = QStringLiteral("emulator gave no port path (exit code %1): %2")
                      .arg(m_process.exitCode())
                      .arg(m_trace.join(QLatin1Char('\n')));
        stop();
        return false;
    }
    m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    // From here on only its standard error (the trace) carries news.
    m_process.setReadChannel(QProcess::StandardError);
    return !m_path.isEmpty();
}

void EmulatorProcess::collect()
{
    // Takes what the pipe holds now even when no event loop has run since.
    if (m_process.state() == QProcess::Running) {
        while (m_process.waitForReadyRead(0)) {
        }
    }
    m_partial += m_process.readAllStandardError();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_trace << QString::fromLocal8Bit(m_partial.left(end));
        m_partial.remove(0, end + 1);
    }
}

QStringList EmulatorProcess::traceLines()
{
    collect();
    return m_trace;
}

QStringList EmulatorProcess::traceLines(const QString& prefix)
{
    collect();
    QStringList lines;
    for (const QString& line : m_trace) {
        if (line.startsWith(prefix))
            lines << line;
    }
    return lines;
}

QStringList EmulatorProcess::requestLog()
{
    QStringList requests;
    for (const QString& line : traceLines(QLatin1String(RequestPrefix)))
        requests << line.mid(int(qstrlen(RequestPrefix)));
    return requests;
}

bool EmulatorProcess::waitForFinished(int timeoutMs)
{
    const bool finished = m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    collect();
    return finished;
}

void EmulatorProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(StopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(StopTimeoutMs);
    }
    collect();
}
