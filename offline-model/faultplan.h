#pragma once

#include <QJsonObject>
#include <QStringList>

namespace tarn::offline {
// Misbehaviour on demand, for tests of the application's link. Set from the command line
// and changed at run time by the loopback-only "model fault" line.
struct FaultPlan {
    bool noGreeting = false;  // accept, never greet, never answer
    bool refuseLogin = false; // every password is wrong
    int dropAfter = 0;        // > 0: a connection is reset when its Nth line arrives
    int stallAfter = -1;      // >= 0: lines after the Nth are read but never answered
    bool garbage = false;     // a malformed line goes before every line after the greeting
    qint64 oversize = 0;      // > 0: one line of this many bytes follows the greeting
    int slowMs = 0;           // > 0: every line leaves this long after the previous, in two halves
    bool noDiscovery = false; // discovery queries go unanswered
    qint64 ftpCutAfter = 0;   // > 0: every FTP data transfer is cut after this many bytes

    static constexpr qint64 kMaxOversize = 64ll * 1024 * 1024;

    // "fault" arguments: a name and its value ("slow 200", "garbage on", "clear").
    bool apply(const QStringList &args, QString *error);
    QJsonObject toJson() const;
    bool any() const;
    static QString names();
};
} // namespace tarn::offline
