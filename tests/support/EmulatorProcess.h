#pragma once
// The decoder emulator as a child process for end-to-end tests:
//
//     EmulatorProcess emu;
//     QVERIFY2(emu.start({"--rate", "19200", "--quiet-live"}), qPrintable(emu.errorString()));
//     comm.OpenPort(emu.path());
//     ...
//     QTRY_COMPARE(emu.requestLog(), QStringList({"03", "07"}));
//
// It always runs with --trace; the destructor stops it.

#include <QProcess>
#include <QString>
#include <QStringList>

class EmulatorProcess
{
public:
    static constexpr int StartTimeoutMs = 10000;
    static constexpr int StopTimeoutMs = 5000;

    EmulatorProcess() = default;
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // Starts the emulator with these options; true once it has printed its port's path.
    bool start(const QStringList& options = {}, int timeoutMs = StartTimeoutMs);
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    // The requests the emulator heard at its rate and for its address, in order, as hex command
    // codes ("03", "07"); one it did not understand reads "1C ignored".
    QStringList requestLog();
    // Every trace line so far ("rx 03", "tx 87", "skip rate 9600", "hangup", ...).
    QStringList traceLines();
    // Trace lines that start with prefix.
    QStringList traceLines(const QString& prefix);

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Ends its standard input, as when the tool that started it goes away.
    void closeInput() { m_process.closeWriteChannel(); }
    bool waitForFinished(int timeoutMs = StopTimeoutMs);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    // Stops it now: closes its input, then signals.
    void stop();

private:
    void collect();

    QProcess m_process;
    QString m_path;
    QString m_error;
    QByteArray m_partial;
    QStringList m_trace;
};
