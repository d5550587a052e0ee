#include "viewloader.h"

#include "settingskeys.h"
#include "tarnsettings.h"

#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>

namespace {
constexpr int kMinimumWidth = 1024;
constexpr int kMinimumHeight = 768;
} // namespace

ViewLoader::ViewLoader(QObject *parent) : QObject(parent), m_view(std::make_unique<QQuickView>())
{
}

ViewLoader::~ViewLoader() = default;

QQuickView *ViewLoader::view() const
{
    return m_view.get();
}

void ViewLoader::InitLoader(const QString &platformName)
{
    qDebug() << "Init View Loader: " << platformName;

    QQmlContext *context = m_view->rootContext();
    const qreal dpi = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->logicalDotsPerInchX() : 96.0;
    context->setContextProperty(QStringLiteral("viewLoader"), this);
    context->setContextProperty(QStringLiteral("offlineModeSupported"), false);
    context->setContextProperty(QStringLiteral("screenDpiX"), dpi / 96.0);
    context->setContextProperty(QStringLiteral("screenDpiY"), dpi / 96.0);

    m_view->setSource(QUrl(QStringLiteral("qrc:/qml/main.qml")));
    m_view->setTitle(QStringLiteral("Tarn Control"));
    sizeAndShowWindow(platformName);
}

void ViewLoader::sizeAndShowWindow(const QString &platformName)
{
    const bool desktop = platformName == QLatin1String("windows") || platformName == QLatin1String("cocoa")
        || platformName == QLatin1String("xcb");
    if (!desktop) {
        m_view->show();
        return;
    }
    m_view->setResizeMode(QQuickView::SizeRootObjectToView);
    m_view->setMinimumSize(QSize(kMinimumWidth, kMinimumHeight));
    QScreen *screen = m_view->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, kMinimumWidth, kMinimumHeight);
    if (TarnSettings::text(QString::fromLatin1(tarn::keys::ResizeReady)) != QLatin1String("true")) {
        m_view->setMaximumSize(QSize(kMinimumWidth, kMinimumHeight));
        m_view->show();
    } else {
        qDebug() << "Dimensions " << available.height() << " X " << available.width();
        if (available.height() >= kMinimumHeight && available.width() >= kMinimumWidth) {
            m_view->resize(kMinimumWidth, kMinimumHeight);
            m_view->show();
        } else {
            m_view->showMaximized();
        }
    }
    QRect frame = m_view->frameGeometry();
    frame.moveCenter(available.center());
    m_view->setFramePosition(frame.topLeft());
}
