#pragma once
// TComm: the one object through which the tool talks to the decoder. It owns the serial port,
// assembles the incoming byte stream into lines and packets, writes request frames and watches
// the list of serial ports.

#include "link/FrameCodec.h"
#include "link/PortLister.h"
#include "link/SerialPort.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class TComm : public QObject
{
    Q_OBJECT
public:
    static constexpr int RingSize = 4096;
    static constexpr std::uint16_t RingMask = 0x0FFF;
    static constexpr int TickMs = 50;
    static constexpr int ReplyWaitTicks = 8;
    static constexpr int ScanPeriodTicks = 20;
    // Far above any frame: a longer line is noise (a wrong rate) and is dropped.
    static constexpr int MaxLineLength = 4096;
    static constexpr const char* DisableEntry = "Disable";

    TComm(std::unique_ptr<TSerialPort> serial, std::unique_ptr<TPortLister> lister,
          QObject* parent = nullptr);
    ~TComm() override;

    // The tool's own port and lister; extraPorts are listed after the system's ports on every scan.
    static std::unique_ptr<TComm> createDefault(const QStringList& extraPorts = {},
                                                QObject* parent = nullptr);

    bool OpenPort(const QString& name);
    bool ClosePort();
    void SetBaudCode(int code);
    void SetTimerEnabled(bool on);
    bool SendPacket(std::uint8_t destination, std::uint8_t command, const QByteArray& payload,
                    std::uint8_t awaitedCommand = 0);
    TNetPacket GetPacket() const { return Packet; }
    bool PortListChanged() const { return PortsChanged; }
    const QStringList& TakePortList();

    // Called for every packet that decodes.
    std::function<void()> OnPacket;
    int MaxTries = 5;

    // Housekeeping tick, run by LinkTimer every 50 ms; tests call it directly.
    void LinkTick();
    // Moves waiting bytes from the port through the ring and the line buffer.
    void ReceiveData();

    // Runs one round of pending events while the awaited SendPacket waits. The tool waits for the
    // next event; tests replace it to drive ticks deterministically.
    std::function<void()> PumpEvents;

    bool isPortOpen() const;
    qint32 baudRate() const { return m_baudRate; }
    TSerialPort& serialPort() { return *Serial; }

private:
    void writeFrame(const QByteArray& frame);
    void storeInRing(const QByteArray& bytes);
    // False when a packet handler opened or closed the port meanwhile.
    bool drainRing(quint64 generation);
    void finishLine();
    void deliverPacket();
    void dropRing();
    void scheduleRecheck();
    void pumpEvents();

    std::unique_ptr<TSerialPort> Serial;
    std::unique_ptr<TPortLister> Lister;
    QTimer LinkTimer;
    std::uint16_t RxHead = 0;
    std::uint16_t RxTail = 0;
    std::uint16_t RxCount = 0;
    std::array<char, RingSize> RxRing{};
    QByteArray LineBuf;
    bool LineOverflow = false;
    TNetPacket Packet;
    TCommandHook AwaitHook;
    int AwaitCommand = 0;
    QStringList PortList;
    bool PortsChanged = false;
    int Tries = 0;
    int ReplyTicks = 0;
    int ScanTicks = 0;
    int LastPortCount = 0;

    qint32 m_baudRate = 57600;
    // Bumped on every open and close: a receive loop interrupted by a handler that changed the
    // port stops instead of decoding the old port's bytes as the new one's.
    quint64 m_portGeneration = 0;
    bool m_receiving = false;
    bool m_recheckQueued = false;
};
