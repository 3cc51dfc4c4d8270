#pragma once

#include <QStringList>

// The tool's command line: --port PATH (repeatable) lists a port the system does not, after the
// system's own; --demo starts the decoder emulator and lists its port the same way.
class TStartOptions
{
public:
    // False when the program should end at once (help, version or a bad option), with exitCode().
    bool parse(const QStringList& arguments);
    int exitCode() const { return m_exitCode; }
    bool demo() const { return m_demo; }
    QStringList extraPorts() const { return m_extraPorts; }

private:
    bool m_demo = false;
    QStringList m_extraPorts;
    int m_exitCode = 0;
};
