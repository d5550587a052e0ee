// libFuzzer harness: configuration mode's edits. An input starting with '{' brings its own
// document in its first line, any other starts from the default one; then edits of four bytes
// (operation, column, row, argument). Properties: a refused edit changes nothing; an accepted
// one carries its builder config, passes the home screen's checks and gives a one-line command.
#include "fuzzcheck.h"
#include "homescreenmodel.h"
#include "jsonconvert.h"
#include "reconfigurator.h"
#include "testenv.h"

#include <QJsonDocument>

namespace {
constexpr int kMaxEdits = 12;
Reconfigurator *g_reconfigurator = nullptr;
QJsonObject g_default;

bool apply(Reconfigurator &r, QJsonObject &config, const uint8_t *op)
{
    const int column = op[1] % 24;
    const int row = op[2] % 40;
    const int argument = op[3];
    switch (op[0] % 10) {
    case 0:
        return r.link(config, column, row);
    case 1:
        return r.unlink(config, column, row);
    case 2:
        return r.removeBlock(config, column, row);
    case 3: {
        const int count = r.poListCnt(column, row);
        return r.changePO(config, column, row, count > 0 ? argument % (count + 1) : argument - 128);
    }
    case 4:
        return r.setMixerConfig(config, column, row, argument % 8 - 1);
    case 5:
        return r.setRouterConfig(config, argument % 8 - 1);
    case 6: {
        const int count = r.cfgXoverListCnt(config, row).value(QStringLiteral("count")).toInt();
        const QString name = count > 0 ? r.getCfgXoverInfo(argument % count).value(QStringLiteral("configName")).toString()
                                       : QString::number(argument);
        return r.setCrossoverConfig(config, row, name);
    }
    case 7:
        return r.renameOutputs(config, row, QString::fromLatin1(reinterpret_cast<const char *>(op + 1), 3));
    case 8:
        r.linkTest(column, row, argument % 3 - 1);
        r.canRemoveBlock(column, row);
        r.cellTemplate(column, row);
        r.getMixerCfgIdx(column, row);
        r.getInputRouterIdx();
        return false;
    default:
        return r.useDefault(config);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tarn::test::isolateEnvironment();
    tarn::fuzz::startQt();
    g_reconfigurator = new Reconfigurator;
    check(g_reconfigurator->loadTemplates(), "the templates load");
    check(g_reconfigurator->useDefault(g_default), "the default document builds");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reconfigurator &r = *g_reconfigurator;
    QByteArray bytes = tarn::fuzz::bytes(data, size);
    QJsonObject config = g_default;
    if (bytes.startsWith('{')) {
        const int end = bytes.indexOf('\n');
        const QByteArray document = end < 0 ? bytes : bytes.left(end);
        bytes = end < 0 ? QByteArray() : bytes.mid(end + 1);
        QString normalised;
        QString why;
        if (!HomeScreenModel::checkDocument(document, &normalised, &why))
            return 0;
        config = QJsonDocument::fromJson(normalised.toUtf8()).object();
    }
    r.initialize(config, QStringLiteral("127.0.0.1"));
    const auto *ops = reinterpret_cast<const uint8_t *>(bytes.constData());
    for (int i = 0; i + 4 <= bytes.size() && i / 4 < kMaxEdits; i += 4) {
        const QJsonObject configBefore = config;
        const Json::Value builderBefore = r.builderConfig();
        if (!apply(r, config, ops + i)) {
            check(config == configBefore, "a refused edit keeps the document");
            check(r.builderConfig() == builderBefore, "a refused edit keeps the builder config");
            continue;
        }
        check(tarn::home::toJsoncpp(config.value(QStringLiteral(".builderConfig"))) == r.builderConfig(),
              "the document carries its builder config");
        QString normalised;
        QString why;
        check(HomeScreenModel::checkDocument(QJsonDocument(config).toJson(QJsonDocument::Compact), &normalised, &why),
              "an edited document passes the home screen's checks");
        const QByteArray command = Reconfigurator::reconfigCommand(config);
        QJsonParseError error{};
        check(!command.contains('\n') && !command.contains('\r'), "the reconfiguration is one line");
        check(QJsonDocument::fromJson(command, &error).isObject(), "the reconfiguration is JSON");
    }
    return 0;
}
