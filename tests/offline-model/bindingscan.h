#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tarn::offline {
class Catalogue;
}

namespace tarn::test {
// One processing object / state variable pair that a screen or class binds.
struct Binding {
    QString file;
    int line = 0;
    QString po;
    QString sv;        // empty when only the object is known (the name is computed)
    QString valueType; // "%" when the binding asks for percent of the range
};

// QML: inside one object, literal properties  poName: "X"  and  svName: "Y"  (and
// optionally  valueType: "%"), in any order.
QList<Binding> scanQml(const QString &text, const QString &file);

// The catalogue path a binding reaches, as the link builds it.
QString catalogueKey(const QString &po, const QString &sv);

// Bindings the catalogue cannot serve, one readable line each.
QStringList missingBindings(const tarn::offline::Catalogue &catalogue, const QList<Binding> &bindings);
} // namespace tarn::test
