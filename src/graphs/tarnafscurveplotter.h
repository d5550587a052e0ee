#pragma once

#include "eqcurvemodel.h"
#include "svbinding.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QRectF>
#include <QTimer>

#include <memory>

// Binds the notch filters the feedback suppressor has placed and computes one curve per filter.
class TarnAFSCurvePlotter : public QObject {
    Q_OBJECT
    Q_PROPERTY(QRectF boundRectangle READ boundRectangle WRITE setBoundRectangle NOTIFY boundRectangleChanged)
public:
    explicit TarnAFSCurvePlotter(QObject *parent = nullptr);
    ~TarnAFSCurvePlotter() override;

    QRectF boundRectangle() const { return m_boundRectangle; }
    void setBoundRectangle(const QRectF &r);

    void initialise(const QString &poName, int bandCount);

    void setCurrentBand(int band) { m_currentBand = band; }
    int currentBand() const { return m_currentBand; }
    QString poName() const { return m_poName; }
    int bandCount() const { return m_model.bandCount(); }
    const tarn::graphs::EqBand &band(int index) const { return m_model.band(index); }
    const tarn::graphs::FilterDesigner &designer() const { return m_model.designer(); }
    const tarn::graphs::CurveList &curves() const { return m_model.curves().current(); }
    bool startDelayRunning() const { return m_timer.isActive(); }

    void setBindingFactory(std::shared_ptr<tarn::graphs::SVBindingFactory> factory);
    const tarn::graphs::BoundControls &controls() const { return m_controls; }

signals:
    void curvesChanged(QList<QMap<float, float> > &m);
    void boundRectangleChanged(QRectF m);

public slots:
    void onBoundRectangleChanged(QRectF r);
    void onSVChanged(float value);
    void onSVChanged(QString &value);
    void timerTick();

private:
    void createBindings();
    void recomputeFilter(int filter);
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
