#pragma once

#include "datafromdevice.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// The crossover attributes of the running preset, as last reported.
class HomeScreenData : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString monoSub MEMBER m_monoSub)
    Q_PROPERTY(QString numbands MEMBER m_numbands)
public:
    explicit HomeScreenData(QObject *parent = nullptr) : QObject(parent) {}

    QString monoSub() const { return m_monoSub; }
    QString numbands() const { return m_numbands; }
    void setMonoSub(const QString &monoSub) { m_monoSub = monoSub; }
    void setNumbands(const QString &numbands) { m_numbands = numbands; }

private:
    QString m_monoSub;
    QString m_numbands;
};

// Process-wide place where the home screen leaves its crossover record. The record belongs to
// the home screen model that handed it over, so the holder keeps a guarded pointer: once that
// model is gone, data() is null instead of dangling.
class HomeScreenDataHolder : public QObject {
    Q_OBJECT
public:
    // Created on first use, never destroyed.
    static HomeScreenDataHolder *instance();

    HomeScreenData *data() const { return m_data; }
    void setData(HomeScreenData *data) { m_data = data; }

private:
    HomeScreenDataHolder() = default;
    QPointer<HomeScreenData> m_data;
};

// The model behind the fixed-chain home screen: asks the processor for the crossover's band
// count and sub mode and for the processing objects of the running preset, and turns the
// answers into the visibility and stereo flags the screen binds to.
class TarnHomeScreenModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool lowVisible READ lowVisible WRITE setLowVisible NOTIFY lowVisibleChanged)
    Q_PROPERTY(bool midVisible READ midVisible WRITE setMidVisible NOTIFY midVisibleChanged)
    Q_PROPERTY(bool highVisible READ highVisible WRITE setHighVisible NOTIFY highVisibleChanged)
    Q_PROPERTY(bool stereoInput READ stereoInput WRITE setStereoInput NOTIFY stereoInputChanged)
    Q_PROPERTY(bool stereoOutputLow READ stereoOutputLow WRITE setStereoOutputLow NOTIFY stereoOutputLowChanged)
    Q_PROPERTY(bool stereoOutputMid READ stereoOutputMid WRITE setStereoOutputMid NOTIFY stereoOutputMidChanged)
    Q_PROPERTY(bool stereoOutputHigh READ stereoOutputHigh WRITE setStereoOutputHigh NOTIFY stereoOutputHighChanged)
    Q_PROPERTY(bool isDualMono READ isDualMono WRITE setIsDualMono NOTIFY isDualMonoChanged)
    Q_PROPERTY(QString numBands READ numBands WRITE setNumBands)
    Q_PROPERTY(QString monoSub READ monoSub WRITE setMonoSub)
    Q_PROPERTY(QString fixedMaxFilter READ fixedMaxFilter WRITE setFixedMaxFilter NOTIFY fixedMaxFilterChanged)
public:
    explicit TarnHomeScreenModel(QObject *parent = nullptr);
    ~TarnHomeScreenModel() override;

    QStringList processingObjects() const { return m_pos; }
    QString numBands() const { return m_numBands; }
    QString monoSub() const { return m_monoSub; }
    bool lowVisible() const { return m_lowVisible; }
    bool midVisible() const { return m_midVisible; }
    bool highVisible() const { return m_highVisible; }
    bool stereoInput() const { return m_stereoInput; }
    bool isDualMono() const { return m_isDualMono; }
    bool stereoOutputLow() const { return m_stereoOutputLow; }
    bool stereoOutputMid() const { return m_stereoOutputMid; }
    bool stereoOutputHigh() const { return m_stereoOutputHigh; }
    QString fixedMaxFilter() const { return m_fixedMaxFilter; }
    HomeScreenData *homeScreenData() const { return m_data; }

    void setNumBands(const QString &numBands);
    void setMonoSub(const QString &monoSub);
    void setLowVisible(bool visible);
    void setMidVisible(bool visible);
    void setHighVisible(bool visible);
    void setStereoInput(bool stereo);
    void setStereoOutputLow(bool stereo);
    void setStereoOutputMid(bool stereo);
    void setStereoOutputHigh(bool stereo);

signals:
    void lowVisibleChanged();
    void midVisibleChanged();
    void highVisibleChanged();
    void stereoInputChanged();
    void stereoOutputLowChanged();
    void stereoOutputMidChanged();
    void stereoOutputHighChanged();
    void fixedMaxFilterChanged(QString fixedMaxFilter);
    void isDualMonoChanged(bool isDualMono);

public slots:
    void onhomeScreenDataAvailable(DataFromDevice *data);
    void onPoReceived(QStringList pos, QString path);
    void setFixedMaxFilter(QString fixedMaxFilter);
    void setIsDualMono(bool isDualMono);

private:
    void recomputeFlags();

    QStringList m_pos;
    QString m_numBands;
    QString m_monoSub;
    bool m_lowVisible = false;
    bool m_midVisible = false;
    bool m_highVisible = false;
    bool m_stereoInput = true;
    bool m_isDualMono = false;
    bool m_stereoOutputLow = false;
    bool m_stereoOutputMid = false;
    bool m_stereoOutputHigh = false;
    HomeScreenData *m_data = nullptr;
    QString m_fixedMaxFilter;
};
