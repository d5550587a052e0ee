#pragma once

#include "datafromdevice.h"

namespace tarn::test {
// A record of the link as the adaptor reads it off the wire, or as a test sends it.
inline DataFromDevice request(const QString &command, const QString &po, const QString &sv,
                              const QString &value = QString(), const QString &valueType = QString())
{
    DataFromDevice d;
    d.command = command;
    d.poName = po;
    d.svName = sv;
    d.value = value;
    d.valueType = valueType;
    return d;
}
} // namespace tarn::test
