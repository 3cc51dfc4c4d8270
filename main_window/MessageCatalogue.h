#pragma once
// Every code the tool sends or understands, the payload layouts, the addressing rule, the band
// table, the radio record and the texts shown to the operator. Handlers use these names only.
//
// Multi-byte numbers in payloads are big-endian; byte positions count from 0.
// Addressing: requests go to 50 hex + the radio number (0 "Undefined" .. 4 "Radio 4"); replies are
// accepted only when Route2 AND 50 hex equals 50 hex.

#include <array>
#include <cstdint>

namespace Catalogue {

// Requests, PC to decoder.
constexpr std::uint8_t CMD_PING = 0x03;           // 1 byte: PING_BYTE
constexpr std::uint8_t CMD_READ_RADIO = 0x07;     // empty
constexpr std::uint8_t CMD_DEFAULTS = 0x08;       // 1 byte: DEFAULTS_RADIO, _ANTENNAS or _LIMITS
constexpr std::uint8_t CMD_WRITE_ANTENNAS = 0x09; // 12 bytes: antenna per band, band order
constexpr std::uint8_t CMD_READ_ANTENNAS = 0x0A;  // empty
constexpr std::uint8_t CMD_READ_LIMITS = 0x1B;    // 1 byte: 0
constexpr std::uint8_t CMD_WRITE_LIMIT = 0x1C;    // 3 bytes: band 1..12, limit kHz high, low
constexpr std::uint8_t CMD_WRITE_RADIO = 0x21;    // the 10-byte radio record

// Replies and notifications, decoder to PC.
constexpr std::uint8_t RPL_BAND_DATA = 0x13;        // >= 6 bytes: [1] band, [4..5] frequency kHz
constexpr std::uint8_t RPL_PING = 0x87;             // [0] == PING_BYTE marks a valid answer
constexpr std::uint8_t RPL_DEFAULTS_DONE = 0xA1;    // [0] what was reset
constexpr std::uint8_t RPL_ANTENNAS = 0xA2;         // 12 bytes: antenna per band
constexpr std::uint8_t RPL_ANTENNAS_WRITTEN = 0xA3; // payload not used
constexpr std::uint8_t RPL_RADIO = 0xA8;            // the radio record
constexpr std::uint8_t RPL_RADIO_WRITTEN = 0xA9;    // payload not used
constexpr std::uint8_t RPL_LIMIT = 0xAA;            // 3 bytes: band, limit kHz high, low
constexpr std::uint8_t RPL_LIMIT_WRITTEN = 0xAB;    // payload not used
constexpr std::uint8_t RPL_CIV_SEARCH = 0xC8;       // payload not used
constexpr std::uint8_t RPL_CIV_FOUND = 0xC9;        // [0] the Icom CI-V address found
constexpr std::uint8_t RPL_FIRMWARE = 0xCB;         // the whole payload is the version text

constexpr std::uint8_t PING_BYTE = 3;
constexpr std::uint8_t READ_LIMITS_BYTE = 0;
constexpr std::uint8_t DEFAULTS_RADIO = 1;
constexpr std::uint8_t DEFAULTS_ANTENNAS = 2;
constexpr std::uint8_t DEFAULTS_LIMITS = 5;

constexpr std::uint8_t ADDRESS_BASE = 0x50;
constexpr std::uint8_t ROUTE_MASK = 0x50;

// Radio record, payload of CMD_WRITE_RADIO and RPL_RADIO.
constexpr std::uint8_t LEAD_BYTE = 3;
enum RadioRecordByte : int
{
    RR_LEAD = 0,
    RR_NUMBER = 1,  // 0..4 as sent; a record read back needs 1..4
    RR_TYPE = 2,    // index into RadioTypeNames
    RR_RATE = 3,    // index into RadioRateNames
    RR_CIV = 4,     // Icom CI-V address; FF asks the decoder to detect it
    RR_POLLING = 5, // 0 off, 1 on
    RR_TIMEOUT = 6, // 0 off, 1 on
    RR_AUX = 7,     // index into AuxOutputNames
    RR_SWITCH = 8,  // 1..4
    RR_TARGET = 9,  // index into TargetNames
    RADIO_RECORD_SIZE = 10,
    RADIO_RECORD_MIN_SIZE = 8
};
constexpr std::uint8_t CIV_AUTO_DETECT = 0xFF;
constexpr int ICOM_TYPE = 2;
constexpr int MIN_RADIO_NUMBER = 1;
constexpr int MAX_RADIO_NUMBER = 4;
constexpr int MIN_SWITCH = 1;
constexpr int MAX_SWITCH = 4;

constexpr std::array<const char*, 5> RadioNumberNames = {"Undefined", "Radio 1", "Radio 2", "Radio 3",
                                                         "Radio 4"};
constexpr std::array<const char*, 13> RadioTypeNames = {
    "Undefined", "Band Data", "Icom",   "Kenwood (IF)", "Kenwood (FA)", "Yaesu (IF)", "Yaesu (FA)",
    "FT-840",    "FT-847",    "FT-920", "FT-1000MP",    "TenTec Orion", "Flex on USB"};
constexpr std::array<const char*, 7> RadioRateNames = {"1200",  "2400",  "4800", "9600",
                                                       "19200", "38400", "57600"};
constexpr std::array<const char*, 5> AuxOutputNames = {"Disable", "Kenwood (FA)", "Kenwood (IF)",
                                                       "Yaesu (FA)", "Yaesu (IF)"};
constexpr std::array<const char*, 7> TargetNames = {"PC App", "Switch", "Brevin", "Corla",
                                                    "Feno-4", "Hask-9", "Jurm-3"};

// Bands, numbered 1..12 in payloads; index 0 here is band 1.
constexpr int BAND_COUNT = 12;
constexpr std::array<const char*, BAND_COUNT> BandNames = {"160M", "80M", "75M", "60M", "40M", "30M",
                                                           "20M",  "17M", "15M", "12M", "10M", "6M"};
constexpr std::array<const char*, BAND_COUNT> BandLabels = {
    "160:", "80:", "75:", "60:", "40:", "30:", "20:", "17:", "15:", "12:", "10:", "6:"};
constexpr int MIN_ANTENNA = 0;
constexpr int MAX_ANTENNA = 8;
constexpr int MAX_LIMIT_KHZ = 65535;
constexpr int BAND_DATA_MIN_SIZE = 6;
constexpr int LIMIT_PAYLOAD_SIZE = 3; // band, kHz high, kHz low
constexpr int BAND_DATA_BAND = 1;
constexpr int BAND_DATA_FREQ_HIGH = 4;
constexpr int BAND_DATA_FREQ_LOW = 5;

constexpr bool isValidBand(int band)
{
    return band >= 1 && band <= BAND_COUNT;
}

// Link rates searched by the connection manager, indexed by BaudIndex 1..7.
constexpr int BAUD_INDEX_FIRST = 1;
constexpr int BAUD_INDEX_LAST = 7;
constexpr std::array<int, 8> LinkRateCodes = {-1, 0, 1, 2, 3, 4, 5, 6};
constexpr std::array<const char*, 8> LinkRateNames = {"",     "1200",  "2400",  "4800",
                                                      "9600", "19200", "38400", "57600"};

// Main-timer counts (50 ms ticks).
constexpr int LINK_TIMEOUT_TICKS = 300;
constexpr int PINGS_PER_RATE = 3;
constexpr int SEARCH_POLL_TICKS = 3;
constexpr int KEEPALIVE_POLL_TICKS = 45;
constexpr int READ_DELAY_TICKS = 5;

} // namespace Catalogue

// Texts shown to the operator, exactly as the decoder's users know them.
namespace Texts {
constexpr const char* MainCaption = "Tolvane Decoder Setup v1.2";
constexpr const char* LampDisconnected = "Disconected";
constexpr const char* LampConnecting = "Connecting...";
constexpr const char* LampConnected = "Connected";
constexpr const char* PortDisabled = "Disabled";
constexpr const char* PortUsing = "Using ";
constexpr const char* ErrorClosing = "Error closing COM port";
constexpr const char* ErrorOpening = "Error opening ";
constexpr const char* ConnectedAt = "Connected at ";
constexpr const char* Baud = " baud";
constexpr const char* RadioDefaultsDone = "Radio setup set to defaults";
constexpr const char* AntennaDefaultsDone = "Antenna assignments set to defaults";
constexpr const char* LimitDefaultsDone = "Band limits set to defaults";
constexpr const char* AntennasWritten = "Antenna assignments updated";
constexpr const char* RadioWritten = "Radio configuration updated";
constexpr const char* LimitWritten = "Band limit updated";
constexpr const char* CivSearch = "Turn VFO knob to acquire Icom CI-V address";
constexpr const char* CivFound = "Icom CI-V address set to ";
constexpr const char* FirmwarePrefix = "Tolvane Firmware Version:  ";
constexpr const char* NoBandData = "No band data";
constexpr const char* NoFrequency = "No Frequency";
constexpr const char* KHzSuffix = " KHz";
constexpr const char* RadioReceived = "Radio configuration received";
constexpr const char* CivError = "Icom CI-V address must be 2 characters (0-9, A-F)";
constexpr const char* AskRadioDefaults = "Set radio configuration to factory defaults?";
constexpr const char* AntennaReceived = "Antenna configuration received";
constexpr const char* AskAntennaDefaults = "Reset antenna assignements to factory defaults?";
constexpr const char* AskLimitDefaults = "Reset Band Limits to factory defaults?";
constexpr const char* LimitReceivedPrefix = "Upper limit for ";
constexpr const char* LimitReceivedSuffix = " received";
constexpr const char* CivZero = "00";
} // namespace Texts

// Texts of our own, where the decoder's tool leaves operator input open.
namespace Texts {
constexpr const char* LimitError = "Enter the upper limit as a whole number from 0 to 65535 (KHz)";
constexpr const char* NotInList = " is not one of the choices: sent as FF (none)";
} // namespace Texts
