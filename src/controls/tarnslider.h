#pragma once

#include "tarncontrol.h"

#include <array>

class QTimer;

// A slider position in percent of a state variable's range ("%" form). A ratio slider spreads
// the ratio table's uneven steps evenly along its travel.
class TarnSlider : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(float stringProperty READ stringProperty WRITE setStringProperty NOTIFY stringPropertyChanged)
    Q_PROPERTY(bool ratioSlider READ ratioSlider WRITE setRatioSlider NOTIFY ratioSliderChanged)
public:
    static constexpr int kRatioSteps = 38;
    // Percent values of the ratio positions; position i of the slider is i / 37 of its travel.
    static const std::array<float, kRatioSteps> &ratioTable();
    // The slider position (0..100) that shows a percent value of a ratio slider.
    static float ratioPosition(float percent);
    // The percent value a ratio slider sends for a position.
    static float ratioPercent(float position);

    explicit TarnSlider(QObject *parent = nullptr);

    float stringProperty() const { return m_stringProperty; }
    // Stores and announces; a position other than the processor's last is then sent at once.
    void setStringProperty(float stringProperty);
    bool ratioSlider() const { return m_ratioSlider; }
    void setRatioSlider(bool ratioSlider);

    Q_INVOKABLE void setValueWithoutFeedback(float a);

signals:
    void stringPropertyChanged(float stringProperty);
    void ratioSliderChanged(bool ratioSlider);

public slots:
    void onStringPropertyChanged(float value);
    void onThrottleTimeOut();
    void sendDataRequest() override;
    void sendUnSubRequest() override;

protected slots:
    void handleDataAvailable(DataFromDevice data) override;
    void onCorvexReady() override;

private:

    float m_stringProperty = -1.0f;
    bool m_ratioSlider = false;
    float m_lastReceived = -1.0f;
    // What the processor holds once every set sent so far has taken effect.
    float m_expected = -1.0f;
    float m_pending = 0.0f;
    QTimer *m_throttle = nullptr;
};
