#pragma once

#include "eqcurvemodel.h"
#include "svbinding.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QRectF>
#include <QTimer>

#include <memory>

// Owns the band parameters of a parametric equaliser, binds them to the processor through value
// controls and computes one curve per band plus their sum.
class TarnPEQCurvePlotter : public QObject {
    Q_OBJECT
    Q_PROPERTY(QRectF boundRectangle READ boundRectangle WRITE setBoundRectangle NOTIFY boundRectangleChanged)
public:
    explicit TarnPEQCurvePlotter(QObject *parent = nullptr);
    ~TarnPEQCurvePlotter() override;

    QRectF boundRectangle() const;
    void setBoundRectangle(const QRectF &r);

    // Stores the names, starts the start-up delay and binds bandCount bands (once).
    void initialise(const QString &poName, int bandCount);
    // Sends the frequency and gain of the dragged point (band pointID + 1).
    void setControlPoint(int pointID, int x, int y);
    // The point of band index + 1 from its bound frequency and gain.
    QPoint controlPoint(int index) const;

    void setCurrentBand(int band) { m_currentBand = band; }
    int currentBand() const { return m_currentBand; }
    QString poName() const { return m_poName; }
    int bandCount() const { return m_model.bandCount(); }
    const tarn::graphs::EqBand &band(int index) const { return m_model.band(index); }
    const tarn::graphs::FilterDesigner &designer() const { return m_model.designer(); }
    // The curves last emitted.
    const tarn::graphs::CurveList &curves() const { return m_model.curves().current(); }
    bool startDelayRunning() const { return m_timer.isActive(); }

    // Where the value controls come from; set before initialise().
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
    void recomputeBand(int band);
    void publish();

    tarn::graphs::EqCurveModel m_model;
    tarn::graphs::BoundControls m_controls;
    std::shared_ptr<tarn::graphs::SVBindingFactory> m_factory;
    QString m_poName;
    QRectF m_boundRectangle;
    QTimer m_timer;
    int m_currentBand = 0;
    bool m_initialised = false;
};
