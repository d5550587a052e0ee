#include "svbinding.h"

#include "tarnnumericalsv.h"
#include "tarntextsv.h"

#include <QMetaObject>
#include <QVariant>

Q_LOGGING_CATEGORY(lcGraphs, "tarn.graphs")

namespace tarn::graphs {

namespace {
// The processor's own value controls. The entity name goes first, then the processing object,
// then the variable: only the last assignment completes the binding, so that is the one
// subscription that reaches the processor.
class ControlsBindingFactory : public SVBindingFactory {
public:
    QObject *createNumerical(QObject *owner, const QString &entityName, const QString &poName,
                             const QString &svName) override
    {
        auto *c = new TarnNumericalSV(owner);
        name(c, entityName, poName, svName);
        return c;
    }
    QObject *createText(QObject *owner, const QString &entityName, const QString &poName,
                        const QString &svName) override
    {
        auto *c = new TarnTextSV(owner);
        name(c, entityName, poName, svName);
        return c;
    }

private:
    static void name(TarnControl *c, const QString &entityName, const QString &poName, const QString &svName)
    {
        c->setEntityName(entityName);
        c->setPoName(poName);
        c->setSvName(svName);
    }
};
} // namespace

std::shared_ptr<SVBindingFactory> defaultSVBindingFactory()
{
    static const std::shared_ptr<SVBindingFactory> factory = std::make_shared<ControlsBindingFactory>();
    return factory;
}

BoundControls::~BoundControls()
{
    clear();
}

void BoundControls::add(const QString &svName, QObject *control, int band, const QString &parameter)
{
    if (!control)
        return;
    Entry &e = m_entries[svName];
    if (e.control && e.control != control)
        delete e.control;
    e.control = control;
    e.band = band;
    e.parameter = parameter;
}

void BoundControls::clear()
{
    // Controls deleted elsewhere have already cleared their pointers.
    const QHash<QString, Entry> entries = std::move(m_entries);
    m_entries.clear();
    for (const Entry &e : entries)
        delete e.control.data();
}

const BoundControls::Entry *BoundControls::find(const QString &svName) const
{
    const auto it = m_entries.constFind(svName);
    return it == m_entries.constEnd() ? nullptr : &it.value();
}

const BoundControls::Entry *BoundControls::findSender(const QObject *sender) const
{
    if (!sender)
        return nullptr;
    const Entry *e = find(sender->property("svName").toString());
    return e && e->control == sender ? e : nullptr;
}

QObject *BoundControls::control(const QString &svName) const
{
    const Entry *e = find(svName);
    return e ? e->control : nullptr;
}

bool BoundControls::numericValue(const QString &svName, float *value) const
{
    QObject *c = control(svName);
    if (!c)
        return false;
    bool ok = false;
    const float v = c->property("value").toFloat(&ok);
    if (ok)
        *value = v;
    return ok;
}

bool BoundControls::setValueWithoutFeedback(const QString &svName, float value) const
{
    QObject *c = control(svName);
    return c && QMetaObject::invokeMethod(c, "setValueWithoutFeedback", Qt::DirectConnection, Q_ARG(float, value));
}

bool BoundControls::setValueWithoutFeedback(const QString &svName, const QString &value) const
{
    QObject *c = control(svName);
    return c && QMetaObject::invokeMethod(c, "setValueWithoutFeedback", Qt::DirectConnection, Q_ARG(QString, value));
}

bool connectNumerical(QObject *control, QObject *receiver, const char *slot)
{
    const bool ok = QObject::connect(control, SIGNAL(valueChanged(float)), receiver, slot);
    if (!ok)
        qCWarning(lcGraphs) << "control" << control << "offers no valueChanged(float)";
    return ok;
}

bool connectText(QObject *control, QObject *receiver, const char *slot)
{
    const bool ok = QObject::connect(control, SIGNAL(valueChanged(QString)), receiver, slot);
    if (!ok)
        qCWarning(lcGraphs) << "control" << control << "offers no valueChanged(QString)";
    return ok;
}

void completeControl(QObject *control)
{
    if (!QMetaObject::invokeMethod(control, "componentCompleted", Qt::DirectConnection))
        qCWarning(lcGraphs) << "control" << control << "offers no componentCompleted()";
}

} // namespace tarn::graphs
