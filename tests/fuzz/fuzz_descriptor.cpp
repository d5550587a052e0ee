// libFuzzer target: the block control descriptor reader. Whatever the bytes, it must return,
// and a document it accepts must keep every promise the screens rely on.
#include "fuzzcheck.h"
#include "descriptorparser.h"

#include <QSet>

#include <cmath>

using namespace tarn::home;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray xml = tarn::fuzz::bytes(data, size);
    DescriptorDocument document;
    QString error;
    const bool ok = parseControlDescriptor(xml, &document, &error);
    if (!ok) {
        tarn::fuzz::checkRefused("descriptor", error, document.screen.isEmpty() && document.controls.isEmpty());
        return 0;
    }
    check(error.isEmpty(), "no fault text on success");
    check(!document.screen.trimmed().isEmpty(), "screen named");
    check(document.controls.size() <= kMaxDescriptorControls, "control count bounded");
    check(document.variants.size() <= kMaxDescriptorVariants, "variant count bounded");
    QSet<QString> variantNames;
    for (const DescriptorVariant &v : document.variants) {
        check(!v.po.trimmed().isEmpty(), "variant has a processing object");
        check(!variantNames.contains(v.name), "variant names unique");
        variantNames.insert(v.name);
    }
    check(document.defaultVariant.isEmpty() || variantNames.contains(document.defaultVariant), "default declared");
    static const QSet<QString> kinds{"toggle", "number", "choice", "text", "meter", "clip", "spectrum", "mute"};
    for (const DescriptorControl &c : document.controls) {
        check(kinds.contains(c.kind), "known kind");
        check(!c.sv.trimmed().isEmpty(), "state variable named");
        check(c.sv.size() <= kMaxDescriptorText && c.label.size() <= kMaxDescriptorText, "texts bounded");
        check(!c.po.isEmpty() || !document.po.isEmpty() || !document.variants.isEmpty(), "processing object known");
        check(!c.hasMin || std::isfinite(c.min), "finite min");
        check(!c.hasMax || std::isfinite(c.max), "finite max");
        check(!(c.hasMin && c.hasMax) || c.min < c.max, "min below max");
        check(c.boundaries.isEmpty() || c.lengths.size() == c.boundaries.size() - 1, "scale shape");
        for (int i = 1; i < c.boundaries.size(); ++i)
            check(c.boundaries.at(i) > c.boundaries.at(i - 1), "scale ascends");
        check(c.kind != QLatin1String("spectrum") || (c.bands >= 1 && c.bands <= kMaxDescriptorListItems), "bands bounded");
        check(c.bandLabels.isEmpty() || c.bandLabels.size() == c.bands, "one label per band");
        for (const QString &v : c.variants)
            check(variantNames.contains(v), "control variants declared");
    }
    // The same bytes give the same document.
    DescriptorDocument again;
    check(parseControlDescriptor(xml, &again, nullptr), "deterministic");
    check(again.controls.size() == document.controls.size(), "deterministic controls");
    return 0;
}
