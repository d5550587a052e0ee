#include "qmltypes.h"

#include "discovereddevicesmodel.h"
#include "tarnsettings.h"

#include <QtQml>

namespace tarn {
namespace {
template <typename T>
void registerType(const char *name)
{
    qmlRegisterType<T>(name, 1, 0, name);
}
} // namespace

void registerQmlTypes()
{
    registerType<TarnSettings>("TarnSettings");
    registerType<DiscoveredDevicesModel>("DiscoveredDevicesModel");
}
} // namespace tarn
