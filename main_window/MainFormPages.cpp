// The three configuration pages of the main window: radio setup, default antennas, band limits.

#include "dialogs/Dialogs.h"
#include "main_window/MainForm.h"
#include "main_window/MessageCatalogue.h"
#include "ui_MainForm.h"

#include <QButtonGroup>

using namespace Catalogue;

namespace {

// Bytes a short record lacks count as 0.
std::uint8_t byteOrZero(const QByteArray& payload, int index)
{
    return index < payload.size() ? static_cast<std::uint8_t>(payload.at(index)) : 0;
}

char low8(int value)
{
    return static_cast<char>(value & 0xFF);
}

bool isHexText(const QString& text)
{
    for (QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

} // namespace

int TfmMain::radioTypeIndex() const
{
    return itemIndex(ui->cbRadioType);
}

int TfmMain::targetIndex() const
{
    return TargetGroup->checkedId();
}

void TfmMain::selectTarget(int index)
{
    if (QAbstractButton* button = TargetGroup->button(index))
        button->setChecked(true);
}

bool TfmMain::readCivByte(std::uint8_t& civ)
{
    const QString text = ui->edCIV->text();
    if (text.size() != 2 || !isHexText(text)) {
        Dialogs->ShowError(QString::fromLatin1(Texts::CivError));
        return false;
    }
    civ = static_cast<std::uint8_t>(text.toUInt(nullptr, 16));
    return true;
}

void TfmMain::btnRadioSaveClick()
{
    std::uint8_t civ = 0;
    if (radioTypeIndex() == ICOM_TYPE) {
        if (!readCivByte(civ))
            return;
    } else {
        ui->edCIV->setText(QString::fromLatin1(Texts::CivZero));
    }

    // An item index of -1 (free text that names no item) goes out as FF, as the decoder expects;
    // the log says so, so the operator is not left guessing.
    const std::array<std::pair<QComboBox*, QLabel*>, 4> lists = {{{ui->cbRadioNumber, ui->lblNumber},
                                                                  {ui->cbRadioType, ui->lblType},
                                                                  {ui->cbBaudRate, ui->lblBaud},
                                                                  {ui->cbAuxRS232, ui->lblAux}}};
    for (const auto& [box, label] : lists) {
        if (itemIndex(box) < 0)
            LogMessage(label->text() + QStringLiteral(" \"") + box->currentText() + QLatin1Char('"') +
                       QString::fromLatin1(Texts::NotInList));
    }

    QByteArray record(RADIO_RECORD_SIZE, 0);
    record[RR_LEAD] = char(LEAD_BYTE);
    record[RR_NUMBER] = low8(itemIndex(ui->cbRadioNumber));
    record[RR_TYPE] = low8(radioTypeIndex());
    record[RR_RATE] = low8(itemIndex(ui->cbBaudRate));
    record[RR_CIV] = char(civ);
    record[RR_POLLING] = ui->cbPolling->isChecked() ? 1 : 0;
    record[RR_TIMEOUT] = ui->cbTimeout->isChecked() ? 1 : 0;
    record[RR_AUX] = low8(itemIndex(ui->cbAuxRS232));
    record[RR_SWITCH] = low8(ui->edSwitch->value());
    record[RR_TARGET] = low8(targetIndex());
    sendToDevice(CMD_WRITE_RADIO, record);
}

void TfmMain::askAndResetDefaults(const char* question, std::uint8_t what)
{
    if (Dialogs->AskYesNo(QString::fromLatin1(question), QString()))
        sendToDevice(CMD_DEFAULTS, QByteArray(1, char(what)));
}

void TfmMain::btnRadioDefaultsClick()
{
    askAndResetDefaults(Texts::AskRadioDefaults, DEFAULTS_RADIO);
}

void TfmMain::ApplyRadioConfig(const TNetPacket& packet)
{
    LogMessage(QString::fromLatin1(Texts::RadioReceived));
    const QByteArray& record = packet.Payload;
    const int number = byteOrZero(record, RR_NUMBER);
    if (record.size() < RADIO_RECORD_MIN_SIZE || byteOrZero(record, RR_LEAD) != LEAD_BYTE ||
        number < MIN_RADIO_NUMBER || number > MAX_RADIO_NUMBER)
        return;
    ui->cbRadioNumber->setCurrentIndex(number);
    const int type = byteOrZero(record, RR_TYPE);
    if (type < int(RadioTypeNames.size()))
        ui->cbRadioType->setCurrentIndex(type);
    const int rate = byteOrZero(record, RR_RATE);
    if (rate < ui->cbBaudRate->count())
        ui->cbBaudRate->setCurrentIndex(rate);
    if (radioTypeIndex() == ICOM_TYPE)
        ui->edCIV->setText(ByteToHex(byteOrZero(record, RR_CIV)));
    ui->cbPolling->setChecked(byteOrZero(record, RR_POLLING) != 0);
    ui->cbTimeout->setChecked(byteOrZero(record, RR_TIMEOUT) != 0);
    const int aux = byteOrZero(record, RR_AUX);
    ui->cbAuxRS232->setCurrentIndex(aux < int(AuxOutputNames.size()) ? aux : 0);
    const int switchNumber = byteOrZero(record, RR_SWITCH);
    ui->edSwitch->setValue(switchNumber >= MIN_SWITCH && switchNumber <= MAX_SWITCH ? switchNumber
                                                                                    : MIN_SWITCH);
    const int target = byteOrZero(record, RR_TARGET);
    selectTarget(target >= 1 && target < int(TargetNames.size()) ? target : 0);
}

void TfmMain::btnAntSaveClick()
{
    QByteArray payload;
    for (const QSpinBox* spin : AntennaEdits)
        payload.append(low8(spin->value()));
    sendToDevice(CMD_WRITE_ANTENNAS, payload);
}

void TfmMain::btnAntennaDefaultsClick()
{
    askAndResetDefaults(Texts::AskAntennaDefaults, DEFAULTS_ANTENNAS);
}

void TfmMain::ApplyAntennaConfig(const TNetPacket& packet)
{
    LogMessage(QString::fromLatin1(Texts::AntennaReceived));
    if (packet.Payload.size() < BAND_COUNT)
        return;
    for (int i = 0; i < BAND_COUNT; ++i)
        AntennaEdits[i]->setValue(
            static_cast<std::uint8_t>(packet.Payload.at(i))); // the box keeps 9 and up at 8
}

void TfmMain::btnDefaultLimtsClick()
{
    askAndResetDefaults(Texts::AskLimitDefaults, DEFAULTS_LIMITS);
}

bool TfmMain::readLimit(QLineEdit* edit, int& kHz)
{
    const int band = edit->property("tag").toInt();
    QString text = edit->text();
    // A rejected entry opens the dialog again with what was typed, until OK with a valid number or Cancel.
    while (Dialogs->AskLimit(QString::fromLatin1(BandNames[band - 1]), text)) {
        text = Dialogs->LimitText();
        bool ok = false;
        const uint value = text.trimmed().toUInt(&ok, 10);
        if (ok && value <= uint(MAX_LIMIT_KHZ)) {
            kHz = int(value);
            return true;
        }
        Dialogs->ShowError(QString::fromLatin1(Texts::LimitError));
    }
    return false;
}

void TfmMain::ed160Click(QLineEdit* sender)
{
    const int band = sender->property("tag").toInt();
    if (!isValidBand(band))
        return;
    int kHz = 0;
    if (!readLimit(sender, kHz))
        return;
    QByteArray payload;
    payload.append(char(band));
    payload.append(low8(kHz >> 8));
    payload.append(low8(kHz));
    sendToDevice(CMD_WRITE_LIMIT, payload);
}

void TfmMain::ApplyBandLimit(const TNetPacket& packet)
{
    const QByteArray& payload = packet.Payload;
    if (payload.size() < LIMIT_PAYLOAD_SIZE)
        return;
    const int band = static_cast<std::uint8_t>(payload.at(0));
    if (!isValidBand(band))
        return;
    const int kHz = static_cast<std::uint8_t>(payload.at(1)) * 256 + static_cast<std::uint8_t>(payload.at(2));
    LimitEdits[band - 1]->setText(QString::number(kHz));
    LogMessage(QString::fromLatin1(Texts::LimitReceivedPrefix) + QString::fromLatin1(BandNames[band - 1]) +
               QString::fromLatin1(Texts::LimitReceivedSuffix));
}
