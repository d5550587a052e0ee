#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace tarn::home {
// One bound control of a block screen as a descriptor document declares it.
struct DescriptorControl {
    QString kind;       // toggle, number, choice, text, meter, clip, spectrum, mute
    QString po;         // empty: the processing object of the chosen variant (or the document's)
    QString sv;
    QString label;
    QString unit;
    QString group;      // layout group on the screen ("Input A", "Outputs", ...)
    QString role;       // what a transfer graph reads it as ("threshold", "ratio", ...)
    QString rangeClass; // block class of the range data and nudge steps; empty: the document's
    QString nudgeClass; // parameter class of the range data and nudge steps; empty: sv
    QStringList variants; // the variants it belongs to; empty: all
    bool hasMin = false;
    bool hasMax = false;
    double min = 0;
    double max = 0;
    bool slider = false;      // bound as a position in percent of the range
    bool ratioSlider = false; // a percent slider that maps through the ratio table
    QList<double> boundaries; // meter scale: ascending values ...
    QList<double> lengths;    // ... and the share of the bar each span takes, in percent
    double signalThreshold = 0;
    bool hasSignalThreshold = false;
    int bands = 0;            // spectrum: number of bands
    QStringList bandLabels;   // spectrum: centre frequency of each band
};

// A processing object the screen can show, chosen by a setting ("Data/LimiterType" ...).
struct DescriptorVariant {
    QString name;
    QString po;
    QString label;
};

struct DescriptorDocument {
    QString screen;
    QString title;
    QString po;             // processing object when the document has no variants
    QString rangeClass;
    QString variantSetting; // settings key whose value picks the variant
    QString defaultVariant;
    QList<DescriptorVariant> variants;
    QList<DescriptorControl> controls;
};

// Limits on a descriptor document; they are resources of the application, but a reader that
// trusts its input is a reader that one bad edit can hang.
inline constexpr int kMaxDescriptorBytes = 256 * 1024;
inline constexpr int kMaxDescriptorControls = 512;
inline constexpr int kMaxDescriptorVariants = 16;
inline constexpr int kMaxDescriptorListItems = 1024;
inline constexpr int kMaxDescriptorText = 512;

// Parses a descriptor document. On failure returns false and names the fault (with its line)
// in *error; *out is then left as it was.
bool parseControlDescriptor(const QByteArray &xml, DescriptorDocument *out, QString *error);

// ":/xml/X.xml" for "/xml/X.xml", "qrc:/xml/X.xml" and ":/xml/X.xml"; other paths unchanged.
QString descriptorFilePath(const QString &source);
} // namespace tarn::home

// The QML face of a descriptor document: set `source` (e.g. "/xml/CompressorControlDescriptor.xml")
// and read the resolved controls. With several variants the one named by `variant` is used;
// when `variant` is empty, the document's settings key decides, else its default variant.
class ControlDescriptor : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(QString variant READ variant WRITE setVariant NOTIFY variantChanged)
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
    void loaded();

private:
    void resolve();

    QString m_source;
    QString m_variant;
    bool m_valid = false;
    QString m_error;
    tarn::home::DescriptorDocument m_document;
    QString m_poName;
    QString m_currentVariant;
    QString m_variantLabel;
    QVariantList m_controls;
};
