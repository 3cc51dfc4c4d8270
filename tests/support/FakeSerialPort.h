#pragma once
// A serial port in memory: tests feed the bytes the device would send and look at what was written.

#include "link/SerialPort.h"

#include <QByteArrayList>
#include <QList>

class FakeSerialPort : public TSerialPort
{
    Q_OBJECT
public:
    using TSerialPort::TSerialPort;

    void setPortName(const QString& name) override { portName = name; }
    bool setBaudRate(qint32 rate) override;
    bool open() override;
    bool close() override;
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray& data) override;
    qint64 bytesAvailable() const override { return m_incoming.size(); }
    QByteArray read(qint64 maxSize) override;
    QString errorString() const override { return {}; }

    // Bytes the device sends; they wait until read. Closing the port discards them, as a real port does.
    void feed(const QByteArray& bytes) { m_incoming.append(bytes); }
    // Feeds and raises the data-arrived notification.
    void arrive(const QByteArray& bytes);

    // Answers of the next open() and close().
    bool openSucceeds = true;
    bool closeSucceeds = true;
    // Largest number of bytes one read hands out, as a driver that returns data in pieces; 0 = no limit.
    qint64 readLimit = 0;

    QString portName;
    qint32 baudRate = 0;
    // The rate each successful open() applied.
    QList<qint32> openRates;
    QByteArrayList written;
    int openCalls = 0;
    int closeCalls = 0;
    int readCalls = 0;
    qint64 largestReadRequest = 0;

private:
    bool m_open = false;
    QByteArray m_incoming;
};
