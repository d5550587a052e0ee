#pragma once

#include <QPointF>
#include <QString>
#include <QVector>

// The static transfer functions of the dynamics blocks: the output level a steady input level
// settles at once attack and release have done their work. Levels are in dB throughout.
namespace tarn::graphs {

enum class DynamicsLaw { Compressor, Limiter, Gate, Agc };

// "Compressor", "Limiter", "Gate", "AGC" (any case); false for anything else.
bool dynamicsLawFromName(const QString &name, DynamicsLaw *law);

// A compressor ratio at or above this is a brick wall: the processor shows "Inf:1" there.
inline constexpr double kInfiniteRatio = 100.0;
// Each OverEasy step widens the soft knee by this much (0 is a hard knee, 10 a 20 dB knee).
inline constexpr double kKneeDbPerOverEasyStep = 2.0;

double kneeWidthForOverEasy(double overEasy);

struct DynamicsSettings {
    DynamicsLaw law = DynamicsLaw::Compressor;
    double threshold = 0; // compressor, limiter, gate
    double ratio = 1;     // compressor: n:1 above threshold; gate: 1:n expansion below it
    double knee = 0;      // full width of the soft knee around the threshold (compressor, limiter)
    double gain = 0;      // compressor make-up gain
    double range = 0;     // gate: the largest attenuation
    // Automatic gain control: it brings the level into the window around the target, raising
    // it by no more than maxGain and not at all below lowThreshold; its limiter caps the output.
    double target = 0;
    double window = 0;
    double maxGain = 0;
    double lowThreshold = 0;
    double limThreshold = 0;
};

// Output level for a steady input level. Non-finite settings that the law reads give NaN,
// except an infinite ratio, which is a brick wall.
double dynamicsOutput(const DynamicsSettings &settings, double inputDb);

// What the block does to the level (output − input) without the make-up gain: the reading of a
// gain-reduction meter (positive for the gain an AGC adds).
double dynamicsGainChange(const DynamicsSettings &settings, double inputDb);

// The curve sampled at `points` inputs evenly spread over [fromDb, toDb] (at least two).
QVector<QPointF> dynamicsCurve(const DynamicsSettings &settings, double fromDb, double toDb, int points);

} // namespace tarn::graphs
