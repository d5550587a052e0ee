#pragma once

#include <QString>
#include <QStringList>

namespace tarn::offline {
// How a dynamics block of the model changes the level of a steady signal: what its
// gain-reduction meter reads. Settings are the block's own values, in dB (the knee as the
// processor's OverEasy step, 0 … 10).
enum class DynamicsLaw { Compressor, Limiter, Gate, Agc };

struct DynamicsSettings {
    double threshold = 0;
    double ratio = 1;     // compressor n:1 (100 and above: a brick wall); gate 1:n
    double overEasy = 0;  // soft knee, 2 dB wide per step
    double range = 0;     // gate: the largest attenuation
    double target = 0;    // AGC: the window around the target ...
    double window = 0;
    double maxGain = 0;   // ... the most it raises, not at all below lowThreshold ...
    double lowThreshold = 0;
    double limThreshold = 0; // ... and the ceiling of its limiter
};

bool dynamicsLawFromName(const QString &name, DynamicsLaw *law);
// The settings (catalogue "params" roles) a law reads.
QStringList dynamicsRoles(DynamicsLaw law);
bool setDynamicsRole(DynamicsSettings *settings, const QString &role, double value);

// Change of level (dB; negative: reduction) for a signal at `level` dB.
double dynamicsGainChange(DynamicsLaw law, const DynamicsSettings &settings, double level);
} // namespace tarn::offline
