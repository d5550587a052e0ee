#include "controldispatcher.h"

#include "controlslog.h"
#include "tarncontrol.h"
#include "tcpadaptor.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>

namespace tarn {
namespace {
std::atomic<ControlDispatcher *> g_dispatcher{nullptr};
std::atomic<bool> g_dispatcherGone{false};

void destroyDispatcher()
{
    if (!g_dispatcherGone.exchange(true))
        delete g_dispatcher.exchange(nullptr);
}

ControlDispatcher::Mode modeFromEnvironment()
{
    const QByteArray wanted = qgetenv("TARN_CONTROL_DISPATCH").trimmed().toLower();
    if (wanted == "broadcast")
        return ControlDispatcher::Mode::Broadcast;
    if (!wanted.isEmpty() && wanted != "index")
        qCWarning(lcControls) << "TARN_CONTROL_DISPATCH must be \"index\" or \"broadcast\"; using the index.";
    return ControlDispatcher::Mode::Keyed;
}
} // namespace

ControlDispatcher *ControlDispatcher::instance()
{
    if (g_dispatcherGone.load())
        return nullptr;
    static const bool created = [] {
        g_dispatcher.store(new ControlDispatcher);
        qAddPostRoutine(&destroyDispatcher);
        return true;
    }();
    Q_UNUSED(created);
    return g_dispatcher.load();
}

ControlDispatcher::ControlDispatcher(QObject *parent) : QObject(parent)
{
    setMode(modeFromEnvironment());
}

void ControlDispatcher::setMode(Mode mode)
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (adaptor)
        disconnect(adaptor, &TCPAdaptor::dataAvailable, this, &ControlDispatcher::deliver);
    QVector<Entry> all;
    all.reserve(m_registrations.size());
    for (auto it = m_registrations.cbegin(); it != m_registrations.cend(); ++it)
        all.append({it->order, const_cast<TarnControl *>(it.key())});
    std::sort(all.begin(), all.end(), [](const Entry &a, const Entry &b) { return a.order < b.order; });
    for (const Entry &entry : qAsConst(all))
        disconnectBroadcast(entry.control);

    m_mode = mode;
    if (m_mode == Mode::Keyed) {
        if (adaptor)
            connect(adaptor, &TCPAdaptor::dataAvailable, this, &ControlDispatcher::deliver);
    } else {
        // Connected in creation order, the order in which the keyed delivery offers records.
        for (const Entry &entry : qAsConst(all))
            connectBroadcast(entry.control);
    }
}

int ControlDispatcher::boundCount(const QString &poName, const QString &svName, const QString &valueType) const
{
    const auto it = m_keyed.constFind(Key{poName, svName, valueType});
    return it == m_keyed.cend() ? 0 : it->size();
}

ControlDispatcher::Key ControlDispatcher::keyOf(const TarnControl *control)
{
    return Key{control->poName(), control->svName(), control->valueType()};
}

void ControlDispatcher::insertOrdered(EntryList &list, const Entry &entry)
{
    const auto at = std::upper_bound(list.begin(), list.end(), entry.order,
                                     [](quint64 order, const Entry &e) { return order < e.order; });
    list.insert(at, entry);
}

void ControlDispatcher::removeFrom(EntryList &list, const TarnControl *control)
{
    list.erase(std::remove_if(list.begin(), list.end(), [control](const Entry &e) { return e.control == control; }),
               list.end());
}

const ControlDispatcher::Entry *ControlDispatcher::firstAfter(const EntryList &list, quint64 order)
{
    const auto at = std::upper_bound(list.cbegin(), list.cend(), order,
                                     [](quint64 o, const Entry &e) { return o < e.order; });
    return at == list.cend() ? nullptr : &*at;
}

void ControlDispatcher::connectBroadcast(TarnControl *control)
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        connect(adaptor, &TCPAdaptor::dataAvailable, control, &TarnControl::onDataAvailable, Qt::UniqueConnection);
}

void ControlDispatcher::disconnectBroadcast(TarnControl *control)
{
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        disconnect(adaptor, &TCPAdaptor::dataAvailable, control, &TarnControl::onDataAvailable);
}

void ControlDispatcher::index(TarnControl *control, Registration &registration)
{
    const Entry entry{registration.order, control};
    if (registration.wide) {
        insertOrdered(m_wide, entry);
    } else {
        registration.key = keyOf(control);
        insertOrdered(m_keyed[registration.key], entry);
    }
    ++m_changes;
}

void ControlDispatcher::unindex(const TarnControl *control, const Registration &registration)
{
    if (registration.wide) {
        removeFrom(m_wide, control);
    } else {
        auto it = m_keyed.find(registration.key);
        if (it != m_keyed.end()) {
            removeFrom(*it, control);
            if (it->isEmpty())
                m_keyed.erase(it);
        }
    }
    ++m_changes;
}

void ControlDispatcher::attach(TarnControl *control)
{
    Registration registration;
    registration.order = m_nextOrder++;
    index(control, registration);
    m_registrations.insert(control, registration);
    if (m_mode == Mode::Broadcast)
        connectBroadcast(control);
}

void ControlDispatcher::detach(TarnControl *control)
{
    const auto it = m_registrations.find(control);
    if (it == m_registrations.end())
        return;
    unindex(control, *it);
    m_registrations.erase(it);
    // In broadcast mode the connection goes with the object itself.
}

void ControlDispatcher::rekey(TarnControl *control)
{
    const auto it = m_registrations.find(control);
    if (it == m_registrations.end() || it->wide)
        return;
    const Key key = keyOf(control);
    if (key == it->key)
        return;
    unindex(control, *it);
    index(control, *it);
}

void ControlDispatcher::setWide(TarnControl *control, bool wide)
{
    const auto it = m_registrations.find(control);
    if (it == m_registrations.end() || it->wide == wide)
        return;
    unindex(control, *it);
    it->wide = wide;
    index(control, *it);
}

void ControlDispatcher::deliver(const DataFromDevice &record)
{
    // As with a signal, controls created while this record is being delivered do not see it,
    // while controls destroyed meanwhile are skipped and controls renamed meanwhile are offered
    // it when their new key matches and their turn has not passed.
    const quint64 limit = m_nextOrder;
    const Key key{record.poName, record.svName, record.valueType};
    quint64 changes = m_changes;
    auto bound = m_keyed.constFind(key);
    bool haveBound = bound != m_keyed.cend();
    quint64 last = 0;
    for (;;) {
        if (changes != m_changes) {
            changes = m_changes;
            bound = m_keyed.constFind(key);
            haveBound = bound != m_keyed.cend();
        }
        const Entry *next = haveBound ? firstAfter(*bound, last) : nullptr;
        if (!m_wide.isEmpty()) {
            const Entry *wide = firstAfter(m_wide, last);
            if (wide && (!next || wide->order < next->order))
                next = wide;
        }
        if (!next || next->order >= limit)
            break;
        last = next->order;
        next->control->onDataAvailable(record);
    }
}
} // namespace tarn
