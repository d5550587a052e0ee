#include "linkclient.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>

#include <memory>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;

namespace {
constexpr int kWait = 10000;

// The screens reach the root document as rootQML; this one gives them what they use of it.
const char kRoot[] = R"(
import QtQuick 2.15
import AppDataStore 1.0
Item {
    id: rootQML
    width: 1024
    height: 768
    signal guiSignal(string param, string payload)
    property AppDataStore appDataStore: AppDataStore {}
    property string strHelpFileName: ""
    property bool rootCfgMode: false
    function funcLastScreen(name) {}
    function showHelp() {}
    Loader { objectName: "page"; anchors.fill: parent; source: "qrc:/qml/ScreenSigGen.qml" }
}
)";

QQuickItem *findItem(QQuickItem *root, const QString &name, bool skipSelf = false)
{
    if (!root)
        return nullptr;
    if (!skipSelf && root->objectName() == name)
        return root;
    const auto children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

// "-45.0dB" -> -45.0
double decibels(QString text)
{
    text.replace(QChar(0x2212), QLatin1Char('-'));
    text.remove(QStringLiteral("dB"));
    text.remove(QChar(0x2009));
    return text.trimmed().toDouble();
}
} // namespace

// A control moved on a screen changes the value in the offline model, and what the screen then
// shows is the value the model confirmed: the signal generator's level, dragged and stepped in
// the application, read back by a second client of the model, and changed by that client in turn.
class TstControlRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void levelDraggedAndStepped();

private:
    std::unique_ptr<ModelProcess> m_model;
    QQmlEngine *m_engine = nullptr;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem *m_root = nullptr;
    LinkClient m_observer;
    QStringList m_warnings;
};

void TstControlRoundTrip::initTestCase()
{
    if (!QFileInfo(ModelProcess::program()).isExecutable())
        QSKIP("tarn-offline-model is not built");
    m_model = std::make_unique<ModelProcess>();
    QVERIFY2(m_model->start(), qPrintable(m_model->output()));

    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("stagemanagers"));
    qputenv("TARN_DEVICE_PORT", QByteArray::number(m_model->port()));
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    QSignalSpy ready(adaptor, &TCPAdaptor::corvexReady);
    adaptor->doConnect();
    QVERIFY(ready.wait(kWait));

    QVERIFY(m_observer.login(m_model->port()));
    m_observer.sendRequest(tarn::test::request(QStringLiteral("sub"), QStringLiteral("SignalGenerator"),
                                               QStringLiteral("Signal Amplitude")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_observer.value(QStringLiteral("SignalGenerator"), QStringLiteral("Signal Amplitude")).isEmpty(),
                             kWait);

    tarn::registerQmlTypes();
    m_engine = new QQmlEngine(this);
    connect(m_engine, &QQmlEngine::warnings, this, [this](const QList<QQmlError> &warnings) {
        for (const QQmlError &w : warnings)
            m_warnings << w.toString();
    });
    QQmlComponent component(m_engine);
    component.setData(kRoot, QUrl(QStringLiteral("qrc:/roundtrip.qml")));
    m_root = qobject_cast<QQuickItem *>(component.create());
    QVERIFY2(m_root, qPrintable(component.errorString()));
    m_window = std::make_unique<QQuickWindow>();
    m_window->resize(1024, 768);
    m_root->setParentItem(m_window->contentItem());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TstControlRoundTrip::cleanupTestCase()
{
    delete m_root;
    m_window.reset();
    if (TCPAdaptor *adaptor = TCPAdaptor::instance())
        adaptor->doDisconnect();
}

void TstControlRoundTrip::levelDraggedAndStepped()
{
    QQuickItem *level = findItem(m_root, QStringLiteral("level"));
    QVERIFY(level);
    QQuickItem *widget = findItem(level, QStringLiteral("slider"));
    QVERIFY(widget);
    QQuickItem *track = findItem(widget, QStringLiteral("slider"), true);
    QVERIFY(track);
    auto modelLevel = [this]() {
        return m_observer.value(QStringLiteral("SignalGenerator"), QStringLiteral("Signal Amplitude"));
    };
    auto shownLevel = [widget]() { return widget->property("valueText").toString(); };

    // The screen shows the model's level with its unit.
    QTRY_VERIFY_WITH_TIMEOUT(widget->property("known").toBool(), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(decibels(shownLevel()), decibels(modelLevel()), kWait);
    QCOMPARE(decibels(modelLevel()), -20.0);
    QVERIFY(shownLevel().endsWith(QStringLiteral("dB")));

    // Dragged to a quarter of the travel: the model takes -45 dB (give or take a pixel), and the
    // screen shows what the model took.
    const QPointF start = track->mapToScene(QPointF(track->width() * 0.667, track->height() / 2));
    const QPointF end = track->mapToScene(QPointF(track->width() * 0.25, track->height() / 2));
    QTest::mousePress(m_window.get(), Qt::LeftButton, Qt::NoModifier, start.toPoint());
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(m_window.get(), (start + (end - start) * (i / 10.0)).toPoint(), 5);
    QTest::mouseRelease(m_window.get(), Qt::LeftButton, Qt::NoModifier, end.toPoint(), 5);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(decibels(modelLevel()) + 45.0) < 2.0, kWait);
    const QString taken = modelLevel();
    QTRY_COMPARE_WITH_TIMEOUT(decibels(shownLevel()), decibels(taken), kWait);
    // The handle settles on the model's position.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(widget->property("position").toDouble() - (decibels(taken) + 60.0) / 60.0 * 100.0) < 0.6,
                             kWait);

    // One step up is one decibel.
    QQuickItem *up = findItem(level, QStringLiteral("up"));
    QVERIFY(up);
    QMetaObject::invokeMethod(up, "clicked");
    QTRY_COMPARE_WITH_TIMEOUT(decibels(modelLevel()), decibels(taken) + 1.0, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(decibels(shownLevel()), decibels(taken) + 1.0, kWait);

    // A change made elsewhere (the processor's front panel, another client) shows here too.
    m_observer.sendRequest(tarn::test::request(QStringLiteral("set"), QStringLiteral("SignalGenerator"),
                                               QStringLiteral("Signal Amplitude"), QStringLiteral("-12")));
    QTRY_COMPARE_WITH_TIMEOUT(decibels(shownLevel()), -12.0, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(widget->property("position").toDouble() - 80.0) < 0.6, kWait);
    QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join(QLatin1Char('\n'))));
}

TARN_TEST_MAIN(TstControlRoundTrip, QApplication)
#include "tst_controlroundtrip.moc"
