#pragma once

#include <QDebug>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QPair>
#include <QString>

// One tuning file as the tuning screen lists it.
struct FileInfo
{
    QString type;   // "SPK" or "AMP"
    QString brand;
    QString series;
    QString state;  // "Not Loaded", "Loaded" or "Has Update"
    QString action; // "No Change", "Will Add", "Will Remove" or "Will Update"
    QString file;   // the local file name

    bool operator==(const FileInfo &other) const
    {
        return type == other.type && brand == other.brand && series == other.series && state == other.state
            && action == other.action && file == other.file;
    }
};

using FileInfoList = QList<FileInfo>;
using BrandSeries = QPair<QString, QString>;
// Groups of tuning files by brand and series, in brand then series order. Passed between the
// library's threads by value: the containers are implicitly shared, so a copy is cheap and the
// receiver never reads what the sender changes next.
using BrandSeriesMap = QMap<BrandSeries, FileInfoList>;

QDebug operator<<(QDebug debug, const FileInfo &info);

Q_DECLARE_METATYPE(FileInfo)
Q_DECLARE_METATYPE(FileInfoList)
Q_DECLARE_METATYPE(BrandSeriesMap)

namespace tarn::tuning {
inline constexpr char TypeSpeaker[] = "SPK";
inline constexpr char TypeAmplifier[] = "AMP";

inline constexpr char StateNotLoaded[] = "Not Loaded";
inline constexpr char StateLoaded[] = "Loaded";
inline constexpr char StateHasUpdate[] = "Has Update";

inline constexpr char ActionNoChange[] = "No Change";
inline constexpr char ActionWillAdd[] = "Will Add";
inline constexpr char ActionWillRemove[] = "Will Remove";
inline constexpr char ActionWillUpdate[] = "Will Update";

// Registers the types above for queued connections; cheap to call more than once.
void registerTuningTypes();
} // namespace tarn::tuning
