#pragma once
// The decoder as the tool sees it over the wire: one request line in, the reply frames out, plus the
// unrequested traffic (band data, CI-V notices) one live step at a time. No IO and no clock, so
// every answer can be checked in a unit test.

#include "main_window/MessageCatalogue.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <cstdint>
#include <optional>

struct TDecoderConfig
{
    std::array<std::uint8_t, Catalogue::RADIO_RECORD_SIZE> Radio{};
    std::array<std::uint8_t, Catalogue::BAND_COUNT> Antennas{};
    std::array<std::uint16_t, Catalogue::BAND_COUNT> LimitsKHz{};

    bool operator==(const TDecoderConfig& other) const = default;
};

namespace Factory {
TDecoderConfig config(int radioNumber);
std::array<std::uint8_t, Catalogue::RADIO_RECORD_SIZE> radio(int radioNumber);
std::array<std::uint8_t, Catalogue::BAND_COUNT> antennas();
std::array<std::uint16_t, Catalogue::BAND_COUNT> limitsKHz();
} // namespace Factory

// One request frame as the tool sends it: "[R" dd "T" cc "H" pp.. "]".
struct TRequest
{
    std::uint8_t Destination = 0;
    std::uint8_t Command = 0;
    QByteArray Payload;
};

// Strict reading of a request line (carriage return removed). Anything in front of the last "["
// is noise and skipped; upper-case hex digits only, an even count, closed by "]".
std::optional<TRequest> ParseRequest(const QByteArray& line);

// Reply frame, carriage return included: "[T" cc "R01" r2 "H00" then "M" and the payload when
// there is one.
QByteArray BuildReply(std::uint8_t route2, std::uint8_t command, const QByteArray& payload);

class TDecoderModel
{
public:
    static constexpr int LiveStepMs = 1000;
    // Steps between the CI-V search notice and the address found.
    static constexpr int CivSearchSteps = 3;
    static constexpr std::uint8_t CivFoundAddress = 0x94;
    // The tool pings every few seconds while it listens; after this many quiet steps nobody does, and
    // live traffic would only pile up in the pseudo-terminal's buffer.
    static constexpr int IdleSteps = 10;
    // The simulated radio stays this many steps on each band.
    static constexpr int WalkStepsPerBand = 4;
    static constexpr int WalkStepKHz = 5;
    static constexpr std::uint8_t ReplyRoute1 = 0x01;
    static constexpr std::uint8_t ReplyHByte = 0x00;

    enum class TVerdict
    {
        NotARequest, // noise, a reply-shaped line, a frame that does not parse
        NotForUs,    // a request to another decoder
        Ignored,     // for us, but a code or payload the decoder does not understand
        Answered
    };

    struct TResult
    {
        TVerdict Verdict = TVerdict::NotARequest;
        std::uint8_t Command = 0;
        QList<QByteArray> Replies;
    };

    TDecoderModel(int radioNumber, const QByteArray& firmware);

    TResult handleRequest(const QByteArray& line);
    // Called every LiveStepMs: the unrequested frames due now.
    QList<QByteArray> liveStep();

    const TDecoderConfig& config() const { return m_config; }
    void setConfig(const TDecoderConfig& config);
    std::uint8_t address() const { return m_address; }
    // True once after every change of the configuration, so the owner can save it.
    bool takeConfigChanged();

private:
    QList<QByteArray> answer(const TRequest& request, bool& understood);
    QByteArray reply(std::uint8_t command, const QByteArray& payload = {}) const;
    void storeRadio(const QByteArray& record);
    void followRadioNumber();
    void markChanged();

    int m_factoryRadioNumber;
    QByteArray m_firmware;
    TDecoderConfig m_config;
    std::uint8_t m_address;
    bool m_pinged = false;
    bool m_changed = false;
    int m_idleSteps = 0;
    int m_walkStep = 0;
    bool m_civSearching = false;
    int m_civStepsLeft = 0;
};
