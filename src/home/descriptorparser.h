#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A block screen's control descriptor ("/xml/<Block>ControlDescriptor.xml"):
//
//   <ControlDescriptor screen="Limiter" title="Limiter" rangeClass="Limiter"
//                      po="..."                       (when there are no variants)
//                      variantSetting="Data/LimiterType" defaultVariant="High">
//     <Variant name="Low" po="Low Outputs Limiter" label="Low Outputs"/>   (0..16)
//     <Control kind="number" sv="Threshold" label="Threshold" unit="dB" min="-30" max="20"
//              slider="true" ratioSlider="false" role="threshold" group="Detector"
//              po="..." rangeClass="..." nudgeClass="..." variants="Low,Mid"/>
//     <Control kind="meter" sv="GainReduction" scale="-40,-20,0" lengths="50,50"
//              signalThreshold="-40"/>
//     <Control kind="spectrum" sv="AllMeters" bands="31" bandLabels="20,25,..."/>
//   </ControlDescriptor>
//
// kind is one of toggle, number, choice, text, meter, clip, spectrum, mute; screen, kind and sv
// are required, every other attribute is optional. A control without po belongs to the chosen
// variant's processing object (or the document's po); one with variants is shown only for those.
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
