#pragma once

#include "configbuilder.h"

#include <json/value.h>

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <vector>

namespace tarn::home {
class NodeCommandChannel;
}

// The editing engine of the configurable model's configuration mode. The builder config (the
// document's ".builderConfig") is its source of truth: every edit changes one cell of it, the
// config builder rebuilds the whole document from it, and the working document is replaced.
// An edit the builder refuses changes nothing: the last good document and the builder config
// behind it stay, and rebuildFailed() carries the builder's words.
//
// Positions: `colID` is the index into the builder config's "Columns"; `appRowIdx` is the
// grid row counted from 0 (the builder counts rows from 1).
class Reconfigurator : public QObject {
    Q_OBJECT
public:
    // How long the processor may take to report the end of a reconfiguration before the
    // application stops waiting (and is no longer busy).
    static constexpr int kReconfigTimeoutMs = 60000;

    // One output layout of the crossover list (":/xml/CrossoverConfigurations.xml").
    struct CrossoverLayout {
        QString id;
        QString code;
        QString configName;
        QString displayName;
        QString inputsName;
        int inputs = 0;
        QString outputsName;
        int outputs = 0;
    };
    // A slot-to-source assignment of the input router offered as a whole.
    struct RouterChoice {
        QString name;
        QList<int> sources;
    };

    explicit Reconfigurator(QObject *parent = nullptr);
    ~Reconfigurator() override;

    bool loadTemplates();
    bool templatesLoaded() const { return m_loaded; }
    const Json::Value &templates() const { return m_templates; }
    const Json::Value &builderConfig() const { return m_builderConfig; }
    QString lastError() const { return m_lastError; }

    // Keeps the document's ".builderConfig" as the builder config to edit.
    void initialize(const QJsonObject &config, const QString &deviceIP);
    // Replaces `config` by the document built from the templates' default builder config.
    bool useDefault(QJsonObject &config);
    // Replaces the builder config as a whole (input router edits) and rebuilds.
    bool setBuilderConfig(QJsonObject &config, const Json::Value &builderConfig);

    bool link(QJsonObject &config, int colID, int appRowIdx);
    bool unlink(QJsonObject &config, int colID, int appRowIdx);
    bool linkTest(int colID, int appRowIdx, int moreLess) const;
    // Leaves the rows of the block at that position empty (an insert or crossover block).
    bool removeBlock(QJsonObject &config, int colID, int appRowIdx);
    bool canRemoveBlock(int colID, int appRowIdx) const;

    int poListCnt(int colID, int appRowIdx);
    QString getPoName(int listIdx) const;
    bool changePO(QJsonObject &config, int colID, int appRowIdx, int listViewIdx);

    QVariantMap cfgXoverListCnt(const QJsonObject &config, int appRowIdx);
    QVariantMap getCfgXoverInfo(int listIdx) const;
    bool setCrossoverConfig(QJsonObject &config, int row, const QString &newXoverName);
    const QList<CrossoverLayout> &crossoverLayouts() const { return m_layouts; }

    bool renameOutputs(QJsonObject &config, int appRowIdx, const QString &name);

    static const QList<RouterChoice> &routerChoices();
    bool setRouterConfig(QJsonObject &config, int routerIndex);
    int getInputRouterIdx() const;

    bool setMixerConfig(QJsonObject &config, int colID, int appRowIdx, int mixerIndex);
    int getMixerCfgIdx(int colID, int appRowIdx) const;

    // The "Reconfig" command of the document's builder config (compact, members in the order
    // id, method, params), without its line feed.
    static QByteArray reconfigCommand(const QJsonObject &config);
    // Sends it and sets the application busy until the processor reports the end.
    bool applyPendingChanges(const QJsonObject &config);
    bool isApplying() const { return m_applyTimer.isActive(); }
    void setReconfigTimeout(int ms) { m_timeoutMs = ms; }

    // The column index of a column name in the builder config, or -1.
    int columnIndex(const QString &columnName) const;
    QString columnName(int colID) const;
    // The template of the cell at that place; empty for an empty row.
    QString cellTemplate(int colID, int appRowIdx) const;

signals:
    void reconfigResponse(QString s);
    // The processor ended the reconfiguration (done or failed), or the wait for it ended.
    void reconfigFinished(bool done, QString message);
    void rebuildFailed(QString message);

public slots:
    void onReconfigResponse(QByteArray message);

private:
    // Builds the candidate builder config; on success it becomes the builder config and
    // `config` the new document. On failure nothing changes and rebuildFailed() is emitted.
    bool rebuild(QJsonObject &config, const Json::Value &candidate);
    bool inColumn(int colID) const;
    void endApplying(bool done, const QString &message);
    void readCrossoverLayouts();

    Json::Value m_templates;
    bool m_loaded = false;
    Json::Value m_builderConfig;
    Json::Value m_document;
    tarn::ConfigBuilder m_builder;
    QString m_deviceIP;
    QString m_lastError;
    QList<CrossoverLayout> m_layouts;
    QMap<QString, int> m_layoutIndex; // configName -> index into m_layouts
    std::vector<std::string> m_candidates;
    QStringList m_poList;
    tarn::home::NodeCommandChannel *m_channel;
    QTimer m_applyTimer;
    int m_timeoutMs = kReconfigTimeoutMs;
};
