#pragma once

// For the harnesses that drive the offline model's own parts.

#include "catalogue.h"
#include "fuzzcheck.h"

namespace tarn::fuzz {
// The fixed-chain model's shipped catalogue, read once.
inline const tarn::offline::Catalogue &fixedCatalogue()
{
    static const tarn::offline::Catalogue c = [] {
        tarn::offline::Catalogue loaded;
        QString error;
        check(loaded.loadJson(sourceFile("offline-model/catalogue/tarn.json"), &error), "catalogue reads");
        return loaded;
    }();
    return c;
}
} // namespace tarn::fuzz
