// Guards against wizards, walked on screen against the real offline model (with the link card),
// that stop, leave the processor's values unchanged, or do not go home when cancelled or when the
// link is lost; a picture of every page type goes to build/screenshots/wizards.
#include "screenharness.h"
#include "testenv.h"
#include "xvfbexec.h"

#include <QApplication>

using tarn::test::findItem;
using tarn::test::ScreenHarness;

namespace {
constexpr int kWait = ScreenHarness::kWait;
} // namespace

class TstWizardScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void setupWizardAndLink();
    void autoEq();
    void feedbackSetup();
    void cancelledSetupUnknownStepAndOfflineNotice();
    void lostLinkMidWizard(); // last: it leaves the application on the discovery screen

private:
    QQuickItem *wizardScreen() const
    {
        return m_h.page() && m_h.page()->objectName() == QLatin1String("wizardScreen") ? m_h.page() : nullptr;
    }
    QString at() const;
    bool openWizards();
    bool reach(const QString &state);
    bool press(const QString &objectName, const QString &then = QString());
    bool walk(std::initializer_list<std::pair<const char *, const char *>> steps);
    void picture(const QString &name)
    {
        QTest::qWait(0);
        m_h.picture(name);
    }
    // What the model holds at that path, asked by the second console.
    QString get(const QString &path) { return m_h.side.ask(QStringLiteral("get \"\\\\%1\"").arg(path)).section(QLatin1Char('"'), 3, 3); }

    ScreenHarness m_h;
};

void TstWizardScreens::initTestCase()
{
    QVERIFY(m_h.start({QStringLiteral("--meter-interval"), QStringLiteral("0"), QStringLiteral("--hardware-version"),
                       QStringLiteral("Parvane"), QStringLiteral("--seed"), QStringLiteral("3")},
                      QStringLiteral("wizards")));
    m_h.view()->setResizeMode(QQuickView::SizeRootObjectToView);
    m_h.view()->resize(1024, 768);
    QVERIFY(m_h.connectDevice());
}

void TstWizardScreens::cleanup()
{
    QCOMPARE(m_h.takeWarnings(), QString());
}

QString TstWizardScreens::at() const
{
    QQuickItem *screen = wizardScreen();
    if (!screen)
        return m_h.loader->activeScreen();
    auto *page = screen->property("page").value<QQuickItem *>();
    return page ? page->property("wizardState").toString() : QString();
}

bool TstWizardScreens::openWizards()
{
    m_h.loader->onGuiSignal(QStringLiteral("Wizard"), QString());
    return reach(QStringLiteral("Inactive"));
}

// The processor's state and its page on screen, drawn.
bool TstWizardScreens::reach(const QString &state)
{
    (void)QTest::qWaitFor([&] { return at() == state; }, kWait);
    if (at() != state)
        return QTest::qVerify(false, "reach", qPrintable(QStringLiteral("at %1, not %2").arg(at(), state)), __FILE__, __LINE__);
    return true;
}

// A press of an enabled item of the wizard screen, then (optionally) the state it leads to. Items are
// placed at the next frame and pages replaced meanwhile: looked for after each frame, scrolled to.
bool TstWizardScreens::press(const QString &objectName, const QString &then)
{
    QQuickItem *item = nullptr;
    for (int attempt = 0; attempt < 50 && !item; ++attempt) {
        QSignalSpy frame(m_h.view(), &QQuickWindow::frameSwapped);
        m_h.view()->update();
        frame.wait(200);
        item = wizardScreen() ? findItem(wizardScreen(), objectName) : nullptr;
        if (!item || !item->isEnabled()) {
            item = nullptr;
            continue;
        }
        QQuickItem *list = item->parentItem();
        while (list && !list->inherits("QQuickFlickable"))
            list = list->parentItem();
        if (!list)
            continue;
        const qreal top = list->property("contentY").toReal();
        const qreal y = item->mapToItem(list->property("contentItem").value<QQuickItem *>(), QPointF(0, 0)).y();
        if (y < top || y + item->height() > top + list->height()) {
            list->setProperty("contentY", qMax<qreal>(0, y - (list->height() - item->height()) / 2));
            item = nullptr;
        }
    }
    if (!item)
        return QTest::qVerify(false, "press", qPrintable(objectName + " not on the page of " + at()), __FILE__, __LINE__);
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(m_h.view(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return then.isEmpty() || reach(then);
}

// Presses (or "~n": n steps of the model's clock), each leading to the state beside it, if any.
bool TstWizardScreens::walk(std::initializer_list<std::pair<const char *, const char *>> steps)
{
    for (const auto &step : steps) {
        const QString what = QLatin1String(step.first);
        const QString then = QLatin1String(step.second);
        const bool tick = what.startsWith(QLatin1Char('~'));
        if (tick)
            m_h.sendLine(QStringLiteral("model tick %1").arg(what.mid(1)));
        if (!(tick ? then.isEmpty() || reach(then) : press(what, then)))
            return false;
    }
    return true;
}


void TstWizardScreens::setupWizardAndLink()
{
    QVERIFY(openWizards());
    picture(QStringLiteral("WizardListType-start"));
    QVERIFY(press("choice_StartSetupWizard", "StartSetupWizard"));
    picture(QStringLiteral("WizardDialogType"));
    QVERIFY(walk({{"primaryButton", "StartSetupWizardWarning"}, {"primaryButton", "StartFromWhat"},
                  {"choice_New", "ConfirmStartNew"}, {"primaryButton", "SelectItemsToSetup"},
                  {"choice_All", "SelectPaInputFormat"}}));
    picture(QStringLiteral("WizardListType"));
    // One input cannot be both sides.
    QVERIFY(walk({{"choice_Stereo", "SelectFirstPaInput"}, {"choice_Input A", "SelectSecondPaInput"}, {"choice_Input A", "DisplayError"},
                  {"primaryButton", "SelectSecondPaInput"}, {"choice_Input B", "SelectPaOutputFormat"},
                  {"choice_Stereo", "SelectMainSpeakerUsage"}, {"choice_Music", "SelectMainSpeakerMode"},
                  {"choice_FullRange", "SelectMainSpeaker"}, {"brand_Harrow Acoustics", ""}}));
    picture(QStringLiteral("WizardNestedListViewType"));
    QVERIFY(walk({{"model_HX15", "PromptUsingSubs"}, {"choice_No", "SelectHighAmplifier"}, {"brand_Brant Power", ""},
                  {"model_BP-2400", "SelectPaAmplifierSensitivity"}, {"choice_1.4 V", "SelectHighAmplifierLevel"}}));
    picture(QStringLiteral("WizardDialType"));
    QVERIFY(walk({{"primaryButton", "SelectHighAmpBridgeMode"}, {"choice_Stereo", "PromptAddAnotherMonitor"},
                  {"choice_AddMonitor", "SelectMonitorInput"}, {"choice_Input C", "SelectMonitorMode"},
                  {"choice_Wedge", "SelectMonitorSpeaker"}, {"brand_Generic", ""},
                  {"model_Passive wedge", "SelectMonitorAmplifierSensitivity"},
                  {"choice_1.0 V", "PromptAFSMonitorInput"}, {"choice_Yes", "PromptAddAnotherMonitor"},
                  {"choice_Next", "PromptApplySetup"}, {"choice_Apply", "AmpTrafficControl"},
                  {"primaryButton", "SetupApply"}}));
    picture(QStringLiteral("WizardDialogType-busy"));
    QVERIFY(walk({{"~10", "MakeTheFollowingConnections"}}));
    QTest::qWait(300); // the chain's attributes are reported after the apply
    picture(QStringLiteral("WizardMakeConnections"));
    QVERIFY(walk({{"primaryButton", "SetupComplete"}, {"primaryButton", "RunAllPromptAutoEQ"},
                  {"choice_Skip", "RunAllPromptAFS"}, {"choice_Skip", "RunAllPromptParvane"}}));
    // On into the link card's wizard.
    QVERIFY(walk({{"choice_Run", "StartParvaneWizard"}, {"primaryButton", "StartParvaneWizardWarning"},
                  {"primaryButton", "ParvaneSampleRate"}, {"choice_48 kHz", "ParvaneInputConsecutive"},
                  {"choice_Yes", "ParvaneInputStartChannel"}}));
    QTRY_COMPARE_WITH_TIMEOUT(get("Node\\Wizard\\SV\\ParvaneInputStart"), QStringLiteral("1"), kWait);
    QVERIFY(press("up"));
    QTRY_COMPARE_WITH_TIMEOUT(get("Node\\Wizard\\SV\\ParvaneInputStart"), QStringLiteral("2"), kWait);
    picture(QStringLiteral("WizardFormType"));
    QVERIFY(press("primaryButton", "ParvaneInputNames"));
    QVERIFY(press("name1"));
    QTest::keyClick(m_h.view(), Qt::Key_A, Qt::ControlModifier);
    for (const char c : QByteArray("Stage Left"))
        QTest::keyClick(m_h.view(), c);
    QTest::keyClick(m_h.view(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(get("Node\\Wizard\\SV\\ParvaneInput_1_Name"), QStringLiteral("Stage Left"), kWait);
    QVERIFY(walk({{"primaryButton", "ParvaneOutputConsecutive"}, {"choice_Yes", "ParvaneOutputStartChannel"},
                  {"primaryButton", "OptionCardConnections"}, {"network_Redundant", ""}}));
    QTRY_COMPARE_WITH_TIMEOUT(get("Node\\Wizard\\SV\\ParvaneNetworkMode"), QStringLiteral("Redundant"), kWait);
    picture(QStringLiteral("WizardOptionCardConnections"));
    QVERIFY(walk({{"primaryButton", "PromptParvaneApply"}, {"choice_Apply", "ParvaneApply"}, {"~10", "ParvaneComplete"}, {"primaryButton", ""}}));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);

    // Full-range HX15s on the high outputs, a monitor on output 1 with feedback suppression.
    QCOMPARE(get("Preset\\Crossover\\AT\\NumBands"), QStringLiteral("1"));
    QCOMPARE(get("Preset\\Crossover\\SV\\Band_1_HPFrequency"), QStringLiteral("50.0Hz"));
    QCOMPARE(get("Preset\\High Outputs Limiter\\SV\\Threshold"), QStringLiteral("5.1dB"));
    QCOMPARE(get("Preset\\OutputGains\\SV\\Channel_1_Mute"), QStringLiteral("Off"));
    QCOMPARE(get("Preset\\Afs\\SV\\AFS"), QStringLiteral("On"));
    QCOMPARE(get("Preset\\GEQ\\SV\\QuickCurve"), QStringLiteral("Performance Venue"));
    QCOMPARE(get("Node\\Parvane\\SV\\Input_1_Channel"), QStringLiteral("2"));
    QCOMPARE(get("Node\\Parvane\\SV\\Input_1_Name"), QStringLiteral("Stage Left"));
    QCOMPARE(get("Node\\Parvane\\SV\\NetworkMode"), QStringLiteral("Redundant"));
}

void TstWizardScreens::autoEq()
{
    const QString before = get("Preset\\RoomEQ\\SV\\Band_1_Gain") + get("Preset\\RoomEQ\\SV\\Band_1_Frequency");
    QVERIFY(openWizards());
    QVERIFY(walk({{"choice_StartAutoEQ", "StartAutoEQ"}, {"primaryButton", "PromptAutoEQChoice"},
                  {"choice_AutoEQ", "PromptRtaMic"}, {"choice_Next", "SelectAutoEqObject"},
                  {"choice_RoomEQ", "SelectTargetCurve"}, {"choice_House", "PromptAutoEQMeasurements"},
                  {"choice_2 (Good)", "SetChirpLevel"}, {"primaryButton", "RunningLevelAssist"}}));
    // The chirp is raised until the microphone hears it well.
    for (int i = 0; i < 6; ++i) {
        QVERIFY(walk({{"~8", ""}}));
        (void)QTest::qWaitFor([&] { return at().startsWith(QLatin1String("SetChirpLevel")); }, kWait);
        if (at() == QLatin1String("SetChirpLevelSignalAcceptable"))
            break;
        QVERIFY(press("choice_Up", "RunningLevelAssist"));
    }
    QVERIFY(reach("SetChirpLevelSignalAcceptable"));
    picture(QStringLiteral("WizardListType-level"));
    QVERIFY(walk({{"choice_Next", "MicPosition1"}, {"primaryButton", "AutoEQMeasuring"}, {"~8", "AutoEQPlaceMic"},
                  {"primaryButton", "AutoEQMeasuring"}, {"~8", "AutoEQCalculation"}, {"~12", "AutoEQResult"}}));
    QTest::qWait(600); // the graph's first computation and paint
    picture(QStringLiteral("WizardAEQResultType"));
    QVERIFY(walk({{"primaryButton", "AutoEQComplete"}, {"primaryButton", "PromptAutoEqAnotherSystem"},
                  {"choice_Next", ""}}));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
    QCOMPARE(get("Preset\\RoomEQ\\SV\\AutoEQ"), QStringLiteral("On"));
    QVERIFY(get("Preset\\RoomEQ\\SV\\Band_1_Gain") + get("Preset\\RoomEQ\\SV\\Band_1_Frequency") != before);
}

void TstWizardScreens::feedbackSetup()
{
    QVERIFY(openWizards());
    QVERIFY(walk({{"choice_StartAFS", "StartAFS"}, {"primaryButton", "AFSSelectAFSObject"},
                  {"choice_Afs", "AFSConnectMic"}, {"primaryButton", "AFSGatesOff"}, {"primaryButton", "SetType"},
                  {"choice_Music", "PromptDefaultFilters"}, {"choice_Clear", "SetFilters"}}));
    QTRY_COMPARE_WITH_TIMEOUT(findItem(wizardScreen(), QStringLiteral("sliderSummary"))->property("text").toString(),
                              QStringLiteral("6 fixed filters, 6 live"), kWait);
    picture(QStringLiteral("WizardDialType-slider"));
    QVERIFY(walk({{"primaryButton", "GainDown"}, {"primaryButton", "GainUp"}, {"~13", "GainUp"}}));
    QTRY_COMPARE_WITH_TIMEOUT(findItem(wizardScreen(), QStringLiteral("placedCount"))->property("text").toString(),
                              QStringLiteral("2 of 6 fixed filters placed"), kWait);
    QTest::qWait(400);
    picture(QStringLiteral("WizardAFSGraphType"));
    QVERIFY(walk({{"~30", "GainStop"}, {"primaryButton", "GainPerformance"}, {"primaryButton", "AFSResult"},
                  {"primaryButton", "PromptAFSDone"}, {"choice_Next", "AFSComplete"}, {"primaryButton", ""}}));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
    QCOMPARE(get("Preset\\Afs\\SV\\ContentMode"), QStringLiteral("Music"));
    QCOMPARE(get("Preset\\Afs\\SV\\MaxFixedFilters"), QStringLiteral("6"));
    QVERIFY(get("Preset\\Afs\\SV\\Band_6_Gain").startsWith(QLatin1Char('-')));
}

void TstWizardScreens::cancelledSetupUnknownStepAndOfflineNotice()
{
    QVERIFY(openWizards());
    QVERIFY(walk({{"choice_StartInput", "StartInput"}, {"primaryButton", "SelectInput"}}));
    picture(QStringLiteral("RunSetupWizardScreen"));
    QVERIFY(press("runSetup_SelectInputAUse"));
    QVERIFY(press("runSetup_Mono"));
    QTRY_COMPARE_WITH_TIMEOUT(get("Preset\\StereoMixer\\SV\\Input_A_Pan"), QStringLiteral("0"), kWait);
    QVERIFY(press("runSetup_SelectInputBUse")); // back on the list once the processor took it
    QVERIFY(press("cancelWizardButton"));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
    QCOMPARE(get("Node\\Wizard\\SV\\WizardState"), QStringLiteral("Inactive"));

    QVERIFY(openWizards());
    // A step this version does not know, as a newer processor could report it.
    QVERIFY(QMetaObject::invokeMethod(wizardScreen(), "showState", Q_ARG(QVariant, QStringLiteral("SomeFutureStep"))));
    QVERIFY(reach("SomeFutureStep"));
    QVERIFY(findItem(wizardScreen(), QStringLiteral("wizardNotImplementedPage")));
    QCOMPARE(findItem(wizardScreen(), QStringLiteral("unknownState"))->property("text").toString(),
             QStringLiteral("Processor step: SomeFutureStep"));
    picture(QStringLiteral("WizardNotImplemented"));
    // The processor's "Inactive" after it ends the page, as after any wizard.
    QVERIFY(QMetaObject::invokeMethod(wizardScreen(), "showState", Q_ARG(QVariant, QStringLiteral("Inactive"))));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
    QVERIFY(openWizards());
    auto *notice = wizardScreen()->findChild<QQuickItem *>(QStringLiteral("wizardOfflineDialog"));
    QVERIFY(notice);
    notice->setProperty("shown", true);
    picture(QStringLiteral("WizardOfflineDialog"));
    QVERIFY(press("offlineOkButton"));
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), kWait);
    m_h.loader->onGuiSignal(QStringLiteral("HomeButtonPressed"), QString());
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), kWait);
}

// The link breaks in the middle of a wizard: the application goes back to discovery.
void TstWizardScreens::lostLinkMidWizard()
{
    QVERIFY(openWizards());
    QVERIFY(press("choice_StartGEQ", "StartGEQ"));
    QVERIFY(m_h.sendLine(QStringLiteral("model drop-all")));
    QTRY_COMPARE_WITH_TIMEOUT(m_h.loader->activeScreen(), QStringLiteral("TarnDiscovery.qml"), kWait);
}

// Pictures need a real X server: the test runs itself again under a private Xvfb.
TARN_XVFB_TEST_MAIN(TstWizardScreens, "TARN_WIZARD_SCREENS_X")
#include "tst_wizardscreens.moc"
