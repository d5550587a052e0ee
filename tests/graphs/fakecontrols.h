#pragma once

// Stand-ins for the value controls the plotters bind, with the same meta-interface: they keep
// what the plotter sends and report a value only when the test, playing the processor,
// confirms it.
#include "svbinding.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class FakeNumericalSV : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString entityName MEMBER m_entityName)
    Q_PROPERTY(QString poName MEMBER m_poName)
    Q_PROPERTY(QString svName MEMBER m_svName)
    Q_PROPERTY(float value READ value WRITE setValue NOTIFY valueChanged)
public:
    FakeNumericalSV(QObject *parent, const QString &entity, const QString &po, const QString &sv)
        : QObject(parent), m_entityName(entity), m_poName(po), m_svName(sv)
    {
    }
    float value() const { return m_value; }
    void setValue(float v)
    {
        if (v == m_value)
            return;
        m_value = v;
        emit valueChanged(v);
    }
    Q_INVOKABLE void setValueWithoutFeedback(float a) { sent.append(a); }
    Q_INVOKABLE void componentCompleted() { ++completed; }

    QString entityName() const { return m_entityName; }
    QString poName() const { return m_poName; }
    QString svName() const { return m_svName; }
    QList<float> sent;
    int completed = 0;

signals:
    void valueChanged(float);

private:
    QString m_entityName;
    QString m_poName;
    QString m_svName;
    float m_value = -1000.0f; // what a control holds before the processor reports
};

class FakeTextSV : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString entityName MEMBER m_entityName)
    Q_PROPERTY(QString poName MEMBER m_poName)
    Q_PROPERTY(QString svName MEMBER m_svName)
    Q_PROPERTY(QString value READ value WRITE setValue NOTIFY valueChanged)
public:
    FakeTextSV(QObject *parent, const QString &entity, const QString &po, const QString &sv)
        : QObject(parent), m_entityName(entity), m_poName(po), m_svName(sv)
    {
    }
    QString value() const { return m_value; }
    void setValue(const QString &v)
    {
        if (v == m_value)
            return;
        m_value = v;
        emit valueChanged(v);
    }
    Q_INVOKABLE void setValueWithoutFeedback(QString a) { sent.append(a); }
    Q_INVOKABLE void componentCompleted() { ++completed; }

    QString entityName() const { return m_entityName; }
    QString poName() const { return m_poName; }
    QStringList sent;
    int completed = 0;

signals:
    void valueChanged(QString);

private:
    QString m_entityName;
    QString m_poName;
    QString m_svName;
    QString m_value;
};

class FakeFactory : public tarn::graphs::SVBindingFactory {
public:
    QObject *createNumerical(QObject *owner, const QString &entityName, const QString &poName,
                             const QString &svName) override
    {
        auto *c = new FakeNumericalSV(owner, entityName, poName, svName);
        numeric.insert(svName, c);
        order.append(svName);
        return c;
    }
    QObject *createText(QObject *owner, const QString &entityName, const QString &poName,
                        const QString &svName) override
    {
        auto *c = new FakeTextSV(owner, entityName, poName, svName);
        text.insert(svName, c);
        order.append(svName);
        return c;
    }
    FakeNumericalSV *num(const QString &svName) const { return numeric.value(svName).data(); }
    FakeTextSV *txt(const QString &svName) const { return text.value(svName).data(); }

    QHash<QString, QPointer<FakeNumericalSV>> numeric;
    QHash<QString, QPointer<FakeTextSV>> text;
    QStringList order;
};
