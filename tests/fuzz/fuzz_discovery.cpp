// libFuzzer harness: both ends of discovery. The bytes are an answer datagram for the application
// and a query datagram for the offline model; the first line is also the model's instance name.
// Properties: a refused answer changes nothing; an accepted one is from a served model with clean
// fields; the model answers with bounded, quote-balanced lines, and its name arrives intact.
#include "deviceinfo.h"
#include "devicestate.h"
#include "discoveryresponder.h"
#include "faultplan.h"
#include "fuzzmodel.h"
#include "platform.h"
#include "statusrecorder.h"

#include <memory>

using namespace tarn::offline;
using tarn::fuzz::fixedCatalogue;

namespace {
const QString kInstanceName = QStringLiteral("Node\\AT\\Instance_Name");

void checkAnswerLines(const QByteArray &answer)
{
    for (const QByteArray &line : answer.split('\n')) {
        check(line.size() <= 512, "answer lines are short");
        check(line.count('"') % 2 == 0, "quotes come in pairs");
    }
    check(answer.isEmpty() || answer.endsWith('\n'), "the answer ends its last line");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
    const QByteArray bytes = tarn::fuzz::bytes(data, size);
    const QStringList prefixes = tarn::discovery::expectedPrefixes();

    DeviceInfo before;
    before.ipAddress = QStringLiteral("10.77.0.2");
    before.className = QStringLiteral("kept");
    before.instanceName = QStringLiteral("kept");
    DeviceInfo info = before;
    if (tarn::discovery::parseAnswer(bytes, prefixes, info)) {
        check(!tarn::platformOfClassName(info.className).isEmpty(), "only the served models");
        check(info.ipAddress == before.ipAddress, "the address is the sender's");
        for (const QString &field : {info.instanceName, info.softwareVersion, info.hardwareVersion}) {
            check(!field.contains(QLatin1Char('"')), "fields without quotes");
            check(field == field.trimmed(), "fields without blanks at their ends");
        }
    } else {
        check(info == before, "a refused answer changes nothing");
    }

    const QString name = QString::fromUtf8(bytes.left(bytes.indexOf('\n')));
    Catalogue named = fixedCatalogue();
    QString error;
    const bool nameTaken = named.overrideInitial(kInstanceName, name, &error);
    check(nameTaken || !error.isEmpty(), "a refused name says why");
    DeviceState state(nameTaken ? named : fixedCatalogue(), 1);
    FaultPlan faults;
    StatusRecorder status;
    DiscoveryResponder responder(&state, &faults, &status, 1);

    int delayMs = -1;
    const QByteArray answer = responder.answerFor(bytes, &delayMs);
    check(delayMs >= 0 && delayMs <= 1000, "the delay a query asks for is bounded");
    checkAnswerLines(answer);

    const QByteArray own = responder.answerFor(tarn::discovery::queryBatch(), &delayMs);
    checkAnswerLines(own);
    DeviceInfo found;
    check(tarn::discovery::parseAnswer(own, prefixes, found), "the model's answer reads");
    if (nameTaken)
        check(found.instanceName == name.trimmed(), "the instance name arrives as given");
    return 0;
}
