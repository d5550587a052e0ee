#include "presetnames.h"

#include <QStringList>

namespace tarn::presets {
namespace {
bool isNameCharacter(QChar c)
{
    static const QString others = QStringLiteral(" !#$%&'()+,-.=[]^_\\{}~@");
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || others.contains(c);
}

bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}
} // namespace

bool isValidDeviceName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxDeviceNameLength)
        return false;
    for (const QChar c : name) {
        if (!isNameCharacter(c))
            return false;
    }
    return true;
}

bool isSafeFileName(const QString &name, QString *why)
{
    if (name.trimmed().isEmpty())
        return fail(why, QStringLiteral("The name is empty."));
    if (name.size() > kMaxFileNameLength)
        return fail(why, QStringLiteral("The name is longer than %1 characters.").arg(kMaxFileNameLength));
    if (name != name.trimmed() || name.endsWith(QLatin1Char('.')))
        return fail(why, QStringLiteral("The name may not begin or end with a blank, nor end with a dot."));
    if (name.startsWith(QLatin1Char('.')))
        return fail(why, QStringLiteral("The name may not begin with a dot."));
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control
            || c.category() == QChar::Other_Format || refused.contains(c))
            return fail(why, QStringLiteral("The name may not hold / \\ : * ? \" < > | or control characters."));
    }
    // Device names are reserved with any extension ("NUL.txt" too).
    static const QStringList reserved = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                         QStringLiteral("NUL")};
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    const bool numbered = stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT")))
                       && stem.at(3) >= QLatin1Char('0') && stem.at(3) <= QLatin1Char('9');
    if (reserved.contains(stem) || numbered)
        return fail(why, QStringLiteral("\"%1\" is a name some systems keep for devices.").arg(stem));
    return true;
}

int slotNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 4)
        return 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    }
    const int n = text.toInt();
    return n >= 1 && n <= 1000 ? n : 0;
}
} // namespace tarn::presets
