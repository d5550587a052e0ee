#pragma once

#include "tarncontrol.h"

#include <QList>
#include <QStringList>

class QTimer;

// A polled level meter. The value is mapped onto a piecewise scale so the QML can draw coloured
// ranges of different lengths (rangeColorsInHex, one colour per range). It asks again 100 ms
// after each answer; an unanswered poll is repeated after ten ticks, so a meter never stalls.
class TarnMeter : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(QString meterValue READ meterValue NOTIFY meterValueChanged)
    Q_PROPERTY(double cppSignalThreshold READ cppSignalThreshold WRITE setCppSignalThreshold NOTIFY cppSignalThresholdChanged)
    Q_PROPERTY(QList<qreal> rangeBounaryValues READ rangeBounaryValues WRITE setRangeBounaryValues NOTIFY rangeBounaryValuesChanged)
    Q_PROPERTY(QList<qreal> rangeLengthsInPercentage READ rangeLengthsInPercentage WRITE setRangeLengthsInPercentage NOTIFY rangeLengthsInPercentageChanged)
    Q_PROPERTY(QStringList rangeColorsInHex READ rangeColorsInHex WRITE setRangeColorsInHex NOTIFY rangeColorsInHexChanged)
public:
    explicit TarnMeter(QObject *parent = nullptr);

    QString meterValue() const { return m_meterValue; }
    double cppSignalThreshold() const { return m_threshold; }
    void setCppSignalThreshold(double threshold);
    QList<qreal> rangeBounaryValues() const { return m_boundaries; }
    void setRangeBounaryValues(const QList<qreal> &values);
    QList<qreal> rangeLengthsInPercentage() const { return m_lengths; }
    void setRangeLengthsInPercentage(const QList<qreal> &lengths);
    QStringList rangeColorsInHex() const { return m_colors; }
    void setRangeColorsInHex(const QStringList &colors);

    // The text a processor value is shown as (scaled when the meter has a scale).
    QString displayText(const QString &received) const;

    // Matching binding; every command but "unsubr".
    bool acceptsRecord(const DataFromDevice &data) const override;

signals:
    void meterValueChanged(QString meterValue);
    void cppSignalThresholdChanged(double threshold);
    void rangeBounaryValuesChanged();
    void rangeLengthsInPercentageChanged();
    void rangeColorsInHexChanged();

public slots:
    void sendDataRequest() override;

protected slots:
    void onDataAvailable(DataFromDevice data) override;
    void onCorvexReady() override;
    void onResendDataRequest(bool send) override;

private:
    QString m_meterValue;
    double m_threshold = 0.0;
    QList<qreal> m_boundaries;
    QList<qreal> m_lengths;
    QStringList m_colors;
    QTimer *m_pollTimer = nullptr;
    bool m_answered = false;
    int m_missedTicks = 0;
};
