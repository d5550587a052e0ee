#include "linkevents.h"

#include <QCoreApplication>

#include <atomic>

namespace tarn {
namespace {
std::atomic<LinkEvents *> g_events{nullptr};
std::atomic<bool> g_eventsGone{false};

void destroyEvents()
{
    if (!g_eventsGone.exchange(true))
        delete g_events.exchange(nullptr);
}
} // namespace

LinkEvents::LinkEvents(QObject *parent) : QObject(parent) {}

LinkEvents *LinkEvents::instance()
{
    if (g_eventsGone.load())
        return nullptr;
    static const bool created = [] {
        g_events.store(new LinkEvents);
        qAddPostRoutine(&destroyEvents);
        return true;
    }();
    Q_UNUSED(created);
    return g_events.load();
}
} // namespace tarn
