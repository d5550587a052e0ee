// libFuzzer harness: the files the offline model reads at start. The first byte says which:
//   'C' a device catalogue (--catalogue), 'P' the preset store kept in the state folder,
//   'Q' the configurable model's state-variable table (--quarra-table); the rest is the JSON.
//
// Properties: a refused file says why and leaves what was held as it was; a catalogue that
// passes its checks starts a processor whose every value its variable accepts; a preset store
// that is taken is written back the same (encode(decode(x)) is stable); a table that reads
// composes the default chain or says why it cannot.
#include "catalogue.h"
#include "devicestate.h"
#include "fuzzcheck.h"
#include "fuzzmodel.h"
#include "quarracatalogue.h"

#include <configbuilder.h>
#include <templatelibrary.h>

#include <json/writer.h>

#include <QCoreApplication>
#include <QJsonDocument>

using namespace tarn::offline;
using tarn::fuzz::check;
using tarn::fuzz::fixedCatalogue;

namespace {
// The configuration document the builder makes of the shipped default chain.
const QJsonObject &defaultDocument()
{
    static const QJsonObject document = [] {
        Json::Value library;
        check(tarn::config::parseJson(
                  tarn::fuzz::sourceFile(
                      "resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json")
                      .toStdString(),
                  library),
              "the shipped library reads");
        tarn::ConfigBuilder builder(library);
        Json::Value built;
        check(builder.build(built, library[".default"]), "the default chain builds");
        Json::StreamWriterBuilder writer;
        return QJsonDocument::fromJson(QByteArray::fromStdString(Json::writeString(writer, built))).object();
    }();
    return document;
}

void checkValues(const DeviceState &state)
{
    for (int i = 0; i < state.count(); ++i) {
        const Variable &v = state.variable(i);
        QString why;
        if (state.isPresent(i) && v.kind != Variable::Kind::Spectrum)
            check(Catalogue::acceptsText(v, state.display(i), &why), "every value is one its variable accepts");
    }
}

void catalogueFile(const QByteArray &json)
{
    Catalogue catalogue;
    QString error;
    if (!catalogue.loadJson(json, &error)) {
        check(!error.isEmpty(), "a refused catalogue says why");
        return;
    }
    if (!DeviceState::checkCatalogue(catalogue, &error)) {
        check(!error.isEmpty(), "a catalogue the processor cannot run says why");
        return;
    }
    DeviceState state(catalogue, 1);
    checkValues(state);
}

void presetStore(const QByteArray &json)
{
    DeviceState state(fixedCatalogue(), 1);
    const QJsonObject before = state.presetStoreJson();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QString error;
    if (!state.restorePresetStore(document.object(), &error)) {
        check(!error.isEmpty(), "a refused preset store says why");
        check(state.presetStoreJson() == before, "a refused preset store leaves the presets as they were");
        return;
    }
    checkValues(state);
    const QJsonObject kept = state.presetStoreJson();
    DeviceState again(fixedCatalogue(), 1);
    check(again.restorePresetStore(kept, &error), "a kept preset store reads back");
    check(again.presetStoreJson() == kept, "and reads back the same");
}

void quarraTable(const QByteArray &json)
{
    QuarraCatalogue table;
    QString error;
    if (!table.loadJson(json, &error)) {
        check(!error.isEmpty(), "a refused table says why");
        return;
    }
    Catalogue composed;
    if (!table.compose(defaultDocument(), &composed, &error)) {
        check(!error.isEmpty(), "a table that cannot compose says why");
        return;
    }
    if (DeviceState::checkCatalogue(composed, &error)) {
        DeviceState state(composed, 1);
        checkValues(state);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    tarn::fuzz::silenceQt();
    fixedCatalogue();
    defaultDocument();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray json = tarn::fuzz::bytes(data + 1, size - 1);
    switch (data[0]) {
    case 'C':
        catalogueFile(json);
        break;
    case 'P':
        presetStore(json);
        break;
    case 'Q':
        quarraTable(json);
        break;
    default:
        break;
    }
    return 0;
}
