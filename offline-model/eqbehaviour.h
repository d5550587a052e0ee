#pragma once

#include "devicestate.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

namespace tarn::offline {
class Catalogue;

// What the equaliser and feedback-suppression objects do beyond keeping values, as the
// processor's own algorithms would:
// - a graphic EQ's quick curve sets its 31 bands; a band moved by hand makes it "Manual";
// - a running feedback suppressor places notch filters over time, deepens them, and lifts live
//   filters again after the lift time (driven by the model's clock, so tests can step it);
// - the automatic EQ holds the room response and target of a measurement already taken.
class EqBehaviour : public QObject {
    Q_OBJECT
public:
    // A measured curve: 625 levels, 160 per decade, index 143 at 20 Hz.
    static constexpr int kCurvePoints = 625;
    static constexpr int kIndexOf20Hz = 143;
    static constexpr int kPointsPerDecade = 160;

    // Gives empty "Response" and "Target" texts of every automatic-EQ object the curves of the
    // measurement, in dB.
    static void addRoomMeasurement(Catalogue *catalogue);
    static double roomLevel(double frequency);
    static double targetLevel(double frequency);
    static double curveFrequency(int index);
    static QString curveText(double (*level)(double));

    // The 31 band levels of a quick curve, 20 Hz first; empty for "Manual" and unknown names.
    static QVector<double> quickCurve(const QString &name);

    // msPerTick: the time one step of the model's clock stands for (lift times are in seconds).
    EqBehaviour(DeviceState *state, quint64 seed, int msPerTick, QObject *parent = nullptr);

    // Steps between two feedback events by content mode.
    static int eventInterval(const QString &contentMode);

private:
    struct Geq {
        int quickCurve = -1;
        QVector<int> bands;
    };
    struct Filter {
        int frequency = -1;
        int gain = -1;
        int q = -1;
        quint64 placedAt = 0;
        double depth = 0;
    };
    struct Afs {
        int onOff = -1;
        int contentMode = -1;
        int filterMode = -1;
        int maxFixed = -1;
        int liftTime = -1;
        int sensitivity = -1;
        QVector<Filter> filters;
        quint64 nextEvent = 0;
    };

    void findObjects();
    void onClientChanged(int idx);
    void onTicked();
    void stepAfs(Afs &afs);
    int firstLiveFilter(const Afs &afs) const;
    void placeFilter(Afs &afs, Filter &filter);

    DeviceState *m_state;
    SplitMix64 m_random;
    int m_msPerTick;
    QVector<Geq> m_geqs;
    QHash<int, int> m_geqOfCurve;
    QHash<int, int> m_geqOfBand;
    QVector<Afs> m_afs;
    QHash<int, int> m_afsOfSwitch;
};
} // namespace tarn::offline
