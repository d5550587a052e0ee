#pragma once

#include <QString>
#include <QUrl>

namespace tarn {
// The address of one of the maker's services: the environment variable's value when it is an
// http(s) URL with a host; otherwise the default, with a warning when the variable was set.
QUrl httpUrlFromEnvironment(const char *variable, const QUrl &defaultUrl);
// The maker's cloud store (update feed, firmware images, installers, tuning files). Labs and
// tests point TARN_CLOUD_URL at a store of their own; a value that is not an http(s) URL is
// ignored with a warning, so a typo never sends requests somewhere unexpected.
QUrl cloudStoreUrl();
// The address of one container of the store, e.g. "cz-speaker-tunings": base + "/" + name.
QUrl cloudContainerUrl(const QString &container);
} // namespace tarn
