#pragma once

#include <QObject>
#include <QStringList>

// Plays the processor's side for the home screen's model: the crossover attributes and the
// preset listing arrive through the link adaptor's signals, as they would from a real link.
class HomeProcessor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // "NumBands" then "MonoSub", as the processor answers the model's subscriptions.
    Q_INVOKABLE void crossover(const QString &numBands, const QString &monoSub);
    // The listing of the running preset's processing objects ("StereoMixer", "GEQ", ...).
    Q_INVOKABLE void listing(const QStringList &objects);
};
