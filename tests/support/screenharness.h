#pragma once

#include "linkclient.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "quickitems.h"
#include "settingskeys.h"
#include "tarncontrol.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "viewloader.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickView>
#include <QSet>
#include <QtTest>

#include <memory>

namespace tarn::test {
// The application's root document in this process, logged in to a real offline model, with a
// second console on the model's link. Collects QML warnings (the engine's and those logged) and
// which bindings the link has answered, so a test can tell a screen that warns or leaves a
// control without its value. Make one per suite, as a member, and start it in initTestCase().
class ScreenHarness : public QObject {
public:
    static constexpr int kWait = 10000;

    ModelProcess model;
    LinkClient side;
    std::unique_ptr<ViewLoader> loader;
    QSet<QString> answered;    // bindings answered since the last open()
    QStringList warnings;      // QML warnings since the last takeWarnings()
    QString pictures;

    // Gone after the test run: what the root document logs on its way out goes to the default
    // handler, as the test log is closed by then.
    ~ScreenHarness() override
    {
        if (s_current == this) {
            qInstallMessageHandler(nullptr);
            s_current = nullptr;
        }
        loader.reset();
    }

    // Starts the model with these arguments, logs the second console in and builds the root
    // document (offscreen, or on the X server the suite runs under; "xcb" sizes the window as on
    // a desktop). Pictures go to build/screenshots/<folder>.
    bool start(const QStringList &modelArguments, const QString &folder, const QString &platform = QStringLiteral("offscreen"))
    {
        if (!model.start(modelArguments))
            return QTest::qVerify(false, "start", qPrintable(model.output()), __FILE__, __LINE__);
        qputenv("TARN_DEVICE_PORT", QByteArray::number(model.port()));
        qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
        TarnSettings().clear();
        TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
        if (!side.login(model.port()))
            return QTest::qVerify(false, "start", "the second console was not let in", __FILE__, __LINE__);
        pictures = QDir(QStringLiteral(TARN_BIN_DIR "/../screenshots/") + folder).absolutePath();
        QDir().mkpath(pictures);

        s_current = this;
        s_previous = qInstallMessageHandler(collect);
        tarn::registerQmlTypes();
        QGuiApplication::setQuitOnLastWindowClosed(false);
        connect(TCPAdaptor::instance(), &TCPAdaptor::dataAvailable, this, [this](const DataFromDevice &d) {
            if (d.command != QLatin1String("unsubr"))
                answered.insert(key(d.poName, d.svName, d.valueType));
        });
        loader = std::make_unique<ViewLoader>();
        connect(loader->view()->engine(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &list) {
            for (const QQmlError &w : list)
                warnings.append(w.toString());
        });
        loader->InitLoader(platform);
        return loader->view()->rootObject() != nullptr;
    }

    // Logs the application in. The login opens the home screen, and the first report of the
    // running preset opens it once more; only then is it safe to leave for another screen.
    bool connectDevice(bool waitForHomeTwice = true)
    {
        QSignalSpy pages(loader.get(), &ViewLoader::loadPage);
        loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:stagemanagers"));
        if (!waitForHomeTwice)
            return true;
        return QTest::qWaitFor([&] {
            int n = 0;
            for (const QList<QVariant> &page : qAsConst(pages))
                n += page.value(0).toString().endsWith(QLatin1String("TarnHomeScreen.qml")) ? 1 : 0;
            return n >= 2 && shows(QStringLiteral("TarnHomeScreen.qml"));
        }, kWait);
    }

    QQuickView *view() const { return loader->view(); }
    QQuickItem *root() const { return loader->view()->rootObject(); }
    QObject *pageLoader() const { return root() ? root()->findChild<QObject *>(QStringLiteral("pageLoader")) : nullptr; }
    QQuickItem *page() const
    {
        QObject *pages = pageLoader();
        return pages ? qvariant_cast<QQuickItem *>(pages->property("item")) : nullptr;
    }

    // The page is loaded by a queued signal: the loader's own document, ready, is the sign.
    bool shows(const QString &document) const
    {
        QObject *pages = pageLoader();
        return pages && loader->activeScreen() == document && pages->property("source").toString().endsWith(document)
            && pages->property("status").toInt() == 1 && page() != nullptr;
    }

    bool goHome()
    {
        if (!shows(QStringLiteral("TarnHomeScreen.qml")))
            loader->onGuiSignal(QStringLiteral("HomeButtonPressed"), QString());
        return QTest::qWaitFor([&] { return shows(QStringLiteral("TarnHomeScreen.qml")); }, kWait);
    }

    // Home first, then the screen; from then on only answers to its own requests count.
    bool open(const QString &command, const QString &payload, const QString &document)
    {
        if (!goHome())
            return false;
        answered.clear();
        loader->onGuiSignal(command, payload);
        return QTest::qWaitFor([&] { return shows(document); }, kWait);
    }

    // Controls of the page shown that are bound but have had no value from the link.
    QStringList unbound() const
    {
        QStringList missing;
        for (QObject *o : everything(page())) {
            auto *control = qobject_cast<TarnControl *>(o);
            if (!control || control->poName().isEmpty() || control->svName().isEmpty())
                continue;
            if (!answered.contains(key(control->poName(), control->svName(), control->valueType())))
                missing << QStringLiteral("%1 %2 %3 (%4)").arg(control->poName(), control->svName(), control->valueType(),
                                                               QString::fromLatin1(control->metaObject()->className()));
        }
        missing.removeDuplicates();
        return missing;
    }

    // True once every control of the page has had a value; fails the test naming the rest.
    bool allBound()
    {
        QStringList missing;
        if (QTest::qWaitFor([&] { return (missing = unbound()).isEmpty(); }, kWait))
            return true;
        return QTest::qVerify(false, "allBound", qPrintable(QStringLiteral("never received a value:\n") + missing.join(QLatin1Char('\n'))),
                              __FILE__, __LINE__);
    }

    // The warnings so far, joined, and a fresh start; empty when there were none.
    QString takeWarnings()
    {
        const QString all = warnings.join(QLatin1Char('\n'));
        warnings.clear();
        return all;
    }

    // The first visible item of that name: in the root document, else in a popup.
    QQuickItem *shown(const QString &name) const
    {
        QQuickItem *item = findItem(root(), name);
        return item ? item : findItem(view()->contentItem(), name);
    }

    QQuickItem *waitFor(const QString &name)
    {
        QQuickItem *item = nullptr;
        (void)QTest::qWaitFor([&] { return (item = shown(name)) != nullptr; }, kWait);
        return item;
    }

    void click(QQuickItem *item, QPointF local = QPointF(-1, -1))
    {
        if (local == QPointF(-1, -1))
            local = QPointF(item->width() / 2, item->height() / 2);
        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, item->mapToScene(local).toPoint());
    }

    // Clicks the named item (popups too) once it is shown, enabled and laid out: a screen just
    // loaded may still move, and the press and the release must land alike.
    bool press(const QString &name)
    {
        QQuickItem *item = nullptr;
        if (!QTest::qWaitFor([&] { return (item = shown(name)) && item->isEnabled(); }, kWait))
            return QTest::qVerify(false, "press", qPrintable(name + QStringLiteral(" is not shown")), __FILE__, __LINE__);
        QPointF last(-1, -1);
        (void)QTest::qWaitFor([&] {
            const QPointF now = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
            const bool settled = now == last;
            last = now;
            return settled;
        }, kWait);
        click(item);
        return true;
    }

    // What the model holds now, asked by the second console (or the line that refuses it).
    QString modelValue(const QString &po, const QString &sv, const QString &valueType = QString())
    {
        return side.get(po, sv, valueType);
    }

    // A value set by the second console, and the model's answer to it waited for.
    bool set(const QString &po, const QString &sv, const QString &value)
    {
        return side.ask(request(QStringLiteral("set"), po, sv, value)) != QLatin1String("(no answer)");
    }

    // One raw line from the second console, and its answer waited for.
    bool sendLine(const QString &line)
    {
        return side.ask(line) != QLatin1String("(no answer)");
    }

    // Pictures the window; a picture taken that cannot be saved fails the test.
    QImage picture(const QString &name)
    {
        const QImage image = view()->grabWindow();
        if (!image.isNull() && !image.save(pictures + QLatin1Char('/') + name + QStringLiteral(".png")))
            QTest::qVerify(false, "picture", qPrintable(QStringLiteral("could not save ") + name), __FILE__, __LINE__);
        return image;
    }

private:
    static QString key(const QString &po, const QString &sv, const QString &valueType)
    {
        return po + QLatin1Char('|') + sv + QLatin1Char('|') + valueType;
    }

    // QML and JavaScript warnings that do not pass through the engine's warnings signal.
    static void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        const QLatin1String category(context.category ? context.category : "");
        const bool fromQml = category == QLatin1String("qml") || category == QLatin1String("js")
            || message.contains(QLatin1String(".qml:")) || message.contains(QLatin1String(".js:"));
        if ((type == QtWarningMsg || type == QtCriticalMsg) && fromQml && s_current)
            s_current->warnings.append(message);
        if (s_previous)
            s_previous(type, context, message);
    }

    static inline ScreenHarness *s_current = nullptr;
    static inline QtMessageHandler s_previous = nullptr;
};
} // namespace tarn::test
