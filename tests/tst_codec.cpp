// Frame codec: request frames out, reply lines in, and the lenient hex digit rules.

#include "link/FrameCodec.h"
#include "support/PacketPrinting.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<TNetPacket>)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

TNetPacket packet(std::uint8_t command, std::uint8_t route1, std::uint8_t route2, std::uint8_t hByte,
                  const QByteArray& payload = {})
{
    return TNetPacket{command, route1, route2, hByte, payload};
}

// What a parse left behind when it started from a filled packet.
const TNetPacket Previous = packet(0x11, 0x22, 0x33, 0x44, QByteArray::fromHex("5566"));

} // namespace

class tst_codec : public QObject
{
    Q_OBJECT
private slots:
    void buildFrame_data();
    void buildFrame();
    void parseLine_data();
    void parseLine();
    void replyFrameParsesBack_data();
    void replyFrameParsesBack();
    void hexDigitValue_coversEveryCharacter();
    void hexPairToByte();
    void byteToHex();
};

void tst_codec::buildFrame_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("ping") << 0x51 << 0x03 << QByteArray::fromHex("03") << QByteArray("[R51T03H03]\r");
    QTest::newRow("empty payload: H then ]") << 0x51 << 0x07 << QByteArray() << QByteArray("[R51T07H]\r");
    QTest::newRow("zero bytes as 00")
        << 0x00 << 0x00 << QByteArray("\0\0\x01\0", 4) << QByteArray("[R00T00H00000100]\r");
    QTest::newRow("upper-case digits, high nibble first")
        << 0xFF << 0xAB << QByteArray::fromHex("0a7f80c3ff") << QByteArray("[RFFTABH0A7F80C3FF]\r");
    QTest::newRow("radio record write") << 0x51 << 0x09 << QByteArray::fromHex("03010000000000000001ff")
                                        << QByteArray("[R51T09H03010000000000000001FF]\r");
}

void tst_codec::buildFrame()
{
    QFETCH(int, destination);
    QFETCH(int, command);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);

    QCOMPARE(BuildFrame(std::uint8_t(destination), std::uint8_t(command), payload), frame);
}

void tst_codec::parseLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("result");
    // For a true result the decoded packet; for a line under 13 characters the untouched previous
    // one; other false results leave a partly filled packet that nobody may use, so it is not checked.
    QTest::addColumn<std::optional<TNetPacket>>("expected");
    // The command the hook saw, or nothing when it did not run.
    QTest::addColumn<std::optional<int>>("hookCommand");

    const std::optional<TNetPacket> unchecked;
    const std::optional<int> noHook;

    QTest::newRow("ping answer") << QByteArray("[T87R0151H00M03]") << true
                                 << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray::fromHex("03")))
                                 << std::optional(0x87);
    QTest::newRow("radio record") << QByteArray("[TA8R0151H00M03010205940100010304]") << true
                                  << std::optional(packet(0xA8, 0x01, 0x51, 0x00,
                                                          QByteArray::fromHex("03010205940100010304")))
                                  << std::optional(0xA8);
    QTest::newRow("12 characters: rejected, packet untouched")
        << QByteArray("[T87R0151H00") << false << std::optional(Previous) << noHook;
    QTest::newRow("empty line") << QByteArray() << false << std::optional(Previous) << noHook;
    QTest::newRow("13 characters: header only")
        << QByteArray("[T87R0151H7F]") << true << std::optional(packet(0x87, 0x01, 0x51, 0x7F))
        << std::optional(0x87);
    QTest::newRow("15 characters: payload section not read")
        << QByteArray("[T87R0151H00M03") << true << std::optional(packet(0x87, 0x01, 0x51, 0x00))
        << std::optional(0x87);
    QTest::newRow("16 characters without ]: last lone digit not read")
        << QByteArray("[T87R0151H00M031") << true
        << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray::fromHex("03"))) << std::optional(0x87);
    QTest::newRow("no M: no payload") << QByteArray("[T87R0151H00X0102]") << true
                                      << std::optional(packet(0x87, 0x01, 0x51, 0x00)) << std::optional(0x87);
    QTest::newRow("M without digits") << QByteArray("[T87R0151H00M]]]") << true
                                      << std::optional(packet(0x87, 0x01, 0x51, 0x00)) << std::optional(0x87);
    QTest::newRow("wrong first character") << QByteArray("(T87R0151H00M03]") << false << unchecked << noHook;
    QTest::newRow("wrong second character") << QByteArray("[X87R0151H00M03]") << false << unchecked << noHook;
    QTest::newRow("wrong letter at 5: hook ran")
        << QByteArray("[T87X0151H00M03]") << false << unchecked << std::optional(0x87);
    QTest::newRow("wrong letter at 10: hook ran")
        << QByteArray("[T87R0151X00M03]") << false << unchecked << std::optional(0x87);
    QTest::newRow("odd digit count: last digit pairs with ]")
        << QByteArray("[T87R0151H00M031]") << true
        << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray::fromHex("0310"))) << std::optional(0x87);
    QTest::newRow("lower case in header is worth 0")
        << QByteArray("[Ta7R1b51H0fM03]") << true
        << std::optional(packet(0x07, 0x10, 0x51, 0x00, QByteArray::fromHex("03"))) << std::optional(0x07);
    QTest::newRow("lower-case first digit ends payload")
        << QByteArray("[T87R0151H00M03a4]") << true
        << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray::fromHex("03"))) << std::optional(0x87);
    QTest::newRow("lower-case second digit is worth 0")
        << QByteArray("[T87R0151H00M0a1B]") << true
        << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray::fromHex("001b"))) << std::optional(0x87);
    QTest::newRow("zero bytes in payload")
        << QByteArray("[T87R0151H00M00010000]") << true
        << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray("\0\x01\0\0", 4))) << std::optional(0x87);
    QTest::newRow("anything after ] ignored")
        << QByteArray("[T87R0151H00M0102]4455") << true
        << std::optional(packet(0x87, 0x01, 0x51, 0x00, QByteArray::fromHex("0102"))) << std::optional(0x87);
    QTest::newRow("byte above 127 is worth 0")
        << QByteArray("[T\xC8"
                      "7R0151H00M\xFF"
                      "3]")
        << true << std::optional(packet(0x07, 0x01, 0x51, 0x00)) << std::optional(0x07);
}

void tst_codec::parseLine()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, result);
    QFETCH(std::optional<TNetPacket>, expected);
    QFETCH(std::optional<int>, hookCommand);

    TNetPacket decoded = Previous;
    std::optional<int> hooked;
    int hookCalls = 0;
    const bool ok = ParseLine(line, decoded, [&](std::uint8_t command) {
        hooked = command;
        ++hookCalls;
    });

    QCOMPARE(ok, result);
    if (expected)
        QCOMPARE(decoded, *expected);
    QCOMPARE(hooked, hookCommand);
    QVERIFY(hookCalls <= 1);
}

void tst_codec::replyFrameParsesBack_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("ping answer") << QByteArray("\x03") << QByteArray("[T87R0151H00M03]\r");
    QTest::newRow("empty payload has no M section") << QByteArray() << QByteArray("[T87R0151H00]\r");
    QTest::newRow("zero bytes and FF")
        << QByteArray("\x00\xFF\x00", 3) << QByteArray("[T87R0151H00M00FF00]\r");
}

void tst_codec::replyFrameParsesBack()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    const QByteArray built = BuildReplyFrame(0x87, 0x01, 0x51, 0x00, payload);
    QCOMPARE(built, frame);
    TNetPacket packet;
    QVERIFY(ParseLine(built.chopped(1), packet));
    QCOMPARE(packet, (TNetPacket{0x87, 0x01, 0x51, 0x00, payload}));
}

void tst_codec::hexDigitValue_coversEveryCharacter()
{
    for (int code = 0; code < 256; ++code) {
        const char c = char(code);
        int expected = 0;
        if (c >= '0' && c <= '9')
            expected = c - '0';
        else if (c >= 'A' && c <= 'F')
            expected = c - 'A' + 10;
        QCOMPARE(HexDigitValue(c), expected);
    }
}

void tst_codec::hexPairToByte()
{
    QCOMPARE(HexPairToByte('0', '0'), std::uint8_t(0x00));
    QCOMPARE(HexPairToByte('F', 'F'), std::uint8_t(0xFF));
    QCOMPARE(HexPairToByte('9', 'A'), std::uint8_t(0x9A));
    QCOMPARE(HexPairToByte('7', ']'), std::uint8_t(0x70));
    QCOMPARE(HexPairToByte('f', 'f'), std::uint8_t(0x00));
}

void tst_codec::byteToHex()
{
    QCOMPARE(ByteToHex(0x00), QStringLiteral("00"));
    QCOMPARE(ByteToHex(0x0A), QStringLiteral("0A"));
    QCOMPARE(ByteToHex(0x94), QStringLiteral("94"));
    QCOMPARE(ByteToHex(0xFF), QStringLiteral("FF"));
}

QTEST_APPLESS_MAIN(tst_codec)
#include "tst_codec.moc"
