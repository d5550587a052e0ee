#include "faultplan.h"

namespace tarn::offline {
namespace {
bool readSwitch(const QString &word, bool *out)
{
    if (word == QLatin1String("on") || word == QLatin1String("1") || word == QLatin1String("true")) {
        *out = true;
        return true;
    }
    if (word == QLatin1String("off") || word == QLatin1String("0") || word == QLatin1String("false")) {
        *out = false;
        return true;
    }
    return false;
}

bool readCount(const QString &word, qint64 min, qint64 max, qint64 *out)
{
    bool ok = false;
    const qint64 n = word.toLongLong(&ok);
    if (!ok || n < min || n > max)
        return false;
    *out = n;
    return true;
}
} // namespace

QString FaultPlan::names()
{
    return QStringLiteral("no-greeting, refuse-login, drop-after, stall-after, garbage, oversize, slow, no-discovery, ftp-cut-after, clear");
}

bool FaultPlan::apply(const QStringList &args, QString *error)
{
    const QString name = args.value(0);
    const QString value = args.value(1);
    if (name == QLatin1String("clear") && args.size() == 1) {
        *this = FaultPlan();
        return true;
    }
    if (args.size() != 2) {
        *error = QStringLiteral("usage: model fault <name> <value> | model fault clear (names: %1)").arg(names());
        return false;
    }
    qint64 n = 0;
    bool on = false;
    if (name == QLatin1String("no-greeting") && readSwitch(value, &on)) {
        noGreeting = on;
    } else if (name == QLatin1String("refuse-login") && readSwitch(value, &on)) {
        refuseLogin = on;
    } else if (name == QLatin1String("garbage") && readSwitch(value, &on)) {
        garbage = on;
    } else if (name == QLatin1String("no-discovery") && readSwitch(value, &on)) {
        noDiscovery = on;
    } else if (name == QLatin1String("drop-after") && (value == QLatin1String("off") || readCount(value, 0, 1 << 30, &n))) {
        dropAfter = value == QLatin1String("off") ? 0 : int(n);
    } else if (name == QLatin1String("stall-after") && (value == QLatin1String("off") || readCount(value, 0, 1 << 30, &n))) {
        stallAfter = value == QLatin1String("off") ? -1 : int(n);
    } else if (name == QLatin1String("oversize") && (value == QLatin1String("off") || readCount(value, 0, kMaxOversize, &n))) {
        oversize = value == QLatin1String("off") ? 0 : n;
    } else if (name == QLatin1String("slow") && (value == QLatin1String("off") || readCount(value, 0, 60000, &n))) {
        slowMs = value == QLatin1String("off") ? 0 : int(n);
    } else if (name == QLatin1String("ftp-cut-after") && (value == QLatin1String("off") || readCount(value, 0, 1ll << 40, &n))) {
        ftpCutAfter = value == QLatin1String("off") ? 0 : n;
    } else {
        *error = QStringLiteral("unknown fault or bad value: %1 %2 (names: %3)").arg(name, value, names());
        return false;
    }
    return true;
}

QJsonObject FaultPlan::toJson() const
{
    return QJsonObject{{QStringLiteral("noGreeting"), noGreeting},  {QStringLiteral("refuseLogin"), refuseLogin},
                       {QStringLiteral("dropAfter"), dropAfter},    {QStringLiteral("stallAfter"), stallAfter},
                       {QStringLiteral("garbage"), garbage},        {QStringLiteral("oversize"), double(oversize)},
                       {QStringLiteral("slowMs"), slowMs},          {QStringLiteral("noDiscovery"), noDiscovery},
                       {QStringLiteral("ftpCutAfter"), double(ftpCutAfter)}};
}

bool FaultPlan::any() const
{
    return noGreeting || refuseLogin || dropAfter > 0 || stallAfter >= 0 || garbage || oversize > 0 || slowMs > 0
        || noDiscovery || ftpCutAfter > 0;
}
} // namespace tarn::offline
