#include "quarramodel.h"

#include "devicestate.h"
#include "eqbehaviour.h"

#include <templatelibrary.h>

#include <json/writer.h>

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTimer>

#include <cmath>
#include <memory>

Q_LOGGING_CATEGORY(lcQuarra, "tarn.offline.quarra", QtInfoMsg)

// The table and the library sit in a static library's resources; nothing else would pull them in.
static void initQuarraResources()
{
    Q_INIT_RESOURCE(offline_model);
}

namespace tarn::offline {
namespace {
const QString kTemplates = QStringLiteral(":/offline-model/QuarraConfigBuilderTemplates.json");
const QString kTable = QStringLiteral(":/offline-model/quarra.json");
constexpr int kInvalidParams = -32602;
constexpr int kFailed = -32000;

QByteArray writeJson(const Json::Value &value, const char *indentation = "")
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = indentation;
    writer["emitUTF8"] = true;
    return QByteArray::fromStdString(Json::writeString(writer, value));
}

// Texts from a client or the builder travel inside a result written with grave accents for
// quotes: nothing in them may become a quote, a grave accent or a line break.
QString messageSafe(const QString &text, int maxLength = 400)
{
    QString out = text.left(maxLength);
    for (QChar &c : out) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`'))
            c = QLatin1Char('\'');
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return out;
}

QJsonObject errorAnswer(const QJsonValue &id, int code, const QString &message)
{
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code},
                                                             {QStringLiteral("message"), messageSafe(message)}}}};
}

QJsonObject resultAnswer(const QJsonValue &id, const QJsonValue &result)
{
    return QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("result"), result}};
}

// The one object name a copy or paste names: params [name].
QString objectParam(const QJsonValue &params)
{
    const QJsonArray list = params.toArray();
    return list.size() == 1 && list.at(0).isString() ? list.at(0).toString() : QString();
}

Json::Value emptyBuilderConfig()
{
    Json::Value config(Json::objectValue);
    config["Format"] = "BuilderConfig";
    config["Device"] = "Quarra";
    config["Version"] = tarn::ConfigBuilder::kBuilderConfigVersion;
    config["Columns"] = Json::Value(Json::arrayValue);
    return config;
}
} // namespace

QuarraModel::QuarraModel(const Settings &settings, QObject *parent) : QObject(parent), m_settings(settings)
{
    initQuarraResources();
}

QuarraModel::~QuarraModel()
{
    if (m_state)
        m_state->setNodeCommandHandler(nullptr);
}

QString QuarraModel::builtInTable()
{
    return kTable;
}

bool QuarraModel::prepare(Catalogue *catalogue, QString *error)
{
    const QString tablePath = m_settings.tablePath.isEmpty() ? kTable : m_settings.tablePath;
    if (!m_table.load(tablePath, error))
        return false;
    Json::Value templates;
    QString why;
    if (!tarn::config::loadJsonFile(kTemplates, templates, &why)) {
        *error = QStringLiteral("the template library: ") + why;
        return false;
    }
    m_builder.setTemplates(std::move(templates));

    Chain chain;
    if (!buildChain(startingConfig(), &chain, error))
        return false;
    *catalogue = chain.catalogue;
    setChain(std::move(chain));
    return true;
}

Json::Value QuarraModel::startingConfig() const
{
    if (m_settings.empty)
        return Json::Value();
    if (!m_settings.stateDir.isEmpty()) {
        const QString path = QDir(m_settings.stateDir).filePath(QLatin1String(kChainFile));
        if (QFile::exists(path)) {
            Json::Value saved;
            QString why;
            if (tarn::config::loadJsonFile(path, saved, &why) && saved.isObject() && saved.isMember("builderConfig")) {
                const Json::Value config = saved["builderConfig"];
                Json::Value probe;
                tarn::ConfigBuilder builder(m_builder.templates());
                if (config.isNull() || builder.build(probe, config)) {
                    qCInfo(lcQuarra) << "running the chain kept in" << path;
                    return config;
                }
                why = QString::fromStdString(builder.errorSummary());
            }
            qCWarning(lcQuarra).noquote() << "ignoring" << path << ":" << why << "; the default chain runs";
        }
    }
    return m_builder.templates()[".default"];
}

bool QuarraModel::buildChain(const Json::Value &builderConfig, Chain *chain, QString *error)
{
    // A processor without configuration still has its fixed objects (meters, generator, chip
    // links): the builder makes them for a config without columns.
    const bool empty = builderConfig.isNull();
    Json::Value document;
    if (!m_builder.build(document, empty ? emptyBuilderConfig() : builderConfig)) {
        *error = QString::fromStdString(m_builder.errorSummary());
        const std::string &detail = m_builder.errorDetail();
        if (!detail.empty())
            *error += QLatin1Char(' ') + QString::fromStdString(detail).simplified();
        return false;
    }
    const QByteArray built = writeJson(document);
    QJsonParseError parseError{};
    const QJsonObject json = QJsonDocument::fromJson(built, &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("the built document does not read back: ") + parseError.errorString();
        return false;
    }
    if (!m_table.compose(json, &chain->catalogue, error))
        return false;
    EqBehaviour::addRoomMeasurement(&chain->catalogue);
    for (auto it = json.begin(); it != json.end(); ++it) {
        const QString cls = it.value().toObject().value(QStringLiteral("ClassName")).toString();
        if (!it.key().startsWith(QLatin1Char('.')) && !cls.isEmpty()) {
            chain->classOf.insert(it.key(), cls);
            chain->blockOf.insert(it.key(), cls + QLatin1Char('/') + it.value().toObject().value(QStringLiteral(".type")).toString());
        }
    }
    chain->builderConfig = builderConfig;
    if (empty) {
        Json::Value served(Json::objectValue);
        served["gridsDisplay"] = Json::Value(Json::arrayValue);
        served["isEmpty"] = true;
        chain->document = writeJson(served);
    } else {
        // Served as the builder writes it for people: indented, one member per line.
        chain->document = writeJson(document, "  ");
    }
    return true;
}

void QuarraModel::setChain(Chain chain)
{
    m_builderConfig = std::move(chain.builderConfig);
    m_document = std::move(chain.document);
    m_sha256 = QCryptographicHash::hash(m_document, QCryptographicHash::Sha256).toHex();
    m_classOf = std::move(chain.classOf);
    m_blockOf = std::move(chain.blockOf);
    qCInfo(lcQuarra) << "configuration document of" << m_document.size() << "bytes," << m_classOf.size()
                     << "processing objects, sha256" << m_sha256;
}

void QuarraModel::saveChain() const
{
    if (m_settings.stateDir.isEmpty())
        return;
    Json::Value saved(Json::objectValue);
    saved["builderConfig"] = m_builderConfig;
    QSaveFile file(QDir(m_settings.stateDir).filePath(QLatin1String(kChainFile)));
    if (!file.open(QIODevice::WriteOnly) || file.write(writeJson(saved)) < 0 || !file.commit())
        qCWarning(lcQuarra) << "cannot keep the chain in" << file.fileName() << file.errorString();
}

void QuarraModel::attach(DeviceState *state)
{
    m_state = state;
    m_state->setNodeCommandHandler([this](const QJsonObject &request) { return handle(request); });
}

bool QuarraModel::handle(const QJsonObject &request)
{
    const QString method = request.value(QStringLiteral("method")).toString();
    const QJsonValue id = request.value(QStringLiteral("id"));
    const QJsonValue params = request.value(QStringLiteral("params"));
    QJsonObject answer;
    if (method == QLatin1String("GetConfigDocument")) {
        answer = documentChunk(params);
    } else if (method == QLatin1String("CopyObjectSVs")) {
        answer = copyObject(params);
    } else if (method == QLatin1String("PasteObjectSVs")) {
        answer = pasteObject(params);
    } else if (method == QLatin1String("Reconfig")) {
        reconfigure(request);
        return true;
    } else {
        return false;
    }
    answer.insert(QStringLiteral("id"), id);
    m_state->finishNodeCommand(method, answer);
    return true;
}

QJsonObject QuarraModel::documentChunk(const QJsonValue &params) const
{
    const QJsonArray list = params.toArray();
    const double offset = list.size() == 1 ? list.at(0).toDouble(-1) : -1;
    if (!list.at(0).isDouble() || offset < 0 || offset > m_document.size() || std::floor(offset) != offset)
        return errorAnswer(QJsonValue(), kInvalidParams,
                           QStringLiteral("Invalid params: [offset] with an offset from 0 to %1").arg(m_document.size()));
    const QByteArray data = m_document.mid(int(offset), kChunkBytes);
    return resultAnswer(QJsonValue(), QJsonObject{{QStringLiteral("offset"), offset},
                                                  {QStringLiteral("size"), m_document.size()},
                                                  {QStringLiteral("sha256"), QString::fromLatin1(m_sha256)},
                                                  {QStringLiteral("data"), QString::fromLatin1(data.toBase64())}});
}

QJsonObject QuarraModel::copyObject(const QJsonValue &params)
{
    const QString name = objectParam(params);
    const QString prefix = QStringLiteral("Preset\\") + name + QStringLiteral("\\SV\\");
    if (!m_classOf.contains(name))
        return errorAnswer(QJsonValue(), kInvalidParams, QStringLiteral("Unknown processing object ") + name);
    Clipboard copied{name, m_classOf.value(name), {}};
    const auto &vars = m_state->catalogue().variables();
    for (size_t i = 0; i < vars.size(); ++i) {
        const Variable &v = vars[i];
        if (v.object == name && v.presetScope && v.writable && v.key.startsWith(prefix) && m_state->isPresent(int(i)))
            copied.values.append({v.name, m_state->display(int(i))});
    }
    qCInfo(lcQuarra) << "copied" << copied.values.size() << "settings of" << name;
    m_clipboard = copied;
    return resultAnswer(QJsonValue(), QJsonObject{{QStringLiteral("object"), name},
                                                  {QStringLiteral("count"), copied.values.size()}});
}

QJsonObject QuarraModel::pasteObject(const QJsonValue &params)
{
    const QString name = objectParam(params);
    if (!m_classOf.contains(name))
        return errorAnswer(QJsonValue(), kInvalidParams, QStringLiteral("Unknown processing object ") + name);
    if (m_clipboard.object.isEmpty())
        return errorAnswer(QJsonValue(), kFailed, QStringLiteral("Nothing copied"));
    if (m_classOf.value(name) != m_clipboard.className)
        return errorAnswer(QJsonValue(), kFailed, QStringLiteral("Mismatch PO Copying"));
    int changed = 0;
    for (const auto &value : qAsConst(m_clipboard.values)) {
        // Written as a client writes, so every change is pushed and marks the preset modified.
        const int idx = m_state->indexOf(QStringLiteral("Preset\\%1\\SV\\%2").arg(name, value.first));
        QString why;
        if (idx >= 0 && m_state->isPresent(idx)
            && m_state->write(idx, value.second, false, &why) == DeviceState::WriteResult::Changed)
            ++changed;
    }
    qCInfo(lcQuarra) << "pasted the settings of" << m_clipboard.object << "onto" << name << ":" << changed << "changed";
    return resultAnswer(QJsonValue(), QJsonObject{{QStringLiteral("object"), name},
                                                  {QStringLiteral("from"), m_clipboard.object},
                                                  {QStringLiteral("changed"), changed}});
}

void QuarraModel::reconfigure(const QJsonObject &request)
{
    const QString method = QStringLiteral("Reconfig");
    const QJsonValue id = request.value(QStringLiteral("id"));
    const QJsonArray params = request.value(QStringLiteral("params")).toArray();
    if (m_reconfiguring || m_state->recallInProgress()) {
        m_state->finishNodeCommand(method, errorAnswer(id, kFailed, m_reconfiguring ? QStringLiteral("A reconfiguration is running")
                                                                                      : QStringLiteral("A preset is loading")));
        return;
    }
    if (params.size() != 2 || params.at(0).toString() != QLatin1String("Builder") || !params.at(1).isObject()) {
        m_state->finishNodeCommand(method, errorAnswer(id, kInvalidParams, QStringLiteral("Invalid params: [\"Builder\", {builder config}]")));
        return;
    }
    Json::Value config;
    const QByteArray text = QJsonDocument(params.at(1).toObject()).toJson(QJsonDocument::Compact);
    std::string why;
    auto chain = std::make_shared<Chain>();
    QString error;
    if (!tarn::config::parseJson(text.toStdString(), config, &why)) {
        error = QString::fromStdString(why);
    } else if (!buildChain(config, chain.get(), &error)) {
        qCInfo(lcQuarra).noquote() << "reconfiguration refused:" << error;
    }
    if (!error.isEmpty()) {
        m_state->finishNodeCommand(method, errorAnswer(id, kFailed, error));
        return;
    }
    // The processor takes a moment to load the new chain; the old one runs until then.
    m_reconfiguring = true;
    QTimer::singleShot(qMax(0, m_settings.reconfigMs), this, [this, chain, id, method] {
        m_reconfiguring = false;
        if (m_state->recallInProgress()) {
            m_state->finishNodeCommand(method, errorAnswer(id, kFailed, QStringLiteral("A preset is loading")));
            return;
        }
        // A crossover with another layout or a mixer of another type is another block.
        QSet<QString> renewed;
        for (auto it = chain->blockOf.cbegin(); it != chain->blockOf.cend(); ++it) {
            if (m_blockOf.contains(it.key()) && m_blockOf.value(it.key()) != it.value())
                renewed.insert(it.key());
        }
        m_state->reconfigure(chain->catalogue, renewed);
        const int objects = chain->classOf.size();
        setChain(std::move(*chain));
        saveChain();
        m_state->finishNodeCommand(method, resultAnswer(id, QJsonObject{{QStringLiteral("objects"), objects},
                                                                         {QStringLiteral("sha256"), QString::fromLatin1(m_sha256)}}));
    });
}
} // namespace tarn::offline
