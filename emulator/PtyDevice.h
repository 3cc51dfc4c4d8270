#pragma once
// The emulator's end of a pseudo-terminal. The tool opens the slave side as its serial port; the
// emulator reads and writes the master side.

#include <QByteArray>
#include <QString>

class TPtyDevice
{
public:
    TPtyDevice() = default;
    ~TPtyDevice();
    TPtyDevice(const TPtyDevice&) = delete;
    TPtyDevice& operator=(const TPtyDevice&) = delete;

    // Opens the pair, puts the slave in raw mode and keeps the slave open as well: while any slave
    // descriptor is open the master sees no hang-up, so the tool can close and reopen the port.
    // Returns an error text, empty on success.
    QString open();
    // Closes both sides: the tool's port sees a hang-up.
    void close();
    bool isOpen() const { return m_master >= 0; }

    int masterFd() const { return m_master; }
    const QString& slavePath() const { return m_slavePath; }

    // The line rate last set on the terminal (by the tool, on the slave side), in bit/s; 0 when it
    // is none of the usual rates.
    int lineRate() const;

    // Reads what is waiting, without blocking. An empty result with ok false means an error.
    QByteArray readAvailable(bool& ok);

    // Queues bytes and writes as much as the master takes now. The master is non-blocking and can
    // accept fewer bytes than asked; flush() writes the rest when poll reports room.
    void send(const QByteArray& bytes);
    // False on a write error other than a full buffer.
    bool flush();
    bool hasPending() const { return m_written < m_pending.size(); }
    qint64 pendingSize() const { return m_pending.size() - m_written; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_pending;
    qint64 m_written = 0;
};
