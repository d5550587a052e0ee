#include "quarracatalogue.h"

#include "catalogue.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcQuarraCatalogue, "tarn.offline.quarra.catalogue", QtInfoMsg)

namespace tarn::offline {
namespace {
constexpr int kMaxTableBytes = 4 * 1024 * 1024;
constexpr int kMaxCount = 1024;
constexpr int kMaxAttributeText = 256;
const QString kPlain = QStringLiteral("Plain");

// Attributes come from documents built from configs a client sent: numbers are bounded here.
int attributeInt(const QJsonObject &attributes, const QString &name)
{
    const double v = attributes.value(name).toDouble(0);
    return std::isfinite(v) ? int(qBound(-1e6, v, 1e6)) : 0;
}

// A text that can travel inside a value line: no quotes, no control characters, bounded.
QString lineSafe(const QString &text)
{
    QString out = text.left(kMaxAttributeText);
    for (QChar &c : out) {
        if (c == QLatin1Char('"'))
            c = QLatin1Char('\'');
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return out;
}

QString attributeText(const QJsonValue &v)
{
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 12);
    if (v.isString())
        return lineSafe(v.toString());
    if (v.isBool())
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return QString();
}

bool usableName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxAttributeText || name.contains(QLatin1Char('"')) || name.contains(QLatin1Char('\\')))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
}

QJsonValue substitute(const QJsonValue &v, const QString &from, const QString &to)
{
    if (v.isString())
        return QString(v.toString()).replace(from, to);
    if (v.isArray()) {
        QJsonArray out;
        for (const QJsonValue &item : v.toArray())
            out.append(substitute(item, from, to));
        return out;
    }
    if (v.isObject()) {
        QJsonObject out;
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            out.insert(it.key(), substitute(it.value(), from, to));
        return out;
    }
    return v;
}

struct Failure {
    QString text;
};

// One entry of a kind, made concrete for one object: bindings resolved, "for" unrolled.
void expandEntry(QJsonObject e, const QString &object, const QJsonObject &attributes, QJsonArray *out)
{
    for (const QString &key : {QStringLiteral("max"), QStringLiteral("bands")}) {
        if (e.value(key).isString()) {
            const QString attribute = e.value(key).toString();
            if (!attributes.value(attribute).isDouble())
                throw Failure{QStringLiteral("%1: the attribute %2 is missing").arg(object, attribute)};
            e.insert(key, attributeInt(attributes, attribute));
        }
    }
    if (e.contains(QStringLiteral("fromAttribute"))) {
        const QString attribute = e.take(QStringLiteral("fromAttribute")).toString();
        const bool flag = e.take(QStringLiteral("flag")).toBool(false);
        if (attributes.contains(attribute))
            e.insert(QStringLiteral("initial"), flag ? QString::number(attributeInt(attributes, attribute) > 0 ? 1 : 0)
                                                     : attributeText(attributes.value(attribute)));
    }
    if (e.value(QStringLiteral("initial")).isObject()) {
        const QJsonObject by = e.value(QStringLiteral("initial")).toObject();
        const QString key = QString::number(attributeInt(attributes, by.value(QStringLiteral("byAttribute")).toString()));
        const QJsonValue chosen = by.value(QStringLiteral("values")).toObject().value(key);
        if (chosen.isUndefined())
            e.remove(QStringLiteral("initial"));
        else
            e.insert(QStringLiteral("initial"), chosen);
    }
    e = substitute(e, QStringLiteral("{object}"), object).toObject();
    if (!e.contains(QStringLiteral("for"))) {
        out->append(e);
        return;
    }
    const QJsonObject f = e.take(QStringLiteral("for")).toObject();
    if (f.size() != 1)
        throw Failure{QStringLiteral("%1: a \"for\" names one variable").arg(object)};
    const QString var = QLatin1Char('{') + f.begin().key() + QLatin1Char('}');
    QStringList values;
    if (f.begin().value().isArray()) {
        for (const QJsonValue &v : f.begin().value().toArray())
            values << (v.isString() ? v.toString() : QString::number(v.toDouble(), 'g', 12));
    } else {
        const QJsonObject range = f.begin().value().toObject();
        const int from = range.value(QStringLiteral("from")).toInt(1);
        const QJsonValue toValue = range.value(QStringLiteral("to"));
        const int to = toValue.isString() ? attributeInt(attributes, toValue.toString()) : toValue.toInt(0);
        if (to - from >= kMaxCount)
            throw Failure{QStringLiteral("%1: more than %2 repeats").arg(object).arg(kMaxCount)};
        for (int i = from; i <= to; ++i)
            values << QString::number(i);
    }
    const QJsonValue initial = e.take(QStringLiteral("initial"));
    const QJsonArray list = initial.toArray();
    for (int i = 0; i < values.size(); ++i) {
        QJsonObject item = substitute(e, var, values.at(i)).toObject();
        const QJsonValue init = initial.isArray() ? (list.isEmpty() ? QJsonValue() : list.at(qMin(i, list.size() - 1))) : initial;
        if (!init.isUndefined() && !init.isNull())
            item.insert(QStringLiteral("initial"), substitute(init, var, values.at(i)));
        out->append(item);
    }
}

QString keyOf(const QString &object, const QJsonObject &entry)
{
    const bool attribute = entry.value(QStringLiteral("attribute")).toBool(false);
    return QStringLiteral("Preset\\") + object + (attribute ? QStringLiteral("\\AT\\") : QStringLiteral("\\SV\\"))
         + entry.value(QStringLiteral("name")).toString();
}

// The processing objects of a document: those of the grids in grid order, then the rest by name.
QStringList chainOrder(const QJsonObject &document)
{
    QStringList order;
    QSet<QString> seen;
    for (const QJsonValue &grid : document.value(QStringLiteral("gridsDisplay")).toArray()) {
        for (const QJsonValue &column : grid.toObject().value(QStringLiteral("Map")).toArray()) {
            for (const QJsonValue &cell : column.toArray()) {
                const QString name = cell.toString();
                if (document.value(name).isObject() && !name.startsWith(QLatin1Char('.')) && !seen.contains(name)) {
                    seen.insert(name);
                    order << name;
                }
            }
        }
    }
    QStringList rest;
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (!it.key().startsWith(QLatin1Char('.')) && !seen.contains(it.key()) && it.value().isObject()
            && it.value().toObject().value(QStringLiteral("ClassName")).isString())
            rest << it.key();
    }
    std::sort(rest.begin(), rest.end());
    return order + rest;
}
} // namespace

bool QuarraCatalogue::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > kMaxTableBytes) {
        *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxTableBytes);
        return false;
    }
    return loadJson(file.readAll(), error);
}

bool QuarraCatalogue::loadJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    const QJsonObject table = doc.object();
    if (!doc.isObject()) {
        *error = QStringLiteral("not a JSON object: %1").arg(parseError.errorString());
        return false;
    }
    if (table.value(QStringLiteral("format")).toString() != QLatin1String(kFormat)
        || table.value(QStringLiteral("version")).toInt() != 1) {
        *error = QStringLiteral("\"format\" must be \"%1\", \"version\" 1").arg(QLatin1String(kFormat));
        return false;
    }
    for (const char *member : {"kinds", "classes", "objects"}) {
        if (!table.value(QLatin1String(member)).isObject()) {
            *error = QStringLiteral("\"%1\" must be an object").arg(QLatin1String(member));
            return false;
        }
    }
    if (table.value(QStringLiteral("configuration")).toString().isEmpty()
        || !table.value(QStringLiteral("kinds")).toObject().value(kPlain).isArray()) {
        *error = QStringLiteral("a \"configuration\" name and the kind \"Plain\" are needed");
        return false;
    }
    m_table = table;
    return true;
}

QString QuarraCatalogue::kindOf(const QString &name, const QJsonObject &object) const
{
    const QJsonObject byName = m_table.value(QStringLiteral("objects")).toObject();
    if (byName.value(name).isString())
        return byName.value(name).toString();
    const QJsonObject classes = m_table.value(QStringLiteral("classes")).toObject();
    const QString cls = object.value(QStringLiteral("ClassName")).toString();
    const QJsonValue type = object.value(QStringLiteral(".type"));
    if (type.isString() && classes.value(cls + QLatin1Char('/') + type.toString()).isString())
        return classes.value(cls + QLatin1Char('/') + type.toString()).toString();
    return classes.value(cls).toString();
}

bool QuarraCatalogue::compose(const QJsonObject &document, Catalogue *catalogue, QString *error) const
{
    const QJsonObject kinds = m_table.value(QStringLiteral("kinds")).toObject();
    const QStringList order = chainOrder(document);
    QJsonObject classes;
    QJsonArray objects;
    QSet<QString> keys;
    try {
        for (const QString &name : order) {
            const QJsonObject object = document.value(name).toObject();
            const QJsonObject attributes = object.value(QStringLiteral("Attributes")).toObject();
            QString kind = kindOf(name, object);
            if (!kinds.value(kind).isArray()) {
                qCWarning(lcQuarraCatalogue) << "no state variables for" << name << "of class"
                                             << object.value(QStringLiteral("ClassName")).toString();
                kind = kPlain;
            }
            QJsonArray entries;
            for (const QJsonValue &e : kinds.value(kind).toArray())
                expandEntry(e.toObject(), name, attributes, &entries);

            // The template's initial values, and every other attribute as a read-only fact.
            QHash<QString, int> bySvName;
            QSet<QString> attributeNames;
            for (int i = 0; i < entries.size(); ++i) {
                const QJsonObject e = entries.at(i).toObject();
                if (e.value(QStringLiteral("attribute")).toBool(false))
                    attributeNames.insert(e.value(QStringLiteral("name")).toString());
                else
                    bySvName.insert(e.value(QStringLiteral("name")).toString(), i);
            }
            const QJsonObject svValues = object.value(QStringLiteral("SVValues")).toObject();
            for (auto it = svValues.begin(); it != svValues.end(); ++it) {
                const int i = bySvName.value(it.key(), -1);
                if (i < 0 || (!it.value().isString() && !it.value().isDouble())) {
                    qCWarning(lcQuarraCatalogue) << name << "has no state variable" << it.key() << "for its initial value";
                    continue;
                }
                QJsonObject e = entries.at(i).toObject();
                e.insert(QStringLiteral("initial"), it.value());
                entries.replace(i, e);
            }
            for (auto it = attributes.begin(); it != attributes.end(); ++it) {
                const QString text = attributeText(it.value());
                if (attributeNames.contains(it.key()) || text.isNull() || !usableName(it.key()))
                    continue;
                entries.append(QJsonObject{{QStringLiteral("name"), it.key()},
                                           {QStringLiteral("attribute"), true},
                                           {QStringLiteral("kind"), QStringLiteral("text")},
                                           {QStringLiteral("access"), QStringLiteral("ro")},
                                           {QStringLiteral("maxLength"), kMaxAttributeText},
                                           {QStringLiteral("initial"), text}});
            }
            for (const QJsonValue &e : qAsConst(entries))
                keys.insert(keyOf(name, e.toObject()));
            classes.insert(name, entries);
            objects.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("class"), name}});
        }
    } catch (const Failure &f) {
        *error = f.text;
        return false;
    }

    // Meters that watch another object's variable move only while the chain has it.
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        QJsonArray entries = it.value().toArray();
        for (int i = 0; i < entries.size(); ++i) {
            QJsonObject e = entries.at(i).toObject();
            QJsonObject live = e.value(QStringLiteral("live")).toObject();
            if (live.isEmpty())
                continue;
            const QString silent = live.value(QStringLiteral("silentWhen")).toObject().value(QStringLiteral("path")).toString();
            if (!silent.isEmpty() && !keys.contains(silent))
                live.remove(QStringLiteral("silentWhen"));
            const QString source = live.value(QStringLiteral("source")).toString();
            if (!source.isEmpty() && !keys.contains(source))
                e.remove(QStringLiteral("live"));
            else
                e.insert(QStringLiteral("live"), live);
            entries.replace(i, e);
        }
        it.value() = entries;
    }

    QJsonObject json;
    json.insert(QStringLiteral("format"), QStringLiteral("tarn-offline-catalogue"));
    json.insert(QStringLiteral("version"), 1);
    for (const char *member : {"model", "formats", "node", "storage", "presets", "sourceNames"})
        json.insert(QLatin1String(member), m_table.value(QLatin1String(member)));
    json.insert(QStringLiteral("classes"), classes);
    json.insert(QStringLiteral("objects"), objects);
    json.insert(QStringLiteral("configurations"),
                QJsonArray{QJsonObject{{QStringLiteral("name"), configurationName()},
                                       {QStringLiteral("objects"), QJsonArray::fromStringList(order)}}});
    QString why;
    if (!catalogue->loadJson(QJsonDocument(json).toJson(QJsonDocument::Compact), &why)) {
        *error = QStringLiteral("the chain's catalogue: ") + why;
        return false;
    }
    return true;
}
} // namespace tarn::offline
