// Start-up of the tool: the main window first, then its dialogs; the event loop runs until the main
// window closes.

#include "app/StartOptions.h"
#include "dialogs/AppDialogs.h"
#include "link/DeviceLink.h"
#include "main_window/MainForm.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane-setup"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));

    TStartOptions options;
    if (!options.parse(QApplication::arguments()))
        return options.exitCode();

    TfmMain window(TComm::createDefault(options.extraPorts()));
    TAppDialogs dialogs(&window);
    window.setDialogs(&dialogs);
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return QApplication::exec();
}
