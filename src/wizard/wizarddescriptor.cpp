#include "wizarddescriptor.h"

#include "wizardlog.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace tarn::wizard {
namespace {
class Reader {
public:
    explicit Reader(const QByteArray &xml) : m_reader(xml) {}

    bool run(QHash<QString, DescriptorState> *states, QStringList *order, QString *error)
    {
        if (!readDocument(states, order)) {
            *error = QStringLiteral("line %1: %2")
                         .arg(m_line > 0 ? m_line : m_reader.lineNumber())
                         .arg(m_error.isEmpty() ? m_reader.errorString() : m_error);
            return false;
        }
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

    // Reads the current element's text; an element inside it or an overlong text is a fault.
    bool text(QString *out)
    {
        QString collected;
        while (!m_reader.atEnd()) {
            const auto token = m_reader.readNext();
            if (token == QXmlStreamReader::Characters) {
                collected += m_reader.text();
                if (collected.size() > kMaxDescriptorText)
                    return fail(QStringLiteral("a text is longer than %1 characters").arg(kMaxDescriptorText));
            } else if (token == QXmlStreamReader::EndElement) {
                *out = collected;
                return true;
            } else if (token == QXmlStreamReader::StartElement) {
                return fail(QStringLiteral("<%1> may hold text only").arg(m_reader.name().toString()));
            } else if (token == QXmlStreamReader::EntityReference || token == QXmlStreamReader::DTD) {
                return fail(QStringLiteral("entities are not accepted"));
            }
        }
        return !m_reader.hasError() && fail(QStringLiteral("the document ends inside an element"));
    }

    bool readDocument(QHash<QString, DescriptorState> *states, QStringList *order)
    {
        bool rootSeen = false;
        while (!m_reader.atEnd()) {
            const auto token = m_reader.readNext();
            if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
                return fail(QStringLiteral("document type declarations and entities are not accepted"));
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (rootSeen || m_reader.name() != QLatin1String("Wizards"))
                return fail(QStringLiteral("the document element must be <Wizards>"));
            rootSeen = true;
            while (m_reader.readNextStartElement()) {
                if (m_reader.name() != QLatin1String("WizardState"))
                    return fail(QStringLiteral("unknown element <%1> in <Wizards>").arg(m_reader.name().toString()));
                if (states->size() >= kMaxDescriptorStates)
                    return fail(QStringLiteral("more than %1 states").arg(kMaxDescriptorStates));
                DescriptorState state;
                state.id = m_reader.attributes().value(QLatin1String("id")).toString();
                if (state.id.isEmpty() || state.id.size() > 128)
                    return fail(QStringLiteral("a <WizardState> without a usable id"));
                if (states->contains(state.id))
                    return fail(QStringLiteral("state \"%1\" described twice").arg(state.id));
                if (!readState(&state))
                    return false;
                order->append(state.id);
                states->insert(state.id, state);
            }
            if (m_reader.hasError())
                return false;
        }
        if (m_reader.hasError())
            return false;
        return rootSeen || fail(QStringLiteral("no <Wizards> element"));
    }

    bool readState(DescriptorState *state)
    {
        while (m_reader.readNextStartElement()) {
            if (state->children.size() >= kMaxStateChildren)
                return fail(QStringLiteral("state \"%1\" has more than %2 children").arg(state->id).arg(kMaxStateChildren));
            StateChild child;
            child.name = m_reader.name().toString();
            if (child.name == QLatin1String("lvElements")) {
                if (!readElements(&child.elements))
                    return false;
            } else if (!text(&child.text)) {
                return false;
            }
            state->children.append(child);
        }
        return !m_reader.hasError();
    }

    bool readElements(QList<ListElement> *elements)
    {
        while (m_reader.readNextStartElement()) {
            if (m_reader.name() != QLatin1String("lvElement"))
                return fail(QStringLiteral("unknown element <%1> in <lvElements>").arg(m_reader.name().toString()));
            if (elements->size() >= kMaxListElements)
                return fail(QStringLiteral("more than %1 list elements").arg(kMaxListElements));
            ListElement element;
            while (m_reader.readNextStartElement()) {
                const QStringRef name = m_reader.name();
                QString *target = name == QLatin1String("Text")            ? &element.text
                                : name == QLatin1String("Image")           ? &element.image
                                : name == QLatin1String("Value")           ? &element.value
                                : name == QLatin1String("CrossoverCode")   ? &element.crossoverCode
                                                                           : nullptr;
                if (!target)
                    return fail(QStringLiteral("unknown element <%1> in <lvElement>").arg(name.toString()));
                if (!text(target))
                    return false;
            }
            if (m_reader.hasError())
                return false;
            elements->append(element);
        }
        return !m_reader.hasError();
    }

    QXmlStreamReader m_reader;
    QString m_error;
    qint64 m_line = 0;
};
} // namespace

QString DescriptorState::text(const QString &name) const
{
    for (const StateChild &child : children) {
        if (child.name == name)
            return child.text.isNull() ? QStringLiteral("") : child.text;
    }
    return QString();
}

bool DescriptorState::has(const QString &name) const
{
    for (const StateChild &child : children) {
        if (child.name == name)
            return true;
    }
    return false;
}

bool WizardDescriptor::parse(const QByteArray &xml, QString *error)
{
    if (xml.size() > kMaxDescriptorBytes) {
        *error = QStringLiteral("the document is larger than %1 bytes").arg(kMaxDescriptorBytes);
        return false;
    }
    QHash<QString, DescriptorState> states;
    QStringList order;
    if (!Reader(xml).run(&states, &order, error))
        return false;
    m_states = states;
    m_order = order;
    return true;
}

bool WizardDescriptor::load(const QString &path)
{
    QFile file(path);
    if (!file.exists()) {
        qCWarning(lcWizard) << "XML file DOES NOT exist";
        return false;
    }
    qCDebug(lcWizard) << "XML file already exists";
    qCDebug(lcWizard).noquote() << "File path is: " + QFileInfo(file).filePath();
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcWizard).noquote() << "File open error: " + file.errorString();
        qCWarning(lcWizard) << "File open failed";
        return false;
    }
    QString error;
    if (!parse(file.read(kMaxDescriptorBytes + 1), &error)) {
        qCWarning(lcWizard).noquote() << path << "is not a usable wizard descriptor:" << error;
        return false;
    }
    return true;
}

const DescriptorState *WizardDescriptor::state(const QString &id) const
{
    const auto it = m_states.constFind(id);
    return it == m_states.constEnd() ? nullptr : &it.value();
}
} // namespace tarn::wizard
