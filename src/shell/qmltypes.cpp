#include "qmltypes.h"

#include "tarnsettings.h"

#include "buttonimageresolver.h"
#include "controldescriptor.h"
#include "tarnhomescreenmodel.h"

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
    registerType<TarnHomeScreenModel>("TarnHomeScreenModel");
    registerType<ButtonImageResolver>("ButtonImageResolver");
    registerType<ControlDescriptor>("ControlDescriptor");
}
} // namespace tarn
