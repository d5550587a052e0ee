#include "configbuilder.h"

#include <json/writer.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace tarn {
namespace {

using Error = ConfigBuilderError;

const char kIIR[] = "Out_CrossoverIIR";
const char kTarn[] = "Out_CrossoverTarn";
const char kFIR[] = "Out_CrossoverFIR";
const char kRouterTemplate[] = "InputRouter";
const char kEmpty[] = "EMPTY";
const char kLinked[] = "LINKED";
const char kNoItem[] = "no item found at path";
const char kColumnsNotArray[] = "columns is not an array";

// Names the document uses for its own members; no processing object may take them.
const std::array<const char *, 5> kReservedNames = {"wires", "gridsDisplay", "gridsOA", ".builderConfig",
                                                    "isEmpty"};

const std::array<const char *, 4> kAutoEqObjects = {"FindChirpGain", "LevelAssist", "AutoEQ", "AutoEQMixer"};
const std::array<const char *, 4> kEverydayObjects = {"SignalGenerator", "RTARouter", "RTA", "MidMeters"};
const std::array<const char *, 11> kCommonObjects = {"InputMeters", "InputGains", "Meters123", "MetersABC",
                                                     "OutputMeters", "Inputs1",   "Inputs2",   "Inputs3",
                                                     "Outputs1",    "Outputs2",   "Outputs3"};

constexpr int kMaxColumns = 64;
constexpr int kMaxSources = 64;

[[noreturn]] void fail(const std::string &message)
{
    throw Error(message);
}

std::string quoted(const std::string &text)
{
    return "'" + text + "'";
}

// Member lookup that never inserts and never trips jsoncpp's type assertions.
const Json::Value *member(const Json::Value &object, const char *key)
{
    if (!object.isObject())
        return nullptr;
    return object.find(key, key + std::strlen(key));
}

const Json::Value *member(const Json::Value &object, const std::string &key)
{
    if (!object.isObject())
        return nullptr;
    return object.find(key.data(), key.data() + key.size());
}

// JSON has no integer type of its own: any integral number in int range counts.
bool isIntegral(const Json::Value &value)
{
    return value.isInt();
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A one- or two-digit decimal number, or -1.
int smallNumber(const std::string &digits)
{
    if (digits.empty() || digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), isDigit))
        return -1;
    return std::stoi(digits);
}

// An integer attribute of a processing object or template, or `fallback`.
int intAttribute(const Json::Value &object, const char *key, int fallback)
{
    const Json::Value *attributes = member(object, "Attributes");
    const Json::Value *value = attributes ? member(*attributes, key) : nullptr;
    return value && isIntegral(*value) ? value->asInt() : fallback;
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

enum class Section { In = 0, Mid = 1, Out = 2 };
constexpr int kSectionCount = 3;
const char *const kSectionNames[kSectionCount] = {"in", "mid", "out"};

bool sectionOf(const std::string &columnName, Section &section)
{
    if (startsWith(columnName, "Column_Mid"))
        section = Section::Mid;
    else if (startsWith(columnName, "Column_Out"))
        section = Section::Out;
    else if (startsWith(columnName, "Column_In"))
        section = Section::In;
    else
        return false;
    return true;
}

bool isCrossoverTemplate(const std::string &name)
{
    return name == kIIR || name == kTarn || name == kFIR;
}

// ---------------------------------------------------------------------------------------------
// Crossover layouts

struct Layout {
    int inputs = 0;
    int outputs = 0;
    Json::Value attributes{Json::objectValue};
    std::string info;
    std::string type;
};

struct MainFormat {
    const char *word;
    int code;
    int cabinets;
    int inputs;
};
const MainFormat kMainFormats[] = {
    {"Mono", 1, 1, 1}, {"Stereo", 2, 2, 2}, {"LCR", 3, 3, 3}, {"Mono x2", 4, 2, 1}, {"Mono x3", 5, 3, 1},
};
struct SubFormat {
    const char *word;
    int code;
};
const SubFormat kSubFormats[] = {{"None", 0}, {"Mono", 1}, {"Stereo", 2}, {"LCR", 3}, {"Aux Fed", 4}};

// "Mains=2" -> 2; -1 when the text is not the prefix followed by a small number.
int countAfter(const std::string &text, const char *prefix)
{
    return startsWith(text, prefix) ? smallNumber(text.substr(std::strlen(prefix))) : -1;
}

int bandCount(const std::string &word)
{
    if (word == "Fullrange")
        return 1;
    if (word.size() == 5 && word[0] >= '2' && word[0] <= '6' && word.compare(1, 4, "-Way") == 0)
        return word[0] - '0';
    return -1;
}

Layout parseFiveWordLayout(const std::string &key, const Json::Value &entry, const char *tag)
{
    const std::string malformed = "Crossover layout " + quoted(key) + " is malformed.";
    if (!entry.isArray() || entry.size() != 5)
        fail(malformed);
    std::string words[5];
    for (Json::ArrayIndex i = 0; i < 5; ++i) {
        if (!entry[i].isString())
            fail(malformed);
        words[i] = entry[i].asString();
    }
    const MainFormat *main = nullptr;
    for (const MainFormat &f : kMainFormats)
        if (words[0] == f.word)
            main = &f;
    const SubFormat *sub = nullptr;
    for (const SubFormat &f : kSubFormats)
        if (words[3] == f.word)
            sub = &f;
    const int mains = countAfter(words[1], "Mains=");
    const int bands = bandCount(words[2]);
    const int subs = countAfter(words[4], "Subs=");
    if (!main || !sub || mains != main->cabinets || bands < 1 || subs < 0)
        fail(malformed);
    const std::string subWord = sub->word;
    const std::string mainWord = main->word;
    const bool consistent = (subWord == "None") == (subs == 0) && (subWord != "Stereo" || subs == 2)
                            && (subWord != "LCR" || subs == 3)
                            && (subWord != "Stereo" || mainWord == "Stereo" || mainWord == "LCR")
                            && (subWord != "LCR" || mainWord == "LCR");
    if (!consistent)
        fail(malformed);

    // The five words fix how the mains and subs are fed; see DESIGN.md for the meaning.
    const bool hasSub = subs > 0;
    const bool aux = subWord == "Aux Fed";
    const bool sumMono = subWord == "Mono";
    const bool sumStereo = subWord == "Stereo" && mainWord == "LCR";
    Layout layout;
    layout.inputs = main->inputs + (aux ? 1 : 0);
    layout.outputs = mains * bands + subs;
    Json::Value &a = layout.attributes;
    a["AuxSub"] = aux ? 1 : 0;
    a["CabByBand"] = bands > 1 ? 1 : 0;
    a["CabByN"] = (mainWord == "Mono x2" || mainWord == "Mono x3") && mains > 1 ? 1 : 0;
    a["CutMain"] = hasSub && !aux ? 1 : 0;
    a["CutSub"] = hasSub ? 1 : 0;
    a["Format"] = main->code;
    a["NumBands"] = bands;
    a["NumMainCabinets"] = mains;
    a["NumSubCabinets"] = subs;
    a["SubByFormat"] = subWord == "Stereo" || subWord == "LCR" ? 1 : 0;
    a["SubByN"] = (sumMono || aux) && subs > 1 ? 1 : 0;
    a["SubFormat"] = sub->code;
    a["SubNoSum"] = hasSub && !sumMono && !sumStereo ? 1 : 0;
    a["SubSumMono"] = sumMono ? 1 : 0;
    a["SubSumStereo"] = sumStereo ? 1 : 0;
    layout.type = std::string(tag) + " " + key;
    return layout;
}

Layout parseTarnLayout(const std::string &key, const Json::Value &entry)
{
    const std::string malformed = "Crossover layout " + quoted(key) + " is malformed.";
    if (!entry.isArray() || entry.size() != 3)
        fail(malformed);
    for (Json::ArrayIndex i = 0; i < 3; ++i)
        if (!isIntegral(entry[i]))
            fail(malformed);
    const int slots = entry[0].asInt();
    const int bands = entry[1].asInt();
    const int monoSub = entry[2].asInt();
    if (slots < 1 || slots > 8 || bands < 1 || bands > 8 || monoSub < 0 || monoSub > 1)
        fail(malformed);
    Layout layout;
    layout.inputs = slots;
    layout.outputs = slots * bands + monoSub;
    layout.attributes["NumSlots"] = slots;
    layout.attributes["NumBands"] = bands;
    layout.attributes["MonoSub"] = monoSub;
    layout.type = "XOR " + key;
    return layout;
}

const char *crossoverTable(const std::string &crossoverTemplate)
{
    if (crossoverTemplate == kIIR)
        return ".crossoverIIRTypes";
    if (crossoverTemplate == kTarn)
        return ".crossoverTarnTypes";
    if (crossoverTemplate == kFIR)
        return ".crossoverFIRTypes";
    return nullptr;
}

const Json::Value &typeTable(const Json::Value &library, const std::string &crossoverTemplate)
{
    const char *table = crossoverTable(crossoverTemplate);
    if (!table)
        fail("unsupported crossoverType");
    const Json::Value *types = member(library, table);
    if (!types || !types->isObject())
        fail(std::string("The template library has no ") + table + " table.");
    return *types;
}

const Json::Value &typeEntry(const Json::Value &library, const std::string &crossoverTemplate,
                             const std::string &secondary)
{
    const Json::Value *entry = member(typeTable(library, crossoverTemplate), secondary);
    if (!entry)
        fail("unsupported crossoverSecondaryType");
    return *entry;
}

Layout layoutOf(const Json::Value &library, const std::string &crossoverTemplate, const std::string &secondary)
{
    const Json::Value &entry = typeEntry(library, crossoverTemplate, secondary);
    Layout layout = crossoverTemplate == kTarn ? parseTarnLayout(secondary, entry)
                                               : parseFiveWordLayout(secondary, entry,
                                                                     crossoverTemplate == kIIR ? "IIR" : "FIR");
    layout.info = std::to_string(layout.inputs) + "x" + std::to_string(layout.outputs);
    return layout;
}

// ---------------------------------------------------------------------------------------------
// Chain geometry taken from the library

struct Geometry {
    int slots = 0;                   // input router slots
    int rows[kSectionCount] = {};    // rows of the in, mid and out sections
};

int fixedChannels(const Json::Value &library, const char *name)
{
    const Json::Value *t = member(library, name);
    if (!t || !t->isObject())
        fail("Template " + quoted(name) + " not found.");
    return intAttribute(*t, "NumChans", 0);
}

Geometry geometryOf(const Json::Value &library)
{
    Geometry g;
    g.slots = fixedChannels(library, "InputGains");
    g.rows[0] = fixedChannels(library, "Meters123");
    g.rows[1] = fixedChannels(library, "Outputs2");
    g.rows[2] = fixedChannels(library, "Outputs3");
    if (g.slots < 1 || g.slots > ConfigBuilder::kMaxSectionRows)
        fail("The template library gives " + std::to_string(g.slots) + " input slots; 1 to "
             + std::to_string(ConfigBuilder::kMaxSectionRows) + " are supported.");
    for (int s = 0; s < kSectionCount; ++s)
        if (g.rows[s] < 1 || g.rows[s] > ConfigBuilder::kMaxSectionRows)
            fail("The template library gives the " + std::string(kSectionNames[s]) + " section "
                 + std::to_string(g.rows[s]) + " rows; 1 to " + std::to_string(ConfigBuilder::kMaxSectionRows)
                 + " are supported.");
    return g;
}

// ---------------------------------------------------------------------------------------------
// Cells

enum class Kind { Empty, Crossover, Sources, Router, Named, Insert };

struct Shape {
    Kind kind = Kind::Empty;
    int span = 1;
    int inputs = 0;
    int outputs = 0;
    std::string templateName;
    const Json::Value *templ = nullptr;
    Layout layout;
};

Kind kindOf(const std::string &templateName, const Json::Value &templ)
{
    if (isCrossoverTemplate(templateName))
        return Kind::Crossover;
    if (templateName == kRouterTemplate)
        return Kind::Router;
    const Json::Value *builder = member(templ, ".builder");
    if (builder && member(*builder, "Sources"))
        return Kind::Sources;
    const Json::Value *attributes = member(templ, "Attributes");
    if (attributes && member(*attributes, "OutputName"))
        return Kind::Named;
    return Kind::Insert;
}

bool allowedIn(const Json::Value &library, const std::string &columnName, const std::string &templateName)
{
    const Json::Value *slots = member(library, ".slots");
    const Json::Value *allowed = slots ? member(*slots, columnName) : nullptr;
    if (!allowed || !allowed->isArray())
        return false;
    for (const Json::Value &name : *allowed)
        if (name.isString() && name.asString() == templateName)
            return true;
    return false;
}

std::string cellLabel(const std::string &columnName, int element)
{
    return "cell " + std::to_string(element) + " of column " + quoted(columnName);
}

// What a cell is and how many rows it takes, without building anything.
Shape shapeOf(const Json::Value &library, const std::string &columnName, int sectionRows, const Json::Value &cell,
              int element)
{
    Shape shape;
    if (cell.isNull())
        return shape;
    if (!cell.isArray() || cell.empty() || !cell[0].isString())
        fail("The " + cellLabel(columnName, element) + " is malformed.");
    shape.templateName = cell[0].asString();
    if (!allowedIn(library, columnName, shape.templateName))
        fail("Template " + quoted(shape.templateName) + " is not allowed in column " + quoted(columnName) + ".");
    shape.templ = member(library, shape.templateName);
    if (!shape.templ || !shape.templ->isObject())
        fail("Template " + quoted(shape.templateName) + " not found.");
    const Json::Value &templ = *shape.templ;
    shape.kind = kindOf(shape.templateName, templ);
    const Json::Value &second = cell.size() > 1 ? cell[1] : Json::Value::nullSingleton();

    switch (shape.kind) {
    case Kind::Crossover:
        if (!second.isString())
            fail("The " + cellLabel(columnName, element) + " names no crossover layout.");
        shape.layout = layoutOf(library, shape.templateName, second.asString());
        shape.span = shape.layout.outputs;
        shape.inputs = shape.layout.inputs;
        shape.outputs = shape.layout.outputs;
        break;
    case Kind::Router:
        shape.span = sectionRows;
        shape.inputs = intAttribute(templ, "NumInputs", 0);
        shape.outputs = intAttribute(templ, "NumOutputs", 0);
        break;
    case Kind::Sources: {
        const Json::Value &sources = templ[".builder"]["Sources"];
        if (!sources.isArray() || sources.size() > kMaxSources)
            fail("Template " + quoted(shape.templateName) + " has a malformed source list.");
        shape.span = 1;
        shape.inputs = intAttribute(templ, "NumInputs", static_cast<int>(sources.size()));
        shape.outputs = 1;
        break;
    }
    case Kind::Named:
    case Kind::Insert: {
        int channels = intAttribute(templ, "NumChans", 0);
        if (shape.kind == Kind::Insert && !second.isNull()) {
            if (!isIntegral(second))
                fail("The channel count of the " + cellLabel(columnName, element) + " is not an integer.");
            if (second.asInt() >= 1)
                channels = second.asInt();
        }
        if (channels < 1)
            fail("Template " + quoted(shape.templateName) + " has no channel count.");
        shape.span = channels;
        shape.inputs = channels;
        shape.outputs = channels;
        break;
    }
    case Kind::Empty:
        break;
    }
    return shape;
}

struct Placed {
    int element = 0;   // index inside the column array
    int firstRow = 0;  // counted from 0
    Shape shape;
    std::string name;  // the processing object, once expanded
};

struct ColumnLayout {
    std::string name;
    Section section = Section::In;
    int rows = 0;      // rows the cells occupy; the rest of the section is empty
    int sectionRows = 0;
    std::vector<Placed> cells;
};

ColumnLayout layoutColumn(const Json::Value &library, const Geometry &geometry, const Json::Value &column,
                          int columnIndex)
{
    if (!column.isArray() || column.empty() || !column[0].isString())
        fail("Column " + std::to_string(columnIndex) + " is malformed.");
    ColumnLayout layout;
    layout.name = column[0].asString();
    if (!sectionOf(layout.name, layout.section))
        fail("Column " + quoted(layout.name) + " belongs to no section.");
    const Json::Value *slots = member(library, ".slots");
    const Json::Value *allowed = slots ? member(*slots, layout.name) : nullptr;
    if (!allowed || !allowed->isArray())
        fail("Column " + quoted(layout.name) + " is not in the template library.");
    layout.sectionRows = geometry.rows[static_cast<int>(layout.section)];
    int row = 0;
    for (Json::ArrayIndex i = 1; i < column.size(); ++i) {
        Placed placed;
        placed.element = static_cast<int>(i);
        placed.firstRow = row;
        placed.shape = shapeOf(library, layout.name, layout.sectionRows, column[i], placed.element);
        if (placed.shape.kind == Kind::Router && row != 0)
            fail("The input router must take the first row of column " + quoted(layout.name) + ".");
        if (placed.shape.span > layout.sectionRows - row)
            fail("Column " + quoted(layout.name) + " needs more than the "
                 + std::to_string(layout.sectionRows) + " rows of the " + kSectionNames[static_cast<int>(layout.section)]
                 + " section.");
        row += placed.shape.span;
        layout.cells.push_back(std::move(placed));
    }
    layout.rows = row;
    return layout;
}

const Json::Value &columnAt(const Json::Value &builderConfig, int column)
{
    const Json::Value *columns = member(builderConfig, "Columns");
    if (!columns || !columns->isArray())
        fail(kColumnsNotArray);
    if (column < 0 || static_cast<Json::ArrayIndex>(column) >= columns->size())
        fail(kNoItem);
    return (*columns)[static_cast<Json::ArrayIndex>(column)];
}

// The cell covering `row` (counted from 1), or a place past the column's last cell.
struct Target {
    ColumnLayout column;
    int position = -1;   // index into column.cells; -1 past the last cell
    int firstRow = 0;
    int span = 1;
    int freeBelow = 0;   // empty rows right below the cell
    Kind kind = Kind::Empty;
};

Target locate(const Json::Value &library, const Json::Value &builderConfig, int column, int row, bool pastEndAllowed)
{
    const Json::Value &columnCells = columnAt(builderConfig, column);
    Target t;
    t.column = layoutColumn(library, geometryOf(library), columnCells, column);
    const int r = row - 1;
    const auto &cells = t.column.cells;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (r >= cells[i].firstRow && r < cells[i].firstRow + cells[i].shape.span) {
            t.position = static_cast<int>(i);
            t.firstRow = cells[i].firstRow;
            t.span = cells[i].shape.span;
            t.kind = cells[i].shape.kind;
            std::size_t next = i + 1;
            while (next < cells.size() && cells[next].shape.kind == Kind::Empty) {
                ++t.freeBelow;
                ++next;
            }
            if (next == cells.size())
                t.freeBelow += t.column.sectionRows - t.column.rows;
            return t;
        }
    }
    if (!pastEndAllowed || r < t.column.rows || r >= t.column.sectionRows)
        fail(kNoItem);
    t.firstRow = r;
    t.freeBelow = t.column.sectionRows - r - 1;
    return t;
}

// The column array with the target cell replaced by `cell` spanning `span` rows; the cells
// below keep their rows.
Json::Value rewriteColumn(const Json::Value &column, const Target &t, const Json::Value &cell, int span)
{
    if (span < 1 || span > t.span + t.freeBelow)
        fail("no room");
    Json::Value result(Json::arrayValue);
    if (t.position < 0) {
        result = column;
        for (int r = t.column.rows; r < t.firstRow; ++r)
            result.append(Json::Value());
        result.append(cell);
        return result;
    }
    const int element = t.column.cells[static_cast<std::size_t>(t.position)].element;
    int toConsume = span > t.span ? span - t.span : 0;
    for (Json::ArrayIndex i = 0; i < column.size(); ++i) {
        const int index = static_cast<int>(i);
        if (index == element) {
            result.append(cell);
            for (int n = span; n < t.span; ++n)
                result.append(Json::Value());
        } else if (index > element && toConsume > 0 && column[i].isNull()) {
            --toConsume;
        } else {
            if (index > element)
                toConsume = 0;  // only the free rows directly below may be taken
            result.append(column[i]);
        }
    }
    return result;
}

// "Channel_<n>_..." initial values follow the channel count: channel 1 is the pattern.
void fitChannelValues(Json::Value &values, int channels)
{
    if (!values.isObject())
        return;
    std::vector<std::pair<std::string, Json::Value>> firstChannel;
    std::vector<std::string> surplus;
    for (const std::string &key : values.getMemberNames()) {
        if (!startsWith(key, "Channel_"))
            continue;
        std::size_t end = 8;
        while (end < key.size() && isDigit(key[end]))
            ++end;
        if (end == 8 || end - 8 > 3 || end >= key.size() || key[end] != '_')
            continue;
        const int channel = std::stoi(key.substr(8, end - 8));
        if (channel == 1)
            firstChannel.emplace_back(key.substr(end), values[key]);
        if (channel > channels)
            surplus.push_back(key);
    }
    for (const std::string &key : surplus)
        values.removeMember(key);
    for (int c = 2; c <= channels; ++c)
        for (const auto &entry : firstChannel) {
            const std::string key = "Channel_" + std::to_string(c) + entry.first;
            if (!values.isMember(key))
                values[key] = entry.second;
        }
}

// ---------------------------------------------------------------------------------------------
// Assembly

struct Ports {
    int inputs = 0;
    int outputs = 0;
};

struct Source {
    const std::string *object = nullptr;
    int channel = 0;
    explicit operator bool() const { return object != nullptr; }
};

class Assembler {
public:
    Assembler(const Json::Value &library, bool autoEq, Json::Value &output)
        : m_library(library), m_autoEq(autoEq), m_out(output)
    {
    }

    void run(const Json::Value &builderConfig)
    {
        m_out = Json::Value(Json::objectValue);
        for (const char *name : m_autoEq ? kAutoEqObjects : kEverydayObjects)
            addFixed(name);
        for (const char *name : kCommonObjects)
            addFixed(name);
        m_geometry = geometryOf(m_library);
        expandColumns(builderConfig);
        fillGrids();
        generateWires();
    }

private:
    void addFixed(const char *name)
    {
        const Json::Value *templ = member(m_library, name);
        if (!templ || !templ->isObject())
            fail("Template " + quoted(name) + " not found.");
        Json::Value &object = m_out[name] = *templ;
        object.removeMember(".builder");
        Ports &ports = m_ports[name];
        ports.inputs = intAttribute(object, "NumInputs", intAttribute(object, "NumChans", 0));
        ports.outputs = intAttribute(object, "NumOutputs", intAttribute(object, "NumChans", 0));
    }

    void expandColumns(const Json::Value &builderConfig)
    {
        const Json::Value *columns = member(builderConfig, "Columns");
        if (!columns || !columns->isArray())
            fail(kColumnsNotArray);
        if (columns->size() > kMaxColumns)
            fail("The builder config has more than " + std::to_string(kMaxColumns) + " columns.");
        // Order and uniqueness first: a misplaced column would otherwise be reported by
        // whichever of its cells the column does not allow.
        int lastSection = 0;
        std::vector<std::string> seen;
        for (const Json::Value &cells : *columns) {
            Section section = Section::In;
            if (!cells.isArray() || cells.empty() || !cells[0].isString() || !sectionOf(cells[0].asString(), section))
                continue;
            const std::string name = cells[0].asString();
            if (static_cast<int>(section) < lastSection)
                fail("Column " + quoted(name) + " is out of chain order.");
            lastSection = static_cast<int>(section);
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                fail("Column " + quoted(name) + " appears twice.");
            seen.push_back(name);
        }
        for (Json::ArrayIndex c = 0; c < columns->size(); ++c) {
            const Json::Value &cells = (*columns)[c];
            ColumnLayout column = layoutColumn(m_library, m_geometry, cells, static_cast<int>(c));
            for (Placed &placed : column.cells)
                if (placed.shape.kind != Kind::Empty)
                    placed.name = expandCell(column, placed, cells[static_cast<Json::ArrayIndex>(placed.element)]);
            m_columns.push_back(std::move(column));
        }
    }

    Json::Value &attributesOf(Json::Value &object, const std::string &templateName)
    {
        Json::Value &attributes = object["Attributes"];
        if (attributes.isNull())
            attributes = Json::Value(Json::objectValue);
        if (!attributes.isObject())
            fail("Template " + quoted(templateName) + " has malformed attributes.");
        return attributes;
    }

    std::string expandCell(const ColumnLayout &column, const Placed &placed, const Json::Value &cell)
    {
        const Shape &shape = placed.shape;
        const Json::Value &templ = *shape.templ;
        const Json::Value *builder = member(templ, ".builder");
        const Json::Value *pattern = builder ? member(*builder, "NamePattern") : nullptr;
        if (!pattern || !pattern->isString())
            fail("Template " + quoted(shape.templateName) + " has no name pattern.");
        const std::string name = ConfigBuilder::objectName(pattern->asString(), placed.firstRow + 1);
        if (name.empty() || name.size() > ConfigBuilder::kMaxNameLength)
            fail("Template " + quoted(shape.templateName) + " gives an unusable object name.");
        for (const char *reserved : kReservedNames)
            if (name == reserved)
                fail("Object name " + quoted(name) + " is reserved.");
        if (m_out.isMember(name))
            fail("Duplicate processing object name " + quoted(name) + ".");

        Json::Value object = templ;
        object.removeMember(".builder");
        switch (shape.kind) {
        case Kind::Crossover: {
            Json::Value &attributes = attributesOf(object, shape.templateName);
            for (const std::string &key : shape.layout.attributes.getMemberNames())
                attributes[key] = shape.layout.attributes[key];
            object[".info"] = shape.layout.info;
            object[".type"] = shape.layout.type;
            break;
        }
        case Kind::Router:
            expandRouter(object, shape, cell, cellLabel(column.name, placed.element));
            break;
        case Kind::Named:
            if (cell.size() > 1 && !cell[1].isNull()) {
                if (!cell[1].isString() || cell[1].asString().size() > ConfigBuilder::kMaxNameLength)
                    fail("The name in the " + cellLabel(column.name, placed.element) + " is not a text of at most "
                         + std::to_string(ConfigBuilder::kMaxNameLength) + " bytes.");
                attributesOf(object, shape.templateName)["OutputName"] = cell[1];
            }
            break;
        case Kind::Insert:
            if (cell.size() > 1 && isIntegral(cell[1]) && cell[1].asInt() >= 1) {
                attributesOf(object, shape.templateName)["NumChans"] = cell[1].asInt();
                if (object.isMember("SVValues"))
                    fitChannelValues(object["SVValues"], cell[1].asInt());
            }
            break;
        case Kind::Sources:
        case Kind::Empty:
            break;
        }
        m_out[name] = std::move(object);
        Ports &ports = m_ports[name];
        ports.inputs = shape.inputs;
        ports.outputs = shape.outputs;
        return name;
    }

    void expandRouter(Json::Value &object, const Shape &shape, const Json::Value &cell, const std::string &where)
    {
        Json::Value &attributes = attributesOf(object, shape.templateName);
        const int slots = shape.outputs;
        const int sources = shape.inputs;
        if (slots < 1 || slots > ConfigBuilder::kMaxSectionRows || sources < slots || sources > kMaxSources)
            fail("Template " + quoted(shape.templateName) + " has unusable input and output counts.");
        if (cell.size() > 1 && !cell[1].isNull()) {
            const Json::Value &list = cell[1];
            if (!list.isArray() || list.size() != static_cast<Json::ArrayIndex>(slots))
                fail("The " + where + " must list " + std::to_string(slots) + " slot sources.");
            for (int s = 0; s < slots; ++s) {
                const Json::Value &source = list[static_cast<Json::ArrayIndex>(s)];
                if (!isIntegral(source) || source.asInt() < 0 || source.asInt() >= sources)
                    fail("Slot " + std::to_string(s + 1) + " of the " + where + " names no source from 0 to "
                         + std::to_string(sources - 1) + ".");
                attributes["Slot" + std::to_string(s + 1) + "Source"] = source.asInt();
            }
        }
        if (cell.size() > 2 && !cell[2].isNull()) {
            // The names of the sources past the slots' own inputs (the option card).
            const Json::Value &names = cell[2];
            if (!names.isArray() || names.size() > static_cast<Json::ArrayIndex>(sources - slots))
                fail("The " + where + " must list at most " + std::to_string(sources - slots) + " source names.");
            for (Json::ArrayIndex i = 0; i < names.size(); ++i) {
                if (!names[i].isString() || names[i].asString().size() > ConfigBuilder::kMaxNameLength)
                    fail("Source name " + std::to_string(i + 1) + " of the " + where + " is not a text of at most "
                         + std::to_string(ConfigBuilder::kMaxNameLength) + " bytes.");
                attributes["Source" + std::to_string(slots + 1 + static_cast<int>(i)) + "Name"] = names[i];
            }
        }
    }

    // ------------------------------------------------------------------------------- grids

    // One array per column, one entry per row of the section.
    std::vector<Json::Value> sectionColumns(Section section) const
    {
        std::vector<Json::Value> result;
        for (const ColumnLayout &column : m_columns) {
            if (column.section != section)
                continue;
            Json::Value rows(Json::arrayValue);
            rows.resize(static_cast<Json::ArrayIndex>(column.sectionRows));
            for (auto &entry : rows)
                entry = kEmpty;
            for (const Placed &placed : column.cells) {
                if (placed.shape.kind == Kind::Empty)
                    continue;
                rows[static_cast<Json::ArrayIndex>(placed.firstRow)] = placed.name;
                for (int r = 1; r < placed.shape.span; ++r)
                    rows[static_cast<Json::ArrayIndex>(placed.firstRow + r)] = kLinked;
            }
            result.push_back(std::move(rows));
        }
        return result;
    }

    static Json::Value grid(const char *name, Json::Value map)
    {
        Json::Value g(Json::objectValue);
        g["Name"] = name;
        g["Map"] = std::move(map);
        return g;
    }

    void fillGrids()
    {
        Json::Value display(Json::arrayValue);
        Json::Value byRow(Json::arrayValue);
        for (int s = 0; s < kSectionCount; ++s) {
            const std::vector<Json::Value> columns = sectionColumns(static_cast<Section>(s));
            Json::Value map(Json::arrayValue);
            Json::Value transposed(Json::arrayValue);
            const int rows = m_geometry.rows[s];
            for (int r = 0; r < rows && !columns.empty(); ++r) {
                Json::Value line(Json::arrayValue);
                for (const Json::Value &column : columns)
                    line.append(column[static_cast<Json::ArrayIndex>(r)]);
                transposed.append(std::move(line));
            }
            for (const Json::Value &column : columns)
                map.append(column);
            display.append(grid(kSectionNames[s], std::move(map)));
            byRow.append(grid(kSectionNames[s], std::move(transposed)));
        }
        if (!m_autoEq) {
            Json::Value map(Json::arrayValue);
            Json::Value line(Json::arrayValue);
            for (const char *name : {"RTARouter", "RTA"}) {
                Json::Value column(Json::arrayValue);
                column.append(name);
                map.append(std::move(column));
                line.append(name);
            }
            Json::Value transposed(Json::arrayValue);
            transposed.append(std::move(line));
            display.append(grid("rta", std::move(map)));
            byRow.append(grid("rta", std::move(transposed)));
        }
        m_out["gridsDisplay"] = std::move(display);
        m_out["gridsOA"] = std::move(byRow);
    }

    // ------------------------------------------------------------------------------- wires

    const std::string &nameRef(const char *name)
    {
        auto it = m_ports.find(name);
        if (it == m_ports.end())
            fail("Processing object " + quoted(name) + " is missing.");
        return it->first;
    }

    void wire(const std::string &source, int sourceChannel, const std::string &destination, int destinationChannel)
    {
        const Ports &from = m_ports.at(source);
        const Ports &to = m_ports.at(destination);
        if (sourceChannel >= from.outputs)
            fail("Processing object " + quoted(source) + " has no output channel "
                 + std::to_string(sourceChannel + 1) + ".");
        if (destinationChannel >= to.inputs)
            fail("Processing object " + quoted(destination) + " has no input channel "
                 + std::to_string(destinationChannel + 1) + ".");
        Json::Value w(Json::arrayValue);
        w.resize(2);
        w[0].resize(2);
        w[0][0] = source;
        w[0][1] = sourceChannel;
        w[1].resize(2);
        w[1][0] = destination;
        w[1][1] = destinationChannel;
        m_wires.append(std::move(w));
    }

    void wire(const Source &source, const std::string &destination, int destinationChannel)
    {
        if (source)
            wire(*source.object, source.channel, destination, destinationChannel);
    }

    Source resolve(Section section, const std::string &token, const std::string &templateName)
    {
        const int slots = m_geometry.slots;
        const int inRows = m_geometry.rows[0];
        if (section == Section::In) {
            if (token == "Gen")
                return {&nameRef(m_autoEq ? "FindChirpGain" : "SignalGenerator"), 0};
            const int k = startsWith(token, "In") ? smallNumber(token.substr(2)) : -1;
            if (k >= 1 && k <= slots)
                return {&nameRef("InputGains"), k - 1};
        } else if (section == Section::Mid) {
            const std::string &link = nameRef("Inputs2");
            int k = startsWith(token, "In") ? smallNumber(token.substr(2)) : -1;
            if (k >= 1 && k <= slots)
                return {&link, k - 1};
            k = smallNumber(token);
            if (k >= 1 && k <= inRows)
                return {&link, slots + k - 1};
            if (token.size() == 1 && token[0] >= 'A' && token[0] - 'A' < inRows)
                return {&link, slots + inRows + (token[0] - 'A')};
        }
        fail("Unknown source " + quoted(token) + " in template " + quoted(templateName) + ".");
    }

    void wireCell(Section section, const Placed &placed, std::vector<Source> &current)
    {
        const Shape &shape = placed.shape;
        if (shape.kind == Kind::Empty || shape.kind == Kind::Router)
            return;
        const std::string &object = m_ports.find(placed.name)->first;
        switch (shape.kind) {
        case Kind::Empty:
        case Kind::Router:
            return;
        case Kind::Sources: {
            const Json::Value &sources = (*shape.templ)[".builder"]["Sources"];
            for (Json::ArrayIndex i = 0; i < sources.size(); ++i) {
                if (!sources[i].isString())
                    fail("Template " + quoted(shape.templateName) + " has a malformed source list.");
                wire(resolve(section, sources[i].asString(), shape.templateName), object, static_cast<int>(i));
            }
            current[static_cast<std::size_t>(placed.firstRow)] = {&object, 0};
            return;
        }
        case Kind::Crossover:
        case Kind::Named:
        case Kind::Insert: {
            const Json::Value *autoWire = member(*shape.templ, "AutoWire");
            if (!autoWire || !autoWire->isBool() || !autoWire->asBool())
                return;
            for (int i = 0; i < shape.inputs; ++i)
                wire(current[static_cast<std::size_t>(placed.firstRow + i)], object, i);
            for (int j = 0; j < shape.span; ++j)
                current[static_cast<std::size_t>(placed.firstRow + j)] = {&object, j};
            return;
        }
        }
    }

    void tap(const std::vector<Source> &current, const char *destination, int offset = 0)
    {
        const std::string &to = nameRef(destination);
        for (std::size_t r = 0; r < current.size(); ++r)
            wire(current[r], to, offset + static_cast<int>(r));
    }

    void generateWires()
    {
        m_wires = Json::Value(Json::arrayValue);
        const int slots = m_geometry.slots;
        const std::string &gains = nameRef("InputGains");

        // Input chip: physical inputs through the router to the slot gains, which feed the
        // meters, the analyser or measurement input and the link to the mid chip.
        for (const ColumnLayout &column : m_columns)
            for (const Placed &placed : column.cells) {
                if (placed.shape.kind != Kind::Router)
                    continue;
                const std::string &router = m_ports.find(placed.name)->first;
                for (int i = 0; i < placed.shape.inputs; ++i)
                    wire(nameRef("Inputs1"), i, router, i);
                for (int k = 0; k < placed.shape.outputs; ++k)
                    wire(router, k, gains, k);
            }
        for (int k = 0; k < slots; ++k)
            wire(gains, k, nameRef("InputMeters"), k);
        const char *mixer = m_autoEq ? "AutoEQMixer" : "RTARouter";
        for (int k = 0; k < slots; ++k)
            wire(gains, k, nameRef(mixer), k);
        if (m_autoEq) {
            wire(nameRef("AutoEQMixer"), 0, nameRef("LevelAssist"), 0);
            wire(nameRef("LevelAssist"), 0, nameRef("AutoEQ"), 0);
        } else {
            wire(nameRef("RTARouter"), 0, nameRef("RTA"), 0);
        }
        for (int k = 0; k < slots; ++k)
            wire(gains, k, nameRef("Outputs1"), k);

        // Each section chains its columns row by row; an empty row passes its signal on.
        for (int s = 0; s < kSectionCount; ++s) {
            const Section section = static_cast<Section>(s);
            std::vector<Source> current(static_cast<std::size_t>(m_geometry.rows[s]));
            if (section == Section::Out) {
                const std::string &link = nameRef("Inputs3");
                const int linked = std::min(m_geometry.rows[s], m_ports[link].outputs);
                for (int r = 0; r < linked; ++r)
                    current[static_cast<std::size_t>(r)] = {&link, r};
            }
            for (const ColumnLayout &column : m_columns) {
                if (column.section != section)
                    continue;
                for (const Placed &placed : column.cells)
                    wireCell(section, placed, current);
                if (column.name == "Column_In_Mixer") {
                    tap(current, "Meters123");
                    tap(current, "Outputs1", slots);
                } else if (column.name == "Column_Mid_Mixer" && !m_autoEq) {
                    tap(current, "MidMeters");
                }
            }
            switch (section) {
            case Section::In:
                tap(current, "MetersABC");
                tap(current, "Outputs1", slots + m_geometry.rows[0]);
                break;
            case Section::Mid:
                tap(current, "Outputs2");
                break;
            case Section::Out:
                tap(current, "OutputMeters");
                tap(current, "Outputs3");
                break;
            }
        }
        m_out["wires"] = std::move(m_wires);
    }

    const Json::Value &m_library;
    const bool m_autoEq;
    Json::Value &m_out;
    Geometry m_geometry;
    std::vector<ColumnLayout> m_columns;
    std::unordered_map<std::string, Ports> m_ports;
    Json::Value m_wires;
};

std::string compactJson(const Json::Value &value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

} // namespace

// ---------------------------------------------------------------------------------------------

ConfigBuilder::ConfigBuilder(Json::Value templates)
    : m_templates(std::move(templates))
{
}

void ConfigBuilder::setTemplates(Json::Value templates)
{
    m_templates = std::move(templates);
}

bool ConfigBuilder::build(Json::Value &output, const Json::Value &builderConfig)
{
    m_summary.clear();
    m_detail.clear();
    return tryBuild(output, builderConfig, m_summary, m_detail);
}

bool ConfigBuilder::tryBuild(Json::Value &output, const Json::Value &builderConfig, std::string &summary,
                             std::string &detail) const
{
    try {
        const Json::Value *version = member(m_templates, ".version");
        if (!m_templates.isObject())
            fail("Templates do not exist.");
        if (!version || !isIntegral(*version) || version->asInt() != kTemplatesVersion)
            fail("Templates are wrong version.");

        if (!builderConfig.isObject())
            fail("Unexpected format for builder config.");
        const Json::Value *format = member(builderConfig, "Format");
        if (!format || !format->isString() || format->asString() != "BuilderConfig")
            fail("Format must be BuilderConfig");
        const Json::Value *device = member(builderConfig, "Device");
        if (!device || !device->isString() || device->asString() != "Quarra")
            fail("Device must be Quarra.");
        const Json::Value *configVersion = member(builderConfig, "Version");
        if (!configVersion || !isIntegral(*configVersion) || configVersion->asInt() != kBuilderConfigVersion)
            fail("Unsupported builder config version.");

        Assembler(m_templates, m_mode == "AutoEQ", output).run(builderConfig);
        if (!validateWires(output, detail))
            fail("Wiring is invalid.");
        if (!validateGrids(output, detail))
            fail("Grids are invalid.");
        output[".builderConfig"] = builderConfig;
        return true;
    } catch (...) {
        summary = failureText(std::current_exception());
        output = Json::Value();
        return false;
    }
}

bool ConfigBuilder::validateWires(const Json::Value &document, std::string &detail)
{
    const Json::Value *wires = member(document, "wires");
    if (!wires || !wires->isArray()) {
        detail += "expected wires to be an array\n";
        return false;
    }
    for (const Json::Value &w : *wires) {
        auto bad = [&](const char *message) {
            detail += compactJson(w) + message;
            return false;
        };
        if (!w.isArray() || w.size() != 2)
            return bad(" expected array size=2\n");
        const Json::Value &src = w[0];
        const Json::Value &dest = w[1];
        if (!src.isArray())
            return bad(" expected array for src\n");
        if (!src[0].isString())
            return bad(" expected string for src[0]\n");
        if (!src[1].isInt())
            return bad(" expected number for src[1]\n");
        if (!dest.isArray())
            return bad(" expected array for dest\n");
        if (!dest[0].isString())
            return bad(" expected string for dest[0]\n");
        if (!dest[1].isInt())
            return bad(" expected number for dest[1]\n");
        const Json::Value *from = member(document, src[0].asString());
        if (!from || !from->isObject())
            return bad(" src PO not found\n");
        const Json::Value *to = member(document, dest[0].asString());
        if (!to || !to->isObject())
            return bad(" dest PO not found\n");
        const Json::Value *fromProperties = member(*from, "Properties");
        if (!fromProperties || !fromProperties->isObject())
            return bad(" src PO DSP not set\n");
        const Json::Value *toProperties = member(*to, "Properties");
        if (!toProperties || !toProperties->isObject())
            return bad(" dest PO DSP not set\n");
        const Json::Value *fromDsp = member(*fromProperties, "DSP");
        const Json::Value *toDsp = member(*toProperties, "DSP");
        if (!fromDsp || !toDsp || !fromDsp->isString() || !toDsp->isString() || fromDsp->asString().empty()
            || toDsp->asString().empty())
            return bad(" DSP is empty string\n");
        if (fromDsp->asString() != toDsp->asString())
            return bad(" src and dest DSP don't match\n");
    }
    return true;
}

bool ConfigBuilder::validateGrids(const Json::Value &document, std::string &detail)
{
    if (!document.isObject()) {
        detail += "expected config to be an object\n";
        return false;
    }
    for (const char *name : {"gridsDisplay", "gridsOA"}) {
        const std::string n = name;
        const Json::Value *grids = member(document, name);
        if (!grids || !grids->isArray()) {
            detail += "expected " + n + " to be an array\n";
            return false;
        }
        for (const Json::Value &g : *grids) {
            if (!g.isObject()) {
                detail += n + " to contain only objects\n";
                return false;
            }
            if (!g.isMember("Name")) {
                detail += n + "'s grids to have a 'Name'\n";
                return false;
            }
            const Json::Value *map = member(g, "Map");
            if (!map) {
                detail += n + "'s grids to have a 'Map'\n";
                return false;
            }
            if (!map->isArray()) {
                detail += " expected array\n";
                return false;
            }
            for (const Json::Value &row : *map) {
                if (!row.isArray()) {
                    detail += " expected array\n";
                    return false;
                }
                for (const Json::Value &item : row) {
                    if (!item.isString()) {
                        detail += " expected string for grid item";
                        return false;
                    }
                    const std::string text = item.asString();
                    if (text == kEmpty || text == kLinked)
                        continue;
                    const Json::Value *object = member(document, text);
                    if (!object || !object->isObject()) {
                        detail += " po does not exist";
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

std::string ConfigBuilder::objectName(const std::string &pattern, int rowPosition)
{
    std::string name = pattern;
    std::replace(name.begin(), name.end(), '#', static_cast<char>('0' + rowPosition));
    return name;
}

std::string ConfigBuilder::failureText(std::exception_ptr failure)
{
    try {
        if (failure)
            std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        const char *message = e.what();
        if (message && *message)
            return message;
    } catch (...) {
    }
    return "Unclassified failure.";
}

// ---------------------------------------------------------------------------------------------
// Lookups

const Json::Value &ConfigBuilder::cell(const Json::Value &builderConfig, int column, int row) const
{
    const int element = cellIndex(builderConfig, column, row);
    return columnAt(builderConfig, column)[static_cast<Json::ArrayIndex>(element)];
}

int ConfigBuilder::cellIndex(const Json::Value &builderConfig, int column, int row) const
{
    const Target t = locate(m_templates, builderConfig, column, row, false);
    return t.column.cells[static_cast<std::size_t>(t.position)].element;
}

int ConfigBuilder::cellSpan(const Json::Value &builderConfig, int column, int row) const
{
    return locate(m_templates, builderConfig, column, row, false).span;
}

const Json::Value &ConfigBuilder::crossoverTypes(const std::string &crossoverTemplate) const
{
    return typeTable(m_templates, crossoverTemplate);
}

const Json::Value &ConfigBuilder::crossoverType(const std::string &crossoverTemplate,
                                                const std::string &secondaryType) const
{
    return typeEntry(m_templates, crossoverTemplate, secondaryType);
}

int ConfigBuilder::crossoverSpan(const std::string &crossoverTemplate, const std::string &secondaryType) const
{
    return layoutOf(m_templates, crossoverTemplate, secondaryType).outputs;
}

const std::vector<std::string> &ConfigBuilder::crossoverLayoutNames()
{
    static const std::vector<std::string> names = {
        "Mono Fullrange with Aux Fed Sub",
        "Mono Fullrange with Aux Fed Sub x2",
        "Mono 2-Way with Aux Fed Sub",
        "Mono 2-Way with Aux Fed Sub x2",
        "Mono 3-Way with Aux Fed Sub",
        "Mono 4-Way with Aux Fed Sub",
        "Mono 5-Way with Aux Fed Sub",
        "Mono x2 Fullrange with Aux Fed Sub",
        "Mono x2 2-Way with Aux Fed Sub",
        "Mono x3 Fullrange with Aux Fed Sub",
        "LCR Fullrange with Aux Fed Sub",
        "LCR Fullrange with Aux Fed Sub x2",
        "LCR Fullrange with Aux Fed Sub x3",
        "Stereo Fullrange with Aux Fed Sub",
        "Stereo Fullrange with Aux Fed Sub x2",
        "Stereo 2-Way with Aux Fed Sub",
        "Stereo 2-Way with Aux Fed Sub x2",
        "Mono Fullrange with Mono Sub",
        "Mono Fullrange with Mono Sub x2",
        "Mono 2-Way with Mono Sub",
        "Mono 2-Way with Mono Sub x2",
        "Mono 3-Way with Mono Sub",
        "Mono 4-Way with Mono Sub",
        "Mono 5-Way with Mono Sub",
        "Mono x2 Fullrange with Mono Sub",
        "Mono x2 2-Way with Mono Sub",
        "Mono x3 Fullrange with Mono Sub",
        "LCR Fullrange with Mono Sub",
        "Stereo Fullrange with Mono Sub",
        "Stereo Fullrange with Mono Sub x2",
        "Stereo 2-Way with Mono Sub",
        "LCR Fullrange with Stereo Sub",
        "Stereo Fullrange with Stereo Sub",
        "Stereo 2-Way with Stereo Sub",
        "LCR Fullrange with LCR Sub",
        "Mono Fullrange",
        "Mono 2-Way",
        "Mono 3-Way",
        "Mono 4-Way",
        "Mono 5-Way",
        "Mono 6-Way",
        "Mono x2 Fullrange",
        "Mono x2 2-Way",
        "Mono x2 3-Way",
        "Mono x3 Fullrange",
        "Mono x3 2-Way",
        "LCR Fullrange",
        "LCR 2-Way",
        "Stereo Fullrange",
        "Stereo 2-Way",
        "Stereo 3-Way",
    };
    return names;
}

// ---------------------------------------------------------------------------------------------
// Editing

bool ConfigBuilder::commitIfBuilds(Json::Value &builderConfig, Json::Value candidate) const
{
    Json::Value document;
    std::string summary;
    std::string detail;
    if (!tryBuild(document, candidate, summary, detail))
        return false;
    builderConfig = std::move(candidate);
    return true;
}

namespace {
Json::Value withColumn(const Json::Value &builderConfig, int column, Json::Value cells)
{
    Json::Value candidate = builderConfig;
    candidate["Columns"][static_cast<Json::ArrayIndex>(column)] = std::move(cells);
    return candidate;
}
} // namespace

bool ConfigBuilder::canSpan(const Json::Value &builderConfig, int column, int row, int span) const
{
    Json::Value copy = builderConfig;
    return setSpan(copy, column, row, span);
}

bool ConfigBuilder::setSpan(Json::Value &builderConfig, int column, int row, int span) const
{
    try {
        const Target t = locate(m_templates, builderConfig, column, row, false);
        if (t.kind != Kind::Insert)
            return false;
        const Json::Value &cells = columnAt(builderConfig, column);
        Json::Value cell = cells[static_cast<Json::ArrayIndex>(t.column.cells[static_cast<std::size_t>(t.position)].element)];
        cell.resize(std::max<Json::ArrayIndex>(cell.size(), 2));
        cell[1] = span;
        return commitIfBuilds(builderConfig, withColumn(builderConfig, column, rewriteColumn(cells, t, cell, span)));
    } catch (...) {
        return false;
    }
}

std::vector<std::string> ConfigBuilder::crossoverCandidates(const Json::Value &builderConfig, int column, int row,
                                                            const std::string &crossoverTemplate) const
{
    std::vector<std::string> result;
    try {
        const Target t = locate(m_templates, builderConfig, column, row, true);
        const int room = t.span + t.freeBelow;
        std::vector<std::string> names;
        if (crossoverTemplate == kIIR)
            names = crossoverLayoutNames();
        else
            names = crossoverTypes(crossoverTemplate).getMemberNames();
        const Json::Value &table = crossoverTypes(crossoverTemplate);
        for (const std::string &name : names) {
            if (!member(table, name))
                continue;
            try {
                if (crossoverSpan(crossoverTemplate, name) <= room)
                    result.push_back(name);
            } catch (const ConfigBuilderError &) {
                // a malformed layout is never offered
            }
        }
    } catch (...) {
        result.clear();
    }
    return result;
}

bool ConfigBuilder::setCrossoverLayout(Json::Value &builderConfig, int column, int row,
                                       const std::string &layout) const
{
    try {
        const Target t = locate(m_templates, builderConfig, column, row, true);
        std::string templ = kIIR;
        if (t.kind == Kind::Crossover)
            templ = t.column.cells[static_cast<std::size_t>(t.position)].shape.templateName;
        else if (t.kind != Kind::Empty)
            return false;
        Json::Value cell(Json::arrayValue);
        cell.append(templ);
        cell.append(layout);
        const Json::Value &cells = columnAt(builderConfig, column);
        return commitIfBuilds(builderConfig, withColumn(builderConfig, column,
                                                        rewriteColumn(cells, t, cell, crossoverSpan(templ, layout))));
    } catch (...) {
        return false;
    }
}

bool ConfigBuilder::replaceTemplate(Json::Value &builderConfig, int column, int row,
                                    const std::string &templateName) const
{
    try {
        const Target t = locate(m_templates, builderConfig, column, row, true);
        if (!allowedIn(m_templates, t.column.name, templateName))
            return false;
        const Json::Value *templ = member(m_templates, templateName);
        if (!templ || !templ->isObject())
            return false;
        const Json::Value &cells = columnAt(builderConfig, column);
        const Json::Value current = t.position >= 0
            ? cells[static_cast<Json::ArrayIndex>(t.column.cells[static_cast<std::size_t>(t.position)].element)]
            : Json::Value();
        Json::Value cell(Json::arrayValue);
        cell.append(templateName);
        int span = 1;
        switch (kindOf(templateName, *templ)) {
        case Kind::Crossover: {
            // Keep the rows: the current layout when the template stays, else the first layout
            // of the new table with the same span.
            std::string layout;
            if (t.kind == Kind::Crossover && current[0].asString() == templateName)
                layout = current[1].asString();
            const std::vector<std::string> names = templateName == kIIR
                ? crossoverLayoutNames()
                : crossoverTypes(templateName).getMemberNames();
            for (std::size_t i = 0; layout.empty() && i < names.size(); ++i) {
                try {
                    if (member(crossoverTypes(templateName), names[i])
                        && crossoverSpan(templateName, names[i]) == t.span)
                        layout = names[i];
                } catch (const ConfigBuilderError &) {
                }
            }
            if (layout.empty())
                return false;
            cell.append(layout);
            span = t.span;
            break;
        }
        case Kind::Router:
            span = t.column.sectionRows;
            break;
        case Kind::Sources:
            break;
        case Kind::Named: {
            std::string name;
            if (t.kind == Kind::Named && current.size() > 1 && current[1].isString())
                name = current[1].asString();
            else
                name = "Output " + std::to_string(t.firstRow + 1);
            cell.append(name);
            break;
        }
        case Kind::Insert: {
            const int defaultChannels = intAttribute(*templ, "NumChans", 1);
            span = t.kind == Kind::Insert ? t.span
                                          : (defaultChannels >= 1 && defaultChannels <= t.span + t.freeBelow ? defaultChannels : 1);
            cell.append(span);
            break;
        }
        case Kind::Empty:
            return false;
        }
        return commitIfBuilds(builderConfig, withColumn(builderConfig, column, rewriteColumn(cells, t, cell, span)));
    } catch (...) {
        return false;
    }
}

} // namespace tarn
