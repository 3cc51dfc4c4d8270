#pragma once
// The serial port as the device link needs it. The tool runs on TQtSerialPort; tests put a fake or a
// pseudo-terminal behind it.

#include <QByteArray>
#include <QObject>
#include <QString>

class TSerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TSerialPort() override = default;

    virtual void setPortName(const QString& name) = 0;
    // Takes effect at once on an open port, without reopening.
    virtual bool setBaudRate(qint32 rate) = 0;
    // 8 data bits, no parity, 1 stop bit, no flow control, DTR and RTS on.
    virtual bool open() = 0;
    // Closing a closed port is no error.
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 write(const QByteArray& data) = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxSize) = 0;
    virtual QString errorString() const = 0;

signals:
    // Bytes are waiting. Delivered on the user-interface thread.
    void dataArrived();
    // The device went away (adapter pulled, far end closed); the port must be closed.
    void deviceLost();
};
