#pragma once
// A pseudo-terminal pair for tests of the real serial port: the tool opens the slave by its path,
// the test plays the device on the master.

#include <QByteArray>
#include <QString>

#include <termios.h>

class PtyPair
{
public:
    PtyPair();
    ~PtyPair();

    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes all bytes to the master, waiting up to timeoutMs for room.
    bool write(const QByteArray& bytes, int timeoutMs = DefaultTimeoutMs);
    // Reads from the master until count bytes have come or timeoutMs has passed.
    QByteArray read(qsizetype count, int timeoutMs = DefaultTimeoutMs);
    // Reads from the master until the terminator has come (included) or timeoutMs has passed.
    QByteArray readUntil(char terminator, int timeoutMs = DefaultTimeoutMs);
    // The line settings of the pair as the slave's user set them.
    bool attributes(termios& settings) const;
    // The device vanishes: the slave side sees a hang-up.
    void closeMaster();

    static constexpr int DefaultTimeoutMs = 5000;

private:
    QByteArray readWhile(int timeoutMs, const auto& wantMore);

    int m_master = -1;
    // Held open so the pair survives the tool's closing and reopening of the slave.
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};
