#include "emulator/EmulatorOptions.h"

#include "emulator/DecoderModel.h"
#include "main_window/MessageCatalogue.h"

#include <chrono>
#include <climits>
#include <cmath>

namespace {

constexpr int MaxPercent = 100;
// A day; longer would only hide a typing mistake.
constexpr double MaxSeconds = 86400.0;

bool isValidRate(int rate)
{
    for (const char* name : Catalogue::RadioRateNames) {
        if (QByteArray(name).toInt() == rate)
            return true;
    }
    return false;
}

QString rateList()
{
    QStringList names;
    for (const char* name : Catalogue::RadioRateNames)
        names << QString::fromLatin1(name);
    return names.join(QLatin1String(", "));
}

std::optional<int> parseInt(const QString& text, int min, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0.0 || value > MaxSeconds)
        return std::nullopt;
    return value;
}

bool isPrintable(const QByteArray& text)
{
    for (char c : text) {
        if (c < ' ' || c > '~')
            return false;
    }
    return true;
}

} // namespace

TOptionsResult ParseEmulatorOptions(const QStringList& arguments)
{
    TOptionsResult result;
    TEmulatorOptions& o = result.Options;
    auto fail = [&result](const QString& message) {
        result.Error = message;
        return result;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        std::optional<QString> inlineValue;
        const int equals = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && equals > 0) {
            inlineValue = name.mid(equals + 1);
            name = name.left(equals);
        }
        auto flag = [&]() {
            if (inlineValue)
                result.Error = QStringLiteral("%1 takes no value").arg(name);
            return !inlineValue;
        };
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= arguments.size()) {
                result.Error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            return arguments[++i];
        };
        auto bad = [&](const QString& text, const QString& expected) {
            return fail(QStringLiteral("bad value \"%1\" for %2: expected %3").arg(text, name, expected));
        };

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            if (!flag())
                return result;
            o.Help = true;
        } else if (name == QLatin1String("--quiet-live")) {
            if (!flag())
                return result;
            o.QuietLive = true;
        } else if (name == QLatin1String("--trace")) {
            if (!flag())
                return result;
            o.Trace = true;
        } else if (name == QLatin1String("--split")) {
            if (!flag())
                return result;
            o.Split = true;
        } else if (name == QLatin1String("--rate")) {
            const auto text = value();
            if (!text)
                return result;
            const auto rate = parseInt(*text, 1, INT_MAX);
            if (!rate || !isValidRate(*rate))
                return bad(*text, QStringLiteral("one of %1").arg(rateList()));
            o.Rate = *rate;
        } else if (name == QLatin1String("--radio")) {
            const auto text = value();
            if (!text)
                return result;
            const auto radio = parseInt(*text, Catalogue::MIN_RADIO_NUMBER, Catalogue::MAX_RADIO_NUMBER);
            if (!radio)
                return bad(*text, QStringLiteral("1 to 4"));
            o.Radio = *radio;
        } else if (name == QLatin1String("--firmware")) {
            const auto text = value();
            if (!text)
                return result;
            const QByteArray firmware = text->toLatin1();
            if (firmware.isEmpty() || firmware.size() > TEmulatorOptions::MaxFirmwareLength ||
                !isPrintable(firmware) || QString::fromLatin1(firmware) != *text)
                return bad(*text, QStringLiteral("1 to %1 printable ASCII characters")
                                      .arg(TEmulatorOptions::MaxFirmwareLength));
            o.Firmware = firmware;
        } else if (name == QLatin1String("--link")) {
            const auto text = value();
            if (!text)
                return result;
            if (text->isEmpty())
                return bad(*text, QStringLiteral("a path"));
            o.LinkPath = *text;
        } else if (name == QLatin1String("--state")) {
            const auto text = value();
            if (!text)
                return result;
            if (text->isEmpty())
                return bad(*text, QStringLiteral("a file name"));
            o.StatePath = *text;
        } else if (name == QLatin1String("--delay-ms")) {
            const auto text = value();
            if (!text)
                return result;
            const auto delay = parseInt(*text, 0, TEmulatorOptions::MaxDelayMs);
            if (!delay)
                return bad(*text, QStringLiteral("0 to %1 milliseconds").arg(TEmulatorOptions::MaxDelayMs));
            o.DelayMs = *delay;
        } else if (name == QLatin1String("--drop") || name == QLatin1String("--garble")) {
            const auto text = value();
            if (!text)
                return result;
            const auto percent = parseInt(*text, 0, MaxPercent);
            if (!percent)
                return bad(*text, QStringLiteral("a percentage from 0 to 100"));
            (name == QLatin1String("--drop") ? o.DropPercent : o.GarblePercent) = *percent;
        } else if (name == QLatin1String("--seed")) {
            const auto text = value();
            if (!text)
                return result;
            bool ok = false;
            const uint seed = text->toUInt(&ok);
            if (!ok)
                return bad(*text, QStringLiteral("a whole number from 0 to 4294967295"));
            o.Seed = seed;
        } else if (name == QLatin1String("--silent-after") || name == QLatin1String("--hangup-after")) {
            const auto text = value();
            if (!text)
                return result;
            const auto seconds = parseSeconds(*text);
            if (!seconds)
                return bad(*text, QStringLiteral("seconds from 0 to 86400"));
            (name == QLatin1String("--silent-after") ? o.SilentAfterSeconds : o.HangupAfterSeconds) =
                *seconds;
        } else {
            return fail(QStringLiteral("unknown option \"%1\"").arg(arguments[i]));
        }
        if (!result.Error.isEmpty())
            return result;
    }
    return result;
}

QString EmulatorUsage()
{
    return QStringLiteral(
               "Usage: tolvane-emulator [options]\n"
               "Plays a band decoder on a pseudo-terminal. The first line on standard output is the\n"
               "terminal's path; open it as a serial port.\n"
               "\n"
               "  --rate N            link rate it answers at: %1 (default 19200)\n"
               "  --radio N           radio number 1 to 4; it answers at 50 hex + N and 50 hex (default 1)\n"
               "  --firmware TEXT     firmware version it reports (default \"1.07\")\n"
               "  --link PATH         also make a symbolic link to the terminal at PATH\n"
               "  --state FILE        load the configuration from FILE and save every change there\n"
               "  --quiet-live        no band data and no CI-V notices: only answers to requests and the\n"
               "                      firmware version after the first ping\n"
               "  --trace             one line on standard error per request heard (\"rx 07\") and frame "
               "sent\n"
               "Faults, for tests:\n"
               "  --delay-ms N        answer N milliseconds late\n"
               "  --drop PERCENT      leave out this share of the frames it sends\n"
               "  --garble PERCENT    change this share of the bytes it sends\n"
               "  --seed N            fixed seed for --drop and --garble\n"
               "  --split             write every byte on its own\n"
               "  --silent-after S    stop answering S seconds after start\n"
               "  --hangup-after S    hang up (close the terminal) S seconds after start, then exit\n"
               "  --help              this text\n"
               "\n"
               "Band data and the firmware version follow the first ping heard at the right rate; band\n"
               "data pauses while no request arrives for %2 seconds.\n"
               "It runs until it is stopped by a signal (Ctrl-C). When standard input is a pipe, it also\n"
               "stops when the pipe is closed, so it ends with the program that started it; a terminal,\n"
               "a file or /dev/null on standard input is not read.\n"
               "Exit codes: 0 stopped or hung up as asked, 1 no pseudo-terminal, 2 bad command line\n"
               "or state file.\n")
        .arg(rateList())
        .arg(std::chrono::duration_cast<std::chrono::seconds>(
                 std::chrono::milliseconds(TDecoderModel::IdleSteps * TDecoderModel::LiveStepMs))
                 .count());
}
