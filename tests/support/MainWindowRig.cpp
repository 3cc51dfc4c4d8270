#include "support/MainWindowRig.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTest>

TMainWindowRig::TMainWindowRig(const QStringList& systemPorts)
{
    auto serial = std::make_unique<FakeSerialPort>();
    port = serial.get();
    auto portLister = std::make_unique<FakePortLister>();
    portLister->ports = systemPorts;
    lister = portLister.get();
    form = std::make_unique<TfmMain>(std::make_unique<TComm>(std::move(serial), std::move(portLister)));
    form->setDialogs(&dialogs);
    form->setMainTimerEnabled(false);
    form->comm().SetTimerEnabled(false);
    form->PumpEvents = [this] { tick(); };
    form->comm().PumpEvents = [this] { tick(); };
    ports = child<QListWidget>(QStringLiteral("CommListBox"));
}

TMainWindowRig::~TMainWindowRig() = default;

void TMainWindowRig::tick()
{
    ++m_ticks;
    form->comm().LinkTick();
    form->Timer1Timer();
    while (!m_scheduled.empty() && m_scheduled.begin()->first <= m_ticks) {
        auto action = std::move(m_scheduled.begin()->second);
        m_scheduled.erase(m_scheduled.begin());
        action();
    }
}

void TMainWindowRig::ticks(int count)
{
    for (int i = 0; i < count; ++i)
        tick();
}

void TMainWindowRig::onTick(int ticksFromNow, std::function<void()> action)
{
    m_scheduled.emplace(m_ticks + ticksFromNow, std::move(action));
}

void TMainWindowRig::choosePort(int row)
{
    {
        const QSignalBlocker blocker(ports);
        ports->setCurrentRow(row);
    }
    form->CommListBoxClick();
}

void TMainWindowRig::connect()
{
    tick();
    choosePort(1);
    tick();
    receive("[T87R0151H00M03]");
    clearLog();
}

void TMainWindowRig::receive(const QByteArray& line)
{
    port->arrive(line + '\r');
    settle();
}

void TMainWindowRig::settle()
{
    QCoreApplication::processEvents();
}

void TMainWindowRig::click(const QString& button)
{
    child<QPushButton>(button)->click();
}

void TMainWindowRig::clickField(const QString& edit)
{
    form->show();
    QLineEdit* field = child<QLineEdit>(edit);
    QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
}

void TMainWindowRig::clearLog()
{
    child<QPlainTextEdit>(QStringLiteral("MsgMemo"))->clear();
}

QString TMainWindowRig::lamp() const
{
    return child<QLabel>(QStringLiteral("ledComm"))->text();
}

QColor TMainWindowRig::lampColour() const
{
    return child<QLabel>(QStringLiteral("ledComm"))->palette().color(QPalette::Window);
}

QStringList TMainWindowRig::portEntries() const
{
    QStringList entries;
    for (int i = 0; i < ports->count(); ++i)
        entries.append(ports->item(i)->text());
    return entries;
}

QStringList TMainWindowRig::panels() const
{
    return {form->statusPanel(0), form->statusPanel(1), form->statusPanel(2)};
}

QStringList TMainWindowRig::radioPage() const
{
    QString target;
    for (QRadioButton* button : form->findChildren<QRadioButton*>()) {
        if (button->isChecked())
            target = button->text();
    }
    auto flag = [this](const char* name) {
        return child<QCheckBox>(QString::fromLatin1(name))->isChecked() ? QStringLiteral("1")
                                                                        : QStringLiteral("0");
    };
    return {combo(QStringLiteral("cbRadioNumber"))->currentText(),
            combo(QStringLiteral("cbRadioType"))->currentText(),
            combo(QStringLiteral("cbBaudRate"))->currentText(),
            child<QLineEdit>(QStringLiteral("edCIV"))->text(),
            flag("cbPolling"),
            flag("cbTimeout"),
            combo(QStringLiteral("cbAuxRS232"))->currentText(),
            QString::number(child<QSpinBox>(QStringLiteral("edSwitch"))->value()),
            target};
}

QList<int> TMainWindowRig::antennas() const
{
    QList<int> values;
    for (const char* band : {"160", "80", "75", "60", "40", "30", "20", "17", "15", "12", "10", "6"})
        values.append(child<QSpinBox>(QStringLiteral("se") + QLatin1String(band))->value());
    return values;
}
