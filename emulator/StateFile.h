#pragma once
// The emulated decoder's configuration as a small text file that a person can read and edit:
//
//     # tolvane-emulator state
//     radio 03 01 01 04 00 00 00 00 01 00     the 10-byte radio record, hex
//     antennas 1 2 2 3 4 4 5 5 6 6 7 8        antenna per band, band order
//     limits 2000 4000 ... 54000               upper limit per band in kHz, band order
//
// A line left out keeps the factory values of that part; "#" starts a comment line.

#include "emulator/DecoderModel.h"

#include <QByteArray>
#include <QString>

enum class TStateLoad
{
    Loaded,
    Missing, // no such file yet: a first run
    Failed
};

struct TStateLoadResult
{
    TStateLoad Status = TStateLoad::Failed;
    TDecoderConfig Config;
    QString Error;
};

QByteArray FormatState(const TDecoderConfig& config);
// Lines missing from the text keep the values of defaults. Error is set when the text is bad.
TDecoderConfig ParseState(const QByteArray& text, const TDecoderConfig& defaults, QString& error);

TStateLoadResult LoadStateFile(const QString& path, const TDecoderConfig& defaults);
// Replaces the file as a whole, so a crash never leaves half a file. Returns an error text, empty
// on success.
QString SaveStateFile(const QString& path, const TDecoderConfig& config);
