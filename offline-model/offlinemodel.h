#pragma once

#include "catalogue.h"
#include "faultplan.h"
#include "modeloptions.h"
#include "statusrecorder.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QTemporaryDir;

namespace tarn::offline {
class ControlServer;
class PresetFiles;
class DeviceState;
class DiscoveryResponder;
class EqBehaviour;
class WizardEngine;
class QuarraModel;

// The whole simulator: catalogue, state, control port, discovery, file service, status.
class OfflineModel : public QObject {
    Q_OBJECT
public:
    enum ExitCode { Ok = 0, BadSetup = 2, CannotBind = 3 };

    explicit OfflineModel(const ModelOptions &options, QObject *parent = nullptr);
    ~OfflineModel() override;

    ExitCode start(QString *message);
    void stop();

    quint16 controlPort() const;
    quint16 ftpPort() const { return m_ftpPort; } // 0 when the FTP service could not start
    DeviceState *state() const { return m_state.get(); }

private:
    bool loadCatalogue(QString *message);
    void loadPresetStore();
    void savePresetStore();
    QString presetStorePath() const;

    ModelOptions m_options;
    Catalogue m_catalogue;
    FaultPlan m_faults;
    StatusRecorder m_status;
    std::unique_ptr<DeviceState> m_state;
    std::unique_ptr<EqBehaviour> m_eq;
    std::unique_ptr<WizardEngine> m_wizard;
    std::unique_ptr<QuarraModel> m_quarra; // the configurable model's chain and commands
    std::unique_ptr<ControlServer> m_server;
    std::unique_ptr<DiscoveryResponder> m_discovery;
    QObject *m_fileService = nullptr;
    std::unique_ptr<PresetFiles> m_presetFiles;
    std::unique_ptr<QTemporaryDir> m_scratchFtpRoot; // the FTP root when none was given
    quint16 m_ftpPort = 0;
    QTimer m_meterTimer;
    QTimer m_saveTimer;
};
} // namespace tarn::offline
