#pragma once

#include "reconfigurator.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace tarn::home {
class ConfigDocumentFetcher;
class NodeCommandChannel;
}

// The model behind the configurable processor's grid home screen and its configuration mode.
// It holds the processor's configuration document (processing objects and the display grids),
// answers the grid screen cell by cell, exposes the input router's assignments and hands chain
// edits to the Reconfigurator it owns.
//
// The document arrives from the processor after each login (and after each reconfiguration):
// the class name the processor reports says which model it is (`platform`), and for the
// configurable model the document is fetched in chunks and checked before it replaces the one
// held. A document that is refused leaves the previous one in place and says why in
// `configError`.
class HomeScreenModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool configEmpty READ configEmpty WRITE setConfigEmpty NOTIFY configEmptyChanged)
    Q_PROPERTY(QString limiterList READ limiterList WRITE setLimiterList NOTIFY limiterListChanged)
    Q_PROPERTY(bool ready READ ready WRITE setReady NOTIFY readyChanged)
    Q_PROPERTY(QString deviceIP READ deviceIP WRITE setDeviceIP NOTIFY deviceIPChanged)
    Q_PROPERTY(bool enCfgApply READ enCfgApply WRITE setEnCfgApply NOTIFY enCfgApplyChanged)
    // Which model the connected processor is: "Tarn" or "Quarra".
    Q_PROPERTY(QString platform READ platform NOTIFY platformChanged)
    // Why the last document was refused or an edit was not made; empty when all is well.
    Q_PROPERTY(QString configError READ configError NOTIFY configErrorChanged)
    // A document is being read from the processor.
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    // The processor is applying a new configuration.
    Q_PROPERTY(bool applying READ applying NOTIFY applyingChanged)
public:
    // Documents deeper than this are refused (the builder's are about six levels deep).
    static constexpr int kMaxDocumentDepth = 32;

    explicit HomeScreenModel(QObject *parent = nullptr);
    ~HomeScreenModel() override;

    bool configEmpty() const { return m_configEmpty; }
    void setConfigEmpty(bool empty);
    QString limiterList() const { return m_limiterList; }
    void setLimiterList(const QString &list);
    bool ready() const { return m_ready; }
    void setReady(bool ready);
    QString deviceIP() const { return m_deviceIP; }
    void setDeviceIP(const QString &ip);
    bool enCfgApply() const { return m_enCfgApply; }
    void setEnCfgApply(bool enable);
    QString platform() const { return m_platform; }
    QString configError() const { return m_configError; }
    bool loading() const { return m_loading; }
    bool applying() const;

    // Grid reading.
    Q_INVOKABLE QVariantMap cellInfo(QString gridName, int columnNo, int rowNo);
    // The grids of the document, in order, and the size of one: {"columns", "rows"}.
    Q_INVOKABLE QStringList gridNames() const;
    Q_INVOKABLE QVariantMap gridSize(QString gridName) const;
    // Stores the cell's block description as "Data/CurrentPOData" (and the delay objects per
    // row as "Data/DelayPOJson") for the block screen about to open; false for an empty cell.
    Q_INVOKABLE bool storeCellData(QString gridName, int columnNo, int rowNo);
    // The processing objects of one type (".type"), in grid order.
    Q_INVOKABLE QStringList objectsOfType(QString type) const;
    // The name the template library gives a block type (".type"), the application's first.
    Q_INVOKABLE QString blockName(QString type) const;
    // A member of one processing object's "Attributes", as text.
    Q_INVOKABLE QString objectAttribute(QString poName, QString attribute) const;

    // Configuration mode.
    Q_INVOKABLE void enteringConfigMode();
    Q_INVOKABLE void applyAllChanges();
    Q_INVOKABLE void discardAllChanges();
    Q_INVOKABLE void reset();
    Q_INVOKABLE void refreshConfig();
    Q_INVOKABLE void link(int colID, int appRowIdx);
    Q_INVOKABLE void unlink(int colID, int appRowIdx);
    Q_INVOKABLE void changePO(int colID, int appRowIdx, int listViewIdx);
    Q_INVOKABLE void removeBlock(int colID, int appRowIdx);
    Q_INVOKABLE bool canRemoveBlock(int colID, int appRowIdx) const;
    Q_INVOKABLE void setCrossoverConfig(int row, QString newXoverName);
    Q_INVOKABLE void setOutputName(int row, QString name);
    Q_INVOKABLE void setRouterConfig(int routerIndex);
    Q_INVOKABLE void setMixerConfig(int col, int row, int mixerIndex);
    Q_INVOKABLE bool linkTest(int colID, int appRowIdx, int moreLess);
    Q_INVOKABLE int poListCnt(int colID, int appRowIdx);
    Q_INVOKABLE QString getPoName(int listIdx);
    Q_INVOKABLE QVariantMap cfgXoverListCnt(int appRowIdx);
    Q_INVOKABLE QVariantMap getCfgXoverInfo(int listIdx);
    Q_INVOKABLE int getInputRouterIdx();
    Q_INVOKABLE int getMixerCfgIdx(int colID, int appRowIdx);
    Q_INVOKABLE QStringList inputRouterConfigNames() const;
    Q_INVOKABLE QStringList recommendedOutputNames() const;
    // The choice lists of configuration mode (":/xml/MixMid.xml", ":/xml/OutputNamesList.xml").
    Q_INVOKABLE QVariantList midMixerOptions() const;
    Q_INVOKABLE QVariantList standardOutputNames() const;
    Q_INVOKABLE void clearConfigError();
    // The builder config's column name ("Column_Out_PEQ"), the template of the block at a place
    // ("" for an empty row), and the display name of a template.
    Q_INVOKABLE QString columnName(int colID) const;
    Q_INVOKABLE int builderColumn(QString gridName, int gridColumn) const;
    Q_INVOKABLE QString cellTemplate(int colID, int appRowIdx) const;
    Q_INVOKABLE QString templateLabel(QString templateName) const;

    // Input router.
    Q_INVOKABLE void requestOptionCardSourceNames();
    Q_INVOKABLE QString getInputRouterSourceName(int slotNum);
    Q_INVOKABLE QString getInputRouterSourceNameForCardName(QString strCardName);
    Q_INVOKABLE QList<int> inputRouterSwapOptionsForSlotNum(int slotNum);
    Q_INVOKABLE QString inputRouterGetSourceNameForSourceID(int sourceID);
    Q_INVOKABLE void inputRouterSetSource(int slotNum, int sourceID);
    Q_INVOKABLE QStringList recommendedInputNames();

    // Reads the configuration document from the processor again.
    Q_INVOKABLE void fetchConfiguration();

    // The configuration text from which the document is built, and the build itself (public
    // for tests and tools; the document normally comes from the processor).
    void setConfigText(const QString &text) { m_configText = text; }
    bool createConfigJSON();
    const QJsonObject &workingConfiguration() const { return m_configJSONObject; }
    // Takes a document from the processor: checked, then loaded; false (previous document
    // kept, configError set) when it is refused.
    bool takeDocument(const QByteArray &document);
    // Checks a configuration document from the network and gives its normalised text.
    static bool checkDocument(const QByteArray &document, QString *normalised, QString *why);
    Reconfigurator &reconfigurator() { return m_reconfigurator; }

signals:
    void configEmptyChanged(bool isEmpty);
    void limiterListChanged(QString list);
    void readyChanged(bool r);
    void deviceIPChanged(QString s);
    void enCfgApplyChanged(bool);
    void platformChanged(QString platform);
    void configErrorChanged(QString error);
    void loadingChanged(bool loading);
    void applyingChanged(bool applying);
    void incorrectPassword();
    void reconfigResponseReceived(QString s);
    void sendMessage(QByteArray message);
    void inputSourceNamesChanged();
    // A new document from the processor is on screen (after `ms` since the request).
    void documentLoaded(qint64 ms);

public slots:
    void onReconfigResponse(QString);
    void loginWithPassword();

protected slots:
    void onHomeScreenData(QByteArray message);
    void onOptionCardSourceNames(QStringList sourceNames);

private:
    template <typename Edit> void edit(Edit &&change);
    void setPlatform(const QString &platform);
    void setConfigError(const QString &error);
    void setLoading(bool loading);
    void onClassName(const QString &className);
    void documentChanged();
    void compareWithBaseline();
    const QJsonArray *gridMap(const QString &gridName) const;
    int builderColumnOffset(const QString &gridName) const;
    QVariantMap makeCell(const QString &gridName, int columnNo, int rowNo) const;
    Json::Value routerCell() const;
    // The router's slot-to-source list (null when there is none).
    Json::Value routerSlots() const;
    // Warns when there is no builder config to read.
    bool builderConfigHeld() const;
    QString sourceName(int sourceID) const;

    QJsonObject m_baseline;
    QJsonObject m_configJSONObject;
    QString m_configText;
    QStringList m_optionCardSourceNames;
    QMap<QString, QString> m_sourceNameAliases;
    QString m_limiterList;
    bool m_ready = false;
    bool m_configEmpty = false;
    QString m_deviceIP;
    Reconfigurator m_reconfigurator;
    bool m_enCfgApply = false;

    QString m_platform;
    QString m_configError;
    bool m_loading = false;
    bool m_fetchedThisLogin = false;
    tarn::home::NodeCommandChannel *m_commands = nullptr;
    tarn::home::NodeCommandChannel *m_documentCommands = nullptr;
    tarn::home::ConfigDocumentFetcher *m_fetcher = nullptr;
    // Grids by name, and cell records already answered for the document held.
    QHash<QString, QJsonArray> m_grids;
    QStringList m_gridOrder;
    mutable QHash<QString, QVariantMap> m_cells;
};
