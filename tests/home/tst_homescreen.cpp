// Guards against the home screen and the screens it leads to going wrong in QML: Qt Quick Tests
// with the application's types and a link to a scripted processor; any QML warning fails the run.
#include "devicerecord.h"
#include "quicktestrunner.h"
#include "tcpadaptor.h"

#include <QQmlEngine>

// Plays the processor's side for the home screen's model: the crossover attributes and the preset
// listing arrive through the link adaptor's signals, as they would from a real link.
class HomeProcessor : public QObject {
    Q_OBJECT
public:
    // "NumBands" then "MonoSub", as the processor answers the model's subscriptions.
    Q_INVOKABLE void crossover(const QString &numBands, const QString &monoSub)
    {
        for (const auto &[sv, value] : {std::pair<const char *, QString>{"NumBands", numBands}, {"MonoSub", monoSub}}) {
            DataFromDevice record = tarn::test::request(QStringLiteral("subr"), QStringLiteral("Crossover"), QLatin1String(sv), value);
            emit TCPAdaptor::instance()->homeScreenDataAvailable(&record);
        }
    }
    // The listing of the running preset's processing objects ("StereoMixer", "GEQ", ...).
    Q_INVOKABLE void listing(const QStringList &objects)
    {
        QStringList entries;
        for (const QString &o : objects)
            entries << o + QStringLiteral(" : ");
        emit TCPAdaptor::instance()->poAvailable(entries, QStringLiteral("\\\\Preset\\"));
    }
};

int main(int argc, char **argv)
{
    return tarn::test::runQuickTests(argc, argv, "homescreen", QUICK_TEST_SOURCE_DIR, []() {
        qmlRegisterSingletonType<HomeProcessor>("TarnHomeTest", 1, 0, "HomeProcessor",
                                                [](QQmlEngine *, QJSEngine *) -> QObject * { return new HomeProcessor; });
    });
}

#include "tst_homescreen.moc"
