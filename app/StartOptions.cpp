#include "app/StartOptions.h"

#include <QCommandLineParser>

#include <cstdio>

bool TStartOptions::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Setup tool of the Tolvane band decoder."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("List PATH after the system's serial ports (repeatable), "
                                                 "for a virtual or remote port the system does not list."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Start a demo decoder on a pseudo-terminal and list its port."));
    parser.addOption(port);
    parser.addOption(demo);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        m_exitCode = 2;
        return false;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        const QString text =
            parser.isSet(help) ? parser.helpText() : QStringLiteral("tolvane-setup " TOLVANE_VERSION "\n");
        std::fputs(qPrintable(text), stdout);
        m_exitCode = 0;
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "Unexpected argument: %s\n%s", qPrintable(parser.positionalArguments().first()),
                     qPrintable(parser.helpText()));
        m_exitCode = 2;
        return false;
    }
    m_extraPorts = parser.values(port);
    m_demo = parser.isSet(demo);
    return true;
}
