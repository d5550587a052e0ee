#pragma once

#include <QString>
#include <QVariantMap>

namespace tarn {
// Where the shell reports every screen command for usage analytics. The analytics client
// registers itself here; while nothing is registered, reports go nowhere.
class ScreenViewReporter {
public:
    virtual ~ScreenViewReporter();
    virtual void sendScreenView(const QString &screenName, const QVariantMap &customValues) = 0;

    static ScreenViewReporter *instance();
    // The registered reporter must unregister (pass nullptr) before it is destroyed.
    static void setInstance(ScreenViewReporter *reporter);
};
} // namespace tarn
