#include "reconfigurator.h"

#include "homelog.h"
#include "jsonconvert.h"
#include "nodecommandchannel.h"
#include "platform.h"
#include "tcpadaptor.h"
#include "templatelibrary.h"

#include <json/writer.h>

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {
constexpr int kMaxLayoutFileBytes = 1024 * 1024;
constexpr int kMaxOutputNameLength = 32;
const char kReconfigMethod[] = "Reconfig";
const char kCrossoverColumn[] = "Column_Out_Crossover";
const char kOutputColumn[] = "Column_Output";
const char kRouterColumn[] = "Column_InputRouter";

QString text(const Json::Value &value)
{
    return value.isString() ? QString::fromStdString(value.asString()) : QString();
}

// The characters a name typed by the user may hold (the screens' validator says the same).
bool isValidName(const QString &name)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9 !#$%&'()+,\\-.=\\[\\]^_\\\\{}~@]+$"));
    return !name.trimmed().isEmpty() && name.size() <= kMaxOutputNameLength && allowed.match(name).hasMatch();
}
} // namespace

Reconfigurator::Reconfigurator(QObject *parent)
    : QObject(parent), m_channel(new tarn::home::NodeCommandChannel(this))
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        connect(adaptor, &TCPAdaptor::reconfigResponse, this, &Reconfigurator::onReconfigResponse);
        // A lost link ends the wait too; the view loader clears the busy flag itself then.
        const auto lost = [this]() {
            if (!isApplying())
                return;
            m_channel->cancel();
            endApplying(false, tr("The connection was lost during the reconfiguration."));
        };
        connect(adaptor, &TCPAdaptor::connectionLost, this, lost);
        connect(adaptor, &TCPAdaptor::disconnected, this, lost);
    }
    connect(m_channel, &tarn::home::NodeCommandChannel::finished, this,
            [this](const QString &method, bool done, const QJsonObject &answer) {
                if (method != QLatin1String(kReconfigMethod))
                    return;
                QString message = tarn::home::NodeCommandChannel::errorText(answer);
                if (!done && message.isEmpty())
                    message = tr("The processor could not apply the new configuration.");
                endApplying(done, message);
            });
    m_applyTimer.setSingleShot(true);
    connect(&m_applyTimer, &QTimer::timeout, this, [this]() {
        m_channel->cancel();
        endApplying(false, tr("The processor did not report the end of the reconfiguration in time."));
    });
    readCrossoverLayouts();
}

Reconfigurator::~Reconfigurator() = default;

void Reconfigurator::readCrossoverLayouts()
{
    const QString path = tarn::config::crossoverLayoutsResource();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(lcHome).noquote() << "error opening " + path + " : " + file.errorString();
        return;
    }
    QXmlStreamReader reader(file.read(kMaxLayoutFileBytes));
    CrossoverLayout layout;
    QString element;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            element = reader.name().toString();
            if (element == QLatin1String("CrossoverType")) {
                layout = CrossoverLayout();
                layout.id = reader.attributes().value(QStringLiteral("id")).toString();
                layout.code = reader.attributes().value(QStringLiteral("code")).toString();
            } else if (element == QLatin1String("Inputs")) {
                layout.inputsName = reader.attributes().value(QStringLiteral("name")).toString();
            } else if (element == QLatin1String("Outputs")) {
                layout.outputsName = reader.attributes().value(QStringLiteral("name")).toString();
            }
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            const QString value = reader.text().toString().trimmed();
            if (element == QLatin1String("configName"))
                layout.configName = value;
            else if (element == QLatin1String("DisplayName"))
                layout.displayName = value;
            else if (element == QLatin1String("Inputs"))
                layout.inputs = value.toInt();
            else if (element == QLatin1String("Outputs"))
                layout.outputs = value.toInt();
        } else if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("CrossoverType") && !layout.configName.isEmpty()) {
                m_layoutIndex.insert(layout.configName, m_layouts.size());
                m_layouts.append(layout);
            }
            element.clear();
        }
    }
    if (reader.hasError()) {
        qCWarning(lcHome).noquote() << QStringLiteral("error in %1 at %2:%3 : %4")
                                           .arg(path)
                                           .arg(reader.lineNumber())
                                           .arg(reader.columnNumber())
                                           .arg(reader.errorString());
        m_layouts.clear();
        m_layoutIndex.clear();
    }
}

bool Reconfigurator::loadTemplates()
{
    if (m_loaded)
        return true;
    QString error;
    if (!tarn::config::loadJsonFile(tarn::config::templatesResource(), m_templates, &error)) {
        qCWarning(lcHome).noquote() << "File open error: " + error;
        return false;
    }
    m_builder.setTemplates(m_templates);
    m_loaded = true;
    return true;
}

void Reconfigurator::initialize(const QJsonObject &config, const QString &deviceIP)
{
    loadTemplates();
    m_deviceIP = deviceIP;
    const QJsonValue builderConfig = config.value(QStringLiteral(".builderConfig"));
    m_builderConfig = builderConfig.isObject() ? tarn::home::toJsoncpp(builderConfig) : Json::Value();
    m_document = Json::Value();
    m_lastError.clear();
}

bool Reconfigurator::rebuild(QJsonObject &config, const Json::Value &candidate)
{
    Json::Value document;
    if (!m_builder.build(document, candidate)) {
        // The last good document and the builder config behind it stay as they are.
        m_lastError = QString::fromStdString(m_builder.errorSummary());
        qCWarning(lcHome).noquote() << "rebuild refused:" << m_lastError
                                    << QString::fromStdString(m_builder.errorDetail()).left(512);
        emit rebuildFailed(m_lastError);
        return false;
    }
    m_lastError.clear();
    m_builderConfig = candidate;
    m_document = std::move(document);
    config = tarn::home::toQtObject(m_document);
    return true;
}

bool Reconfigurator::useDefault(QJsonObject &config)
{
    if (!loadTemplates())
        return false;
    const Json::Value *defaults = m_templates.find(".default", ".default" + 8);
    return defaults && rebuild(config, *defaults);
}

bool Reconfigurator::setBuilderConfig(QJsonObject &config, const Json::Value &builderConfig)
{
    return m_loaded && rebuild(config, builderConfig);
}

bool Reconfigurator::inColumn(int colID) const
{
    const Json::Value *columns = m_builderConfig.isObject() ? m_builderConfig.find("Columns", "Columns" + 7) : nullptr;
    return m_loaded && columns && columns->isArray() && colID >= 0 && colID < int(columns->size());
}

int Reconfigurator::columnIndex(const QString &name) const
{
    const Json::Value *columns = m_builderConfig.isObject() ? m_builderConfig.find("Columns", "Columns" + 7) : nullptr;
    if (!columns || !columns->isArray())
        return -1;
    for (Json::ArrayIndex i = 0; i < columns->size(); ++i) {
        const Json::Value &column = (*columns)[i];
        if (column.isArray() && !column.empty() && text(column[0]) == name)
            return int(i);
    }
    return -1;
}

QString Reconfigurator::columnName(int colID) const
{
    if (!inColumn(colID))
        return QString();
    const Json::Value &column = m_builderConfig["Columns"][Json::ArrayIndex(colID)];
    return column.isArray() && !column.empty() ? text(column[0]) : QString();
}

QString Reconfigurator::cellTemplate(int colID, int appRowIdx) const
{
    if (!inColumn(colID))
        return QString();
    try {
        const Json::Value &cell = m_builder.cell(m_builderConfig, colID, appRowIdx + 1);
        return cell.isArray() && !cell.empty() ? text(cell[0]) : QString();
    } catch (const tarn::ConfigBuilderError &) {
        return QString();
    }
}

bool Reconfigurator::link(QJsonObject &config, int colID, int appRowIdx)
{
    qCDebug(lcHome) << "link" << colID << appRowIdx;
    if (!linkTest(colID, appRowIdx, 1))
        return false;
    Json::Value candidate = m_builderConfig;
    const int span = m_builder.cellSpan(candidate, colID, appRowIdx + 1);
    return m_builder.setSpan(candidate, colID, appRowIdx + 1, span + 1) && rebuild(config, candidate);
}

bool Reconfigurator::unlink(QJsonObject &config, int colID, int appRowIdx)
{
    qCDebug(lcHome) << "unlink" << colID << appRowIdx;
    if (!linkTest(colID, appRowIdx, -1))
        return false;
    Json::Value candidate = m_builderConfig;
    const int span = m_builder.cellSpan(candidate, colID, appRowIdx + 1);
    return m_builder.setSpan(candidate, colID, appRowIdx + 1, span - 1) && rebuild(config, candidate);
}

bool Reconfigurator::linkTest(int colID, int appRowIdx, int moreLess) const
{
    if (!inColumn(colID))
        return false;
    try {
        const int span = m_builder.cellSpan(m_builderConfig, colID, appRowIdx + 1);
        return span + moreLess >= 1 && m_builder.canSpan(m_builderConfig, colID, appRowIdx + 1, span + moreLess);
    } catch (const tarn::ConfigBuilderError &) {
        return false;
    }
}

bool Reconfigurator::canRemoveBlock(int colID, int appRowIdx) const
{
    if (!inColumn(colID))
        return false;
    try {
        const Json::Value &cell = m_builder.cell(m_builderConfig, colID, appRowIdx + 1);
        if (!cell.isArray() || cell.empty() || !cell[0].isString())
            return false;
        const Json::Value &templ = m_templates[cell[0].asString()];
        // Mixers, routers and outputs hold the chain together; inserts and crossovers may go.
        const bool hasSources = templ.isMember(".builder") && templ[".builder"].isObject()
                                && templ[".builder"].isMember("Sources");
        const bool named = templ["Attributes"].isObject() && templ["Attributes"].isMember("OutputName");
        return cell[0].asString() != "InputRouter" && !hasSources && !named;
    } catch (const tarn::ConfigBuilderError &) {
        return false;
    }
}

bool Reconfigurator::removeBlock(QJsonObject &config, int colID, int appRowIdx)
{
    if (!canRemoveBlock(colID, appRowIdx))
        return false;
    Json::Value candidate = m_builderConfig;
    const int element = m_builder.cellIndex(candidate, colID, appRowIdx + 1);
    const int span = m_builder.cellSpan(candidate, colID, appRowIdx + 1);
    const Json::Value &column = candidate["Columns"][Json::ArrayIndex(colID)];
    Json::Value rewritten(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < column.size(); ++i) {
        if (int(i) != element) {
            rewritten.append(column[i]);
            continue;
        }
        // Each row of the block becomes an empty row of its own.
        for (int n = 0; n < span; ++n)
            rewritten.append(Json::Value());
    }
    candidate["Columns"][Json::ArrayIndex(colID)] = rewritten;
    return rebuild(config, candidate);
}

int Reconfigurator::poListCnt(int colID, int appRowIdx)
{
    Q_UNUSED(appRowIdx);
    m_poList.clear();
    const QString column = columnName(colID);
    const Json::Value &allowedLists = m_templates[".slots"];
    if (column.isEmpty() || !allowedLists.isObject())
        return 0;
    const Json::Value &allowed = allowedLists[column.toStdString()];
    if (!allowed.isArray())
        return 0;
    for (const Json::Value &name : allowed) {
        if (name.isString())
            m_poList.append(QString::fromStdString(name.asString()));
    }
    return m_poList.size();
}

QString Reconfigurator::getPoName(int listIdx) const
{
    return m_poList.value(listIdx);
}

bool Reconfigurator::changePO(QJsonObject &config, int colID, int appRowIdx, int listViewIdx)
{
    qCDebug(lcHome) << "changePO" << colID << appRowIdx << listViewIdx;
    if (!inColumn(colID) || poListCnt(colID, appRowIdx) <= listViewIdx || listViewIdx < 0)
        return false;
    Json::Value candidate = m_builderConfig;
    return m_builder.replaceTemplate(candidate, colID, appRowIdx + 1, m_poList.at(listViewIdx).toStdString())
        && rebuild(config, candidate);
}

QVariantMap Reconfigurator::cfgXoverListCnt(const QJsonObject &config, int appRowIdx)
{
    Q_UNUSED(config);
    m_candidates.clear();
    QVariantMap result{{QStringLiteral("count"), 0}, {QStringLiteral("curIdx"), 0}};
    const int column = columnIndex(QString::fromLatin1(kCrossoverColumn));
    if (column < 0)
        return result;
    m_candidates = m_builder.crossoverCandidates(m_builderConfig, column, appRowIdx + 1);
    QString current;
    try {
        const Json::Value &cell = m_builder.cell(m_builderConfig, column, appRowIdx + 1);
        if (cell.isArray() && cell.size() > 1)
            current = text(cell[1]);
    } catch (const tarn::ConfigBuilderError &) {
        // an empty row past the column's end: no current layout
    }
    qCDebug(lcHome).noquote() << "\tsecondaryName:  '" + current + "'";
    int found = 0;
    for (std::size_t i = 0; i < m_candidates.size(); ++i) {
        if (QString::fromStdString(m_candidates[i]) == current) {
            found = int(i);
            qCDebug(lcHome) << "\tFound match at:" << found;
            break;
        }
    }
    result.insert(QStringLiteral("count"), int(m_candidates.size()));
    result.insert(QStringLiteral("curIdx"), found);
    return result;
}

QVariantMap Reconfigurator::getCfgXoverInfo(int listIdx) const
{
    if (listIdx < 0 || listIdx >= int(m_candidates.size()))
        return QVariantMap();
    const QString name = QString::fromStdString(m_candidates[std::size_t(listIdx)]);
    const auto at = m_layoutIndex.constFind(name);
    QVariantMap info{{QStringLiteral("configName"), name}, {QStringLiteral("cfgName"), name}, {QStringLiteral("name"), name}};
    if (at == m_layoutIndex.constEnd())
        return info;
    const CrossoverLayout &l = m_layouts.at(*at);
    info.insert(QStringLiteral("name"), l.displayName);
    info.insert(QStringLiteral("code"), l.code);
    info.insert(QStringLiteral("cfgID"), l.id.trimmed());
    info.insert(QStringLiteral("Inputs"), QStringLiteral("%1 (%2)").arg(l.inputsName).arg(l.inputs));
    info.insert(QStringLiteral("inpNum"), l.inputs);
    info.insert(QStringLiteral("inpName"), l.inputsName);
    info.insert(QStringLiteral("Outputs"), QStringLiteral("%1 (%2)").arg(l.outputsName).arg(l.outputs));
    info.insert(QStringLiteral("outNum"), l.outputs);
    info.insert(QStringLiteral("outName"), l.outputsName);
    return info;
}

bool Reconfigurator::setCrossoverConfig(QJsonObject &config, int row, const QString &newXoverName)
{
    qCDebug(lcHome).noquote() << "appRowIdx: " + QString::number(row) + " newXoverName: " + newXoverName;
    const int column = columnIndex(QString::fromLatin1(kCrossoverColumn));
    if (column < 0)
        return false;
    Json::Value candidate = m_builderConfig;
    return m_builder.setCrossoverLayout(candidate, column, row + 1, newXoverName.toStdString()) && rebuild(config, candidate);
}

bool Reconfigurator::renameOutputs(QJsonObject &config, int appRowIdx, const QString &name)
{
    qCDebug(lcHome).noquote() << "appRowIdx: " + QString::number(appRowIdx) + " name: " + name;
    const int column = columnIndex(QString::fromLatin1(kOutputColumn));
    if (column < 0 || !isValidName(name)) {
        if (column >= 0)
            emit rebuildFailed(tr("\"%1\" is not a valid output name.").arg(name.left(kMaxOutputNameLength)));
        return false;
    }
    Json::Value candidate = m_builderConfig;
    try {
        const int element = m_builder.cellIndex(candidate, column, appRowIdx + 1);
        Json::Value &cell = candidate["Columns"][Json::ArrayIndex(column)][Json::ArrayIndex(element)];
        if (!cell.isArray() || cell.empty())
            return false;
        cell.resize(std::max<Json::ArrayIndex>(cell.size(), 2));
        cell[1] = name.toStdString();
    } catch (const tarn::ConfigBuilderError &) {
        return false;
    }
    return rebuild(config, candidate);
}

const QList<Reconfigurator::RouterChoice> &Reconfigurator::routerChoices()
{
    static const QList<RouterChoice> choices{
        {QStringLiteral("Analog 1-3 and AES 1-4"), {0, 1, 2, 3, 4, 5, 6}},
        {QStringLiteral("Option card 1-7"), {7, 8, 9, 10, 11, 12, 13}},
        {QStringLiteral("Analog 1-3 and option card 1-4"), {0, 1, 2, 7, 8, 9, 10}},
        {QStringLiteral("Option card 1-3 and AES 1-4"), {7, 8, 9, 3, 4, 5, 6}},
    };
    return choices;
}

bool Reconfigurator::setRouterConfig(QJsonObject &config, int routerIndex)
{
    qCDebug(lcHome) << " routerIndex:" << routerIndex;
    const int column = columnIndex(QString::fromLatin1(kRouterColumn));
    if (column < 0 || routerIndex < 0 || routerIndex >= routerChoices().size())
        return false;
    Json::Value candidate = m_builderConfig;
    Json::Value &cell = candidate["Columns"][Json::ArrayIndex(column)][1];
    if (!cell.isArray() || cell.empty())
        return false;
    Json::Value sources(Json::arrayValue);
    for (int source : routerChoices().at(routerIndex).sources)
        sources.append(source);
    cell.resize(std::max<Json::ArrayIndex>(cell.size(), 2));
    cell[1] = sources;
    return rebuild(config, candidate);
}

int Reconfigurator::getInputRouterIdx() const
{
    const int column = columnIndex(QString::fromLatin1(kRouterColumn));
    if (column < 0)
        return -1;
    const Json::Value &cell = m_builderConfig["Columns"][Json::ArrayIndex(column)][1];
    if (!cell.isArray() || cell.size() < 2 || !cell[1].isArray())
        return 0; // no slot list: the slots take their own inputs
    QList<int> current;
    for (const Json::Value &v : cell[1])
        current.append(v.isInt() ? v.asInt() : -1);
    for (int i = 0; i < routerChoices().size(); ++i) {
        if (routerChoices().at(i).sources == current)
            return i;
    }
    return -1;
}

bool Reconfigurator::setMixerConfig(QJsonObject &config, int colID, int appRowIdx, int mixerIndex)
{
    qCDebug(lcHome).noquote() << "colID:" << colID << " appRowIdx:" << appRowIdx << " mixerIndex:" << mixerIndex;
    const QString column = columnName(colID);
    if (column != QLatin1String("Column_In_Mixer") && column != QLatin1String("Column_Mid_Mixer"))
        return false;
    return changePO(config, colID, appRowIdx, mixerIndex);
}

int Reconfigurator::getMixerCfgIdx(int colID, int appRowIdx) const
{
    const QString column = columnName(colID);
    if (column.isEmpty())
        return -1;
    try {
        const Json::Value &cell = m_builder.cell(m_builderConfig, colID, appRowIdx + 1);
        if (!cell.isArray() || cell.empty())
            return -1;
        const Json::Value &allowed = m_templates[".slots"][column.toStdString()];
        for (Json::ArrayIndex i = 0; allowed.isArray() && i < allowed.size(); ++i) {
            if (allowed[i] == cell[0])
                return int(i);
        }
    } catch (const tarn::ConfigBuilderError &) {
    }
    return -1;
}

QByteArray Reconfigurator::reconfigCommand(const QJsonObject &config)
{
    Json::Value command(Json::objectValue);
    command["id"] = "builder config reconfig";
    command["method"] = kReconfigMethod;
    command["params"] = Json::Value(Json::arrayValue);
    command["params"].append("Builder");
    command["params"].append(tarn::home::toJsoncpp(config.value(QStringLiteral(".builderConfig"))));
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    return QByteArray::fromStdString(Json::writeString(writer, command));
}

bool Reconfigurator::applyPendingChanges(const QJsonObject &config)
{
    qCDebug(lcHome) << "applyPendingChanges";
    if (!config.value(QStringLiteral(".builderConfig")).isObject())
        return false;
    const QByteArray line = reconfigCommand(config);
    qCInfo(lcHome).noquote() << "Command JSON" << QString::fromUtf8(line).left(4096);
    if (!m_channel->sendRaw(line + '\n', QString::fromLatin1(kReconfigMethod)))
        return false;
    m_applyTimer.start(m_timeoutMs);
    tarn::BusyRequests::instance()->request(true);
    return true;
}

void Reconfigurator::endApplying(bool done, const QString &message)
{
    m_applyTimer.stop();
    qCInfo(lcHome).noquote() << "reconfiguration" << (done ? "done" : "failed:") << message;
    // The new chain's document is asked for before the busy flag falls: every control asks for
    // its value again then, and the document's first chunk goes ahead of them.
    emit reconfigFinished(done, message);
    tarn::BusyRequests::instance()->request(false);
}

void Reconfigurator::onReconfigResponse(QByteArray message)
{
    Q_UNUSED(message);
    m_applyTimer.stop();
    tarn::BusyRequests::instance()->request(false);
}
