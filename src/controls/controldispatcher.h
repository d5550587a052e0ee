#pragma once

#include "datafromdevice.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

class TarnControl;

namespace tarn {
// Brings every record of the link to the controls it can concern. Offering each record to each
// live control costs O(controls) per line; instead the records are looked up by their binding
// key (poName, svName, valueType) and reach only the controls bound to that key, plus the few
// controls that declared a wider filter. Each reached control still runs its own filter, so what
// a control sees is exactly what the broadcast would have shown it, in the same order
// (creation order), with the same treatment of controls destroyed, created or renamed while a
// record is being delivered.
//
// Broadcast mode connects every control to the adaptor's dataAvailable instead, as the reference
// behaviour; TARN_CONTROL_DISPATCH=broadcast selects it at start, should the index ever be in doubt.
class ControlDispatcher : public QObject {
    Q_OBJECT
public:
    enum class Mode { Keyed, Broadcast };

    // Created on first use on the GUI thread, destroyed with the application object; nullptr
    // once destroyed.
    static ControlDispatcher *instance();

    Mode mode() const { return m_mode; }
    // Rewires every live control; records being delivered at that moment finish the old way.
    void setMode(Mode mode);

    int controlCount() const { return m_registrations.size(); }
    int wideCount() const { return m_wide.size(); }
    // Controls reached by a record of this key in keyed mode (wide controls not counted).
    int boundCount(const QString &poName, const QString &svName, const QString &valueType) const;

public slots:
    // Offers a record to the controls it can concern (keyed mode; connected to dataAvailable).
    void deliver(const DataFromDevice &record);

private:
    friend class ::TarnControl;

    struct Key {
        QString poName;
        QString svName;
        QString valueType;
        bool operator==(const Key &other) const
        {
            return svName == other.svName && poName == other.poName && valueType == other.valueType;
        }
        friend uint qHash(const Key &key, uint seed) noexcept
        {
            return ::qHash(key.svName, ::qHash(key.poName, ::qHash(key.valueType, seed)));
        }
    };
    struct Entry {
        quint64 order;
        TarnControl *control;
    };
    using EntryList = QVector<Entry>;
    struct Registration {
        quint64 order = 0;
        Key key;
        bool wide = false;
    };

    explicit ControlDispatcher(QObject *parent = nullptr);

    // Called by TarnControl: on construction, destruction, after a change of poName, svName or
    // valueType, and when a control widens or narrows its filter.
    void attach(TarnControl *control);
    void detach(TarnControl *control);
    void rekey(TarnControl *control);
    void setWide(TarnControl *control, bool wide);

    static Key keyOf(const TarnControl *control);
    static void insertOrdered(EntryList &list, const Entry &entry);
    static void removeFrom(EntryList &list, const TarnControl *control);
    // The first entry after the given order, or nullptr.
    static const Entry *firstAfter(const EntryList &list, quint64 order);
    void connectBroadcast(TarnControl *control);
    void disconnectBroadcast(TarnControl *control);
    void index(TarnControl *control, Registration &registration);
    void unindex(const TarnControl *control, const Registration &registration);

    Mode m_mode = Mode::Keyed;
    quint64 m_nextOrder = 1;
    // Bumped whenever a list changes, so a running delivery knows to look its list up again.
    quint64 m_changes = 0;
    QHash<Key, EntryList> m_keyed;
    EntryList m_wide;
    QHash<const TarnControl *, Registration> m_registrations;
};
} // namespace tarn
