#include "emulator/DecoderModel.h"

#include "link/FrameCodec.h"

#include <initializer_list>

using namespace Catalogue;

namespace {

// Band upper edges as the decoder leaves the factory.
constexpr std::array<std::uint16_t, BAND_COUNT> FactoryLimitsKHz = {2000,  4000,  4000,  5450,  7300,  10150,
                                                                    14350, 18168, 21450, 24990, 29700, 54000};
constexpr std::array<std::uint8_t, BAND_COUNT> FactoryAntennas = {1, 2, 2, 3, 4, 4, 5, 5, 6, 6, 7, 8};
constexpr std::uint8_t FactoryRadioType = 1; // "Band Data"
constexpr std::uint8_t FactoryRadioRate = 4; // 19200
constexpr std::uint8_t FactorySwitch = 1;

// Where the simulated radio starts on each band; WalkStepsPerBand steps of WalkStepKHz stay inside
// the band and below its factory limit.
constexpr std::array<std::uint16_t, BAND_COUNT> WalkStartKHz = {1810,  3510,  3760,  5340,  7010,  10110,
                                                                14010, 18070, 21010, 24900, 28010, 50010};

constexpr int RequestHeaderLength = 8; // "[R" dd "T" cc "H"
constexpr int WriteLimitSize = 3;

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

QByteArray bytes(std::initializer_list<std::uint8_t> values)
{
    QByteArray out;
    for (std::uint8_t v : values)
        out.append(static_cast<char>(v));
    return out;
}

std::uint8_t at(const QByteArray& payload, int index)
{
    return static_cast<std::uint8_t>(payload[index]);
}

} // namespace

namespace Factory {

std::array<std::uint8_t, RADIO_RECORD_SIZE> radio(int radioNumber)
{
    std::array<std::uint8_t, RADIO_RECORD_SIZE> record{};
    record[RR_LEAD] = LEAD_BYTE;
    record[RR_NUMBER] = static_cast<std::uint8_t>(radioNumber);
    record[RR_TYPE] = FactoryRadioType;
    record[RR_RATE] = FactoryRadioRate;
    record[RR_SWITCH] = FactorySwitch;
    return record;
}

std::array<std::uint8_t, BAND_COUNT> antennas()
{
    return FactoryAntennas;
}

std::array<std::uint16_t, BAND_COUNT> limitsKHz()
{
    return FactoryLimitsKHz;
}

TDecoderConfig config(int radioNumber)
{
    TDecoderConfig config;
    config.Radio = radio(radioNumber);
    config.Antennas = antennas();
    config.LimitsKHz = limitsKHz();
    return config;
}

} // namespace Factory

std::optional<TRequest> ParseRequest(const QByteArray& line)
{
    const int start = line.lastIndexOf('[');
    if (start < 0)
        return std::nullopt;
    const QByteArray frame = line.mid(start);
    if (frame.size() < RequestHeaderLength + 1 || frame[1] != 'R' || frame[4] != 'T' || frame[7] != 'H')
        return std::nullopt;
    if (!isUpperHex(frame[2]) || !isUpperHex(frame[3]) || !isUpperHex(frame[5]) || !isUpperHex(frame[6]))
        return std::nullopt;
    const int close = frame.indexOf(']', RequestHeaderLength);
    if (close < 0 || close != frame.size() - 1 || (close - RequestHeaderLength) % 2 != 0)
        return std::nullopt;

    TRequest request;
    request.Destination = HexPairToByte(frame[2], frame[3]);
    request.Command = HexPairToByte(frame[5], frame[6]);
    for (int i = RequestHeaderLength; i < close; i += 2) {
        if (!isUpperHex(frame[i]) || !isUpperHex(frame[i + 1]))
            return std::nullopt;
        request.Payload.append(static_cast<char>(HexPairToByte(frame[i], frame[i + 1])));
    }
    return request;
}

QByteArray BuildReply(std::uint8_t route2, std::uint8_t command, const QByteArray& payload)
{
    return BuildReplyFrame(command, TDecoderModel::ReplyRoute1, route2, TDecoderModel::ReplyHByte, payload);
}

TDecoderModel::TDecoderModel(int radioNumber, const QByteArray& firmware)
    : m_factoryRadioNumber(radioNumber), m_firmware(firmware), m_config(Factory::config(radioNumber)),
      m_address(static_cast<std::uint8_t>(ADDRESS_BASE + radioNumber))
{
}

void TDecoderModel::setConfig(const TDecoderConfig& config)
{
    m_config = config;
    followRadioNumber();
}

bool TDecoderModel::takeConfigChanged()
{
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

TDecoderModel::TResult TDecoderModel::handleRequest(const QByteArray& line)
{
    TResult result;
    const std::optional<TRequest> request = ParseRequest(line);
    if (!request)
        return result;
    result.Command = request->Command;
    if (request->Destination != m_address && request->Destination != ADDRESS_BASE) {
        result.Verdict = TVerdict::NotForUs;
        return result;
    }
    // Route2 carries the address the request was heard on, before a written record can move it.
    bool understood = false;
    result.Replies = answer(*request, understood);
    result.Verdict = understood ? TVerdict::Answered : TVerdict::Ignored;
    if (understood)
        m_idleSteps = 0;
    return result;
}

QByteArray TDecoderModel::reply(std::uint8_t command, const QByteArray& payload) const
{
    return BuildReply(m_address, command, payload);
}

QList<QByteArray> TDecoderModel::answer(const TRequest& request, bool& understood)
{
    const QByteArray& payload = request.Payload;
    QList<QByteArray> replies;
    understood = true;
    switch (request.Command) {
    case CMD_PING:
        if (payload.size() != 1 || at(payload, 0) != PING_BYTE)
            break;
        replies.append(reply(RPL_PING, bytes({PING_BYTE})));
        if (!m_pinged)
            replies.append(reply(RPL_FIRMWARE, m_firmware));
        m_pinged = true;
        return replies;
    case CMD_READ_RADIO:
        if (!payload.isEmpty())
            break;
        replies.append(reply(
            RPL_RADIO, QByteArray(reinterpret_cast<const char*>(m_config.Radio.data()), RADIO_RECORD_SIZE)));
        return replies;
    case CMD_WRITE_RADIO:
        if (payload.size() != RADIO_RECORD_SIZE)
            break;
        {
            // The confirmation still comes from the address the request reached.
            const QByteArray confirmation = reply(RPL_RADIO_WRITTEN);
            storeRadio(payload);
            replies.append(confirmation);
        }
        return replies;
    case CMD_READ_ANTENNAS:
        if (!payload.isEmpty())
            break;
        replies.append(reply(
            RPL_ANTENNAS, QByteArray(reinterpret_cast<const char*>(m_config.Antennas.data()), BAND_COUNT)));
        return replies;
    case CMD_WRITE_ANTENNAS:
        if (payload.size() != BAND_COUNT)
            break;
        for (int band = 0; band < BAND_COUNT; ++band)
            m_config.Antennas[band] = at(payload, band);
        markChanged();
        replies.append(reply(RPL_ANTENNAS_WRITTEN));
        return replies;
    case CMD_READ_LIMITS:
        if (payload.size() != 1 || at(payload, 0) != READ_LIMITS_BYTE)
            break;
        for (int band = 1; band <= BAND_COUNT; ++band) {
            const std::uint16_t limit = m_config.LimitsKHz[band - 1];
            replies.append(reply(
                RPL_LIMIT, bytes({static_cast<std::uint8_t>(band), static_cast<std::uint8_t>(limit >> 8),
                                  static_cast<std::uint8_t>(limit & 0xFF)})));
        }
        return replies;
    case CMD_WRITE_LIMIT:
        if (payload.size() != WriteLimitSize || !isValidBand(at(payload, 0)))
            break;
        m_config.LimitsKHz[at(payload, 0) - 1] =
            static_cast<std::uint16_t>(at(payload, 1) << 8 | at(payload, 2));
        markChanged();
        replies.append(reply(RPL_LIMIT_WRITTEN));
        return replies;
    case CMD_DEFAULTS: {
        if (payload.size() != 1)
            break;
        const std::uint8_t what = at(payload, 0);
        const QByteArray done = reply(RPL_DEFAULTS_DONE, bytes({what}));
        if (what == DEFAULTS_RADIO) {
            m_config.Radio = Factory::radio(m_factoryRadioNumber);
            m_civSearching = false;
            followRadioNumber();
        } else if (what == DEFAULTS_ANTENNAS) {
            m_config.Antennas = Factory::antennas();
        } else if (what == DEFAULTS_LIMITS) {
            m_config.LimitsKHz = Factory::limitsKHz();
        } else {
            break;
        }
        markChanged();
        replies.append(done);
        return replies;
    }
    default:
        break;
    }
    understood = false;
    return {};
}

void TDecoderModel::storeRadio(const QByteArray& record)
{
    for (int i = 0; i < RADIO_RECORD_SIZE; ++i)
        m_config.Radio[i] = at(record, i);
    // A new setup restarts any CI-V search under way.
    m_civSearching = false;
    followRadioNumber();
    markChanged();
}

void TDecoderModel::followRadioNumber()
{
    const int number = m_config.Radio[RR_NUMBER];
    if (number >= MIN_RADIO_NUMBER && number <= MAX_RADIO_NUMBER)
        m_address = static_cast<std::uint8_t>(ADDRESS_BASE + number);
}

void TDecoderModel::markChanged()
{
    m_changed = true;
}

QList<QByteArray> TDecoderModel::liveStep()
{
    QList<QByteArray> frames;
    if (!m_pinged || m_idleSteps >= IdleSteps)
        return frames;
    ++m_idleSteps;

    const int bandIndex = (m_walkStep / WalkStepsPerBand) % BAND_COUNT;
    const int frequency = WalkStartKHz[bandIndex] + (m_walkStep % WalkStepsPerBand) * WalkStepKHz;
    m_walkStep = (m_walkStep + 1) % (BAND_COUNT * WalkStepsPerBand);
    QByteArray band(BAND_DATA_MIN_SIZE, '\0');
    band[BAND_DATA_BAND] = static_cast<char>(bandIndex + 1);
    band[BAND_DATA_FREQ_HIGH] = static_cast<char>(frequency >> 8);
    band[BAND_DATA_FREQ_LOW] = static_cast<char>(frequency & 0xFF);
    frames.append(reply(RPL_BAND_DATA, band));

    const bool wantsCiv = m_config.Radio[RR_TYPE] == ICOM_TYPE && m_config.Radio[RR_CIV] == CIV_AUTO_DETECT;
    if (!wantsCiv) {
        m_civSearching = false;
    } else if (!m_civSearching) {
        m_civSearching = true;
        m_civStepsLeft = CivSearchSteps;
        frames.append(reply(RPL_CIV_SEARCH));
    } else if (--m_civStepsLeft <= 0) {
        m_civSearching = false;
        m_config.Radio[RR_CIV] = CivFoundAddress;
        markChanged();
        frames.append(reply(RPL_CIV_FOUND, bytes({CivFoundAddress})));
    }
    return frames;
}
