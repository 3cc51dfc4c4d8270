// Reply dispatcher of the main window: route filter, live status, confirmations and notices.

#include "dialogs/Dialogs.h"
#include "main_window/MainForm.h"
#include "main_window/MessageCatalogue.h"
#include "ui_MainForm.h"

#include <QLabel>

using namespace Catalogue;

namespace {

std::uint8_t byteAt(const QByteArray& payload, int index)
{
    return static_cast<std::uint8_t>(payload.at(index));
}

// Text from the line is untrusted: keep printable characters only.
QString printableText(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if ((code >= 0x20 && code < 0x7F) || code >= 0xA0)
            text.append(QChar(code));
    }
    return text;
}

} // namespace

void TfmMain::HandlePacket()
{
    const TNetPacket packet = Comm->GetPacket();
    if ((packet.Route2 & ROUTE_MASK) != ROUTE_MASK)
        return;
    const QByteArray& payload = packet.Payload;
    switch (packet.Command) {
    case RPL_BAND_DATA:
        ShowBandData(packet);
        break;
    case RPL_PING:
        if (!payload.isEmpty() && byteAt(payload, 0) == PING_BYTE)
            OnPingReply();
        break;
    case RPL_DEFAULTS_DONE:
        ShowDefaultsDone(packet);
        break;
    case RPL_ANTENNAS:
        ApplyAntennaConfig(packet);
        break;
    case RPL_ANTENNAS_WRITTEN:
        LogMessage(QString::fromLatin1(Texts::AntennasWritten));
        break;
    case RPL_RADIO:
        ApplyRadioConfig(packet);
        break;
    case RPL_RADIO_WRITTEN:
        LogMessage(QString::fromLatin1(Texts::RadioWritten));
        DeviceAddress = ADDRESS_BASE + itemIndex(ui->cbRadioNumber);
        break;
    case RPL_LIMIT:
        ApplyBandLimit(packet);
        break;
    case RPL_LIMIT_WRITTEN:
        LogMessage(QString::fromLatin1(Texts::LimitWritten));
        break;
    case RPL_CIV_SEARCH:
        Dialogs->ShowNotice(QString::fromLatin1(Texts::CivSearch));
        break;
    case RPL_CIV_FOUND:
        ShowCivFound(packet);
        break;
    case RPL_FIRMWARE:
        ShowFirmware(packet);
        break;
    default:
        break;
    }
}

void TfmMain::ShowBandData(const TNetPacket& packet)
{
    const QByteArray& payload = packet.Payload;
    if (payload.size() < BAND_DATA_MIN_SIZE)
        return;
    const int band = byteAt(payload, BAND_DATA_BAND);
    StatusPanels[0]->setText(isValidBand(band) ? QString::fromLatin1(BandNames[band - 1])
                                               : QString::fromLatin1(Texts::NoBandData));
    const int kHz = byteAt(payload, BAND_DATA_FREQ_HIGH) * 256 + byteAt(payload, BAND_DATA_FREQ_LOW);
    StatusPanels[1]->setText(kHz > 0 ? QString::number(kHz) + QString::fromLatin1(Texts::KHzSuffix)
                                     : QString::fromLatin1(Texts::NoFrequency));
}

void TfmMain::ShowFirmware(const TNetPacket& packet)
{
    StatusPanels[2]->setText(QString::fromLatin1(Texts::FirmwarePrefix) + printableText(packet.Payload));
}

void TfmMain::ShowCivFound(const TNetPacket& packet)
{
    if (packet.Payload.isEmpty())
        return;
    const QString address = ByteToHex(byteAt(packet.Payload, 0));
    Dialogs->ShowNotice(QString::fromLatin1(Texts::CivFound) + address);
    ui->edCIV->setText(address);
}

void TfmMain::ShowDefaultsDone(const TNetPacket& packet)
{
    if (packet.Payload.isEmpty())
        return;
    switch (byteAt(packet.Payload, 0)) {
    case DEFAULTS_RADIO:
        LogMessage(QString::fromLatin1(Texts::RadioDefaultsDone));
        break;
    case DEFAULTS_ANTENNAS:
        LogMessage(QString::fromLatin1(Texts::AntennaDefaultsDone));
        break;
    case DEFAULTS_LIMITS:
        LogMessage(QString::fromLatin1(Texts::LimitDefaultsDone));
        break;
    default:
        break;
    }
}
