#pragma once

#include <json/value.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarn {

// Raised inside the builder and its lookups; build() turns it into its summary text.
class ConfigBuilderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Turns a builder config (the compact description of the configurable model's chain) into the
// full configuration document: processing objects from the template library, the wires between
// them and the display grids. DESIGN.md beside this file explains the layout rules.
//
// Rows are counted from 1 in every routine that takes one, as in the builder config itself.
// Lookups throw ConfigBuilderError; build() and the editing routines never throw.
class ConfigBuilder {
public:
    static constexpr int kTemplatesVersion = 19;
    static constexpr int kBuilderConfigVersion = 5;
    // A section is at most this many rows tall, which also keeps every generated object name
    // (row digit '0' + row) a plain printable character.
    static constexpr int kMaxSectionRows = 32;
    // Longest text the builder copies from a builder config into an object (names).
    static constexpr std::size_t kMaxNameLength = 64;

    ConfigBuilder() = default;
    explicit ConfigBuilder(Json::Value templates);

    void setTemplates(Json::Value templates);
    const Json::Value &templates() const { return m_templates; }

    // "AutoEQ" selects the measurement variant of the fixed objects; anything else the usual one.
    void setMode(std::string mode) { m_mode = std::move(mode); }
    const std::string &mode() const { return m_mode; }

    // Validates and assembles. On failure `output` is null, errorSummary() says why and
    // errorDetail() may say more (the bad wire or grid item).
    bool build(Json::Value &output, const Json::Value &builderConfig);
    const std::string &errorSummary() const { return m_summary; }
    const std::string &errorDetail() const { return m_detail; }

    // The cell of `column` (index into "Columns") that covers `row`. Throws "columns is not an
    // array" or "no item found at path".
    const Json::Value &cell(const Json::Value &builderConfig, int column, int row) const;
    // The element index of that cell inside its column array (1 for the first cell).
    int cellIndex(const Json::Value &builderConfig, int column, int row) const;
    // Rows the cell covering `row` occupies.
    int cellSpan(const Json::Value &builderConfig, int column, int row) const;

    // The layout table of a crossover template; throws "unsupported crossoverType".
    const Json::Value &crossoverTypes(const std::string &crossoverTemplate) const;
    // One entry of that table; throws "unsupported crossoverSecondaryType" when absent.
    const Json::Value &crossoverType(const std::string &crossoverTemplate,
                                     const std::string &secondaryType) const;
    // Rows a layout occupies (its output count); throws like crossoverType().
    int crossoverSpan(const std::string &crossoverTemplate, const std::string &secondaryType) const;
    // The names of the output layouts of "Out_CrossoverIIR", in the order choice lists show them.
    static const std::vector<std::string> &crossoverLayoutNames();

    // Span rule: only ordinary inserts (a template with a channel count) link; growing takes the
    // free rows right below the cell, shrinking leaves free rows there. The result must build.
    bool canSpan(const Json::Value &builderConfig, int column, int row, int span) const;
    bool setSpan(Json::Value &builderConfig, int column, int row, int span) const;
    // Candidate rule: the layouts of `crossoverTemplate` that fit into the rows of the cell at
    // `row` plus the free rows right below it, in choice-list order.
    std::vector<std::string> crossoverCandidates(const Json::Value &builderConfig, int column, int row,
                                                 const std::string &crossoverTemplate = "Out_CrossoverIIR") const;
    // Puts `layout` into the cell at `row` (an empty row becomes an "Out_CrossoverIIR" cell),
    // taking or leaving free rows below so that the cells beneath keep their rows.
    bool setCrossoverLayout(Json::Value &builderConfig, int column, int row, const std::string &layout) const;
    // Replaces the cell at `row` by one of the column's allowed templates, keeping its rows.
    bool replaceTemplate(Json::Value &builderConfig, int column, int row, const std::string &templateName) const;

    // The two checks build() runs on its result. Each appends its messages to `detail`.
    static bool validateWires(const Json::Value &document, std::string &detail);
    static bool validateGrids(const Json::Value &document, std::string &detail);

    // "#" in `pattern` replaced by the character '0' + rowPosition.
    static std::string objectName(const std::string &pattern, int rowPosition);
    // The summary text for a caught exception: its message, or "Unclassified failure.".
    static std::string failureText(std::exception_ptr failure);

private:
    // Builds without touching the error texts; used by build() and by the editing routines,
    // which try their change on a copy first.
    bool tryBuild(Json::Value &output, const Json::Value &builderConfig, std::string &summary,
                  std::string &detail) const;
    bool commitIfBuilds(Json::Value &builderConfig, Json::Value candidate) const;

    Json::Value m_templates;
    std::string m_mode;
    std::string m_summary;
    std::string m_detail;
};

} // namespace tarn
