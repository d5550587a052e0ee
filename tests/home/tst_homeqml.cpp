#include "qmltypes.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>

#include <memory>

// The home types as the screens use them: registered under their own modules and reached from
// QML through properties and invokables.
class TstHomeQml : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void typesFromQml();
    void descriptorFromQml();

private:
    std::unique_ptr<QObject> create(const QByteArray &qml);
    QQmlEngine m_engine;
    QStringList m_warnings;
};

void TstHomeQml::initTestCase()
{
    tarn::registerQmlTypes();
    connect(&m_engine, &QQmlEngine::warnings, this, [this](const QList<QQmlError> &warnings) {
        for (const QQmlError &w : warnings)
            m_warnings.append(w.toString());
    });
}

std::unique_ptr<QObject> TstHomeQml::create(const QByteArray &qml)
{
    QQmlComponent component(&m_engine);
    component.setData(qml, QUrl(QStringLiteral("qrc:/test.qml")));
    std::unique_ptr<QObject> object(component.create());
    if (!object)
        qWarning().noquote() << component.errorString();
    return object;
}

void TstHomeQml::typesFromQml()
{
    TarnSettings::write(QString::fromLatin1(tarn::keys::CrossoverNumBand), QStringLiteral("x"));
    m_warnings.clear();
    auto root = create(R"(
import QtQml 2.15
import TarnHomeScreenModel 1.0
import ButtonImageResolver 1.0
import AppDataStore 1.0
QtObject {
    property TarnHomeScreenModel model: TarnHomeScreenModel {}
    property ButtonImageResolver resolver: ButtonImageResolver {}
    property AppDataStore store: AppDataStore {}
    property bool lowShown: model.lowVisible
    property bool stereo: model.stereoInput
    property string icon: resolver.imagePath("CMP")
    property string caption: resolver.buttonText("in:AGC")
    property string toggle: resolver.toggleSVName("SUB")
    property string output: resolver.outputName('{"Attributes":{"OutputName":"Fill"}}')
    property string ranges: store.getJsonArray("Delay", "Amount")
    property bool busy: store.deviceBusy()
    property bool wizard: store.wizardActive
    Component.onCompleted: {
        store.setChannelName("out 24")
        store.setLimiterList('["Low Outputs Limiter"]')
    }
}
)");
    QVERIFY(root);
    QCOMPARE(root->property("lowShown").toBool(), false);
    QCOMPARE(root->property("stereo").toBool(), true);
    QCOMPARE(root->property("icon").toString(), QStringLiteral("/images/Home/ICN_Compressor.png"));
    QCOMPARE(root->property("caption").toString(), QStringLiteral("Automatic  Gain  Control"));
    QCOMPARE(root->property("toggle").toString(), QStringLiteral("SubharmonicSynth"));
    QCOMPARE(root->property("output").toString(), QStringLiteral("Fill"));
    QVERIFY(root->property("ranges").toString().startsWith(QLatin1String("[{\"high\":1,")));
    QCOMPARE(root->property("busy").toBool(), false);
    QCOMPARE(root->property("wizard").toBool(), false);

    QObject *store = root->property("store").value<QObject *>();
    QString channel;
    QVERIFY(QMetaObject::invokeMethod(store, "channelName", Q_RETURN_ARG(QString, channel)));
    QCOMPARE(channel, QStringLiteral("Output 3,4,5,6"));
    QString limiter;
    QVERIFY(QMetaObject::invokeMethod(store, "getLimiterAt", Q_RETURN_ARG(QString, limiter), Q_ARG(int, 0)));
    QCOMPARE(limiter, QStringLiteral("Low Outputs Limiter"));

    // A flag the model changes reaches the binding.
    QObject *model = root->property("model").value<QObject *>();
    QVERIFY(QMetaObject::invokeMethod(model, "onPoReceived", Q_ARG(QStringList, QStringList{"MonoMixer : "}),
                                      Q_ARG(QString, QStringLiteral("\\\\Preset\\"))));
    QCOMPARE(root->property("stereo").toBool(), false);
    QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join(QLatin1Char('\n'))));
}

void TstHomeQml::descriptorFromQml()
{
    TarnSettings::write(QString::fromLatin1(tarn::keys::LimiterType), QStringLiteral("Mid"));
    m_warnings.clear();
    auto root = create(R"(
import QtQml 2.15
import ControlDescriptor 1.0
QtObject {
    property ControlDescriptor limiter: ControlDescriptor { source: "/xml/LimiterControlDescriptor.xml" }
    property string po: limiter.poName
    property int count: limiter.controls.length
    property string thresholdUnit: limiter.control("Threshold").unit
    property string meterLabel: limiter.controlsOfKind("meter")[0].label
    property real meterTop: limiter.controlsOfKind("meter")[0].scale[4]
    property string band: limiter.currentVariant
}
)");
    QVERIFY(root);
    QCOMPARE(root->property("po").toString(), QStringLiteral("Mid Outputs Limiter"));
    QCOMPARE(root->property("count").toInt(), 8);
    QCOMPARE(root->property("thresholdUnit").toString(), QStringLiteral("dB"));
    QCOMPARE(root->property("meterLabel").toString(), QStringLiteral("Gain Reduction"));
    QCOMPARE(root->property("meterTop").toDouble(), 0.0);
    QCOMPARE(root->property("band").toString(), QStringLiteral("Mid"));

    QObject *limiter = root->property("limiter").value<QObject *>();
    limiter->setProperty("variant", QStringLiteral("Low"));
    QCOMPARE(root->property("po").toString(), QStringLiteral("Low Outputs Limiter"));
    QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join(QLatin1Char('\n'))));
}

TARN_TEST_MAIN(TstHomeQml, QGuiApplication)
#include "tst_homeqml.moc"
