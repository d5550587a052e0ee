#pragma once

#include "crossovermath.h"
#include "svbinding.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QRectF>
#include <QTimer>

#include <memory>
#include <vector>

// Binds each crossover band's corners, families, gain and polarity and computes one magnitude
// curve per band.
class CrossoverCurvePlotter : public QObject {
    Q_OBJECT
    Q_PROPERTY(QRectF boundRectangle READ boundRectangle WRITE setBoundRectangle NOTIFY boundRectangleChanged)
public:
    explicit CrossoverCurvePlotter(QObject *parent = nullptr);
    ~CrossoverCurvePlotter() override;

    QRectF boundRectangle() const { return m_boundRectangle; }
    void setBoundRectangle(const QRectF &r);

    void initialise(const QString &poName, int bandCount, int waysCount, int subsCount);

    void setBandCount(int count) { m_bandCount = count; }
    int bandCount() const { return m_bandCount; }
    void setWaysCount(int count) { m_waysCount = count; }
    int waysCount() const { return m_waysCount; }
    void setSubsCount(int count) { m_subsCount = count; }
    int subsCount() const { return m_subsCount; }
    void setCurrentBand(int band) { m_currentBand = band; }
    int currentBand() const { return m_currentBand; }
    QString poName() const { return m_poName; }

    int bands() const { return int(m_bands.size()); }
    const tarn::graphs::CrossoverBand &band(int index) const { return m_bands[size_t(index)]; }
    const tarn::graphs::CurveList &curves() const { return m_curves.current(); }
    bool startDelayRunning() const { return m_timer.isActive(); }

    // The state-variable name of a band's parameter: "Band_n_" for the ways, "MonoSub_" after.
    QString svNameFor(int band, const QString &parameter) const;

    void setBindingFactory(std::shared_ptr<tarn::graphs::SVBindingFactory> factory);
    const tarn::graphs::BoundControls &controls() const { return m_controls; }

signals:
    void curvesChanged(QList<QMap<float, float> > &m);
    void boundRectangleChanged(QRectF m);

public slots:
    void onBoundRectangleChanged(QRectF r);
    void onSVChanged(float value);
    void onSVChanged(QString value);
    void timerTick();

private:
    void createBindings();
    void refreshBand(int band);
    void computeBand(int band);
    void publish();

    std::vector<tarn::graphs::CrossoverBand> m_bands;
    tarn::graphs::PublishedCurves m_curves;
    tarn::graphs::BoundControls m_controls;
    std::shared_ptr<tarn::graphs::SVBindingFactory> m_factory;
    QString m_poName;
    int m_bandCount = 0;
    int m_waysCount = 0;
    int m_subsCount = 0;
    int m_currentBand = 0;
    QRectF m_boundRectangle;
    double m_width = 0.0;
    double m_height = 0.0;
    QTimer m_timer;
    bool m_initialised = false;
};
