// libFuzzer harness: request lines carried out by the offline model ('Q' first: the configurable
// one, else the fixed chain). Properties: answers lead back and read back in the application's
// classifier; a refused request changes no value; values stay in range; the configurable
// model's document matches its checksum and survives a failed reconfiguration.
#include "devicestate.h"
#include "fuzzmodel.h"
#include "lineformat.h"
#include "quarramodel.h"
#include "request.h"

#include <QCryptographicHash>

#include <memory>

using namespace tarn::offline;
using tarn::fuzz::fixedCatalogue;
using tarn::protocol::LineClassifier;

namespace {
constexpr int kMaxLines = 24;
const QString kStatus = QStringLiteral("Node\\Config\\SV\\Command:Status");
const QString kResult = QStringLiteral("Node\\Config\\SV\\Result");
const QString kCommand = QStringLiteral("Node\\Config\\SV\\Command");

// Every value but the node command channel: the command, its status and its result.
QStringList snapshot(const DeviceState &state)
{
    QStringList values;
    for (int i = 0; i < state.count(); ++i) {
        const QString &key = state.variable(i).key;
        if (key != kStatus && key != kResult && key != kCommand)
            values << key + QLatin1Char('=') + (state.isPresent(i) ? state.display(i) : QStringLiteral("<absent>"));
    }
    return values;
}

QString valueText(const DeviceState &state, const ResolvedPath &path)
{
    using Form = ResolvedPath::Form;
    if (path.form == Form::Plain || path.form == Form::Percent)
        return path.form == Form::Plain ? state.display(path.index) : state.percent(path.index);
    return path.form == Form::Choices ? QString() : state.limit(path.index, path.form == Form::Max);
}

// The line the model would send, read by the application.
void checkAnswer(const QString &word, const ResolvedPath &path, const QString &text)
{
    const QByteArray line = valueLine(word, answerPath(path.key, path.form), text);
    check(line.endsWith('\n') && line.count('\n') == 1 && !line.contains('\r'), "an answer is one line");
    check(!text.contains(QLatin1Char('"')), "a value holds no quote");
    LineClassifier classifier;
    check(classifier.classify(QString::fromUtf8(line.chopped(1))) == LineClassifier::Kind::Value,
          "the application reads the answer");
    static const QStringList formWords{QString(), QStringLiteral("%"), QStringLiteral("Min"), QStringLiteral("Max")};
    check(classifier.record().value == text, "the value arrives as sent");
    check(classifier.record().valueType == formWords.value(int(path.form)), "the form arrives as asked");
}

void checkVariable(const DeviceState &state, int idx)
{
    if (!state.isPresent(idx))
        return;
    const Variable &v = state.variable(idx);
    ResolvedPath path;
    path.index = idx;
    path.key = v.key;
    checkAnswer(QStringLiteral("subr"), path, state.display(idx));
    if (v.kind == Variable::Kind::Number) {
        check(state.number(idx) >= v.min && state.number(idx) <= v.max, "numbers stay inside their range");
    } else if (v.kind == Variable::Kind::Choice || v.kind == Variable::Kind::OnOff) {
        check(v.choices.contains(state.display(idx)), "a choice is one of the list");
    }
}

void checkPaths(const DeviceState &state, const ResolvedPath &path)
{
    if (path.index >= 0 || path.folder) {
        const ResolvedPath back = resolvePath(state, answerPath(path.key, path.form));
        check(back.index == path.index && back.form == path.form && back.key == path.key && back.folder == path.folder,
              "an answer path leads back to the same place");
    }
    QStringList names;
    if (path.folder && state.children(path.key, &names)) {
        for (const QString &name : qAsConst(names))
            check(!name.isEmpty() && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('\n'))
                      && !name.contains(QLatin1Char('"')),
                  "child names are plain");
    }
}

// The configurable model takes long to start, so one serves every input for as long as no input
// changes what it keeps (its chain, or a copied object's settings).
QuarraModel &configurableModel(bool renew, const Catalogue **catalogue)
{
    static std::unique_ptr<QuarraModel> model;
    static Catalogue held;
    static QByteArray sha256;
    if (!model || renew || model->documentSha256() != sha256) {
        QuarraModel::Settings settings;
        settings.reconfigMs = 0;
        model = std::make_unique<QuarraModel>(settings);
        QString error;
        check(model->prepare(&held, &error), "the configurable model starts");
        sha256 = model->documentSha256();
    }
    *catalogue = &held;
    return *model;
}

void settle()
{
    // Recalls and reconfigurations finish on zero-length timers.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
    const bool configurable = size > 0 && data[0] == 'Q';
    QuarraModel *quarra = nullptr;
    const Catalogue *catalogue = &fixedCatalogue();
    if (configurable) // a paste must not find what an earlier input copied
        quarra = &configurableModel(tarn::fuzz::bytes(data, size).contains("Copy"), &catalogue);
    DeviceState state(*catalogue, 1);
    if (quarra)
        quarra->attach(&state);
    state.setRecallDuration(0);
    const QList<QByteArray> lines = tarn::fuzz::bytes(data, size).split('\n');
    for (int n = 0; n < lines.size() && n < kMaxLines; ++n) {
        QByteArray raw = lines.at(n);
        if (raw.endsWith('\r'))
            raw.chop(1);
        const Request request = parseRequest(QString::fromUtf8(raw));
        if (request.word != Request::Word::Json) {
            check(!request.path.contains(QLatin1Char('"')) && !request.value.contains(QLatin1Char('"')),
                  "quotes only delimit");
        }
        const bool changing = request.word == Request::Word::Json || request.word == Request::Word::Set;
        const QStringList before = changing ? snapshot(state) : QStringList();
        const QByteArray documentBefore = configurable ? quarra->document() : QByteArray();
        bool refused = false;
        if (request.word == Request::Word::Json) {
            state.runRawCommand(request.value);
            settle();
            refused = state.display(state.indexOf(kStatus)).endsWith(QLatin1String(":Failed"));
        } else if (request.hasPath) {
            const ResolvedPath path = resolvePath(state, request.path);
            checkPaths(state, path);
            if (path.index < 0 || path.form == ResolvedPath::Form::Choices || !state.isPresent(path.index))
                continue;
            if (request.word == Request::Word::Set && request.hasValue
                && (path.form == ResolvedPath::Form::Plain || path.form == ResolvedPath::Form::Percent)) {
                QString why;
                const auto result = state.write(path.index, request.value,
                                                path.form == ResolvedPath::Form::Percent, &why);
                settle();
                refused = result != DeviceState::WriteResult::Changed && result != DeviceState::WriteResult::Unchanged;
                if (refused)
                    tarn::fuzz::checkRefused("set", why);
                if (state.variable(path.index).action == Variable::Action::NodeCommand
                    && state.display(state.indexOf(kStatus)).endsWith(QLatin1String(":Failed")))
                    refused = true;
            }
            const QString text = valueText(state, path);
            if (!text.isNull())
                checkAnswer(QStringLiteral("get"), path, text);
        }
        if (refused) {
            const QStringList after = snapshot(state);
            for (int i = 0; i < after.size() && i < before.size(); ++i) {
                if (after.at(i) != before.at(i))
                    fprintf(stderr, "%s\n  became %s\n", qPrintable(before.at(i)), qPrintable(after.at(i)));
            }
            check(after == before, "a refused request changes no value");
            if (configurable)
                check(quarra->document() == documentBefore, "a failed reconfiguration keeps the document");
        }
        checkVariable(state, state.indexOf(kStatus));
        checkVariable(state, state.indexOf(kResult));
    }
    for (int i = 0; i < state.count(); ++i)
        checkVariable(state, i);
    if (configurable) {
        const QuarraModel &model = *quarra;
        check(QCryptographicHash::hash(model.document(), QCryptographicHash::Sha256).toHex() == model.documentSha256(),
              "the document matches its checksum");
    }
    return 0;
}
