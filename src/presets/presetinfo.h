#pragma once

#include <QMetaType>
#include <QString>

// A preset of the processor: its name and its slot number.
struct PresetInfo {
    QString name;
    int id = 0;
};

Q_DECLARE_METATYPE(PresetInfo)
