#include "request.h"

#include "devicestate.h"
#include "lineformat.h"

namespace tarn::offline {
namespace {
Request::Word wordOf(const QString &w)
{
    static const QHash<QString, Request::Word> words = {
        {QStringLiteral("sub"), Request::Word::Sub},          {QStringLiteral("unsub"), Request::Word::Unsub},
        {QStringLiteral("get"), Request::Word::Get},          {QStringLiteral("asyncget"), Request::Word::AsyncGet},
        {QStringLiteral("set"), Request::Word::Set},          {QStringLiteral("lc"), Request::Word::Lc},
        {QStringLiteral("ls"), Request::Word::Ls},            {QStringLiteral("connect"), Request::Word::Connect},
        {QStringLiteral("write"), Request::Word::Write},      {QStringLiteral("delay"), Request::Word::Delay},
        {QStringLiteral("model"), Request::Word::Model},
    };
    return words.value(w, Request::Word::Unknown);
}
} // namespace

Request parseRequest(const QString &line)
{
    Request r;
    // A command sent as a raw JSON object ("Reconfig"), not wrapped in a set.
    if (line.trimmed().startsWith(QLatin1Char('{'))) {
        r.word = Request::Word::Json;
        r.wordText = QStringLiteral("{");
        r.hasValue = true;
        r.value = line.trimmed();
        return r;
    }
    const QStringList parts = tarn::protocol::splitQuoted(line);
    const QStringList head = parts.at(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (head.isEmpty() && parts.size() == 1)
        return r;
    r.wordText = head.value(0);
    r.word = wordOf(r.wordText);
    if (parts.size() > 1) {
        r.hasPath = true;
        r.path = parts.at(1);
    }
    switch (r.word) {
    case Request::Word::Connect:
        r.user = head.value(1);
        if (parts.size() > 1)
            r.password = parts.at(1);
        else
            r.password = head.value(2);
        r.hasPath = false;
        r.path.clear();
        break;
    case Request::Word::Write: {
        bool ok = false;
        const QString count = parts.size() > 2 ? parts.at(2).trimmed() : QString();
        const qint64 n = count.toLongLong(&ok);
        r.size = ok && n >= 0 && !count.startsWith(QLatin1Char('+')) ? n : -1;
        break;
    }
    case Request::Word::Model:
        r.args = head.mid(1);
        r.hasPath = false;
        break;
    case Request::Word::Delay:
        r.args = head.mid(1);
        break;
    default:
        if (parts.size() > 3) {
            r.hasValue = true;
            r.value = parts.at(3);
        } else if (parts.size() == 3 && !parts.at(2).trimmed().isEmpty()) {
            r.hasValue = true; // an unquoted value after the path
            r.value = parts.at(2).trimmed();
        }
        break;
    }
    return r;
}

ResolvedPath resolvePath(const DeviceState &state, const QString &path)
{
    ResolvedPath r;
    const QStringList comps = tarn::protocol::pathComponents(path.trimmed());
    const QString whole = comps.join(QLatin1Char('\\'));
    r.index = state.indexOf(whole);
    if (r.index >= 0) {
        r.key = whole;
        return r;
    }
    if (comps.size() >= 2) {
        static const QHash<QString, ResolvedPath::Form> forms = {
            {QStringLiteral("%"), ResolvedPath::Form::Percent},
            {QStringLiteral("Min"), ResolvedPath::Form::Min},
            {QStringLiteral("Max"), ResolvedPath::Form::Max},
            {QStringLiteral("EN"), ResolvedPath::Form::Choices},
        };
        const auto form = forms.constFind(comps.last());
        if (form != forms.constEnd()) {
            const QString key = comps.mid(0, comps.size() - 1).join(QLatin1Char('\\'));
            const int idx = state.indexOf(key);
            if (idx >= 0) {
                r.index = idx;
                r.key = key;
                r.form = form.value();
                return r;
            }
        }
    }
    QStringList unused;
    if (state.children(whole, &unused)) {
        r.folder = true;
        r.key = whole;
    }
    return r;
}

QString answerPath(const QString &key, ResolvedPath::Form form)
{
    QString path = QStringLiteral("\\\\") + key;
    switch (form) {
    case ResolvedPath::Form::Plain:
        break;
    case ResolvedPath::Form::Percent:
        path += QStringLiteral("\\%");
        break;
    case ResolvedPath::Form::Min:
        path += QStringLiteral("\\Min");
        break;
    case ResolvedPath::Form::Max:
        path += QStringLiteral("\\Max");
        break;
    case ResolvedPath::Form::Choices:
        path += QStringLiteral("\\EN");
        break;
    }
    return path;
}

QByteArray valueLine(const QString &word, const QString &path, const QString &value)
{
    QString line = word + QStringLiteral(" \"") + path + QLatin1Char('"');
    if (!value.isNull())
        line += QStringLiteral(" \"") + value + QLatin1Char('"');
    line += QLatin1Char('\n');
    return line.toUtf8();
}

QString sanitized(const QString &text, int maxLength)
{
    QString out;
    for (const QChar c : text) {
        if (out.size() >= maxLength) {
            out += QStringLiteral("...");
            break;
        }
        if (c == QLatin1Char('"'))
            out += QLatin1Char('\'');
        else if (c.isPrint())
            out += c;
        else
            out += QLatin1Char('?');
    }
    return out;
}
} // namespace tarn::offline
