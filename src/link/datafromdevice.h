#pragma once

#include <QMetaType>
#include <QString>

// One request to the processor, or one value line parsed from it.
struct DataFromDevice {
    QString poName;    // processing object; "Presets" for the preset store, "NPO" for node paths
    QString svName;    // state variable; for "NPO" the whole path without its leading backslashes
    QString valueType; // value qualifier such as "%"
    QString value;
    QString command;   // request or reply word

    bool operator==(const DataFromDevice &other) const
    {
        return poName == other.poName && svName == other.svName && valueType == other.valueType
            && value == other.value && command == other.command;
    }
    bool operator!=(const DataFromDevice &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(DataFromDevice)
Q_DECLARE_METATYPE(DataFromDevice *)

namespace tarn {
// Registers "DataFromDevice" and "DataFromDevice*" with the meta-type system (idempotent).
void registerDataFromDeviceTypes();
} // namespace tarn
