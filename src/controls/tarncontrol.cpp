#include "tarncontrol.h"

#include "controldispatcher.h"
#include "controlslog.h"
#include "linkevents.h"
#include "tcpadaptor.h"

#include <QElapsedTimer>

namespace {
// Opt-in diagnostic (TARN_TRACE_BINDINGS=1): each control logs "bound PO/SV" when it starts to
// follow a variable and "value PO/SV" when the first record for it arrives, so a screen tour can
// find controls that never got their value. Off, it costs one flag test per control created.
bool tracingBindings()
{
    static const bool on = qEnvironmentVariableIntValue("TARN_TRACE_BINDINGS") == 1;
    return on;
}

// A binding left before its value came (the control went, or was renamed) is logged as
// "unbound PO/SV after N ms", so a reader can tell a screen left quickly from a value that
// never came.
class BindingTrace : public QObject {
public:
    explicit BindingTrace(TarnControl *control) : QObject(control), m_control(control)
    {
        setObjectName(QStringLiteral("tarnBindingTrace"));
    }
    ~BindingTrace() override { leave(); }

    // The control was completed or renamed: a complete binding is logged once per key.
    void bindingMayHaveChanged(bool completed)
    {
        m_completed = m_completed || completed;
        const QString key = m_control->poName() + QLatin1Char('/') + m_control->svName();
        if (!m_completed || m_control->poName().isEmpty() || m_control->svName().isEmpty() || key == m_key)
            return;
        leave();
        m_key = key;
        m_valueSeen = false;
        m_since.start();
        qCInfo(lcControls).noquote() << "bound" << m_key;
        if (!m_watch) {
            if (TCPAdaptor *adaptor = TCPAdaptor::instance())
                m_watch = connect(adaptor, &TCPAdaptor::dataAvailable, this, [this](const DataFromDevice &data) { onRecord(data); });
        }
    }

private:
    void onRecord(const DataFromDevice &data)
    {
        if (m_valueSeen || data.command == QLatin1String("unsubr") || !m_control->acceptsRecord(data))
            return;
        m_valueSeen = true;
        qCInfo(lcControls).noquote() << "value" << m_key;
        // Until the next rename nothing more is logged, so the records need not be looked at.
        disconnect(m_watch);
        m_watch = {};
    }

    void leave()
    {
        if (!m_key.isEmpty() && !m_valueSeen)
            qCInfo(lcControls).noquote() << "unbound" << m_key << "after" << m_since.elapsed() << "ms";
    }

    TarnControl *m_control;
    QString m_key;
    bool m_completed = false;
    bool m_valueSeen = false;
    QElapsedTimer m_since;
    QMetaObject::Connection m_watch;
};

BindingTrace *traceOf(const TarnControl *control)
{
    if (!tracingBindings())
        return nullptr;
    // The trace has no meta-object of its own, so it is found by name.
    return static_cast<BindingTrace *>(
        control->findChild<QObject *>(QStringLiteral("tarnBindingTrace"), Qt::FindDirectChildrenOnly));
}
} // namespace

TarnControl::TarnControl(QObject *parent) : QObject(parent)
{
    connectToLink();
    if (tracingBindings())
        new BindingTrace(this);
}

TarnControl::~TarnControl()
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->detach(this);
    m_beingDestroyed = true;
    // Not through the virtual slot: the subclass part is already gone.
    if (!m_poName.isEmpty() && !m_svName.isEmpty() && !m_isMeter) {
        if (TCPAdaptor *adaptor = TCPAdaptor::instance())
            adaptor->sendRequest(unsubscribeRequest());
    }
}

// Records arrive through the dispatcher (keyed by the binding); the rarer link events reach every
// control directly.
void TarnControl::connectToLink()
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->attach(this);
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        connect(adaptor, &TCPAdaptor::corvexReady, this, &TarnControl::onCorvexReady);
        connect(adaptor, &TCPAdaptor::connectionLost, this, &TarnControl::onConnectionLost);
    }
    if (tarn::LinkEvents *events = tarn::LinkEvents::instance())
        connect(events, &tarn::LinkEvents::resendDataRequest, this, &TarnControl::onResendDataRequest);
}

void TarnControl::keyChanged()
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->rekey(this);
}

void TarnControl::receiveEveryRecord(bool every)
{
    if (tarn::ControlDispatcher *dispatcher = tarn::ControlDispatcher::instance())
        dispatcher->setWide(this, every);
}

void TarnControl::setConnectionAvailable(bool available)
{
    m_connectionAvailable = available;
}

void TarnControl::setPoName(const QString &poName)
{
    if (m_poName == poName)
        return;
    m_poName = poName;
    keyChanged();
    emit poNameChanged(m_poName);
    sendDataRequest();
    if (BindingTrace *trace = traceOf(this))
        trace->bindingMayHaveChanged(false);
}

void TarnControl::setSvName(const QString &svName)
{
    if (m_svName == svName)
        return;
    m_svName = svName;
    keyChanged();
    emit svNameChanged(m_svName);
    sendDataRequest();
    if (BindingTrace *trace = traceOf(this))
        trace->bindingMayHaveChanged(false);
}

void TarnControl::setIsMeter(bool isMeter)
{
    if (m_isMeter == isMeter)
        return;
    m_isMeter = isMeter;
    emit isMeterChanged(m_isMeter);
}

void TarnControl::setEntityName(const QString &entityName)
{
    if (m_entityName == entityName)
        return;
    m_entityName = entityName;
    emit entityNameChanged(m_entityName);
}

void TarnControl::setValueType(const QString &valueType)
{
    m_valueType = valueType;
    keyChanged();
    emit valueTypeChanged(m_valueType);
}

void TarnControl::componentCompleted()
{
    sendDataRequest();
    if (BindingTrace *trace = traceOf(this))
        trace->bindingMayHaveChanged(true);
}

DataFromDevice TarnControl::subscribeRequest() const
{
    DataFromDevice request;
    request.poName = m_poName;
    request.svName = m_svName;
    request.valueType = m_valueType;
    request.command = QStringLiteral("sub");
    return request;
}

DataFromDevice TarnControl::unsubscribeRequest() const
{
    DataFromDevice request;
    request.poName = m_poName;
    request.svName = m_svName;
    request.command = QStringLiteral("unsub");
    return request;
}

void TarnControl::sendDataRequest()
{
    if (m_poName.isEmpty() || m_svName.isEmpty() || m_isMeter)
        return;
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (adaptor && adaptor->isReady()) {
        adaptor->sendRequest(subscribeRequest());
        // Controls made in C++ never complete; their first subscription counts as binding.
        if (BindingTrace *trace = traceOf(this))
            trace->bindingMayHaveChanged(true);
    }
}

void TarnControl::send(const QString &command, const QString &value, const QString &valueType) const
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor)
        return;
    DataFromDevice request;
    request.poName = m_poName;
    request.svName = m_svName;
    request.valueType = valueType;
    request.value = value;
    request.command = command;
    adaptor->sendRequest(request);
}

bool TarnControl::canRequest() const
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    return !m_poName.isEmpty() && !m_svName.isEmpty() && adaptor && adaptor->isReady();
}

void TarnControl::sendUnSubRequest()
{
    if (m_poName.isEmpty() || m_svName.isEmpty() || m_isMeter)
        return;
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        adaptor->sendRequest(unsubscribeRequest());
}

bool TarnControl::acceptsRecord(const DataFromDevice &data) const
{
    return data.poName == m_poName && data.valueType == m_valueType && data.svName == m_svName
        && data.command != QLatin1String("setr");
}

void TarnControl::onDataAvailable(DataFromDevice data)
{
    if (!acceptsRecord(data))
        return;
    // The processor ended the subscription (another binding of the same variable went away):
    // a live control takes it up again at once.
    if (data.command == QLatin1String("unsubr") && !m_beingDestroyed)
        sendDataRequest();
    handleDataAvailable(data);
}

void TarnControl::handleDataAvailable(DataFromDevice data)
{
    Q_UNUSED(data);
}

void TarnControl::onCorvexReady()
{
    sendDataRequest();
    emit corvexReady();
}

void TarnControl::onResendDataRequest(bool send)
{
    Q_UNUSED(send);
}

void TarnControl::resubscribe(bool send)
{
    if (!send || m_poName.isEmpty() || m_svName.isEmpty())
        return;
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor || !adaptor->isReady())
        return;
    qCDebug(lcControls).noquote() << QStringLiteral("resubscribing to ") + m_poName + QLatin1Char(':') + m_svName;
    sendDataRequest();
}

void TarnControl::onConnectionLost()
{
    m_connectionAvailable = false;
    emit connectionLost();
}
