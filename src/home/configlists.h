#pragma once

#include <QString>
#include <QVariantList>

namespace tarn::home {
// The choice lists of configuration mode, read from the resources (both are generated from
// the template library by tools/gen_quarra_lists.py).
//
// ":/xml/MixMid.xml": the mid section's mixer and router types, each
// {"template", "type", "label", "inputs", "image"}.
QVariantList readMixerOptions(const QString &path = QStringLiteral(":/xml/MixMid.xml"));
// ":/xml/OutputNamesList.xml": the standard output names, each group {"group", "names"}.
QVariantList readOutputNames(const QString &path = QStringLiteral(":/xml/OutputNamesList.xml"));
} // namespace tarn::home
