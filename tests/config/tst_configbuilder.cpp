// Guards against builder configs turned into documents that wire channels twice or across chips,
// lose cells or rows, accept unsound input silently, or edits that leave a config that no longer builds.
#include "configbuilder.h"
#include "configtestutil.h"
#include "templatelibrary.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>

using tarn::ConfigBuilder;
using tarn::ConfigBuilderError;
using namespace tarn::test;

namespace {

// Builds and insists on success and on a document that passes both validations and keeps the
// structural promises; a null value, with the reason told, otherwise.
Json::Value mustBuild(ConfigBuilder &builder, const Json::Value &config)
{
    Json::Value document;
    if (!builder.build(document, config)) {
        qWarning("build failed: %s | %s", builder.errorSummary().c_str(), builder.errorDetail().c_str());
        return Json::Value();
    }
    std::string detail;
    const QString broken = checkInvariants(document);
    if (!ConfigBuilder::validateWires(document, detail) || !ConfigBuilder::validateGrids(document, detail) || !broken.isEmpty()
        || !builder.errorSummary().empty() || !builder.errorDetail().empty() || !(document[".builderConfig"] == config)) {
        qWarning("built but broken: %s %s", detail.c_str(), qPrintable(broken));
        return Json::Value();
    }
    return document;
}

// What a call throws: a ConfigBuilderError's text, or "other: " and the builder's failure summary.
std::string thrownBy(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ConfigBuilderError &e) {
        return e.what();
    } catch (...) {
        return "other: " + ConfigBuilder::failureText(std::current_exception());
    }
    return "<nothing thrown>";
}

QStringList gridColumn(const Json::Value &document, const char *grid, int column)
{
    QStringList result;
    for (const Json::Value &g : document["gridsDisplay"])
        if (g["Name"].asString() == grid)
            for (const Json::Value &item : g["Map"][column])
                result << QString::fromStdString(item.asString());
    return result;
}

Json::Value crossoverColumn(const std::string &layout, const char *templateName = "Out_CrossoverIIR")
{
    Json::Value column(Json::arrayValue);
    column.append("Column_Out_Crossover");
    column.append(cellOf(templateName, layout));
    return column;
}

} // namespace

class TstConfigBuilder : public QObject {
    Q_OBJECT
private slots:
    void defaultBuildFollowsTheChain();
    void failureMessagesInOrder_data();
    void failureMessagesInOrder();
    void validationMessages_data();
    void validationMessages();
    void exceptionsBecomeSummaryText();
    void rowPositionsAboveNine();
    void nullCellIsAnEmptyRowThatPassesItsSignal();
    void autoEqModeSwapsFixedObjects();
    void everyLayoutBuildsInTheCrossoverColumn();
    void libraryContents();
    void cellLookup();
    void crossoverLookups();
    void spanRules();
    void crossoverCandidatesAndLayoutChange();
    void replacingTemplates();
    void jsonLoading();
};

void TstConfigBuilder::defaultBuildFollowsTheChain()
{
    ConfigBuilder builder(library());
    const Json::Value document = mustBuild(builder, defaultConfig());

    // Fixed objects of the everyday variant plus one object per cell.
    for (const char *name : {"SignalGenerator", "RTA", "Outputs3", "InputRouter", "In_Mixer3", "AFS2", "Mid_Router5",
                             "Mid_Mixer6", "AutoEQPEQ4", "Crossover6", "ZoneGains", "Limiter5", "Output6"})
        QVERIFY2(document[name].isObject(), name);
    int objects = 0;
    for (const std::string &name : document.getMemberNames())
        objects += document[name].isObject() && name != ".builderConfig" ? 1 : 0;
    QCOMPARE(objects, 15 + 1 + 3 * 4 + 6 * 3 + 6 * 4 + 2 + 6);

    // Cell values reach the attributes.
    QCOMPARE(document["Output3"]["Attributes"]["OutputName"].asString(), std::string("Output 3"));
    QCOMPARE(document["InputRouter"]["Attributes"]["Slot7Source"].asInt(), 6);
    QCOMPARE(document["InputRouter"]["Attributes"]["Source8Name"].asString(), std::string("OptionCard1"));
    QCOMPARE(document["Crossover2"][".type"].asString(), std::string("IIR Mono Fullrange"));
    QCOMPARE(document["ZoneGains"]["SVValues"]["Channel_6_Mute"].asString(), std::string("Off"));
    QCOMPARE(document["Mid_Router4"]["Attributes"]["RouteMix"].asString(), std::string("A+B"));

    // Grids: Map[column][row] per section, gridsOA the same cells row by row.
    QCOMPARE(document["gridsDisplay"].size(), 4u);
    QCOMPARE(gridColumn(document, "in", 0), QStringList({"InputRouter", "LINKED", "LINKED"}));
    QCOMPARE(gridColumn(document, "mid", 0),
             QStringList({"Mid_Router1", "Mid_Router2", "Mid_Router3", "Mid_Router4", "Mid_Router5", "Mid_Mixer6"}));
    QCOMPARE(gridColumn(document, "out", 2), QStringList({"ZoneGains", "LINKED", "LINKED", "LINKED", "LINKED", "LINKED"}));
    QCOMPARE(gridColumn(document, "rta", 1), QStringList({"RTA"}));
    for (Json::ArrayIndex g = 0; g < document["gridsDisplay"].size(); ++g) {
        const Json::Value &display = document["gridsDisplay"][g];
        const Json::Value &byRow = document["gridsOA"][g];
        QVERIFY(display["Name"] == byRow["Name"]);
        for (Json::ArrayIndex c = 0; c < display["Map"].size(); ++c)
            for (Json::ArrayIndex r = 0; r < display["Map"][c].size(); ++r)
                QVERIFY(display["Map"][c][r] == byRow["Map"][r][c]);
    }

    // Wires ("source:channel destination:channel"): the input chip; the link to the mid chip
    // with the slots, channels 1-3 and A-C; the mid chip's routers and mixers on the link.
    const WireMap wires(document);
    for (const char *wire : {"Inputs1:14 InputRouter:14", "InputGains:3 RTARouter:3", "SignalGenerator:0 In_Mixer2:7",
                             "In_Mixer2:0 Meters123:1", "AFS2:0 PEQIn2:0", "Compressor2:0 MetersABC:1",
                             "InputGains:0 Outputs1:0", "In_Mixer3:0 Outputs1:9", "Compressor3:0 Outputs1:12",
                             "Inputs2:11 Mid_Router4:1", "Inputs2:12 Mid_Mixer6:2", "Mid_Router4:0 MidMeters:3",
                             "MidDelay6:0 Outputs2:5"}) {
        const QStringList ends = QString::fromLatin1(wire).split(QRegularExpression(QStringLiteral("[: ]")));
        QVERIFY2(wires.has(ends[0].toStdString(), ends[1].toInt(), ends[2].toStdString(), ends[3].toInt()), wire);
    }
    // Output chip, row by row.
    const std::vector<std::string> chain = {"Inputs3", "Crossover", "PEQOut", "ZoneGains", "OutputGains",
                                            "Limiter", "OutDelay", "Output", "Outputs3"};
    for (int r = 0; r < 6; ++r) {
        auto endpoint = [&](const std::string &stem) {
            const bool wide = stem == "Inputs3" || stem == "ZoneGains" || stem == "OutputGains" || stem == "Outputs3";
            return wide ? Endpoint{stem, r} : Endpoint{stem + std::to_string(r + 1), 0};
        };
        for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
            const Endpoint a = endpoint(chain[i]);
            const Endpoint b = endpoint(chain[i + 1]);
            QVERIFY2(wires.has(a.first, a.second, b.first, b.second), (a.first + " -> " + b.first).c_str());
        }
        QVERIFY(wires.has("Output" + std::to_string(r + 1), 0, "OutputMeters", r));
    }
    // Every input of every cell object is fed.
    for (const std::string &name : document.getMemberNames()) {
        const Json::Value &object = document[name];
        if (!object.isObject() || !object.isMember("AutoWire") || !object["AutoWire"].asBool())
            continue;
        const Json::Value &a = object["Attributes"];
        const int inputs = a.isMember("NumChans") ? a["NumChans"].asInt() : 1;
        for (int i = 0; i < inputs; ++i)
            QVERIFY2(wires.into.count({name, i}) == 1, name.c_str());
    }
}

void TstConfigBuilder::failureMessagesInOrder_data()
{
    QTest::addColumn<QByteArray>("libraryPatch");
    QTest::addColumn<QByteArray>("configPatch");
    QTest::addColumn<QString>("summary");

    // Patches name a member path ("/" between names, indexes or "@" and a column's name) and a JSON
    // value, null to remove the member; "!" replaces the whole document.
    const auto lib = [](const char *name, const char *patch, const char *summary) {
        QTest::newRow(name) << QByteArray(patch) << QByteArray() << QString::fromLatin1(summary);
    };
    const auto cells = [](const char *name, const char *patch, const char *summary) {
        QTest::newRow(name) << QByteArray() << QByteArray(patch) << QString::fromLatin1(summary);
    };
    lib("library not an object", "!:[]", "Templates do not exist.");
    QTest::newRow("library version 18") << QByteArray(".version:18") << QByteArray("!:null") << "Templates are wrong version.";
    lib("library version as text", ".version:\"19\"", "Templates are wrong version.");
    cells("config not an object", "!:[]", "Unexpected format for builder config.");
    cells("wrong Format", "Format:\"Builder\"", "Format must be BuilderConfig");
    cells("wrong Device", "Device:\"Tarn\"", "Device must be Quarra.");
    cells("Version 4", "Version:4", "Unsupported builder config version.");
    cells("Columns not an array", "Columns:{}", "columns is not an array");
    lib("fixed template missing", "OutputMeters:null", "Template 'OutputMeters' not found.");
    cells("unknown layout", "Columns/@Column_Out_Crossover/2/1:\"Quad 9-Way\"", "unsupported crossoverSecondaryType");
    cells("column not a list", "Columns/0:7", "Column 0 is malformed.");
    // A damaged library: its tables, the templates' members and what they say of their channels.
    lib("layout word", ".crossoverIIRTypes/Mono Fullrange:[1,2,3,4,5]", "Crossover layout 'Mono Fullrange' is malformed.");
    lib("layout contradicts itself", R"(.crossoverIIRTypes/Mono Fullrange:["Stereo","Mains=1","Fullrange","None","Subs=0"])",
        "Crossover layout 'Mono Fullrange' is malformed.");
    lib("layout table", ".crossoverIIRTypes:null", "The template library has no .crossoverIIRTypes table.");
    lib("slot template", "InputGains:null", "Template 'InputGains' not found.");
    lib("no slots", "InputGains/Attributes/NumChans:0", "The template library gives 0 input slots; 1 to 32 are supported.");
    lib("cell template", "In_AFS:null", "Template 'In_AFS' not found.");
    lib("more rows than names carry", "Outputs3/Attributes/NumChans:33",
        "The template library gives the out section 33 rows; 1 to 32 are supported.");
    lib("no channels", "Output/Attributes/NumChans:0", "Template 'Output' has no channel count.");
    lib("attributes", "Out_CrossoverIIR/Attributes:[]", "Template 'Out_CrossoverIIR' has malformed attributes.");
    lib("name pattern", "In_AFS/.builder/NamePattern:null", "Template 'In_AFS' has no name pattern.");
    lib("unknown source", "In_Mixer/.builder/Sources:[\"In9\"]", "Unknown source 'In9' in template 'In_Mixer'.");
    lib("source not text", "In_Mixer/.builder/Sources:[7]", "Template 'In_Mixer' has a malformed source list.");
    lib("link too narrow", "Outputs1/Attributes/NumChans:2", "Processing object 'Outputs1' has no input channel 3.");
    lib("link too few", "Inputs2/Attributes/NumChans:2", "Processing object 'Inputs2' has no output channel 11.");
    // A template on another chip: the first bad wire ends the check (its text is validationMessages' business).
    lib("wire across chips", "In_PEQ/Properties/DSP:\"dsp2\"", "Wiring is invalid.");
    // Unsound cells and columns in the config.
    cells("template from another column", R"(Columns/@Column_In_AFS:["Column_In_AFS",["Out_PEQ",1]])",
          "Template 'Out_PEQ' is not allowed in column 'Column_In_AFS'.");
    cells("cell is a number", R"(Columns/@Column_In_AFS:["Column_In_AFS",7])",
          "The cell 1 of column 'Column_In_AFS' is malformed.");
    cells("count is text", R"(Columns/@Column_In_AFS:["Column_In_AFS",["In_AFS","two"]])",
          "The channel count of the cell 1 of column 'Column_In_AFS' is not an integer.");
    cells("too many rows", R"(Columns/@Column_In_AFS:["Column_In_AFS",["In_AFS",2],["In_AFS",2]])",
          "Column 'Column_In_AFS' needs more than the 3 rows of the in section.");
    cells("huge count", R"(Columns/@Column_Out_PEQ:["Column_Out_PEQ",["Out_PEQ",2000000000]])",
          "Column 'Column_Out_PEQ' needs more than the 6 rows of the out section.");
    cells("crossover without layout", R"(Columns/@Column_Out_Crossover:["Column_Out_Crossover",["Out_CrossoverIIR",3]])",
          "The cell 1 of column 'Column_Out_Crossover' names no crossover layout.");
    cells("router slot out of range", R"(Columns/@Column_InputRouter/1/1:[0,1,2,3,4,5,15])",
          "Slot 7 of the cell 1 of column 'Column_InputRouter' names no source from 0 to 14.");
    cells("router slot list short", R"(Columns/@Column_InputRouter/1/1:[0,1])",
          "The cell 1 of column 'Column_InputRouter' must list 7 slot sources.");
    cells("router names too many", R"(Columns/@Column_InputRouter/1:["InputRouter",null,["1","2","3","4","5","6","7","8","9"]])",
          "The cell 1 of column 'Column_InputRouter' must list at most 8 source names.");
    cells("router name not text", R"(Columns/@Column_InputRouter/1:["InputRouter",null,[1]])",
          "Source name 1 of the cell 1 of column 'Column_InputRouter' is not a text of at most 64 bytes.");
    cells("router below the first row", R"(Columns/@Column_InputRouter:["Column_InputRouter",null,["InputRouter"]])",
          "The input router must take the first row of column 'Column_InputRouter'.");
    cells("output name too long", R"(Columns/@Column_Output/1/1:"0123456789012345678901234567890123456789012345678901234567890123456789")",
          "The name in the cell 1 of column 'Column_Output' is not a text of at most 64 bytes.");
    cells("unknown column", R"(Columns/@Column_Side:["Column_Side"])", "Column 'Column_Side' belongs to no section.");
    cells("column not in library", R"(Columns/@Column_Out_Extra:["Column_Out_Extra"])",
          "Column 'Column_Out_Extra' is not in the template library.");
    cells("duplicate column", R"(Columns/@Column_Out_Limiter/0:"Column_Out_Delay")", "Column 'Column_Out_Delay' appears twice.");
    cells("columns out of order", R"(Columns/@Column_Out_Delay/0:"Column_In_AFS")", "Column 'Column_In_AFS' is out of chain order.");
}

void TstConfigBuilder::failureMessagesInOrder()
{
    QFETCH(QByteArray, libraryPatch);
    QFETCH(QByteArray, configPatch);
    QFETCH(QString, summary);

    auto patch = [](Json::Value &target, const QByteArray &p) {
        if (p.isEmpty())
            return;
        const int colon = p.indexOf(':');
        const std::string key = p.left(colon).toStdString();
        Json::Value value;
        QVERIFY(tarn::config::parseJson(p.mid(colon + 1).toStdString(), value));
        if (key == "!") {
            target = value;
            return;
        }
        const QStringList path = QString::fromStdString(key).split('/');
        Json::Value *node = &target;
        auto step = [&node, &target](const QString &name) -> Json::Value & {
            if (name.startsWith('@')) {
                const int index = columnIndex(target, name.mid(1).toStdString());
                return (*node)[index < 0 ? (*node).size() : Json::ArrayIndex(index)];
            }
            return node->isArray() ? (*node)[name.toUInt()] : (*node)[name.toStdString()];
        };
        for (int i = 0; i + 1 < path.size(); ++i)
            node = &step(path[i]);
        if (!node->isArray() && value.isNull())
            node->removeMember(path.last().toStdString());
        else
            step(path.last()) = value;
    };
    Json::Value lib = library();
    Json::Value config = defaultConfig();
    patch(lib, libraryPatch);
    patch(config, configPatch);

    ConfigBuilder builder(lib);
    Json::Value document(Json::objectValue);
    QVERIFY(!builder.build(document, config));
    QCOMPARE(QString::fromStdString(builder.errorSummary()), summary);
    QVERIFY(document.isNull());
    // The failure texts are emptied at the next build.
    builder.setTemplates(library());
    QVERIFY(mustBuild(builder, defaultConfig()).isObject());
}

void TstConfigBuilder::validationMessages_data()
{
    QTest::addColumn<QByteArray>("member");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("message");
    // "wire": the wires are a good one, this one and a second bad one; only this one is told,
    // after its compact text. Any other member of the document is replaced; "!" is the document.
    const auto wire = [](const char *name, const char *value, const char *message) {
        QTest::newRow(name) << QByteArray("wire") << QByteArray(value) << QString::fromLatin1(message);
    };
    wire("wire size", R"([["InputGains",0]])", " expected array size=2\n");
    wire("src not a list", R"(["InputGains",["RTA",0]])", " expected array for src\n");
    wire("src name", R"([[1,0],["RTA",0]])", " expected string for src[0]\n");
    wire("src channel", R"([["InputGains","0"],["RTA",0]])", " expected number for src[1]\n");
    wire("dest not a list", R"([["InputGains",0],{}])", " expected array for dest\n");
    wire("dest channel", R"([["InputGains",0],["RTA",0.5]])", " expected number for dest[1]\n");
    wire("src unknown", R"([["Nowhere",0],["RTA",0]])", " src PO not found\n");
    wire("dest unknown", R"([["InputGains",0],["Nowhere",0]])", " dest PO not found\n");
    wire("src without DSP", R"([["NoProps",0],["RTA",0]])", " src PO DSP not set\n");
    wire("dest without DSP", R"([["InputGains",0],["NoProps",0]])", " dest PO DSP not set\n");
    wire("empty DSP", R"([["EmptyDsp",0],["RTA",0]])", " DSP is empty string\n");
    wire("across chips", R"([["InputGains",0],["MidMeters",0]])", " src and dest DSP don't match\n");
    const auto member = [](const char *name, const char *value, const char *message) {
        QTest::newRow(QByteArray(name).append(' ').append(value).left(60).constData())
            << QByteArray(name) << QByteArray(value) << QString::fromLatin1(message);
    };
    member("wires", "{}", "expected wires to be an array\n");
    member("wires", "null", "expected wires to be an array\n");
    member("gridsDisplay", "{}", "expected gridsDisplay to be an array\n");
    member("gridsOA", "null", "expected gridsOA to be an array\n");
    member("gridsDisplay", "[1]", "gridsDisplay to contain only objects\n");
    member("gridsOA", R"([{"Map":[]}])", "gridsOA's grids to have a 'Name'\n");
    member("gridsDisplay", R"([{"Name":"in"}])", "gridsDisplay's grids to have a 'Map'\n");
    member("gridsDisplay", R"([{"Name":"in","Map":{}}])", " expected array\n");
    member("gridsOA", R"([{"Name":"in","Map":[["RTA",7]]}])", " expected string for grid item");
    member("gridsDisplay", R"([{"Name":"in","Map":[["EMPTY","LINKED","PEQOut9"]]}])", " po does not exist");
    member("!", "[]", "expected config to be an object\n");
}

void TstConfigBuilder::validationMessages()
{
    QFETCH(QByteArray, member);
    QFETCH(QByteArray, value);
    QFETCH(QString, message);
    ConfigBuilder builder(library());
    Json::Value document = mustBuild(builder, defaultConfig());
    Json::Value parsed;
    QVERIFY(tarn::config::parseJson(value.toStdString(), parsed));
    std::string detail;
    if (member == "wire") {
        document["NoProps"]["ClassName"] = "X";
        document["EmptyDsp"]["Properties"]["DSP"] = "";
        const Json::Value good = document["wires"][0];
        document["wires"] = Json::Value(Json::arrayValue);
        for (const Json::Value &w : {good, parsed, Json::Value("second")})
            document["wires"].append(w);
        QVERIFY(!ConfigBuilder::validateWires(document, detail));
        QCOMPARE(QString::fromStdString(detail), QString::fromUtf8(text(parsed)) + message);
        return;
    }
    if (member == "!")
        document = parsed;
    else if (parsed.isNull())
        document.removeMember(member.toStdString());
    else
        document[member.toStdString()] = parsed;
    const bool valid = member == "wires" ? ConfigBuilder::validateWires(document, detail) : ConfigBuilder::validateGrids(document, detail);
    QVERIFY(!valid);
    QCOMPARE(QString::fromStdString(detail), message);
}

void TstConfigBuilder::exceptionsBecomeSummaryText()
{
    QCOMPARE(thrownBy([] { throw std::runtime_error("Column 'X' appears twice."); }),
             std::string("other: Column 'X' appears twice."));
    QCOMPARE(thrownBy([] { throw std::runtime_error(""); }), std::string("other: Unclassified failure."));
    QCOMPARE(thrownBy([] { throw 42; }), std::string("other: Unclassified failure."));
    QCOMPARE(ConfigBuilder::failureText(nullptr), std::string("Unclassified failure."));
}

void TstConfigBuilder::rowPositionsAboveNine()
{
    // Every '#' takes the row; rows past nine continue the character codes, as the twelve-row
    // output section below shows.
    QCOMPARE(ConfigBuilder::objectName("A#B#", 12), std::string("A<B<"));
    // A library with a twelve-row output section.
    Json::Value lib = library();
    for (const char *name : {"Outputs3", "OutputMeters"})
        lib[name]["Attributes"]["NumChans"] = 12;
    Json::Value config = defaultConfig();
    Json::Value &outputs = column(config, "Column_Output");
    for (int r = 7; r <= 12; ++r)
        outputs.append(cellOf("Output", "Output " + std::to_string(r)));
    ConfigBuilder builder(lib);
    const Json::Value document = mustBuild(builder, config);
    QCOMPARE(document["Output:"]["Attributes"]["OutputName"].asString(), std::string("Output 10"));
    QCOMPARE(document["Output<"]["Attributes"]["OutputName"].asString(), std::string("Output 12"));
    QCOMPARE(gridColumn(document, "out", 6).mid(8), QStringList({"Output9", "Output:", "Output;", "Output<"}));
    QCOMPARE(gridColumn(document, "out", 1).mid(5), QStringList({"PEQOut6", "EMPTY", "EMPTY", "EMPTY", "EMPTY", "EMPTY", "EMPTY"}));
    QVERIFY(WireMap(document).has("Output:", 0, "Outputs3", 9));
}

void TstConfigBuilder::nullCellIsAnEmptyRowThatPassesItsSignal()
{
    Json::Value config = defaultConfig();
    column(config, "Column_Out_PEQ")[3] = Json::Value();
    column(config, "Column_In_Insert1")[1] = Json::Value();
    ConfigBuilder builder(library());
    const Json::Value document = mustBuild(builder, config);
    QVERIFY(!document.isMember("PEQOut3") && !document.isMember("PEQIn1"));
    QCOMPARE(gridColumn(document, "out", 1), QStringList({"PEQOut1", "PEQOut2", "EMPTY", "PEQOut4", "PEQOut5", "PEQOut6"}));
    QCOMPARE(gridColumn(document, "in", 3), QStringList({"EMPTY", "PEQIn2", "PEQIn3"}));
    const WireMap wires(document);
    QVERIFY(wires.has("Crossover3", 0, "ZoneGains", 2));
    QVERIFY(wires.has("AFS1", 0, "Compressor1", 0));

    // An empty row in a mixer column leaves that row silent: nothing downstream is fed by it.
    column(config, "Column_In_Mixer")[2] = Json::Value();
    const Json::Value silent = mustBuild(builder, config);
    QCOMPARE(WireMap(silent).countInto("AFS2"), 0);
    QCOMPARE(WireMap(silent).into.count({"Outputs1", 8}), 0u);
    QCOMPARE(WireMap(silent).into.count({"Meters123", 1}), 0u);
    // The inserts of that row still run, on silence.
    QVERIFY(WireMap(silent).has("Compressor2", 0, "Outputs1", 11));
}

void TstConfigBuilder::autoEqModeSwapsFixedObjects()
{
    ConfigBuilder builder(library());
    builder.setMode("AutoEQ");
    const Json::Value document = mustBuild(builder, defaultConfig());
    for (const char *present : {"FindChirpGain", "LevelAssist", "AutoEQ", "AutoEQMixer", "InputMeters", "Outputs3"})
        QVERIFY2(document[present].isObject(), present);
    for (const char *absent : {"SignalGenerator", "RTARouter", "RTA", "MidMeters"})
        QVERIFY2(!document.isMember(absent), absent);
    const WireMap wires(document);
    QVERIFY(wires.has("FindChirpGain", 0, "In_Mixer1", 7));
    QVERIFY(wires.has("InputGains", 2, "AutoEQMixer", 2));
    QVERIFY(wires.has("LevelAssist", 0, "AutoEQ", 0));
    QCOMPARE(document["gridsDisplay"].size(), 3u);

    builder.setMode(std::string());
    const Json::Value everyday = mustBuild(builder, defaultConfig());
    QVERIFY(everyday.isMember("RTA") && !everyday.isMember("AutoEQ"));
    builder.setMode("autoeq");  // the word is case-sensitive
    QVERIFY(mustBuild(builder, defaultConfig()).isMember("SignalGenerator"));
}

// Every layout of the shipped layout list (and every Tarn layout) builds in the crossover column:
// the object is the one the list describes, it takes its inputs from the first mid channels and
// feeds one row per output.
void TstConfigBuilder::everyLayoutBuildsInTheCrossoverColumn()
{
    QFile file(tarn::config::crossoverLayoutsResource());
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QDomDocument dom;
    QString error;
    QVERIFY2(dom.setContent(&file, &error), qPrintable(error));

    ConfigBuilder builder(library());
    const Json::Value &iir = builder.crossoverTypes("Out_CrossoverIIR");
    const auto &names = ConfigBuilder::crossoverLayoutNames();
    QCOMPARE(names.size(), std::size_t(51));
    QStringList codes;
    QStringList displayNames;
    std::size_t n = 0;
    for (QDomElement e = dom.documentElement().firstChildElement("CrossoverType"); !e.isNull();
         e = e.nextSiblingElement("CrossoverType"), ++n) {
        QVERIFY(n < names.size());
        const std::string name = e.firstChildElement("configName").text().toStdString();
        QCOMPARE(name, names[n]);
        QVERIFY(iir.isMember(name));
        QCOMPARE(e.attribute("id"), QString::number(n + 1).rightJustified(2, ' '));
        QCOMPARE(e.attribute("code").size(), 5);
        codes << e.attribute("code");
        displayNames << e.firstChildElement("DisplayName").text();

        Json::Value po;
        QVERIFY(tarn::config::parseJson(e.firstChildElement("poAttributes").text().toStdString(), po));
        Json::Value config = defaultConfig();
        column(config, "Column_Out_Crossover") = crossoverColumn(name);
        const Json::Value document = mustBuild(builder, config);
        QVERIFY2(document["Crossover1"] == po, name.c_str());
        const Json::Value &a = po["Attributes"];
        const int span = a["NumBands"].asInt() * a["NumMainCabinets"].asInt() + a["NumSubCabinets"].asInt();
        const int inputs = std::stoi(po[".info"].asString());
        QCOMPARE(builder.crossoverSpan("Out_CrossoverIIR", name), span);
        QCOMPARE(e.firstChildElement("Inputs").text().toInt(), inputs);
        QCOMPARE(e.firstChildElement("Outputs").text().toInt(), span);
        QVERIFY(!e.firstChildElement("Inputs").attribute("name").isEmpty() && !e.firstChildElement("Outputs").attribute("name").isEmpty());
        QCOMPARE(po[".type"].asString(), "IIR " + name);

        QStringList expected{"Crossover1"};
        for (int r = 1; r < 6; ++r)
            expected << (r < span ? "LINKED" : "EMPTY");
        QCOMPARE(gridColumn(document, "out", 0), expected);
        const WireMap wires(document);
        QCOMPARE(wires.countInto("Crossover1"), inputs);
        for (int i = 0; i < inputs; ++i)
            QVERIFY(wires.has("Inputs3", i, "Crossover1", i));
        for (int j = 0; j < span; ++j)
            QVERIFY(wires.has("Crossover1", j, "PEQOut" + std::to_string(j + 1), 0));
        QCOMPARE(wires.countInto("Crossover1", true), span);
        // Exactly one way of feeding a sub is named, and only when there is a sub.
        QCOMPARE(a["SubSumMono"].asInt() + a["SubSumStereo"].asInt() + a["SubNoSum"].asInt(),
                 a["NumSubCabinets"].asInt() > 0 ? 1 : 0);
    }
    QCOMPARE(n, std::size_t(iir.size()));
    QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), 51);
    QCOMPARE(QSet<QString>(displayNames.begin(), displayNames.end()).size(), 51);
    QCOMPARE(names[static_cast<std::size_t>(codes.indexOf("11111"))], std::string("Mono Fullrange with Mono Sub"));

    // The Tarn layouts, "SxN": N outputs from S slots.
    const Json::Value &tarn = builder.crossoverTypes("Out_CrossoverTarn");
    QCOMPARE(tarn.size(), 11u);
    for (const std::string &key : tarn.getMemberNames()) {
        Json::Value config = defaultConfig();
        column(config, "Column_Out_Crossover") = crossoverColumn(key, "Out_CrossoverTarn");
        const Json::Value document = mustBuild(builder, config);
        const Json::Value &a = document["Crossover1"]["Attributes"];
        QCOMPARE(document["Crossover1"][".info"].asString(), key);
        QCOMPARE(a["NumSlots"].asInt() * a["NumBands"].asInt() + a["MonoSub"].asInt(), std::stoi(key.substr(2)));
        QCOMPARE(WireMap(document).countInto("Crossover1"), a["NumSlots"].asInt());
    }
}

// The promises of the library the builder relies on; its values are the generator's (checked by
// the configdata test).
void TstConfigBuilder::libraryContents()
{
    const Json::Value lib = library();
    for (const Json::Value &group : lib[".copyPasteCompatibility"])
        for (const Json::Value &name : group)
            QVERIFY(lib[name.asString()].isObject());

    // Every layout has defaults with one entry of four words per band.
    for (const std::string &name : lib[".crossoverIIRTypes"].getMemberNames()) {
        const std::string bands = lib[".crossoverIIRTypes"][name][2].asString();
        const std::string key = bands == "Fullrange" ? "Full-Range" : bands;
        const int count = bands == "Fullrange" ? 1 : bands[0] - '0';
        QVERIFY2(lib[".crossoverIIRDefaults"][key].size() == static_cast<unsigned>(count), name.c_str());
        for (int b = 1; b <= count; ++b)
            QCOMPARE(lib[".crossoverIIRDefaults"][key]["Band_" + std::to_string(b)].size(), 4u);
    }

    // Every template a column may hold or the builder fixes runs on the chip of its section and
    // has what the builder and the screens read from it.
    std::set<std::string> templates{"Out_CrossoverFIR"};
    for (const std::string &c : lib[".slots"].getMemberNames())
        for (const Json::Value &name : lib[".slots"][c])
            templates.insert(name.asString());
    const std::set<std::string> fixed = {"FindChirpGain", "LevelAssist", "AutoEQ", "AutoEQMixer", "SignalGenerator",
                                         "RTARouter", "RTA", "MidMeters", "InputMeters", "InputGains", "Meters123",
                                         "MetersABC", "OutputMeters", "Inputs1", "Inputs2", "Inputs3", "Outputs1",
                                         "Outputs2", "Outputs3"};
    templates.insert(fixed.begin(), fixed.end());
    auto expectedDsp = [](const std::string &n) {
        if (n == "Inputs2" || n == "Outputs2" || n == "MidMeters" || n.rfind("Mid_", 0) == 0)
            return "dsp2";
        if (n == "Inputs3" || n == "Outputs3" || n == "OutputMeters" || n.rfind("Out_", 0) == 0 || n == "Output")
            return "dsp3";
        return "dsp1";
    };
    for (const std::string &name : templates) {
        const Json::Value &t = lib[name];
        QVERIFY2(t["ClassName"].isString() && t["AutoWire"].isBool() && t["Attributes"].isObject(), name.c_str());
        QCOMPARE(t["Properties"]["DSP"].asString(), std::string(expectedDsp(name)));
        QVERIFY2(fixed.count(name) || t[".builder"]["NamePattern"].isString(), name.c_str());
        QVERIFY2(!t[".type"].isString() || lib[".names"][t[".type"].asString()]["short"].isString(), name.c_str());
        QVERIFY2(t.isMember(".info"), name.c_str());
    }
}

void TstConfigBuilder::cellLookup()
{
    ConfigBuilder builder(library());
    Json::Value config = defaultConfig();
    QCOMPARE(text(builder.cell(config, 8, 1)), QByteArray(R"(["Out_CrossoverIIR","Mono Fullrange"])"));
    QCOMPARE(text(builder.cell(config, 14, 6)), QByteArray(R"(["Output","Output 6"])"));
    // Rows inside a multi-row cell belong to it.
    QCOMPARE(text(builder.cell(config, 10, 4)), QByteArray(R"(["Out_ZoneGain",6])"));
    QCOMPARE(builder.cellIndex(config, 10, 6), 1);
    QCOMPARE(builder.cellSpan(config, 10, 2), 6);
    QCOMPARE(text(builder.cell(config, 0, 3)[0]), QByteArray(R"("InputRouter")"));

    // Row-to-cell mapping with a linked cell and an empty row above.
    QVERIFY(tarn::config::parseJson(R"(["Column_In_Insert1",null,["In_GEQ",2]])", column(config, "Column_In_Insert1")));
    QVERIFY(builder.cell(config, 3, 1).isNull());
    QCOMPARE(QVector<int>({builder.cellIndex(config, 3, 1), builder.cellIndex(config, 3, 2), builder.cellIndex(config, 3, 3)}),
             QVector<int>({1, 2, 2}));

    column(config, "Column_Output").resize(4);
    for (const auto &at : {std::make_pair(15, 1), std::make_pair(-1, 1), std::make_pair(8, 0), std::make_pair(8, 7), std::make_pair(14, 4)})
        QCOMPARE(thrownBy([&] { builder.cell(config, at.first, at.second); }), std::string("no item found at path"));
    config["Columns"] = "none";
    QCOMPARE(thrownBy([&] { builder.cell(config, 0, 1); }), std::string("columns is not an array"));
    QCOMPARE(thrownBy([&] { builder.cell(Json::Value(), 0, 1); }), std::string("columns is not an array"));
}

void TstConfigBuilder::crossoverLookups()
{
    ConfigBuilder builder(library());
    QVERIFY(builder.crossoverTypes("Out_CrossoverTarn") == library()[".crossoverTarnTypes"]);
    QVERIFY(builder.crossoverTypes("Out_CrossoverIIR") == library()[".crossoverIIRTypes"]);
    QVERIFY(builder.crossoverTypes("Out_CrossoverFIR").empty());
    QCOMPARE(thrownBy([&] { builder.crossoverTypes("Out_PEQ"); }), std::string("unsupported crossoverType"));
    QCOMPARE(thrownBy([&] { builder.crossoverType("Out_CrossoverIIR", "Mono 7-Way"); }), std::string("unsupported crossoverSecondaryType"));
    QCOMPARE(thrownBy([&] { builder.crossoverType("Crossover", "Mono Fullrange"); }), std::string("unsupported crossoverType"));
    QCOMPARE(text(builder.crossoverType("Out_CrossoverIIR", "LCR Fullrange with Aux Fed Sub x3")),
             QByteArray(R"(["LCR","Mains=3","Fullrange","Aux Fed","Subs=3"])"));
    QCOMPARE(builder.crossoverSpan("Out_CrossoverTarn", "2x5"), 5);

    // What a template may leave out: attributes (a crossover's come from its layout), channel
    // values, and automatic wiring (nothing is wired into it then).
    Json::Value lib = library();
    Json::Value document;
    lib["Out_CrossoverIIR"].removeMember("Attributes");
    lib["Out_ZoneGain"]["SVValues"] = Json::Value(Json::arrayValue);
    lib["In_AFS"]["AutoWire"] = false;
    builder.setTemplates(lib);
    QVERIFY2(builder.build(document, defaultConfig()), builder.errorSummary().c_str());
    QCOMPARE(WireMap(document).countInto("AFS1"), 0);
    QCOMPARE(document["Crossover1"]["Attributes"]["NumBands"].asInt(), 1);
    // Without the templates that give the sections their rows, no edit is taken.
    lib.removeMember("InputGains");
    builder.setTemplates(lib);
    Json::Value config = defaultConfig();
    QVERIFY(!builder.replaceTemplate(config, columnIndex(config, "Column_In_Insert1"), 2, "In_GEQ"));
}

void TstConfigBuilder::spanRules()
{
    ConfigBuilder builder(library());
    // Asks (canSpan), then links (setSpan): the two agree; the column's text after, or "refused"
    // with the config unchanged.
    const auto span = [&builder](Json::Value &config, const char *name, int row, int rows) {
        const Json::Value before = config;
        const int c = columnIndex(config, name);
        const bool can = builder.canSpan(config, c, row, rows);
        if (!(config == before) || can != builder.setSpan(config, c, row, rows))
            return QByteArray("asking changed the config or disagreed with linking");
        if (!can)
            return config == before ? QByteArray("refused") : QByteArray("refused, yet changed");
        return text(config["Columns"][Json::ArrayIndex(c)]);
    };
    const QByteArray refused("refused");
    Json::Value config = defaultConfig();
    QCOMPARE(span(config, "Column_In_Insert1", 1, 2), refused); // the row below is taken
    // Free the row below, then link: the cell takes it.
    column(config, "Column_In_Insert1")[2] = Json::Value();
    QCOMPARE(span(config, "Column_In_Insert1", 1, 2), QByteArray(R"(["Column_In_Insert1",["In_PEQ",2],["In_PEQ",1]])"));
    const Json::Value document = mustBuild(builder, config);
    QCOMPARE(document["PEQIn1"]["Attributes"]["NumChans"].asInt(), 2);
    QCOMPARE(gridColumn(document, "in", 3), QStringList({"PEQIn1", "LINKED", "PEQIn3"}));
    QVERIFY(WireMap(document).has("AFS2", 0, "PEQIn1", 1) && WireMap(document).has("PEQIn1", 1, "Compressor2", 0));
    QCOMPARE(span(config, "Column_In_Insert1", 1, 3), refused);
    QCOMPARE(span(config, "Column_In_Insert1", 1, 0), refused);
    // Unlinking leaves the freed row empty and the cell below in place.
    QCOMPARE(span(config, "Column_In_Insert1", 2, 1), QByteArray(R"(["Column_In_Insert1",["In_PEQ",1],null,["In_PEQ",1]])"));

    // The last cell may grow into the unused rows of its section, not beyond.
    Json::Value shorter = defaultConfig();
    column(shorter, "Column_Out_Limiter").resize(4);
    QCOMPARE(span(shorter, "Column_Out_Limiter", 3, 5), refused);
    QCOMPARE(span(shorter, "Column_Out_Limiter", 3, 4),
             QByteArray(R"(["Column_Out_Limiter",["Out_Limiter",1],["Out_Limiter",1],["Out_Limiter",4]])"));

    // Whole-section gains shrink and grow again; crossovers, mixers and outputs never link.
    Json::Value gains = defaultConfig();
    QCOMPARE(span(gains, "Column_Out_ZoneGain", 1, 5), QByteArray(R"(["Column_Out_ZoneGain",["Out_ZoneGain",5],null])"));
    QCOMPARE(mustBuild(builder, gains)["ZoneGains"]["SVValues"].isMember("Channel_6_Mute"), false);
    QCOMPARE(span(gains, "Column_Out_ZoneGain", 1, 7), refused);
    QCOMPARE(span(gains, "Column_Out_ZoneGain", 1, 6), QByteArray(R"(["Column_Out_ZoneGain",["Out_ZoneGain",6]])"));
    for (const char *name : {"Column_Out_Crossover", "Column_Mid_Mixer", "Column_Output"})
        QCOMPARE(span(gains, name, 1, 1), refused);
    QVERIFY(!builder.canSpan(gains, 99, 1, 1));

    // A link whose result would not build is refused too: the second ZoneGains would clash.
    QVERIFY(builder.setSpan(gains, columnIndex(gains, "Column_Out_ZoneGain"), 1, 5));
    QVERIFY(!builder.replaceTemplate(gains, columnIndex(gains, "Column_Out_ZoneGain"), 6, "Out_ZoneGain"));
}

void TstConfigBuilder::crossoverCandidatesAndLayoutChange()
{
    ConfigBuilder builder(library());
    Json::Value config = defaultConfig();
    const int xo = columnIndex(config, "Column_Out_Crossover");
    // The crossover column's text after the change, or "refused" with the config unchanged.
    const auto layout = [&builder, xo](Json::Value &c, int row, const char *name) {
        const Json::Value before = c;
        if (!builder.setCrossoverLayout(c, xo, row, name))
            return c == before ? QByteArray("refused") : QByteArray("refused, yet changed");
        return text(c["Columns"][Json::ArrayIndex(xo)]);
    };
    const auto fitting = [&](int row, int maxSpan) {
        const std::vector<std::string> names = builder.crossoverCandidates(config, xo, row);
        return std::all_of(names.begin(), names.end(),
                           [&](const std::string &n) { return builder.crossoverSpan("Out_CrossoverIIR", n) <= maxSpan; });
    };

    // With every row taken only single-output layouts fit.
    QCOMPARE(builder.crossoverCandidates(config, xo, 1), std::vector<std::string>({"Mono Fullrange"}));
    // Free rows 2 to 4: everything up to four outputs fits, in list order.
    for (int r = 2; r <= 4; ++r)
        column(config, "Column_Out_Crossover")[static_cast<Json::ArrayIndex>(r)] = Json::Value();
    const std::vector<std::string> four = builder.crossoverCandidates(config, xo, 1);
    QVERIFY(std::find(four.begin(), four.end(), "Stereo 2-Way") != four.end());
    QVERIFY(std::find(four.begin(), four.end(), "Stereo 2-Way with Mono Sub") == four.end());
    QCOMPARE(four.front(), std::string("Mono Fullrange with Aux Fed Sub"));
    QVERIFY(fitting(1, 4));
    QCOMPARE(builder.crossoverCandidates(config, xo, 5), std::vector<std::string>({"Mono Fullrange"}));
    // An empty row offers what fits into it and the free rows below it.
    const std::vector<std::string> two = builder.crossoverCandidates(config, xo, 3);
    QVERIFY(std::find(two.begin(), two.end(), "Stereo Fullrange") != two.end());
    QVERIFY(fitting(3, 2) && two.size() < four.size());

    // Growing takes the free rows; the cells below keep their rows. Too big or unknown: refused.
    QCOMPARE(layout(config, 1, "Stereo 2-Way"), QByteArray(R"(["Column_Out_Crossover",["Out_CrossoverIIR","Stereo 2-Way"],)"
                                                          R"(["Out_CrossoverIIR","Mono Fullrange"],["Out_CrossoverIIR","Mono Fullrange"]])"));
    Json::Value document = mustBuild(builder, config);
    QCOMPARE(gridColumn(document, "out", 0), QStringList({"Crossover1", "LINKED", "LINKED", "LINKED", "Crossover5", "Crossover6"}));
    QCOMPARE(document["Crossover1"][".info"].asString(), std::string("2x4"));
    QCOMPARE(builder.crossoverCandidates(config, xo, 2).size(), builder.crossoverCandidates(config, xo, 1).size());
    QCOMPARE(layout(config, 1, "Stereo 3-Way"), QByteArray("refused"));
    QCOMPARE(layout(config, 1, "No Such Layout"), QByteArray("refused"));

    // Shrinking leaves free rows and keeps the cells below in place; an empty row takes a new cell.
    QVERIFY(layout(config, 1, "Mono Fullrange with Mono Sub").startsWith('['));
    QCOMPARE(gridColumn(mustBuild(builder, config), "out", 0), QStringList({"Crossover1", "LINKED", "EMPTY", "EMPTY", "Crossover5", "Crossover6"}));
    QVERIFY(layout(config, 3, "Mono Fullrange with Aux Fed Sub").startsWith('['));
    QCOMPARE(gridColumn(mustBuild(builder, config), "out", 0),
             QStringList({"Crossover1", "LINKED", "Crossover3", "LINKED", "Crossover5", "Crossover6"}));
    // Not a crossover cell: nothing to set.
    QVERIFY(!builder.setCrossoverLayout(config, columnIndex(config, "Column_Out_PEQ"), 1, "Mono Fullrange"));
    // Rows past a short column count as free.
    Json::Value shortColumn = defaultConfig();
    column(shortColumn, "Column_Out_Crossover").resize(2);
    QCOMPARE(builder.crossoverCandidates(shortColumn, xo, 1).size(), std::size_t(51));
    QCOMPARE(layout(shortColumn, 5, "Mono Fullrange with Mono Sub"),
             QByteArray(R"(["Column_Out_Crossover",["Out_CrossoverIIR","Mono Fullrange"],)"
                        R"(null,null,null,["Out_CrossoverIIR","Mono Fullrange with Mono Sub"]])"));
    QVERIFY(builder.crossoverCandidates(shortColumn, xo, 7).empty());
}

void TstConfigBuilder::replacingTemplates()
{
    ConfigBuilder builder(library());
    Json::Value config = defaultConfig();
    // The cell's text after the change, or "refused" with the config unchanged.
    const auto replace = [&](const char *name, int row, const char *templateName) {
        const Json::Value before = config;
        if (!builder.replaceTemplate(config, columnIndex(config, name), row, templateName))
            return config == before ? QByteArray("refused") : QByteArray("refused, yet changed");
        return text(column(config, name)[Json::ArrayIndex(row)]);
    };
    QCOMPARE(replace("Column_In_Insert1", 2, "In_GEQ"), QByteArray(R"(["In_GEQ",1])"));
    QVERIFY(mustBuild(builder, config)["GEQ2"].isObject());
    QCOMPARE(replace("Column_In_Insert1", 2, "Mid_GEQ"), QByteArray("refused"));
    QCOMPARE(replace("Column_In_Insert1", 2, "Out_PEQ"), QByteArray("refused"));
    // The same template in both insert columns at one row would give one name twice.
    QCOMPARE(replace("Column_In_Insert2", 2, "In_GEQ"), QByteArray("refused"));
    Json::Value clash = config;
    column(clash, "Column_In_Insert2")[2] = cellOf("In_GEQ", 1);
    Json::Value document;
    QVERIFY(!builder.build(document, clash));
    QCOMPARE(builder.errorSummary(), std::string("Duplicate processing object name 'GEQ2'."));

    // Mixer columns carry the template alone; numbered sources are the in section's rows, after
    // the slots on the link.
    QCOMPARE(replace("Column_Mid_Mixer", 2, "Mid_Mixer_Inputs"), QByteArray(R"(["Mid_Mixer_Inputs"])"));
    for (int i = 0; i < 7; ++i)
        QVERIFY(WireMap(mustBuild(builder, config)).has("Inputs2", i, "Mid_Mixer2", i));
    QCOMPARE(replace("Column_Mid_Mixer", 3, "Mid_Mixer_123"), QByteArray(R"(["Mid_Mixer_123"])"));
    QVERIFY(WireMap(mustBuild(builder, config)).has("Inputs2", 7, "Mid_Mixer3", 0));
    Json::Value notAConfig;
    QVERIFY(!builder.replaceTemplate(notAConfig, columnIndex(config, "Column_Mid_Mixer"), 1, "Mid_Mixer_123"));

    // A crossover template change keeps the rows; an empty output row gets a named output.
    QCOMPARE(replace("Column_Out_Crossover", 3, "Out_CrossoverTarn"), QByteArray(R"(["Out_CrossoverTarn","1x1"])"));
    QCOMPARE(mustBuild(builder, config)["Crossover3"]["ClassName"].asString(), std::string("CadenzoCrossover"));
    column(config, "Column_Output")[4] = Json::Value();
    QCOMPARE(replace("Column_Output", 4, "Output"), QByteArray(R"(["Output","Output 4"])"));
}

void TstConfigBuilder::jsonLoading()
{
    Json::Value value;
    std::string error;
    // Strings and names must be UTF-8: the builder copies them into documents other readers check.
    const std::pair<std::string, bool> texts[] = {
        {R"({"a":[1,2]})", true}, {R"({"a":1} trailing)", false}, {"18", true}, {R"({"a":1,"a":2})", false},
        {"[\"Ausgang \xc3\xa4 \\u00e4 \\ud83d\\ude00\"]", true}, {"[\"Output \xff" "6\"]", false},
        {"{\"\xc0\xaf\":1}", false}, {"[\"\\udc00\"]", false}, {std::string(5000, '[') + std::string(5000, ']'), false},
    };
    for (const auto &[text, readable] : texts) {
        error.clear();
        QVERIFY2(tarn::config::parseJson(text, value, &error) == readable, text.substr(0, 40).c_str());
        QCOMPARE(error.empty(), readable);
    }
    QString fileError;
    QVERIFY(!tarn::config::loadJsonFile(QStringLiteral(":/json/none.json"), value, &fileError));
    QVERIFY(!fileError.isEmpty());
    QVERIFY(tarn::config::loadJsonFile(QStringLiteral(TARN_SOURCE_DIR)
                                           + "/resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/"
                                             "QuarraConfigBuilderTemplates.json",
                                       value, &fileError));
    QVERIFY(value == library());
}

TARN_TEST_MAIN(TstConfigBuilder, QCoreApplication)
#include "tst_configbuilder.moc"
