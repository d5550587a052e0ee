#include "modeloptions.h"

#include "lineformat.h"

#include <QCommandLineParser>

namespace tarn::offline {
namespace {
struct Option {
    QStringList names;
    QString description;
    QString valueName; // empty: a switch
};

const QList<Option> &optionTable()
{
    static const QList<Option> table = {
        {{QStringLiteral("port")}, QStringLiteral("TCP control and UDP discovery port (default: TARN_DEVICE_PORT, else 19272; 0 lets the kernel choose)."), QStringLiteral("port")},
        {{QStringLiteral("bind")}, QStringLiteral("Address to listen on (default 127.0.0.1). Discovery answers leave from it."), QStringLiteral("address")},
        {{QStringLiteral("password")}, QStringLiteral("Administrator password (default \"stagemanagers\")."), QStringLiteral("text")},
        {{QStringLiteral("model")}, QStringLiteral("Processor model: tarn (fixed chain, the default) or quarra (configurable chain)."), QStringLiteral("name")},
        {{QStringLiteral("empty-config")}, QStringLiteral("quarra: start as a processor that carries no configuration."), QString()},
        {{QStringLiteral("catalogue")}, QStringLiteral("Device catalogue JSON to load instead of the built-in one."), QStringLiteral("file")},
        {{QStringLiteral("class-name")}, QStringLiteral("Node class name to report (default from the catalogue: norvCadenzoTarn)."), QStringLiteral("name")},
        {{QStringLiteral("instance-name")}, QStringLiteral("Node instance name to report."), QStringLiteral("name")},
        {{QStringLiteral("software-version")}, QStringLiteral("Software version to report."), QStringLiteral("version")},
        {{QStringLiteral("hardware-version")}, QStringLiteral("Hardware variant: Standard, Parvane or Dante."), QStringLiteral("variant")},
        {{QStringLiteral("seed")}, QStringLiteral("Seed of the meter movement (default 1); equal seeds move alike."), QStringLiteral("n")},
        {{QStringLiteral("meter-interval")}, QStringLiteral("Milliseconds between meter updates (default 100; 0 freezes them until \"model tick\")."), QStringLiteral("ms")},
        {{QStringLiteral("recall-ms")}, QStringLiteral("How long a preset takes to load (default 400)."), QStringLiteral("ms")},
        {{QStringLiteral("state-dir")}, QStringLiteral("Folder for status.json, presets.json and received firmware images."), QStringLiteral("dir")},
        {{QStringLiteral("max-line")}, QStringLiteral("Longest accepted request line in bytes (default 65536)."), QStringLiteral("bytes")},
        {{QStringLiteral("max-backlog")}, QStringLiteral("Unread output in bytes after which a control client is cut off (default 16777216)."), QStringLiteral("bytes")},
        {{QStringLiteral("max-firmware")}, QStringLiteral("Largest accepted firmware image in bytes (default 536870912)."), QStringLiteral("bytes")},
        {{QStringLiteral("ftp-port")}, QStringLiteral("Port of the FTP service for /presets, /SpeakerTunings, /AmplifierData (default 19221)."), QStringLiteral("port")},
        {{QStringLiteral("ftp-root")}, QStringLiteral("Root folder of the FTP service (default <state-dir>/ftp)."), QStringLiteral("dir")},
        {{QStringLiteral("log")}, QStringLiteral("Write the log to this file instead of standard error."), QStringLiteral("file")},
        {{QStringLiteral("verbose")}, QStringLiteral("Log every line received and sent."), QString()},
        {{QStringLiteral("fault-no-greeting")}, QStringLiteral("Fault: accept connections but never greet or answer."), QString()},
        {{QStringLiteral("fault-refuse-login")}, QStringLiteral("Fault: refuse every password."), QString()},
        {{QStringLiteral("fault-drop-after")}, QStringLiteral("Fault: reset each control connection when its Nth line arrives (unanswered)."), QStringLiteral("n")},
        {{QStringLiteral("fault-stall-after")}, QStringLiteral("Fault: after its Nth line a connection goes silent (lines read, never answered, nothing pushed)."), QStringLiteral("n")},
        {{QStringLiteral("fault-garbage")}, QStringLiteral("Fault: send a malformed line before every line after the greeting."), QString()},
        {{QStringLiteral("fault-oversize")}, QStringLiteral("Fault: send one line of this many bytes right after the greeting."), QStringLiteral("bytes")},
        {{QStringLiteral("fault-slow")}, QStringLiteral("Fault: slow link; each line leaves MS after the previous one, in two halves."), QStringLiteral("ms")},
        {{QStringLiteral("fault-no-discovery")}, QStringLiteral("Fault: leave discovery queries unanswered."), QString()},
        {{QStringLiteral("fault-ftp-cut-after")}, QStringLiteral("Fault: cut every FTP data transfer after this many bytes."), QStringLiteral("bytes")},
    };
    return table;
}

const char kEpilog[] = R"(
Models: --model tarn serves the fixed chain; --model quarra the configurable one, whose chain
is built from a builder config (the template library's default, the one kept in the state
folder, or none with --empty-config) and changed by the raw "Reconfig" command line.

Protocol: greeting "Corvex Console"; connect administrator "<password>"; then sub, unsub, get,
asyncget, set, lc, ls on \\Preset\<PO>\SV\<SV>, \\Preset\Crossover\AT\NumBands|MonoSub,
\\Storage\Presets\SV\<SV> and \\Node\... paths ("\%" asks for percent of the range, "\Min" and
"\Max" for the limits). A connection whose first line is  write "file\<name>" <n>  is answered
"writer OK", then takes exactly n bytes; size and SHA-256 go to status.json and "model status".

Runtime control (only from 127.0.0.1 / ::1, on any control connection, also before login):
  model fault no-greeting|refuse-login|garbage|no-discovery on|off
  model fault drop-after|stall-after|oversize|slow|ftp-cut-after <n>|off
  model fault clear
  model status          -> model status {json: counters, faults, firmware uploads, ports}
  model tick [n]        -> advance the meters n steps (deterministic with --seed)
  model drop-all        -> reset every other control connection
Faults set on the command line hold from the start; "model fault" changes them for new lines
and connections (no-greeting, oversize and drop-after act when a connection starts or counts).

Exit status: 0 after SIGINT/SIGTERM, 2 for bad options or a catalogue that does not load,
3 when a port cannot be bound. When listening, one line goes to standard output:
  tarn-offline-model ready tcp=<port> udp=<port> ftp=<port, 0 without FTP> bind=<address>
)";

bool readNumber(const QCommandLineParser &p, const QString &name, qint64 min, qint64 max, qint64 *out, QString *message)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const qint64 v = p.value(name).toLongLong(&ok);
    if (!ok || v < min || v > max) {
        *message = QStringLiteral("--%1 wants a whole number in %2..%3").arg(name).arg(min).arg(max);
        return false;
    }
    *out = v;
    return true;
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Tarn offline model: a processor simulator on the local host."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const Option &o : optionTable()) {
        if (o.valueName.isEmpty())
            parser.addOption(QCommandLineOption(o.names, o.description));
        else
            parser.addOption(QCommandLineOption(o.names, o.description, o.valueName));
    }
}
} // namespace

QString helpText()
{
    QCommandLineParser parser;
    addOptions(parser);
    return parser.helpText() + QLatin1String(kEpilog);
}

ParseOutcome parseOptions(const QStringList &arguments, ModelOptions *o, QString *message)
{
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return ParseOutcome::Error;
    }
    if (parser.isSet(QStringLiteral("help")))
        return ParseOutcome::Help;
    if (parser.isSet(QStringLiteral("version")))
        return ParseOutcome::Version;
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return ParseOutcome::Error;
    }

    qint64 n = tarn::protocol::devicePort();
    if (!readNumber(parser, QStringLiteral("port"), 0, 65535, &n, message))
        return ParseOutcome::Error;
    o->port = quint16(n);
    if (parser.isSet(QStringLiteral("bind")) && !o->bind.setAddress(parser.value(QStringLiteral("bind")))) {
        *message = QStringLiteral("--bind wants an IP address");
        return ParseOutcome::Error;
    }
    if (parser.isSet(QStringLiteral("password")))
        o->password = parser.value(QStringLiteral("password"));
    if (parser.isSet(QStringLiteral("model")))
        o->model = parser.value(QStringLiteral("model")).toLower();
    if (o->model != QLatin1String("tarn") && o->model != QLatin1String("quarra")) {
        *message = QStringLiteral("--model is tarn or quarra");
        return ParseOutcome::Error;
    }
    o->emptyConfig = parser.isSet(QStringLiteral("empty-config"));
    o->cataloguePath = parser.value(QStringLiteral("catalogue"));
    o->className = parser.value(QStringLiteral("class-name"));
    o->instanceName = parser.value(QStringLiteral("instance-name"));
    o->softwareVersion = parser.value(QStringLiteral("software-version"));
    o->hardwareVersion = parser.value(QStringLiteral("hardware-version"));
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        o->seed = parser.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok) {
            *message = QStringLiteral("--seed wants a whole number");
            return ParseOutcome::Error;
        }
    }
    n = o->meterIntervalMs;
    if (!readNumber(parser, QStringLiteral("meter-interval"), 0, 60000, &n, message))
        return ParseOutcome::Error;
    o->meterIntervalMs = int(n);
    n = o->recallMs;
    if (!readNumber(parser, QStringLiteral("recall-ms"), 0, 60000, &n, message))
        return ParseOutcome::Error;
    o->recallMs = int(n);
    o->stateDir = parser.value(QStringLiteral("state-dir"));
    n = o->maxLineBytes;
    if (!readNumber(parser, QStringLiteral("max-line"), 256, 16 * 1024 * 1024, &n, message))
        return ParseOutcome::Error;
    o->maxLineBytes = int(n);
    if (!readNumber(parser, QStringLiteral("max-backlog"), 4096, 1ll << 30, &o->maxBacklogBytes, message))
        return ParseOutcome::Error;
    if (!readNumber(parser, QStringLiteral("max-firmware"), 1, 4ll * 1024 * 1024 * 1024, &o->maxFirmwareBytes, message))
        return ParseOutcome::Error;
    n = o->ftpPort;
    if (!readNumber(parser, QStringLiteral("ftp-port"), 0, 65535, &n, message))
        return ParseOutcome::Error;
    o->ftpPort = quint16(n);
    o->ftpRoot = parser.value(QStringLiteral("ftp-root"));
    o->logFile = parser.value(QStringLiteral("log"));
    o->verbose = parser.isSet(QStringLiteral("verbose"));

    FaultPlan &f = o->faults;
    f.noGreeting = parser.isSet(QStringLiteral("fault-no-greeting"));
    f.refuseLogin = parser.isSet(QStringLiteral("fault-refuse-login"));
    f.garbage = parser.isSet(QStringLiteral("fault-garbage"));
    f.noDiscovery = parser.isSet(QStringLiteral("fault-no-discovery"));
    n = 0;
    if (!readNumber(parser, QStringLiteral("fault-drop-after"), 1, 1 << 30, &n, message))
        return ParseOutcome::Error;
    f.dropAfter = int(n);
    n = -1;
    if (!readNumber(parser, QStringLiteral("fault-stall-after"), 0, 1 << 30, &n, message))
        return ParseOutcome::Error;
    f.stallAfter = int(n);
    if (!readNumber(parser, QStringLiteral("fault-oversize"), 1, FaultPlan::kMaxOversize, &f.oversize, message))
        return ParseOutcome::Error;
    n = 0;
    if (!readNumber(parser, QStringLiteral("fault-slow"), 1, 60000, &n, message))
        return ParseOutcome::Error;
    f.slowMs = int(n);
    if (!readNumber(parser, QStringLiteral("fault-ftp-cut-after"), 1, 1ll << 40, &f.ftpCutAfter, message))
        return ParseOutcome::Error;
    return ParseOutcome::Run;
}
} // namespace tarn::offline
