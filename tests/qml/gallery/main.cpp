// Shows every widget document on one page, bound to a freshly started offline model, and saves
// the window as a picture:
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bin/tarn-widget-gallery --out gallery.png
#include "qmltypes.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QQmlEngine>
#include <QQuickView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.*.debug=false"));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("out"), QStringLiteral("Picture to write."), QStringLiteral("file"),
                      QStringLiteral("gallery.png")});
    parser.addOption({QStringLiteral("wait"), QStringLiteral("Milliseconds before the picture."), QStringLiteral("ms"),
                      QStringLiteral("2500")});
    parser.addOption({QStringLiteral("qml"), QStringLiteral("Page to show."), QStringLiteral("file"),
                      QStringLiteral(GALLERY_QML)});
    parser.process(app);

    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    QProcess model;
    model.setProgram(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model"));
    model.setArguments({QStringLiteral("--port"), QString::number(port), QStringLiteral("--state-dir"), home.path(),
                        QStringLiteral("--ftp-port"), QStringLiteral("0"), QStringLiteral("--seed"), QStringLiteral("5")});
    model.start();
    if (!model.waitForStarted(5000) || !model.waitForReadyRead(10000)) {
        std::fprintf(stderr, "tarn-widget-gallery: the offline model did not start\n");
        return 1;
    }
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("stagemanagers"));
    qputenv("TARN_DEVICE_PORT", QByteArray::number(port));

    tarn::registerQmlTypes();
    QQuickView view;
    view.setColor(QColor(0x0b, 0x0d, 0x11));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(1280, 800);

    TCPAdaptor *adaptor = TCPAdaptor::instance();
    QObject::connect(adaptor, &TCPAdaptor::corvexReady, &view, [adaptor, &view, &parser]() {
        // A few switches on, so the page shows lit states too.
        const char *const on[][2] = {{"Compressor", "Compressor"}, {"OutputGains", "Channel_1_Mute"},
                                      {"OutputGains", "Channel_3_Mute"}, {"StereoMixer", "Mute"}};
        for (const auto &sv : on) {
            DataFromDevice request;
            request.poName = QLatin1String(sv[0]);
            request.svName = QLatin1String(sv[1]);
            request.value = QStringLiteral("On");
            request.command = QStringLiteral("set");
            adaptor->sendRequest(request);
        }
        view.setSource(QUrl::fromLocalFile(parser.value(QStringLiteral("qml"))));
        view.show();
        QTimer::singleShot(parser.value(QStringLiteral("wait")).toInt(), &view, [&view, &parser]() {
            const QImage image = view.grabWindow();
            const bool saved = !image.isNull() && image.save(parser.value(QStringLiteral("out")));
            std::fprintf(stderr, "tarn-widget-gallery: %s %s\n", saved ? "wrote" : "could not write",
                         qPrintable(parser.value(QStringLiteral("out"))));
            QCoreApplication::exit(saved ? 0 : 1);
        });
    });
    adaptor->doConnect();
    QTimer::singleShot(20000, &app, []() { QCoreApplication::exit(2); });
    const int status = app.exec();
    model.terminate();
    model.waitForFinished(3000);
    return status;
}
