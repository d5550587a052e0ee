#include "tarnhomescreenmodel.h"

#include "homelog.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"

namespace {
const QString kCrossover = QStringLiteral("Crossover");
const QString kNumBands = QStringLiteral("NumBands");
const QString kMonoSub = QStringLiteral("MonoSub");

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

void writeSetting(const char *key, const QString &value)
{
    TarnSettings::write(QString::fromLatin1(key), value);
}

DataFromDevice request(const QString &command, const QString &po, const QString &sv)
{
    DataFromDevice d;
    d.command = command;
    d.poName = po;
    d.svName = sv;
    return d;
}
} // namespace

HomeScreenDataHolder *HomeScreenDataHolder::instance()
{
    // Deliberately leaked: the holder is asked for until the very end of the process.
    static HomeScreenDataHolder *holder = new HomeScreenDataHolder;
    return holder;
}

TarnHomeScreenModel::TarnHomeScreenModel(QObject *parent)
    : QObject(parent), m_data(new HomeScreenData(this))
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor)
        return;
    connect(adaptor, &TCPAdaptor::homeScreenDataAvailable, this, &TarnHomeScreenModel::onhomeScreenDataAvailable);
    connect(adaptor, &TCPAdaptor::poAvailable, this, &TarnHomeScreenModel::onPoReceived);
    adaptor->sendRequest(request(QStringLiteral("sub"), kCrossover, kNumBands));
    adaptor->sendRequest(request(QStringLiteral("sub"), kCrossover, kMonoSub));
    adaptor->sendRequest(request(QStringLiteral("ls"), QStringLiteral("NPO"), QStringLiteral("Preset")));
}

TarnHomeScreenModel::~TarnHomeScreenModel() = default;

void TarnHomeScreenModel::setNumBands(const QString &numBands)
{
    writeSetting(tarn::keys::CrossoverNumBand, numBands);
    if (m_numBands != numBands)
        m_numBands = numBands;
}

void TarnHomeScreenModel::setMonoSub(const QString &monoSub)
{
    writeSetting(tarn::keys::CrossoverMonoSub, monoSub);
    if (m_monoSub != monoSub)
        m_monoSub = monoSub;
}

void TarnHomeScreenModel::setLowVisible(bool visible)
{
    qCDebug(lcHome) << "lowVisible" << visible;
    writeSetting(tarn::keys::CrossoverLowGroupVisible, boolText(visible));
    if (m_lowVisible == visible)
        return;
    m_lowVisible = visible;
    emit lowVisibleChanged();
}

void TarnHomeScreenModel::setMidVisible(bool visible)
{
    qCDebug(lcHome) << "midVisible" << visible;
    writeSetting(tarn::keys::CrossoverMidGroupVisible, boolText(visible));
    if (m_midVisible == visible)
        return;
    m_midVisible = visible;
    emit midVisibleChanged();
}

void TarnHomeScreenModel::setHighVisible(bool visible)
{
    qCDebug(lcHome) << "highVisible" << visible;
    writeSetting(tarn::keys::CrossoverHighGroupVisible, boolText(visible));
    if (m_highVisible == visible)
        return;
    m_highVisible = visible;
    emit highVisibleChanged();
}

void TarnHomeScreenModel::setStereoInput(bool stereo)
{
    if (m_stereoInput == stereo)
        return;
    m_stereoInput = stereo;
    emit stereoInputChanged();
}

void TarnHomeScreenModel::setStereoOutputLow(bool stereo)
{
    if (m_stereoOutputLow == stereo)
        return;
    m_stereoOutputLow = stereo;
    emit stereoOutputLowChanged();
}

void TarnHomeScreenModel::setStereoOutputMid(bool stereo)
{
    if (m_stereoOutputMid == stereo)
        return;
    m_stereoOutputMid = stereo;
    emit stereoOutputMidChanged();
}

void TarnHomeScreenModel::setStereoOutputHigh(bool stereo)
{
    if (m_stereoOutputHigh == stereo)
        return;
    m_stereoOutputHigh = stereo;
    emit stereoOutputHighChanged();
}

void TarnHomeScreenModel::setFixedMaxFilter(QString fixedMaxFilter)
{
    if (m_fixedMaxFilter == fixedMaxFilter)
        return;
    m_fixedMaxFilter = fixedMaxFilter;
    emit fixedMaxFilterChanged(m_fixedMaxFilter);
}

void TarnHomeScreenModel::setIsDualMono(bool isDualMono)
{
    if (m_isDualMono == isDualMono)
        return;
    m_isDualMono = isDualMono;
    emit isDualMonoChanged(m_isDualMono);
}

void TarnHomeScreenModel::onhomeScreenDataAvailable(DataFromDevice *data)
{
    // The record belongs to the link and is freed after this signal; nothing keeps it.
    if (!data || data->poName != kCrossover)
        return;
    if (data->svName == kNumBands) {
        setNumBands(data->value);
        m_data->setNumbands(data->value);
    } else if (data->svName == kMonoSub) {
        setMonoSub(data->value);
        m_data->setMonoSub(data->value);
        HomeScreenDataHolder::instance()->setData(m_data);
        recomputeFlags();
    }
}

void TarnHomeScreenModel::recomputeFlags()
{
    struct Row {
        bool low, mid, high, stereoLow, stereoMid;
    };
    const bool subOff = m_monoSub == QLatin1String("0");
    Row row{};
    if (m_numBands == QLatin1String("1"))
        row = subOff ? Row{false, false, true, false, false} : Row{true, false, true, false, false};
    else if (m_numBands == QLatin1String("2"))
        row = subOff ? Row{true, false, true, true, false} : Row{true, true, true, false, true};
    else if (m_numBands == QLatin1String("3"))
        row = Row{true, true, true, true, true};
    else
        return; // a band count this screen does not know leaves the screen as it was

    setLowVisible(row.low);
    setMidVisible(row.mid);
    setHighVisible(row.high);
    setStereoOutputLow(row.stereoLow);
    setStereoOutputMid(row.stereoMid);
    setStereoOutputHigh(true);
}

void TarnHomeScreenModel::onPoReceived(QStringList pos, QString path)
{
    Q_UNUSED(path)
    qCDebug(lcHome).noquote() << "po signal received....." << pos;
    m_pos = pos;

    // Every listing restarts the dual-mono decision, and the screen hears about it each time.
    m_isDualMono = false;
    emit isDualMonoChanged(false);

    if (pos.contains(QStringLiteral("StereoMixer : ")))
        setStereoInput(true);
    else if (pos.contains(QStringLiteral("MonoMixer : ")))
        setStereoInput(false);

    if (pos.contains(QStringLiteral("RightGEQ : ")) || pos.contains(QStringLiteral("LeftGEQ : ")))
        setIsDualMono(true);
}
