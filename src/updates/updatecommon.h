#pragma once

#include <QString>
#include <QUrl>

// What the firmware and application updaters share: version order, error texts, folders.
namespace tarn::updates {
// Dotted versions compared part by part as numbers (a part that is no number counts as 0, a
// missing part as 0): 2.10 > 2.9, 1.2 == 1.2.0. Equal versions give false.
bool isFirstGreaterThanSecond(const QString &newVersion, const QString &oldVersion);

// The words shown for a QNetworkReply::NetworkError code.
QString networkErrorText(int code);

// The file name a download from `url` is kept under: the url's last path segment when it is a
// plain file name; empty when it would leave its folder or is otherwise unusable.
QString safeFileName(const QUrl &url);

// Generic data location + "/Tarn/update" and + "/Tarn/Download/AppUpdate".
QString firmwareImageFolder();
QString applicationDownloadFolder();

inline constexpr const char kTmpSuffix[] = ".tmp";
} // namespace tarn::updates

#include <QLoggingCategory>
Q_DECLARE_LOGGING_CATEGORY(lcUpdates)
