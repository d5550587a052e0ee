// Linked into every program of the ThreadSanitizer build (./dev sanitize thread). Threads meet
// through Qt's event queues, guarded in the uninstrumented Qt by locks the sanitizer cannot see: so
// every hand-off to another thread (signal emission, invokeMethod, postEvent, deleteLater,
// single-shot timers) releases one synchronisation object, every event delivery acquires it, and
// QThread::wait() acquires what the finished thread released last. Data touched with no hand-off,
// our own locks and atomics stay visible. These definitions interpose Qt's by name (our calls go
// through the dynamic linker) and forward to Qt's own.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <sanitizer/tsan_interface.h>

#include <chrono>
#include <dlfcn.h>
#include <mutex>
#include <set>
#include <thread>

namespace {
char g_handoff;

void handOff() { __tsan_release(&g_handoff); }
void takeOver()
{
    __tsan_acquire(&g_handoff);
    __tsan_release(&g_handoff);
}

template <typename Fn> Fn qtFunction(const char *mangledName)
{
    void *symbol = dlsym(RTLD_NEXT, mangledName);
    if (!symbol) {
        fprintf(stderr, "qthandoff: %s not found in Qt\n", mangledName);
        abort();
    }
    return reinterpret_cast<Fn>(symbol);
}

// Threads whose thread-local destructors have run, so a waiter can take what they released.
std::mutex g_exitedMutex;
std::set<const QThread *> g_exited;

struct ExitMark {
    const QThread *thread = QThread::currentThread();
    ~ExitMark()
    {
        std::lock_guard<std::mutex> lock(g_exitedMutex);
        g_exited.insert(thread);
    }
};
thread_local ExitMark t_exitMark;

bool onEventDelivery(void **)
{
    (void)t_exitMark.thread; // constructs this thread's mark
    takeOver();
    return false; // Qt delivers the event as usual
}

struct Registration {
    Registration() { QInternal::registerCallback(QInternal::EventNotifyCallback, onEventDelivery); }
} g_registration;
} // namespace

void QMetaObject::activate(QObject *sender, const QMetaObject *m, int localSignalIndex, void **argv)
{
    using Fn = void (*)(QObject *, const QMetaObject *, int, void **);
    static const Fn qt = qtFunction<Fn>("_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    handOff();
    qt(sender, m, localSignalIndex, argv);
}

void QMetaObject::activate(QObject *sender, int signalOffset, int localSignalIndex, void **argv)
{
    using Fn = void (*)(QObject *, int, int, void **);
    static const Fn qt = qtFunction<Fn>("_ZN11QMetaObject8activateEP7QObjectiiPPv");
    handOff();
    qt(sender, signalOffset, localSignalIndex, argv);
}

bool QMetaObject::invokeMethodImpl(QObject *object, QtPrivate::QSlotObjectBase *slot, Qt::ConnectionType type,
                                   void *ret)
{
    using Fn = bool (*)(QObject *, QtPrivate::QSlotObjectBase *, Qt::ConnectionType, void *);
    static const Fn qt = qtFunction<Fn>(
        "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    handOff();
    return qt(object, slot, type, ret);
}

bool QMetaObject::invokeMethod(QObject *object, const char *member, Qt::ConnectionType type,
                               QGenericReturnArgument ret, QGenericArgument a0, QGenericArgument a1,
                               QGenericArgument a2, QGenericArgument a3, QGenericArgument a4, QGenericArgument a5,
                               QGenericArgument a6, QGenericArgument a7, QGenericArgument a8, QGenericArgument a9)
{
    using Fn = bool (*)(QObject *, const char *, Qt::ConnectionType, QGenericReturnArgument, QGenericArgument,
                        QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument,
                        QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument);
    static const Fn qt = qtFunction<Fn>("_ZN11QMetaObject12invokeMethodEP7QObjectPKcN2Qt14ConnectionTypeE22"
                                        "QGenericReturnArgument16QGenericArgumentS7_S7_S7_S7_S7_S7_S7_S7_S7_");
    handOff();
    return qt(object, member, type, ret, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9);
}

void QCoreApplication::postEvent(QObject *receiver, QEvent *event, int priority)
{
    using Fn = void (*)(QObject *, QEvent *, int);
    static const Fn qt = qtFunction<Fn>("_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
    handOff();
    qt(receiver, event, priority);
}

void QObject::deleteLater()
{
    using Fn = void (*)(QObject *);
    static const Fn qt = qtFunction<Fn>("_ZN7QObject11deleteLaterEv");
    handOff();
    qt(this);
}

void QTimer::singleShotImpl(int msec, Qt::TimerType timerType, const QObject *receiver,
                            QtPrivate::QSlotObjectBase *slotObj)
{
    using Fn = void (*)(int, Qt::TimerType, const QObject *, QtPrivate::QSlotObjectBase *);
    static const Fn qt = qtFunction<Fn>(
        "_ZN6QTimer14singleShotImplEiN2Qt9TimerTypeEPK7QObjectPN9QtPrivate15QSlotObjectBaseE");
    handOff();
    qt(msec, timerType, receiver, slotObj);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    using Fn = bool (*)(QThread *, QDeadlineTimer);
    static const Fn qt = qtFunction<Fn>("_ZN7QThread4waitE14QDeadlineTimer");
    if (!qt(this, deadline))
        return false;
    if (!isFinished()) // never started
        return true;
    // Qt reports the thread finished just before its thread-local destructors run; wait for them
    // (briefly: a thread that never delivered an event has no mark).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(g_exitedMutex);
            if (g_exited.erase(this) || std::chrono::steady_clock::now() > giveUp)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    takeOver();
    return true;
}
