#include "settingssync.h"

#include "ftpport.h"
#include "offlinemodellauncher.h"
#include "platform.h"
#include "presetprovider.h"
#include "settingskeys.h"
#include "settingstransfer.h"
#include "tarnsettings.h"
#include "viewloader.h"

#include <QDebug>

namespace {
const char kModelAddress[] = "127.0.0.1";
} // namespace

SettingsSync::SettingsSync(ViewLoader *viewLoader)
    : QObject(viewLoader), m_viewLoader(viewLoader), m_model(new OfflineModelLauncher(this)),
      m_transfer(new tarn::presets::SettingsTransfer(this))
{
    m_model->setPrivateInstance(true);
    connect(viewLoader, &ViewLoader::receiveDB, this, &SettingsSync::receive);
    connect(viewLoader, &ViewLoader::sendDB, this, &SettingsSync::send);
    connect(m_model, &OfflineModelLauncher::started, this, &SettingsSync::onModelStarted);
    connect(m_model, &OfflineModelLauncher::stopped, this, &SettingsSync::onModelStopped);
    connect(m_model, &OfflineModelLauncher::failed, this, [this](const QString &reason) {
        if (m_stage == Stage::Starting)
            end(reason);
    });
    connect(m_transfer, &tarn::presets::SettingsTransfer::progress, m_viewLoader, &ViewLoader::syncProgress);
    connect(m_transfer, &tarn::presets::SettingsTransfer::finished, this, [this]() { onTransferEnded(QString()); });
    connect(m_transfer, &tarn::presets::SettingsTransfer::failed, this, &SettingsSync::onTransferEnded);
}

SettingsSync::~SettingsSync()
{
    disconnect(m_model, nullptr, this, nullptr);
    disconnect(m_transfer, nullptr, this, nullptr);
}

void SettingsSync::receive(const QString &address)
{
    begin(true, address);
}

void SettingsSync::send(const QString &address)
{
    begin(false, address);
}

void SettingsSync::begin(bool toOfflineModel, const QString &address)
{
    QString refusal;
    if (isRunning())
        refusal = tr("A settings transfer is already running.");
    else if (address.isEmpty())
        refusal = tr("No processor is connected.");
    else if (m_viewLoader->offlineMode())
        refusal = tr("The offline model is connected. Connect to a processor to transfer settings between it and the offline model.");
    else if (!OfflineModelLauncher::isAvailable())
        refusal = tr("The offline model is not installed (%1).").arg(OfflineModelLauncher::programPath());
    if (!refusal.isEmpty()) {
        qWarning().noquote() << "Settings transfer refused:" << refusal;
        emit m_viewLoader->syncError(refusal);
        return;
    }
    qInfo().noquote() << (toOfflineModel ? "Receiving the settings of" : "Sending the settings to") << address;
    m_toOfflineModel = toOfflineModel;
    m_address = address;
    m_failure.clear();
    m_stage = Stage::Starting;
    m_viewLoader->setAppBusyPreventClose(true);
    emit m_viewLoader->syncProgress(0);
    // The settings belong to one processor model: the offline model runs the connected one's.
    m_model->setModel(tarn::platformOfClassName(
        TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceClass))));
    m_model->start();
}

void SettingsSync::onModelStarted()
{
    if (m_stage != Stage::Starting)
        return;
    m_stage = Stage::Transferring;
    const QString user = QString::fromLatin1(PresetProvider::kFtpUser);
    const QString password = QString::fromLatin1(PresetProvider::kFtpPassword);
    const tarn::presets::FtpEndpoint processor{m_address, tarn::ftp::ftpPortForHost(m_address), user, password};
    const tarn::presets::FtpEndpoint model{QString::fromLatin1(kModelAddress), m_model->ftpPort(), user, password};
    if (m_toOfflineModel)
        m_transfer->start(processor, model);
    else
        m_transfer->start(model, processor);
}

void SettingsSync::onTransferEnded(const QString &failure)
{
    if (m_stage != Stage::Transferring)
        return;
    // The model saves its store as it ends; only then is the transfer done.
    m_failure = failure;
    m_stage = Stage::Stopping;
    if (m_model->isRunning())
        m_model->requestStop();
    else
        end(m_failure);
}

void SettingsSync::onModelStopped()
{
    if (m_stage == Stage::Stopping) {
        end(m_failure);
    } else if (m_stage == Stage::Transferring) {
        m_stage = Stage::Stopping;
        m_transfer->cancel();
        end(tr("The offline model ended during the settings transfer."));
    }
}

void SettingsSync::end(const QString &failure)
{
    m_stage = Stage::Idle;
    m_viewLoader->setAppBusyPreventClose(false);
    if (failure.isEmpty()) {
        qInfo() << "Settings transfer finished";
        emit m_viewLoader->syncProgress(100);
        emit m_viewLoader->syncFinished();
    } else {
        qWarning().noquote() << "Settings transfer failed:" << failure;
        emit m_viewLoader->syncError(failure);
    }
}
