#pragma once

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>

class TarnTextSV;

// Small pieces of application state shared by several screens: whether the processor is busy
// loading a preset or applying a reconfiguration, the range data used for nudging values, the
// processing object and channel chosen on a screen, friendly names, the limiter list and a few
// flags. The root document creates one.
class AppDataStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool wizardActive READ wizardActive WRITE setWizardActive NOTIFY wizardActiveChanged)
public:
    static constexpr const char kRangeDataPath[] = ":/xml/RangeCheck.json";
    static constexpr int kMaxRangeDataBytes = 1024 * 1024;
    // The limiter list text comes from the processor's configuration; it is cut to this size.
    static constexpr int kMaxLimiterListLength = 64 * 1024;
    static constexpr int kMaxLimiters = 64;

    explicit AppDataStore(QObject *parent = nullptr);
    ~AppDataStore() override;

    Q_INVOKABLE QString poName() const { return m_poName; }
    Q_INVOKABLE void setPOName(QString name);
    Q_INVOKABLE QString channelName() const { return m_channelName; }
    // "in 02" names an input group, any other first word an output group ("out 24").
    Q_INVOKABLE void setChannelName(QString name);
    Q_INVOKABLE int channelIndex() const { return m_channelIndex; }
    Q_INVOKABLE void setChannelIndex(int index);
    // Compact JSON text of the range entries of one parameter of one block class; "[]" when
    // there are none.
    Q_INVOKABLE QString getJsonArray(QString poClass, QString svClass) const;
    Q_INVOKABLE bool discoveryConnectionLost() const { return m_discoveryConnectionLost; }
    Q_INVOKABLE void setDiscoveryConnectionLost(bool lost);
    Q_INVOKABLE bool deviceBusy() const;
    Q_INVOKABLE QString isStartup() const { return m_startup; }
    Q_INVOKABLE void setIsStartup(QString startup);
    // "In1" … "In7", or just the number.
    Q_INVOKABLE QString inputNameFromIdx(QString n) const;
    Q_INVOKABLE void setOutputName(QString key, QString value);
    Q_INVOKABLE QString getOutputName(QString key) const;
    Q_INVOKABLE void setCopyPastePrg(bool inProgress);
    Q_INVOKABLE bool getCopyPastePrg() const { return m_copyPasteInProgress; }
    Q_INVOKABLE void setLimiterList(QString list);
    Q_INVOKABLE QString getLimiterAt(int i) const;
    // Busy reports are suppressed between stopListeningForBusyEvents() and the next
    // listenForBusyEvents(); the status subscription ends and restarts with them.
    Q_INVOKABLE void listenForBusyEvents();
    Q_INVOKABLE void stopListeningForBusyEvents();
    Q_INVOKABLE bool wizardActive() const { return m_wizardActive; }
    Q_INVOKABLE void setWizardActive(bool active);

    // A status text of the processor that means a preset load or reconfiguration is running.
    static bool isBusyStatus(const QString &status);
    // Reads range data from a file or resource, replacing what is held when the document is a
    // JSON object. Returns false (and keeps the old data) otherwise.
    bool loadRangeData(const QString &path);
    // The range data parsed from a document; false when it is not a JSON object.
    static bool parseRangeData(const QByteArray &document, QJsonObject *out);
    const QJsonObject &rangeData() const { return m_rangeData; }
    int limiterCount() const { return m_limiters.size(); }
    TarnTextSV *statusObject() const { return m_status; }

signals:
    void poNameChanged(QString poName);
    void deviceBusyStateChanged(bool busy);
    void wizardActiveChanged(bool active);

public slots:
    void onStatusValueChanged(QString a);

private:
    TarnTextSV *m_status = nullptr;
    QJsonObject m_rangeData;
    QString m_poName;
    QString m_channelName;
    int m_channelIndex = 0;
    QString m_startup;
    bool m_discoveryConnectionLost = false;
    bool m_copyPasteInProgress = false;
    bool m_wizardActive = false;
    bool m_busyReportsSuppressed = false;
    QMap<int, QString> m_limiters;
    QMap<QString, QString> m_outputNames;
    QMap<QString, QString> m_inputNames;
    QMap<QString, QString> m_inputGroups;
    QMap<QString, QString> m_outputGroups;
};
