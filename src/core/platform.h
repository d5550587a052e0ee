#pragma once

#include <QObject>
#include <QString>

namespace tarn {
// The node class names of the two processor models this application serves.
inline constexpr const char kTarnClassName[] = "norvCadenzoTarn";
inline constexpr const char kQuarraClassName[] = "norvCadenzoQuarra";
inline constexpr const char kTarnPlatform[] = "Tarn";
inline constexpr const char kQuarraPlatform[] = "Quarra";

// "Tarn" or "Quarra" for the class name of one of the two models; empty for any other.
QString platformOfClassName(const QString &className);
// The class name a platform word stands for; empty for an unknown word.
QString classNameOfPlatform(const QString &platform);

// Lets a library below the shell ask for the application-wide busy flag (the view loader owns
// it and is the one listener). A request made while nobody listens changes nothing.
class BusyRequests : public QObject {
    Q_OBJECT
public:
    static BusyRequests *instance();
    void request(bool busy) { emit requested(busy); }

signals:
    void requested(bool busy);

private:
    using QObject::QObject;
};
} // namespace tarn
