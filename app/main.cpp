// Start-up of the tool: the main window first, then its dialogs; the event loop runs until the main
// window closes.

#include "app/DemoEmulator.h"
#include "app/StartOptions.h"
#include "dialogs/AppDialogs.h"
#include "link/DeviceLink.h"
#include "main_window/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane-setup"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));

    TStartOptions options;
    if (!options.parse(QApplication::arguments()))
        return options.exitCode();

    QStringList extraPorts = options.extraPorts();
    std::unique_ptr<TDemoEmulator> demo;
    QString demoError;
    if (options.demo()) {
        // The demo decoder keeps its configuration between runs, as a real one does.
        demo = std::make_unique<TDemoEmulator>();
        QStringList arguments;
        const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (!dataDir.isEmpty() && QDir().mkpath(dataDir))
            arguments << QStringLiteral("--state")
                      << QDir(dataDir).filePath(QStringLiteral("demo-decoder.state"));
        if (demo->start(arguments)) {
            extraPorts.append(demo->portName());
        } else {
            demoError = QStringLiteral("Demo decoder not started: ") + demo->errorString();
            std::fprintf(stderr, "%s\n", qPrintable(demoError));
        }
    }

    TfmMain window(TComm::createDefault(extraPorts));
    TAppDialogs dialogs(&window);
    window.setDialogs(&dialogs);
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    if (!demoError.isEmpty())
        QTimer::singleShot(0, &window, [&dialogs, demoError] { dialogs.ShowError(demoError); });
    return QApplication::exec();
}
