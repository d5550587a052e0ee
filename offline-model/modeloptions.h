#pragma once

#include "faultplan.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace tarn::offline {
struct ModelOptions {
    QHostAddress bind = QHostAddress::LocalHost;
    quint16 port = 0;
    QString password = QStringLiteral("stagemanagers");
    QString model = QStringLiteral("tarn"); // "tarn" (fixed chain) or "quarra" (configurable)
    bool emptyConfig = false;               // quarra: start without a configuration
    QString cataloguePath; // empty: the catalogue built into the program
    QString className;
    QString instanceName;
    QString softwareVersion;
    QString hardwareVersion;
    quint64 seed = 1;
    int meterIntervalMs = 100;
    int recallMs = 400;
    QString stateDir;
    int maxLineBytes = 64 * 1024;
    qint64 maxBacklogBytes = 16ll * 1024 * 1024;
    qint64 maxFirmwareBytes = 512ll * 1024 * 1024;
    quint16 ftpPort = 19221;
    QString ftpRoot;
    QString logFile;
    bool verbose = false;
    FaultPlan faults;
};

enum class ParseOutcome { Run, Help, Version, Error };

// Reads the command line (argv[0] first). The port defaults to TARN_DEVICE_PORT, else 19272.
ParseOutcome parseOptions(const QStringList &arguments, ModelOptions *options, QString *message);
QString helpText();
} // namespace tarn::offline
