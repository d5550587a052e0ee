#pragma once

#include "datafromdevice.h"

#include <QObject>
#include <QString>

namespace tarn {
class ControlDispatcher;
}

// Base of every QML object bound to one processor state variable (poName, svName, valueType).
// It subscribes after every login, filters the records the link delivers down to its own
// binding and hands those to handleDataAvailable(); destruction unsubscribes. Records reach it
// through the dispatcher, which offers each record only to the controls bound to its key.
class TarnControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool connectionAvailable READ connectionAvailable WRITE setConnectionAvailable)
    Q_PROPERTY(QString poName READ poName WRITE setPoName NOTIFY poNameChanged)
    Q_PROPERTY(QString svName READ svName WRITE setSvName NOTIFY svNameChanged)
    Q_PROPERTY(QString entityName READ entityName WRITE setEntityName NOTIFY entityNameChanged)
    Q_PROPERTY(QString valueType READ valueType WRITE setValueType NOTIFY valueTypeChanged)
    Q_PROPERTY(bool isMeter READ isMeter WRITE setIsMeter NOTIFY isMeterChanged)
public:
    explicit TarnControl(QObject *parent = nullptr);
    ~TarnControl() override;

    bool connectionAvailable() const { return m_connectionAvailable; }
    QString poName() const { return m_poName; }
    QString svName() const { return m_svName; }
    bool isMeter() const { return m_isMeter; }
    QString entityName() const { return m_entityName; }
    QString valueType() const { return m_valueType; }

    void setConnectionAvailable(bool available);
    void setPoName(const QString &poName);
    void setSvName(const QString &svName);
    void setIsMeter(bool isMeter);
    void setEntityName(const QString &entityName);
    void setValueType(const QString &valueType);

    Q_INVOKABLE virtual void componentCompleted();

    // The binding filter: a record is this control's when poName, svName and valueType match
    // exactly and it is not the echo of a set ("setr"). The one place where matching is decided.
    // An override may narrow it (by command, say) but must not accept records of another key
    // unless the control has asked for every record (receiveEveryRecord).
    virtual bool acceptsRecord(const DataFromDevice &data) const;

signals:
    void poNameChanged(QString poName);
    void svNameChanged(QString svName);
    void isMeterChanged(bool isMeter);
    void entityNameChanged(QString entityName);
    void valueTypeChanged(QString valueType);
    void connectionLost();
    void corvexReady();

protected slots:
    virtual void sendDataRequest();
    virtual void sendUnSubRequest();
    virtual void onDataAvailable(DataFromDevice data);
    virtual void handleDataAvailable(DataFromDevice data);
    virtual void onCorvexReady();
    virtual void onResendDataRequest(bool send);
    virtual void onConnectionLost();

protected:
    bool beingDestroyed() const { return m_beingDestroyed; }
    // For a subclass whose filter is wider than its own key: every record is offered to it.
    void receiveEveryRecord(bool every);
    // Subscribes again after a busy period (send true), when bound and logged in; for the
    // subclasses that follow the resend request.
    void resubscribe(bool send);
    // Sends one request for this binding to the link (nothing when there is no link).
    void send(const QString &command, const QString &value = QString(),
              const QString &valueType = QString()) const;
    // Both names are set and the link is logged in.
    bool canRequest() const;
    // The subscribe and unsubscribe requests of this binding.
    DataFromDevice subscribeRequest() const;
    DataFromDevice unsubscribeRequest() const;

private:
    friend class tarn::ControlDispatcher;
    void connectToLink();
    void keyChanged();

    bool m_connectionAvailable = true;
    QString m_poName;
    QString m_svName;
    bool m_isMeter = false;
    bool m_beingDestroyed = false;
    QString m_entityName;
    QString m_valueType;
};
