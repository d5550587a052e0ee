#pragma once

#include "fileinfo.h"

#include <QString>
#include <QStringList>

#include <array>

// The rules of the tuning library: file names, keys and time stamps, the folders, states and
// the brand list. Plain functions, shared by the manager and its tests.
namespace tarn::tuning {
// A file name longer than this, from anywhere, is refused.
constexpr int MaxFileNameLength = 200;
// A processor listing or a manifest naming more files than this is cut off there.
constexpr int MaxListedNames = 10000;
// A manifest longer than this is refused; a tuning file larger than this is never stored.
constexpr qint64 MaxManifestBytes = 1024 * 1024;
constexpr qint64 MaxTuningFileBytes = 16 * 1024 * 1024;

inline constexpr char ShowAll[] = "Show All";
inline constexpr char TuningSuffix[] = ".hdf";

// Year, month, day, hour and minute from the last five name parts; a name whose parts are
// not all plain numbers has no valid stamp and counts as older than any valid one.
struct TimeStamp
{
    std::array<int, 5> parts{};
    bool valid = false;
    bool operator<(const TimeStamp &other) const
    {
        if (valid != other.valid)
            return !valid;
        return parts < other.parts;
    }
    bool operator==(const TimeStamp &other) const { return valid == other.valid && parts == other.parts; }
};

// The name less its extension and its last five underscore parts; empty when the name has
// fewer than six parts, so such a file is a version of nothing else.
QString tuningKey(const QString &fileName);
TimeStamp tuningTimeStamp(const QString &fileName);
// The first and second name parts (brand, series); empty where missing.
QString brandOf(const QString &fileName);
QString seriesOf(const QString &fileName);
// A tuning file: ".hdf", a key and a valid time stamp.
bool isTuningFileName(const QString &fileName);

// Whether a name from outside (a processor listing, a manifest, a URL) may name a file in a
// folder of ours: not empty, not overlong, no separators, no "..", no control characters and
// not hidden. reason says why not.
bool isSafeFileName(const QString &name, QString *reason = nullptr);

// The names of a processor listing or a manifest that may be used here: trimmed, each one safe
// and a tuning file name, at most MaxListedNames looked at. `source` names the list in the
// warnings about refused names, which are logged, never written.
QStringList acceptNames(const QStringList &names, const char *source);

// "Show All", then the brands in the order given without "Custom" and repeats, with "Vessant"
// moved to position 1 and "Brova" to position 2 when present.
QStringList orderedBrandList(const QStringList &brandsInDiscoveryOrder);

// The state of a local file against the newest processor file of its key (none: nullptr).
QString fileState(const TimeStamp &local, const TimeStamp *processorNewest);
// The state of a group: "Has Update" when any file has one, "Loaded" when every file is
// loaded, else "Not Loaded" (a group only partly on the processor is completed by adding it).
QString groupState(const FileInfoList &files);

// Folders. Everything the library writes lives below libraryRoot(), inside the application's
// own data folder.
enum class Kind { Speaker, Amplifier };
QString typeText(Kind kind);                 // "SPK" / "AMP"
Kind kindOfType(const QString &type);        // "AMP" is Amplifier, anything else Speaker
QString processorFolder(Kind kind);          // "/SpeakerTunings" / "/AmplifierData"
QString factoryFolder(Kind kind);            // ":/TuningFiles/Local/..."
QString libraryRoot();                       // data folder + "/TuningFiles"
QString localFolder(Kind kind);              // library root + "/Local/..."
QString cloudFolder(Kind kind);              // library root + "/Cloud/..."
QString cloudContainer(Kind kind, bool validationMode);
} // namespace tarn::tuning
