#include "link/FrameCodec.h"

namespace {

constexpr int MinLineLength = 13;
constexpr int MinPayloadLineLength = 16;
constexpr int PayloadStart = 13; // zero-based index of the first payload digit

const char HexDigits[] = "0123456789ABCDEF";

void appendHex(QByteArray& out, std::uint8_t value)
{
    out.append(HexDigits[value >> 4]);
    out.append(HexDigits[value & 0x0F]);
}

// Payload bytes as hex pairs, then the closing "]" and the carriage return: the tail of both frame shapes.
void appendPayloadAndEnd(QByteArray& out, const QByteArray& payload)
{
    for (char byte : payload)
        appendHex(out, static_cast<std::uint8_t>(byte));
    out.append(']');
    out.append('\r');
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::uint8_t pairAt(const QByteArray& line, int index)
{
    return HexPairToByte(line[index], line[index + 1]);
}

} // namespace

QByteArray BuildFrame(std::uint8_t destination, std::uint8_t command, const QByteArray& payload)
{
    QByteArray frame;
    frame.reserve(10 + 2 * payload.size());
    frame.append("[R");
    appendHex(frame, destination);
    frame.append('T');
    appendHex(frame, command);
    frame.append('H');
    appendPayloadAndEnd(frame, payload);
    return frame;
}

QByteArray BuildReplyFrame(std::uint8_t command, std::uint8_t route1, std::uint8_t route2, std::uint8_t hByte,
                           const QByteArray& payload)
{
    QByteArray frame;
    frame.reserve(16 + 2 * payload.size());
    frame.append("[T");
    appendHex(frame, command);
    frame.append('R');
    appendHex(frame, route1);
    appendHex(frame, route2);
    frame.append('H');
    appendHex(frame, hByte);
    if (!payload.isEmpty())
        frame.append('M');
    appendPayloadAndEnd(frame, payload);
    return frame;
}

bool ParseLine(const QByteArray& line, TNetPacket& packet, const TCommandHook& onCommand)
{
    if (line.size() < MinLineLength)
        return false;
    packet.clear();
    if (line[0] != '[' || line[1] != 'T')
        return false;
    packet.Command = pairAt(line, 2);
    if (onCommand)
        onCommand(packet.Command);
    if (line[4] != 'R')
        return false;
    packet.Route1 = pairAt(line, 5);
    packet.Route2 = pairAt(line, 7);
    if (line[9] != 'H')
        return false;
    packet.HByte = pairAt(line, 10);
    if (line.size() >= MinPayloadLineLength && line[12] == 'M') {
        // Only the first digit of a pair is tested, and a pair needs a character after it: a last
        // lone digit of the line is not read.
        for (int i = PayloadStart; i + 1 < line.size() && isHexDigit(line[i]); i += 2)
            packet.Payload.append(static_cast<char>(pairAt(line, i)));
    }
    return true;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

std::uint8_t HexPairToByte(char first, char second)
{
    return static_cast<std::uint8_t>(HexDigitValue(first) * 16 + HexDigitValue(second));
}

QString ByteToHex(std::uint8_t value)
{
    QByteArray text;
    appendHex(text, value);
    return QString::fromLatin1(text);
}
