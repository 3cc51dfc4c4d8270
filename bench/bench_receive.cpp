// Receive path of the device link: bytes in from the port, packets out to a trivial handler,
// through ReceiveData, the ring, the line buffer and ParseLine.

#include "link/DeviceLink.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr qsizetype StreamSize = 1 << 20;

// Hands out a prepared byte stream in reads of at most readSize bytes, as a driver does.
class StreamPort : public TSerialPort
{
public:
    void setPortName(const QString&) override {}
    bool setBaudRate(qint32) override { return true; }
    bool open() override { return m_open = true; }
    bool close() override
    {
        m_open = false;
        return true;
    }
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray& data) override { return data.size(); }
    qint64 bytesAvailable() const override
    {
        return std::min<qint64>(readSize, m_stream.size() - m_position);
    }
    QByteArray read(qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, bytesAvailable());
        QByteArray chunk = m_stream.mid(m_position, count);
        m_position += count;
        return chunk;
    }
    QString errorString() const override { return {}; }

    void load(const QByteArray& stream)
    {
        m_stream = stream;
        m_position = 0;
    }
    bool exhausted() const { return m_position >= m_stream.size(); }

    qint64 readSize = 4096;

private:
    bool m_open = false;
    QByteArray m_stream;
    qint64 m_position = 0;
};

class NoPorts : public TPortLister
{
public:
    QStringList portNames() override { return {}; }
};

// What a decoder sends while a radio is tuned: mostly band data, pings answered every 2.3 s, and
// the configuration read after connecting; lines end in CR LF.
QByteArray realisticStream(int& framesInStream)
{
    const QByteArray bandData = "[T13R0151H00M0705000037B4]\r\n";
    const QByteArray ping = "[T87R0151H00M03]\r\n";
    const QByteArray radio = "[TA8R0151H00M03010205940100010304]\r\n";
    const QByteArray limit = "[TAAR0151H00M0737B4]\r\n";
    const QByteArray antennas = "[TA2R0151H00M010203040506070801020304]\r\n";
    const QByteArrayList mix = {bandData, bandData, ping, bandData, radio, bandData, limit, antennas};

    QByteArray stream;
    framesInStream = 0;
    while (stream.size() < StreamSize) {
        for (const QByteArray& frame : mix) {
            stream += frame;
            ++framesInStream;
        }
    }
    return stream;
}

void BM_ReceivePath(benchmark::State& state)
{
    auto serial = std::make_unique<StreamPort>();
    StreamPort& port = *serial;
    port.readSize = state.range(0);
    TComm comm(std::move(serial), std::make_unique<NoPorts>());
    comm.SetTimerEnabled(false);
    comm.OpenPort(QStringLiteral("bench"));

    qint64 packets = 0;
    qint64 payloadBytes = 0;
    comm.OnPacket = [&] {
        const TNetPacket packet = comm.GetPacket();
        ++packets;
        payloadBytes += packet.Payload.size();
    };

    int framesInStream = 0;
    const QByteArray stream = realisticStream(framesInStream);
    for (auto _ : state) {
        port.load(stream);
        while (!port.exhausted())
            comm.ReceiveData();
        benchmark::DoNotOptimize(payloadBytes);
    }

    if (packets != qint64(framesInStream) * state.iterations())
        state.SkipWithError("packets lost or invented");
    state.SetBytesProcessed(qint64(stream.size()) * state.iterations());
    state.SetItemsProcessed(packets);
}

} // namespace

// Reads of a pseudo-terminal (up to 4 KiB) and of a serial driver delivering small bursts.
BENCHMARK(BM_ReceivePath)->Arg(4096)->Arg(64);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
