#pragma once

#include "datafromdevice.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The processor's line protocol as plain functions, shared by the link and the offline model.
namespace tarn::protocol {
inline constexpr quint16 kDefaultPort = 19272;
inline constexpr const char kGreeting[] = "Corvex Console";
inline constexpr const char kLoggedIn[] = "connect logged in as administrator";
inline constexpr const char kLoginRefused[] = "error could not connect as administrator";

// The port of the processor: TARN_DEVICE_PORT when set to a valid port, else 19272.
quint16 devicePort();

// The path a request addresses, with its trailing backslash (and "%" when valueType is "%"):
// \\Preset\Compressor\SV\Threshold\ .
QString requestPath(const DataFromDevice &request);

// One request line ending in LF, UTF-8; empty when poName or svName is empty.
QByteArray formatRequest(const DataFromDevice &request);

// "connect administrator \"<password>\"\n".
QByteArray formatLogin(const QString &password);

// A node command: set "\\Node\Config\SV\Command" "<json with grave accents for quotes>"\n.
QByteArray formatNodeCommand(const QString &json);

// Splits a line at every double quote, empty parts kept.
QStringList splitQuoted(const QString &line);

// Path components: split at backslashes, empty pieces skipped.
QStringList pathComponents(const QString &path);

// Fills poName, svName and valueType from a received path.
void parsePath(const QString &path, DataFromDevice &record);

// The value-line words the link accepts.
bool isValueWord(const QString &word);

// Parses a line already split by splitQuoted whose word is a value word.
DataFromDevice parseValueLine(const QStringList &parts, const QString &word);

// A stateful classifier of received lines: listings, greeting, login answers, value lines.
class LineClassifier {
public:
    enum class Kind {
        Dropped,       // nothing to deliver (unknown, empty set, lost inside a listing)
        ListingOpened, // an "lc" or "ls" header
        ListingItem,   // an item collected into the open listing
        Choices,       // "endlc": items() and path() hold the choice listing
        Children,      // "endls": items() and path() hold the child listing
        Greeting,
        LoggedIn,
        LoginRefused,
        Value,         // record() holds the parsed value line
    };

    Kind classify(const QString &line);
    void reset();

    const DataFromDevice &record() const { return m_record; }
    const QStringList &items() const { return m_items; }
    const QString &path() const { return m_path; }

private:
    enum class Listing { None, Choices, Children };
    Listing m_listing = Listing::None;
    QString m_path;
    QStringList m_items;
    DataFromDevice m_record;
};
} // namespace tarn::protocol
