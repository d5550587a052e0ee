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

bool containsLineBreak(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return true;
    }
    return false;
}

bool containsLineBreak(const DataFromDevice &request)
{
    return containsLineBreak(request.command) || containsLineBreak(request.poName)
        || containsLineBreak(request.svName) || containsLineBreak(request.valueType)
        || containsLineBreak(request.value);
}

QByteArray formatRequest(const DataFromDevice &request)
{
    if (request.poName.isEmpty() || request.svName.isEmpty() || containsLineBreak(request))
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
    if (containsLineBreak(password))
        return QByteArray();
    return QStringLiteral("connect administrator \"%1\"\n").arg(password).toUtf8();
}

QByteArray formatNodeCommand(const QString &json)
{
    if (containsLineBreak(json))
        return QByteArray();
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

namespace {
// The shared text of a value word, or a null string. Returning literals keeps the per-line cost of
// the command field at zero allocations.
QString valueWordText(QStringRef word)
{
    switch (word.size()) {
    case 3:
        if (word == QLatin1String("sub"))
            return QStringLiteral("sub");
        if (word == QLatin1String("set"))
            return QStringLiteral("set");
        if (word == QLatin1String("get"))
            return QStringLiteral("get");
        break;
    case 4:
        if (word == QLatin1String("subr"))
            return QStringLiteral("subr");
        if (word == QLatin1String("setr"))
            return QStringLiteral("setr");
        break;
    case 6:
        if (word == QLatin1String("unsubr"))
            return QStringLiteral("unsubr");
        break;
    case 8:
        if (word == QLatin1String("asyncget"))
            return QStringLiteral("asyncget");
        break;
    default:
        break;
    }
    return QString();
}

struct Span {
    int pos = 0;
    int len = 0;
};

// The path rules of parsePath(), applied to line[from, to) without splitting it.
void parsePathRange(const QString &line, int from, int to, DataFromDevice &record)
{
    const QChar *d = line.constData();
    constexpr int kKept = 5;
    Span spans[kKept];
    int count = 0;
    for (int i = from; i < to;) {
        while (i < to && d[i] == QLatin1Char('\\'))
            ++i;
        if (i >= to)
            break;
        const int start = i;
        while (i < to && d[i] != QLatin1Char('\\'))
            ++i;
        if (count < kKept)
            spans[count] = {start, i - start};
        ++count;
    }
    const auto component = [&](int k) { return QStringRef(&line, spans[k].pos, spans[k].len); };

    if (count > 0 && component(0) == QLatin1String("Node")) {
        QString sv;
        sv.reserve(to - from);
        sv += QLatin1String("Node");
        int index = 0;
        for (int i = from; i < to;) {
            while (i < to && d[i] == QLatin1Char('\\'))
                ++i;
            if (i >= to)
                break;
            const int start = i;
            while (i < to && d[i] != QLatin1Char('\\'))
                ++i;
            if (index++ == 0)
                continue;
            if (i - start == 1 && d[start] == QLatin1Char('%'))
                continue;
            sv += QLatin1Char('\\');
            sv.append(d + start, i - start);
        }
        record.svName = sv;
        record.poName = QStringLiteral("NPO");
    } else if (count > 3) {
        record.svName = component(3).toString();
        record.poName = component(1).toString();
    }
    if (count > 4) {
        const QStringRef type = component(4);
        record.valueType = type == QLatin1String("%") ? QStringLiteral("%") : type.toString();
    }
}
} // namespace

bool isValueWord(const QString &word)
{
    return !valueWordText(QStringRef(&word)).isNull();
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
    m_itemChars = 0;
    m_itemsTruncated = false;
    m_record = DataFromDevice();
}

LineClassifier::Kind LineClassifier::classify(const QString &line)
{
    if (m_listing != Listing::None)
        return classifyListingLine(line);

    // The last delivered listing is gone once the next line is looked at.
    if (!m_items.isEmpty() || !m_path.isEmpty()) {
        m_path.clear();
        m_items.clear();
    }

    if (line == QLatin1String(kGreeting))
        return Kind::Greeting;
    if (line == QLatin1String(kLoggedIn))
        return Kind::LoggedIn;
    if (line == QLatin1String(kLoginRefused))
        return Kind::LoginRefused;
    return classifyWordLine(line);
}

LineClassifier::Kind LineClassifier::classifyListingLine(const QString &line)
{
    const bool choices = m_listing == Listing::Choices;
    if (line == (choices ? QLatin1String("endlc") : QLatin1String("endls"))) {
        m_listing = Listing::None;
        m_itemChars = 0;
        m_itemsTruncated = false;
        return choices ? Kind::Choices : Kind::Children;
    }
    if (!line.startsWith(QLatin1Char('\t')))
        return Kind::Dropped;
    if (m_items.size() >= kMaxListingItems || m_itemChars + line.size() - 1 > kMaxListingChars) {
        if (!m_itemsTruncated)
            qWarning("Listing %s is too long: further items are dropped.", qUtf8Printable(m_path));
        m_itemsTruncated = true;
        return Kind::Dropped;
    }
    m_items.append(line.mid(1));
    m_itemChars += line.size() - 1;
    return Kind::ListingItem;
}

LineClassifier::Kind LineClassifier::classifyWordLine(const QString &line)
{
    // Quote positions stand in for the parts of splitQuoted(): part k lies between quote k-1
    // and quote k (or the end of the line).
    const int size = line.size();
    const int q1 = line.indexOf(QLatin1Char('"'));
    const QStringRef word = QStringRef(&line, 0, q1 < 0 ? size : q1).trimmed();
    const int q2 = q1 < 0 ? -1 : line.indexOf(QLatin1Char('"'), q1 + 1);
    const int pathEnd = q1 < 0 ? -1 : (q2 < 0 ? size : q2);

    if (word == QLatin1String("lc") || word == QLatin1String("ls")) {
        m_listing = word == QLatin1String("lc") ? Listing::Choices : Listing::Children;
        m_path = q1 < 0 ? QString() : QStringRef(&line, q1 + 1, pathEnd - q1 - 1).trimmed().toString();
        m_items.clear();
        m_itemChars = 0;
        m_itemsTruncated = false;
        return Kind::ListingOpened;
    }

    const QString command = valueWordText(word);
    if (command.isNull())
        return Kind::Dropped;
    const int q3 = q2 < 0 ? -1 : line.indexOf(QLatin1Char('"'), q2 + 1);
    if (q3 < 0 && command == QLatin1String("set"))
        return Kind::Dropped;

    m_record = DataFromDevice();
    m_record.command = command;
    if (q3 >= 0) {
        const int q4 = line.indexOf(QLatin1Char('"'), q3 + 1);
        m_record.value = line.mid(q3 + 1, (q4 < 0 ? size : q4) - q3 - 1);
    }
    if (q1 >= 0)
        parsePathRange(line, q1 + 1, pathEnd, m_record);
    return Kind::Value;
}
} // namespace tarn::protocol
