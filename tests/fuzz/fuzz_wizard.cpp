// libFuzzer harness: a wizard view descriptor (up to the first NUL) and state names, a line each.
// Properties: descriptors are bounded or refused with a reason keeping the states held; every
// state gets a known screen document, added states stay bounded and the stored name is capped.
#include "fuzzcheck.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "wizarddescriptor.h"
#include "wizardscreensloader.h"

#include <QSet>

using namespace tarn::wizard;

namespace {
WizardDescriptor g_shipped; // read once; each input starts from a copy
QSet<QString> g_documents;

void checkDescriptor(const QByteArray &xml)
{
    WizardDescriptor descriptor = g_shipped;
    QString error;
    const QStringList before = descriptor.stateIds();
    if (!descriptor.parse(xml, &error))
        return tarn::fuzz::checkRefused("descriptor", error, descriptor.stateIds() == before);
    const QStringList ids = descriptor.stateIds();
    check(ids.size() <= kMaxDescriptorStates, "state count bounded");
    check(QSet<QString>(ids.begin(), ids.end()).size() == ids.size(), "state ids unique");
    for (const QString &id : ids) {
        const DescriptorState *state = descriptor.state(id);
        check(state && state->id == id && !id.isEmpty(), "every listed state is found by its id");
        check(state->children.size() <= kMaxStateChildren, "children bounded");
        for (const StateChild &child : state->children) {
            check(child.text.size() <= kMaxDescriptorText, "text bounded");
            check(child.elements.size() <= kMaxListElements, "list bounded");
            check(state->has(child.name), "a child is found by its name");
        }
    }
    WizardDescriptor again;
    QString againError;
    check(again.parse(xml, &againError) && again.stateIds() == ids, "deterministic");
}

void checkStateNames(const QByteArray &names)
{
    WizardScreensLoader loader;
    const int builtIn = loader.stateCount();
    int fed = 0;
    for (const QByteArray &line : names.split('\n')) {
        if (++fed > 8)
            break;
        const QString state = QString::fromUtf8(line);
        const bool known = !loader.documentFor(state).isEmpty();
        loader.setWizardStateQml(state);
        check(g_documents.contains(loader.wizardStateQml()), "a state always gets a known screen document");
        check(known || loader.wizardStateQml() == QLatin1String(WizardScreensLoader::kNotImplemented),
              "an unknown state gets the not-implemented screen");
        check(loader.stateCount() <= builtIn + 256, "added states bounded");
        check(TarnSettings::text(QString::fromLatin1(tarn::keys::WizardCurrentState)).size() <= 128,
              "stored state name capped");
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tarn::test::isolateEnvironment();
    tarn::fuzz::startQt();
    QString error;
    check(g_shipped.parse(tarn::fuzz::sourceFile("resources/xml/WizardDialogView.xml"), &error) && !g_shipped.isEmpty(),
          "the shipped descriptor reads");
    const QHash<QString, QString> table = WizardScreensLoader::builtInTable();
    g_documents = QSet<QString>(table.begin(), table.end());
    g_documents.insert(QLatin1String(WizardScreensLoader::kNotImplemented));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tarn::fuzz::bytes(data, size);
    const int nul = bytes.indexOf('\0');
    checkDescriptor(nul < 0 ? bytes : bytes.left(nul));
    if (nul >= 0)
        checkStateNames(bytes.mid(nul + 1));
    return 0;
}
