#pragma once

#include "descriptorparser.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// The QML face of a descriptor document: set `source` (e.g. "/xml/CompressorControlDescriptor.xml")
// and read the resolved controls. With several variants the one named by `variant` is used;
// when `variant` is empty, the document's settings key decides, else its default variant.
class ControlDescriptor : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(QString variant READ variant WRITE setVariant NOTIFY variantChanged)
    // The processing object to bind instead of the document's (the configurable model names its
    // objects per configuration); controls with a processing object of their own keep it.
    Q_PROPERTY(QString poOverride READ poOverride WRITE setPoOverride NOTIFY poOverrideChanged)
    Q_PROPERTY(bool valid READ valid NOTIFY loaded)
    Q_PROPERTY(QString errorString READ errorString NOTIFY loaded)
    Q_PROPERTY(QString screen READ screen NOTIFY loaded)
    Q_PROPERTY(QString title READ title NOTIFY loaded)
    Q_PROPERTY(QString poName READ poName NOTIFY loaded)
    Q_PROPERTY(QString rangeClass READ rangeClass NOTIFY loaded)
    Q_PROPERTY(QString currentVariant READ currentVariant NOTIFY loaded)
    Q_PROPERTY(QString variantLabel READ variantLabel NOTIFY loaded)
    Q_PROPERTY(QString variantSetting READ variantSetting NOTIFY loaded)
    Q_PROPERTY(QStringList variants READ variants NOTIFY loaded)
    Q_PROPERTY(QVariantList controls READ controls NOTIFY loaded)
    Q_PROPERTY(QStringList groups READ groups NOTIFY loaded)
public:
    explicit ControlDescriptor(QObject *parent = nullptr);

    QString source() const { return m_source; }
    void setSource(const QString &source);
    QString variant() const { return m_variant; }
    void setVariant(const QString &variant);
    QString poOverride() const { return m_poOverride; }
    void setPoOverride(const QString &po);

    bool valid() const { return m_valid; }
    QString errorString() const { return m_error; }
    QString screen() const { return m_document.screen; }
    QString title() const { return m_document.title; }
    QString poName() const { return m_poName; }
    QString rangeClass() const { return m_document.rangeClass; }
    QString currentVariant() const { return m_currentVariant; }
    QString variantLabel() const { return m_variantLabel; }
    QString variantSetting() const { return m_document.variantSetting; }
    QStringList variants() const;
    QVariantList controls() const { return m_controls; }
    QStringList groups() const;

    // The first control bound to this state variable (of this processing object, when given),
    // or with this graph role; empty when none.
    Q_INVOKABLE QVariantMap control(const QString &sv, const QString &po = QString()) const;
    Q_INVOKABLE QVariantMap controlWithRole(const QString &role) const;
    Q_INVOKABLE QVariantList controlsOfKind(const QString &kind) const;
    Q_INVOKABLE QVariantList controlsInGroup(const QString &group) const;
    // Reads the source again (a changed variant setting, for instance).
    Q_INVOKABLE void reload();

    // The resolved form of one control, as QML sees it.
    static QVariantMap toMap(const tarn::home::DescriptorControl &control, const QString &po,
                             const QString &rangeClass);

signals:
    void sourceChanged(QString source);
    void variantChanged(QString variant);
    void poOverrideChanged(QString po);
    void loaded();

private:
    void resolve();

    QString m_source;
    QString m_variant;
    QString m_poOverride;
    bool m_valid = false;
    QString m_error;
    tarn::home::DescriptorDocument m_document;
    QString m_poName;
    QString m_currentVariant;
    QString m_variantLabel;
    QVariantList m_controls;
};
