#pragma once
// Command line of the decoder emulator.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

struct TEmulatorOptions
{
    static constexpr int DefaultRate = 19200;
    static constexpr int DefaultRadio = 1;
    static constexpr const char* DefaultFirmware = "1.07";
    static constexpr int MaxFirmwareLength = 32;
    static constexpr int MaxDelayMs = 60000;

    int Rate = DefaultRate;
    int Radio = DefaultRadio;
    QByteArray Firmware = DefaultFirmware;
    QString LinkPath;
    QString StatePath;
    bool QuietLive = false;
    bool Trace = false;
    int DelayMs = 0;
    int DropPercent = 0;
    int GarblePercent = 0;
    std::optional<std::uint32_t> Seed;
    bool Split = false;
    std::optional<double> SilentAfterSeconds;
    std::optional<double> HangupAfterSeconds;
    bool Help = false;
};

struct TOptionsResult
{
    TEmulatorOptions Options;
    // Empty when the command line is good.
    QString Error;
};

// Arguments without the program name. Takes "--name value" and "--name=value".
TOptionsResult ParseEmulatorOptions(const QStringList& arguments);

QString EmulatorUsage();

// Exit code for a bad command line or an unusable state file.
constexpr int ExitUsage = 2;
