#pragma once

#include <QJsonObject>
#include <QString>

namespace tarn::offline {
class Catalogue;

// The configurable processor's state-variable table (catalogue/quarra.json, written by
// tools/gen_quarra_catalogue.py): per block kind the entries its objects carry, and which kind
// each template class is. compose() turns a configuration document into the catalogue of a
// processor running it.
class QuarraCatalogue {
public:
    static constexpr const char *kFormat = "tarn-offline-quarra";

    bool load(const QString &path, QString *error);
    bool loadJson(const QByteArray &json, QString *error);

    // Node and preset-store entries, then per processing object of `document` the entries of its
    // kind, counts and initial values taken from the object's "Attributes" and "SVValues", and
    // every other attribute as a read-only text. One configuration lists the objects, those of
    // the grids first, in grid order.
    bool compose(const QJsonObject &document, Catalogue *catalogue, QString *error) const;

    // The kind of one object of a document; empty when its class is unknown (such an object
    // serves its attributes only).
    QString kindOf(const QString &name, const QJsonObject &object) const;
    // The name of the configuration compose() writes.
    QString configurationName() const { return m_table.value(QStringLiteral("configuration")).toString(); }

private:
    QJsonObject m_table;
};
} // namespace tarn::offline
