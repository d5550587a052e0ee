#include "scenegraphchoice.h"

#include <QDebug>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace tarn {
namespace {
bool isEmulated(const QByteArray &renderer)
{
    const QByteArray r = renderer.toLower();
    return r.contains("llvmpipe") || r.contains("softpipe") || r.contains("swrast") || r.contains("software rasterizer")
        || r.contains("lavapipe");
}
} // namespace

void chooseSceneGraphBackend()
{
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || qEnvironmentVariableIsSet("QMLSCENE_DEVICE"))
        return;
    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    QByteArray renderer;
    if (context.create() && surface.isValid() && context.makeCurrent(&surface)) {
        renderer = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
        context.doneCurrent();
    }
    if (renderer.isEmpty()) {
        qInfo() << "Scene graph: no OpenGL, software renderer";
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    } else if (isEmulated(renderer)) {
        qInfo() << "Scene graph: OpenGL is emulated by" << renderer << "- software renderer";
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    } else {
        qInfo() << "Scene graph: OpenGL on" << renderer;
    }
}
} // namespace tarn
