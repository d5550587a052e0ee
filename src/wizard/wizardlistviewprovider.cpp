#include "wizardlistviewprovider.h"

#include "tarnenumsv.h"
#include "tarntextsv.h"
#include "wizardlog.h"

#include <QTime>

using tarn::wizard::DescriptorState;
using tarn::wizard::ListElement;
using tarn::wizard::StateChild;

namespace {
const QString kNodeObject = QStringLiteral("NPO");
const QString kTitleValue = QStringLiteral("TitleString");
} // namespace

WizardListModel::WizardListModel(const QString &descriptorPath, QObject *parent)
    : QAbstractListModel(parent), m_eventPath(QLatin1String(kEventPath)), m_event(new TarnTextSV(this))
{
    m_descriptor.load(descriptorPath);
    m_event->setEntityName(QStringLiteral("WizardEvent"));
    m_event->setPoName(kNodeObject);
    m_event->setSvName(m_eventPath);
}

bool WizardListModel::reload(const QString &descriptorPath)
{
    tarn::wizard::WizardDescriptor next;
    if (!next.load(descriptorPath))
        return false;
    m_descriptor = next;
    if (!m_wizardState.isEmpty())
        setWizardState(m_wizardState);
    return true;
}

void WizardListModel::setWizardState(const QString &state)
{
    const bool changed = state != m_wizardState;
    m_wizardState = state;
    qCDebug(lcWizard).noquote() << "Current wizard state enum: " + state;
    const DescriptorState *found = m_descriptor.state(state);
    if (!found) {
        if (changed)
            emit wizardStateChanged(m_wizardState);
        return;
    }
    const int before = m_entries.size();
    QString heading;
    QString title;
    QString button;
    QString answerPath;
    QString eventPath = QLatin1String(kEventPath);
    beginResetModel();
    m_entries.clear();
    for (const StateChild &child : found->children) {
        if (child.name == QLatin1String("SVPath")) {
            answerPath = child.text.trimmed();
        } else if (child.name == QLatin1String("nextSV")) {
            if (!child.text.trimmed().isEmpty())
                eventPath = child.text.trimmed();
        } else if (child.name == QLatin1String("heading")) {
            heading = child.text;
        } else if (child.name == QLatin1String("button")) {
            button = child.text;
        } else if (child.name == QLatin1String("lvElements")) {
            for (const ListElement &element : child.elements) {
                if (element.value == kTitleValue) {
                    title = element.text;
                    continue;
                }
                if (state == QLatin1String("Inactive"))
                    qCDebug(lcWizard).noquote() << QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) << " ENTER "
                                                << element.text << "list item";
                m_entries.append(element);
            }
        }
    }
    bindAnswer(answerPath);
    if (eventPath != m_eventPath) {
        m_eventPath = eventPath;
        m_event->setSvName(m_eventPath);
    }
    endResetModel();
    if (changed)
        emit wizardStateChanged(m_wizardState);
    if (before != m_entries.size())
        emit countChanged();
    emit entriesChanged();
    m_heading = heading;
    emit headingChanged(m_heading);
    m_buttonText = button;
    emit buttonTextChanged(m_buttonText);
    setTitleString(title);
}

// A fresh control per variable: a reused one would keep the last variable's value and could not
// announce the new one when both are equal.
void WizardListModel::bindAnswer(const QString &path)
{
    if (path == m_svPath && (m_answer != nullptr) == !path.isEmpty())
        return;
    m_svPath = path;
    delete m_answer;
    m_answer = nullptr;
    const bool hadChoices = !m_choices.isEmpty();
    m_choices.clear();
    if (!m_svValue.isEmpty()) {
        m_svValue.clear();
        emit svValueChanged(m_svValue);
    }
    if (hadChoices)
        emit enumsChanged();
    if (path.isEmpty())
        return;
    m_answer = new TarnEnumSV(this);
    m_answer->setEntityName(QStringLiteral("WizardAnswer"));
    connect(m_answer, &TarnTextSV::valueChanged, this, &WizardListModel::updateSvValue);
    connect(m_answer, &TarnEnumSV::enumsChanged, this, &WizardListModel::onSvEnumsChanged);
    m_answer->setPoName(kNodeObject);
    m_answer->setSvName(path);
}

bool WizardListModel::hasImages() const
{
    for (const ListElement &e : m_entries) {
        if (!e.image.isEmpty())
            return true;
    }
    return false;
}

int WizardListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

QVariant WizardListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_entries.size())
        return QVariant();
    const ListElement &e = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TextRole:
        return e.text;
    case ImageRole:
        return e.image;
    case ValueRole:
        return e.value;
    case CrossoverCodeRole:
        return e.crossoverCode;
    case AvailableRole:
        return offered(e.value);
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> WizardListModel::roleNames() const
{
    return {{TextRole, "listViewElementText"},
            {ImageRole, "listViewElementImage"},
            {ValueRole, "listViewElementValue"},
            {CrossoverCodeRole, "listViewElementCrossoverCode"},
            {AvailableRole, "listViewElementAvailable"}};
}

bool WizardListModel::offered(const QString &value) const
{
    // Until the processor has listed its choices (or for a variable without a list) every entry
    // is offered; the processor still refuses what it does not take.
    return m_choices.isEmpty() || m_choices.contains(value);
}

int WizardListModel::getIndexOf(QString key) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).value == key)
            return i;
    }
    return -1;
}

void WizardListModel::updateSvValue(QString value)
{
    m_svValue = value;
    emit svValueChanged(m_svValue);
}

void WizardListModel::updateMySvValue0(QString value)
{
    if (m_answer)
        m_answer->setValueWithoutFeedback(value);
    else
        m_event->setValueWithoutFeedback(value);
}

void WizardListModel::updateMySvValue1(QString value)
{
    m_event->setValueWithoutFeedback(value);
}

void WizardListModel::onSvEnumsChanged()
{
    if (!m_answer)
        return;
    m_choices = m_answer->enums();
    if (!m_entries.isEmpty())
        emit dataChanged(index(0), index(m_entries.size() - 1), {AvailableRole});
    emit enumsChanged();
}

void WizardListModel::setTitleString(QString titleString)
{
    m_titleString = titleString;
    emit titleStringChanged(m_titleString);
}

WizardListViewProvider::WizardListViewProvider(QObject *parent) : WizardListModel(QLatin1String(kDescriptor), parent) {}

void WizardListViewProvider::setXmlFile(QString xmlFile)
{
    if (xmlFile == m_xmlFile)
        return;
    m_xmlFile = xmlFile;
    emit xmlFileChanged(m_xmlFile);
}

void WizardListViewProvider::loadXML()
{
    // Only a plain file name inside the descriptor folder.
    if (m_xmlFile.isEmpty() || m_xmlFile.contains(QLatin1Char('/')) || m_xmlFile.contains(QLatin1Char('\\'))
        || m_xmlFile.startsWith(QLatin1Char('.'))) {
        qCWarning(lcWizard).noquote() << "not a descriptor file name:" << m_xmlFile.left(128);
        return;
    }
    reload(QStringLiteral(":/xml/") + m_xmlFile);
}
