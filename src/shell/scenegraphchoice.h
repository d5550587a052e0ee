#pragma once

namespace tarn {
// Chooses Qt Quick's software renderer when OpenGL would only be emulated on the processor
// (Mesa's llvmpipe and friends: virtual machines, remote desktops, X servers without a graphics
// card). Emulated OpenGL draws every frame in full, so the home screen's meters alone keep a
// core busy; the software renderer repaints only what changed. A backend asked for through
// QT_QUICK_BACKEND (or QMLSCENE_DEVICE) is left alone. Call after the application object
// exists and before the first window.
void chooseSceneGraphBackend();
} // namespace tarn
