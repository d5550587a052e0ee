#pragma once

#include "dynamicscurve.h"

#include <QColor>
#include <QPolygonF>
#include <QQuickPaintedItem>
#include <QRectF>

// The transfer graph of a dynamics block: input level (dB) across, output level (dB) up, the
// curve drawn from the block's settings as QML binds them, with the threshold and (for the AGC)
// the target window and limit marked. A setting that is NaN is not known yet; the curve then
// waits and only the grid and the unity line show.
class DynamicsTransferGraph : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QString law READ law WRITE setLaw NOTIFY settingsChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY settingsChanged)
    Q_PROPERTY(qreal threshold READ threshold WRITE setThreshold NOTIFY settingsChanged)
    Q_PROPERTY(qreal ratio READ ratio WRITE setRatio NOTIFY settingsChanged)
    Q_PROPERTY(qreal overEasy READ overEasy WRITE setOverEasy NOTIFY settingsChanged)
    Q_PROPERTY(qreal gain READ gain WRITE setGain NOTIFY settingsChanged)
    Q_PROPERTY(qreal range READ range WRITE setRange NOTIFY settingsChanged)
    Q_PROPERTY(qreal overshoot READ overshoot WRITE setOvershoot NOTIFY settingsChanged)
    Q_PROPERTY(qreal target READ target WRITE setTarget NOTIFY settingsChanged)
    Q_PROPERTY(qreal window READ window WRITE setWindow NOTIFY settingsChanged)
    Q_PROPERTY(qreal maxGain READ maxGain WRITE setMaxGain NOTIFY settingsChanged)
    Q_PROPERTY(qreal lowThreshold READ lowThreshold WRITE setLowThreshold NOTIFY settingsChanged)
    Q_PROPERTY(qreal limThreshold READ limThreshold WRITE setLimThreshold NOTIFY settingsChanged)
    Q_PROPERTY(qreal signalLevel READ signalLevel WRITE setSignalLevel NOTIFY settingsChanged)
    Q_PROPERTY(qreal minimumDb READ minimumDb WRITE setMinimumDb NOTIFY settingsChanged)
    Q_PROPERTY(qreal maximumDb READ maximumDb WRITE setMaximumDb NOTIFY settingsChanged)
    Q_PROPERTY(QColor curveColor READ curveColor WRITE setCurveColor NOTIFY settingsChanged)
    Q_PROPERTY(QColor markerColor READ markerColor WRITE setMarkerColor NOTIFY settingsChanged)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor NOTIFY settingsChanged)
    Q_PROPERTY(QColor gridColor READ gridColor WRITE setGridColor NOTIFY settingsChanged)
    Q_PROPERTY(QColor plotColor READ plotColor WRITE setPlotColor NOTIFY settingsChanged)
    Q_PROPERTY(int fontPixelSize READ fontPixelSize WRITE setFontPixelSize NOTIFY settingsChanged)
    Q_PROPERTY(bool curveKnown READ curveKnown NOTIFY curveChanged)
public:
    explicit DynamicsTransferGraph(QQuickItem *parent = nullptr);

    void paint(QPainter *painter) override;

    QString law() const { return m_lawName; }
    void setLaw(const QString &law);
    bool active() const { return m_active; }
    void setActive(bool active);
    qreal threshold() const { return m_settings.threshold; }
    void setThreshold(qreal v) { setSetting(&m_settings.threshold, v); }
    qreal ratio() const { return m_settings.ratio; }
    void setRatio(qreal v) { setSetting(&m_settings.ratio, v); }
    qreal overEasy() const { return m_overEasy; }
    void setOverEasy(qreal v);
    qreal gain() const { return m_settings.gain; }
    void setGain(qreal v) { setSetting(&m_settings.gain, v); }
    qreal range() const { return m_settings.range; }
    void setRange(qreal v) { setSetting(&m_settings.range, v); }
    qreal overshoot() const { return m_overshoot; }
    void setOvershoot(qreal v) { setSetting(&m_overshoot, v); }
    qreal target() const { return m_settings.target; }
    void setTarget(qreal v) { setSetting(&m_settings.target, v); }
    qreal window() const { return m_settings.window; }
    void setWindow(qreal v) { setSetting(&m_settings.window, v); }
    qreal maxGain() const { return m_settings.maxGain; }
    void setMaxGain(qreal v) { setSetting(&m_settings.maxGain, v); }
    qreal lowThreshold() const { return m_settings.lowThreshold; }
    void setLowThreshold(qreal v) { setSetting(&m_settings.lowThreshold, v); }
    qreal limThreshold() const { return m_settings.limThreshold; }
    void setLimThreshold(qreal v) { setSetting(&m_settings.limThreshold, v); }
    qreal signalLevel() const { return m_signal; }
    void setSignalLevel(qreal v);
    qreal minimumDb() const { return m_minDb; }
    void setMinimumDb(qreal v);
    qreal maximumDb() const { return m_maxDb; }
    void setMaximumDb(qreal v);
    QColor curveColor() const { return m_curveColor; }
    void setCurveColor(const QColor &c) { setColour(&m_curveColor, c); }
    QColor markerColor() const { return m_markerColor; }
    void setMarkerColor(const QColor &c) { setColour(&m_markerColor, c); }
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &c) { setColour(&m_textColor, c); }
    QColor gridColor() const { return m_gridColor; }
    void setGridColor(const QColor &c) { setColour(&m_gridColor, c); }
    QColor plotColor() const { return m_plotColor; }
    void setPlotColor(const QColor &c) { setColour(&m_plotColor, c); }
    int fontPixelSize() const { return m_fontPixelSize; }
    void setFontPixelSize(int size);

    bool curveKnown() const { return !m_curve.isEmpty(); }

    // The output level the curve gives for an input level (NaN while a setting is unknown).
    Q_INVOKABLE qreal outputAt(qreal inputDb) const;
    // The block's change of level at an input level, make-up gain left out.
    Q_INVOKABLE qreal gainChangeAt(qreal inputDb) const;

    // Where the plot sits inside the item, and the curve as last computed in item coordinates.
    QRectF plotRect() const;
    QPointF toItem(qreal inputDb, qreal outputDb) const;
    QPolygonF curvePolyline() const;
    const tarn::graphs::DynamicsSettings &settings() const { return m_settings; }

signals:
    void settingsChanged();
    void curveChanged();

private:
    void setSetting(double *field, qreal value);
    void setColour(QColor *field, const QColor &colour);
    void recompute();
    qreal gridStep() const;
    void paintAxes(QPainter &painter, const QRectF &plot) const;
    void paintMarkers(QPainter &painter, const QRectF &plot) const;

    QString m_lawName = QStringLiteral("Compressor");
    tarn::graphs::DynamicsSettings m_settings;
    bool m_active = true;
    double m_overEasy;
    double m_overshoot;
    double m_signal;
    double m_minDb = -80;
    double m_maxDb = 20;
    QColor m_curveColor{0xf2, 0x99, 0x2e};
    QColor m_markerColor{0x6c, 0xb4, 0xff};
    QColor m_textColor{0xa3, 0xac, 0xb9};
    QColor m_gridColor{0x3a, 0x42, 0x50};
    QColor m_plotColor{0x07, 0x09, 0x0c};
    int m_fontPixelSize = 13;
    QVector<QPointF> m_curve; // in dB
};
