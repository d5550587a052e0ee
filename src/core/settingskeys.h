#pragma once

// Every persistent settings key of the application, in one place. Values are text;
// booleans are the strings "true" and "false".
namespace tarn::keys {
inline constexpr const char CurrentDeviceAddress[] = "Data/CurrentDeviceAddress";
inline constexpr const char CurrentDevicePassword[] = "Data/CurrentDevicePassword";
inline constexpr const char AppAnalytics[] = "Data/appAnalytics";
inline constexpr const char CheckOnStart[] = "Data/checkOnStart";
inline constexpr const char ExtraFeaturesReady[] = "ExtraFeaturesReady";
inline constexpr const char ResizeReady[] = "ResizeReady";
inline constexpr const char CurrentVersion[] = "CurrentVersion";
inline constexpr const char PEQType[] = "Data/PEQType";
inline constexpr const char LimiterType[] = "Data/LimiterType";
inline constexpr const char DelayType[] = "Data/DelayType";
inline constexpr const char GEQType[] = "Data/GEQType";
inline constexpr const char MixerType[] = "Data/MixerType";
inline constexpr const char ConfigData[] = "Data/ConfigData";
inline constexpr const char CurrentPOData[] = "Data/CurrentPOData";
inline constexpr const char DelayPOJson[] = "Data/DelayPOJson";
inline constexpr const char IsConfigMode[] = "isConfigMode";
inline constexpr const char WizardCurrentState[] = "Wizard/CurrentState";
inline constexpr const char WizardWizardState[] = "Wizard/WizardState";
inline constexpr const char CrossoverNumBand[] = "Crossover/NumBand";
inline constexpr const char CrossoverMonoSub[] = "Crossover/MonoSub";
inline constexpr const char CrossoverHighGroupVisible[] = "Crossover_HighGroupVisible";
inline constexpr const char CrossoverMidGroupVisible[] = "Crossover_MidGroupVisible";
inline constexpr const char CrossoverLowGroupVisible[] = "Crossover_LowGroupVisible";
inline constexpr const char AutoCheckNaviation[] = "AutoCheckNaviation"; // spelled so on purpose
inline constexpr const char CloudFirmwareVersion[] = "Data/CloudFirmwareVersion";
inline constexpr const char ButtonClicked[] = "Data/buttonClicked";
inline constexpr const char DatabaseHardwareType[] = "databaseHardwareType";
inline constexpr const char IsPresetsdbAvailable[] = "isPresetsdbAvailable";
// Node class name of the processor last chosen or logged in to, so that its home screen shows
// at once after the next login ("norvCadenzoTarn", "norvCadenzoQuarra").
inline constexpr const char CurrentDeviceClass[] = "Data/CurrentDeviceClass";
// Which model "Start Offline Model" runs: "Tarn" (the default) or "Quarra".
inline constexpr const char OfflineModelPlatform[] = "Data/OfflineModel";
// Kept by the analytics client in the store named after the application object.
inline constexpr const char AnalyticsUid[] = "AppAnalytics-uid";
inline constexpr const char AnalyticsCid[] = "AppAnalytics-cid";
inline constexpr const char AnalyticsEnabled[] = "AppAnalytics-Enabled";
inline constexpr const char AnalyticsOS[] = "AppAnalytics-OS";
} // namespace tarn::keys
