// The decoder emulator: its protocol model, state file and options in process, then the program
// itself on a pseudo-terminal, and the demo launcher that runs it for the tool.

#include "app/DemoEmulator.h"
#include "emulator/DecoderModel.h"
#include "emulator/EmulatorOptions.h"
#include "emulator/PtyDevice.h"
#include "emulator/StateFile.h"
#include "link/FrameCodec.h"
#include "main_window/MessageCatalogue.h"
#include "support/EmulatorProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <termios.h>
#include <unistd.h>

using namespace Catalogue;

namespace {

constexpr int IoTimeoutMs = 10000;

// A request line as the tool sends it, without the carriage return the model never sees.
QByteArray request(std::uint8_t destination, std::uint8_t command, const QByteArray& payload = {})
{
    return BuildFrame(destination, command, payload).chopped(1);
}

QByteArray hex(const char* digits)
{
    return QByteArray::fromHex(digits);
}

QByteArrayList limitFrames(const char* route2, const std::array<std::uint16_t, BAND_COUNT>& limits)
{
    QByteArrayList frames;
    for (int band = 1; band <= BAND_COUNT; ++band) {
        frames << QByteArray("[TAAR01") + route2 + "H00M" +
                      QByteArray::number(band, 16).toUpper().rightJustified(2, '0') +
                      QByteArray::number(limits[band - 1], 16).toUpper().rightJustified(4, '0') + "]\r";
    }
    return frames;
}

const QByteArray Firmware = "[TCBR0151H00M312E3037]\r";
const QByteArray FactoryRadioReply = "[TA8R0151H00M03010104000000000100]\r";
const QByteArray FactoryAntennaReply = "[TA2R0151H00M010202030404050506060708]\r";

// Band lower edges, to check that the simulated radio stays inside the band it reports.
constexpr std::array<int, BAND_COUNT> BandLowKHz = {1800,  3500,  3600,  5330,  7000,  10100,
                                                    14000, 18068, 21000, 24890, 28000, 50000};

speed_t speedCode(int rate)
{
    switch (rate) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B57600;
    }
}

// The tool's side of the line, opened on the emulator's slave path with plain termios.
class SlaveLine
{
public:
    SlaveLine() = default;
    ~SlaveLine() { close(); }
    SlaveLine(const SlaveLine&) = delete;
    SlaveLine& operator=(const SlaveLine&) = delete;

    bool open(const QString& path, int rate)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios settings{};
        if (::tcgetattr(m_fd, &settings) != 0)
            return false;
        ::cfmakeraw(&settings);
        ::tcsetattr(m_fd, TCSANOW, &settings);
        return setRate(rate);
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool setRate(int rate)
    {
        termios settings{};
        if (::tcgetattr(m_fd, &settings) != 0)
            return false;
        ::cfsetspeed(&settings, speedCode(rate));
        return ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
    }
    bool write(const QByteArray& bytes)
    {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Reads until count carriage returns have come or the deadline passes.
    QByteArray readFrames(int count, int timeoutMs = IoTimeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        QByteArray got;
        while (got.count('\r') < count && !deadline.hasExpired()) {
            if (!waitReadable(deadline))
                break;
            if (!readInto(got))
                break;
        }
        return got;
    }
    QByteArray readBytes(qsizetype count, int timeoutMs = IoTimeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        QByteArray got;
        while (got.size() < count && !deadline.hasExpired()) {
            if (!waitReadable(deadline) || !readInto(got))
                break;
        }
        return got;
    }
    // What is waiting now, without waiting.
    QByteArray readNow()
    {
        QByteArray got;
        readInto(got);
        return got;
    }
    // True once the far end has hung up: poll says so or a read fails.
    bool waitHangup(int timeoutMs = IoTimeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            pollfd entry{m_fd, POLLIN, 0};
            if (::poll(&entry, 1, int(deadline.remainingTime())) <= 0)
                continue;
            if (entry.revents & (POLLHUP | POLLERR))
                return true;
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno == EIO))
                return true;
        }
        return false;
    }

private:
    bool waitReadable(const QDeadlineTimer& deadline)
    {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, int(deadline.remainingTime())) > 0;
    }
    bool readInto(QByteArray& got)
    {
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
        return n > 0 || (n < 0 && errno == EAGAIN);
    }

    int m_fd = -1;
};

bool processGone(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0)
        return true;
    // A child of nobody may stay a zombie where no init reaps it; it is gone all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) == "Z";
}

} // namespace

class tst_emulator : public QObject
{
    Q_OBJECT
private slots:
    // The protocol model.
    void requestParsing_acceptsEveryBuiltFrame();
    void replies_data();
    void replies();
    void repliesDecodeWithTheToolsCodec();
    void firmwareFollowsTheFirstValidPingOnly();
    void writeThenReadBack_data();
    void writeThenReadBack();
    void defaultsResetOnlyTheirPart_data();
    void defaultsResetOnlyTheirPart();
    void writtenRadioNumberMovesTheAddress();
    void bandWalkStaysInsideTheReportedBand();
    void liveTrafficWaitsForAPingAndPausesWhenIdle();
    void civSearchFindsAnAddress();
    void civSearchStopsWhenTheSetupChanges();

    // State file and options.
    void stateText_roundTrip();
    void stateText_missingLinesKeepDefaults();
    void stateText_rejectsBadText_data();
    void stateText_rejectsBadText();
    void stateFile_loadAndSave();
    void options_good_data();
    void options_good();
    void options_bad_data();
    void options_bad();

    // The pseudo-terminal.
    void pty_reportsTheRateSetOnTheSlave();
    void pty_largeWriteArrivesComplete();
    void pty_survivesTheSlaveClosing();

    // The program.
    void program_printsItsPathAndLinks();
    void program_answersAtItsRateOnly();
    void program_badCommandLineExits2_data();
    void program_badCommandLineExits2();
    void program_keepsItsStateBetweenRuns();
    void program_stopsWhenItsInputCloses();
    void program_stopsOnSignalAndRemovesLink();
    void program_stopsWhenItsParentDies();
    void program_sendsLiveTraffic();
    void program_splitWritesStillMakeFrames();
    void program_dropAndGarble();
    void program_delayKeepsOrder();
    void program_silentAfter();
    void program_hangupAfter();

    // The demo launcher.
    void demo_startsAndStopsTheEmulator();
    void demo_reportsWhyItCannotStart();
};

// ---- protocol model ----

void tst_emulator::requestParsing_acceptsEveryBuiltFrame()
{
    // Whatever the tool's codec builds, the decoder reads back unchanged.
    for (int size = 0; size <= RADIO_RECORD_SIZE + 2; ++size) {
        QByteArray payload;
        for (int i = 0; i < size; ++i)
            payload.append(char((i * 37 + size * 11) & 0xFF));
        for (std::uint8_t destination : {0x00, 0x50, 0x54, 0xFF}) {
            const std::optional<TRequest> parsed = ParseRequest(request(destination, 0xA5, payload));
            QVERIFY(parsed);
            QCOMPARE(parsed->Destination, destination);
            QCOMPARE(parsed->Command, std::uint8_t(0xA5));
            QCOMPARE(parsed->Payload, payload);
        }
    }
}

void tst_emulator::replies_data()
{
    QTest::addColumn<int>("radio");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QByteArrayList>("expected");

    using V = TDecoderModel::TVerdict;
    const int answered = int(V::Answered);
    const int ignored = int(V::Ignored);
    const int other = int(V::NotForUs);
    const int noise = int(V::NotARequest);

    QTest::newRow("ping") << 1 << request(0x51, CMD_PING, hex("03")) << answered
                          << QByteArrayList{"[T87R0151H00M03]\r", Firmware};
    QTest::newRow("ping to 50 hex, answered from 51") << 1 << request(0x50, CMD_PING, hex("03")) << answered
                                                      << QByteArrayList{"[T87R0151H00M03]\r", Firmware};
    QTest::newRow("radio 4 at 54") << 4 << request(0x54, CMD_PING, hex("03")) << answered
                                   << QByteArrayList{"[T87R0154H00M03]\r", "[TCBR0154H00M312E3037]\r"};
    QTest::newRow("ping to another decoder")
        << 1 << request(0x52, CMD_PING, hex("03")) << other << QByteArrayList{};
    QTest::newRow("ping with a wrong byte")
        << 1 << request(0x51, CMD_PING, hex("04")) << ignored << QByteArrayList{};
    QTest::newRow("ping without payload") << 1 << request(0x51, CMD_PING) << ignored << QByteArrayList{};

    QTest::newRow("read radio") << 1 << request(0x51, CMD_READ_RADIO) << answered
                                << QByteArrayList{FactoryRadioReply};
    QTest::newRow("read radio, record names radio 2")
        << 2 << request(0x52, CMD_READ_RADIO) << answered
        << QByteArrayList{"[TA8R0152H00M03020104000000000100]\r"};
    QTest::newRow("read radio with a payload")
        << 1 << request(0x51, CMD_READ_RADIO, hex("00")) << ignored << QByteArrayList{};
    QTest::newRow("read antennas") << 1 << request(0x51, CMD_READ_ANTENNAS) << answered
                                   << QByteArrayList{FactoryAntennaReply};
    QTest::newRow("read limits: twelve frames, band order")
        << 1 << request(0x51, CMD_READ_LIMITS, hex("00")) << answered
        << limitFrames("51", {2000, 4000, 4000, 5450, 7300, 10150, 14350, 18168, 21450, 24990, 29700, 54000});
    QTest::newRow("read limits with a wrong byte")
        << 1 << request(0x51, CMD_READ_LIMITS, hex("01")) << ignored << QByteArrayList{};

    QTest::newRow("write limit") << 1 << request(0x51, CMD_WRITE_LIMIT, hex("051C84")) << answered
                                 << QByteArrayList{"[TABR0151H00]\r"};
    QTest::newRow("write limit for band 0")
        << 1 << request(0x51, CMD_WRITE_LIMIT, hex("001C84")) << ignored << QByteArrayList{};
    QTest::newRow("write limit for band 13")
        << 1 << request(0x51, CMD_WRITE_LIMIT, hex("0D1C84")) << ignored << QByteArrayList{};
    QTest::newRow("write limit, short")
        << 1 << request(0x51, CMD_WRITE_LIMIT, hex("051C")) << ignored << QByteArrayList{};
    QTest::newRow("write antennas") << 1 << request(0x51, CMD_WRITE_ANTENNAS, hex("080706050403020108070605"))
                                    << answered << QByteArrayList{"[TA3R0151H00]\r"};
    QTest::newRow("write antennas, 11 bytes")
        << 1 << request(0x51, CMD_WRITE_ANTENNAS, hex("0807060504030201080706")) << ignored
        << QByteArrayList{};
    QTest::newRow("write radio") << 1 << request(0x51, CMD_WRITE_RADIO, hex("03010204000101020301"))
                                 << answered << QByteArrayList{"[TA9R0151H00]\r"};
    QTest::newRow("write radio, 9 bytes")
        << 1 << request(0x51, CMD_WRITE_RADIO, hex("030102040001010203")) << ignored << QByteArrayList{};
    QTest::newRow("write radio, 11 bytes")
        << 1 << request(0x51, CMD_WRITE_RADIO, hex("0301020400010102030100")) << ignored << QByteArrayList{};

    QTest::newRow("defaults radio") << 1 << request(0x51, CMD_DEFAULTS, hex("01")) << answered
                                    << QByteArrayList{"[TA1R0151H00M01]\r"};
    QTest::newRow("defaults antennas")
        << 1 << request(0x51, CMD_DEFAULTS, hex("02")) << answered << QByteArrayList{"[TA1R0151H00M02]\r"};
    QTest::newRow("defaults limits") << 1 << request(0x51, CMD_DEFAULTS, hex("05")) << answered
                                     << QByteArrayList{"[TA1R0151H00M05]\r"};
    QTest::newRow("defaults of nothing known")
        << 1 << request(0x51, CMD_DEFAULTS, hex("03")) << ignored << QByteArrayList{};
    QTest::newRow("unknown code") << 1 << request(0x51, 0x55) << ignored << QByteArrayList{};

    QTest::newRow("noise in front of a frame") << 1 << QByteArray("\x7f~~[R5[R51T03H03]") << answered
                                               << QByteArrayList{"[T87R0151H00M03]\r", Firmware};
    QTest::newRow("empty line") << 1 << QByteArray() << noise << QByteArrayList{};
    QTest::newRow("a reply, not a request")
        << 1 << QByteArray("[T87R0151H00M03]") << noise << QByteArrayList{};
    QTest::newRow("lower-case tags") << 1 << QByteArray("[R51t03h03]") << noise << QByteArrayList{};
    QTest::newRow("lower-case digits") << 1 << QByteArray("[R51T0aH]") << noise << QByteArrayList{};
    QTest::newRow("odd payload digits") << 1 << QByteArray("[R51T03H0]") << noise << QByteArrayList{};
    QTest::newRow("no closing bracket") << 1 << QByteArray("[R51T03H03") << noise << QByteArrayList{};
    QTest::newRow("junk after the frame") << 1 << QByteArray("[R51T03H03]x") << noise << QByteArrayList{};
}

void tst_emulator::replies()
{
    QFETCH(int, radio);
    QFETCH(QByteArray, line);
    QFETCH(int, verdict);
    QFETCH(QByteArrayList, expected);

    TDecoderModel model(radio, TEmulatorOptions::DefaultFirmware);
    const TDecoderModel::TResult result = model.handleRequest(line);
    QCOMPARE(int(result.Verdict), verdict);
    QCOMPARE(result.Replies, expected);
}

void tst_emulator::repliesDecodeWithTheToolsCodec()
{
    TDecoderModel model(3, "2.00b");
    const TDecoderModel::TResult result = model.handleRequest(request(0x53, CMD_PING, hex("03")));
    QCOMPARE(result.Replies.size(), 2);
    TNetPacket packet;
    QVERIFY(ParseLine(result.Replies[0].chopped(1), packet));
    QCOMPARE(packet, (TNetPacket{RPL_PING, 0x01, 0x53, 0x00, hex("03")}));
    QCOMPARE(packet.Route2 & ROUTE_MASK, ROUTE_MASK);
    QVERIFY(ParseLine(result.Replies[1].chopped(1), packet));
    QCOMPARE(packet.Command, RPL_FIRMWARE);
    QCOMPARE(packet.Payload, QByteArray("2.00b"));
}

void tst_emulator::firmwareFollowsTheFirstValidPingOnly()
{
    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    QCOMPARE(model.handleRequest(request(0x51, CMD_PING, hex("04"))).Replies, QByteArrayList{});
    QCOMPARE(model.handleRequest(request(0x51, CMD_READ_RADIO)).Replies, QByteArrayList{FactoryRadioReply});
    QCOMPARE(model.handleRequest(request(0x51, CMD_PING, hex("03"))).Replies,
             (QByteArrayList{"[T87R0151H00M03]\r", Firmware}));
    QCOMPARE(model.handleRequest(request(0x50, CMD_PING, hex("03"))).Replies,
             QByteArrayList{"[T87R0151H00M03]\r"});
}

void tst_emulator::writeThenReadBack_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArrayList>("expected");

    QTest::newRow("radio record") << request(0x51, CMD_WRITE_RADIO, hex("03010702010100030406"))
                                  << request(0x51, CMD_READ_RADIO)
                                  << QByteArrayList{"[TA8R0151H00M03010702010100030406]\r"};
    QTest::newRow("antennas") << request(0x51, CMD_WRITE_ANTENNAS, hex("000102030405060708000102"))
                              << request(0x51, CMD_READ_ANTENNAS)
                              << QByteArrayList{"[TA2R0151H00M000102030405060708000102]\r"};
    std::array<std::uint16_t, BAND_COUNT> limits = Factory::limitsKHz();
    limits[4] = 7250;
    QTest::newRow("limit of 40 m") << request(0x51, CMD_WRITE_LIMIT, hex("051C52"))
                                   << request(0x51, CMD_READ_LIMITS, hex("00")) << limitFrames("51", limits);
    limits = Factory::limitsKHz();
    limits[11] = 65535;
    QTest::newRow("largest limit of 6 m")
        << request(0x51, CMD_WRITE_LIMIT, hex("0CFFFF")) << request(0x51, CMD_READ_LIMITS, hex("00"))
        << limitFrames("51", limits);
}

void tst_emulator::writeThenReadBack()
{
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, read);
    QFETCH(QByteArrayList, expected);

    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    QVERIFY(!model.takeConfigChanged());
    QCOMPARE(model.handleRequest(write).Replies.size(), 1);
    QVERIFY(model.takeConfigChanged());
    QVERIFY(!model.takeConfigChanged());
    QCOMPARE(model.handleRequest(read).Replies, expected);
    QVERIFY(!model.takeConfigChanged());
}

void tst_emulator::defaultsResetOnlyTheirPart_data()
{
    QTest::addColumn<int>("what");
    QTest::newRow("radio") << int(DEFAULTS_RADIO);
    QTest::newRow("antennas") << int(DEFAULTS_ANTENNAS);
    QTest::newRow("limits") << int(DEFAULTS_LIMITS);
}

void tst_emulator::defaultsResetOnlyTheirPart()
{
    QFETCH(int, what);

    TDecoderModel model(2, TEmulatorOptions::DefaultFirmware);
    model.handleRequest(request(0x52, CMD_WRITE_RADIO, hex("03020304000101020301")));
    model.handleRequest(request(0x52, CMD_WRITE_ANTENNAS, hex("080808080808080808080808")));
    model.handleRequest(request(0x52, CMD_WRITE_LIMIT, hex("0107D1")));
    const TDecoderConfig edited = model.config();
    QVERIFY(model.takeConfigChanged());

    const QByteArrayList replies =
        model.handleRequest(request(0x52, CMD_DEFAULTS, QByteArray(1, char(what)))).Replies;
    QCOMPARE(replies.size(), 1);
    QVERIFY(model.takeConfigChanged());

    const TDecoderConfig factory = Factory::config(2);
    QCOMPARE(model.config().Radio, what == DEFAULTS_RADIO ? factory.Radio : edited.Radio);
    QCOMPARE(model.config().Antennas, what == DEFAULTS_ANTENNAS ? factory.Antennas : edited.Antennas);
    QCOMPARE(model.config().LimitsKHz, what == DEFAULTS_LIMITS ? factory.LimitsKHz : edited.LimitsKHz);
}

void tst_emulator::writtenRadioNumberMovesTheAddress()
{
    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    // The confirmation comes from the address the request reached; the decoder then moves.
    QCOMPARE(model.handleRequest(request(0x51, CMD_WRITE_RADIO, hex("03030104000000000100"))).Replies,
             QByteArrayList{"[TA9R0151H00]\r"});
    QCOMPARE(model.address(), std::uint8_t(0x53));
    QCOMPARE(int(model.handleRequest(request(0x51, CMD_READ_RADIO)).Verdict),
             int(TDecoderModel::TVerdict::NotForUs));
    QCOMPARE(model.handleRequest(request(0x53, CMD_READ_RADIO)).Replies,
             QByteArrayList{"[TA8R0153H00M03030104000000000100]\r"});
    QCOMPARE(model.handleRequest(request(0x50, CMD_READ_ANTENNAS)).Replies,
             QByteArrayList{"[TA2R0153H00M010202030404050506060708]\r"});

    // "Undefined" is stored, but the decoder keeps an address it can answer at.
    model.handleRequest(request(0x53, CMD_WRITE_RADIO, hex("03000104000000000100")));
    QCOMPARE(model.address(), std::uint8_t(0x53));

    QCOMPARE(model.handleRequest(request(0x53, CMD_DEFAULTS, hex("01"))).Replies,
             QByteArrayList{"[TA1R0153H00M01]\r"});
    QCOMPARE(model.address(), std::uint8_t(0x51));
    QCOMPARE(model.handleRequest(request(0x51, CMD_READ_RADIO)).Replies, QByteArrayList{FactoryRadioReply});
}

void tst_emulator::bandWalkStaysInsideTheReportedBand()
{
    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    model.handleRequest(request(0x51, CMD_PING, hex("03")));
    std::set<int> bands;
    int previousBand = 0;
    int previousFrequency = 0;
    const int steps = BAND_COUNT * TDecoderModel::WalkStepsPerBand;
    for (int step = 0; step < steps; ++step) {
        if (step % (TDecoderModel::IdleSteps - 1) == 0)
            model.handleRequest(request(0x51, CMD_PING, hex("03")));
        const QByteArrayList frames = model.liveStep();
        QCOMPARE(frames.size(), 1);
        TNetPacket packet;
        QVERIFY(ParseLine(frames[0].chopped(1), packet));
        QCOMPARE(packet.Command, RPL_BAND_DATA);
        QCOMPARE(packet.Route2, std::uint8_t(0x51));
        QCOMPARE(packet.Payload.size(), BAND_DATA_MIN_SIZE);
        QCOMPARE(packet.Payload[0], '\0');
        QCOMPARE(packet.Payload[2], '\0');
        QCOMPARE(packet.Payload[3], '\0');
        const int band = std::uint8_t(packet.Payload[BAND_DATA_BAND]);
        const int frequency = std::uint8_t(packet.Payload[BAND_DATA_FREQ_HIGH]) << 8 |
                              std::uint8_t(packet.Payload[BAND_DATA_FREQ_LOW]);
        QVERIFY2(isValidBand(band), qPrintable(QString::number(band)));
        QVERIFY2(frequency >= BandLowKHz[band - 1] && frequency <= Factory::limitsKHz()[band - 1],
                 qPrintable(QStringLiteral("%1 kHz on band %2").arg(frequency).arg(band)));
        // The radio tunes up within a band, then moves to the next one.
        if (band == previousBand)
            QVERIFY(frequency > previousFrequency);
        else
            QVERIFY(band == previousBand + 1 || (previousBand == 0 && band == 1));
        previousBand = band;
        previousFrequency = frequency;
        bands.insert(band);
    }
    QCOMPARE(int(bands.size()), BAND_COUNT);
    // And round again.
    model.handleRequest(request(0x51, CMD_PING, hex("03")));
    TNetPacket packet;
    QVERIFY(ParseLine(model.liveStep().value(0).chopped(1), packet));
    QCOMPARE(int(packet.Payload[BAND_DATA_BAND]), 1);
}

void tst_emulator::liveTrafficWaitsForAPingAndPausesWhenIdle()
{
    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    model.handleRequest(request(0x51, CMD_READ_RADIO));
    model.handleRequest(request(0x51, CMD_PING, hex("04")));
    QCOMPARE(model.liveStep(), QByteArrayList{});

    model.handleRequest(request(0x51, CMD_PING, hex("03")));
    for (int step = 0; step < TDecoderModel::IdleSteps; ++step)
        QCOMPARE(model.liveStep().size(), 1);
    QCOMPARE(model.liveStep(), QByteArrayList{});
    // A request for another decoder is not a listener for this one.
    model.handleRequest(request(0x52, CMD_PING, hex("03")));
    QCOMPARE(model.liveStep(), QByteArrayList{});
    model.handleRequest(request(0x50, CMD_READ_ANTENNAS));
    QCOMPARE(model.liveStep().size(), 1);
}

void tst_emulator::civSearchFindsAnAddress()
{
    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    model.handleRequest(request(0x51, CMD_PING, hex("03")));
    QCOMPARE(model.liveStep().size(), 1);
    model.handleRequest(request(0x51, CMD_WRITE_RADIO, hex("03010204FF0000000100")));
    QVERIFY(model.takeConfigChanged());

    QByteArrayList frames = model.liveStep();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[1], QByteArray("[TC8R0151H00]\r"));
    for (int step = 1; step < TDecoderModel::CivSearchSteps; ++step)
        QCOMPARE(model.liveStep().size(), 1);
    QVERIFY(!model.takeConfigChanged());
    frames = model.liveStep();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[1], QByteArray("[TC9R0151H00M94]\r"));
    QVERIFY(model.takeConfigChanged());
    QCOMPARE(model.config().Radio[RR_CIV], TDecoderModel::CivFoundAddress);
    QCOMPARE(model.handleRequest(request(0x51, CMD_READ_RADIO)).Replies,
             QByteArrayList{"[TA8R0151H00M03010204940000000100]\r"});
    // Found once; a fixed address starts no new search.
    for (int step = 0; step < TDecoderModel::IdleSteps - 1; ++step)
        QCOMPARE(model.liveStep().size(), 1);
}

void tst_emulator::civSearchStopsWhenTheSetupChanges()
{
    TDecoderModel model(1, TEmulatorOptions::DefaultFirmware);
    model.handleRequest(request(0x51, CMD_PING, hex("03")));
    // An Icom with a fixed address, and a Kenwood with FF, start no search.
    model.handleRequest(request(0x51, CMD_WRITE_RADIO, hex("03010204940000000100")));
    QCOMPARE(model.liveStep().size(), 1);
    model.handleRequest(request(0x51, CMD_WRITE_RADIO, hex("03010304FF0000000100")));
    QCOMPARE(model.liveStep().size(), 1);

    model.handleRequest(request(0x51, CMD_WRITE_RADIO, hex("03010204FF0000000100")));
    QCOMPARE(model.liveStep().size(), 2);
    model.handleRequest(request(0x51, CMD_DEFAULTS, hex("01")));
    for (int step = 0; step < TDecoderModel::CivSearchSteps + 2; ++step)
        QCOMPARE(model.liveStep().size(), 1);
    QCOMPARE(model.config().Radio, Factory::radio(1));
}

// ---- state file and options ----

void tst_emulator::stateText_roundTrip()
{
    TDecoderConfig config = Factory::config(3);
    config.Radio = {3, 3, 2, 6, 0xFF, 1, 1, 4, 4, 6};
    config.Antennas = {0, 1, 2, 3, 4, 5, 6, 7, 8, 255, 0, 1};
    config.LimitsKHz = {0, 1, 65535, 4000, 7300, 10150, 14350, 18168, 21450, 24990, 29700, 54000};

    const QByteArray text = FormatState(config);
    // Readable by a person, not just by us.
    QVERIFY2(text.contains("radio 03 03 02 06 FF 01 01 04 04 06\n"), text.constData());
    QVERIFY2(text.contains("antennas 0 1 2 3 4 5 6 7 8 255 0 1\n"), text.constData());
    QVERIFY2(text.contains("limits 0 1 65535 4000 "), text.constData());

    QString error;
    QCOMPARE(ParseState(text, Factory::config(1), error), config);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void tst_emulator::stateText_missingLinesKeepDefaults()
{
    QString error;
    const TDecoderConfig parsed =
        ParseState("# edited by hand\n\n  antennas 8 7 6 5 4 3 2 1 8 7 6 5  \r\n", Factory::config(2), error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(parsed.Radio, Factory::radio(2));
    QCOMPARE(parsed.LimitsKHz, Factory::limitsKHz());
    QCOMPARE(parsed.Antennas, (std::array<std::uint8_t, BAND_COUNT>{8, 7, 6, 5, 4, 3, 2, 1, 8, 7, 6, 5}));
}

void tst_emulator::stateText_rejectsBadText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown entry") << QByteArray("colour blue\n") << "line 1: unknown entry \"colour\"";
    QTest::newRow("radio too short") << QByteArray("radio 03 01 01 04 00 00 00 00 01\n")
                                     << "line 1: radio needs";
    QTest::newRow("radio not hex") << QByteArray("radio 03 01 01 04 00 00 00 00 01 0G\n") << "radio needs";
    QTest::newRow("radio byte too big")
        << QByteArray("radio 03 01 01 04 00 00 00 00 01 100\n") << "radio needs";
    QTest::newRow("antenna negative")
        << QByteArray("#\nantennas 1 2 2 3 4 4 5 5 6 6 7 -8\n") << "line 2: antennas needs";
    QTest::newRow("antenna 256") << QByteArray("antennas 1 2 2 3 4 4 5 5 6 6 7 256\n") << "antennas needs";
    QTest::newRow("limit too big")
        << QByteArray("limits 2000 4000 4000 5450 7300 10150 14350 18168 21450 24990 29700 65536\n")
        << "limits needs";
    QTest::newRow("limits too many")
        << QByteArray("limits 2000 4000 4000 5450 7300 10150 14350 18168 21450 24990 29700 54000 1\n")
        << "limits needs";
    QTest::newRow("given twice") << QByteArray("antennas 1 1 1 1 1 1 1 1 1 1 1 1\n"
                                               "antennas 2 2 2 2 2 2 2 2 2 2 2 2\n")
                                 << "line 2: \"antennas\" given twice";
    QTest::newRow("binary junk") << QByteArray("\x01\x02\xff\n", 4) << "unknown entry";
}

void tst_emulator::stateText_rejectsBadText()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);

    QString error;
    const TDecoderConfig defaults = Factory::config(1);
    QCOMPARE(ParseState(text, defaults, error), defaults);
    QVERIFY2(error.contains(message), qPrintable(error));
}

void tst_emulator::stateFile_loadAndSave()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("decoder.state"));
    const TDecoderConfig defaults = Factory::config(1);

    TStateLoadResult loaded = LoadStateFile(path, defaults);
    QCOMPARE(loaded.Status, TStateLoad::Missing);
    QCOMPARE(loaded.Config, defaults);

    TDecoderConfig edited = defaults;
    edited.LimitsKHz[0] = 1999;
    QCOMPARE(SaveStateFile(path, edited), QString());
    loaded = LoadStateFile(path, defaults);
    QCOMPARE(loaded.Status, TStateLoad::Loaded);
    QCOMPARE(loaded.Config, edited);
    // The save replaced the file as a whole and left nothing else behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("decoder.state")});

    loaded = LoadStateFile(dir.path(), defaults);
    QCOMPARE(loaded.Status, TStateLoad::Failed);
    QVERIFY2(loaded.Error.contains(QLatin1String("directory")), qPrintable(loaded.Error));

    QFile bad(path);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("limits 1 2 3\n");
    bad.close();
    loaded = LoadStateFile(path, defaults);
    QCOMPARE(loaded.Status, TStateLoad::Failed);
    QVERIFY2(loaded.Error.contains(path) && loaded.Error.contains(QLatin1String("line 1")),
             qPrintable(loaded.Error));

    const QString error = SaveStateFile(dir.filePath(QStringLiteral("no/such/dir/state")), edited);
    QVERIFY2(error.contains(QLatin1String("cannot write state file")), qPrintable(error));
}

void tst_emulator::options_good_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("defaults") << QStringList{}
                              << QStringList{"rate=19200", "radio=1",  "firmware=1.07", "delay=0",
                                             "drop=0",     "garble=0", "link=",         "state="};
    QTest::newRow("slowest rate") << QStringList{"--rate", "1200"} << QStringList{"rate=1200"};
    QTest::newRow("fastest rate, inline value") << QStringList{"--rate=57600"} << QStringList{"rate=57600"};
    QTest::newRow("radio and firmware") << QStringList{"--radio", "4", "--firmware", "2.10 beta"}
                                        << QStringList{"radio=4", "firmware=2.10 beta"};
    QTest::newRow("paths") << QStringList{"--link", "/tmp/x", "--state=/tmp/s"}
                           << QStringList{"link=/tmp/x", "state=/tmp/s"};
    QTest::newRow("flags") << QStringList{"--quiet-live", "--trace", "--split"}
                           << QStringList{"quiet", "trace", "split"};
    QTest::newRow("faults") << QStringList{"--delay-ms", "250", "--drop", "10", "--garble=100", "--seed", "7"}
                            << QStringList{"delay=250", "drop=10", "garble=100", "seed=7"};
    QTest::newRow("seconds, fractions allowed") << QStringList{"--silent-after", "0.5", "--hangup-after", "3"}
                                                << QStringList{"silent=0.5", "hangup=3"};
    QTest::newRow("help") << QStringList{"--help"} << QStringList{"help"};
}

void tst_emulator::options_good()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);

    const TOptionsResult result = ParseEmulatorOptions(arguments);
    QVERIFY2(result.Error.isEmpty(), qPrintable(result.Error));
    const TEmulatorOptions& o = result.Options;
    QStringList seen;
    seen << QStringLiteral("rate=%1").arg(o.Rate) << QStringLiteral("radio=%1").arg(o.Radio)
         << QStringLiteral("firmware=%1").arg(QString::fromLatin1(o.Firmware))
         << QStringLiteral("delay=%1").arg(o.DelayMs) << QStringLiteral("link=%1").arg(o.LinkPath)
         << QStringLiteral("state=%1").arg(o.StatePath) << QStringLiteral("drop=%1").arg(o.DropPercent)
         << QStringLiteral("garble=%1").arg(o.GarblePercent);
    if (o.QuietLive)
        seen << QStringLiteral("quiet");
    if (o.Trace)
        seen << QStringLiteral("trace");
    if (o.Split)
        seen << QStringLiteral("split");
    if (o.Help)
        seen << QStringLiteral("help");
    if (o.Seed)
        seen << QStringLiteral("seed=%1").arg(*o.Seed);
    if (o.SilentAfterSeconds)
        seen << QStringLiteral("silent=%1").arg(*o.SilentAfterSeconds);
    if (o.HangupAfterSeconds)
        seen << QStringLiteral("hangup=%1").arg(*o.HangupAfterSeconds);
    for (const QString& entry : expected)
        QVERIFY2(seen.contains(entry), qPrintable(seen.join(QLatin1String(", ")) + " lacks " + entry));
}

void tst_emulator::options_bad_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown") << QStringList{"--colour"} << "unknown option \"--colour\"";
    QTest::newRow("bare word") << QStringList{"19200"} << "unknown option \"19200\"";
    QTest::newRow("rate not one of the seven")
        << QStringList{"--rate", "115200"} << "bad value \"115200\" for --rate";
    QTest::newRow("rate not a number")
        << QStringList{"--rate", "fast"} << "for --rate: expected one of 1200,";
    QTest::newRow("rate missing") << QStringList{"--rate"} << "--rate needs a value";
    QTest::newRow("radio 0") << QStringList{"--radio", "0"} << "for --radio: expected 1 to 4";
    QTest::newRow("radio 5") << QStringList{"--radio=5"} << "for --radio";
    QTest::newRow("firmware empty") << QStringList{"--firmware", ""} << "for --firmware";
    QTest::newRow("firmware too long")
        << QStringList{"--firmware", QString(33, QLatin1Char('x'))} << "for --firmware";
    QTest::newRow("firmware not ASCII")
        << QStringList{"--firmware", QString::fromUtf8("1.0\xc3\xa9")} << "for --firmware";
    QTest::newRow("delay negative") << QStringList{"--delay-ms", "-1"} << "for --delay-ms";
    QTest::newRow("delay huge") << QStringList{"--delay-ms", "600000"} << "for --delay-ms";
    QTest::newRow("drop over 100") << QStringList{"--drop", "101"} << "for --drop: expected a percentage";
    QTest::newRow("garble fraction") << QStringList{"--garble", "2.5"} << "for --garble";
    QTest::newRow("seed negative") << QStringList{"--seed", "-3"} << "for --seed";
    QTest::newRow("silent negative") << QStringList{"--silent-after", "-1"} << "for --silent-after";
    QTest::newRow("hangup not a number") << QStringList{"--hangup-after", "soon"} << "for --hangup-after";
    QTest::newRow("hangup infinite") << QStringList{"--hangup-after", "inf"} << "for --hangup-after";
    QTest::newRow("flag with a value") << QStringList{"--split=yes"} << "--split takes no value";
    QTest::newRow("empty state path") << QStringList{"--state="} << "for --state";
}

void tst_emulator::options_bad()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const TOptionsResult result = ParseEmulatorOptions(arguments);
    QVERIFY2(result.Error.contains(message), qPrintable(result.Error));
}

// ---- pseudo-terminal ----

void tst_emulator::pty_reportsTheRateSetOnTheSlave()
{
    TPtyDevice pty;
    QCOMPARE(pty.open(), QString());
    QVERIFY(QFileInfo(pty.slavePath()).exists());
    SlaveLine line;
    QVERIFY(line.open(pty.slavePath(), 1200));
    for (const char* name : RadioRateNames) {
        const int rate = QByteArray(name).toInt();
        QVERIFY(line.setRate(rate));
        QCOMPARE(pty.lineRate(), rate);
    }
}

void tst_emulator::pty_largeWriteArrivesComplete()
{
    TPtyDevice pty;
    QCOMPARE(pty.open(), QString());
    SlaveLine line;
    QVERIFY(line.open(pty.slavePath(), 19200));

    QByteArray data;
    for (int i = 0; i < 20000; ++i)
        data.append(char('A' + i % 23));
    pty.send(data);
    QByteArray got;
    const QDeadlineTimer deadline(IoTimeoutMs);
    while (got.size() < data.size() && !deadline.hasExpired()) {
        QVERIFY(pty.flush());
        got += line.readBytes(data.size() - got.size(), 50);
    }
    QCOMPARE(got.size(), data.size());
    QVERIFY(got == data);
    QVERIFY(!pty.hasPending());
}

void tst_emulator::pty_survivesTheSlaveClosing()
{
    TPtyDevice pty;
    QCOMPARE(pty.open(), QString());
    {
        SlaveLine first;
        QVERIFY(first.open(pty.slavePath(), 9600));
        QVERIFY(first.write("[R51T03H03]\r"));
    }
    bool ok = false;
    QByteArray got;
    const QDeadlineTimer deadline(IoTimeoutMs);
    while (!got.contains('\r') && !deadline.hasExpired()) {
        pollfd entry{pty.masterFd(), POLLIN, 0};
        ::poll(&entry, 1, 50);
        got += pty.readAvailable(ok);
        QVERIFY(ok);
    }
    QCOMPARE(got, QByteArray("[R51T03H03]\r"));
    // The tool closed its port: the master reads nothing, but no error, and a reopen works.
    pty.readAvailable(ok);
    QVERIFY(ok);
    SlaveLine second;
    QVERIFY(second.open(pty.slavePath(), 9600));
    pty.send("[T87R0151H00M03]\r");
    QCOMPARE(second.readFrames(1), QByteArray("[T87R0151H00M03]\r"));
}

// ---- the program ----

void tst_emulator::program_printsItsPathAndLinks()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyDECODER"));
    // A stale link from a crashed run is replaced.
    QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link));

    EmulatorProcess emu;
    QVERIFY2(emu.start({"--link", link}), qPrintable(emu.errorString()));
    QVERIFY(emu.path().startsWith(QLatin1String("/dev/")));
    QVERIFY(QFileInfo(emu.path()).exists());
    QCOMPARE(QFileInfo(link).symLinkTarget(), emu.path());

    // The port opens by the link as well.
    SlaveLine line;
    QVERIFY(line.open(link, 19200));
    QVERIFY(line.write("[R51T03H03]\r"));
    QCOMPARE(line.readFrames(2), QByteArray("[T87R0151H00M03]\r") + Firmware);
}

void tst_emulator::program_answersAtItsRateOnly()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--rate", "38400", "--quiet-live", "--radio", "2"}), qPrintable(emu.errorString()));
    SlaveLine line;
    QVERIFY(line.open(emu.path(), 9600));
    QVERIFY(line.write("[R52T03H03]\r"));
    QTRY_COMPARE_WITH_TIMEOUT(emu.traceLines(QStringLiteral("skip")), QStringList{"skip rate 9600"},
                              IoTimeoutMs);
    QVERIFY(line.setRate(57600));
    QVERIFY(line.write("[R52T03H03]\r"));
    QTRY_COMPARE_WITH_TIMEOUT(emu.traceLines(QStringLiteral("skip")).size(), 2, IoTimeoutMs);
    QCOMPARE(emu.traceLines(QStringLiteral("skip")).last(), QStringLiteral("skip rate 57600"));

    QVERIFY(line.setRate(38400));
    QVERIFY(line.write("[R52T03H03]\r"));
    // Had it answered the pings above, those answers would come first.
    QCOMPARE(line.readFrames(2), QByteArray("[T87R0152H00M03]\r[TCBR0152H00M312E3037]\r"));
    QCOMPARE(emu.requestLog(), QStringList{"03"});
    QVERIFY(line.readNow().isEmpty());
}

void tst_emulator::program_badCommandLineExits2_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("stateText");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown option") << QStringList{"--fast"} << QByteArray() << "unknown option \"--fast\"";
    QTest::newRow("bad rate") << QStringList{"--rate", "300"} << QByteArray()
                              << "bad value \"300\" for --rate";
    QTest::newRow("bad state file") << QStringList{"--state", "@state"} << QByteArray("limits 1 2\n")
                                    << "bad state file";
    QTest::newRow("state file is a directory")
        << QStringList{"--state", "@dir"} << QByteArray() << "it is a directory";
    QTest::newRow("state file cannot be made")
        << QStringList{"--state", "@dir/no/such/state"} << QByteArray() << "cannot write state file";
    QTest::newRow("link over a real file")
        << QStringList{"--link", "@state"} << QByteArray("x") << "not a link";
}

void tst_emulator::program_badCommandLineExits2()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, stateText);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("state"));
    if (!stateText.isEmpty()) {
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stateText);
    }
    for (QString& argument : arguments) {
        argument.replace(QLatin1String("@state"), state);
        argument.replace(QLatin1String("@dir"), dir.path());
    }

    QProcess process;
    process.start(QStringLiteral(TOLVANE_EMULATOR_PATH), arguments);
    QVERIFY(process.waitForFinished(IoTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), ExitUsage);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    const QString error = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(error.startsWith(QLatin1String("tolvane-emulator: ")) && error.contains(message),
             qPrintable(error));
    // A file it refused is left as it was.
    if (!stateText.isEmpty()) {
        QFile file(state);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stateText);
    }
}

void tst_emulator::program_keepsItsStateBetweenRuns()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("demo.state"));
    {
        EmulatorProcess emu;
        QVERIFY2(emu.start({"--state", state, "--quiet-live"}), qPrintable(emu.errorString()));
        // A first run writes the factory state at once.
        QVERIFY(QFileInfo::exists(state));
        SlaveLine line;
        QVERIFY(line.open(emu.path(), 19200));
        QVERIFY(line.write("[R51T1CH051C52]\r[R51T09H080706050403020108070605]\r"));
        QCOMPARE(line.readFrames(2), QByteArray("[TABR0151H00]\r[TA3R0151H00]\r"));
    }
    QFile file(state);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("antennas 8 7 6 5 4 3 2 1 8 7 6 5\n"), text.constData());
    QVERIFY2(text.contains("limits 2000 4000 4000 5450 7250 "), text.constData());

    EmulatorProcess again;
    QVERIFY2(again.start({"--state", state, "--quiet-live"}), qPrintable(again.errorString()));
    SlaveLine line;
    QVERIFY(line.open(again.path(), 19200));
    QVERIFY(line.write("[R51T0AH]\r"));
    QCOMPARE(line.readFrames(1), QByteArray("[TA2R0151H00M080706050403020108070605]\r"));
}

void tst_emulator::program_stopsWhenItsInputCloses()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start(), qPrintable(emu.errorString()));
    emu.closeInput();
    QVERIFY(emu.waitForFinished(IoTimeoutMs));
    QCOMPARE(emu.exitStatus(), QProcess::NormalExit);
    QCOMPARE(emu.exitCode(), 0);
    QVERIFY(emu.traceLines().contains(QStringLiteral("stdin closed")));
}

void tst_emulator::program_stopsOnSignalAndRemovesLink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyDECODER"));
    QProcess process;
    // Standard input from /dev/null is not a pipe: it does not stop the emulator.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TOLVANE_EMULATOR_PATH), {"--link", link});
    QVERIFY(process.waitForStarted(IoTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), IoTimeoutMs);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(process.state(), QProcess::Running);

    process.terminate();
    QVERIFY(process.waitForFinished(IoTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_emulator::program_stopsWhenItsParentDies()
{
    // The shell starts the emulator in the background with standard input from /dev/null, so only
    // the parent-death signal can stop it when the shell is killed.
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {"-c", "\"$0\" --trace & echo pid $!; wait", QStringLiteral(TOLVANE_EMULATOR_PATH)});
    QVERIFY(shell.waitForStarted(IoTimeoutMs));
    qint64 pid = 0;
    bool havePath = false;
    const QDeadlineTimer deadline(IoTimeoutMs);
    while ((pid == 0 || !havePath) && !deadline.hasExpired()) {
        if (!shell.canReadLine() && !shell.waitForReadyRead(int(deadline.remainingTime())))
            break;
        while (shell.canReadLine()) {
            const QByteArray line = shell.readLine().trimmed();
            if (line.startsWith("pid "))
                pid = line.mid(4).toLongLong();
            else if (line.startsWith("/dev/"))
                havePath = true;
        }
    }
    QVERIFY(pid > 0);
    QVERIFY(havePath);
    QVERIFY(!processGone(pid));

    shell.kill();
    QVERIFY(shell.waitForFinished(IoTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), IoTimeoutMs);
}

void tst_emulator::program_sendsLiveTraffic()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--firmware", "9.99"}), qPrintable(emu.errorString()));
    SlaveLine line;
    QVERIFY(line.open(emu.path(), 19200));
    QVERIFY(line.write("[R51T03H03]\r"));
    const QByteArray got = line.readFrames(3, IoTimeoutMs);
    QVERIFY2(got.startsWith("[T87R0151H00M03]\r[TCBR0151H00M392E3939]\r[T13R0151H00M0001"), got.constData());
}

void tst_emulator::program_splitWritesStillMakeFrames()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--split", "--quiet-live"}), qPrintable(emu.errorString()));
    SlaveLine line;
    QVERIFY(line.open(emu.path(), 19200));
    QVERIFY(line.write("[R51T1BH00]\r"));
    const QByteArray got = line.readFrames(BAND_COUNT);
    QCOMPARE(got, limitFrames("51", Factory::limitsKHz()).join());
}

void tst_emulator::program_dropAndGarble()
{
    {
        EmulatorProcess emu;
        QVERIFY2(emu.start({"--drop", "100", "--quiet-live"}), qPrintable(emu.errorString()));
        SlaveLine line;
        QVERIFY(line.open(emu.path(), 19200));
        QVERIFY(line.write("[R51T07H]\r"));
        QTRY_VERIFY_WITH_TIMEOUT(emu.traceLines().contains(QStringLiteral("drop A8")), IoTimeoutMs);
        QVERIFY(line.readNow().isEmpty());
    }
    {
        EmulatorProcess emu;
        QVERIFY2(emu.start({"--garble", "100", "--seed", "1", "--quiet-live"}),
                 qPrintable(emu.errorString()));
        SlaveLine line;
        QVERIFY(line.open(emu.path(), 19200));
        QVERIFY(line.write("[R51T07H]\r"));
        const QByteArray got = line.readBytes(FactoryRadioReply.size());
        QCOMPARE(got.size(), FactoryRadioReply.size());
        for (int i = 0; i < got.size(); ++i)
            QVERIFY(got[i] != FactoryRadioReply[i]);
    }
}

void tst_emulator::program_delayKeepsOrder()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--delay-ms", "200", "--quiet-live"}), qPrintable(emu.errorString()));
    SlaveLine line;
    QVERIFY(line.open(emu.path(), 19200));
    QVERIFY(line.write("[R51T07H]\r[R51T0AH]\r[R51T08H05]\r"));
    QCOMPARE(line.readFrames(3), FactoryRadioReply + FactoryAntennaReply + "[TA1R0151H00M05]\r");
}

void tst_emulator::program_silentAfter()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--silent-after", "0", "--quiet-live"}), qPrintable(emu.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(emu.traceLines().contains(QStringLiteral("silent")), IoTimeoutMs);
    SlaveLine line;
    QVERIFY(line.open(emu.path(), 19200));
    QVERIFY(line.write("[R51T03H03]\r"));
    QTRY_VERIFY_WITH_TIMEOUT(emu.traceLines().contains(QStringLiteral("skip silent")), IoTimeoutMs);
    QVERIFY(line.readNow().isEmpty());
    QVERIFY(emu.isRunning());
}

void tst_emulator::program_hangupAfter()
{
    EmulatorProcess emu;
    QVERIFY2(emu.start({"--hangup-after", "0.5", "--quiet-live"}), qPrintable(emu.errorString()));
    SlaveLine line;
    QVERIFY(line.open(emu.path(), 19200));
    QVERIFY(line.waitHangup());
    QVERIFY(emu.waitForFinished(IoTimeoutMs));
    QCOMPARE(emu.exitCode(), 0);
    QVERIFY(emu.traceLines().contains(QStringLiteral("hangup")));
}

// ---- demo launcher ----

void tst_emulator::demo_startsAndStopsTheEmulator()
{
    qint64 pid = 0;
    {
        TDemoEmulator demo(QStringLiteral(TOLVANE_EMULATOR_PATH));
        QVERIFY2(demo.start({"--quiet-live"}), qPrintable(demo.errorString()));
        QVERIFY(demo.isRunning());
        pid = demo.processId();
        QVERIFY(pid > 0);
        SlaveLine line;
        QVERIFY(line.open(demo.portName(), 19200));
        QVERIFY(line.write("[R51T03H03]\r"));
        QCOMPARE(line.readFrames(2), QByteArray("[T87R0151H00M03]\r") + Firmware);
    }
    QVERIFY(processGone(pid));
}

void tst_emulator::demo_reportsWhyItCannotStart()
{
    TDemoEmulator missing(QStringLiteral("/nonexistent/tolvane-emulator"));
    QVERIFY(!missing.start());
    QVERIFY2(missing.errorString().contains(QLatin1String("/nonexistent/tolvane-emulator")),
             qPrintable(missing.errorString()));
    QVERIFY(missing.portName().isEmpty());

    TDemoEmulator refused(QStringLiteral(TOLVANE_EMULATOR_PATH));
    QVERIFY(!refused.start({"--rate", "300"}));
    QVERIFY2(refused.errorString().contains(QLatin1String("bad value \"300\" for --rate")),
             qPrintable(refused.errorString()));
    QVERIFY(!refused.isRunning());
}

QTEST_GUILESS_MAIN(tst_emulator)
#include "tst_emulator.moc"
