#pragma once

#include "catalogue.h"
#include "quarracatalogue.h"

#include <configbuilder.h>

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>

namespace tarn::offline {
class DeviceState;

// The configurable processor: its chain is built from a builder config with the application's
// own config builder, its catalogue composed from the running document, and it serves the node
// commands that belong to it: the document in chunks ("GetConfigDocument"), a new chain
// ("Reconfig"), and copy/paste of one object's settings ("CopyObjectSVs", "PasteObjectSVs").
class QuarraModel : public QObject {
    Q_OBJECT
public:
    // Document bytes per answer; in base64 that stays well inside a 64 KiB protocol line.
    static constexpr int kChunkBytes = 32768;
    // Where the running chain is kept in the state folder.
    static constexpr const char *kChainFile = "quarra-chain.json";

    struct Settings {
        QString tablePath;    // the state-variable table; empty: the built-in one
        QString stateDir;     // keeps the running chain across restarts; empty: nowhere
        bool empty = false;   // start as a processor that carries no configuration
        int reconfigMs = 400; // how long a reconfiguration takes
    };

    explicit QuarraModel(const Settings &settings, QObject *parent = nullptr);
    ~QuarraModel() override;

    // Loads the table and the template library and composes the catalogue of the starting
    // chain: the one kept in the state folder, else the library's default (none with `empty`).
    bool prepare(Catalogue *catalogue, QString *error);
    // Serves this model's node commands on `state`.
    void attach(DeviceState *state);

    // The document as served (UTF-8 JSON) and the SHA-256 of it, in hex.
    const QByteArray &document() const { return m_document; }
    const QByteArray &documentSha256() const { return m_sha256; }

    static QString builtInTable();

private:
    struct Chain {
        Json::Value builderConfig; // null: no configuration
        QByteArray document;
        QHash<QString, QString> classOf; // processing object -> its class
        QHash<QString, QString> blockOf; // processing object -> its class and block type
        Catalogue catalogue;
    };

    bool buildChain(const Json::Value &builderConfig, Chain *chain, QString *error);
    void setChain(Chain chain);
    Json::Value startingConfig() const;
    void saveChain() const;

    bool handle(const QJsonObject &request);
    QJsonObject documentChunk(const QJsonValue &params) const;
    QJsonObject copyObject(const QJsonValue &params);
    QJsonObject pasteObject(const QJsonValue &params);
    void reconfigure(const QJsonObject &request);

    Settings m_settings;
    QuarraCatalogue m_table;
    tarn::ConfigBuilder m_builder;
    QPointer<DeviceState> m_state;
    Json::Value m_builderConfig;
    QByteArray m_document;
    QByteArray m_sha256;
    QHash<QString, QString> m_classOf;
    QHash<QString, QString> m_blockOf;
    bool m_reconfiguring = false;

    struct Clipboard {
        QString object;
        QString className;
        QList<QPair<QString, QString>> values; // state variable -> value as displayed
    };
    Clipboard m_clipboard;
};
} // namespace tarn::offline
