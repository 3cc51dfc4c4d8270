#include "link/DeviceLink.h"

#include "link/QtSerialPort.h"
#include "link/SystemPortLister.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QtGlobal>

#include <algorithm>
#include <exception>

namespace {

constexpr char CarriageReturn = 13;
constexpr unsigned char FirstKeptByte = 31;
constexpr unsigned char LastKeptByte = 127;

// Link-rate codes 0 to 6.
constexpr std::array<qint32, 7> BaudRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600};

} // namespace

TComm::TComm(std::unique_ptr<TSerialPort> serial, std::unique_ptr<TPortLister> lister, QObject* parent)
    : QObject(parent), Serial(std::move(serial)), Lister(std::move(lister))
{
    PumpEvents = [] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); };
    AwaitHook = [this](std::uint8_t command) {
        if (command == AwaitCommand)
            AwaitCommand = 0;
    };

    Serial->setBaudRate(m_baudRate);
    connect(Serial.get(), &TSerialPort::dataArrived, this, &TComm::ReceiveData);
    // A vanished device reports errors in a tight loop until the port is closed; closing leaves the
    // tool idle and the owner's link-loss timeout notices.
    connect(Serial.get(), &TSerialPort::deviceLost, this, [this] { ClosePort(); });

    LinkTimer.setInterval(TickMs);
    connect(&LinkTimer, &QTimer::timeout, this, &TComm::LinkTick);
    LinkTimer.start();
}

TComm::~TComm()
{
    LinkTimer.stop();
    Serial->disconnect(this);
    Serial->close();
}

std::unique_ptr<TComm> TComm::createDefault(const QStringList& extraPorts, QObject* parent)
{
    return std::make_unique<TComm>(std::make_unique<TQtSerialPort>(),
                                   std::make_unique<TSystemPortLister>(extraPorts), parent);
}

bool TComm::OpenPort(const QString& name)
{
    ++m_portGeneration;
    if (Serial->isOpen())
        Serial->close();
    Serial->setPortName(name);
    Serial->setBaudRate(m_baudRate);
    if (!Serial->open()) {
        Serial->close();
        return false;
    }
    return true;
}

bool TComm::ClosePort()
{
    ++m_portGeneration;
    return Serial->close();
}

void TComm::SetBaudCode(int code)
{
    if (code < 0 || code >= int(BaudRates.size()))
        return;
    m_baudRate = BaudRates[code];
    Serial->setBaudRate(m_baudRate);
}

void TComm::SetTimerEnabled(bool on)
{
    if (on)
        LinkTimer.start();
    else
        LinkTimer.stop();
}

bool TComm::SendPacket(std::uint8_t destination, std::uint8_t command, const QByteArray& payload,
                       std::uint8_t awaitedCommand)
{
    const QByteArray frame = BuildFrame(destination, command, payload);
    if (awaitedCommand == 0) {
        writeFrame(frame);
        return true;
    }

    AwaitCommand = awaitedCommand;
    Tries = 0;
    do {
        ++Tries;
        writeFrame(frame);
        ReplyTicks = ReplyWaitTicks;
        while (ReplyTicks > 0 && AwaitCommand != 0)
            pumpEvents();
    } while (Tries <= MaxTries && AwaitCommand != 0);

    // A reply during the last wait still counts as no reply: the tries are used up.
    const bool answered = Tries <= MaxTries;
    AwaitCommand = 0;
    return answered;
}

const QStringList& TComm::TakePortList()
{
    PortsChanged = false;
    return PortList;
}

void TComm::LinkTick()
{
    if (ReplyTicks > 0)
        --ReplyTicks;
    if (ScanTicks > 0) {
        --ScanTicks;
        return;
    }

    ScanTicks = ScanPeriodTicks;
    PortList = Lister->portNames();
    PortList.prepend(QString::fromLatin1(DisableEntry));
    if (PortList.size() != LastPortCount)
        PortsChanged = true;
    LastPortCount = int(PortList.size());
}

void TComm::ReceiveData()
{
    // A nested event loop in a packet handler can deliver another data-arrived event; decoding it
    // here would hand the handler a packet out of order. The outer call picks those bytes up.
    if (m_receiving)
        return;
    m_receiving = true;

    const quint64 generation = m_portGeneration;
    bool portChanged = false;
    for (;;) {
        const qint64 waiting = Serial->bytesAvailable();
        if (waiting <= 0)
            break;
        // The ring is drained after every chunk, so a read never overwrites undrained bytes.
        const QByteArray chunk = Serial->read(std::min<qint64>(waiting, RingSize - RxCount));
        if (chunk.isEmpty())
            break;
        storeInRing(chunk);
        if (!drainRing(generation)) {
            portChanged = true;
            break;
        }
    }
    m_receiving = false;

    if (portChanged)
        dropRing();
    // Bytes that arrived on a port opened from inside a handler get no data-arrived event of their
    // own while that event is being handled.
    if (Serial->isOpen() && Serial->bytesAvailable() > 0)
        scheduleRecheck();
}

bool TComm::isPortOpen() const
{
    return Serial->isOpen();
}

void TComm::writeFrame(const QByteArray& frame)
{
    if (Serial->isOpen())
        Serial->write(frame);
}

void TComm::storeInRing(const QByteArray& bytes)
{
    for (char byte : bytes) {
        RxRing[RxHead] = byte;
        ++RxCount;
        RxHead = (RxHead + 1) & RingMask;
    }
}

bool TComm::drainRing(quint64 generation)
{
    while (RxCount > 0) {
        const char byte = RxRing[RxTail];
        RxTail = (RxTail + 1) & RingMask;
        --RxCount;

        const auto value = static_cast<unsigned char>(byte);
        if (byte == CarriageReturn) {
            finishLine();
            if (m_portGeneration != generation)
                return false;
        } else if (value >= FirstKeptByte && value <= LastKeptByte) {
            if (LineOverflow)
                continue;
            if (LineBuf.size() >= MaxLineLength) {
                // Noise or a wrong rate: drop the whole line up to its carriage return.
                LineOverflow = true;
                LineBuf.resize(0);
                continue;
            }
            LineBuf.append(byte);
        }
    }
    return true;
}

void TComm::finishLine()
{
    if (LineOverflow) {
        LineOverflow = false;
        return;
    }
    const bool decoded = ParseLine(LineBuf, Packet, AwaitHook);
    // Emptied before the handler runs: it may reopen the port, and the next line starts clean.
    LineBuf.resize(0);
    if (decoded && OnPacket)
        deliverPacket();
}

void TComm::deliverPacket()
{
    // A failing handler must not stop the delivery of later data.
    try {
        OnPacket();
    } catch (const std::exception& error) {
        qWarning("TComm: packet handler failed: %s", error.what());
    } catch (...) {
        qWarning("TComm: packet handler failed with an unknown exception");
    }
}

void TComm::dropRing()
{
    RxHead = 0;
    RxTail = 0;
    RxCount = 0;
}

void TComm::scheduleRecheck()
{
    if (m_recheckQueued)
        return;
    m_recheckQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_recheckQueued = false;
            ReceiveData();
        },
        Qt::QueuedConnection);
}

void TComm::pumpEvents()
{
    if (PumpEvents)
        PumpEvents();
    else
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
