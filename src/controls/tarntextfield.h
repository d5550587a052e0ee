#pragma once

#include "tarnlabel.h"

// An editable text with a unit, e.g. a delay shown as "1.25ms". The processor reports several
// forms joined by "/" ("1.25ms/0.43m"); the one ending in the unit is shown. It also takes the
// processor's answers to its own sets ("setr"), so an edit the processor corrected shows the
// corrected text.
class TarnTextField : public TarnLabel {
    Q_OBJECT
    Q_PROPERTY(QString unit READ unit WRITE setUnit NOTIFY unitChanged)
public:
    explicit TarnTextField(QObject *parent = nullptr);
    ~TarnTextField() override;

    QString unit() const { return m_unit; }
    void setUnit(const QString &unit);

    bool acceptsRecord(const DataFromDevice &data) const override;

signals:
    void unitChanged(QString &unit);

public slots:
    void onLabelValueChanged(QString text);

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    QString m_unit;
    QString m_lastReceived;
};
