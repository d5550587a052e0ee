#include "buttonimageresolver.h"

#include "homelog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <initializer_list>

namespace {
void fill(QMap<QString, QString> &table, std::initializer_list<const char *> keys, const QString &value)
{
    for (const char *key : keys)
        table.insert(QString::fromLatin1(key), value);
}
} // namespace

ButtonImageResolver::ButtonImageResolver(QObject *parent) : QObject(parent)
{
    const QString home = QStringLiteral("/images/Home/");
    fill(m_icons, {"MIX", "CadenzoMixer", "QuarraMixer", "norvQuarraMixer", "norvQuarraFixedRouter"},
         home + QStringLiteral("ICN_Mixer.png"));
    fill(m_icons, {"MIX:Off", "CadenzoMixer:Off", "QuarraMixer:Off", "norvQuarraMixer:Off", "norvQuarraFixedRouter:Off"},
         home + QStringLiteral("ICN_MixerMute.png"));
    fill(m_icons, {"AFS", "CadenzoAFS", "QuarraAFS"}, home + QStringLiteral("ICN_AFS.png"));
    fill(m_icons, {"GEQ", "CadenzoGEQ", "QuarraGEQ"}, home + QStringLiteral("ICN_GraphicEQ.png"));
    fill(m_icons, {"SUB", "QuarraSubHarmonicSynth", "CadenzoSubHarmonicSynth"}, home + QStringLiteral("ICN_SubSynth.png"));
    fill(m_icons, {"AEQ", "norvQuarAutoEQPEQ"}, home + QStringLiteral("ICN_AutoEQ.png"));
    fill(m_icons, {"CMP", "norvQuarCompressor", "CadenzoCompressor"}, home + QStringLiteral("ICN_Compressor.png"));
    fill(m_icons, {"1x1", "XOV", "QuarraCrossover", "CadenzoCrossover"}, home + QStringLiteral("ICN_Crossover.png"));
    fill(m_icons, {"PEQ", "CadenzoPEQ", "norvQuarPEQ", "QuarraPEQ"}, home + QStringLiteral("ICN_ParaEQ.png"));
    fill(m_icons, {"LMT", "QuarraLimiter", "norvQuarLimiter", "CadenzoLimiter"}, home + QStringLiteral("ICN_Limiter.png"));
    fill(m_icons, {"DLY", "CadenzoDelay", "QuarraDelay"}, home + QStringLiteral("ICN_AlignmentDelay.png"));
    fill(m_icons, {"RTA", "CadenzoRTA", "QuarraRTA", "CadenzoRTApeak"}, home + QStringLiteral("ICN_RTAmic.png"));
    fill(m_icons, {"AGC", "norvAGC"}, home + QStringLiteral("ICN_AGC.png"));
    fill(m_icons, {"INR", "norvQuarraInputRouter"}, home + QStringLiteral("ICN_Input.png"));
    fill(m_icons, {"OUP", "norvQuarraOutput"}, home + QStringLiteral("ICN_Output.png"));
    fill(m_icons, {"OUP:Off", "norvQuarraOutput:Off"}, home + QStringLiteral("ICN_OutputMute.png"));
    fill(m_icons, {"norvGate"}, home + QStringLiteral("ICN_Gate.png"));
    for (int i = 1; i <= 14; ++i)
        m_icons.insert(QStringLiteral("EQ%1").arg(i), QStringLiteral("/images/ButtonBG%1.png").arg(i));
    m_icons.insert(QStringLiteral("EQSub"), QStringLiteral("/images/ButtonBGS.png"));

    fill(m_textColors, {"CadenzoMixer", "norvQuarraOutput"}, QStringLiteral("white"));

    // Captions are shown as the processor's own panel words, double blanks and all.
    fill(m_captions, {"rta:RTA"}, QStringLiteral("RTA"));
    fill(m_captions, {"rta:MIX", "in:MIX"}, QStringLiteral("Input Mixer"));
    fill(m_captions, {"in:SIG"}, QStringLiteral("Signal Generator"));
    fill(m_captions, {"in:AFS"}, QStringLiteral("AFS"));
    fill(m_captions, {"in:GEQ"}, QStringLiteral("Graphic EQ"));
    fill(m_captions, {"in:SUB"}, QStringLiteral("Sub harmonic Synth"));
    fill(m_captions, {"in:PEQ", "out:PEQ"}, QStringLiteral("Parametric  EQ"));
    fill(m_captions, {"in:CMP", "mid:CMP", "out:CMP"}, QStringLiteral("Compressor"));
    fill(m_captions, {"in:GAT", "mid:GAT", "out:GAT"}, QStringLiteral("Noise Gate"));
    fill(m_captions, {"in:DLY"}, QStringLiteral("Backline Delay"));
    fill(m_captions, {"in:AGC", "mid:AGC", "out:AGC"}, QStringLiteral("Automatic  Gain  Control"));
    fill(m_captions, {"mid:MIX", "out:MIX"}, QStringLiteral("Mid  Mixer"));
    fill(m_captions, {"mid:AEQ", "out:AEQ"}, QStringLiteral("Auto  EQ"));
    fill(m_captions, {"mid:SUB", "out:SUB"}, QStringLiteral("Sub harmoinc Synth"));
    fill(m_captions, {"mid:DLY"}, QStringLiteral("Fill Delay"));
    fill(m_captions, {"out:DLY"}, QStringLiteral("Alignment Delay"));
    fill(m_captions, {"out:LMT"}, QStringLiteral("Limiter"));
    for (int i = 1; i <= 6; ++i)
        m_captions.insert(QStringLiteral("out:%1").arg(i), QStringLiteral("Output %1").arg(i));
    fill(m_captions, {"out:QuarraCrossover", "out:CadenzoCrossover"}, QStringLiteral("Crossover"));
    fill(m_captions, {":", "in:", "mid:", "out:"}, QStringLiteral(" "));

    m_backgroundColors.insert(QStringLiteral("CadenzoMixer"), QStringLiteral("#1A1A1A"));
    m_backgroundColors.insert(QStringLiteral("norvQuarraOutput"), QStringLiteral("#222222"));

    fill(m_toggles, {"DLY"}, QStringLiteral("Delay"));
    fill(m_toggles, {"LMT"}, QStringLiteral("Limiter"));
    fill(m_toggles, {"PEQ"}, QStringLiteral("ParametricEQ"));
    fill(m_toggles, {"AEQ"}, QStringLiteral("AutoEQ"));
    fill(m_toggles, {"GEQ"}, QStringLiteral("GraphicEQ"));
    fill(m_toggles, {"AGC"}, QStringLiteral("AGC"));
    fill(m_toggles, {"AFS"}, QStringLiteral("AFS"));
    fill(m_toggles, {"SUB"}, QStringLiteral("SubharmonicSynth"));
    fill(m_toggles, {"CMP"}, QStringLiteral("Compressor"));
    fill(m_toggles, {"GAT"}, QStringLiteral("Gate"));
}

QString ButtonImageResolver::lookup(const QMap<QString, QString> &table, const QString &key)
{
    return table.value(key);
}

QString ButtonImageResolver::imagePath(QString buttonType) const
{
    return lookup(m_icons, buttonType);
}

QString ButtonImageResolver::buttonText(QString buttonType) const
{
    return lookup(m_captions, buttonType);
}

QString ButtonImageResolver::toggleSVName(QString buttonType) const
{
    return lookup(m_toggles, buttonType);
}

QString ButtonImageResolver::color(QString buttonType) const
{
    return lookup(m_backgroundColors, buttonType);
}

QString ButtonImageResolver::txtColor(QString buttonType) const
{
    return lookup(m_textColors, buttonType);
}

QString ButtonImageResolver::outputName(QString string) const
{
    return attribute(string, QStringLiteral("OutputName"));
}

QString ButtonImageResolver::routerName(QString string) const
{
    return attribute(string, QStringLiteral("RouteMix"));
}

QString ButtonImageResolver::attribute(const QString &description, const QString &name)
{
    if (description.isEmpty())
        return QString();
    if (description.size() > kMaxDescriptionLength) {
        qCWarning(lcHome) << "block description of" << description.size() << "characters not read";
        return QString();
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(description.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QString();
    const QJsonValue attributes = document.object().value(QStringLiteral("Attributes"));
    if (!attributes.isObject())
        return QString();
    const QJsonValue value = attributes.toObject().value(name);
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 6);
    return QString();
}
