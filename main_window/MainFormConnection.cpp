// Connection manager of the main window: port choice, rate search, keep-alive and link loss.

#include "dialogs/Dialogs.h"
#include "main_window/MainForm.h"
#include "main_window/MessageCatalogue.h"
#include "ui_MainForm.h"

#include <QSignalBlocker>

using namespace Catalogue;

namespace {

struct TLampLook
{
    TLinkState state;
    QColor colour;
};

const TLampLook LampLooks[] = {
    {lsDisconnected, QColor(255, 0, 0)},
    {lsConnecting, QColor(240, 240, 144)},
    {lsConnected, QColor(0, 255, 0)},
};

} // namespace

void TfmMain::SetLinkState(TLinkState state)
{
    LinkState = state;
    QString caption;
    switch (state) {
    case lsDisconnected:
        caption = QString::fromLatin1(Texts::LampDisconnected);
        break;
    case lsConnecting:
        caption = QString::fromLatin1(Texts::LampConnecting) + QString::number(BaudIndex);
        break;
    case lsConnected:
        caption = QString::fromLatin1(Texts::LampConnected);
        break;
    case lsLoading:
        return; // the lamp keeps its look while the configuration is read
    }
    for (const TLampLook& look : LampLooks) {
        if (look.state == state) {
            QPalette palette = ui->ledComm->palette();
            palette.setColor(QPalette::Window, look.colour);
            palette.setColor(QPalette::WindowText, Qt::black);
            ui->ledComm->setPalette(palette);
        }
    }
    if (ui->ledComm->text() != caption) {
        ui->ledComm->setText(caption);
        ui->ledComm->setAccessibleName(caption);
    }
}

void TfmMain::CommListBoxClick()
{
    ++m_connectionSerial;
    SetLinkState(lsDisconnected);
    showPortState(QString::fromLatin1(Texts::PortDisabled));
    StatusPanels[0]->clear();
    if (!Comm->ClosePort()) {
        Dialogs->ShowError(QString::fromLatin1(Texts::ErrorClosing));
        return;
    }
    const int row = ui->CommListBox->currentRow();
    if (row <= 0)
        return; // "Disable", or nothing selected
    DeviceAddress = ADDRESS_BASE + itemIndex(ui->cbRadioNumber);
    BaudIndex = BAUD_INDEX_LAST;
    Comm->SetBaudCode(LinkRateCodes[BaudIndex]);
    const QString name = ui->CommListBox->item(row)->text();
    if (!Comm->OpenPort(name)) {
        Dialogs->ShowError(QString::fromLatin1(Texts::ErrorOpening) + name);
        return;
    }
    LinkTimeout = LINK_TIMEOUT_TICKS;
    PollTicks = 0;
    Attempts = PINGS_PER_RATE;
    SetLinkState(lsConnecting);
    showPortState(QString::fromLatin1(Texts::PortUsing) + name);
}

void TfmMain::showPortState(const QString& text)
{
    // Long device paths (/dev/serial/by-id/...) are shortened in the middle to fit; the whole text
    // stays in the tooltip and the accessible name.
    const int width = ui->lblComm->contentsRect().width();
    ui->lblComm->setText(ui->lblComm->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
    ui->lblComm->setToolTip(text);
    ui->lblComm->setAccessibleName(text);
}

void TfmMain::refreshPortList()
{
    const QStringList ports = Comm->TakePortList();
    m_refillingPorts = true;
    {
        const QSignalBlocker blocker(ui->CommListBox);
        ui->CommListBox->clear();
        ui->CommListBox->addItems(ports);
        ui->CommListBox->setCurrentRow(-1);
    }
    for (int i = 0; i < ui->CommListBox->count(); ++i)
        ui->CommListBox->item(i)->setToolTip(ui->CommListBox->item(i)->text());
    m_refillingPorts = false;
}

void TfmMain::Timer1Timer()
{
    if (Comm->PortListChanged())
        refreshPortList();
    if (DelayTicks > 0)
        --DelayTicks;
    if (LinkTimeout > 0)
        --LinkTimeout;
    else
        SetLinkState(lsDisconnected);
    if (PollTicks > 0) {
        --PollTicks;
        return;
    }
    const QByteArray ping(1, char(PING_BYTE));
    if (LinkState == lsConnecting) {
        PollTicks = SEARCH_POLL_TICKS;
        if (Attempts > 0) {
            --Attempts;
            sendToDevice(CMD_PING, ping);
            SetLinkState(lsConnecting);
        } else if (BaudIndex > BAUD_INDEX_FIRST) {
            --BaudIndex;
            Comm->SetBaudCode(LinkRateCodes[BaudIndex]);
            Attempts = PINGS_PER_RATE;
        } else {
            SetLinkState(lsDisconnected);
        }
    } else {
        PollTicks = KEEPALIVE_POLL_TICKS;
        sendToDevice(CMD_PING, ping);
    }
}

void TfmMain::OnPingReply()
{
    if (LinkState == lsConnecting) {
        SetLinkState(lsLoading);
        LogMessage(QString::fromLatin1(Texts::ConnectedAt) + QString::fromLatin1(LinkRateNames[BaudIndex]) +
                   QString::fromLatin1(Texts::Baud));
        // The operator may pick another port during the waits; the rest of this sequence then
        // belongs to a connection that no longer exists.
        const quint64 connection = m_connectionSerial;
        const std::array<void (TfmMain::*)(), 3> reads = {
            &TfmMain::btnRadioLoadClick, &TfmMain::btnAntennaLoadClick, &TfmMain::btnLoadLimitsClick};
        for (auto read : reads) {
            Delay(READ_DELAY_TICKS);
            if (connection != m_connectionSerial)
                return;
            (this->*read)();
        }
    }
    SetLinkState(lsConnected);
    LinkTimeout = LINK_TIMEOUT_TICKS;
}

void TfmMain::Delay(int ticks)
{
    DelayTicks = ticks;
    while (DelayTicks > 0)
        PumpEvents();
}

void TfmMain::sendToDevice(std::uint8_t command, const QByteArray& payload)
{
    Comm->SendPacket(static_cast<std::uint8_t>(DeviceAddress & 0xFF), command, payload);
}

void TfmMain::btnRadioLoadClick()
{
    ui->edCIV->clear();
    sendToDevice(CMD_READ_RADIO);
}

void TfmMain::btnAntennaLoadClick()
{
    sendToDevice(CMD_READ_ANTENNAS);
}

void TfmMain::btnLoadLimitsClick()
{
    sendToDevice(CMD_READ_LIMITS, QByteArray(1, char(READ_LIMITS_BYTE)));
}
