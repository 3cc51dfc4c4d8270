#pragma once
// TfmMain: the main window. It starts the device link, keeps the port list on screen, searches the
// link rate, keeps the link alive, dispatches the decoder's replies and runs the three
// configuration pages.

#include "link/DeviceLink.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TDialogs;

namespace Ui {
class TfmMain;
}

enum TLinkState : int
{
    lsDisconnected = 0,
    lsConnecting = 1,
    lsConnected = 3,
    lsLoading = 4
};

class TfmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfmMain(std::unique_ptr<TComm> comm, QWidget* parent = nullptr);
    ~TfmMain() override;

    // The application's dialogs; created after the window, as children of it.
    void setDialogs(TDialogs* dialogs) { Dialogs = dialogs; }

    void LogMessage(const QString& text);

    // Connection manager.
    void SetLinkState(TLinkState state);
    void CommListBoxClick();
    void Timer1Timer();
    void OnPingReply();
    void Delay(int ticks);
    void btnRadioLoadClick();
    void btnAntennaLoadClick();
    void btnLoadLimitsClick();

    // Reply dispatcher.
    void HandlePacket();

    // Pages.
    void btnRadioSaveClick();
    void btnRadioDefaultsClick();
    void btnAntSaveClick();
    void btnAntennaDefaultsClick();
    void btnDefaultLimtsClick();
    void ed160Click(QLineEdit* sender);

    // Stops the 50 ms main timer, for tests that call Timer1Timer themselves.
    void setMainTimerEnabled(bool on);
    // One round of event processing inside Delay; tests replace it to drive ticks.
    std::function<void()> PumpEvents;

    TComm& comm() { return *Comm; }
    TLinkState linkState() const { return LinkState; }
    int deviceAddress() const { return DeviceAddress; }
    int baudIndex() const { return BaudIndex; }
    QString statusPanel(int index) const;
    QStringList logLines() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void connectControls();
    void setupStatusBar();
    void setupAccessibility();
    void refreshPortList();
    void showPortState(const QString& text);
    void sendToDevice(std::uint8_t command, const QByteArray& payload = {});
    void askAndResetDefaults(const char* question, std::uint8_t what);

    void ShowBandData(const TNetPacket& packet);
    void ShowFirmware(const TNetPacket& packet);
    void ShowCivFound(const TNetPacket& packet);
    void ShowDefaultsDone(const TNetPacket& packet);
    void ApplyRadioConfig(const TNetPacket& packet);
    void ApplyAntennaConfig(const TNetPacket& packet);
    void ApplyBandLimit(const TNetPacket& packet);

    static int itemIndex(const QComboBox* box);
    int radioTypeIndex() const;
    int targetIndex() const;
    void selectTarget(int index);
    bool readCivByte(std::uint8_t& civ);
    bool readLimit(QLineEdit* edit, int& kHz);

    std::unique_ptr<Ui::TfmMain> ui;
    std::unique_ptr<TComm> Comm;
    TDialogs* Dialogs = nullptr;
    QTimer Timer1;
    QButtonGroup* TargetGroup = nullptr;
    std::array<QLabel*, 3> StatusPanels{};

    TLinkState LinkState = lsDisconnected;
    int LinkTimeout = 0;
    int Attempts = 0;
    int PollTicks = 0;
    std::array<QSpinBox*, 12> AntennaEdits{};
    std::array<QLineEdit*, 12> LimitEdits{};
    int DelayTicks = 0;
    int BaudIndex = 0;
    int DeviceAddress = 0;

    bool m_refillingPorts = false;
    // Counts port choices, so a configuration read that a new choice interrupted stops there.
    quint64 m_connectionSerial = 0;
};
