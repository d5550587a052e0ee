#pragma once

#include "tarncontrol.h"

namespace tarn::home {
// Follows one node variable ("NPO") and hands on every value the processor reports, changed or
// not, without the text controls' echo rules and without logging the text (it may be tens of
// kilobytes long).
class NodeValueWatch : public TarnControl {
    Q_OBJECT
public:
    NodeValueWatch(const QString &svName, QObject *parent);

signals:
    void received(QString value);

protected:
    void handleDataAvailable(DataFromDevice data) override;
};
} // namespace tarn::home
