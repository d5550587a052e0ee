#pragma once

#include <QString>

namespace tarn::offline {
// What the real-time analyser listens to: the signal generator as the measurement microphone
// hears it in the room, or the programme on one of the inputs. The analyser's own gain lifts
// everything it shows.
struct AnalyserScene {
    enum class Signal { PinkNoise, WhiteNoise, Sine };

    bool generatorOn = false;
    Signal signal = Signal::PinkNoise;
    double sineHz = 1000;
    double amplitudeDb = -20;
    QString source;      // the analyser router's choice ("RTA Mic", "Input A", ...)
    double gainDb = 0;
    QString averaging;   // "Fast", "Medium", "Slow": how much the bands jitter

    bool listensToMicrophone() const { return !source.startsWith(QLatin1String("Input")); }
    static Signal signalFromText(const QString &text);
};

// The level one band of the analyser swings around, and how far it swings (a factor on the
// catalogue's swing and noise: a generator is a steady signal, programme is not).
struct BandLevel {
    double mean = 0;
    double motion = 1;
};

// Centre frequency of band `band` of `bands` third-octave bands starting at 20 Hz.
double analyserBandCentreHz(int band);

// `programmeMean` is the catalogue's mean level of the programme on the inputs.
BandLevel analyserBandLevel(const AnalyserScene &scene, int band, int bands, double programmeMean);
} // namespace tarn::offline
