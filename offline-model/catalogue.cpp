#include "catalogue.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>

namespace tarn::offline {
namespace {
constexpr const char kFormatTag[] = "tarn-offline-catalogue";
constexpr int kMaxCatalogueBytes = 16 * 1024 * 1024;
constexpr int kMaxVariables = 100000;
constexpr int kMaxRepeat = 1024;

// Errors travel as exceptions inside this file only; load() turns them into text.
struct LoadError {
    QString text;
};

[[noreturn]] void fail(const QString &text)
{
    throw LoadError{text};
}

void checkFields(const QJsonObject &o, const QStringList &allowed, const QString &where)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!allowed.contains(it.key()))
            fail(QStringLiteral("%1: unknown field \"%2\"").arg(where, it.key()));
    }
}

QString requireString(const QJsonObject &o, const QString &field, const QString &where)
{
    const QJsonValue v = o.value(field);
    if (!v.isString() || v.toString().isEmpty())
        fail(QStringLiteral("%1: \"%2\" must be a non-empty text").arg(where, field));
    return v.toString();
}

double readDouble(const QJsonValue &v, const QString &what)
{
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        fail(what + QStringLiteral(" must be a number"));
    return v.toDouble();
}

bool validComponent(const QString &c)
{
    if (c.isEmpty() || c.contains(QLatin1Char('"')) || c.contains(QLatin1Char('\\')))
        return false;
    for (const QChar ch : c) {
        if (ch.unicode() < 0x20)
            return false;
    }
    return true;
}

DisplayFormat parseFormat(const QJsonObject &o, const QString &where)
{
    checkFields(o, {QStringLiteral("style"), QStringLiteral("unit"), QStringLiteral("prefix"),
                    QStringLiteral("decimals"), QStringLiteral("kiloDecimals"), QStringLiteral("atMin"),
                    QStringLiteral("atMax")},
                where);
    DisplayFormat f;
    const QString style = o.value(QStringLiteral("style")).toString(QStringLiteral("number"));
    if (style == QLatin1String("number"))
        f.style = DisplayFormat::Style::Number;
    else if (style == QLatin1String("delay"))
        f.style = DisplayFormat::Style::Delay;
    else if (style == QLatin1String("duration"))
        f.style = DisplayFormat::Style::Duration;
    else
        fail(QStringLiteral("%1: unknown style \"%2\"").arg(where, style));
    f.unit = o.value(QStringLiteral("unit")).toString();
    f.prefix = o.value(QStringLiteral("prefix")).toString();
    f.decimals = o.value(QStringLiteral("decimals")).toInt(1);
    f.kiloDecimals = o.value(QStringLiteral("kiloDecimals")).toInt(-1);
    f.atMin = o.value(QStringLiteral("atMin")).toString();
    f.atMax = o.value(QStringLiteral("atMax")).toString();
    if (f.decimals < 0 || f.decimals > 6 || f.kiloDecimals > 6)
        fail(where + QStringLiteral(": decimals must lie in 0..6"));
    return f;
}

QString substitute(QString text, const QString &var, const QString &value)
{
    if (!var.isEmpty())
        text.replace(QLatin1Char('{') + var + QLatin1Char('}'), value);
    return text;
}

QString jsonToText(const QJsonValue &v, const QString &where)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 12);
    if (v.isBool())
        return v.toBool() ? QStringLiteral("On") : QStringLiteral("Off");
    fail(where + QStringLiteral(": a value must be a text, a number or true/false"));
}

Variable::Kind parseKind(const QString &kind, const QString &where)
{
    if (kind == QLatin1String("number"))
        return Variable::Kind::Number;
    if (kind == QLatin1String("meter"))
        return Variable::Kind::Meter;
    if (kind == QLatin1String("spectrum"))
        return Variable::Kind::Spectrum;
    if (kind == QLatin1String("choice"))
        return Variable::Kind::Choice;
    if (kind == QLatin1String("onoff"))
        return Variable::Kind::OnOff;
    if (kind == QLatin1String("text"))
        return Variable::Kind::Text;
    fail(QStringLiteral("%1: unknown kind \"%2\"").arg(where, kind));
}

Variable::Action parseAction(const QString &action, const QString &where)
{
    if (action.isEmpty())
        return Variable::Action::None;
    if (action == QLatin1String("recall"))
        return Variable::Action::Recall;
    if (action == QLatin1String("store"))
        return Variable::Action::Store;
    if (action == QLatin1String("rename"))
        return Variable::Action::Rename;
    if (action == QLatin1String("nodeCommand"))
        return Variable::Action::NodeCommand;
    if (action == QLatin1String("reboot"))
        return Variable::Action::Reboot;
    fail(QStringLiteral("%1: unknown action \"%2\"").arg(where, action));
}

class Reader {
public:
    Reader(std::vector<Variable> &vars, QHash<QString, int> &index)
        : m_vars(vars), m_index(index)
    {
    }

    void readFormats(const QJsonObject &formats)
    {
        for (auto it = formats.begin(); it != formats.end(); ++it) {
            if (!it.value().isObject())
                fail(QStringLiteral("formats.%1 must be an object").arg(it.key()));
            m_formats.insert(it.key(), parseFormat(it.value().toObject(), QStringLiteral("formats.") + it.key()));
        }
    }

    // One entry, expanded over its "for" variable; under an object the key is built from the name.
    void readEntry(const QJsonObject &e, const QString &where, const QString &object)
    {
        const bool underObject = !object.isEmpty();
        QStringList allowed = {QStringLiteral("for"),        QStringLiteral("kind"),    QStringLiteral("access"),
                               QStringLiteral("min"),        QStringLiteral("max"),     QStringLiteral("initial"),
                               QStringLiteral("format"),     QStringLiteral("scale"),   QStringLiteral("resolution"),
                               QStringLiteral("choices"),    QStringLiteral("on"),      QStringLiteral("off"),
                               QStringLiteral("maxLength"),  QStringLiteral("pattern"), QStringLiteral("bands"),
                               QStringLiteral("live"),       QStringLiteral("action"),  QStringLiteral("note")};
        allowed << (underObject ? QStringLiteral("name") : QStringLiteral("path"));
        if (underObject)
            allowed << QStringLiteral("attribute");
        checkFields(e, allowed, where);

        const QString nameTemplate = requireString(e, underObject ? QStringLiteral("name") : QStringLiteral("path"), where);
        QString var;
        QStringList values;
        if (e.contains(QStringLiteral("for"))) {
            const QJsonObject f = e.value(QStringLiteral("for")).toObject();
            if (f.size() != 1)
                fail(where + QStringLiteral(": \"for\" names exactly one variable"));
            var = f.begin().key();
            const QJsonValue items = f.begin().value();
            if (items.isArray()) {
                for (const QJsonValue &v : items.toArray())
                    values << jsonToText(v, where);
            } else if (items.isObject()) {
                const QJsonObject range = items.toObject();
                checkFields(range, {QStringLiteral("from"), QStringLiteral("to")}, where + QStringLiteral(".for"));
                const int from = range.value(QStringLiteral("from")).toInt(1);
                const int to = range.value(QStringLiteral("to")).toInt(0);
                if (to < from || to - from >= kMaxRepeat)
                    fail(where + QStringLiteral(": bad \"for\" range"));
                for (int i = from; i <= to; ++i)
                    values << QString::number(i);
            } else {
                fail(where + QStringLiteral(": \"for\" wants a list or {from, to}"));
            }
            if (values.isEmpty() || values.size() > kMaxRepeat)
                fail(where + QStringLiteral(": \"for\" yields no names"));
        } else {
            values << QString();
        }

        const QJsonValue initial = e.value(QStringLiteral("initial"));
        if (initial.isArray() && initial.toArray().size() != values.size())
            fail(where + QStringLiteral(": \"initial\" list does not match \"for\""));

        for (int i = 0; i < values.size(); ++i) {
            const QString name = substitute(nameTemplate, var, values.at(i));
            const QString itemWhere = where + QStringLiteral(" (") + name + QLatin1Char(')');
            Variable v = readVariable(e, itemWhere, var, values.at(i), object);
            if (underObject) {
                if (!validComponent(name))
                    fail(itemWhere + QStringLiteral(": invalid name"));
                const bool attribute = e.value(QStringLiteral("attribute")).toBool(false);
                v.object = object;
                v.name = name;
                v.key = QStringLiteral("Preset\\") + object + (attribute ? QStringLiteral("\\AT\\") : QStringLiteral("\\SV\\")) + name;
                // Presets keep settings, not readings.
                v.presetScope = v.live.type == LiveMotion::Type::None && v.kind != Variable::Kind::Meter
                             && v.kind != Variable::Kind::Spectrum;
            } else {
                const QStringList comps = name.split(QLatin1Char('\\'));
                for (const QString &c : comps) {
                    if (!validComponent(c))
                        fail(itemWhere + QStringLiteral(": invalid path"));
                }
                if (comps.size() < 3 || (comps.first() != QLatin1String("Node") && comps.first() != QLatin1String("Storage")))
                    fail(itemWhere + QStringLiteral(": a path starts with Node\\ or Storage\\ and has a group"));
                v.key = name;
                v.name = comps.last();
            }
            const QJsonValue init = initial.isArray() ? initial.toArray().at(i) : initial;
            if (!init.isUndefined() && !init.isNull())
                v.initial = substitute(jsonToText(init, itemWhere), var, values.at(i));
            else
                v.initial = defaultInitial(v);
            QString why;
            if (!Catalogue::acceptsText(v, v.initial, &why))
                fail(itemWhere + QStringLiteral(": initial value: ") + why);
            add(std::move(v), itemWhere);
        }
    }

    void add(Variable &&v, const QString &where)
    {
        if (m_index.contains(v.key))
            fail(where + QStringLiteral(": duplicate path ") + v.key);
        if (int(m_vars.size()) >= kMaxVariables)
            fail(QStringLiteral("too many variables"));
        m_index.insert(v.key, int(m_vars.size()));
        m_vars.push_back(std::move(v));
    }

private:
    static QString defaultInitial(const Variable &v)
    {
        switch (v.kind) {
        case Variable::Kind::Meter:
        case Variable::Kind::Spectrum:
            return QString::number(v.min, 'g', 12);
        case Variable::Kind::OnOff:
            return v.offText;
        case Variable::Kind::Choice:
            return v.choices.value(0);
        case Variable::Kind::Number:
            return QString::number(v.min, 'g', 12);
        case Variable::Kind::Text:
            break;
        }
        return QString();
    }

    Variable readVariable(const QJsonObject &e, const QString &where, const QString &var, const QString &value,
                          const QString &object)
    {
        Variable v;
        v.kind = parseKind(requireString(e, QStringLiteral("kind"), where), where);
        const QString access = e.value(QStringLiteral("access")).toString(QStringLiteral("rw"));
        if (access != QLatin1String("rw") && access != QLatin1String("ro"))
            fail(where + QStringLiteral(": access is \"rw\" or \"ro\""));
        v.writable = access == QLatin1String("rw");
        v.action = parseAction(e.value(QStringLiteral("action")).toString(), where);

        const bool numeric = v.kind == Variable::Kind::Number || v.kind == Variable::Kind::Meter
                          || v.kind == Variable::Kind::Spectrum;
        if (numeric) {
            v.min = readDouble(e.value(QStringLiteral("min")), where + QStringLiteral(": min"));
            v.max = readDouble(e.value(QStringLiteral("max")), where + QStringLiteral(": max"));
            if (!(v.min < v.max))
                fail(where + QStringLiteral(": min must lie below max"));
            const QString scale = e.value(QStringLiteral("scale")).toString(QStringLiteral("linear"));
            if (scale == QLatin1String("log"))
                v.logScale = true;
            else if (scale != QLatin1String("linear"))
                fail(where + QStringLiteral(": scale is \"linear\" or \"log\""));
            if (v.logScale && v.min <= 0)
                fail(where + QStringLiteral(": a logarithmic range must stay above 0"));
            if (e.contains(QStringLiteral("resolution")))
                v.resolution = readDouble(e.value(QStringLiteral("resolution")), where + QStringLiteral(": resolution"));
            const QJsonValue fmt = e.value(QStringLiteral("format"));
            if (fmt.isString()) {
                if (!m_formats.contains(fmt.toString()))
                    fail(QStringLiteral("%1: unknown format \"%2\"").arg(where, fmt.toString()));
                v.format = m_formats.value(fmt.toString());
            } else if (fmt.isObject()) {
                v.format = parseFormat(fmt.toObject(), where + QStringLiteral(".format"));
            } else if (!fmt.isUndefined()) {
                fail(where + QStringLiteral(": format is a name or an object"));
            } else {
                v.format.decimals = 0;
            }
        } else if (e.contains(QStringLiteral("min")) || e.contains(QStringLiteral("max"))
                   || e.contains(QStringLiteral("format")) || e.contains(QStringLiteral("scale"))) {
            fail(where + QStringLiteral(": range and format belong to numbers"));
        }

        if (v.kind == Variable::Kind::Meter || v.kind == Variable::Kind::Spectrum)
            v.writable = false;
        if (v.kind == Variable::Kind::Spectrum) {
            v.bands = e.value(QStringLiteral("bands")).toInt(0);
            if (v.bands < 1 || v.bands > 1024)
                fail(where + QStringLiteral(": a spectrum has 1..1024 bands"));
        }
        if (v.kind == Variable::Kind::Choice) {
            for (const QJsonValue &c : e.value(QStringLiteral("choices")).toArray()) {
                if (!c.isString() || !validComponent(c.toString()))
                    fail(where + QStringLiteral(": every choice is a non-empty text without quotes"));
                v.choices << c.toString();
            }
            if (v.choices.isEmpty())
                fail(where + QStringLiteral(": a choice needs \"choices\""));
        }
        if (v.kind == Variable::Kind::OnOff) {
            v.onText = e.value(QStringLiteral("on")).toString(v.onText);
            v.offText = e.value(QStringLiteral("off")).toString(v.offText);
            v.choices = QStringList{v.offText, v.onText};
        }
        if (v.kind == Variable::Kind::Text) {
            v.maxLength = e.value(QStringLiteral("maxLength")).toInt(64);
            if (v.maxLength < 1 || v.maxLength > 1024 * 1024)
                fail(where + QStringLiteral(": maxLength lies in 1..1048576"));
            if (e.contains(QStringLiteral("pattern"))) {
                v.pattern = QRegularExpression(QRegularExpression::anchoredPattern(e.value(QStringLiteral("pattern")).toString()));
                if (!v.pattern.isValid())
                    fail(where + QStringLiteral(": invalid pattern: ") + v.pattern.errorString());
            }
        }
        if (e.contains(QStringLiteral("live"))) {
            v.live = readLive(e.value(QStringLiteral("live")).toObject(), where + QStringLiteral(".live"), var, value, object);
            const bool level = v.live.type == LiveMotion::Type::Level
                            && (v.kind == Variable::Kind::Meter || v.kind == Variable::Kind::Spectrum);
            const bool indicator = v.live.type == LiveMotion::Type::Above && v.kind == Variable::Kind::OnOff;
            const bool dynamics = v.live.type == LiveMotion::Type::Dynamics && v.kind == Variable::Kind::Meter;
            if (!level && !indicator && !dynamics)
                fail(where + QStringLiteral(": levels move meters and spectra; \"above\" lights on/off indicators; "
                                            "\"dynamics\" moves meters"));
            v.writable = false;
        }
        return v;
    }

    LiveMotion readLive(const QJsonObject &o, const QString &where, const QString &var, const QString &value,
                        const QString &object)
    {
        checkFields(o, {QStringLiteral("type"), QStringLiteral("mean"), QStringLiteral("swing"), QStringLiteral("noise"),
                        QStringLiteral("period"), QStringLiteral("source"), QStringLiteral("threshold"),
                        QStringLiteral("silentWhen"), QStringLiteral("law"), QStringLiteral("enable"),
                        QStringLiteral("params")},
                    where);
        LiveMotion l;
        const QString type = requireString(o, QStringLiteral("type"), where);
        if (type == QLatin1String("level")) {
            l.type = LiveMotion::Type::Level;
            l.mean = o.value(QStringLiteral("mean")).toDouble(0);
            l.swing = o.value(QStringLiteral("swing")).toDouble(0);
            l.noise = o.value(QStringLiteral("noise")).toDouble(0);
            l.period = o.value(QStringLiteral("period")).toDouble(40);
            if (l.period < 2)
                fail(where + QStringLiteral(": period is at least 2 ticks"));
        } else if (type == QLatin1String("above")) {
            l.type = LiveMotion::Type::Above;
            l.source = substitute(requireString(o, QStringLiteral("source"), where), var, value);
            l.threshold = readDouble(o.value(QStringLiteral("threshold")), where + QStringLiteral(": threshold"));
        } else if (type == QLatin1String("dynamics")) {
            // The block's switch and settings are named within its own processing object.
            if (object.isEmpty())
                fail(where + QStringLiteral(": \"dynamics\" belongs to a processing object"));
            l.type = LiveMotion::Type::Dynamics;
            const QString law = requireString(o, QStringLiteral("law"), where);
            if (!dynamicsLawFromName(law, &l.law))
                fail(QStringLiteral("%1: unknown law \"%2\"").arg(where, law));
            l.source = substitute(requireString(o, QStringLiteral("source"), where), var, value);
            const QString prefix = QStringLiteral("Preset\\") + object + QStringLiteral("\\SV\\");
            l.enableKey = prefix + requireString(o, QStringLiteral("enable"), where);
            const QJsonObject params = o.value(QStringLiteral("params")).toObject();
            const QStringList roles = dynamicsRoles(l.law);
            checkFields(params, roles, where + QStringLiteral(".params"));
            for (const QString &role : roles)
                l.params.append({role, prefix + requireString(params, role, where + QStringLiteral(".params"))});
        } else {
            fail(QStringLiteral("%1: unknown type \"%2\"").arg(where, type));
        }
        if (o.contains(QStringLiteral("silentWhen"))) {
            const QJsonObject s = o.value(QStringLiteral("silentWhen")).toObject();
            checkFields(s, {QStringLiteral("path"), QStringLiteral("value")}, where + QStringLiteral(".silentWhen"));
            l.silentKey = substitute(requireString(s, QStringLiteral("path"), where), var, value);
            l.silentValue = requireString(s, QStringLiteral("value"), where);
        }
        return l;
    }

    std::vector<Variable> &m_vars;
    QHash<QString, int> &m_index;
    QHash<QString, DisplayFormat> m_formats;
};

QList<QPair<QString, QString>> readValues(const QJsonObject &o, const QString &where)
{
    QList<QPair<QString, QString>> values;
    for (auto it = o.begin(); it != o.end(); ++it)
        values.append({it.key(), jsonToText(it.value(), where + QLatin1Char('.') + it.key())});
    return values;
}
} // namespace

bool Catalogue::acceptsText(const Variable &v, const QString &text, QString *why)
{
    switch (v.kind) {
    case Variable::Kind::Number:
    case Variable::Kind::Meter:
    case Variable::Kind::Spectrum: {
        double x = 0;
        if (!parseValue(v.format, text, v.min, v.max, &x)) {
            *why = QStringLiteral("\"%1\" is not a number").arg(text);
            return false;
        }
        if (x < v.min - 1e-9 || x > v.max + 1e-9) {
            *why = QStringLiteral("%1 lies outside %2..%3").arg(x).arg(v.min).arg(v.max);
            return false;
        }
        return true;
    }
    case Variable::Kind::Choice:
    case Variable::Kind::OnOff:
        if (!v.choices.contains(text)) {
            *why = QStringLiteral("\"%1\" is not one of %2").arg(text, v.choices.join(QStringLiteral(", ")));
            return false;
        }
        return true;
    case Variable::Kind::Text:
        if (text.size() > v.maxLength) {
            *why = QStringLiteral("longer than %1 characters").arg(v.maxLength);
            return false;
        }
        if (text.contains(QLatin1Char('"'))) {
            *why = QStringLiteral("contains a double quote");
            return false;
        }
        if (v.pattern.isValid() && !v.pattern.pattern().isEmpty() && !v.pattern.match(text).hasMatch()) {
            *why = QStringLiteral("\"%1\" does not match the allowed characters").arg(text);
            return false;
        }
        return true;
    }
    return false;
}

bool Catalogue::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > kMaxCatalogueBytes) {
        *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxCatalogueBytes);
        return false;
    }
    return loadJson(file.readAll(), error);
}

bool Catalogue::loadJson(const QByteArray &json, QString *error)
{
    *this = Catalogue();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull() || !doc.isObject()) {
        *error = QStringLiteral("not a JSON object: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        return false;
    }
    const QJsonObject root = doc.object();
    try {
        checkFields(root, {QStringLiteral("format"), QStringLiteral("version"), QStringLiteral("model"),
                           QStringLiteral("formats"), QStringLiteral("classes"), QStringLiteral("objects"),
                           QStringLiteral("node"), QStringLiteral("storage"), QStringLiteral("configurations"),
                           QStringLiteral("presets"), QStringLiteral("sourceNames"), QStringLiteral("note")},
                    QStringLiteral("catalogue"));
        if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormatTag))
            fail(QStringLiteral("\"format\" must be \"%1\"").arg(QLatin1String(kFormatTag)));
        if (root.value(QStringLiteral("version")).toInt() != 1)
            fail(QStringLiteral("unsupported \"version\" (this program reads 1)"));
        m_model = requireString(root, QStringLiteral("model"), QStringLiteral("catalogue"));

        Reader reader(m_variables, m_index);
        reader.readFormats(root.value(QStringLiteral("formats")).toObject());
        const QJsonObject classes = root.value(QStringLiteral("classes")).toObject();

        for (const QJsonValue &n : root.value(QStringLiteral("node")).toArray())
            reader.readEntry(n.toObject(), QStringLiteral("node[%1]").arg(m_variables.size()), QString());
        for (const QJsonValue &n : root.value(QStringLiteral("storage")).toArray())
            reader.readEntry(n.toObject(), QStringLiteral("storage[%1]").arg(m_variables.size()), QString());

        const QJsonArray objects = root.value(QStringLiteral("objects")).toArray();
        for (int i = 0; i < objects.size(); ++i) {
            const QJsonObject o = objects.at(i).toObject();
            const QString where = QStringLiteral("objects[%1]").arg(i);
            checkFields(o, {QStringLiteral("name"), QStringLiteral("class"), QStringLiteral("note")}, where);
            const QString name = requireString(o, QStringLiteral("name"), where);
            const QString cls = requireString(o, QStringLiteral("class"), where);
            if (!validComponent(name))
                fail(where + QStringLiteral(": invalid name"));
            if (m_objects.contains(name))
                fail(where + QStringLiteral(": duplicate object ") + name);
            if (!classes.value(cls).isArray())
                fail(QStringLiteral("%1: unknown class \"%2\"").arg(where, cls));
            m_objects << name;
            const QJsonArray entries = classes.value(cls).toArray();
            for (int j = 0; j < entries.size(); ++j)
                reader.readEntry(entries.at(j).toObject(), QStringLiteral("classes.%1[%2] in %3").arg(cls).arg(j).arg(name), name);
        }

        // Live sources and silencing switches must exist; a dynamics block reads numbers and a switch.
        for (const Variable &v : m_variables) {
            if (!v.live.source.isEmpty() && !m_index.contains(v.live.source))
                fail(QStringLiteral("%1: live source %2 is unknown").arg(v.key, v.live.source));
            if (v.live.type == LiveMotion::Type::Dynamics) {
                if (!m_variables[size_t(m_index.value(v.live.source))].isNumeric())
                    fail(QStringLiteral("%1: live source %2 is no number").arg(v.key, v.live.source));
                const int sw = m_index.value(v.live.enableKey, -1);
                if (sw < 0 || m_variables[size_t(sw)].kind != Variable::Kind::OnOff)
                    fail(QStringLiteral("%1: %2 is no on/off switch").arg(v.key, v.live.enableKey));
                for (const auto &param : v.live.params) {
                    const int p = m_index.value(param.second, -1);
                    if (p < 0 || !m_variables[size_t(p)].isNumeric())
                        fail(QStringLiteral("%1: the %2 setting %3 is no number").arg(v.key, param.first, param.second));
                }
            }
            if (!v.live.silentKey.isEmpty()) {
                const int s = m_index.value(v.live.silentKey, -1);
                if (s < 0 || !m_variables[size_t(s)].choices.contains(v.live.silentValue))
                    fail(QStringLiteral("%1: silentWhen names an unknown switch or value").arg(v.key));
            }
        }

        const QJsonArray configurations = root.value(QStringLiteral("configurations")).toArray();
        for (int i = 0; i < configurations.size(); ++i) {
            const QJsonObject o = configurations.at(i).toObject();
            const QString where = QStringLiteral("configurations[%1]").arg(i);
            checkFields(o, {QStringLiteral("name"), QStringLiteral("objects"), QStringLiteral("values"), QStringLiteral("note")}, where);
            Configuration c;
            c.name = requireString(o, QStringLiteral("name"), where);
            if (configuration(c.name))
                fail(where + QStringLiteral(": duplicate configuration ") + c.name);
            for (const QJsonValue &obj : o.value(QStringLiteral("objects")).toArray()) {
                if (!m_objects.contains(obj.toString()))
                    fail(QStringLiteral("%1: unknown object \"%2\"").arg(where, obj.toString()));
                c.objects << obj.toString();
            }
            if (c.objects.isEmpty())
                fail(where + QStringLiteral(": no objects"));
            c.values = readValues(o.value(QStringLiteral("values")).toObject(), where);
            for (const auto &kv : qAsConst(c.values)) {
                const int idx = m_index.value(kv.first, -1);
                QString why;
                if (idx < 0)
                    fail(QStringLiteral("%1: unknown path %2").arg(where, kv.first));
                if (!acceptsText(m_variables[size_t(idx)], kv.second, &why))
                    fail(QStringLiteral("%1: %2: %3").arg(where, kv.first, why));
            }
            m_configurations << c;
        }
        if (m_configurations.isEmpty())
            fail(QStringLiteral("at least one configuration is needed"));

        const QJsonObject presets = root.value(QStringLiteral("presets")).toObject();
        checkFields(presets, {QStringLiteral("slots"), QStringLiteral("initial"), QStringLiteral("stored")}, QStringLiteral("presets"));
        m_presetSlots = presets.value(QStringLiteral("slots")).toInt(0);
        if (m_presetSlots < 1 || m_presetSlots > 999)
            fail(QStringLiteral("presets.slots lies in 1..999"));
        m_initialPreset = presets.value(QStringLiteral("initial")).toInt(0);
        QSet<int> usedSlots;
        const QJsonArray stored = presets.value(QStringLiteral("stored")).toArray();
        for (int i = 0; i < stored.size(); ++i) {
            const QJsonObject o = stored.at(i).toObject();
            const QString where = QStringLiteral("presets.stored[%1]").arg(i);
            checkFields(o, {QStringLiteral("slot"), QStringLiteral("name"), QStringLiteral("configuration"), QStringLiteral("values")}, where);
            StoredPreset p;
            p.slot = o.value(QStringLiteral("slot")).toInt(0);
            p.name = requireString(o, QStringLiteral("name"), where);
            p.configuration = requireString(o, QStringLiteral("configuration"), where);
            if (p.slot < 1 || p.slot > m_presetSlots || usedSlots.contains(p.slot))
                fail(where + QStringLiteral(": slot missing, out of range or used twice"));
            usedSlots.insert(p.slot);
            if (!configuration(p.configuration))
                fail(QStringLiteral("%1: unknown configuration \"%2\"").arg(where, p.configuration));
            p.values = readValues(o.value(QStringLiteral("values")).toObject(), where);
            for (const auto &kv : qAsConst(p.values)) {
                const int idx = m_index.value(kv.first, -1);
                QString why;
                if (idx < 0 || !m_variables[size_t(idx)].presetScope)
                    fail(QStringLiteral("%1: %2 is not a preset variable").arg(where, kv.first));
                if (!acceptsText(m_variables[size_t(idx)], kv.second, &why))
                    fail(QStringLiteral("%1: %2: %3").arg(where, kv.first, why));
            }
            m_presets << p;
        }
        if (!usedSlots.contains(m_initialPreset))
            fail(QStringLiteral("presets.initial must name a stored slot"));

        const QJsonObject names = root.value(QStringLiteral("sourceNames")).toObject();
        for (auto it = names.begin(); it != names.end(); ++it) {
            QStringList list;
            for (const QJsonValue &n : it.value().toArray()) {
                if (!n.isString() || n.toString().contains(QLatin1Char('"')) || n.toString().contains(QLatin1Char('`')))
                    fail(QStringLiteral("sourceNames.%1: names are texts without quotes").arg(it.key()));
                list << n.toString();
            }
            m_sourceNames.insert(it.key(), list);
        }
    } catch (const LoadError &e) {
        const QString text = e.text;
        *this = Catalogue();
        *error = text;
        return false;
    }
    return true;
}

const Configuration *Catalogue::configuration(const QString &name) const
{
    for (const Configuration &c : m_configurations) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

bool Catalogue::overrideInitial(const QString &key, const QString &text, QString *error)
{
    const int idx = indexOf(key);
    if (idx < 0) {
        *error = QStringLiteral("the catalogue has no %1").arg(key);
        return false;
    }
    Variable &v = m_variables[size_t(idx)];
    QString why;
    if (!acceptsText(v, text, &why)) {
        *error = QStringLiteral("%1: %2").arg(key, why);
        return false;
    }
    v.initial = text;
    return true;
}

bool Catalogue::setChoices(const QString &key, const QStringList &choices, QString *error)
{
    const int idx = indexOf(key);
    if (idx < 0 || m_variables[size_t(idx)].kind != Variable::Kind::Choice) {
        *error = QStringLiteral("the catalogue has no choice %1").arg(key);
        return false;
    }
    Variable &v = m_variables[size_t(idx)];
    for (const QString &c : choices) {
        if (!validComponent(c)) {
            *error = QStringLiteral("%1: the choice \"%2\" is not usable").arg(key, c);
            return false;
        }
    }
    if (!choices.contains(v.initial)) {
        *error = QStringLiteral("%1: the initial value \"%2\" would not be one of the choices").arg(key, v.initial);
        return false;
    }
    v.choices = choices;
    return true;
}
} // namespace tarn::offline
