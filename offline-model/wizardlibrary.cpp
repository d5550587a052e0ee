#include "wizardlibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWizardEngine)

namespace tarn::offline {
namespace {
bool usableEntry(const QString &entry)
{
    const QStringList parts = entry.split(QLatin1Char('|'));
    if (parts.size() != 3 || entry.size() > 128 || entry.contains(QLatin1Char('"')) || entry.contains(QLatin1Char('\\')))
        return false;
    for (const QString &p : parts) {
        if (p.trimmed().isEmpty())
            return false;
    }
    return true;
}
} // namespace

bool WizardLibrary::load(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        *error = parseError.errorString();
        return false;
    }
    WizardLibrary next;
    for (const QJsonValue &v : doc.object().value(QStringLiteral("speakers")).toArray()) {
        const QJsonObject o = v.toObject();
        Speaker s;
        s.entry = o.value(QStringLiteral("entry")).toString();
        s.role = o.value(QStringLiteral("role")).toString();
        for (const QJsonValue &m : o.value(QStringLiteral("modes")).toArray())
            s.modes << m.toString();
        for (const QJsonValue &x : o.value(QStringLiteral("crossover")).toArray())
            s.crossover << x.toDouble();
        s.lowCut = o.value(QStringLiteral("lowCut")).toDouble(40);
        s.upper = o.value(QStringLiteral("upper")).toDouble(100);
        s.powered = o.value(QStringLiteral("powered")).toBool(false);
        const bool rolesOk = s.role == QLatin1String("main") || s.role == QLatin1String("sub") || s.role == QLatin1String("monitor");
        const bool crossoverOk = (!s.modes.contains(QStringLiteral("2Way")) || s.crossover.size() >= 1)
                              && (!s.modes.contains(QStringLiteral("3Way")) || s.crossover.size() >= 2);
        if (!usableEntry(s.entry) || !rolesOk || !crossoverOk || next.speaker(s.entry)) {
            *error = QStringLiteral("speaker \"%1\" is not usable").arg(s.entry);
            return false;
        }
        next.speakers << s;
    }
    for (const QJsonValue &v : doc.object().value(QStringLiteral("amplifiers")).toArray()) {
        const QJsonObject o = v.toObject();
        Amplifier a;
        a.entry = o.value(QStringLiteral("entry")).toString();
        a.sensitivity = o.value(QStringLiteral("sensitivity")).toDouble(1.4);
        a.bridgeable = o.value(QStringLiteral("bridgeable")).toBool(false);
        a.builtIn = o.value(QStringLiteral("builtIn")).toBool(false);
        a.kestrel = o.value(QStringLiteral("kestrel")).toBool(false);
        if (!usableEntry(a.entry) || a.sensitivity <= 0 || next.amplifier(a.entry)) {
            *error = QStringLiteral("amplifier \"%1\" is not usable").arg(a.entry);
            return false;
        }
        next.amplifiers << a;
    }
    *this = next;
    return true;
}

const WizardLibrary::Speaker *WizardLibrary::speaker(const QString &entry) const
{
    for (const Speaker &s : speakers) {
        if (s.entry == entry)
            return &s;
    }
    return nullptr;
}

const WizardLibrary::Amplifier *WizardLibrary::amplifier(const QString &entry) const
{
    for (const Amplifier &a : amplifiers) {
        if (a.entry == entry)
            return &a;
    }
    return nullptr;
}

QStringList WizardLibrary::speakerEntries() const
{
    QStringList list;
    for (const Speaker &s : speakers)
        list << s.entry;
    return list;
}

QStringList WizardLibrary::amplifierEntries() const
{
    QStringList list;
    for (const Amplifier &a : amplifiers)
        list << a.entry;
    return list;
}

const WizardLibrary &WizardLibrary::builtIn()
{
    static const WizardLibrary library = [] {
        WizardLibrary l;
        QFile file(QStringLiteral(":/offline-model/wizardlibrary.json"));
        QString error;
        if (!file.open(QIODevice::ReadOnly) || !l.load(file.readAll(), &error))
            qCWarning(lcWizardEngine).noquote() << "no speakers or amplifiers for the setup wizard:" << error;
        return l;
    }();
    return library;
}
} // namespace tarn::offline
