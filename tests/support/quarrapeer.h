#pragma once

#include "scriptedpeer.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <functional>

namespace tarn::test {
// A scripted configurable processor: it names its class, serves a configuration document in
// chunks through the node command channel ("GetConfigDocument") and answers "Reconfig" lines,
// each as the test scripts it. For what the offline model will not do on demand: damaged,
// shifting or oversized documents, and a processor that never answers.
class QuarraPeer {
public:
    enum class Reconfig { Done, Failed, Silent };

    QuarraPeer()
    {
        peer.password = "stagemanagers";
        peer.onLine = [this](const QByteArray &line) { answer(line); };
    }

    ScriptedPeer peer;
    QByteArray className = "norvCadenzoQuarra";
    QByteArray document;
    int chunkBytes = 32768;
    // Changes one chunk's result object before it goes out (offset asked, result).
    std::function<void(int offset, QJsonObject &result)> tamper;
    Reconfig reconfig = Reconfig::Done;
    QString reconfigError = QStringLiteral("Wiring is invalid.");
    QList<QByteArray> rawLines;      // lines that were not protocol requests (the Reconfig line)
    int documentRequests = 0;

    void push(const QByteArray &path, const QByteArray &value)
    {
        peer.send("subr \"" + path + "\" \"" + value + "\"\n");
    }

private:
    void status(const QByteArray &text) { push("\\\\Node\\Config\\SV\\Command:Status", text); }
    void result(const QJsonObject &object)
    {
        QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
        text.replace('"', '`');
        push("\\\\Node\\Config\\SV\\Result", text);
    }

    void answer(const QByteArray &line)
    {
        if (line.startsWith("sub \"\\\\Node\\AT\\Class_Name"))
            push("\\\\Node\\AT\\Class_Name", className);
        else if (line.startsWith("set \"\\\\Node\\Config\\SV\\Command"))
            command(line);
        else if (line.startsWith("{"))
            raw(line);
    }

    void command(const QByteArray &line)
    {
        static const QRegularExpression offsetOf(QStringLiteral("`GetConfigDocument`, `params`: \\[(\\d+)\\]"));
        const QRegularExpressionMatch m = offsetOf.match(QString::fromUtf8(line));
        if (!m.hasMatch())
            return;
        ++documentRequests;
        const int offset = m.captured(1).toInt();
        QJsonObject r{{QStringLiteral("offset"), offset},
                      {QStringLiteral("size"), document.size()},
                      {QStringLiteral("sha256"), QString::fromLatin1(QCryptographicHash::hash(document, QCryptographicHash::Sha256).toHex())},
                      {QStringLiteral("data"), QString::fromLatin1(document.mid(offset, chunkBytes).toBase64())}};
        if (tamper)
            tamper(offset, r);
        status("GetConfigDocument:InProgress");
        result({{QStringLiteral("id"), QStringLiteral("appID_getConfigDocument")}, {QStringLiteral("result"), r}});
        status("GetConfigDocument:Done");
    }

    void raw(const QByteArray &line)
    {
        rawLines.append(line);
        if (reconfig == Reconfig::Silent)
            return;
        status("Reconfig:InProgress");
        if (reconfig == Reconfig::Failed) {
            result({{QStringLiteral("id"), QStringLiteral("builder config reconfig")},
                    {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), -32000}, {QStringLiteral("message"), reconfigError}}}});
            status("Reconfig:Failed");
        } else {
            status("Reconfig:Done");
        }
    }
};
} // namespace tarn::test
