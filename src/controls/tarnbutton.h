#pragma once

#include "tarncontrol.h"

// An on/off button (SV), a step button that nudges a value up or down by a step that depends on
// the parameter and the range the value lies in (Nudge), a one-shot command (SingleShot) or a
// member of a button group (XGroupMember).
class TarnButton : public TarnControl {
    Q_OBJECT
    Q_PROPERTY(bool activeState READ activeState WRITE setActiveState NOTIFY activeStateChanged)
    Q_PROPERTY(ButtonType buttonType READ buttonType WRITE setButtonType NOTIFY buttonTypeChanged)
    Q_PROPERTY(float valueToNudge READ valueToNudge NOTIFY valueToNudgeChanged)
public:
    enum ButtonType { SV = 0, Nudge = 1, SingleShot = 2, XGroupMember = 3 };
    Q_ENUM(ButtonType)

    explicit TarnButton(QObject *parent = nullptr);

    bool activeState() const { return m_activeState; }
    void setActiveState(bool activeState);
    ButtonType buttonType() const { return m_buttonType; }
    void setButtonType(ButtonType buttonType);
    float valueToNudge() const { return m_valueToNudge; }

    // The value a nudge button reads from a processor text (with the binding's poName and the
    // record's names); nothing when the text says the value is switched off and keeps no number.
    static bool readNudgeValue(const QString &controlPoName, const DataFromDevice &data, float *value);

    Q_INVOKABLE QString nudgeJsonData() const { return m_nudgeJsonData; }
    Q_INVOKABLE void setNudgeJsonData(const QString &json);
    Q_INVOKABLE void onNudged(int bumpDirection, const QString &svClass, const QString &poClass);
    Q_INVOKABLE void toggleValueWithoutFeedback();
    Q_INVOKABLE void setMultipleSV(const QString &allSVName);

signals:
    void activeStateChanged(bool activeState);
    void buttonTypeChanged();
    void valueToNudgeChanged(float valueToNudge);

public slots:
    void onActiveStateChanged(bool activeState);

protected slots:
    void handleDataAvailable(DataFromDevice data) override;

private:
    // The range index of the nudge step for the current value, from the range data; empty when
    // the value lies in none of the ranges.
    QString rangeFor(bool upward) const;
    void sendSet(const QString &svName, const QString &value);

    bool m_activeState = false;
    ButtonType m_buttonType = SV;
    float m_valueToNudge = 0.0f;
    QString m_nudgeJsonData;
    QString m_rangeKey;
};
