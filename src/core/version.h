#pragma once

namespace tarn {
// The version this build reports: written to "CurrentVersion" at start-up and compared
// against the update feed by the application updater.
inline constexpr const char kApplicationVersion[] = "1.1.4";
inline constexpr const char kOrganisationName[] = "Tessil";
inline constexpr const char kOrganisationDomain[] = "tessil.example";
inline constexpr const char kApplicationName[] = "Cadenzo Tarn";
inline constexpr const char kSettingsApplication[] = "TarnControl";
} // namespace tarn
