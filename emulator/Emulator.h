#pragma once
// The emulator's main loop: bytes from the tool become request lines for the decoder model, its
// replies and live traffic go back through a queue that applies the fault options.

#include "emulator/DecoderModel.h"
#include "emulator/EmulatorOptions.h"
#include "emulator/PtyDevice.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <deque>
#include <random>

class TEmulator
{
public:
    using TClock = std::chrono::steady_clock;

    // Far above the longest request (write antennas, 33 characters): a longer line is noise.
    static constexpr int MaxRequestLine = 256;
    // Frames are dropped rather than queued once this much waits for the tool to read.
    static constexpr qint64 MaxPendingBytes = 64 * 1024;
    static constexpr int SplitGapMs = 1;

    TEmulator(const TEmulatorOptions& options, TDecoderModel& model, TPtyDevice& pty);

    // Runs until a stop signal, the end of standard input (stdinFd, -1 when it is not watched) or
    // the hang-up fault. Returns the exit code.
    int run(int stdinFd);

    // Blocks SIGINT, SIGTERM and SIGHUP outside the loop's wait, so a stop request is never lost
    // between a check and the wait.
    static void installStopSignals();

private:
    struct TOutgoing
    {
        TClock::time_point Due;
        QByteArray Bytes;
        std::uint8_t Command = 0;
        int Offset = 0;
    };

    void receive(const QByteArray& bytes, TClock::time_point now);
    void handleLine(const QByteArray& line, TClock::time_point now);
    void queueFrames(const QList<QByteArray>& frames, TClock::time_point due);
    // Hands the frames that are due to the terminal; returns false on a write error.
    bool sendDue(TClock::time_point now);
    bool chance(int percent);
    void saveIfChanged();
    void trace(const QByteArray& line) const;

    const TEmulatorOptions& m_options;
    TDecoderModel& m_model;
    TPtyDevice& m_pty;
    std::mt19937 m_random;
    std::deque<TOutgoing> m_queue;
    QByteArray m_line;
    bool m_lineOverflow = false;
    bool m_silent = false;
};

// The whole program: options, state file, pseudo-terminal, loop. Returns the exit code.
int EmulatorMain(int argc, char* argv[]);
