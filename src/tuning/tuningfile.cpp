#include "tuningfile.h"

#include "datapaths.h"
#include "tuninglog.h"

#include <QFileInfo>

namespace tarn::tuning {
namespace {
constexpr int StampParts = 5;
constexpr int MaxStampDigits = 4;

QStringList nameParts(const QString &fileName)
{
    return QFileInfo(fileName).completeBaseName().split(QLatin1Char('_'));
}

QString folderName(Kind kind)
{
    return kind == Kind::Amplifier ? QStringLiteral("AmplifierData") : QStringLiteral("SpeakerTunings");
}
} // namespace

QString tuningKey(const QString &fileName)
{
    const QStringList parts = nameParts(fileName);
    if (parts.size() < StampParts + 1)
        return QString();
    return parts.mid(0, parts.size() - StampParts).join(QLatin1Char('_'));
}

TimeStamp tuningTimeStamp(const QString &fileName)
{
    TimeStamp stamp;
    const QStringList parts = nameParts(fileName);
    if (parts.size() < StampParts + 1)
        return stamp;
    for (int i = 0; i < StampParts; ++i) {
        const QString &part = parts.at(parts.size() - StampParts + i);
        if (part.isEmpty() || part.size() > MaxStampDigits)
            return stamp;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return stamp;
        }
        stamp.parts[std::size_t(i)] = part.toInt();
    }
    stamp.valid = true;
    return stamp;
}

QString brandOf(const QString &fileName)
{
    return nameParts(fileName).value(0);
}

QString seriesOf(const QString &fileName)
{
    return nameParts(fileName).value(1);
}

bool isTuningFileName(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(TuningSuffix), Qt::CaseInsensitive) && !tuningKey(fileName).isEmpty()
        && tuningTimeStamp(fileName).valid;
}

bool isSafeFileName(const QString &name, QString *reason)
{
    auto refuse = [reason](const char *why) {
        if (reason)
            *reason = QString::fromLatin1(why);
        return false;
    };
    if (name.isEmpty())
        return refuse("empty name");
    if (name.size() > MaxFileNameLength)
        return refuse("name too long");
    if (name.startsWith(QLatin1Char('.')))
        return refuse("hidden or relative name");
    if (name.contains(QLatin1String("..")))
        return refuse("name contains \"..\"");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':'))
            return refuse("name contains a separator");
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c.category() == QChar::Other_Surrogate || c.isNull())
            return refuse("name contains control characters");
    }
    return true;
}

QStringList acceptNames(const QStringList &names, const char *source)
{
    QStringList accepted;
    int seen = 0;
    for (const QString &raw : names) {
        const QString name = raw.trimmed();
        if (name.isEmpty())
            continue;
        if (++seen > MaxListedNames) {
            qCWarning(lcTuning) << source << "names more than" << MaxListedNames << "files; the rest is ignored";
            break;
        }
        QString why;
        if (!isSafeFileName(name, &why)) {
            qCWarning(lcTuning).noquote() << QStringLiteral("Skipping a file name from the %1 (%2): %3")
                                                 .arg(QLatin1String(source), why, name.left(64).toHtmlEscaped());
            continue;
        }
        if (!isTuningFileName(name)) {
            qCDebug(lcTuning) << "Not a tuning file, ignored:" << name;
            continue;
        }
        accepted.append(name);
    }
    return accepted;
}
QStringList orderedBrandList(const QStringList &brandsInDiscoveryOrder)
{
    QStringList brands{QString::fromLatin1(ShowAll)};
    for (const QString &brand : brandsInDiscoveryOrder) {
        if (brand.isEmpty() || brand == QLatin1String("Custom") || brands.contains(brand))
            continue;
        brands.append(brand);
    }
    int position = 1;
    for (const char *first : {"Vessant", "Brova"}) {
        const int at = brands.indexOf(QLatin1String(first));
        if (at >= 0)
            brands.move(at, position++);
    }
    return brands;
}

QString fileState(const TimeStamp &local, const TimeStamp *processorNewest)
{
    if (!processorNewest)
        return QString::fromLatin1(StateNotLoaded);
    return *processorNewest < local ? QString::fromLatin1(StateHasUpdate) : QString::fromLatin1(StateLoaded);
}

QString groupState(const FileInfoList &files)
{
    bool allLoaded = !files.isEmpty();
    for (const FileInfo &file : files) {
        if (file.state == QLatin1String(StateHasUpdate))
            return file.state;
        allLoaded = allLoaded && file.state == QLatin1String(StateLoaded);
    }
    return QString::fromLatin1(allLoaded ? StateLoaded : StateNotLoaded);
}

QString typeText(Kind kind)
{
    return QString::fromLatin1(kind == Kind::Amplifier ? TypeAmplifier : TypeSpeaker);
}

Kind kindOfType(const QString &type)
{
    return type == QLatin1String(TypeAmplifier) ? Kind::Amplifier : Kind::Speaker;
}

QString processorFolder(Kind kind)
{
    return QLatin1Char('/') + folderName(kind);
}

QString factoryFolder(Kind kind)
{
    return QStringLiteral(":/TuningFiles/Local/") + folderName(kind);
}

QString libraryRoot()
{
    return tarn::dataFolder() + QStringLiteral("/TuningFiles");
}

QString localFolder(Kind kind)
{
    return libraryRoot() + QStringLiteral("/Local/") + folderName(kind);
}

QString cloudFolder(Kind kind)
{
    return libraryRoot() + QStringLiteral("/Cloud/") + folderName(kind);
}

QString cloudContainer(Kind kind, bool validationMode)
{
    QString name = kind == Kind::Amplifier ? QStringLiteral("cz-amplifier-data") : QStringLiteral("cz-speaker-tunings");
    if (validationMode)
        name += QStringLiteral("-test");
    return name;
}
} // namespace tarn::tuning
