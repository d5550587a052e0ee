#include "ftpparse.h"

#include "qurlinfo.h"

#include <QLocale>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcFtp, "tarn.ftp")

namespace tarn::ftp {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWithCode(const QByteArray &line)
{
    return line.size() >= 3 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]);
}

int codeOf(const QByteArray &line)
{
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}
} // namespace

void FtpReplyParser::reset()
{
    m_multiCode = -1;
    m_text.clear();
    m_length = 0;
    m_lines = 0;
}

FtpReplyParser::Result FtpReplyParser::parse(QByteArray &buffer, FtpReply *reply)
{
    int pos = 0;
    Result result = NeedMore;
    while (result == NeedMore) {
        const int nl = buffer.indexOf('\n', pos);
        if (nl < 0) {
            if (buffer.size() - pos > MaxReplyLineLength)
                result = TooLong;
            break;
        }
        int end = nl;
        if (end > pos && buffer[end - 1] == '\r')
            --end;
        const QByteArray line = buffer.mid(pos, end - pos);
        pos = nl + 1;
        if (line.size() > MaxReplyLineLength) {
            result = TooLong;
            break;
        }

        if (m_multiCode < 0) {
            if (line.isEmpty())
                continue; // a stray blank line between replies carries nothing
            if (!startsWithCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
                result = Malformed;
                break;
            }
            const int code = codeOf(line);
            const QString text = QString::fromUtf8(line.mid(4));
            if (line.size() > 3 && line[3] == '-') {
                m_multiCode = code;
                m_text = text;
                m_length = line.size();
                m_lines = 1;
                continue;
            }
            reply->code = code;
            reply->text = text;
            result = Complete;
            break;
        }

        m_length += line.size();
        if (m_length > MaxReplyLength || ++m_lines > MaxReplyLines) {
            result = TooLong;
            break;
        }
        const bool sameCode = startsWithCode(line) && codeOf(line) == m_multiCode;
        if (sameCode && (line.size() == 3 || line[3] == ' ')) {
            m_text += QLatin1Char('\n') + QString::fromUtf8(line.mid(4));
            reply->code = m_multiCode;
            reply->text = m_text;
            reset();
            result = Complete;
            break;
        }
        // Inner lines may repeat the code with a hyphen or carry free text.
        m_text += QLatin1Char('\n')
            + QString::fromUtf8(sameCode && line[3] == '-' ? line.mid(4) : line);
    }
    buffer.remove(0, pos);
    if (result == TooLong || result == Malformed)
        reset();
    return result;
}

bool parsePassiveReply(const QString &text, quint32 *address, quint16 *port)
{
    static const QRegularExpression re(
        QStringLiteral("(\\d+),(\\d+),(\\d+),(\\d+),(\\d+),(\\d+)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    uint n[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        n[i] = m.capturedRef(i + 1).toUInt(&ok);
        if (!ok || n[i] > 255)
            return false;
    }
    const uint p = n[4] * 256 + n[5];
    if (p == 0)
        return false;
    *address = (n[0] << 24) | (n[1] << 16) | (n[2] << 8) | n[3];
    *port = quint16(p);
    return true;
}

bool parseExtendedPassiveReply(const QString &text, quint16 *port)
{
    // "(<d><d><d>port<d>)": the delimiter is any printable character but a digit.
    const int open = text.indexOf(QLatin1Char('('));
    if (open < 0 || text.size() < open + 4)
        return false;
    const QChar d = text.at(open + 1);
    if (d.isDigit() || d.unicode() < 33 || d.unicode() > 126)
        return false;
    if (text.at(open + 2) != d || text.at(open + 3) != d)
        return false;
    const int close = text.indexOf(d, open + 4);
    if (close < 0 || close + 1 >= text.size() || text.at(close + 1) != QLatin1Char(')'))
        return false;
    const QStringRef digits = text.midRef(open + 4, close - open - 4);
    if (digits.isEmpty() || digits.size() > 5)
        return false;
    bool ok = false;
    const uint p = digits.toUInt(&ok);
    if (!ok || p == 0 || p > 65535)
        return false;
    *port = quint16(p);
    return true;
}

namespace {
QDateTime parseUnixDate(const QString &text, const QDateTime &now)
{
    const QLocale c = QLocale::c();
    static const char *const withYear[] = {"MMM dd  yyyy", "MMM  d  yyyy", "MMM  d yyyy",
                                           "MMM dd yyyy"};
    static const char *const withTime[] = {"MMM dd hh:mm", "MMM  d hh:mm"};
    for (const char *fmt : withYear) {
        const QDateTime dt = c.toDateTime(text, QLatin1String(fmt));
        if (dt.isValid())
            return dt;
    }
    // No year: this year unless that lies in the future (a day of slack for clock skew). The
    // year is parsed along with the date so that Feb 29 is judged against the right year.
    for (const char *fmt : withTime) {
        const QString yearFmt = QLatin1String(fmt) + QLatin1String(" yyyy");
        for (int year = now.date().year(); year >= now.date().year() - 4; --year) {
            const QDateTime dt = c.toDateTime(text + QLatin1Char(' ') + QString::number(year),
                                              yearFmt);
            if (dt.isValid() && dt <= now.addDays(1))
                return dt;
        }
    }
    return QDateTime();
}

bool parseUnix(const QString &line, QUrlInfo *info, const QDateTime &now)
{
    static const QRegularExpression re(QStringLiteral(
        "^([\\-dl])([a-zA-Z\\-]{9,9})\\s+\\d+\\s+(\\S*)\\s+(\\S*)\\s+(\\d+)\\s+(\\S+\\s+\\S+\\s+\\S+)\\s+(\\S.*)"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return false;
    bool ok = false;
    const qint64 size = m.capturedRef(5).toLongLong(&ok);
    if (!ok)
        return false;

    QUrlInfo entry;
    const QChar type = m.capturedRef(1).at(0);
    entry.setDir(type == QLatin1Char('d'));
    entry.setFile(type == QLatin1Char('-'));
    entry.setSymLink(type == QLatin1Char('l'));

    const QStringRef perms = m.capturedRef(2);
    static const int bits[9] = {QUrlInfo::ReadOwner, QUrlInfo::WriteOwner, QUrlInfo::ExeOwner,
                                QUrlInfo::ReadGroup, QUrlInfo::WriteGroup, QUrlInfo::ExeGroup,
                                QUrlInfo::ReadOther, QUrlInfo::WriteOther, QUrlInfo::ExeOther};
    int permissions = 0;
    for (int i = 0; i < 9; ++i) {
        if (perms.at(i) != QLatin1Char('-'))
            permissions |= bits[i];
    }
    entry.setPermissions(permissions);
    entry.setReadable(permissions & QUrlInfo::ReadOwner);
    entry.setWritable(permissions & QUrlInfo::WriteOwner);
    entry.setExecutable(permissions & QUrlInfo::ExeOwner);
    entry.setOwner(m.captured(3));
    entry.setGroup(m.captured(4));
    entry.setSize(size);
    entry.setLastModified(parseUnixDate(m.captured(6), now));

    QString name = m.captured(7);
    if (entry.isSymLink()) {
        const int arrow = name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            name.truncate(arrow);
    }
    entry.setName(name);
    *info = entry;
    return true;
}

bool parseDos(const QString &line, QUrlInfo *info)
{
    static const QRegularExpression re(QStringLiteral(
        "^(\\d\\d-\\d\\d-\\d\\d\\d?\\d?\\ \\ \\d\\d:\\d\\d[AP]M)\\s+(<DIR>|\\d+)\\s+(\\S.*)$"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return false;

    QUrlInfo entry;
    const QString name = m.captured(3);
    const bool isDir = m.capturedRef(2) == QLatin1String("<DIR>");
    qint64 size = 0;
    if (!isDir) {
        bool ok = false;
        size = m.capturedRef(2).toLongLong(&ok);
        if (!ok)
            return false;
    }
    entry.setName(name);
    entry.setDir(isDir);
    entry.setFile(!isDir);
    entry.setSize(size);
    entry.setSymLink(name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive));

    const QString ext = name.section(QLatin1Char('.'), -1).toLower();
    const bool exe = name.contains(QLatin1Char('.'))
        && (ext == QLatin1String("exe") || ext == QLatin1String("bat")
            || ext == QLatin1String("com"));
    entry.setPermissions(exe ? 0777 : 0666);
    entry.setReadable(true);
    entry.setWritable(true);
    entry.setExecutable(exe);

    const QLocale c = QLocale::c();
    QDateTime dt = c.toDateTime(m.captured(1), QStringLiteral("MM-dd-yy  hh:mmAP"));
    if (dt.isValid()) {
        if (dt.date().year() < 1971)
            dt = dt.addYears(100);
    } else {
        dt = c.toDateTime(m.captured(1), QStringLiteral("MM-dd-yyyy  hh:mmAP"));
    }
    entry.setLastModified(dt);
    *info = entry;
    return true;
}
} // namespace

bool parseListLine(const QString &line, QUrlInfo *info, const QDateTime &now)
{
    if (line.size() > MaxListLineLength)
        return false;
    return parseUnix(line, info, now) || parseDos(line, info);
}

} // namespace tarn::ftp
