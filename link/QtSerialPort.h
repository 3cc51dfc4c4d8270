#pragma once
// The serial port on QSerialPort.

#include "link/SerialPort.h"

#include <QSerialPort>

class TQtSerialPort : public TSerialPort
{
    Q_OBJECT
public:
    explicit TQtSerialPort(QObject* parent = nullptr);
    ~TQtSerialPort() override;

    void setPortName(const QString& name) override;
    bool setBaudRate(qint32 rate) override;
    bool open() override;
    bool close() override;
    bool isOpen() const override;
    qint64 write(const QByteArray& data) override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxSize) override;
    QString errorString() const override;

private:
    void handleError(QSerialPort::SerialPortError error);
    bool setLineSignal(bool ok);

    // Lives as long as this object: deleting it from inside one of its own signals (the data or
    // the error of a vanished device) would pull it from under its caller.
    QSerialPort m_port;
    bool m_closing = false;
};
