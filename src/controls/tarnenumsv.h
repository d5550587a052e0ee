#pragma once

#include "tarntextsv.h"

#include <QStringList>

// A text state variable with the list of texts it may take (the processor's choice listing).
class TarnEnumSV : public TarnTextSV {
    Q_OBJECT
    Q_PROPERTY(QStringList enums READ enums NOTIFY enumsChanged)
public:
    explicit TarnEnumSV(QObject *parent = nullptr);

    QStringList enums() const { return m_enums; }
    // The path the processor names the choice listing by; empty while unbound.
    QString enumPath() const;

    // Asks for the choice listing again.
    Q_INVOKABLE void requestEnums();

signals:
    void enumsChanged();

public slots:
    void sendDataRequest() override;
    void onEnumsReceived(QStringList enums, QString svPath);

private:
    QStringList m_enums;
};
