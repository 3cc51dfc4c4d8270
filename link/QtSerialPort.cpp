#include "link/QtSerialPort.h"

namespace {

// Longest wait for queued output when closing; a request frame takes about 0.3 s at 1200 bit/s.
constexpr int CloseDrainMs = 500;

} // namespace

TQtSerialPort::TQtSerialPort(QObject* parent) : TSerialPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &TSerialPort::dataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &TQtSerialPort::handleError);
}

TQtSerialPort::~TQtSerialPort()
{
    m_port.disconnect(this);
    close();
}

void TQtSerialPort::setPortName(const QString& name)
{
    m_port.setPortName(name);
}

bool TQtSerialPort::setBaudRate(qint32 rate)
{
    return m_port.setBaudRate(rate);
}

bool TQtSerialPort::open()
{
    if (m_port.isOpen())
        close();
    m_port.clearError();
    if (!m_port.setDataBits(QSerialPort::Data8) || !m_port.setParity(QSerialPort::NoParity) ||
        !m_port.setStopBits(QSerialPort::OneStop) || !m_port.setFlowControl(QSerialPort::NoFlowControl))
        return false;
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    // Whatever the system buffered before we took the port belongs to nobody.
    m_port.clear(QSerialPort::AllDirections);
    if (!setLineSignal(m_port.setDataTerminalReady(true)) || !setLineSignal(m_port.setRequestToSend(true))) {
        close();
        return false;
    }
    return true;
}

bool TQtSerialPort::close()
{
    if (!m_port.isOpen() || m_closing)
        return true;
    // Closing a port whose device is gone raises errors of its own; they are no news.
    m_closing = true;
    m_port.clearError();
    if (m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(CloseDrainMs);
    m_port.clearError();
    m_port.close();
    m_closing = false;
    return m_port.error() == QSerialPort::NoError;
}

bool TQtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

qint64 TQtSerialPort::write(const QByteArray& data)
{
    const qint64 written = m_port.write(data);
    // Hand the frame to the system now rather than on the next event-loop pass, so a close right
    // after a write still sends it.
    m_port.flush();
    return written;
}

qint64 TQtSerialPort::bytesAvailable() const
{
    return m_port.bytesAvailable();
}

QByteArray TQtSerialPort::read(qint64 maxSize)
{
    return m_port.read(maxSize);
}

QString TQtSerialPort::errorString() const
{
    return m_port.errorString();
}

void TQtSerialPort::handleError(QSerialPort::SerialPortError error)
{
    if (m_closing || !m_port.isOpen())
        return;
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
        emit deviceLost();
}

bool TQtSerialPort::setLineSignal(bool ok)
{
    if (ok)
        return true;
    // A pseudo-terminal has no modem lines; it is fully usable without them.
    if (m_port.error() == QSerialPort::UnsupportedOperationError) {
        m_port.clearError();
        return true;
    }
    return false;
}
