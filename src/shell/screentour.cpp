#include "screentour.h"

#include "viewloader.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QQuickItem>
#include <QQuickView>
#include <QSaveFile>

namespace tarn {
namespace {
const QString kHome = QStringLiteral("TarnHomeScreen.qml");
constexpr int kLoaderReady = 1; // Loader.Ready
constexpr int kMaxFieldLength = 256;

// Items made by views and repeaters are children in the item tree only.
QQuickItem *findItem(QQuickItem *item, const QString &name)
{
    if (!item)
        return nullptr;
    if (item->objectName() == name)
        return item;
    const QList<QQuickItem *> children = item->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

bool safeDocumentName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxFieldLength)
        return false;
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-')))
            return false;
    }
    return true;
}
} // namespace

bool savePicture(const QImage &image, const QString &file)
{
    if (image.isNull())
        return false;
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && image.save(&out, "PNG") && out.commit();
}

bool ScreenTour::parse(const QByteArray &text, QList<Stop> *stops, QString *error)
{
    if (text.size() > kMaxListBytes) {
        *error = QStringLiteral("the tour list is longer than %1 bytes").arg(kMaxListBytes);
        return false;
    }
    QList<Stop> parsed;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3) {
            *error = QStringLiteral("line %1: three fields separated by tabs expected").arg(i + 1);
            return false;
        }
        Stop stop{fields[0].trimmed(), fields[1].trimmed(), fields[2].trimmed()};
        // The document name becomes a file name of the pictures.
        if (!safeDocumentName(stop.document)) {
            *error = QStringLiteral("line %1: \"%2\" is no document name").arg(i + 1).arg(stop.document.left(64));
            return false;
        }
        if (stop.command.isEmpty() || stop.command.size() > kMaxFieldLength || stop.payload.size() > kMaxFieldLength) {
            *error = QStringLiteral("line %1: empty or overlong command or payload").arg(i + 1);
            return false;
        }
        if (stop.payload == QLatin1String("-"))
            stop.payload.clear();
        if (parsed.size() == kMaxStops) {
            *error = QStringLiteral("more than %1 stops").arg(kMaxStops);
            return false;
        }
        parsed.append(stop);
    }
    *stops = parsed;
    return true;
}

ScreenTour::ScreenTour(ViewLoader *viewLoader, QList<Stop> stops, QString screenshotDir, QObject *parent)
    : QObject(parent), m_viewLoader(viewLoader), m_stops(std::move(stops)), m_screenshotDir(std::move(screenshotDir))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScreenTour::onTimeout);
}

void ScreenTour::start()
{
    if (m_running)
        return;
    m_running = true;
    m_phase = Phase::WaitingForHome;
    if (!m_screenshotDir.isEmpty())
        QDir().mkpath(m_screenshotDir);
    connect(m_viewLoader, &ViewLoader::loadPage, this, &ScreenTour::onLoadPage);
    // The render thread swaps the frames; only an atomic flag and the clock are touched there.
    connect(m_viewLoader->view(), &QQuickWindow::frameSwapped, this, &ScreenTour::onFrameSwapped, Qt::DirectConnection);
    qInfo().noquote() << QStringLiteral("Tour: %1 stops, starting at the home screen").arg(m_stops.size());
}

void ScreenTour::onLoadPage(const QVariant &path)
{
    m_current = QFileInfo(path.toString()).fileName();
    switch (m_phase) {
    case Phase::WaitingForHome:
        if (m_current == kHome) {
            m_phase = Phase::Pausing;
            m_index = -1;
            m_timer.start(kDwellMs);
        }
        break;
    case Phase::GoingHome:
    case Phase::Arriving:
        if (m_current != m_expected) {
            qWarning().noquote() << QStringLiteral("Tour: %1 was shown instead of %2").arg(m_current, m_expected);
            return;
        }
        // The root document loads the page from a queued call made by the same signal; this
        // queued call runs after it.
        QMetaObject::invokeMethod(this, &ScreenTour::arm, Qt::QueuedConnection);
        break;
    case Phase::Pausing:
    case Phase::Dwelling:
    case Phase::Done:
        break;
    }
}

void ScreenTour::arm()
{
    if (m_phase != Phase::GoingHome && m_phase != Phase::Arriving)
        return;
    QQuickItem *root = m_viewLoader->view()->rootObject();
    QObject *loader = root ? root->findChild<QObject *>(QStringLiteral("pageLoader")) : nullptr;
    if (loader && loader->property("status").toInt() != kLoaderReady) {
        qWarning().noquote() << QStringLiteral("Tour: %1 could not be loaded").arg(m_expected);
        m_timer.stop();
        ++m_missing;
        advance();
        return;
    }
    m_armed = true;
    m_viewLoader->view()->update();
}

void ScreenTour::onFrameSwapped()
{
    if (!m_armed.exchange(false))
        return;
    const qint64 elapsed = m_clock.nsecsElapsed();
    QMetaObject::invokeMethod(this, [this, elapsed]() { frameShown(elapsed); }, Qt::QueuedConnection);
}

void ScreenTour::frameShown(qint64 elapsedNs)
{
    m_timer.stop();
    const Stop &stop = m_stops.at(m_index);
    const double ms = double(elapsedNs) / 1e6;
    if (m_phase == Phase::GoingHome) {
        qDebug().noquote() << QStringLiteral("Tour: back home %1 ms after HomeButtonPressed").arg(ms, 0, 'f', 1);
        m_phase = Phase::Pausing;
        m_timer.start(kPassThroughMs);
        return;
    }
    if (m_phase != Phase::Arriving)
        return;
    qInfo().noquote() << QStringLiteral("Tour: %1 shown %2 ms after %3").arg(stop.document).arg(ms, 0, 'f', 1).arg(stop.command);
    ++m_shown;
    m_phase = Phase::Dwelling;
    m_timer.start(kDwellMs);
}

void ScreenTour::onTimeout()
{
    switch (m_phase) {
    case Phase::Pausing:
        if (m_index < 0) {
            advance();
            return;
        }
        // Home again: now the stop's own command.
        m_phase = Phase::Arriving;
        m_expected = m_stops.at(m_index).document + QStringLiteral(".qml");
        raise(m_stops.at(m_index).command, m_stops.at(m_index).payload);
        return;
    case Phase::GoingHome:
    case Phase::Arriving:
        m_armed = false;
        qWarning().noquote() << QStringLiteral("Tour: %1 did not appear within %2 ms").arg(m_expected).arg(kAppearTimeoutMs);
        ++m_missing;
        advance();
        return;
    case Phase::Dwelling:
        picture();
        advance();
        return;
    case Phase::WaitingForHome:
    case Phase::Done:
        return;
    }
}

void ScreenTour::advance()
{
    ++m_index;
    if (m_index >= m_stops.size()) {
        m_phase = Phase::Done;
        m_running = false;
        qInfo().noquote() << QStringLiteral("Tour finished: %1 screens shown, %2 missing").arg(m_shown).arg(m_missing);
        emit finished(m_shown, m_missing);
        return;
    }
    const Stop &stop = m_stops.at(m_index);
    // Block screens lead back home only, so the tour passes the home screen between them.
    if (m_current != kHome && stop.document + QStringLiteral(".qml") != kHome) {
        m_phase = Phase::GoingHome;
        m_expected = kHome;
        raise(QStringLiteral("HomeButtonPressed"), QString());
        return;
    }
    m_phase = Phase::Arriving;
    m_expected = stop.document + QStringLiteral(".qml");
    raise(stop.command, stop.payload);
}

void ScreenTour::raise(const QString &command, const QString &payload)
{
    m_timer.start(kAppearTimeoutMs);
    m_clock.restart();
    QQuickItem *root = m_viewLoader->view()->rootObject();
    // A block of the configurable model's grid is pressed as the user would press it: the
    // block stores its description for the screen it opens.
    if (command == QLatin1String(kCellCommand)) {
        QQuickItem *cell = findItem(root, QStringLiteral("cell_") + payload);
        if (!cell || !QMetaObject::invokeMethod(cell, "activate"))
            qWarning().noquote() << QStringLiteral("Tour: no block %1 on the home screen").arg(payload);
        return;
    }
    if (!root || !QMetaObject::invokeMethod(root, "guiSignal", Q_ARG(QString, command), Q_ARG(QString, payload)))
        qWarning().noquote() << QStringLiteral("Tour: the root document takes no guiSignal");
}

void ScreenTour::picture()
{
    if (m_screenshotDir.isEmpty() || m_index < 0 || m_index >= m_stops.size())
        return;
    // A screen shown again (another block of the same kind) gets a picture of its own.
    const QString document = m_stops.at(m_index).document;
    int shownBefore = 0;
    for (int i = 0; i < m_index; ++i)
        shownBefore += m_stops.at(i).document == document ? 1 : 0;
    const QString file = m_screenshotDir + QLatin1Char('/') + document
        + (shownBefore > 0 ? QStringLiteral("-%1").arg(shownBefore + 1) : QString()) + QStringLiteral(".png");
    if (!savePicture(m_viewLoader->view()->grabWindow(), file))
        qWarning() << "Could not save the screenshot" << file;
    else
        qDebug() << "Screenshot saved:" << file;
}
} // namespace tarn
