#pragma once

#include <QObject>

namespace tarn {
// Process-wide relay for the screen controller's link events that controls follow, so that a
// control can connect before (or without) the controller existing. The controller connects its
// own resendDataRequest(bool) signal to this object's signal once, or emits it directly.
class LinkEvents : public QObject {
    Q_OBJECT
public:
    // Created on first use on the GUI thread; destroyed with the application object.
    // Returns nullptr only once it has been destroyed.
    static LinkEvents *instance();

signals:
    // The busy period changed: true when it ended and every control should ask again.
    void resendDataRequest(bool send);

private:
    explicit LinkEvents(QObject *parent = nullptr);
};
} // namespace tarn
