// Takes the pictures of the main window for the README: starts the tool's window (on a given port,
// normally the demo decoder's), connects, waits until the pages are filled, and saves one PNG a page.
//
//   tolvane-screenshot OUTDIR [PORT]

#include "dialogs/AppDialogs.h"
#include "link/DeviceLink.h"
#include "main_window/MainForm.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QListWidget>
#include <QTabWidget>

#include <cstdio>

namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tolvane-screenshot OUTDIR [PORT]\n");
        return 2;
    }
    const QDir out(args.at(1));
    const QString port = args.value(2);

    TfmMain window(TComm::createDefault(port.isEmpty() ? QStringList() : QStringList{port}));
    TAppDialogs dialogs(&window);
    window.setDialogs(&dialogs);
    window.show();

    auto* list = window.findChild<QListWidget*>(QStringLiteral("CommListBox"));
    if (!waitFor([&] { return list->count() > (port.isEmpty() ? 0 : 1); }, 5000)) {
        std::fprintf(stderr, "the port list stayed empty\n");
        return 1;
    }
    if (!port.isEmpty()) {
        list->setCurrentRow(list->count() - 1);
        const bool filled = waitFor(
            [&] {
                return window.logLines().contains(QStringLiteral("Upper limit for 6M received")) &&
                       !window.statusPanel(0).isEmpty() && !window.statusPanel(2).isEmpty();
            },
            20000);
        if (!filled) {
            std::fprintf(stderr, "the decoder's pages were not filled in time\n");
            return 1;
        }
    }
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("ConfigPages"));
    const char* names[] = {"main-window.png", "antennas.png", "band-limits.png"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QString file = out.filePath(QString::fromLatin1(names[page]));
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
