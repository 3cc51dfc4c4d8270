#pragma once
// A main window on a fake serial port and fake port lister, with scripted dialogs and both 50 ms
// timers stopped: a test advances time with tick(), which runs the link tick and the main tick,
// and the window's Delay advances it the same way.

#include "main_window/MainForm.h"
#include "support/FakePortLister.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedDialogs.h"

#include <QByteArrayList>
#include <QColor>
#include <QComboBox>

#include <functional>
#include <map>
#include <memory>

class QListWidget;

class TMainWindowRig
{
public:
    explicit TMainWindowRig(const QStringList& systemPorts = {QStringLiteral("/dev/ttyUSB0")});
    ~TMainWindowRig();

    template <typename T> T* child(const QString& name) const
    {
        T* widget = form->findChild<T*>(name);
        if (!widget)
            qFatal("no control named %s", qPrintable(name));
        return widget;
    }
    QComboBox* combo(const QString& name) const { return child<QComboBox>(name); }

    void tick();
    void ticks(int count);
    int tickCount() const { return m_ticks; }
    // Runs action once, that many ticks from now (also inside a Delay).
    void onTick(int ticksFromNow, std::function<void()> action);

    // Picks the entry as a click on it does.
    void choosePort(int row);
    // First scan, the first port chosen and answered at 57600: connected, pages read.
    void connect();
    // The decoder sends one line; its carriage return is added.
    void receive(const QByteArray& line);
    // Handles what the link queued (frames that came in while a handler ran).
    void settle();
    void click(const QString& button);
    void clickField(const QString& edit);

    QByteArrayList sentFrames() const { return port->written; }
    void clearSent() { port->written.clear(); }
    QStringList log() const { return form->logLines(); }
    void clearLog();
    QString lamp() const;
    QColor lampColour() const;
    QStringList portEntries() const;
    QStringList panels() const;
    // number, type, rate, CI-V, polling, timeout, aux, switch, target ("" when none is chosen)
    QStringList radioPage() const;
    QList<int> antennas() const;

    FakeSerialPort* port = nullptr;
    FakePortLister* lister = nullptr;
    TScriptedDialogs dialogs;
    std::unique_ptr<TfmMain> form;
    QListWidget* ports = nullptr;

private:
    int m_ticks = 0;
    std::multimap<int, std::function<void()>> m_scheduled;
};
