#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

class OfflineModelLauncher;
class QQuickView;
class QStateMachine;
class QTimer;
class TarnState;

// Owns the application window and the screen state machine, carries out every command the
// screens raise (guiSignal), and keeps the application-wide busy, offline and validation flags.
class ViewLoader : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool appBusyPreventClose READ appBusyPreventClose WRITE setAppBusyPreventClose NOTIFY
                   appBusyPreventCloseChanged)
    Q_PROPERTY(bool offlineMode READ offlineMode NOTIFY offlineModeChanged)
    Q_PROPERTY(bool validationMode READ validationMode WRITE setValidationMode NOTIFY validationModeChanged)
public:
    static constexpr int kMinimumWidth = 1024;
    static constexpr int kMinimumHeight = 768;
    static constexpr const char *kOfflineAddress = "127.0.0.1";
    static constexpr const char *kOfflinePassword = "stagemanagers";
    // How long the offline model is kept for the link to close in order before it is stopped.
    static constexpr int kModelStopGraceMs = 2000;

    explicit ViewLoader(QObject *parent = nullptr);
    ~ViewLoader() override;

    // The one view loader of the process, while it exists.
    static ViewLoader *instance();

    void InitLoader(const QString &platformName);
    QQuickView *view() const;
    QStateMachine *stateMachine() const;
    OfflineModelLauncher *offlineModelLauncher() const;

    // The document of the screen state now active, e.g. "TarnHomeScreen.qml"; empty before start.
    QString activeScreen() const;

    bool appBusyPreventClose() const { return m_appBusyPreventClose; }
    void setAppBusyPreventClose(bool prevent);
    bool offlineMode() const { return m_offlineMode; }
    bool validationMode() const { return m_validationMode; }
    void setValidationMode(bool validationMode);

signals:
    void loadPage(QVariant qmlPath, QVariant helpFileName);
    void messageToGUI(QVariant message);
    void switchToRTA();
    void switchToSigGen();
    void switchToPEQ();
    void switchToAEQ();
    void switchToGEQ();
    void switchToAFS();
    void switchToAGC();
    void switchToGate();
    void switchToDelay();
    void switchToInputDelay();
    void switchToMixers();
    void switchToPresets();
    void switchToCrossover();
    void switchToUtilities();
    void switchToHomeScreen();
    void switchToOutputMeters();
    void switchToConfigScreen();
    void switchToWizardScreen();
    void switchToLimiterScreen();
    void switchToIOMeterScreen();
    void switchToDiscoveryScreen();
    void switchToCompressorScreen();
    void switchToSubHarmonicScreen();
    void switchToManageTunings();
    void switchToInputRouter();
    void receiveDB(QString ipAddress);
    void sendDB(QString ipAddress);
    void syncProgress(float progress);
    void syncFinished();
    void syncError(QString errorString);
    void appBusyPreventCloseChanged(bool prevent);
    void closeEventIgnored();
    void resendDataRequest(bool send);
    void updateHarwareVersionInPresetsDB(QString hardwareVersion);
    void startOfflineModel();
    void stopOfflineModel();
    void offlineModeChanged(bool offline);
    void validationModeChanged(bool validationMode);

public slots:
    void onStateEntered(QString qmlPath, QString helpFileName);
    void onCorvexReady();
    void onRemoteConnectionLost();
    void onClientConnectionLost();
    void onGuiSignal(QString param, QString payload);
    void onOfflineModelStarted();
    void onOfflineModelStopped();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createStates();
    void createTransitions();
    void setContextProperties();
    void connectRootObject();
    void sizeAndShowWindow(const QString &platformName);
    void centreWindow();
    void setOfflineMode(bool offline);
    void storeConnection(const QString &payload, QString *password);
    void storeOfflineConnection();
    void onLinkGone();
    void onOfflineModelFailed(const QString &reason);
    bool isActive(const char *stateName) const;
    TarnState *state(const char *stateName) const;

    std::unique_ptr<QQuickView> m_view;
    QStateMachine *m_machine = nullptr;
    OfflineModelLauncher *m_launcher = nullptr;
    QTimer *m_stopModelAfterDisconnect = nullptr;
    QHash<QString, TarnState *> m_states; // keyed by document: two states share a log name
    TarnState *m_inputDelayState = nullptr;
    bool m_appBusyPreventClose = false;
    bool m_offlineMode = false;
    bool m_validationMode = false;
};
