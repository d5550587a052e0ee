#pragma once

#include "curvesamples.h"

#include <QColor>
#include <QQuickPaintedItem>
#include <QTimer>
#include <QVariant>
#include <QVector>

class TarnPEQCurvePlotter;

// Paints a parametric equaliser's band curves, their sum and the optional room, target and
// corrected curves; owns the plotter that computes them.
class TarnPEQGraphItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QString poName READ poName WRITE setPoName NOTIFY poNameChanged)
    Q_PROPERTY(QString svName READ svName WRITE setSvName NOTIFY svNameChanged)
    Q_PROPERTY(QVariant bandColors READ bandColors WRITE setBandColors)
    Q_PROPERTY(int bandCount READ bandCount WRITE setBandCount NOTIFY bandCountChanged)
    Q_PROPERTY(int currentBandIndex READ currentBandIndex WRITE setCurrentBandIndex NOTIFY currentBandIndexChanged)
    Q_PROPERTY(QVariantList controlPoints READ controlPoints NOTIFY controlPointsChanged)
    Q_PROPERTY(bool showRoomCurve READ showRoomCurve WRITE setShowRoomCurve)
    Q_PROPERTY(QString roomCurveString READ roomCurveString WRITE setRoomCurveString)
    Q_PROPERTY(QString targetCurveString READ targetCurveString WRITE setTargetCurveString)
    Q_PROPERTY(bool finalResultantVisible READ finalResultantVisible WRITE setFinalResultantVisible)
public:
    explicit TarnPEQGraphItem(QQuickItem *parent = nullptr);
    ~TarnPEQGraphItem() override;

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
    QVariantList controlPoints() const { return m_controlPoints; }
    bool showRoomCurve() const { return m_showRoomCurve; }
    void setShowRoomCurve(bool show);
    QString roomCurveString() const { return m_roomCurveString; }
    void setRoomCurveString(const QString &text);
    QString targetCurveString() const { return m_targetCurveString; }
    void setTargetCurveString(const QString &text);
    bool finalResultantVisible() const { return m_finalResultantVisible; }
    void setFinalResultantVisible(bool visible);

    Q_INVOKABLE void setControlPoint(int pointID, int x, int y);
    Q_INVOKABLE void componentCompleted();
    Q_INVOKABLE void setTouchPointsVisible(bool v);

    TarnPEQCurvePlotter *plotter() const { return m_plotter; }
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
    void dimensionsChanged();
    void onCurvesChanged(QList<QMap<float, float> > &m);
    void boundingRectChanged();
    void timerTick();

private:
    void applyBoundRectangle();
    void refreshControlPoints();

    TarnPEQCurvePlotter *m_plotter;
    QString m_poName;
    QString m_svName;
    QVariant m_bandColors;
    QVector<QColor> m_colours;
    int m_bandCount = 0;
    int m_currentBandIndex = 0;
    QVariantList m_controlPoints;
    bool m_showRoomCurve = false;
    QString m_roomCurveString;
    QVector<float> m_roomLevels;
    QString m_targetCurveString;
    QVector<float> m_targetLevels;
    bool m_finalResultantVisible = false;
    bool m_touchPointsVisible = true;
    bool m_ready = false;
    bool m_dirty = false;
    QTimer m_repaintTimer;
    tarn::graphs::CurveList m_curves;
};
