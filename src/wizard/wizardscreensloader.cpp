#include "wizardscreensloader.h"

#include "settingskeys.h"
#include "tarnsettings.h"
#include "wizardlog.h"

namespace {
// Untrusted names from the network may be added to the table; they are capped so that a
// misbehaving processor cannot grow it without bound.
constexpr int kMaxAddedStates = 256;
constexpr int kMaxStateName = 128;

struct Group {
    const char *document;
    std::initializer_list<const char *> states;
};

const Group kGroups[] = {
    {"WizardDialogType.qml",
     {"StartParvaneWizard", "StartParvaneWizardWarning", "ParvaneSampleRateWarning", "StartParvaneDuplicateWarning",
      "ParvaneApply", "ParvaneComplete", "StartSetupWizard", "StartSetupWizardWarning", "ConfirmCurrentSettings",
      "AmpTrafficControl", "SetupApply", "DisplayError", "ConfirmStartNew", "JackFormatNeedsToChange", "SetupComplete",
      "StartAutoEQ", "ExitAutoEQ", "SetChirpLevel", "RunningLevelAssist", "MicPosition1", "RunningAutoEQ",
      "AutoEQPlaceMic", "AutoEQMeasuring", "AutoEQCalculation", "AutoEQResult", "AutoEQComplete", "GetReference",
      "MatchReference", "StartAFS", "AFSConnectMic", "AFSGatesOff", "GainDown", "GainPerformance", "AFSComplete",
      "SelectHighAmplifierInfoKestrel", "SelectMidAmplifierInfoKestrel", "SelectLowAmplifierInfoKestrel",
      "AllOutputsUsedNoneLeftForMonitors", "LevelAssistComplete", "GainStop", "StartInput", "StartGEQ",
      "StartSpeaker"}},
    {"WizardListType.qml",
     {"ParvaneSampleRate", "ParvaneInputConsecutive", "ParvaneOutputConsecutive", "PromptParvaneApply", "Inactive",
      "StartFromWhat", "SelectItemsToSetup", "SelectPaInputFormat", "SelectFirstPaInput", "SelectSecondPaInput",
      "SelectThirdPaInput", "PromptUsingSubs", "PromptApplySetup", "SelectPaOutputFormat", "SelectMainSpeakerMode",
      "PromptAddAnotherMonitor", "SelectLowAmpBridgeMode", "SelectHighAmpBridgeMode", "PromptAFSMonitorInput",
      "SelectMonitorInput", "SelectMonitorMode", "RunAllPromptParvane", "SelectAuxFedSubInput",
      "SelectSubSpeakerMode", "SelectSubAmpBridgeMode", "PromptSubsAuxFed", "RunAllPromptAutoEQ",
      "PromptAutoEQChoice", "PromptAutoEQMeasurements", "SelectTargetCurve", "SetChirpLevelNoMic",
      "SelectAutoEqObject", "AutoEQMeasuringSignalNotEnough", "AutoEQMeasuringSignalNotHeard",
      "AutoEQMeasuringLeftNotDetected", "AutoEQMeasuringRightNotDetected", "AutoEQMeasuringClip",
      "GetReferenceSignalNotHeard", "SetChirpLevelClip", "AutoEQMeasuringTooMuchNoise", "PromptAutoEqAnotherSystem",
      "SetChirpLevelSignalNotEnough", "GetReferenceSignalNotEnough", "SetChirpLevelSignalNotHeard",
      "MatchReferenceSignalNotHeard", "MatchReferenceAdjust", "GetReferenceAdjust", "SetType",
      "PromptDefaultFilters", "PromptAFSDone", "AFSPromptRepeat", "AFSSelectAFSObject", "SelectMainSpeakerUsage",
      "SelectPaAmplifierSensitivity", "SelectLowAmplifierSensitivity", "SelectMidAmplifierSensitivity",
      "SelectHighAmplifierSensitivity", "SelectHighAmplifierMaxAnalogInputKestrel",
      "SelectMidAmplifierMaxAnalogInputKestrel", "SelectLowAmplifierMaxAnalogInputKestrel",
      "SelectPaAmplifierMaxAnalogInputKestrel", "SelectMonitorAmplifierMaxAnalogInputKestrel",
      "SelectMonitorAmplifierSensitivity", "PromptRtaMic", "SetChirpLevelSignalAcceptable",
      "SetChirpLevelTooMuchNoise", "GetReferenceNoMic", "GetReferenceClip", "GetReferenceHighNoise",
      "GetReferenceTooMuchNoise", "MatchReferenceNoMic", "MatchReferenceClip", "MatchReferenceHighNoise",
      "MatchReferenceTooMuchNoise", "MatchReferenceSignalNotEnough", "AutoEQMeasuringNoMic",
      "AutoEQMeasuringHighNoise", "RunAllPromptAFS"}},
    {"WizardFormType.qml",
     {"ParvaneInputStartChannel", "ParvaneOutputStartChannel", "ParvaneInputManualEdit", "ParvaneOutputManualEdit",
      "ParvaneInputNames", "OptionCardConnections"}},
    {"WizardNestedListViewType.qml",
     {"SelectMainSpeaker", "SelectHighAmplifier", "SelectMidAmplifier", "SelectMonitorSpeaker", "PoweredLowAmplifier",
      "PoweredHighAmplifier", "PoweredMidAmplifier", "SelectLowAmplifier", "SelectSubSpeaker"}},
    {"WizardDialType.qml",
     {"SelectMidAmplifierLevel", "SelectHighAmplifierLevel", "SelectLowAmplifierLevel", "SetFilters",
      "SelectLowAmplifierSensitivityKestrel", "SelectMidAmplifierSensitivityKestrel",
      "SelectHighAmplifierSensitivityKestrel"}},
    {"WizardAFSGraphType.qml", {"GainUp", "AFSResult"}},
    {"RunSetupWizardScreen.qml", {"SelectInput", "SelectGEQ"}},
    {"WizardMakeConnections.qml", {"MakeTheFollowingConnections"}},
    // Entered after the dialogs on purpose: the result has a page of its own.
    {"WizardAEQResultType.qml", {"AutoEQResult"}},
};
} // namespace

QHash<QString, QString> WizardScreensLoader::builtInTable()
{
    QHash<QString, QString> table;
    for (const Group &group : kGroups) {
        for (const char *state : group.states)
            table.insert(QLatin1String(state), QLatin1String(group.document));
    }
    return table;
}

WizardScreensLoader::WizardScreensLoader(QObject *parent) : QObject(parent), m_table(builtInTable()) {}

void WizardScreensLoader::setWizardStateQml(const QString &state)
{
    static const int builtIn = builtInTable().size();
    if (!m_table.contains(state)) {
        qCWarning(lcWizard).noquote() << "Wizard state" << state.left(kMaxStateName) << "has no screen in this version";
        if (m_table.size() - builtIn < kMaxAddedStates && state.size() <= kMaxStateName)
            m_table.insert(state, QLatin1String(kNotImplemented));
    }
    m_document = m_table.value(state, QLatin1String(kNotImplemented));
    qCDebug(lcWizard).noquote() << "\nWizard State: " + state.left(kMaxStateName) + "\nQML File: " + m_document;
    TarnSettings::write(QString::fromLatin1(tarn::keys::WizardCurrentState), state.left(kMaxStateName));
    emit wizardStateQmlChanged(state);
}
