#pragma once

// Stand-ins for the value controls the plotters bind, with the same meta-interface: they keep
// what the plotter sends and report a value only when the test, playing the processor,
// confirms it.
#include "svbinding.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

// The names and the record of what was sent, shared by both kinds (moc takes no templates).
template <typename T> struct FakeSVState {
    QString entity, po, sv;
    QList<T> sent;
    int completed = 0;
};

class FakeNumericalSV : public QObject, public FakeSVState<float> {
    Q_OBJECT
    Q_PROPERTY(QString entityName MEMBER entity)
    Q_PROPERTY(QString poName MEMBER po)
    Q_PROPERTY(QString svName MEMBER sv)
    Q_PROPERTY(float value READ value WRITE setValue NOTIFY valueChanged)
public:
    FakeNumericalSV(QObject *parent, const QString &e, const QString &p, const QString &s) : QObject(parent), FakeSVState{e, p, s} {}
    float value() const { return m_value; }
    void setValue(float v)
    {
        if (v != m_value)
            emit valueChanged(m_value = v);
    }
    Q_INVOKABLE void setValueWithoutFeedback(float a) { sent.append(a); }
    Q_INVOKABLE void componentCompleted() { ++completed; }
signals:
    void valueChanged(float);

private:
    float m_value = -1000.0f; // what a control holds before the processor reports
};

class FakeTextSV : public QObject, public FakeSVState<QString> {
    Q_OBJECT
    Q_PROPERTY(QString entityName MEMBER entity)
    Q_PROPERTY(QString poName MEMBER po)
    Q_PROPERTY(QString svName MEMBER sv)
    Q_PROPERTY(QString value READ value WRITE setValue NOTIFY valueChanged)
public:
    FakeTextSV(QObject *parent, const QString &e, const QString &p, const QString &s) : QObject(parent), FakeSVState{e, p, s} {}
    QString value() const { return m_value; }
    void setValue(const QString &v)
    {
        if (v != m_value)
            emit valueChanged(m_value = v);
    }
    Q_INVOKABLE void setValueWithoutFeedback(QString a) { sent.append(a); }
    Q_INVOKABLE void componentCompleted() { ++completed; }
signals:
    void valueChanged(QString);

private:
    QString m_value;
};

class FakeFactory : public tarn::graphs::SVBindingFactory {
public:
    QObject *createNumerical(QObject *owner, const QString &entity, const QString &po, const QString &sv) override
    {
        order.append(sv);
        return numeric[sv] = new FakeNumericalSV(owner, entity, po, sv);
    }
    QObject *createText(QObject *owner, const QString &entity, const QString &po, const QString &sv) override
    {
        order.append(sv);
        return text[sv] = new FakeTextSV(owner, entity, po, sv);
    }
    FakeNumericalSV *num(const QString &sv) const { return numeric.value(sv).data(); }
    FakeTextSV *txt(const QString &sv) const { return text.value(sv).data(); }

    QHash<QString, QPointer<FakeNumericalSV>> numeric;
    QHash<QString, QPointer<FakeTextSV>> text;
    QStringList order;
};
