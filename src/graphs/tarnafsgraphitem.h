#pragma once

#include "curvesamples.h"

#include <QColor>
#include <QQuickPaintedItem>
#include <QTimer>
#include <QVariant>
#include <QVector>

class TarnAFSCurvePlotter;

// Paints the feedback suppressor's notch filters hanging from the 0 dB line at the top; owns
// the plotter.
class TarnAFSGraphItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QString poName READ poName WRITE setPoName NOTIFY poNameChanged)
    Q_PROPERTY(QString svName READ svName WRITE setSvName NOTIFY svNameChanged)
    Q_PROPERTY(QVariant bandColors READ bandColors WRITE setBandColors)
    Q_PROPERTY(int bandCount READ bandCount WRITE setBandCount NOTIFY bandCountChanged)
    Q_PROPERTY(int currentBandIndex READ currentBandIndex WRITE setCurrentBandIndex NOTIFY currentBandIndexChanged)
public:
    explicit TarnAFSGraphItem(QQuickItem *parent = nullptr);
    ~TarnAFSGraphItem() override;

    void paint(QPainter *painter) override;

    QString poName() const { return m_poName; }
    void setPoName(const QString &name);
    QString svName() const { return m_svName; }
    void setSvName(const QString &name);
    QVariant bandColors() const { return m_bandColors; }
    void setBandColors(const QVariant &colors);
    int bandCount() const { return m_bandCount; }
    void setBandCount(int count);
    int currentBandIndex() const { return m_currentBandIndex; }
    void setCurrentBandIndex(int index);

    Q_INVOKABLE void componentCompleted();
    Q_INVOKABLE void dimensionsChanged();

    TarnAFSCurvePlotter *plotter() const { return m_plotter; }
    bool isReady() const { return m_ready; }
    const tarn::graphs::CurveList &lastCurves() const { return m_curves; }

signals:
    void poNameChanged(QString);
    void svNameChanged(QString);
    void currentBandIndexChanged(int newIndex);
    void controlPointsChanged(QVariantList a);
    void bandCountChanged(int c);
    void repainted();

public slots:
    void onCurvesChanged(QList<QMap<float, float> > &m);
    void boundingRectChanged();
    void timerTick();

private:
    void applyBoundRectangle();

    TarnAFSCurvePlotter *m_plotter;
    QString m_poName;
    QString m_svName;
    QVariant m_bandColors;
    QVector<QColor> m_colours;
    int m_bandCount = 0;
    int m_currentBandIndex = 0;
    bool m_ready = false;
    bool m_dirty = false;
    QTimer m_repaintTimer;
    tarn::graphs::CurveList m_curves;
};
