#include "support/FakeSerialPort.h"

#include <algorithm>

bool FakeSerialPort::setBaudRate(qint32 rate)
{
    baudRate = rate;
    return true;
}

bool FakeSerialPort::open()
{
    ++openCalls;
    m_open = openSucceeds;
    if (m_open)
        openRates.append(baudRate);
    return m_open;
}

bool FakeSerialPort::close()
{
    ++closeCalls;
    m_open = false;
    m_incoming.clear();
    return closeSucceeds;
}

qint64 FakeSerialPort::write(const QByteArray& data)
{
    if (!m_open)
        return -1;
    written.append(data);
    return data.size();
}

QByteArray FakeSerialPort::read(qint64 maxSize)
{
    ++readCalls;
    largestReadRequest = std::max(largestReadRequest, maxSize);
    qint64 count = std::min<qint64>(maxSize, m_incoming.size());
    if (readLimit > 0)
        count = std::min(count, readLimit);
    const QByteArray chunk = m_incoming.left(count);
    m_incoming.remove(0, count);
    return chunk;
}

void FakeSerialPort::arrive(const QByteArray& bytes)
{
    feed(bytes);
    emit dataArrived();
}
