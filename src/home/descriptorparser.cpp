#include "descriptorparser.h"

#include <QFile>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>

#include <cmath>

namespace tarn::home {
namespace {
const QSet<QString> &knownKinds()
{
    static const QSet<QString> kinds{QStringLiteral("toggle"), QStringLiteral("number"), QStringLiteral("choice"),
                                     QStringLiteral("text"),   QStringLiteral("meter"),  QStringLiteral("clip"),
                                     QStringLiteral("spectrum"), QStringLiteral("mute")};
    return kinds;
}

class Parser {
public:
    explicit Parser(const QByteArray &xml) : m_reader(xml) {}

    bool run(DescriptorDocument *out, QString *error)
    {
        DescriptorDocument document;
        const bool ok = parseDocument(document);
        if (!ok) {
            *error = m_reader.hasError() && m_error.isEmpty()
                ? QStringLiteral("line %1: %2").arg(m_reader.lineNumber()).arg(m_reader.errorString())
                : QStringLiteral("line %1: %2").arg(m_line).arg(m_error);
            return false;
        }
        *out = document;
        return true;
    }

private:
    bool fail(const QString &why)
    {
        if (m_error.isEmpty()) {
            m_error = why;
            m_line = m_reader.lineNumber();
        }
        return false;
    }

    bool text(const QXmlStreamAttributes &attributes, const char *name, QString *out, bool required = false)
    {
        const QString key = QString::fromLatin1(name);
        if (!attributes.hasAttribute(key)) {
            if (required)
                return fail(QStringLiteral("<%1> lacks \"%2\"").arg(m_reader.name().toString(), key));
            return true;
        }
        const QString value = attributes.value(key).toString();
        if (value.size() > kMaxDescriptorText)
            return fail(QStringLiteral("\"%1\" is longer than %2 characters").arg(key).arg(kMaxDescriptorText));
        if (required && value.trimmed().isEmpty())
            return fail(QStringLiteral("\"%1\" is empty").arg(key));
        *out = value;
        return true;
    }

    bool number(const QXmlStreamAttributes &attributes, const char *name, double *out, bool *present)
    {
        QString value;
        if (!text(attributes, name, &value))
            return false;
        *present = attributes.hasAttribute(QString::fromLatin1(name));
        if (!*present)
            return true;
        bool ok = false;
        const double x = value.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(x))
            return fail(QStringLiteral("\"%1\" is not a number: %2").arg(QString::fromLatin1(name), value));
        *out = x;
        return true;
    }

    bool flag(const QXmlStreamAttributes &attributes, const char *name, bool *out)
    {
        QString value;
        if (!text(attributes, name, &value))
            return false;
        if (value.isEmpty())
            return true;
        if (value != QLatin1String("true") && value != QLatin1String("false"))
            return fail(QStringLiteral("\"%1\" is neither true nor false").arg(QString::fromLatin1(name)));
        *out = value == QLatin1String("true");
        return true;
    }

    bool list(const QXmlStreamAttributes &attributes, const char *name, QStringList *out)
    {
        QString value;
        if (!text(attributes, name, &value))
            return false;
        if (value.trimmed().isEmpty())
            return true;
        QStringList items = value.split(QLatin1Char(','));
        if (items.size() > kMaxDescriptorListItems)
            return fail(QStringLiteral("\"%1\" has more than %2 items").arg(QString::fromLatin1(name)).arg(kMaxDescriptorListItems));
        for (QString &item : items)
            item = item.trimmed();
        *out = items;
        return true;
    }

    bool numbers(const QXmlStreamAttributes &attributes, const char *name, QList<double> *out)
    {
        QStringList items;
        if (!list(attributes, name, &items))
            return false;
        for (const QString &item : qAsConst(items)) {
            bool ok = false;
            const double x = item.toDouble(&ok);
            if (!ok || !std::isfinite(x))
                return fail(QStringLiteral("\"%1\" holds %2, not a number").arg(QString::fromLatin1(name), item));
            out->append(x);
        }
        return true;
    }

    bool parseDocument(DescriptorDocument &document)
    {
        bool rootSeen = false;
        while (!m_reader.atEnd()) {
            const QXmlStreamReader::TokenType token = m_reader.readNext();
            if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
                return fail(QStringLiteral("document type declarations and entities are not accepted"));
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (rootSeen || m_reader.name() != QLatin1String("ControlDescriptor"))
                return fail(QStringLiteral("the document element must be <ControlDescriptor>"));
            rootSeen = true;
            if (!parseRoot(document))
                return false;
        }
        if (m_reader.hasError())
            return false;
        if (!rootSeen)
            return fail(QStringLiteral("no <ControlDescriptor> element"));
        return checkDocument(document);
    }

    bool parseRoot(DescriptorDocument &document)
    {
        const QXmlStreamAttributes a = m_reader.attributes();
        if (!text(a, "screen", &document.screen, true) || !text(a, "title", &document.title)
            || !text(a, "po", &document.po) || !text(a, "rangeClass", &document.rangeClass)
            || !text(a, "variantSetting", &document.variantSetting) || !text(a, "defaultVariant", &document.defaultVariant))
            return false;
        if (document.title.isEmpty())
            document.title = document.screen;

        while (m_reader.readNextStartElement()) {
            if (m_reader.name() == QLatin1String("Variant")) {
                if (!parseVariant(document))
                    return false;
            } else if (m_reader.name() == QLatin1String("Control")) {
                if (!parseControl(document))
                    return false;
            } else {
                return fail(QStringLiteral("unknown element <%1>").arg(m_reader.name().toString()));
            }
        }
        return !m_reader.hasError();
    }

    bool parseVariant(DescriptorDocument &document)
    {
        if (document.variants.size() >= kMaxDescriptorVariants)
            return fail(QStringLiteral("more than %1 variants").arg(kMaxDescriptorVariants));
        const QXmlStreamAttributes a = m_reader.attributes();
        DescriptorVariant variant;
        if (!text(a, "name", &variant.name, true) || !text(a, "po", &variant.po, true) || !text(a, "label", &variant.label))
            return false;
        if (variant.label.isEmpty())
            variant.label = variant.name;
        for (const DescriptorVariant &other : qAsConst(document.variants)) {
            if (other.name == variant.name)
                return fail(QStringLiteral("variant \"%1\" named twice").arg(variant.name));
        }
        document.variants.append(variant);
        m_reader.skipCurrentElement();
        return true;
    }

    bool parseControl(DescriptorDocument &document)
    {
        if (document.controls.size() >= kMaxDescriptorControls)
            return fail(QStringLiteral("more than %1 controls").arg(kMaxDescriptorControls));
        const QXmlStreamAttributes a = m_reader.attributes();
        DescriptorControl c;
        if (!text(a, "kind", &c.kind, true) || !text(a, "sv", &c.sv, true) || !text(a, "po", &c.po)
            || !text(a, "label", &c.label) || !text(a, "unit", &c.unit) || !text(a, "group", &c.group)
            || !text(a, "role", &c.role) || !text(a, "rangeClass", &c.rangeClass)
            || !text(a, "nudgeClass", &c.nudgeClass) || !list(a, "variants", &c.variants)
            || !number(a, "min", &c.min, &c.hasMin) || !number(a, "max", &c.max, &c.hasMax)
            || !flag(a, "slider", &c.slider) || !flag(a, "ratioSlider", &c.ratioSlider)
            || !numbers(a, "scale", &c.boundaries) || !numbers(a, "lengths", &c.lengths)
            || !number(a, "signalThreshold", &c.signalThreshold, &c.hasSignalThreshold)
            || !list(a, "bandLabels", &c.bandLabels))
            return false;
        if (!knownKinds().contains(c.kind))
            return fail(QStringLiteral("unknown kind \"%1\"").arg(c.kind));
        if (c.label.isEmpty())
            c.label = c.sv;
        if (c.hasMin && c.hasMax && c.min >= c.max)
            return fail(QStringLiteral("%1: min is not below max").arg(c.sv));
        if (!c.boundaries.isEmpty() || !c.lengths.isEmpty()) {
            if (c.boundaries.size() < 2 || c.lengths.size() != c.boundaries.size() - 1)
                return fail(QStringLiteral("%1: a scale needs n >= 2 values and n - 1 lengths").arg(c.sv));
            for (int i = 1; i < c.boundaries.size(); ++i) {
                if (c.boundaries.at(i) <= c.boundaries.at(i - 1))
                    return fail(QStringLiteral("%1: scale values must ascend").arg(c.sv));
            }
        }
        if (c.kind != QLatin1String("spectrum") && (!c.bandLabels.isEmpty() || a.hasAttribute(QLatin1String("bands"))))
            return fail(QStringLiteral("%1: bands belong to a spectrum").arg(c.sv));
        if (c.kind == QLatin1String("spectrum")) {
            QString bands;
            if (!text(a, "bands", &bands, true))
                return false;
            bool ok = false;
            c.bands = bands.toInt(&ok);
            if (!ok || c.bands < 1 || c.bands > kMaxDescriptorListItems)
                return fail(QStringLiteral("%1: bands must be 1..%2").arg(c.sv).arg(kMaxDescriptorListItems));
            if (!c.bandLabels.isEmpty() && c.bandLabels.size() != c.bands)
                return fail(QStringLiteral("%1: %2 band labels for %3 bands").arg(c.sv).arg(c.bandLabels.size()).arg(c.bands));
        }
        document.controls.append(c);
        m_reader.skipCurrentElement();
        return true;
    }

    bool checkDocument(const DescriptorDocument &document)
    {
        if (document.variants.isEmpty()) {
            if (!document.variantSetting.isEmpty() || !document.defaultVariant.isEmpty())
                return fail(QStringLiteral("a variant setting without variants"));
        } else {
            bool found = document.defaultVariant.isEmpty();
            for (const DescriptorVariant &v : document.variants)
                found = found || v.name == document.defaultVariant;
            if (!found)
                return fail(QStringLiteral("default variant \"%1\" is not declared").arg(document.defaultVariant));
        }
        for (const DescriptorControl &c : document.controls) {
            if (c.po.isEmpty() && document.po.isEmpty() && document.variants.isEmpty())
                return fail(QStringLiteral("%1 has no processing object").arg(c.sv));
            for (const QString &name : c.variants) {
                bool declared = false;
                for (const DescriptorVariant &v : document.variants)
                    declared = declared || v.name == name;
                if (!declared)
                    return fail(QStringLiteral("%1 names the undeclared variant \"%2\"").arg(c.sv, name));
            }
        }
        return true;
    }

    QXmlStreamReader m_reader;
    QString m_error;
    qint64 m_line = 0;
};
} // namespace

bool parseControlDescriptor(const QByteArray &xml, DescriptorDocument *out, QString *error)
{
    QString why;
    if (xml.size() > kMaxDescriptorBytes) {
        why = QStringLiteral("larger than %1 bytes").arg(kMaxDescriptorBytes);
    } else {
        Parser parser(xml);
        if (parser.run(out, &why))
            return true;
    }
    if (error)
        *error = why;
    return false;
}

QString descriptorFilePath(const QString &source)
{
    if (source.startsWith(QLatin1String("qrc:/")))
        return source.mid(3);
    if (source.startsWith(QLatin1String(":/")))
        return source;
    if (source.startsWith(QLatin1String("file:")))
        return QUrl(source).toLocalFile();
    if (source.startsWith(QLatin1Char('/')) && QFile::exists(QLatin1Char(':') + source))
        return QLatin1Char(':') + source;
    return source;
}
} // namespace tarn::home
