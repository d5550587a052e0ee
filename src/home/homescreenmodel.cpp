#include "homescreenmodel.h"

#include "configdocumentfetcher.h"
#include "configlists.h"
#include "homelog.h"
#include "jsonconvert.h"
#include "nodecommandchannel.h"
#include "nodevaluewatch.h"
#include "platform.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "templatelibrary.h"

#include <json/writer.h>

#include <QJsonDocument>
#include <QSet>

namespace {
const QString kGridsDisplay = QStringLiteral("gridsDisplay");
const QString kBuilderConfig = QStringLiteral(".builderConfig");
const QString kAttributes = QStringLiteral("Attributes");
const QString kLinked = QStringLiteral("LINKED");
constexpr int kRouterSlots = 7;
constexpr int kRouterSources = 15;

QString key(const char *k)
{
    return QString::fromLatin1(k);
}

int number(const QJsonObject &attributes, const char *name)
{
    return attributes.value(QLatin1String(name)).toInt(0);
}

int depthOf(const Json::Value &value, int limit)
{
    if (limit < 0)
        return 1;
    int deepest = 0;
    if (value.isObject() || value.isArray()) {
        for (const Json::Value &child : value)
            deepest = std::max(deepest, depthOf(child, limit - 1));
        return deepest + 1;
    }
    return 0;
}

// The delay grids' keys of "Data/DelayPOJson": the row counted from 1 plus the grid's offset.
int delayKeyOffset(const QString &gridName)
{
    if (gridName == QLatin1String("mid"))
        return 3;
    if (gridName == QLatin1String("out"))
        return 9;
    return 0;
}

bool isChainGrid(const QString &gridName)
{
    return gridName == QLatin1String("in") || gridName == QLatin1String("mid") || gridName == QLatin1String("out");
}
} // namespace

HomeScreenModel::HomeScreenModel(QObject *parent)
    : QObject(parent), m_commands(new tarn::home::NodeCommandChannel(this)),
      m_documentCommands(new tarn::home::NodeCommandChannel(this)),
      m_fetcher(new tarn::home::ConfigDocumentFetcher(m_documentCommands, this))
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        connect(this, &HomeScreenModel::sendMessage, adaptor, &TCPAdaptor::sendMessage);
        connect(adaptor, &TCPAdaptor::homeScreenData, this, &HomeScreenModel::onHomeScreenData);
        connect(adaptor, &TCPAdaptor::incorrectPassword, this, &HomeScreenModel::incorrectPassword);
        connect(adaptor, &TCPAdaptor::optionCardSourceNames, this, &HomeScreenModel::onOptionCardSourceNames);
    }
    connect(&m_reconfigurator, &Reconfigurator::reconfigResponse, this, &HomeScreenModel::reconfigResponseReceived);
    connect(&m_reconfigurator, &Reconfigurator::reconfigResponse, this, &HomeScreenModel::onReconfigResponse);
    connect(&m_reconfigurator, &Reconfigurator::rebuildFailed, this, &HomeScreenModel::setConfigError);
    connect(&m_reconfigurator, &Reconfigurator::reconfigFinished, this, [this](bool done, const QString &message) {
        emit applyingChanged(false);
        if (done) {
            // The processor runs the new chain: its document is the one to show.
            fetchConfiguration();
            return;
        }
        // The processor kept its chain. The edits stay, back in configuration mode, so the
        // user can try again or discard them.
        setConfigError(message);
        TarnSettings::write(key(tarn::keys::IsConfigMode), QStringLiteral("true"));
        refreshConfig();
        compareWithBaseline();
    });
    m_reconfigurator.loadTemplates();

    m_platform = tarn::platformOfClassName(TarnSettings::text(key(tarn::keys::CurrentDeviceClass)));
    if (m_platform.isEmpty())
        m_platform = QString::fromLatin1(tarn::kTarnPlatform);

    auto *className = new tarn::home::NodeValueWatch(QStringLiteral("Node\\AT\\Class_Name"), this);
    connect(className, &tarn::home::NodeValueWatch::received, this, &HomeScreenModel::onClassName);
    className->componentCompleted();

    connect(m_commands, &tarn::home::NodeCommandChannel::finished, this,
            [this](const QString &method, bool done, const QJsonObject &answer) {
                const QJsonValue result = answer.value(QStringLiteral("result"));
                if (method != QLatin1String("GetInputRouterSourceNames") || !done || !result.isArray())
                    return;
                QStringList names;
                for (const QJsonValue &v : result.toArray())
                    names.append(v.toString().left(64));
                onOptionCardSourceNames(names.mid(0, kRouterSources));
            });
    connect(m_fetcher, &tarn::home::ConfigDocumentFetcher::received, this, [this](const QByteArray &document, qint64 ms) {
        setLoading(false);
        if (takeDocument(document))
            emit documentLoaded(ms);
    });
    connect(m_fetcher, &tarn::home::ConfigDocumentFetcher::failed, this, [this](const QString &why) {
        setLoading(false);
        setConfigError(why);
        // Nothing held yet: the screen shows the grid it has (none) and says why.
        setReady(true);
    });
}

HomeScreenModel::~HomeScreenModel() = default;

// ---------------------------------------------------------------------------------------------
// Properties

void HomeScreenModel::setConfigEmpty(bool empty)
{
    m_configEmpty = empty;
    emit configEmptyChanged(empty);
}

void HomeScreenModel::setLimiterList(const QString &list)
{
    m_limiterList = list;
    emit limiterListChanged(list);
}

void HomeScreenModel::setReady(bool ready)
{
    if (m_ready == ready)
        return;
    m_ready = ready;
    emit readyChanged(ready);
}

void HomeScreenModel::setDeviceIP(const QString &ip)
{
    if (m_deviceIP == ip)
        return;
    m_deviceIP = ip;
    emit deviceIPChanged(ip);
}

void HomeScreenModel::setEnCfgApply(bool enable)
{
    if (m_enCfgApply == enable)
        return;
    m_enCfgApply = enable;
    emit enCfgApplyChanged(enable);
}

void HomeScreenModel::setPlatform(const QString &platform)
{
    if (m_platform == platform)
        return;
    m_platform = platform;
    qCInfo(lcHome) << "processor model:" << platform;
    emit platformChanged(platform);
}

void HomeScreenModel::setConfigError(const QString &error)
{
    if (m_configError == error)
        return;
    m_configError = error;
    emit configErrorChanged(error);
}

void HomeScreenModel::clearConfigError()
{
    setConfigError(QString());
}

void HomeScreenModel::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    emit loadingChanged(loading);
}

bool HomeScreenModel::applying() const
{
    return m_reconfigurator.isApplying();
}

// ---------------------------------------------------------------------------------------------
// The document

bool HomeScreenModel::checkDocument(const QByteArray &document, QString *normalised, QString *why)
{
    if (document.size() > tarn::home::ConfigDocumentFetcher::kMaxDocumentBytes) {
        *why = tr("The configuration is larger than %1 bytes.").arg(tarn::home::ConfigDocumentFetcher::kMaxDocumentBytes);
        return false;
    }
    Json::Value parsed;
    std::string error;
    if (!tarn::config::parseJson(document.toStdString(), parsed, &error)) {
        *why = tr("The configuration is not readable JSON: %1").arg(QString::fromStdString(error).left(200).trimmed());
        return false;
    }
    if (depthOf(parsed, kMaxDocumentDepth + 1) > kMaxDocumentDepth) {
        *why = tr("The configuration is nested more than %1 levels deep.").arg(kMaxDocumentDepth);
        return false;
    }
    const bool empty = parsed.isObject() && parsed.isMember("isEmpty") && parsed["isEmpty"].isBool()
                       && parsed["isEmpty"].asBool();
    if (!parsed.isObject() || (!empty && !parsed["gridsDisplay"].isArray())) {
        *why = tr("The processor's answer is not a configuration.");
        return false;
    }
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    *normalised = QString::fromStdString(Json::writeString(writer, parsed));
    return true;
}

bool HomeScreenModel::takeDocument(const QByteArray &document)
{
    QString text;
    QString why;
    if (!checkDocument(document, &text, &why)) {
        qCWarning(lcHome).noquote() << "configuration document refused:" << why;
        setConfigError(why);
        setReady(true);
        return false;
    }
    if (text == m_configText && m_ready && m_configJSONObject == m_baseline) {
        // The document on screen already.
        setConfigError(QString());
        return true;
    }
    const QString previous = m_configText;
    m_configText = text;
    setReady(false);
    const bool loaded = createConfigJSON();
    if (!loaded)
        m_configText = previous;
    setReady(true);
    setEnCfgApply(false);
    setConfigError(loaded ? QString() : tr("The configuration could not be read."));
    return loaded;
}

bool HomeScreenModel::createConfigJSON()
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(m_configText.toUtf8(), &error);
    if (document.isNull()) {
        qCWarning(lcHome).noquote() << "configuration text not read:" << error.errorString();
        return false;
    }
    // Laid out once as the builder writes it, so that later comparisons see only real changes.
    m_configJSONObject = tarn::home::toQtObject(tarn::home::toJsoncpp(document.object()));
    m_baseline = m_configJSONObject;
    m_reconfigurator.initialize(m_configJSONObject, m_deviceIP);
    const QJsonValue empty = m_configJSONObject.value(QStringLiteral("isEmpty"));
    setConfigEmpty(!empty.isUndefined() && empty.toBool());
    documentChanged();
    return true;
}

void HomeScreenModel::documentChanged()
{
    m_cells.clear();
    m_grids.clear();
    m_gridOrder.clear();
    const QJsonValue grids = m_configJSONObject.value(kGridsDisplay);
    for (const QJsonValue &g : grids.toArray()) {
        if (!g.isObject())
            continue;
        const QJsonObject grid = g.toObject();
        const QJsonValue map = grid.value(QStringLiteral("Map"));
        const QJsonValue name = grid.value(QStringLiteral("Name"));
        if (!map.isArray() || !name.isString()) {
            qCWarning(lcHome) << "TYPE PREREQUISITE MISMATCH ";
            continue;
        }
        // The first grid of a name is the one a reader finds.
        if (!m_grids.contains(name.toString())) {
            m_grids.insert(name.toString(), map.toArray());
            m_gridOrder.append(name.toString());
        }
    }
    const QStringList limiters = objectsOfType(QStringLiteral("Limiter"));
    QJsonArray list;
    for (const QString &name : limiters)
        list.append(name);
    setLimiterList(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
}

void HomeScreenModel::compareWithBaseline()
{
    setEnCfgApply(m_configJSONObject != m_baseline);
}

// ---------------------------------------------------------------------------------------------
// Grid reading

const QJsonArray *HomeScreenModel::gridMap(const QString &gridName) const
{
    const auto it = m_grids.constFind(gridName);
    return it == m_grids.constEnd() ? nullptr : &it.value();
}

int HomeScreenModel::builderColumnOffset(const QString &gridName) const
{
    int offset = 0;
    for (const QString &name : m_gridOrder) {
        if (name == gridName)
            return offset;
        if (isChainGrid(name))
            offset += m_grids.value(name).size();
    }
    return -1;
}

QVariantMap HomeScreenModel::cellInfo(QString gridName, int columnNo, int rowNo)
{
    if (!m_ready)
        return QVariantMap();
    const QString cacheKey = gridName + QLatin1Char('\n') + QString::number(columnNo) + QLatin1Char('\n') + QString::number(rowNo);
    const auto cached = m_cells.constFind(cacheKey);
    if (cached != m_cells.constEnd())
        return cached.value();
    const QVariantMap cell = makeCell(gridName, columnNo, rowNo);
    m_cells.insert(cacheKey, cell);
    return cell;
}

QVariantMap HomeScreenModel::makeCell(const QString &gridName, int columnNo, int rowNo) const
{
    const QJsonArray *map = gridMap(gridName);
    if (!map || columnNo < 0 || rowNo < 0 || columnNo >= map->size())
        return QVariantMap();
    const QJsonArray column = map->at(columnNo).toArray();
    if (rowNo >= column.size())
        return QVariantMap();
    const QString name = column.at(rowNo).toString();
    const QJsonValue object = name.isEmpty() ? QJsonValue() : m_configJSONObject.value(name);
    if (!object.isObject())
        return QVariantMap();
    const QJsonObject po = object.toObject();
    const QString className = po.value(QStringLiteral("ClassName")).toString();
    const QJsonValue attributes = po.value(kAttributes);
    QString info = po.value(QStringLiteral(".info")).toString();
    const QString type = po.value(QStringLiteral(".type")).toString();

    QVariantMap cell;
    cell.insert(QStringLiteral("name"), name);
    cell.insert(QStringLiteral("className"), className);
    if (attributes.isObject()) {
        const QJsonObject a = attributes.toObject();
        int span = 0;
        if (className == QLatin1String("QuarraCrossover")) {
            span = number(a, "NumBands") * number(a, "NumMainCabinets") + number(a, "NumSubCabinets");
            cell.insert(QStringLiteral("XOverType"), info);
            info = QStringLiteral("Crossover");
        } else if (className == QLatin1String("CadenzoCrossover")) {
            span = number(a, "NumSlots") * number(a, "NumBands") + number(a, "MonoSub");
            cell.insert(QStringLiteral("XOverType"), info);
            info = QStringLiteral("Crossover");
        } else {
            span = number(a, "NumChans");
        }
        cell.insert(QStringLiteral("channelSpan"), span);
    }
    cell.insert(QStringLiteral("info"), info);
    cell.insert(QStringLiteral("type"), type);
    // Where an edit of this cell goes: the builder config's column.
    const int offset = isChainGrid(gridName) ? builderColumnOffset(gridName) : -1;
    if (offset >= 0)
        cell.insert(QStringLiteral("column"), offset + columnNo);
    QJsonObject data = po;
    data.insert(QStringLiteral("POName"), name);
    data.insert(QStringLiteral("type"), type);
    cell.insert(QStringLiteral("data"), QJsonDocument(data).toJson(QJsonDocument::Indented));
    return cell;
}

QStringList HomeScreenModel::gridNames() const
{
    return m_ready ? m_gridOrder : QStringList();
}

QVariantMap HomeScreenModel::gridSize(QString gridName) const
{
    const QJsonArray *map = m_ready ? gridMap(gridName) : nullptr;
    if (!map)
        return QVariantMap{{QStringLiteral("columns"), 0}, {QStringLiteral("rows"), 0}};
    int rows = 0;
    QVariantList texts;
    for (const QJsonValue &column : *map) {
        const QJsonArray cells = column.toArray();
        rows = std::max(rows, int(cells.size()));
        QStringList names;
        for (const QJsonValue &c : cells)
            names.append(c.toString());
        texts.append(names);
    }
    // The raw map as well, so the screen tells LINKED from EMPTY without asking cell by cell.
    return QVariantMap{{QStringLiteral("columns"), int(map->size())}, {QStringLiteral("rows"), rows},
                       {QStringLiteral("map"), texts}};
}

QStringList HomeScreenModel::objectsOfType(QString type) const
{
    QStringList found;
    for (const QString &grid : m_gridOrder) {
        const QJsonArray map = m_grids.value(grid);
        // Row by row, so the list follows the channels top to bottom.
        int rows = 0;
        for (const QJsonValue &column : map)
            rows = std::max(rows, int(column.toArray().size()));
        for (int r = 0; r < rows; ++r) {
            for (const QJsonValue &column : map) {
                const QString name = column.toArray().at(r).toString();
                const QJsonObject po = m_configJSONObject.value(name).toObject();
                if (!po.isEmpty() && po.value(QStringLiteral(".type")).toString() == type && !found.contains(name))
                    found.append(name);
            }
        }
    }
    return found;
}

QString HomeScreenModel::blockName(QString type) const
{
    const Json::Value &names = m_reconfigurator.templates()[".names"];
    if (type.isEmpty() || !names.isObject())
        return QString();
    const Json::Value &entry = names[type.toStdString()];
    if (!entry.isObject())
        return QString();
    const Json::Value &app = entry["app"].isObject() ? entry["app"]["long"] : Json::Value::nullSingleton();
    const Json::Value &name = app.isString() ? app : entry["long"];
    return name.isString() ? QString::fromStdString(name.asString()) : QString();
}

QString HomeScreenModel::objectAttribute(QString poName, QString attribute) const
{
    const QJsonValue value = m_configJSONObject.value(poName).toObject().value(kAttributes).toObject().value(attribute);
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 6);
    return QString();
}

bool HomeScreenModel::storeCellData(QString gridName, int columnNo, int rowNo)
{
    const QVariantMap cell = cellInfo(gridName, columnNo, rowNo);
    if (cell.isEmpty())
        return false;
    TarnSettings::write(key(tarn::keys::CurrentPOData), QString::fromUtf8(cell.value(QStringLiteral("data")).toByteArray()));
    // The delay objects of every row of the chain, so a delay screen can offer its neighbours.
    QJsonObject delays;
    for (const QString &grid : m_gridOrder) {
        if (!isChainGrid(grid))
            continue;
        const QJsonArray map = m_grids.value(grid);
        for (const QJsonValue &c : map) {
            const QJsonArray column = c.toArray();
            QString covering;
            for (int r = 0; r < column.size(); ++r) {
                const QString name = column.at(r).toString();
                if (name != kLinked)
                    covering = name;
                const QString type = m_configJSONObject.value(covering).toObject().value(QStringLiteral(".type")).toString();
                if (type.endsWith(QLatin1String("Delay")))
                    delays.insert(QString::number(r + 1 + delayKeyOffset(grid)), covering);
            }
        }
    }
    TarnSettings::write(key(tarn::keys::DelayPOJson), QString::fromUtf8(QJsonDocument(delays).toJson(QJsonDocument::Compact)));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Login and the processor's answers

void HomeScreenModel::onHomeScreenData(QByteArray message)
{
    Q_UNUSED(message);
    setDeviceIP(TarnSettings::text(key(tarn::keys::CurrentDeviceAddress)));
    // Until the processor names its class, the model last chosen for this connection stands.
    const QString hinted = tarn::platformOfClassName(TarnSettings::text(key(tarn::keys::CurrentDeviceClass)));
    if (!hinted.isEmpty())
        setPlatform(hinted);
    m_fetcher->cancel();
    setLoading(false);
    m_fetchedThisLogin = false;
    // A document already held is shown at once; the processor's own follows.
    if (m_platform == QLatin1String(tarn::kQuarraPlatform) && !m_configText.isEmpty())
        setReady(true);
}

void HomeScreenModel::onClassName(const QString &className)
{
    const QString platform = tarn::platformOfClassName(className);
    if (platform.isEmpty()) {
        qCWarning(lcHome).noquote() << "processor of unknown class" << className.left(64);
        return;
    }
    TarnSettings::write(key(tarn::keys::CurrentDeviceClass), className);
    setPlatform(platform);
    // Once per login (the subscription may be renewed and answered again).
    if (platform == QLatin1String(tarn::kQuarraPlatform) && !m_fetchedThisLogin) {
        m_fetchedThisLogin = true;
        fetchConfiguration();
    }
}

void HomeScreenModel::fetchConfiguration()
{
    setLoading(true);
    m_fetcher->start();
}

void HomeScreenModel::loginWithPassword()
{
    const QString password = TarnSettings::text(key(tarn::keys::CurrentDevicePassword));
    emit sendMessage(QStringLiteral("connect administrator \"%1\"\n").arg(password).toUtf8());
}

void HomeScreenModel::onReconfigResponse(QString)
{
}

void HomeScreenModel::requestOptionCardSourceNames()
{
    m_commands->send(QStringLiteral("GetInputRouterSourceNames"), QJsonArray(), QStringLiteral("fwID_getInputRouterSourceNames"));
}

void HomeScreenModel::onOptionCardSourceNames(QStringList sourceNames)
{
    m_optionCardSourceNames = sourceNames;
    m_sourceNameAliases.clear();
    for (int i = 0; i < sourceNames.size(); ++i) {
        const QString name = sourceName(i);
        if (!name.isEmpty())
            m_sourceNameAliases.insert(name, sourceNames.at(i));
    }
    emit inputSourceNamesChanged();
}

// ---------------------------------------------------------------------------------------------
// Configuration mode

template <typename Edit> void HomeScreenModel::edit(Edit &&change)
{
    setReady(false);
    if (change())
        documentChanged();
    setReady(true);
    compareWithBaseline();
}

void HomeScreenModel::enteringConfigMode()
{
    if (m_configJSONObject.value(kBuilderConfig).isObject())
        return;
    edit([this]() { return m_reconfigurator.useDefault(m_configJSONObject); });
}

void HomeScreenModel::applyAllChanges()
{
    TarnSettings::write(key(tarn::keys::IsConfigMode), QStringLiteral("false"));
    if (m_configJSONObject == m_baseline)
        return;
    if (m_reconfigurator.applyPendingChanges(m_configJSONObject)) {
        setEnCfgApply(false);
        emit applyingChanged(true);
    } else {
        setConfigError(tr("The new configuration could not be sent: the processor is not connected."));
    }
}

void HomeScreenModel::discardAllChanges()
{
    TarnSettings::write(key(tarn::keys::IsConfigMode), QStringLiteral("false"));
    if (m_configJSONObject == m_baseline)
        return;
    setReady(false);
    createConfigJSON();
    setReady(true);
    setEnCfgApply(false);
}

void HomeScreenModel::reset()
{
    m_configText.clear();
    // The document belongs to the processor being left; the next one brings its own.
    m_configJSONObject = QJsonObject();
    m_baseline = QJsonObject();
    m_reconfigurator.initialize(m_configJSONObject, QString());
    documentChanged();
    m_fetcher->cancel();
    setLoading(false);
    setReady(false);
    setDeviceIP(QString());
    setConfigError(QString());
}

void HomeScreenModel::refreshConfig()
{
    setReady(false);
    setReady(true);
}

void HomeScreenModel::link(int colID, int appRowIdx)
{
    edit([&]() { return m_reconfigurator.link(m_configJSONObject, colID, appRowIdx); });
}

void HomeScreenModel::unlink(int colID, int appRowIdx)
{
    edit([&]() { return m_reconfigurator.unlink(m_configJSONObject, colID, appRowIdx); });
}

void HomeScreenModel::changePO(int colID, int appRowIdx, int listViewIdx)
{
    edit([&]() { return m_reconfigurator.changePO(m_configJSONObject, colID, appRowIdx, listViewIdx); });
}

void HomeScreenModel::removeBlock(int colID, int appRowIdx)
{
    edit([&]() { return m_reconfigurator.removeBlock(m_configJSONObject, colID, appRowIdx); });
}

bool HomeScreenModel::canRemoveBlock(int colID, int appRowIdx) const
{
    return m_reconfigurator.canRemoveBlock(colID, appRowIdx);
}

void HomeScreenModel::setCrossoverConfig(int row, QString newXoverName)
{
    edit([&]() { return m_reconfigurator.setCrossoverConfig(m_configJSONObject, row, newXoverName); });
}

void HomeScreenModel::setOutputName(int row, QString name)
{
    edit([&]() { return m_reconfigurator.renameOutputs(m_configJSONObject, row, name); });
}

void HomeScreenModel::setRouterConfig(int routerIndex)
{
    edit([&]() { return m_reconfigurator.setRouterConfig(m_configJSONObject, routerIndex); });
}

void HomeScreenModel::setMixerConfig(int col, int row, int mixerIndex)
{
    edit([&]() { return m_reconfigurator.setMixerConfig(m_configJSONObject, col, row, mixerIndex); });
}

bool HomeScreenModel::linkTest(int colID, int appRowIdx, int moreLess)
{
    return m_reconfigurator.linkTest(colID, appRowIdx, moreLess);
}

int HomeScreenModel::poListCnt(int colID, int appRowIdx)
{
    return m_reconfigurator.poListCnt(colID, appRowIdx);
}

QString HomeScreenModel::getPoName(int listIdx)
{
    return m_reconfigurator.getPoName(listIdx);
}

QVariantMap HomeScreenModel::cfgXoverListCnt(int appRowIdx)
{
    return m_reconfigurator.cfgXoverListCnt(m_configJSONObject, appRowIdx);
}

QVariantMap HomeScreenModel::getCfgXoverInfo(int listIdx)
{
    return m_reconfigurator.getCfgXoverInfo(listIdx);
}

int HomeScreenModel::getInputRouterIdx()
{
    return m_reconfigurator.getInputRouterIdx();
}

int HomeScreenModel::getMixerCfgIdx(int colID, int appRowIdx)
{
    return m_reconfigurator.getMixerCfgIdx(colID, appRowIdx);
}

QString HomeScreenModel::columnName(int colID) const
{
    return m_reconfigurator.columnName(colID);
}

int HomeScreenModel::builderColumn(QString gridName, int gridColumn) const
{
    const int offset = isChainGrid(gridName) ? builderColumnOffset(gridName) : -1;
    return offset < 0 || gridColumn < 0 || gridColumn >= m_grids.value(gridName).size() ? -1 : offset + gridColumn;
}

QString HomeScreenModel::cellTemplate(int colID, int appRowIdx) const
{
    return m_reconfigurator.cellTemplate(colID, appRowIdx);
}

QString HomeScreenModel::templateLabel(QString templateName) const
{
    const Json::Value &templ = m_reconfigurator.templates()[templateName.toStdString()];
    const Json::Value &type = templ.isObject() ? templ[".type"] : Json::Value::nullSingleton();
    const QString name = blockName(type.isString() ? QString::fromStdString(type.asString()) : QString());
    return name.isEmpty() ? templateName : name;
}

QStringList HomeScreenModel::inputRouterConfigNames() const
{
    QStringList names;
    for (const Reconfigurator::RouterChoice &choice : Reconfigurator::routerChoices())
        names.append(choice.name);
    return names;
}

QStringList HomeScreenModel::recommendedOutputNames() const
{
    QStringList names;
    for (const Json::Value &v : m_reconfigurator.templates()[".recommendedOutputNames"])
        names.append(QString::fromStdString(v.isString() ? v.asString() : std::string()));
    return names;
}

QVariantList HomeScreenModel::midMixerOptions() const
{
    static const QVariantList options = tarn::home::readMixerOptions();
    return options;
}

QVariantList HomeScreenModel::standardOutputNames() const
{
    static const QVariantList names = tarn::home::readOutputNames();
    return names;
}

QStringList HomeScreenModel::recommendedInputNames()
{
    QStringList names;
    for (const Json::Value &v : m_reconfigurator.templates()[".recommendedInputNames"])
        names.append(QString::fromStdString(v.isString() ? v.asString() : std::string()));
    return names;
}

// ---------------------------------------------------------------------------------------------
// Input router

bool HomeScreenModel::builderConfigHeld() const
{
    const QJsonValue builderConfig = m_configJSONObject.value(kBuilderConfig);
    if (builderConfig.isUndefined() || builderConfig.isNull()) {
        qCWarning(lcHome) << "m_configJSONObject is empty";
        return false;
    }
    return true;
}

Json::Value HomeScreenModel::routerSlots() const
{
    const Json::Value cell = routerCell();
    return cell.isArray() && cell.size() > 1 && cell[1].isArray() ? cell[1] : Json::Value();
}

Json::Value HomeScreenModel::routerCell() const
{
    const Json::Value builderConfig = tarn::home::toJsoncpp(m_configJSONObject.value(kBuilderConfig));
    const Json::Value &columns = builderConfig["Columns"];
    if (!columns.isArray() || columns.empty() || !columns[0].isArray() || columns[0].size() < 2)
        return Json::Value();
    return columns[0][1];
}

QString HomeScreenModel::sourceName(int sourceID) const
{
    if (sourceID < 0 || sourceID >= kRouterSources)
        return QString();
    const Json::Value &attributes = m_reconfigurator.templates()["InputRouter"]["Attributes"];
    const std::string member = "Source" + std::to_string(sourceID + 1) + "Name";
    const Json::Value &name = attributes.isObject() ? attributes[member] : Json::Value::nullSingleton();
    return name.isString() ? QString::fromStdString(name.asString()) : QString();
}

QString HomeScreenModel::getInputRouterSourceName(int slotNum)
{
    if (!builderConfigHeld())
        return QString();
    if (slotNum < 1 || slotNum > kRouterSlots)
        return QString();
    const Json::Value slotList = routerSlots();
    const Json::Value &entry = Json::ArrayIndex(slotNum - 1) < slotList.size() ? slotList[Json::ArrayIndex(slotNum - 1)]
                                                                               : Json::Value::nullSingleton();
    const QString name = entry.isInt() ? sourceName(entry.asInt()) : QString();
    if (name.isEmpty())
        return QStringLiteral("InputSlot") + QString::number(slotNum);
    return m_sourceNameAliases.value(name, name);
}

QString HomeScreenModel::getInputRouterSourceNameForCardName(QString strCardName)
{
    return m_sourceNameAliases.value(strCardName, strCardName);
}

QList<int> HomeScreenModel::inputRouterSwapOptionsForSlotNum(int slotNum)
{
    if (!builderConfigHeld())
        return {};
    if (slotNum < 1 || slotNum > kRouterSlots)
        return {};
    QList<int> options{slotNum - 1};
    for (int card = kRouterSlots; card < kRouterSources; ++card)
        options.append(card);
    const Json::Value slotList = routerSlots();
    for (Json::ArrayIndex i = 0; i < slotList.size() && i < Json::ArrayIndex(kRouterSlots); ++i) {
        if (int(i) == slotNum - 1 || !slotList[i].isInt())
            continue;
        options.removeOne(slotList[i].asInt());
    }
    return options;
}

QString HomeScreenModel::inputRouterGetSourceNameForSourceID(int sourceID)
{
    if (!builderConfigHeld())
        return QString();
    const QString name = sourceName(sourceID);
    return m_sourceNameAliases.value(name, name);
}

void HomeScreenModel::inputRouterSetSource(int slotNum, int sourceID)
{
    if (slotNum < 1 || slotNum > kRouterSlots || sourceID < 0 || sourceID >= kRouterSources)
        return;
    Json::Value builderConfig = tarn::home::toJsoncpp(m_configJSONObject.value(kBuilderConfig));
    Json::Value &columns = builderConfig["Columns"];
    if (!columns.isArray() || columns.empty() || !columns[0].isArray() || columns[0].size() < 2
        || !columns[0][1].isArray() || columns[0][1].empty())
        return;
    Json::Value &cell = columns[0][1];
    if (cell.size() < 2 || !cell[1].isArray()) {
        // No slot list yet: every slot takes its own input.
        Json::Value own(Json::arrayValue);
        for (int i = 0; i < kRouterSlots; ++i)
            own.append(i);
        cell.resize(std::max<Json::ArrayIndex>(cell.size(), 2));
        cell[1] = own;
    }
    if (Json::ArrayIndex(slotNum - 1) >= cell[1].size())
        return;
    cell[1][Json::ArrayIndex(slotNum - 1)] = sourceID;
    if (m_reconfigurator.setBuilderConfig(m_configJSONObject, builderConfig))
        documentChanged();
    emit inputSourceNamesChanged();
    compareWithBaseline();
}
