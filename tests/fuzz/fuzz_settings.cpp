// libFuzzer harness: the settings store as found on disk (the bytes up to the first NUL) and a
// value written to one key (the rest; its first byte picks the key). Properties: any file reads,
// a value reads back as written, and a write changes no other key.
#include "fuzzcheck.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "version.h"

#include <QSettings>

namespace {
const char *const kKeys[] = {tarn::keys::CurrentDeviceAddress, tarn::keys::CurrentDevicePassword, tarn::keys::AppAnalytics, tarn::keys::CheckOnStart, tarn::keys::ExtraFeaturesReady, tarn::keys::ResizeReady, tarn::keys::CurrentVersion, tarn::keys::PEQType, tarn::keys::LimiterType, tarn::keys::DelayType, tarn::keys::GEQType, tarn::keys::MixerType, tarn::keys::ConfigData, tarn::keys::CurrentPOData, tarn::keys::DelayPOJson, tarn::keys::IsConfigMode, tarn::keys::WizardCurrentState, tarn::keys::WizardWizardState, tarn::keys::CrossoverNumBand, tarn::keys::CrossoverMonoSub, tarn::keys::CrossoverHighGroupVisible, tarn::keys::CrossoverMidGroupVisible, tarn::keys::CrossoverLowGroupVisible, tarn::keys::AutoCheckNaviation, tarn::keys::CloudFirmwareVersion, tarn::keys::ButtonClicked, tarn::keys::DatabaseHardwareType, tarn::keys::IsPresetsdbAvailable, tarn::keys::CurrentDeviceClass, tarn::keys::OfflineModelPlatform, tarn::keys::AnalyticsUid, tarn::keys::AnalyticsCid, tarn::keys::AnalyticsEnabled, tarn::keys::AnalyticsOS};
QString g_file;

QStringList readAll()
{
    QStringList values;
    for (const char *key : kKeys)
        values << TarnSettings::text(QString::fromLatin1(key), QStringLiteral("<none>"));
    return values;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tarn::test::isolateEnvironment();
    tarn::fuzz::startQt();
    g_file = QSettings(QString::fromLatin1(tarn::kOrganisationName), QString::fromLatin1(tarn::kSettingsApplication)).fileName();
    QDir().mkpath(QFileInfo(g_file).absolutePath());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tarn::fuzz::bytes(data, size);
    const int nul = bytes.indexOf('\0');
    const QByteArray file = nul < 0 ? bytes : bytes.left(nul);
    const QByteArray rest = nul < 0 ? QByteArray() : bytes.mid(nul + 1);
    tarn::fuzz::writeFile(g_file, file);
    const QStringList before = readAll();
    if (nul >= 0) {
        const int which = rest.isEmpty() ? 0 : uchar(rest.at(0)) % int(std::size(kKeys));
        const QString value = QString::fromUtf8(rest.mid(1));
        TarnSettings::write(QString::fromLatin1(kKeys[which]), value);
        check(TarnSettings::text(QString::fromLatin1(kKeys[which])) == value, "a value reads back as written");
        QStringList after = readAll();
        after[which] = before.at(which);
        check(after == before, "a write changes no other key");
    }
    QFile::remove(g_file);
    return 0;
}
