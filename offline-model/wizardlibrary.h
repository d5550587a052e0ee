#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

namespace tarn::offline {
// The speakers and amplifiers the setup wizard offers (catalogue/wizardlibrary.json), each
// named by its choice entry "Brand|Series|Model".
struct WizardLibrary {
    struct Speaker {
        QString entry;
        QString role; // main, sub, monitor
        QStringList modes;
        QVector<double> crossover;
        double lowCut = 40;
        double upper = 100;
        bool powered = false;
    };
    struct Amplifier {
        QString entry;
        double sensitivity = 1.4; // volts for full power
        bool bridgeable = false;
        bool builtIn = false;
        bool kestrel = false;
    };

    QList<Speaker> speakers;
    QList<Amplifier> amplifiers;

    bool load(const QByteArray &json, QString *error);
    const Speaker *speaker(const QString &entry) const;
    const Amplifier *amplifier(const QString &entry) const;
    QStringList speakerEntries() const;
    QStringList amplifierEntries() const;

    static const WizardLibrary &builtIn();
};
} // namespace tarn::offline
