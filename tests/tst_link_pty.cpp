// The device link on the real serial port, against a pseudo-terminal whose master plays the device.
// Waits are for input and output only, bounded by generous deadlines.

#include "link/DeviceLink.h"
#include "link/QtSerialPort.h"
#include "support/FakePortLister.h"
#include "support/PtyPair.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

#include <termios.h>

namespace {

constexpr int IoTimeoutMs = 10000;

QByteArray pingFrame(int payload)
{
    return "[T87R0151H00M" + QByteArray::number(payload, 16).rightJustified(2, '0').toUpper() + "]\r";
}

// Lets the event loop run until the condition holds or the deadline passes.
template <typename Condition> bool processEventsUntil(const Condition& condition)
{
    const QDeadlineTimer deadline(IoTimeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

// A TComm on the real serial port; packets are recorded by their payload.
class PtyLink
{
public:
    PtyLink()
    {
        auto serial = std::make_unique<TQtSerialPort>();
        port = serial.get();
        comm = std::make_unique<TComm>(std::move(serial), std::make_unique<FakePortLister>());
        comm->SetTimerEnabled(false);
        comm->OnPacket = [this] {
            payloads.append(comm->GetPacket().Payload);
            if (afterPacket)
                afterPacket(int(payloads.size()));
        };
    }

    TQtSerialPort* port = nullptr;
    std::unique_ptr<TComm> comm;
    QByteArrayList payloads;
    std::function<void(int)> afterPacket;
};

QByteArrayList payloadBytes(std::initializer_list<int> values)
{
    QByteArrayList list;
    for (int value : values)
        list.append(QByteArray(1, char(value)));
    return list;
}

} // namespace

class tst_link_pty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void open_setsRateAndRawLine_data();
    void open_setsRateAndRawLine();
    void rateChange_takesEffectOnOpenPort();
    void openFailure_leavesPortClosed();
    void writtenFrameArrives();
    void framesFromFarEndAreReported();
    void handlerEventLoop_bytesArrivingMeanwhileAreDecoded();
    void closeInsideHandler_thenReopen();
    void farEndVanishing_closesPortWithoutSpinning();

private:
    std::unique_ptr<PtyPair> m_pty;
};

void tst_link_pty::init()
{
    m_pty = std::make_unique<PtyPair>();
    if (!m_pty->isValid())
        QSKIP(qPrintable(QStringLiteral("no pseudo-terminal: ") + m_pty->errorString()));
}

void tst_link_pty::open_setsRateAndRawLine_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("speed");
    QTest::newRow("1200") << 0 << int(B1200);
    QTest::newRow("9600") << 3 << int(B9600);
    QTest::newRow("57600") << 6 << int(B57600);
}

void tst_link_pty::open_setsRateAndRawLine()
{
    QFETCH(int, code);
    QFETCH(int, speed);

    PtyLink link;
    link.comm->SetBaudCode(code);
    // DTR and RTS cannot be set on a pseudo-terminal; that must not fail the open.
    QVERIFY2(link.comm->OpenPort(m_pty->slavePath()), qPrintable(link.port->errorString()));
    QVERIFY(link.comm->isPortOpen());

    termios settings{};
    QVERIFY(m_pty->attributes(settings));
    QCOMPARE(int(cfgetospeed(&settings)), speed);
    QCOMPARE(int(cfgetispeed(&settings)), speed);
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QVERIFY(settings.c_cflag & CREAD);
    QCOMPARE(settings.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t(0));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
}

void tst_link_pty::rateChange_takesEffectOnOpenPort()
{
    PtyLink link;
    link.comm->SetBaudCode(6);
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));

    for (const auto& [code, speed] : {std::pair{0, B1200}, std::pair{4, B19200}, std::pair{7, B19200}}) {
        link.comm->SetBaudCode(code);
        termios settings{};
        QVERIFY(m_pty->attributes(settings));
        QCOMPARE(cfgetospeed(&settings), speed);
    }
    QVERIFY(link.comm->isPortOpen());
}

void tst_link_pty::openFailure_leavesPortClosed()
{
    PtyLink link;
    QVERIFY(!link.comm->OpenPort(m_pty->slavePath() + QStringLiteral("-missing")));
    QVERIFY(!link.comm->isPortOpen());
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));
}

void tst_link_pty::writtenFrameArrives()
{
    PtyLink link;
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));

    QVERIFY(link.comm->SendPacket(0x51, 0x03, QByteArray(1, 3)));
    QCOMPARE(m_pty->readUntil('\r', IoTimeoutMs), QByteArray("[R51T03H03]\r"));

    // Written before the close reaches the device.
    QVERIFY(link.comm->SendPacket(0x51, 0x07, {}));
    QVERIFY(link.comm->ClosePort());
    QCOMPARE(m_pty->readUntil('\r', IoTimeoutMs), QByteArray("[R51T07H]\r"));
}

void tst_link_pty::framesFromFarEndAreReported()
{
    PtyLink link;
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));

    QVERIFY(m_pty->write(pingFrame(1) + "\n" + pingFrame(2)));
    QTRY_COMPARE_WITH_TIMEOUT(link.payloads, payloadBytes({1, 2}), IoTimeoutMs);

    const QByteArray split = pingFrame(3);
    // The first half is taken in (the link's handler runs before the spy's) before the rest is sent.
    QSignalSpy arrived(link.port, &TSerialPort::dataArrived);
    QVERIFY(m_pty->write(split.left(9)));
    QTRY_VERIFY_WITH_TIMEOUT(arrived.count() > 0, IoTimeoutMs);
    QCOMPARE(link.payloads.size(), 2);
    QVERIFY(m_pty->write(split.mid(9)));
    QTRY_COMPARE_WITH_TIMEOUT(link.payloads, payloadBytes({1, 2, 3}), IoTimeoutMs);
}

void tst_link_pty::handlerEventLoop_bytesArrivingMeanwhileAreDecoded()
{
    PtyLink link;
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));
    link.afterPacket = [&](int count) {
        if (count != 1)
            return;
        // A handler that waits with an event loop, as a dialog or a delay does, while the device
        // sends more: the port buffers it and raises no data event inside its own.
        QVERIFY(m_pty->write(pingFrame(2)));
        QVERIFY(processEventsUntil([&] { return link.port->bytesAvailable() > 0; }));
    };

    QVERIFY(m_pty->write(pingFrame(1)));
    QTRY_COMPARE_WITH_TIMEOUT(link.payloads, payloadBytes({1, 2}), IoTimeoutMs);
}

void tst_link_pty::closeInsideHandler_thenReopen()
{
    PtyLink link;
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));
    link.afterPacket = [&](int count) {
        if (count == 1)
            QVERIFY(link.comm->ClosePort());
    };

    QVERIFY(m_pty->write(pingFrame(1) + pingFrame(2)));
    QTRY_VERIFY_WITH_TIMEOUT(!link.comm->isPortOpen(), IoTimeoutMs);
    QCOMPARE(link.payloads, payloadBytes({1}));

    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));
    QVERIFY(m_pty->write(pingFrame(3)));
    QTRY_COMPARE_WITH_TIMEOUT(link.payloads, payloadBytes({1, 3}), IoTimeoutMs);
}

void tst_link_pty::farEndVanishing_closesPortWithoutSpinning()
{
    PtyLink link;
    QSignalSpy lost(link.port, &TSerialPort::deviceLost);
    QVERIFY(link.comm->OpenPort(m_pty->slavePath()));

    m_pty->closeMaster();

    QTRY_VERIFY_WITH_TIMEOUT(!link.comm->isPortOpen(), IoTimeoutMs);
    QCOMPARE(lost.count(), 1);
    // Closed, the port raises nothing more however often the loop runs.
    for (int round = 0; round < 100; ++round)
        QCoreApplication::processEvents();
    QCOMPARE(lost.count(), 1);
    QVERIFY(link.comm->SendPacket(0x51, 0x03, QByteArray(1, 3)));
}

QTEST_GUILESS_MAIN(tst_link_pty)
#include "tst_link_pty.moc"
