// End to end: the tool's own link stack (TComm on the Qt serial port, the system port lister)
// against the decoder emulator on a pseudo-terminal. Waits are for IO only, with generous deadlines.

#include "emulator/DecoderModel.h"
#include "emulator/EmulatorOptions.h"
#include "link/DeviceLink.h"
#include "link/QtSerialPort.h"
#include "link/SystemPortLister.h"
#include "main_window/MessageCatalogue.h"
#include "support/EmulatorProcess.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Catalogue;

namespace {

constexpr int IoTimeoutMs = 15000;
constexpr std::uint8_t Address = 0x51;

int rateCode(int rate)
{
    for (int index = BAUD_INDEX_FIRST; index <= BAUD_INDEX_LAST; ++index) {
        if (QByteArray(LinkRateNames[index]).toInt() == rate)
            return LinkRateCodes[index];
    }
    return -1;
}

// One packet as the failure output shows it: "AA 01 51 00 | 05 1C 84".
QByteArray describe(const TNetPacket& packet)
{
    return QByteArray::number(packet.Command, 16).toUpper().rightJustified(2, '0') + ' ' +
           QByteArray::number(packet.Route1, 16).toUpper().rightJustified(2, '0') + ' ' +
           QByteArray::number(packet.Route2, 16).toUpper().rightJustified(2, '0') + ' ' +
           QByteArray::number(packet.HByte, 16).toUpper().rightJustified(2, '0') + " | " +
           packet.Payload.toHex(' ').toUpper();
}

QByteArray reply(std::uint8_t command, const QByteArray& payload = {})
{
    return describe(
        TNetPacket{command, TDecoderModel::ReplyRoute1, Address, TDecoderModel::ReplyHByte, payload});
}

template <std::size_t N> QByteArray bytes(const std::array<std::uint8_t, N>& values)
{
    return QByteArray(reinterpret_cast<const char*>(values.data()), qsizetype(N));
}

QByteArray limitPayload(int band, std::uint16_t limit)
{
    QByteArray payload;
    payload.append(char(band)).append(char(limit >> 8)).append(char(limit & 0xFF));
    return payload;
}

QByteArrayList limitReplies(const std::array<std::uint16_t, BAND_COUNT>& limits)
{
    QByteArrayList replies;
    for (int band = 1; band <= BAND_COUNT; ++band) {
        const std::uint16_t limit = limits[band - 1];
        replies << reply(RPL_LIMIT, limitPayload(band, limit));
    }
    return replies;
}

// Lists those of its names that exist now, as the system lists the devices plugged in.
class PresentPortLister : public TPortLister
{
public:
    explicit PresentPortLister(QStringList names) : m_names(std::move(names)) {}
    QStringList portNames() override
    {
        QStringList present;
        for (const QString& name : m_names) {
            if (QFileInfo::exists(name))
                present << name;
        }
        return present;
    }

private:
    QStringList m_names;
};

// The tool's side: TComm on the Qt serial port as the tool builds it, every decoded packet
// recorded with the rate the link was at when it came.
class ToolLink
{
public:
    explicit ToolLink(std::unique_ptr<TPortLister> lister = std::make_unique<TSystemPortLister>())
        : comm(std::make_unique<TComm>(std::make_unique<TQtSerialPort>(), std::move(lister)))
    {
        comm->OnPacket = [this] {
            packets << describe(comm->GetPacket());
            rates << comm->baudRate();
        };
    }

    void send(std::uint8_t command, const QByteArray& payload = {})
    {
        QVERIFY(comm->SendPacket(Address, command, payload));
        sent << QString::fromLatin1(QByteArray::number(command, 16).toUpper().rightJustified(2, '0'));
    }

    std::unique_ptr<TComm> comm;
    QByteArrayList packets;
    QList<qint32> rates;
    QStringList sent;
};

} // namespace

class tst_e2e_link : public QObject
{
    Q_OBJECT
private slots:
    void pingAnsweredAtTheEmulatorsRateOnly_data();
    void pingAnsweredAtTheEmulatorsRateOnly();
    void fullConversation();
    void hangupMidSession_closesAndReconnects();
};

void tst_e2e_link::pingAnsweredAtTheEmulatorsRateOnly_data()
{
    QTest::addColumn<int>("rate");
    for (int index = BAUD_INDEX_FIRST; index <= BAUD_INDEX_LAST; ++index)
        QTest::newRow(LinkRateNames[index]) << QByteArray(LinkRateNames[index]).toInt();
}

void tst_e2e_link::pingAnsweredAtTheEmulatorsRateOnly()
{
    QFETCH(int, rate);

    EmulatorProcess emu;
    QVERIFY2(emu.start({"--rate", QString::number(rate), "--quiet-live"}), qPrintable(emu.errorString()));
    ToolLink tool;
    QVERIFY(tool.comm->OpenPort(emu.path()));

    // The tool's search, 57600 down to 1200, one ping per rate. Each ping is judged by the
    // emulator before the rate moves on, so a reply can only belong to the rate it was sent at.
    for (int index = BAUD_INDEX_LAST; index >= BAUD_INDEX_FIRST; --index) {
        const int tried = QByteArray(LinkRateNames[index]).toInt();
        tool.comm->SetBaudCode(LinkRateCodes[index]);
        const qsizetype judged = emu.traceLines(QStringLiteral("skip")).size() + emu.requestLog().size();
        tool.send(CMD_PING, QByteArray(1, char(PING_BYTE)));
        QTRY_VERIFY_WITH_TIMEOUT(
            emu.traceLines(QStringLiteral("skip")).size() + emu.requestLog().size() > judged, IoTimeoutMs);
        if (tried == rate) {
            QTRY_COMPARE_WITH_TIMEOUT(tool.packets.size(), 2, IoTimeoutMs);
        } else {
            QCOMPARE(emu.requestLog().size(), tried < rate ? 1 : 0);
            const QStringList skips = emu.traceLines(QStringLiteral("skip"));
            QCOMPARE(skips.value(skips.size() - 1), QStringLiteral("skip rate %1").arg(tried));
        }
    }

    QCOMPARE(emu.requestLog(), QStringList{"03"});
    QCOMPARE(tool.packets,
             (QByteArrayList{reply(RPL_PING, QByteArray(1, char(PING_BYTE))), reply(RPL_FIRMWARE, "1.07")}));
    QCOMPARE(tool.rates, (QList<qint32>{rate, rate}));
    QVERIFY(tool.comm->ClosePort());
}

void tst_e2e_link::fullConversation()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--quiet-live"}), qPrintable(emu.errorString()));
    ToolLink tool;
    tool.comm->SetBaudCode(rateCode(TEmulatorOptions::DefaultRate));
    QVERIFY(tool.comm->OpenPort(emu.path()));

    QByteArrayList expected;
    auto exchange = [&](std::uint8_t command, const QByteArray& payload, const QByteArrayList& replies) {
        tool.send(command, payload);
        expected << replies;
        QTRY_VERIFY_WITH_TIMEOUT(tool.packets.size() >= expected.size(), IoTimeoutMs);
        QCOMPARE(tool.packets, expected);
    };
    const TDecoderConfig factory = Factory::config(1);

    exchange(CMD_PING, QByteArray(1, char(PING_BYTE)),
             {reply(RPL_PING, QByteArray(1, char(PING_BYTE))), reply(RPL_FIRMWARE, "1.07")});
    if (QTest::currentTestFailed())
        return;
    exchange(CMD_READ_RADIO, {}, {reply(RPL_RADIO, bytes(factory.Radio))});
    exchange(CMD_READ_ANTENNAS, {}, {reply(RPL_ANTENNAS, bytes(factory.Antennas))});
    exchange(CMD_READ_LIMITS, QByteArray(1, char(READ_LIMITS_BYTE)), limitReplies(factory.LimitsKHz));

    // Radio 1 stays radio 1, so the address does not move: Kenwood (FA) at 38400, polling and
    // timeout on, aux Yaesu (IF), switch 3, target Corla.
    const std::array<std::uint8_t, RADIO_RECORD_SIZE> radio = {LEAD_BYTE, 1, 4, 5, 0, 1, 1, 4, 3, 3};
    exchange(CMD_WRITE_RADIO, bytes(radio), {reply(RPL_RADIO_WRITTEN)});
    exchange(CMD_READ_RADIO, {}, {reply(RPL_RADIO, bytes(radio))});

    const std::array<std::uint8_t, BAND_COUNT> antennas = {8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3};
    exchange(CMD_WRITE_ANTENNAS, bytes(antennas), {reply(RPL_ANTENNAS_WRITTEN)});
    exchange(CMD_READ_ANTENNAS, {}, {reply(RPL_ANTENNAS, bytes(antennas))});

    std::array<std::uint16_t, BAND_COUNT> limits = factory.LimitsKHz;
    for (int band = 1; band <= BAND_COUNT; ++band) {
        limits[band - 1] = std::uint16_t(limits[band - 1] - band * 10);
        const std::uint16_t limit = limits[band - 1];
        exchange(CMD_WRITE_LIMIT, limitPayload(band, limit), {reply(RPL_LIMIT_WRITTEN)});
    }
    exchange(CMD_READ_LIMITS, QByteArray(1, char(READ_LIMITS_BYTE)), limitReplies(limits));

    exchange(CMD_DEFAULTS, QByteArray(1, char(DEFAULTS_RADIO)),
             {reply(RPL_DEFAULTS_DONE, QByteArray(1, char(DEFAULTS_RADIO)))});
    exchange(CMD_READ_RADIO, {}, {reply(RPL_RADIO, bytes(factory.Radio))});
    // The other parts keep their edits until their own reset.
    exchange(CMD_READ_ANTENNAS, {}, {reply(RPL_ANTENNAS, bytes(antennas))});
    exchange(CMD_DEFAULTS, QByteArray(1, char(DEFAULTS_ANTENNAS)),
             {reply(RPL_DEFAULTS_DONE, QByteArray(1, char(DEFAULTS_ANTENNAS)))});
    exchange(CMD_READ_ANTENNAS, {}, {reply(RPL_ANTENNAS, bytes(factory.Antennas))});
    exchange(CMD_DEFAULTS, QByteArray(1, char(DEFAULTS_LIMITS)),
             {reply(RPL_DEFAULTS_DONE, QByteArray(1, char(DEFAULTS_LIMITS)))});
    exchange(CMD_READ_LIMITS, QByteArray(1, char(READ_LIMITS_BYTE)), limitReplies(factory.LimitsKHz));

    QCOMPARE(emu.requestLog(), tool.sent);
    QVERIFY(tool.comm->ClosePort());
}

void tst_e2e_link::hangupMidSession_closesAndReconnects()
{
    // Each emulator run puts its terminal behind the same name, as a device plugged in again
    // comes back under its name; the port list shows it while it is there.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyDECODER"));
    const QString disable = QString::fromLatin1(TComm::DisableEntry);
    const QByteArray ping(1, char(PING_BYTE));
    const QByteArray pingReply = reply(RPL_PING, ping);

    ToolLink tool(std::make_unique<PresentPortLister>(QStringList{link}));
    tool.comm->SetBaudCode(rateCode(TEmulatorOptions::DefaultRate));
    QTRY_VERIFY_WITH_TIMEOUT(tool.comm->PortListChanged(), IoTimeoutMs);
    QCOMPARE(tool.comm->TakePortList(), QStringList{disable});

    EmulatorProcess first;
    QVERIFY2(first.start({"--link", link, "--quiet-live", "--hangup-after", "3"}),
             qPrintable(first.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(tool.comm->PortListChanged(), IoTimeoutMs);
    QCOMPARE(tool.comm->TakePortList(), (QStringList{disable, link}));
    QVERIFY(tool.comm->OpenPort(link));
    QSignalSpy lost(&tool.comm->serialPort(), &TSerialPort::deviceLost);
    QSignalSpy arrived(&tool.comm->serialPort(), &TSerialPort::dataArrived);
    tool.send(CMD_PING, ping);
    QTRY_VERIFY_WITH_TIMEOUT(tool.packets.contains(pingReply), IoTimeoutMs);

    QTRY_VERIFY_WITH_TIMEOUT(!tool.comm->isPortOpen(), IoTimeoutMs);
    QVERIFY(first.traceLines().contains(QStringLiteral("hangup")));
    QCOMPARE(lost.count(), 1);
    const qsizetype arrivals = arrived.count();
    // Closed, the port raises nothing more however often the loop runs.
    for (int round = 0; round < 100; ++round)
        QCoreApplication::processEvents();
    QCOMPARE(lost.count(), 1);
    QCOMPARE(arrived.count(), arrivals);
    QVERIFY(first.waitForFinished());
    QCOMPARE(first.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(tool.comm->PortListChanged(), IoTimeoutMs);
    QCOMPARE(tool.comm->TakePortList(), QStringList{disable});

    // A new decoder behind the same name is found and answers.
    EmulatorProcess second;
    QVERIFY2(second.start({"--link", link, "--quiet-live"}), qPrintable(second.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(tool.comm->PortListChanged(), IoTimeoutMs);
    QCOMPARE(tool.comm->TakePortList(), (QStringList{disable, link}));
    tool.packets.clear();
    QVERIFY(tool.comm->OpenPort(link));
    QVERIFY(tool.comm->isPortOpen());
    tool.send(CMD_PING, ping);
    QTRY_COMPARE_WITH_TIMEOUT(tool.packets, (QByteArrayList{pingReply, reply(RPL_FIRMWARE, "1.07")}),
                              IoTimeoutMs);
    QCOMPARE(second.requestLog(), QStringList{"03"});
    QVERIFY(tool.comm->ClosePort());
}

QTEST_GUILESS_MAIN(tst_e2e_link)
#include "tst_e2e_link.moc"
