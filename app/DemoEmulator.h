#pragma once
// The decoder emulator run as a child of the tool (--demo), so the tool can be tried without a
// decoder. Its port is listed after the system's ports, as a --port would be.
//
// The child ends with the tool: the destructor stops it, and when the tool is killed the child
// sees its standard input (a pipe from us) close and ends on its own.

#include <QProcess>
#include <QString>
#include <QStringList>

class TDemoEmulator
{
public:
    static constexpr const char* ProgramName = "tolvane-emulator";
    static constexpr int StartTimeoutMs = 5000;
    static constexpr int StopTimeoutMs = 2000;

    // program: the emulator to run; by default the one next to the tool's own executable.
    explicit TDemoEmulator(QString program = defaultProgram());
    ~TDemoEmulator();
    TDemoEmulator(const TDemoEmulator&) = delete;
    TDemoEmulator& operator=(const TDemoEmulator&) = delete;

    static QString defaultProgram();

    // Starts the emulator and waits (at most StartTimeoutMs) for the path of its port. False with
    // errorString() when it cannot be run or names no port.
    bool start(const QStringList& arguments = {});
    QString portName() const { return m_portName; }
    QString errorString() const { return m_error; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }
    void stop();

private:
    void forwardErrors();

    QString m_program;
    QProcess m_process;
    QString m_portName;
    QString m_error;
};
