#include "configlists.h"

#include "homelog.h"

#include <QFile>
#include <QStringList>
#include <QVariantMap>
#include <QXmlStreamReader>

namespace tarn::home {
namespace {
constexpr qint64 kMaxListBytes = 256 * 1024;
constexpr int kMaxEntries = 1024;

bool open(QFile &file, QXmlStreamReader &reader)
{
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcHome).noquote() << "error opening " + file.fileName() + " : " + file.errorString();
        return false;
    }
    reader.addData(file.read(kMaxListBytes));
    return true;
}

void reportError(const QFile &file, const QXmlStreamReader &reader)
{
    if (reader.hasError())
        qCWarning(lcHome).noquote() << QStringLiteral("error in %1 at %2:%3 : %4")
                                           .arg(file.fileName()).arg(reader.lineNumber()).arg(reader.columnNumber())
                                           .arg(reader.errorString());
}
} // namespace

QVariantList readMixerOptions(const QString &path)
{
    QFile file(path);
    QXmlStreamReader reader;
    QVariantList options;
    if (!open(file, reader))
        return options;
    while (!reader.atEnd() && options.size() < kMaxEntries) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != QLatin1String("Mixer"))
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        options.append(QVariantMap{{QStringLiteral("template"), a.value(QStringLiteral("template")).toString()},
                                   {QStringLiteral("type"), a.value(QStringLiteral("type")).toString()},
                                   {QStringLiteral("label"), a.value(QStringLiteral("label")).toString()},
                                   {QStringLiteral("inputs"), a.value(QStringLiteral("inputs")).toInt()},
                                   {QStringLiteral("image"), a.value(QStringLiteral("image")).toString()}});
    }
    reportError(file, reader);
    return reader.hasError() ? QVariantList() : options;
}

QVariantList readOutputNames(const QString &path)
{
    QFile file(path);
    QXmlStreamReader reader;
    QVariantList groups;
    if (!open(file, reader))
        return groups;
    QString group;
    QStringList names;
    int count = 0;
    while (!reader.atEnd() && count < kMaxEntries) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("Group")) {
            group = reader.attributes().value(QStringLiteral("name")).toString();
            names.clear();
        } else if (reader.isStartElement() && reader.name() == QLatin1String("Name")) {
            names.append(reader.readElementText().trimmed());
            ++count;
        } else if (reader.isEndElement() && reader.name() == QLatin1String("Group")) {
            groups.append(QVariantMap{{QStringLiteral("group"), group}, {QStringLiteral("names"), names}});
        }
    }
    reportError(file, reader);
    return reader.hasError() ? QVariantList() : groups;
}
} // namespace tarn::home
