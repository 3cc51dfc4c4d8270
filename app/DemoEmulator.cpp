#include "app/DemoEmulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <utility>

namespace {

constexpr int MsPerSecond = 1000;

} // namespace

TDemoEmulator::TDemoEmulator(QString program) : m_program(std::move(program))
{
    QObject::connect(&m_process, &QProcess::readyReadStandardError, [this] { forwardErrors(); });
}

TDemoEmulator::~TDemoEmulator()
{
    stop();
}

QString TDemoEmulator::defaultProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(ProgramName));
}

bool TDemoEmulator::start(const QStringList& arguments)
{
    stop();
    m_portName.clear();
    m_error.clear();
    if (!QFileInfo(m_program).isExecutable()) {
        m_error = QStringLiteral("The decoder emulator %1 is missing or cannot be run").arg(m_program);
        return false;
    }
    m_process.setProgram(m_program);
    m_process.setArguments(arguments);
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start();

    const QDeadlineTimer deadline(StartTimeoutMs);
    if (!m_process.waitForStarted(int(deadline.remainingTime()))) {
        m_error = QStringLiteral("The decoder emulator did not start: %1").arg(m_process.errorString());
        stop();
        return false;
    }
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    if (!m_process.canReadLine()) {
        const QString detail = QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
        m_error = m_process.state() == QProcess::Running
                      ? QStringLiteral("The decoder emulator named no port within %1 s")
                            .arg(StartTimeoutMs / MsPerSecond)
                      : QStringLiteral("The decoder emulator ended at once: %1").arg(detail);
        stop();
        return false;
    }
    m_portName = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return true;
}

void TDemoEmulator::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The end of its input is the emulator's own stop request; the signals are for one that hangs.
    m_process.closeWriteChannel();
    if (m_process.waitForFinished(StopTimeoutMs))
        return;
    m_process.terminate();
    if (m_process.waitForFinished(StopTimeoutMs))
        return;
    m_process.kill();
    m_process.waitForFinished(StopTimeoutMs);
}

void TDemoEmulator::forwardErrors()
{
    // Its own complaints (a state file it cannot save) belong on the tool's standard error. Before
    // it named its port they stay in the process buffer: start() words them.
    if (m_portName.isEmpty())
        return;
    const QByteArray text = m_process.readAllStandardError();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
}
