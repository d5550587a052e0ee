// libFuzzer harness: the files the offline model reads at start. The first byte says which:
// 'C' a device catalogue, 'P' the kept preset store, 'Q' the configurable model's state-variable
// table; the rest is the JSON. Properties: refusals say why and keep what was held; what is taken
// runs a processor with acceptable values, and a preset store is written back the same.
#include "devicestate.h"
#include "fuzzconfig.h"
#include "fuzzmodel.h"
#include "quarracatalogue.h"

#include <json/writer.h>

#include <QJsonDocument>

using namespace tarn::offline;
using tarn::fuzz::fixedCatalogue;

namespace {
// The configuration document the builder makes of the shipped default chain.
const QJsonObject &defaultDocument()
{
    static const QJsonObject document = [] {
        const Json::Value &library = tarn::fuzz::shippedLibrary();
        tarn::ConfigBuilder builder(library);
        Json::Value built;
        check(tarn::fuzz::checkBuild(builder, library[".default"], &built), "the default chain builds");
        const std::string text = Json::writeString(Json::StreamWriterBuilder(), built);
        return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
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
    if (!catalogue.loadJson(json, &error))
        return tarn::fuzz::checkRefused("catalogue", error);
    if (!DeviceState::checkCatalogue(catalogue, &error))
        return tarn::fuzz::checkRefused("catalogue the processor cannot run", error);
    DeviceState state(catalogue, 1);
    checkValues(state);
}

void presetStore(const QByteArray &json)
{
    DeviceState state(fixedCatalogue(), 1);
    const QJsonObject before = state.presetStoreJson();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    QString error;
    if (!state.restorePresetStore(document.object(), &error))
        return tarn::fuzz::checkRefused("preset store", error, state.presetStoreJson() == before);
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
    if (!table.loadJson(json, &error))
        return tarn::fuzz::checkRefused("table", error);
    Catalogue composed;
    if (!table.compose(defaultDocument(), &composed, &error))
        return tarn::fuzz::checkRefused("table that cannot compose", error);
    if (DeviceState::checkCatalogue(composed, &error)) {
        DeviceState state(composed, 1);
        checkValues(state);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
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
