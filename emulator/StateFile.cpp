#include "emulator/StateFile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <set>

namespace {

constexpr const char* Heading = "# tolvane-emulator state\n";
constexpr const char* RadioKey = "radio";
constexpr const char* AntennasKey = "antennas";
constexpr const char* LimitsKey = "limits";
constexpr int Hex = 16;
constexpr int Decimal = 10;
// A state file is three short lines; anything much larger is not one.
constexpr qint64 MaxStateFileSize = 64 * 1024;

template <typename T, std::size_t N>
bool readNumbers(const QList<QByteArray>& fields, int base, int max, std::array<T, N>& out)
{
    if (fields.size() != static_cast<int>(N) + 1)
        return false;
    for (std::size_t i = 0; i < N; ++i) {
        bool ok = false;
        const int value = fields[static_cast<int>(i) + 1].toInt(&ok, base);
        if (!ok || value < 0 || value > max)
            return false;
        out[i] = static_cast<T>(value);
    }
    return true;
}

template <typename T, std::size_t N>
QByteArray writeNumbers(const char* key, int base, int width, const std::array<T, N>& values)
{
    QByteArray line(key);
    for (T value : values)
        line += ' ' + QByteArray::number(value, base).toUpper().rightJustified(width, '0');
    return line + '\n';
}

} // namespace

QByteArray FormatState(const TDecoderConfig& config)
{
    return QByteArray(Heading) + writeNumbers(RadioKey, Hex, 2, config.Radio) +
           writeNumbers(AntennasKey, Decimal, 1, config.Antennas) +
           writeNumbers(LimitsKey, Decimal, 1, config.LimitsKHz);
}

TDecoderConfig ParseState(const QByteArray& text, const TDecoderConfig& defaults, QString& error)
{
    TDecoderConfig config = defaults;
    std::set<QByteArray> seen;
    const QList<QByteArray> lines = text.split('\n');
    for (int number = 1; number <= lines.size(); ++number) {
        const QByteArray line = lines[number - 1].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        const QByteArray& key = fields[0];
        auto fail = [&](const QString& why) {
            error = QStringLiteral("line %1: %2").arg(number).arg(why);
            return defaults;
        };
        if (!seen.insert(key).second)
            return fail(QStringLiteral("\"%1\" given twice").arg(QString::fromLatin1(key)));
        if (key == RadioKey) {
            if (!readNumbers(fields, Hex, UINT8_MAX, config.Radio))
                return fail(
                    QStringLiteral("radio needs %1 hex bytes (00 to FF)").arg(Catalogue::RADIO_RECORD_SIZE));
        } else if (key == AntennasKey) {
            if (!readNumbers(fields, Decimal, UINT8_MAX, config.Antennas))
                return fail(
                    QStringLiteral("antennas needs %1 numbers from 0 to 255").arg(Catalogue::BAND_COUNT));
        } else if (key == LimitsKey) {
            if (!readNumbers(fields, Decimal, Catalogue::MAX_LIMIT_KHZ, config.LimitsKHz))
                return fail(QStringLiteral("limits needs %1 numbers from 0 to %2 (kHz)")
                                .arg(Catalogue::BAND_COUNT)
                                .arg(Catalogue::MAX_LIMIT_KHZ));
        } else {
            return fail(QStringLiteral("unknown entry \"%1\"").arg(QString::fromLatin1(key.left(40))));
        }
    }
    error.clear();
    return config;
}

TStateLoadResult LoadStateFile(const QString& path, const TDecoderConfig& defaults)
{
    TStateLoadResult result;
    result.Config = defaults;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        result.Status = TStateLoad::Missing;
        return result;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        result.Error =
            QStringLiteral("cannot read state file %1: %2")
                .arg(path, info.isDir() ? QStringLiteral("it is a directory") : file.errorString());
        return result;
    }
    const QByteArray text = file.read(MaxStateFileSize + 1);
    if (text.size() > MaxStateFileSize) {
        result.Error = QStringLiteral("state file %1 is too large to be one").arg(path);
        return result;
    }
    QString error;
    result.Config = ParseState(text, defaults, error);
    if (!error.isEmpty()) {
        result.Error = QStringLiteral("bad state file %1, %2").arg(path, error);
        return result;
    }
    result.Status = TStateLoad::Loaded;
    return result;
}

QString SaveStateFile(const QString& path, const TDecoderConfig& config)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write state file %1: %2").arg(path, file.errorString());
    file.write(FormatState(config));
    if (!file.commit())
        return QStringLiteral("cannot write state file %1: %2").arg(path, file.errorString());
    return {};
}
