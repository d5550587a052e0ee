#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>

class QImage;
class QQuickItem;
class ViewLoader;

namespace tarn {
// Saves a picture as PNG so that a reader never sees a half-written file (it is written beside
// and renamed into place): pictures of a screen shown twice in a row replace each other whole.
bool savePicture(const QImage &image, const QString &file);

// A scripted walk through the screens, as a user pressing buttons would make it: each stop's
// command is raised as the root document's guiSignal, the time until the first frame of the
// new screen is logged, and after a moment the window is pictured. Used for demonstrations,
// documentation pictures and the end-to-end test of every screen.
//
// The list has one stop per line: document<TAB>command<TAB>payload ("-" for an empty payload);
// blank lines and lines starting with "#" are skipped. A document listed again is pictured as
// <document>-2.png, -3 and so on.
class ScreenTour : public QObject {
    Q_OBJECT
public:
    struct Stop {
        QString document; // without ".qml"
        QString command;
        QString payload;
    };

    // The command that presses a block of the configurable model's grid; its payload names the
    // block as "<grid>_<column>_<row>" ("in_3_0").
    static constexpr const char kCellCommand[] = "Cell";
    static constexpr int kMaxListBytes = 64 * 1024;
    static constexpr int kMaxStops = 256;
    // How long each stop is shown before it is pictured and the tour moves on; long enough for
    // the screen's first answers and meter polls.
    static constexpr int kDwellMs = 2500;
    // A screen that has not appeared by then is reported and skipped.
    static constexpr int kAppearTimeoutMs = 10000;
    // The home screen between two stops settles this long before the next command.
    static constexpr int kPassThroughMs = 300;

    // Reads a tour list; false with a message naming the line when it is malformed.
    static bool parse(const QByteArray &text, QList<Stop> *stops, QString *error);

    ScreenTour(ViewLoader *viewLoader, QList<Stop> stops, QString screenshotDir, QObject *parent = nullptr);

    // Starts once the home screen is first shown after the login.
    void start();
    bool isRunning() const { return m_running; }

signals:
    void finished(int shown, int missing);

private:
    enum class Phase { WaitingForHome, GoingHome, Pausing, Arriving, Dwelling, Done };

    void onLoadPage(const QVariant &path);
    void onTimeout();
    void onFrameSwapped();
    void advance();
    void raise(const QString &command, const QString &payload);
    void arm();
    void frameShown(qint64 elapsedNs);
    void picture();

    ViewLoader *m_viewLoader;
    QList<Stop> m_stops;
    QString m_screenshotDir;
    int m_index = -1;
    int m_shown = 0;
    int m_missing = 0;
    bool m_running = false;
    Phase m_phase = Phase::WaitingForHome;
    QString m_expected; // document file name the current command should bring
    QString m_current;  // document file name last loaded
    QElapsedTimer m_clock;
    QTimer m_timer;
    // Set on the GUI thread once the new screen is in place; the render thread takes it with the
    // next frame it swaps.
    std::atomic<bool> m_armed{false};
};
} // namespace tarn
