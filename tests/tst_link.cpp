// The device link on a fake serial port: line assembly, packet delivery, awaited sends, rates and
// port scans, and the port changing under a running packet handler.

#include "link/DeviceLink.h"
#include "support/FakePortLister.h"
#include "support/FakeSerialPort.h"
#include "support/PacketPrinting.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

namespace {

using Packets = QList<TNetPacket>;

// Ping answers from 51 hex, told apart by their payload byte.
QByteArray pingLine(int payload)
{
    return "[T87R0151H00M" + QByteArray::number(payload, 16).rightJustified(2, '0').toUpper() + "]";
}
QByteArray pingFrame(int payload)
{
    return pingLine(payload) + '\r';
}
TNetPacket pingPacket(int payload)
{
    return TNetPacket{0x87, 0x01, 0x51, 0x00, QByteArray(1, char(payload))};
}

// A TComm on a fake port and lister that records every packet it reports.
class LinkFixture
{
public:
    LinkFixture()
    {
        auto serial = std::make_unique<FakeSerialPort>();
        auto portLister = std::make_unique<FakePortLister>();
        port = serial.get();
        lister = portLister.get();
        comm = std::make_unique<TComm>(std::move(serial), std::move(portLister));
        // Ticks are driven by the tests.
        comm->SetTimerEnabled(false);
        comm->OnPacket = [this] {
            packets.append(comm->GetPacket());
            if (afterPacket)
                afterPacket(int(packets.size()));
        };
    }

    void receive(const QByteArray& bytes)
    {
        port->feed(bytes);
        comm->ReceiveData();
    }

    FakeSerialPort* port = nullptr;
    FakePortLister* lister = nullptr;
    std::unique_ptr<TComm> comm;
    Packets packets;
    // Runs inside the packet handler with the number of packets seen so far.
    std::function<void(int)> afterPacket;
};

} // namespace

class tst_link : public QObject
{
    Q_OBJECT
private slots:
    void receive_data();
    void receive();
    void readLargerThanRing_isBoundedAndLosesNothing();
    void firstScan_givesDisableAndRaisesFlag();
    void scan_everyTwentyFirstTick_onlyCountChangeRaisesFlag();
    void defaultLink_listsExtraPortsAfterSystemPorts();
    void setBaudCode_data();
    void setBaudCode();
    void setBaudCode_closedPortOpensWithRate();
    void openAndClose();
    void sendPacket_notAwaited();
    void sendPacket_awaited_data();
    void sendPacket_awaited();
    void reopenLeftover_data();
    void reopenLeftover();
    void portChangedInsideHandler_data();
    void portChangedInsideHandler();
    void reopenInsideHandler_newPortBytesAreRechecked();
    void nestedReceive_decodesInOrderOnce();
    void throwingHandler_data();
    void throwingHandler();
    void deviceLost_closesPort();
};

void tst_link::receive_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    // Packets reported after each read, counted from the start.
    QTest::addColumn<QList<int>>("countAfterRead");
    QTest::addColumn<Packets>("expected");

    const QByteArray a = pingFrame(1);
    const QByteArray b = pingFrame(2);
    const int max = TComm::MaxLineLength;

    QTest::newRow("two frames in one read")
        << QByteArrayList{a + b} << QList<int>{2} << Packets{pingPacket(1), pingPacket(2)};
    QTest::newRow("frame split over two reads") << QByteArrayList{a.left(7), a.mid(7) + b} << QList<int>{0, 2}
                                                << Packets{pingPacket(1), pingPacket(2)};
    QTest::newRow("carriage return in a read of its own")
        << QByteArrayList{pingLine(1), "\r"} << QList<int>{0, 1} << Packets{pingPacket(1)};
    QByteArrayList bytes;
    QList<int> counts;
    for (char byte : a + b) {
        bytes.append(QByteArray(1, byte));
        counts.append(int(bytes.size()) < a.size() ? 0 : (int(bytes.size()) < a.size() + b.size() ? 1 : 2));
    }
    QTest::newRow("byte by byte") << bytes << counts << Packets{pingPacket(1), pingPacket(2)};
    QTest::newRow("CR LF: line feed dropped") << QByteArrayList{pingLine(1) + "\r\n" + pingLine(2) + "\r\n"}
                                              << QList<int>{2} << Packets{pingPacket(1), pingPacket(2)};
    QTest::newRow("control bytes and bytes above 127 dropped") << QByteArrayList{QByteArray("[T87R01\x07"
                                                                                            "51H\0"
                                                                                            "00M0\x80"
                                                                                            "3]\xFF\r",
                                                                                            21)}
                                                               << QList<int>{1} << Packets{pingPacket(3)};
    QTest::newRow("byte 31 stays and ends the payload") << QByteArrayList{"[T87R0151H00M03\x1F"
                                                                          "04]\r"}
                                                        << QList<int>{1} << Packets{pingPacket(3)};
    QTest::newRow("byte 127 stays and ends the payload") << QByteArrayList{"[T87R0151H00M03\x7F"
                                                                           "04]\r"}
                                                         << QList<int>{1} << Packets{pingPacket(3)};
    QTest::newRow("failed line not reported, next decodes")
        << QByteArrayList{"[T87X0151H00M05]\r" + a} << QList<int>{1} << Packets{pingPacket(1)};
    QTest::newRow("short line not reported, next decodes")
        << QByteArrayList{"[T87R01\r" + a} << QList<int>{1} << Packets{pingPacket(1)};
    QTest::newRow("empty lines") << QByteArrayList{"\r\r\n\r" + a} << QList<int>{1} << Packets{pingPacket(1)};

    const QByteArray longest = pingLine(1).leftJustified(max, ']');
    QTest::newRow("line of the longest length decodes")
        << QByteArrayList{longest + '\r' + b} << QList<int>{2} << Packets{pingPacket(1), pingPacket(2)};
    QTest::newRow("over-long line dropped whole, next decodes")
        << QByteArrayList{longest + "]\r" + b} << QList<int>{1} << Packets{pingPacket(2)};
    QTest::newRow("over-long line over many reads")
        << QByteArrayList{pingLine(1), QByteArray(max, 'X'), QByteArray(max, 'X'), "]\r" + b}
        << QList<int>{0, 0, 0, 1} << Packets{pingPacket(2)};
    QTest::newRow("dropped bytes do not count towards the length")
        << QByteArrayList{longest.left(20) + QByteArray(100, '\n') + longest.mid(20) + '\r'} << QList<int>{1}
        << Packets{pingPacket(1)};
}

void tst_link::receive()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QList<int>, countAfterRead);
    QFETCH(Packets, expected);

    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    for (int i = 0; i < reads.size(); ++i) {
        link.receive(reads[i]);
        QCOMPARE(link.packets.size(), countAfterRead[i]);
    }
    QCOMPARE(link.packets, expected);
    QCOMPARE(link.comm->GetPacket(), expected.last());
}

void tst_link::readLargerThanRing_isBoundedAndLosesNothing()
{
    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    QByteArray stream;
    Packets expected;
    for (int i = 0; stream.size() < 3 * TComm::RingSize + 100; ++i) {
        stream += pingFrame(i % 256) + '\n';
        expected.append(pingPacket(i % 256));
    }

    link.receive(stream);

    QCOMPARE(link.packets, expected);
    QVERIFY(link.port->largestReadRequest <= TComm::RingSize);
    QCOMPARE(link.port->bytesAvailable(), 0);
}

void tst_link::firstScan_givesDisableAndRaisesFlag()
{
    LinkFixture link;
    QVERIFY(!link.comm->PortListChanged());

    link.comm->LinkTick();

    QCOMPARE(link.lister->calls, 1);
    QVERIFY(link.comm->PortListChanged());
    QCOMPARE(link.comm->TakePortList(), QStringList{QStringLiteral("Disable")});
    QVERIFY(!link.comm->PortListChanged());
}

void tst_link::scan_everyTwentyFirstTick_onlyCountChangeRaisesFlag()
{
    LinkFixture link;
    link.lister->ports = {QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyACM0")};
    link.comm->LinkTick();
    QCOMPARE(link.comm->TakePortList(),
             (QStringList{QStringLiteral("Disable"), QStringLiteral("/dev/ttyUSB1"),
                          QStringLiteral("/dev/ttyACM0")}));

    const auto scanPeriod = [&] {
        for (int tick = 0; tick < TComm::ScanPeriodTicks; ++tick)
            link.comm->LinkTick();
    };

    // Another port in place of one: same count, no flag, but the list holds the new names.
    link.lister->ports = {QStringLiteral("/dev/ttyUSB2"), QStringLiteral("/dev/ttyACM0")};
    scanPeriod();
    QCOMPARE(link.lister->calls, 1);
    link.comm->LinkTick();
    QCOMPARE(link.lister->calls, 2);
    QVERIFY(!link.comm->PortListChanged());
    QCOMPARE(link.comm->TakePortList(),
             (QStringList{QStringLiteral("Disable"), QStringLiteral("/dev/ttyUSB2"),
                          QStringLiteral("/dev/ttyACM0")}));

    link.lister->ports.removeFirst();
    scanPeriod();
    QVERIFY(!link.comm->PortListChanged());
    link.comm->LinkTick();
    QCOMPARE(link.lister->calls, 3);
    QVERIFY(link.comm->PortListChanged());
    QCOMPARE(link.comm->TakePortList(),
             (QStringList{QStringLiteral("Disable"), QStringLiteral("/dev/ttyACM0")}));
}

void tst_link::defaultLink_listsExtraPortsAfterSystemPorts()
{
    const QStringList extras = {QStringLiteral("/tmp/ttyV1"), QStringLiteral("/tmp/ttyV0")};
    const auto comm = TComm::createDefault(extras);
    comm->SetTimerEnabled(false);

    for (int scan = 0; scan < 2; ++scan) {
        for (int tick = 0; tick <= TComm::ScanPeriodTicks; ++tick)
            comm->LinkTick();
        const QStringList ports = comm->TakePortList();
        QVERIFY(ports.size() >= 1 + extras.size());
        QCOMPARE(ports.first(), QStringLiteral("Disable"));
        QCOMPARE(ports.mid(ports.size() - extras.size()), extras);
    }
    QVERIFY(!comm->isPortOpen());
}

void tst_link::setBaudCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("rate");

    // The port starts at 9600; codes outside the table keep it.
    QTest::newRow("0") << 0 << 1200;
    QTest::newRow("1") << 1 << 2400;
    QTest::newRow("2") << 2 << 4800;
    QTest::newRow("3") << 3 << 9600;
    QTest::newRow("4") << 4 << 19200;
    QTest::newRow("5") << 5 << 38400;
    QTest::newRow("6") << 6 << 57600;
    QTest::newRow("7 changes nothing") << 7 << 9600;
    QTest::newRow("-1 changes nothing") << -1 << 9600;
}

void tst_link::setBaudCode()
{
    QFETCH(int, code);
    QFETCH(int, rate);

    LinkFixture link;
    link.comm->SetBaudCode(3);
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));

    link.comm->SetBaudCode(code);

    // At once on the open port, without reopening it.
    QCOMPARE(link.port->baudRate, rate);
    QCOMPARE(link.comm->baudRate(), rate);
    QCOMPARE(link.port->openCalls, 1);
    QVERIFY(link.comm->isPortOpen());
}

void tst_link::setBaudCode_closedPortOpensWithRate()
{
    LinkFixture link;
    link.comm->SetBaudCode(2);
    link.comm->SetBaudCode(7);
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    QCOMPARE(link.port->openRates, QList<qint32>{4800});
}

void tst_link::openAndClose()
{
    LinkFixture link;
    QVERIFY(link.comm->ClosePort());
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    QCOMPARE(link.port->portName, QStringLiteral("COM3"));
    QVERIFY(link.comm->isPortOpen());

    // Another port: the open one is closed first.
    const int closesBefore = link.port->closeCalls;
    QVERIFY(link.comm->OpenPort(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(link.port->closeCalls > closesBefore);
    QCOMPARE(link.port->portName, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(link.port->openCalls, 2);

    link.port->openSucceeds = false;
    QVERIFY(!link.comm->OpenPort(QStringLiteral("COM9")));
    QVERIFY(!link.comm->isPortOpen());

    link.port->openSucceeds = true;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    link.port->closeSucceeds = false;
    QVERIFY(!link.comm->ClosePort());
    link.port->closeSucceeds = true;
    QVERIFY(link.comm->ClosePort());
    QVERIFY(!link.comm->isPortOpen());
}

void tst_link::sendPacket_notAwaited()
{
    LinkFixture link;
    QVERIFY(link.comm->SendPacket(0x51, 0x03, QByteArray(1, 3)));
    QVERIFY(link.port->written.isEmpty());

    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    QVERIFY(link.comm->SendPacket(0x51, 0x03, QByteArray(1, 3)));
    QVERIFY(link.comm->SendPacket(0x51, 0x07, {}));
    QCOMPARE(link.port->written, (QByteArrayList{"[R51T03H03]\r", "[R51T07H]\r"}));
}

void tst_link::sendPacket_awaited_data()
{
    QTest::addColumn<bool>("open");
    // The transmission after which the device answers; 0 for never.
    QTest::addColumn<int>("answerAfter");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("transmissions");
    QTest::addColumn<int>("waitTicks");

    const QByteArray reply = "[TA8R0151H00M03]\r";
    const int wait = TComm::ReplyWaitTicks;
    QTest::newRow("closed port: six waits in vain") << false << 0 << QByteArray() << false << 0 << 6 * wait;
    QTest::newRow("silent device: six frames") << true << 0 << QByteArray() << false << 6 << 6 * wait;
    QTest::newRow("answer to the first frame") << true << 1 << reply << true << 1 << 1;
    QTest::newRow("answer to the third frame") << true << 3 << reply << true << 3 << 2 * wait + 1;
    QTest::newRow("answer in the sixth wait is too late") << true << 6 << reply << false << 6 << 5 * wait + 1;
    QTest::newRow("malformed line with the awaited command releases")
        << true << 2 << QByteArray("[TA8X0151H00M03]\r") << true << 2 << wait + 1;
    QTest::newRow("another command does not release")
        << true << 1 << QByteArray("[T87R0151H00M03]\r") << false << 6 << 6 * wait;
}

void tst_link::sendPacket_awaited()
{
    QFETCH(bool, open);
    QFETCH(int, answerAfter);
    QFETCH(QByteArray, answer);
    QFETCH(bool, result);
    QFETCH(int, transmissions);
    QFETCH(int, waitTicks);

    LinkFixture link;
    if (open)
        QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    int ticks = 0;
    bool answered = false;
    link.comm->PumpEvents = [&] {
        if (!answered && answerAfter > 0 && link.port->written.size() == answerAfter) {
            answered = true;
            link.receive(answer);
        }
        ++ticks;
        link.comm->LinkTick();
    };

    QCOMPARE(link.comm->SendPacket(0x51, 0x07, {}, 0xA8), result);

    QCOMPARE(link.port->written, QByteArrayList(transmissions, "[R51T07H]\r"));
    QCOMPARE(ticks, waitTicks);
}

void tst_link::reopenLeftover_data()
{
    QTest::addColumn<int>("action");
    QTest::newRow("reopen on another port") << 0;
    QTest::newRow("close, then open") << 1;
    QTest::newRow("rate change") << 2;
}

void tst_link::reopenLeftover()
{
    QFETCH(int, action);

    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    link.receive("[T87R01");
    if (action == 0) {
        QVERIFY(link.comm->OpenPort(QStringLiteral("COM4")));
    } else if (action == 1) {
        QVERIFY(link.comm->ClosePort());
        QVERIFY(link.comm->OpenPort(QStringLiteral("COM4")));
    } else {
        link.comm->SetBaudCode(4);
    }

    // The leftover stays in front of the next line, which then fails; the one after decodes.
    link.receive(pingFrame(1) + pingFrame(2));
    QCOMPARE(link.packets, Packets{pingPacket(2)});
}

void tst_link::portChangedInsideHandler_data()
{
    QTest::addColumn<bool>("reopen");
    QTest::newRow("close") << false;
    QTest::newRow("open another port") << true;
}

void tst_link::portChangedInsideHandler()
{
    QFETCH(bool, reopen);

    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    link.afterPacket = [&](int count) {
        if (count == 1)
            QVERIFY(reopen ? link.comm->OpenPort(QStringLiteral("COM4")) : link.comm->ClosePort());
    };

    // One read: the second frame and half a third are in the ring when the handler changes the port.
    link.receive(pingFrame(1) + pingFrame(2) + "[T87R01");
    QCOMPARE(link.packets, Packets{pingPacket(1)});
    QCOMPARE(link.comm->isPortOpen(), reopen);

    if (!reopen)
        QVERIFY(link.comm->OpenPort(QStringLiteral("COM4")));
    // Nothing of the old port's bytes is left in front of the new port's first line.
    link.receive(pingFrame(3));
    QCoreApplication::sendPostedEvents(link.comm.get());
    QCOMPARE(link.packets, (Packets{pingPacket(1), pingPacket(3)}));
}

void tst_link::reopenInsideHandler_newPortBytesAreRechecked()
{
    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    link.afterPacket = [&](int count) {
        if (count != 1)
            return;
        QVERIFY(link.comm->OpenPort(QStringLiteral("COM4")));
        // Arrives during the handler's event loop; the port raises no notification of its own for it.
        link.port->feed(pingFrame(3));
    };

    link.receive(pingFrame(1) + pingFrame(2));
    QCOMPARE(link.packets, Packets{pingPacket(1)});

    QCoreApplication::sendPostedEvents(link.comm.get());
    QCOMPARE(link.packets, (Packets{pingPacket(1), pingPacket(3)}));
}

void tst_link::nestedReceive_decodesInOrderOnce()
{
    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    int depth = 0;
    int deepest = 0;
    link.afterPacket = [&](int count) {
        ++depth;
        deepest = std::max(deepest, depth);
        if (count == 1) {
            // A handler that runs an event loop (a dialog, a delay) gets the next data event inside.
            link.port->feed(pingFrame(3) + pingFrame(4));
            emit link.port->dataArrived();
            QCOMPARE(link.packets.size(), 1);
        }
        --depth;
    };

    link.port->arrive(pingFrame(1) + pingFrame(2));
    QCoreApplication::sendPostedEvents(link.comm.get());

    QCOMPARE(link.packets, (Packets{pingPacket(1), pingPacket(2), pingPacket(3), pingPacket(4)}));
    QCOMPARE(deepest, 1);
}

void tst_link::throwingHandler_data()
{
    QTest::addColumn<bool>("standard");
    QTest::newRow("std::exception") << true;
    QTest::newRow("anything else") << false;
}

void tst_link::throwingHandler()
{
    QFETCH(bool, standard);

    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    link.afterPacket = [&](int count) {
        if (count != 1)
            return;
        if (standard)
            throw std::runtime_error("bad record");
        throw 42;
    };

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("packet handler failed")));
    link.receive(pingFrame(1) + pingFrame(2));
    link.receive(pingFrame(3));

    QCOMPARE(link.packets, (Packets{pingPacket(1), pingPacket(2), pingPacket(3)}));
}

void tst_link::deviceLost_closesPort()
{
    LinkFixture link;
    QVERIFY(link.comm->OpenPort(QStringLiteral("COM3")));
    emit link.port->deviceLost();
    QVERIFY(!link.comm->isPortOpen());
    // Pings go nowhere now, without complaint.
    QVERIFY(link.comm->SendPacket(0x51, 0x03, QByteArray(1, 3)));
    QCOMPARE(link.port->written.size(), 0);
}

QTEST_GUILESS_MAIN(tst_link)
#include "tst_link.moc"
