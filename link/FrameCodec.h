#pragma once
// Frame codec of the decoder's serial protocol.
//
// Every frame is printable ASCII ended by a carriage return (13). Numbers travel as pairs of
// upper-case hexadecimal digits, high nibble first.
//
// Request, PC to decoder (one destination byte, the payload follows "H" directly):
//     [ R dd T cc H pp pp ... ] CR
//     dd destination address, cc command code, pp payload bytes (none for an empty payload)
//     ping to 51 hex:          "[R51T03H03]\r"
//     empty request to 51 hex: "[R51T07H]\r"
//
// Reply or notification, decoder to PC (the carriage return is removed before parsing):
//     [ T cc R r1 r2 H hh M pp pp ... ]
//     pos 1 "[", 2 "T", 3-4 command, 5 "R", 6-7 Route1, 8-9 Route2, 10 "H", 11-12 HByte,
//     13 "M" (optional), 14.. payload pairs up to the first non-digit in a first-digit position.
//     example: "[T87R0151H00M03]" is a ping answer from 51 hex with the payload 03.
//
// Decoding is lenient on purpose, as the decoder's firmware expects: a character that is not
// "0"-"9" or "A"-"F" (lower case included) is worth 0 and raises no error.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

struct TNetPacket
{
    std::uint8_t Command = 0;
    std::uint8_t Route1 = 0;
    std::uint8_t Route2 = 0;
    std::uint8_t HByte = 0;
    QByteArray Payload;

    void clear() { *this = TNetPacket(); }
    bool operator==(const TNetPacket& other) const = default;
};

// Outbound frame, carriage return included.
QByteArray BuildFrame(std::uint8_t destination, std::uint8_t command, const QByteArray& payload);

// Inbound frame, as the decoder sends it, carriage return included; no "M" section for an empty
// payload. Used by the decoder emulator and tests.
QByteArray BuildReplyFrame(std::uint8_t command, std::uint8_t route1, std::uint8_t route2, std::uint8_t hByte,
                           const QByteArray& payload);

// Called by ParseLine right after the command code is decoded, before any later check.
using TCommandHook = std::function<void(std::uint8_t command)>;

// Decodes one inbound line (without its carriage return). True when the frame is well formed up
// to and including HByte. A line shorter than 13 characters leaves the packet untouched; any
// other false result leaves it partly filled and it must not be used.
bool ParseLine(const QByteArray& line, TNetPacket& packet, const TCommandHook& onCommand = {});

int HexDigitValue(char c);
std::uint8_t HexPairToByte(char first, char second);

// Upper-case two-digit text of a byte, as shown to the user (CI-V addresses).
QString ByteToHex(std::uint8_t value);
