// Guards against builder configs or template libraries, however damaged, that crash the builder,
// give a document failing its own checks, or let an edit produce a config that no longer builds.
// TARN_FUZZ_SEED and TARN_FUZZ_ITERATIONS override the defaults for longer runs.

#include "configbuilder.h"
#include "configtestutil.h"
#include "testenv.h"

#include <QCoreApplication>

#include <climits>
#include <memory>
#include <random>

using tarn::ConfigBuilder;
using tarn::ConfigBuilderError;
using namespace tarn::test;

namespace {

class Mutator {
public:
    explicit Mutator(std::uint32_t seed)
        : m_rng(seed)
    {
        const Json::Value lib = library();
        for (const std::string &key : lib.getMemberNames())
            m_words.push_back(key);
        for (const std::string &key : lib[".slots"].getMemberNames())
            m_words.push_back(key);
        const auto &layouts = ConfigBuilder::crossoverLayoutNames();
        m_words.insert(m_words.end(), layouts.begin(), layouts.begin() + 8);
        for (const char *w : {"", "#", "##", "EMPTY", "LINKED", "wires", "gridsOA", ".builderConfig", "In1", "In8",
                              "A", "D", "1", "4", "Gen", "dsp1", "dsp2", "dsp3", "AutoEQ", "Mains=9", "Subs=40",
                              "7-Way", "Aux Fed", "2x3", "9x9", "Column_Mid", "Column_Side", "Output 1"})
            m_words.emplace_back(w);
        m_words.emplace_back(std::string(100, 'x'));
    }

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(int percent) { return below(100) < percent; }

    Json::Value randomScalar()
    {
        static const std::int64_t ints[] = {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 12, 14, 15, 18, 19, 20,
                                            31, 32, 33, 64, 1000000, INT_MAX};
        switch (below(6)) {
        case 0:
            return Json::Value();
        case 1:
            return Json::Value(chance(50));
        case 2:
            return Json::Value(static_cast<Json::Int64>(ints[below(sizeof ints / sizeof ints[0])]));
        case 3:
            return Json::Value(chance(50) ? 1.5 : (chance(50) ? 1e300 : 4294967295.0));
        default:
            return Json::Value(m_words[static_cast<std::size_t>(below(static_cast<int>(m_words.size())))]);
        }
    }

    Json::Value randomValue(int depth)
    {
        if (depth <= 0 || chance(60))
            return randomScalar();
        Json::Value v(chance(70) ? Json::arrayValue : Json::objectValue);
        const int n = below(4);
        for (int i = 0; i < n; ++i) {
            if (v.isArray())
                v.append(randomValue(depth - 1));
            else
                v[m_words[static_cast<std::size_t>(below(static_cast<int>(m_words.size())))]] = randomValue(depth - 1);
        }
        return v;
    }

    // A node reached by a random walk down from `root`.
    Json::Value &randomNode(Json::Value &root)
    {
        Json::Value *node = &root;
        while ((node->isArray() || node->isObject()) && !node->empty() && !chance(25)) {
            if (node->isArray()) {
                node = &(*node)[static_cast<Json::ArrayIndex>(below(static_cast<int>(node->size())))];
            } else {
                const std::vector<std::string> keys = node->getMemberNames();
                node = &(*node)[keys[static_cast<std::size_t>(below(static_cast<int>(keys.size())))]];
            }
        }
        return *node;
    }

    void mutate(Json::Value &root)
    {
        Json::Value &node = randomNode(root);
        switch (below(6)) {
        case 0:
            node = randomValue(2);
            break;
        case 1:  // remove a child
            if (node.isArray() && !node.empty()) {
                Json::Value removed;
                node.removeIndex(static_cast<Json::ArrayIndex>(below(static_cast<int>(node.size()))), &removed);
            } else if (node.isObject() && !node.empty()) {
                const std::vector<std::string> keys = node.getMemberNames();
                node.removeMember(keys[static_cast<std::size_t>(below(static_cast<int>(keys.size())))]);
            }
            break;
        case 2:  // duplicate an element
            if (node.isArray() && !node.empty() && node.size() < 40)
                node.append(Json::Value(node[static_cast<Json::ArrayIndex>(below(static_cast<int>(node.size())))]));
            break;
        case 3:  // swap two elements
            if (node.isArray() && node.size() > 1) {
                const auto a = static_cast<Json::ArrayIndex>(below(static_cast<int>(node.size())));
                const auto b = static_cast<Json::ArrayIndex>(below(static_cast<int>(node.size())));
                Json::Value t = node[a];
                node[a] = node[b];
                node[b] = t;
            }
            break;
        case 4:  // a null cell somewhere
            if (node.isArray() && node.size() > 1)
                node[static_cast<Json::ArrayIndex>(1 + below(static_cast<int>(node.size()) - 1))] = Json::Value();
            break;
        default:
            if (!node.isArray() && !node.isObject())
                node = randomScalar();
            break;
        }
    }

    std::mt19937 &rng() { return m_rng; }

private:
    std::mt19937 m_rng;
    std::vector<std::string> m_words;
};

std::uint32_t envNumber(const char *name, std::uint32_t fallback)
{
    bool ok = false;
    const uint value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

} // namespace

class TstConfigFuzz : public QObject {
    Q_OBJECT
private slots:
    void mutated_data();
    void mutated();

private:
    // Runs build, the lookups and one editing routine; returns an empty text or what broke.
    QString exercise(Mutator &m, ConfigBuilder &builder, const Json::Value &config, bool libraryIntact);
    int m_built = 0;
    int m_refused = 0;
};

QString TstConfigFuzz::exercise(Mutator &m, ConfigBuilder &builder, const Json::Value &config, bool libraryIntact)
{
    builder.setMode(m.chance(25) ? "AutoEQ" : "");
    Json::Value document(Json::objectValue);
    document["stale"] = 1;
    const bool ok = builder.build(document, config);
    if (ok) {
        ++m_built;
        std::string detail;
        if (!document.isObject() || !builder.errorSummary().empty())
            return QStringLiteral("success without a document");
        if (!ConfigBuilder::validateWires(document, detail) || !ConfigBuilder::validateGrids(document, detail))
            return QStringLiteral("success with a document that fails validation: ") + QString::fromStdString(detail);
        if (!(document[".builderConfig"] == config))
            return QStringLiteral(".builderConfig differs from the input");
        if (document.isMember("stale"))
            return QStringLiteral("old output content survived");
        const QString broken = checkInvariants(document, libraryIntact);
        if (!broken.isEmpty())
            return broken;
    } else {
        ++m_refused;
        if (!document.isNull())
            return QStringLiteral("failure left an output");
        if (builder.errorSummary().empty())
            return QStringLiteral("failure without a summary");
    }

    const int column = m.below(17) - 1;
    const int row = m.below(9) - 1;
    try {
        builder.cell(config, column, row);
        builder.cellSpan(config, column, row);
    } catch (const ConfigBuilderError &) {
    } catch (const std::exception &e) {
        return QStringLiteral("lookup threw a foreign exception: ") + e.what();
    }
    Json::Value edited = config;
    bool changed = false;
    switch (m.below(4)) {
    case 0:
        changed = builder.setSpan(edited, column, row, m.below(8) - 1);
        break;
    case 1: {
        const auto candidates = builder.crossoverCandidates(config, column, row);
        const auto &names = ConfigBuilder::crossoverLayoutNames();
        changed = builder.setCrossoverLayout(edited, column, row,
                                             candidates.empty() || m.chance(30)
                                                 ? names[static_cast<std::size_t>(m.below(static_cast<int>(names.size())))]
                                                 : candidates[static_cast<std::size_t>(m.below(static_cast<int>(candidates.size())))]);
        break;
    }
    case 2: {
        const std::vector<std::string> keys = library().getMemberNames();
        changed = builder.replaceTemplate(edited, column, row,
                                          keys[static_cast<std::size_t>(m.below(static_cast<int>(keys.size())))]);
        break;
    }
    default:
        changed = builder.canSpan(edited, column, row, m.below(4));
        if (!(edited == config))
            return QStringLiteral("canSpan changed the config");
        changed = false;
        break;
    }
    if (changed) {
        Json::Value rebuilt;
        if (!builder.build(rebuilt, edited))
            return QStringLiteral("an accepted edit does not build: ") + QString::fromStdString(builder.errorSummary());
    } else if (!(edited == config)) {
        return QStringLiteral("a refused edit changed the config");
    }
    return QString();
}

void TstConfigFuzz::mutated_data()
{
    QTest::addColumn<bool>("libraries");
    QTest::addColumn<uint>("seed");
    QTest::addColumn<int>("iterations");
    const int iterations = static_cast<int>(envNumber("TARN_FUZZ_ITERATIONS", 2500));
    QTest::newRow("configs") << false << envNumber("TARN_FUZZ_SEED", 0x5eed0001u) << iterations;
    QTest::newRow("libraries") << true << envNumber("TARN_FUZZ_SEED", 0x5eed0002u) << iterations / 2;
}

void TstConfigFuzz::mutated()
{
    QFETCH(bool, libraries);
    QFETCH(uint, seed);
    QFETCH(int, iterations);
    Mutator m(seed);
    const std::vector<std::string> keys = library().getMemberNames();
    ConfigBuilder intact(library());
    m_built = m_refused = 0;
    for (int i = 0; i < iterations; ++i) {
        Json::Value config = defaultConfig();
        std::unique_ptr<ConfigBuilder> own;
        if (libraries) {
            Json::Value lib = library();
            for (int r = 1 + m.below(3); r > 0; --r) {
                const std::string &key = keys[static_cast<std::size_t>(m.below(static_cast<int>(keys.size())))];
                m.mutate(lib.isObject() && m.chance(90) ? lib[key] : lib);
            }
            if (m.chance(30))
                m.mutate(config["Columns"]);
            own = std::make_unique<ConfigBuilder>(lib);
        } else {
            for (int r = 1 + m.below(4); r > 0; --r)
                m.mutate(config.isObject() && m.chance(85) ? config["Columns"] : config);
        }
        const QString broken = exercise(m, own ? *own : intact, config, !libraries);
        QVERIFY2(broken.isEmpty(), qPrintable(QStringLiteral("seed %1 iteration %2: %3\n%4")
                                                   .arg(seed).arg(i).arg(broken, QString::fromUtf8(text(config)))));
    }
    qInfo("%d built, %d refused", m_built, m_refused);
    // Both outcomes must actually occur, or the mutations test nothing.
    QVERIFY2(m_built > iterations / 10, qPrintable(QString::number(m_built)));
    QVERIFY2(m_refused > iterations / 10, qPrintable(QString::number(m_refused)));
}

TARN_TEST_MAIN(TstConfigFuzz, QCoreApplication)
#include "tst_configfuzz.moc"
