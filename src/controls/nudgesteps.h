#pragma once

#include <QHash>
#include <QString>

// Steps of the nudge buttons by parameter and range: "poClass:svClass:index", where index is
// the range of the value (from the range data) or -1 for a parameter with a single step.
namespace tarn::nudge {
const QHash<QString, double> &stepTable();
// The step for a key, 0 for a key not in the table.
double step(const QString &key);
} // namespace tarn::nudge
