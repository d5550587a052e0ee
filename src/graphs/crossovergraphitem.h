#pragma once

#include "curvesamples.h"

#include <QColor>
#include <QQuickPaintedItem>
#include <QTimer>
#include <QVariant>
#include <QVector>

class CrossoverCurvePlotter;

// Paints the crossover's band curves in the band colours; owns the plotter.
class CrossoverGraphItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QString poName READ poName WRITE setPoName NOTIFY poNameChanged)
    Q_PROPERTY(QString svName READ svName WRITE setSvName NOTIFY svNameChanged)
    Q_PROPERTY(int waysCount READ waysCount WRITE setWaysCount NOTIFY waysCountChanged)
    Q_PROPERTY(int subsCount READ subsCount WRITE setSubsCount NOTIFY subsCountChanged)
    Q_PROPERTY(QVariant bandColors READ bandColors WRITE setBandColors)
    Q_PROPERTY(bool isSubPresent READ isSubPresent WRITE setIsSubPresent)
    Q_PROPERTY(int bandCount READ bandCount WRITE setBandCount NOTIFY bandCountChanged)
    Q_PROPERTY(int currentBandIndex READ currentBandIndex WRITE setCurrentBandIndex NOTIFY currentBandIndexChanged)
public:
    explicit CrossoverGraphItem(QQuickItem *parent = nullptr);
    ~CrossoverGraphItem() override;

    void paint(QPainter *painter) override;

    QString poName() const { return m_poName; }
    void setPoName(const QString &name);
    QString svName() const { return m_svName; }
    void setSvName(const QString &name);
    int waysCount() const { return m_waysCount; }
    void setWaysCount(int count);
    int subsCount() const { return m_subsCount; }
    void setSubsCount(int count);
    QVariant bandColors() const { return m_bandColors; }
    void setBandColors(const QVariant &colors);
    bool isSubPresent() const { return m_isSubPresent; }
    void setIsSubPresent(bool present) { m_isSubPresent = present; }
    int bandCount() const { return m_bandCount; }
    void setBandCount(int count);
    int currentBandIndex() const { return m_currentBandIndex; }
    void setCurrentBandIndex(int index);

    Q_INVOKABLE void componentCompleted();
    Q_INVOKABLE void dimensionsChanged();

    CrossoverCurvePlotter *plotter() const { return m_plotter; }
    bool isReady() const { return m_ready; }
    const tarn::graphs::CurveList &lastCurves() const { return m_curves; }

signals:
    void poNameChanged(QString);
    void svNameChanged(QString);
    void currentBandIndexChanged(int newIndex);
    void bandCountChanged(int newBandCount);
    void repainted();
    void waysCountChanged(int waysCount);
    void subsCountChanged(int subsCount);

public slots:
    void onCurvesChanged(QList<QMap<float, float> > &m);
    void boundingRectChanged();
    void timerTick();

private:
    void applyBoundRectangle();

    CrossoverCurvePlotter *m_plotter;
    QString m_poName;
    QString m_svName;
    int m_waysCount = 0;
    int m_subsCount = 0;
    QVariant m_bandColors;
    QVector<QColor> m_colours;
    bool m_isSubPresent = false;
    int m_bandCount = 0;
    int m_currentBandIndex = 0;
    bool m_ready = false;
    bool m_dirty = false;
    QTimer m_timer;
    tarn::graphs::CurveList m_curves;
};
