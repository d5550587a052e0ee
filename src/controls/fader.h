#pragma once

#include "tarncontrol.h"

#include <QList>

class QTimer;

// A fader position in percent of its travel. With range boundaries and lengths the travel is a
// piecewise scale of the value; without, a straight line from minimum to maximum.
class Fader : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(double faderValue READ faderValue NOTIFY faderValueChanged)
    Q_PROPERTY(double minimum READ minimum WRITE setMinimum NOTIFY minimumChanged)
    Q_PROPERTY(double maximum READ maximum WRITE setMaximum NOTIFY maximumChanged)
    Q_PROPERTY(QList<qreal> rangeBounaryValues READ rangeBounaryValues WRITE setRangeBounaryValues NOTIFY rangeBounaryValuesChanged)
    Q_PROPERTY(QList<qreal> rangeLengthsInPercentage READ rangeLengthsInPercentage WRITE setRangeLengthsInPercentage NOTIFY rangeLengthsInPercentageChanged)
public:
    explicit Fader(QObject *parent = nullptr);

    double faderValue() const { return m_faderValue; }
    double minimum() const { return m_minimum; }
    void setMinimum(double minimum);
    double maximum() const { return m_maximum; }
    void setMaximum(double maximum);
    QList<qreal> rangeBounaryValues() const { return m_boundaries; }
    void setRangeBounaryValues(const QList<qreal> &values);
    QList<qreal> rangeLengthsInPercentage() const { return m_lengths; }
    void setRangeLengthsInPercentage(const QList<qreal> &lengths);

    // The position (percent) of a processor value and the value at a position.
    Q_INVOKABLE double percentOf(double value) const;
    Q_INVOKABLE double valueAt(double percent) const;

    Q_INVOKABLE void setValueWithoutFeedback(double p);

signals:
    void faderValueChanged(double faderValue);
    void minimumChanged(double minimum);
    void maximumChanged(double maximum);
    void rangeBounaryValuesChanged();
    void rangeLengthsInPercentageChanged();

public slots:
    void onThrottleTimeOut();

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    double m_faderValue = 0.0;
    double m_minimum = 0.0;
    double m_maximum = 100.0;
    QList<qreal> m_boundaries;
    QList<qreal> m_lengths;
    double m_pending = 0.0;
    double m_pendingPercent = 0.0;
    // The position the processor holds once every set sent so far has taken effect.
    double m_expected = 0.0;
    QTimer *m_throttle = nullptr;
};
