// libFuzzer harness: the configuration document as the home screen takes it ('D' first: a whole
// document, else one "GetConfigDocument" chunk answer a line). Properties: a fetch ends once with
// the announced bytes; a refused document changes nothing shown and says why; an accepted one has
// stable normalised text and cells that match their grids.
#include "configdocumentfetcher.h"
#include "fuzzcheck.h"
#include "homescreenmodel.h"
#include "linkfixture.h"
#include "nodecommandchannel.h"
#include "reconfigurator.h"
#include "testenv.h"

#include <QCryptographicHash>
#include <QJsonDocument>

using tarn::home::ConfigDocumentFetcher;

namespace {
constexpr int kMaxAnswers = 64;

struct Harness {
    tarn::test::LinkFixture link;
    HomeScreenModel *model = nullptr;
    tarn::home::NodeCommandChannel *channel = nullptr;
    ConfigDocumentFetcher *fetcher = nullptr;
    QByteArray good;
    QStringList goodState; // what the model shows holding `good`
};
Harness *g = nullptr;

// Everything the screens can read of the model.
QStringList describe(HomeScreenModel &model)
{
    QStringList out{QString::fromUtf8(QJsonDocument(model.workingConfiguration()).toJson(QJsonDocument::Compact)),
                    model.limiterList(),
                    QString::number(model.configEmpty())};
    for (const QString &grid : model.gridNames()) {
        const QVariantMap size = model.gridSize(grid);
        const QVariantList map = size.value(QStringLiteral("map")).toList();
        out << grid + QLatin1Char(' ') + size.value(QStringLiteral("columns")).toString() + QLatin1Char('x')
                   + size.value(QStringLiteral("rows")).toString();
        for (int c = 0; c < map.size(); ++c) {
            const QStringList names = map.at(c).toStringList();
            for (int r = 0; r < names.size(); ++r) {
                const QVariantMap cell = model.cellInfo(grid, c, r);
                if (cell.isEmpty())
                    continue;
                check(cell.value(QStringLiteral("name")).toString() == names.at(r), "a cell is the object its grid names");
                const QJsonObject data = QJsonDocument::fromJson(cell.value(QStringLiteral("data")).toByteArray()).object();
                check(data.value(QStringLiteral("POName")).toString() == names.at(r), "a cell carries its object's data");
                QStringList keys;
                for (auto it = cell.cbegin(); it != cell.cend(); ++it)
                    keys << it.key() + QLatin1Char('=') + it.value().toString();
                out << keys.join(QLatin1Char(';'));
            }
        }
    }
    return out;
}

void takeWhole(const QByteArray &document)
{
    HomeScreenModel &model = *g->model;
    check(model.takeDocument(g->good), "the default document loads");
    if (g->goodState.isEmpty())
        g->goodState = describe(model);
    if (!model.takeDocument(document))
        return tarn::fuzz::checkRefused("document", model.configError(), describe(model) == g->goodState);
    QString normalised;
    QString why;
    check(HomeScreenModel::checkDocument(document, &normalised, &why), "an accepted document passes the checks");
    QString again;
    check(HomeScreenModel::checkDocument(normalised.toUtf8(), &again, &why) && again == normalised,
          "a document's normalised text is stable");
    describe(model);
}

QByteArray fetch(const QList<QByteArray> &lines, bool *delivers)
{
    ConfigDocumentFetcher &fetcher = *g->fetcher;
    int ends = 0;
    bool got = false;
    QByteArray delivered;
    const auto onReceived = QObject::connect(&fetcher, &ConfigDocumentFetcher::received, [&](const QByteArray &document) {
        ++ends;
        got = true;
        delivered = document;
    });
    const auto onFailed = QObject::connect(&fetcher, &ConfigDocumentFetcher::failed, [&](const QString &why) {
        ++ends;
        check(!why.isEmpty(), "a failed fetch says why");
    });
    fetcher.start();
    check(fetcher.isRunning(), "a fetch starts while logged in");
    QJsonObject last;
    for (int i = 0; i < lines.size() && i < kMaxAnswers; ++i) {
        const QJsonObject answer = QJsonDocument::fromJson(lines.at(i)).object();
        const bool running = fetcher.isRunning();
        const bool taken = fetcher.takeAnswer(answer, true);
        check(running || !taken, "an ended fetch takes nothing");
        if (taken)
            last = answer;
        check(taken == fetcher.isRunning() || (taken && ends == 1 && got), "a fetch runs until it ends");
    }
    fetcher.cancel();
    QObject::disconnect(onReceived);
    QObject::disconnect(onFailed);
    check(ends <= 1, "a fetch ends once");
    *delivers = got;
    if (!got)
        return QByteArray();
    const QJsonObject result = last.value(QStringLiteral("result")).toObject();
    check(delivered.size() == result.value(QStringLiteral("size")).toDouble(), "a fetch delivers the announced size");
    check(QCryptographicHash::hash(delivered, QCryptographicHash::Sha256).toHex()
              == result.value(QStringLiteral("sha256")).toString().toLower().toLatin1(),
          "a fetch delivers the announced digest");
    return delivered;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tarn::test::isolateEnvironment();
    tarn::fuzz::startQt();
    g = new Harness;
    check(g->link.login(), "logged in to the scripted processor");
    g->model = new HomeScreenModel;
    g->channel = new tarn::home::NodeCommandChannel;
    g->fetcher = new ConfigDocumentFetcher(g->channel);
    QJsonObject document;
    check(g->model->reconfigurator().useDefault(document), "the default document builds");
    g->good = QJsonDocument(document).toJson(QJsonDocument::Compact);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    g->link.peer().clearLines();
    g->link.clear();
    const QByteArray bytes = tarn::fuzz::bytes(data, size);
    if (bytes.startsWith('D')) {
        takeWhole(bytes.mid(1));
        return 0;
    }
    bool got = false;
    const QByteArray document = fetch(bytes.split('\n'), &got);
    if (got)
        takeWhole(document);
    return 0;
}
