#include "appdatastore.h"

#include "homelog.h"
#include "tarntextsv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <initializer_list>
#include <utility>

namespace {
const QString kStatusPo = QStringLiteral("NPO");
const QString kStatusSv = QStringLiteral("Node\\Config\\SV\\Command:Status");

void insertAll(QMap<QString, QString> &table, std::initializer_list<std::pair<const char *, const char *>> rows)
{
    for (const auto &row : rows)
        table.insert(QString::fromLatin1(row.first), QString::fromLatin1(row.second));
}
} // namespace

AppDataStore::AppDataStore(QObject *parent) : QObject(parent)
{
    m_status = new TarnTextSV(this);
    m_status->setObjectName(QStringLiteral("DeviceBusyTSV"));
    connect(m_status, &TarnTextSV::valueChanged, this, &AppDataStore::onStatusValueChanged);
    m_status->setPoName(kStatusPo);
    m_status->setSvName(kStatusSv);

    loadRangeData(QString::fromLatin1(kRangeDataPath));

    insertAll(m_inputNames, {{"In1", "Analog 1"}, {"In2", "Analog 2"}, {"In3", "Analog 3"}, {"In4", "AES 1"},
                             {"In5", "AES 2"}, {"In6", "AES 3"}, {"In7", "AES 4"}});
    // Two digits: index of the first channel from 0, then the number of channels.
    insertAll(m_inputGroups, {{"01", "Input A"}, {"11", "Input B"}, {"21", "Input C"}, {"02", "Input A,B"},
                              {"12", "Input B,C"}, {"03", "Input A,B,C"}});
    insertAll(m_outputGroups, {{"01", "Output 1"}, {"11", "Output 2"}, {"21", "Output 3"}, {"31", "Output 4"},
                               {"41", "Output 5"}, {"51", "Output 6"}, {"02", "Output 1,2"}, {"12", "Output 2,3"},
                               {"22", "Output 3,4"}, {"32", "Output 4,5"}, {"42", "Output 5,6"},
                               {"03", "Output 1,2,3"}, {"13", "Output 2,3,4"}, {"23", "Output 3,4,5"},
                               {"33", "Output 4,5,6"}, {"04", "Output 1,2,3,4"}, {"14", "Output 2,3,4,5"},
                               {"24", "Output 3,4,5,6"}, {"05", "Output 1,2,3,4,5"}, {"15", "Output 2,3,4,5,6"},
                               {"06", "Output 1,2,3,4,5,6"}});
}

AppDataStore::~AppDataStore() = default;

bool AppDataStore::isBusyStatus(const QString &status)
{
    return (status.startsWith(QLatin1String("Load:")) || status.startsWith(QLatin1String("Reconfig:")))
        && status.endsWith(QLatin1String("InProgress"));
}

void AppDataStore::onStatusValueChanged(QString a)
{
    if (m_busyReportsSuppressed)
        return;
    emit deviceBusyStateChanged(isBusyStatus(a));
}

bool AppDataStore::deviceBusy() const
{
    if (m_busyReportsSuppressed)
        return false;
    return isBusyStatus(m_status->value());
}

void AppDataStore::listenForBusyEvents()
{
    m_busyReportsSuppressed = false;
    m_status->subscribe();
}

void AppDataStore::stopListeningForBusyEvents()
{
    m_busyReportsSuppressed = true;
    m_status->cancelSubscription();
}

bool AppDataStore::parseRangeData(const QByteArray &document, QJsonObject *out)
{
    QJsonParseError error{};
    const QJsonDocument parsed = QJsonDocument::fromJson(document, &error);
    qCDebug(lcHome).noquote() << "ParseError  : " + error.errorString();
    switch (error.error) {
    case QJsonParseError::NoError:
        qCDebug(lcHome) << "Complete JSON Received";
        break;
    case QJsonParseError::UnterminatedObject:
    case QJsonParseError::UnterminatedArray:
    case QJsonParseError::UnterminatedString:
        qCWarning(lcHome) << "More Data Expected";
        break;
    default:
        qCWarning(lcHome) << "Untackled JSON Error";
        break;
    }
    // Anything but an object would leave every lookup empty; keep what was held instead.
    if (parsed.isNull() || !parsed.isObject())
        return false;
    *out = parsed.object();
    return true;
}

bool AppDataStore::loadRangeData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcHome) << "unable to open" << path;
        return false;
    }
    if (file.size() > kMaxRangeDataBytes) {
        qCWarning(lcHome) << "range data" << path << "larger than" << kMaxRangeDataBytes << "bytes, not read";
        return false;
    }
    QJsonObject data;
    if (!parseRangeData(file.read(kMaxRangeDataBytes + 1), &data))
        return false;
    m_rangeData = data;
    return true;
}

QString AppDataStore::getJsonArray(QString poClass, QString svClass) const
{
    const QJsonValue block = m_rangeData.value(poClass);
    if (!block.isObject())
        return QStringLiteral("[]");
    const QJsonValue ranges = block.toObject().value(svClass);
    if (!ranges.isArray())
        return QStringLiteral("[]");
    return QString::fromUtf8(QJsonDocument(ranges.toArray()).toJson(QJsonDocument::Compact));
}

void AppDataStore::setPOName(QString name)
{
    if (m_poName == name)
        return;
    m_poName = name;
    emit poNameChanged(m_poName);
}

void AppDataStore::setChannelName(QString name)
{
    const int blank = name.indexOf(QLatin1Char(' '));
    const QString word = blank < 0 ? name : name.left(blank);
    const QString code = blank < 0 ? QString() : name.mid(blank + 1);
    m_channelName = word == QLatin1String("in") ? m_inputGroups.value(code) : m_outputGroups.value(code);
}

void AppDataStore::setChannelIndex(int index)
{
    m_channelIndex = index;
}

void AppDataStore::setDiscoveryConnectionLost(bool lost)
{
    m_discoveryConnectionLost = lost;
}

void AppDataStore::setIsStartup(QString startup)
{
    m_startup = startup;
}

QString AppDataStore::inputNameFromIdx(QString n) const
{
    const auto found = m_inputNames.constFind(n);
    if (found != m_inputNames.constEnd())
        return found.value();
    return m_inputNames.value(QStringLiteral("In") + n);
}

void AppDataStore::setOutputName(QString key, QString value)
{
    m_outputNames.insert(key, value);
}

QString AppDataStore::getOutputName(QString key) const
{
    return m_outputNames.value(key);
}

void AppDataStore::setCopyPastePrg(bool inProgress)
{
    m_copyPasteInProgress = inProgress;
}

void AppDataStore::setLimiterList(QString list)
{
    m_limiters.clear();
    if (list.size() > kMaxLimiterListLength) {
        qCWarning(lcHome) << "limiter list of" << list.size() << "characters cut to" << kMaxLimiterListLength;
        list.truncate(kMaxLimiterListLength);
    }
    // The list arrives as a JSON array of names: ["A","B"].
    if (list.size() < 2)
        return;
    QString inner = list.mid(1, list.size() - 2);
    inner.remove(QLatin1Char('"'));
    if (inner.isEmpty())
        return;
    const QStringList names = inner.split(QLatin1Char(','));
    for (int i = 0; i < names.size(); ++i) {
        if (i >= kMaxLimiters) {
            qCWarning(lcHome).noquote() << "Array Index out of bounds : " + QString::number(i);
            break;
        }
        m_limiters.insert(i, names.at(i));
    }
}

QString AppDataStore::getLimiterAt(int i) const
{
    return m_limiters.value(i);
}

void AppDataStore::setWizardActive(bool active)
{
    if (m_wizardActive == active)
        return;
    m_wizardActive = active;
    emit wizardActiveChanged(m_wizardActive);
}
