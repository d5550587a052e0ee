#pragma once

#include "svbinding.h"

#include <QMap>
#include <QObject>
#include <QPoint>
#include <QRectF>
#include <QStringList>

#include <memory>

// Binds the gains of a 31-band graphic equaliser and reports them as a map band name -> dB.
class TarnGEQBands : public QObject {
    Q_OBJECT
    Q_PROPERTY(QRectF boundRectangle READ boundRectangle WRITE setBoundRectangle NOTIFY boundRectangleChanged)
public:
    explicit TarnGEQBands(QObject *parent = nullptr);
    ~TarnGEQBands() override;

    QRectF boundRectangle() const { return m_boundRectangle; }
    void setBoundRectangle(const QRectF &r);

    void initialise(const QString &poName, int count);
    QPoint controlPoint(int index) const;
    void setControlPoint(int index, int x, int y);
    void setBandValue(const QString &name, float dB);

    QString poName() const { return m_poName; }
    int bandCount() const { return m_bandCount; }
    const QStringList &bandNames() const { return m_bandNames; }
    const QMap<QString, float> &gains() const { return m_gains; }

    void setBindingFactory(std::shared_ptr<tarn::graphs::SVBindingFactory> factory);
    const tarn::graphs::BoundControls &controls() const { return m_controls; }

signals:
    void curvesChanged(QMap<QString, float> &m);
    void boundRectangleChanged(QRectF m);

public slots:
    void onSVChanged(float value);

private:
    QRectF m_boundRectangle;
    QString m_poName;
    int m_bandCount = 0;
    QStringList m_bandNames;
    tarn::graphs::BoundControls m_controls;
    QMap<QString, float> m_gains;
    std::shared_ptr<tarn::graphs::SVBindingFactory> m_factory;
    bool m_initialised = false;
};
