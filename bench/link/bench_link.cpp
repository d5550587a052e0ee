// The device link's hot path: received value lines per second through the line buffer and the
// classifier on one core, and records per second from a loopback peer to dataAvailable through
// the real worker thread and adaptor.
#include "linebuffer.h"
#include "lineformat.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
// A mix as a processor sends it while a screen is open: meter polls, subscribed values with
// units, node values; names with blanks; about 80 bytes a line.
QByteArray trafficMix(int lines)
{
    const char *const templates[] = {
        "asyncget \"\\\\Preset\\Output Level Meters\\SV\\Channel_%1_Peak_Level\\%\" \"-%2.5dBFS\"",
        "subr \"\\\\Preset\\Mid Outputs Parametric EQ\\SV\\Band_%1_Center_Frequency\" \"1.%2kHz\"",
        "subr \"\\\\Preset\\Input Graphic Equalizer Left\\SV\\Band_%1_Gain_Level\" \"-3.%2dB\"",
        "setr \"\\\\Preset\\High Outputs Limiter Channel A\\SV\\Threshold_Level_%1\" \"12.%2dBu\"",
        "subr \"\\\\Node\\Wizard\\SV\\WizardGenericAmplifierLevel_%1\\Min\" \"-2%2.0dB\"",
        "get \"\\\\Preset\\Low Outputs Alignment Delay\\SV\\Delay_Time_Output_Channel_%1\" \"0.%2ms\"",
        "subr \"\\\\Preset\\Crossover\\SV\\Band_%1_HighPass_Corner_Frequency\" \"12%2.0Hz\"",
        "asyncget \"\\\\Preset\\Real Time Analyzer Input Left\\SV\\Band_%1_Level\\%\" \"%2.0\"",
    };
    QByteArray out;
    for (int i = 0; i < lines; ++i) {
        const QString line = QString::fromLatin1(templates[i % 8]).arg(i % 31 + 1).arg(i % 97);
        out += line.toUtf8();
        out += (i % 5 == 0) ? "\r\n" : "\n";
    }
    return out;
}

constexpr int kLines = 10000;

void BM_ClassifyParse(benchmark::State &state)
{
    const QByteArray stream = trafficMix(kLines);
    constexpr int kChunk = 16 * 1024;
    qint64 values = 0;
    for (auto _ : state) {
        tarn::protocol::LineBuffer buffer;
        tarn::protocol::LineClassifier classifier;
        for (int offset = 0; offset < stream.size(); offset += kChunk) {
            buffer.append(stream.constData() + offset, qMin(kChunk, stream.size() - offset));
            while (buffer.next() == tarn::protocol::LineBuffer::Result::Line) {
                const QString line = QString::fromUtf8(buffer.lineData(), buffer.lineSize());
                if (classifier.classify(line) == tarn::protocol::LineClassifier::Kind::Value)
                    ++values;
                benchmark::DoNotOptimize(classifier.record());
            }
        }
    }
    if (values != qint64(state.iterations()) * kLines)
        state.SkipWithError("not every line parsed as a value line");
    state.SetItemsProcessed(state.iterations() * kLines);
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.counters["bytes_per_line"] = double(stream.size()) / kLines;
}
BENCHMARK(BM_ClassifyParse)->Unit(benchmark::kMillisecond);

// The classifier alone on lines already decoded.
void BM_ClassifyOnly(benchmark::State &state)
{
    const QList<QByteArray> raw = trafficMix(kLines).split('\n');
    QStringList lines;
    for (const QByteArray &line : raw) {
        if (!line.isEmpty())
            lines.append(QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line));
    }
    tarn::protocol::LineClassifier classifier;
    for (auto _ : state) {
        for (const QString &line : qAsConst(lines)) {
            classifier.classify(line);
            benchmark::DoNotOptimize(classifier.record());
        }
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
}
BENCHMARK(BM_ClassifyOnly)->Unit(benchmark::kMillisecond);

// A peer on the main thread that logs the link in and then sends bursts of value lines.
class LoopbackPeer {
public:
    LoopbackPeer()
    {
        m_server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this]() {
            m_socket = m_server.nextPendingConnection();
            m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(m_socket, &QTcpSocket::readyRead, m_socket, [this]() {
                while (m_socket->canReadLine()) {
                    if (m_socket->readLine().startsWith("connect administrator"))
                        m_socket->write("connect logged in as administrator\n");
                }
            });
            m_socket->write("Corvex Console\n");
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void send(const QByteArray &bytes) { m_socket->write(bytes); }

private:
    QTcpServer m_server;
    QTcpSocket *m_socket = nullptr;
};

bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(timeoutMs);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&]() {
        if (done())
            loop.quit();
    });
    poll.start(0);
    loop.exec();
    return done();
}

void BM_EndToEnd(benchmark::State &state)
{
    LoopbackPeer peer;
    qputenv("TARN_DEVICE_PORT", QByteArray::number(peer.port()));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    qint64 received = 0;
    const QMetaObject::Connection counter =
        QObject::connect(adaptor, &TCPAdaptor::dataAvailable, [&received](const DataFromDevice &) { ++received; });
    adaptor->doConnect();
    if (!runUntil([adaptor]() { return adaptor->isReady(); }, 5000)) {
        state.SkipWithError("no login");
        return;
    }
    const int burst = int(state.range(0));
    const QByteArray lines = trafficMix(burst);
    for (auto _ : state) {
        const qint64 target = received + burst;
        peer.send(lines);
        if (!runUntil([&]() { return received >= target; }, 30000)) {
            state.SkipWithError("records missing");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * burst);
    QObject::disconnect(counter);
    adaptor->doDisconnect();
    runUntil([adaptor]() { return !adaptor->isConnected(); }, 5000);
}
BENCHMARK(BM_EndToEnd)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

int main(int argc, char **argv)
{
    // Settings written by the end-to-end case go to a folder of this run, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.link.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    TCPAdaptor::destroyInstance();
    return 0;
}
