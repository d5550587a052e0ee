#include "lineformat.h"

#include <QMetaType>

void tarn::registerDataFromDeviceTypes()
{
    qRegisterMetaType<DataFromDevice>("DataFromDevice");
    qRegisterMetaType<DataFromDevice *>("DataFromDevice*");
}

namespace tarn::protocol {
namespace {
const QString kBackslash = QStringLiteral("\\");
const QString kTwoBackslashes = QStringLiteral("\\\\");
} // namespace

quint16 devicePort()
{
    bool ok = false;
    const uint port = qEnvironmentVariable("TARN_DEVICE_PORT").toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? quint16(port) : kDefaultPort;
}

QString requestPath(const DataFromDevice &request)
{
    QString path;
    if (request.poName == QLatin1String("NPO")) {
        path = kTwoBackslashes + request.svName;
    } else if (request.poName == QLatin1String("Presets")) {
        path = QStringLiteral("\\\\Storage\\Presets\\SV\\") + request.svName;
    } else if (request.poName == QLatin1String("Crossover")
               && (request.svName == QLatin1String("NumBands") || request.svName == QLatin1String("MonoSub"))) {
        path = QStringLiteral("\\\\Preset\\Crossover\\AT\\") + request.svName;
    } else {
        path = QStringLiteral("\\\\Preset\\") + request.poName + QStringLiteral("\\SV\\") + request.svName;
    }
    path += kBackslash;
    if (request.valueType == QLatin1String("%"))
        path += QLatin1Char('%');
    return path;
}

QByteArray formatRequest(const DataFromDevice &request)
{
    if (request.poName.isEmpty() || request.svName.isEmpty())
        return QByteArray();
    QString line = request.command + QStringLiteral(" \"") + requestPath(request);
    if (request.value.isEmpty())
        line += QStringLiteral("\"\n");
    else if (request.value.startsWith(QLatin1Char('"')))
        line += QStringLiteral("\" ") + request.value + QLatin1Char('\n');
    else
        line += QStringLiteral("\" \"") + request.value + QStringLiteral("\"\n");
    return line.toUtf8();
}

QByteArray formatLogin(const QString &password)
{
    return QStringLiteral("connect administrator \"%1\"\n").arg(password).toUtf8();
}

QByteArray formatNodeCommand(const QString &json)
{
    QString object = json;
    object.replace(QLatin1Char('"'), QLatin1Char('`'));
    return QStringLiteral("set %1 %2\n")
        .arg(QStringLiteral("\"\\\\Node\\Config\\SV\\Command\""), QLatin1Char('"') + object + QLatin1Char('"'))
        .toUtf8();
}

QStringList splitQuoted(const QString &line)
{
    return line.split(QLatin1Char('"'));
}

QStringList pathComponents(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

void parsePath(const QString &path, DataFromDevice &record)
{
    const QStringList c = pathComponents(path);
    if (!c.isEmpty() && c.at(0) == QLatin1String("Node")) {
        QString sv = QStringLiteral("Node");
        for (int i = 1; i < c.size(); ++i) {
            if (c.at(i) != QLatin1String("%"))
                sv += kBackslash + c.at(i);
        }
        record.svName = sv;
        record.poName = QStringLiteral("NPO");
    } else if (c.size() > 3) {
        record.svName = c.at(3);
        record.poName = c.at(1);
    }
    if (c.size() > 4)
        record.valueType = c.at(4);
}

bool isValueWord(const QString &word)
{
    static const QStringList words = {QStringLiteral("sub"), QStringLiteral("subr"), QStringLiteral("set"),
                                      QStringLiteral("setr"), QStringLiteral("get"), QStringLiteral("asyncget"),
                                      QStringLiteral("unsubr")};
    return words.contains(word);
}

DataFromDevice parseValueLine(const QStringList &parts, const QString &word)
{
    DataFromDevice record;
    record.command = word;
    if (parts.size() > 3)
        record.value = parts.at(3);
    if (parts.size() > 1)
        parsePath(parts.at(1), record);
    return record;
}

void LineClassifier::reset()
{
    m_listing = Listing::None;
    m_path.clear();
    m_items.clear();
    m_record = DataFromDevice();
}

LineClassifier::Kind LineClassifier::classify(const QString &line)
{
    if (m_listing != Listing::None) {
        const bool choices = m_listing == Listing::Choices;
        if (line == (choices ? QLatin1String("endlc") : QLatin1String("endls"))) {
            m_listing = Listing::None;
            return choices ? Kind::Choices : Kind::Children;
        }
        if (line.startsWith(QLatin1Char('\t'))) {
            m_items.append(line.mid(1));
            return Kind::ListingItem;
        }
        return Kind::Dropped;
    }
    // The last delivered listing is gone once the next line is looked at.
    m_path.clear();
    m_items.clear();

    if (line == QLatin1String(kGreeting))
        return Kind::Greeting;
    if (line == QLatin1String(kLoggedIn))
        return Kind::LoggedIn;
    if (line == QLatin1String(kLoginRefused))
        return Kind::LoginRefused;

    const QStringList parts = splitQuoted(line);
    const QString word = parts.at(0).trimmed();
    if (word == QLatin1String("lc") || word == QLatin1String("ls")) {
        m_listing = word == QLatin1String("lc") ? Listing::Choices : Listing::Children;
        m_path = parts.size() > 1 ? parts.at(1).trimmed() : QString();
        return Kind::ListingOpened;
    }
    if (word == QLatin1String("set") && parts.size() < 4)
        return Kind::Dropped;
    if (!isValueWord(word))
        return Kind::Dropped;
    m_record = parseValueLine(parts, word);
    return Kind::Value;
}
} // namespace tarn::protocol
