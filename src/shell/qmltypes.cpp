#include "qmltypes.h"

#include "discovereddevicesmodel.h"
#include "tarnsettings.h"

#include "customcombobox.h"
#include "fader.h"
#include "tarnbutton.h"
#include "tarnenumsv.h"
#include "tarnexclusivegroup.h"
#include "tarnled.h"
#include "tarnmeter.h"
#include "tarnnumericalsv.h"
#include "tarnslider.h"
#include "tarntextfield.h"

#include "crossoverbandinfoprovider.h"
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "dynamicstransfergraph.h"
#include "tarnafscurveplotter.h"
#include "tarnafsgraphitem.h"
#include "tarngeqbands.h"
#include "tarngeqgraphitem.h"
#include "tarnpeqcurveplotter.h"
#include "tarnpeqgraphitem.h"

#include "appdatastore.h"
#include "buttonimageresolver.h"
#include "controldescriptor.h"
#include "tarnhomescreenmodel.h"

#include "devicepresetmodel.h"
#include "filesystemmodel.h"
#include "presetinfo.h"
#include "presetprovider.h"

#include "brandlistmodel.h"
#include "tuningfilelistmodel.h"

#include "appanalytics.h"

#include "applicationupdater.h"
#include "firmwareupdater.h"
#include "fwupdateuploader.h"

#include "wizardafsgraphprovider.h"
#include "wizardbrandlistviewmodel.h"
#include "wizardbrandmodelsmodel.h"
#include "wizarddialogprovider.h"
#include "wizarddialprovider.h"
#include "wizardlistviewprovider.h"
#include "wizardrunsetupprovider.h"
#include "wizardscreensloader.h"
#include "configdataprovider.h"
#include "editmodecopypaste.h"
#include "homescreenmodel.h"

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

    registerType<TarnNumericalSV>("TarnNumericalSV");
    registerType<TarnTextSV>("TarnTextSV");
    registerType<TarnEnumSV>("TarnEnumSV");
    registerType<TarnLabel>("TarnLabel");
    registerType<TarnTextField>("TarnTextField");
    registerType<CustomComboBox>("CustomComboBox");
    registerType<TarnExclusiveGroup>("TarnExclusiveGroup");
    registerType<TarnSlider>("TarnSlider");
    registerType<TarnButton>("TarnButton");
    registerType<Fader>("Fader");
    registerType<TarnMeter>("TarnMeter");
    registerType<TarnLED>("TarnLED");

    registerType<TarnPEQCurvePlotter>("TarnPEQCurvePlotter");
    registerType<TarnPEQGraphItem>("TarnPEQGraphItem");
    registerType<CrossoverCurvePlotter>("CrossoverCurvePlotter");
    registerType<CrossoverGraphItem>("CrossoverGraphItem");
    registerType<CrossoverBandInfoProvider>("CrossoverBandInfoProvider");
    registerType<TarnGEQBands>("TarnGEQBands");
    registerType<TarnGEQGraphItem>("TarnGEQGraphItem");
    registerType<TarnAFSCurvePlotter>("TarnAFSCurvePlotter");
    registerType<TarnAFSGraphItem>("TarnAFSGraphItem");
    registerType<DynamicsTransferGraph>("DynamicsTransferGraph");

    registerType<TarnHomeScreenModel>("TarnHomeScreenModel");
    registerType<ButtonImageResolver>("ButtonImageResolver");
    registerType<AppDataStore>("AppDataStore");
    registerType<ControlDescriptor>("ControlDescriptor");

    qRegisterMetaType<PresetInfo>("PresetInfo");
    registerType<PresetProvider>("PresetProvider");
    registerType<DevicePresetModel>("DevicePresetModel");
    registerType<FileSystemModel>("FileSystemModel");

    registerType<TuningFileListModel>("TuningFileListModel");
    registerType<BrandListModel>("BrandListModel");

    // The process's analytics client, for the utilities screen's switch.
    qmlRegisterSingletonType<AppAnalytics>("AppAnalytics", 1, 0, "AppAnalytics", [](QQmlEngine *, QJSEngine *) -> QObject * {
        AppAnalytics *analytics = AppAnalytics::instance();
        if (analytics)
            QQmlEngine::setObjectOwnership(analytics, QQmlEngine::CppOwnership);
        return analytics;
    });

    registerType<FwUpdateUploader>("FwUpdateUploader");
    registerType<FirmwareUpdater>("FirmwareUpdater");
    registerType<ApplicationUpdater>("ApplicationUpdater");

    registerType<WizardScreensLoader>("WizardScreensLoader");
    registerType<WizardListViewProvider>("WizardListViewProvider");
    registerType<WizardDialogProvider>("WizardDialogProvider");
    registerType<WizardDialProvider>("WizardDialProvider");
    registerType<WizardAFSGraphProvider>("WizardAFSGraphProvider");
    registerType<WizardRunSetupProvider>("WizardRunSetupProvider");
    registerType<WizardBrandListViewModel>("WizardBrandListViewModel");
    registerType<WizardBrandModelsModel>("WizardBrandModelsModel");
    registerType<HomeScreenModel>("HomeScreenModel");
    registerType<ConfigDataProvider>("ConfigDataProvider");
    registerType<EditModeCopyPaste>("EditModeCopyPaste");
}
} // namespace tarn
