#pragma once

#include <QMap>
#include <QQuickPaintedItem>
#include <QTimer>
#include <QVariant>

class TarnGEQBands;

// Paints a graphic equaliser as a row of bars and lets the user drag points or draw the curve;
// owns the bands object.
class TarnGEQGraphItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QString poName READ poName WRITE setPoName NOTIFY poNameChanged)
    Q_PROPERTY(QString svName READ svName WRITE setSvName NOTIFY svNameChanged)
    Q_PROPERTY(QVariant bandColors READ bandColors WRITE setBandColors)
    Q_PROPERTY(int currentBandIndex READ currentBandIndex WRITE setCurrentBandIndex NOTIFY currentBandIndexChanged)
    Q_PROPERTY(QVariantList controlPoints READ controlPoints NOTIFY controlPointsChanged)
public:
    explicit TarnGEQGraphItem(QQuickItem *parent = nullptr);
    ~TarnGEQGraphItem() override;

    void paint(QPainter *painter) override;

    QString poName() const { return m_poName; }
    void setPoName(const QString &name);
    QString svName() const { return m_svName; }
    void setSvName(const QString &name);
    QVariant bandColors() const { return m_bandColors; }
    void setBandColors(const QVariant &colors);
    int currentBandIndex() const { return m_currentBandIndex; }
    void setCurrentBandIndex(int index);
    QVariantList controlPoints() const { return m_controlPoints; }

    Q_INVOKABLE void setControlPoint(int pointID, int x, int y);
    Q_INVOKABLE void reDrawBands(int previousX, int x, int y);
    Q_INVOKABLE void componentCompleted();
    Q_INVOKABLE void dimensionsChanged();

    TarnGEQBands *bands() const { return m_bands; }
    bool isReady() const { return m_ready; }
    bool drawn() const { return m_drawn; }
    int lastDrawnBand() const { return m_lastDrawnBand; }
    const QMap<QString, float> &gains() const { return m_gains; }

signals:
    void poNameChanged(QString);
    void svNameChanged(QString);
    void currentBandIndexChanged(int newIndex);
    void controlPointsChanged(QVariantList a);
    void repainted();

public slots:
    void onCurvesChanged(QMap<QString, float> &m);
    void boundingRectChanged();
    void timerTick();

private:
    void applyBoundRectangle();
    void setDrawnBand(int n, int y);
    void refreshControlPoints();

    QString m_poName;
    QString m_svName;
    QVariant m_bandColors;
    int m_currentBandIndex = 0;
    QVariantList m_controlPoints;
    TarnGEQBands *m_bands;
    QMap<QString, float> m_gains;
    bool m_ready = false;
    bool m_dirty = false;
    bool m_drawn = false;
    int m_lastDrawnBand = -1;
    QTimer m_repaintTimer;
};
