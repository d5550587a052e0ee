#pragma once

#include <QObject>
#include <QString>

// Gives the crossover screen the display name of a band, from the description of the
// processing object the screen edits.
class CrossoverBandInfoProvider : public QObject {
    Q_OBJECT
public:
    explicit CrossoverBandInfoProvider(QObject *parent = nullptr);

    // bandNo counts from 0, in the order of the crossover graph's bands; "Band" when the
    // description names none.
    Q_INVOKABLE QString getBandName(int bandNo);
};
