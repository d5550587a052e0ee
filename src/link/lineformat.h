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

// True when a CR or LF appears in any field of the request. Such a request would put more
// than one line on the wire, so it is never formatted.
bool containsLineBreak(const DataFromDevice &request);
bool containsLineBreak(const QString &text);

// One request line ending in LF, UTF-8; empty when poName or svName is empty or when a field
// holds a CR or LF.
QByteArray formatRequest(const DataFromDevice &request);

// "connect administrator \"<password>\"\n"; empty when the password holds a CR or LF.
QByteArray formatLogin(const QString &password);

// A node command: set "\\Node\Config\SV\Command" "<json with grave accents for quotes>"\n;
// empty when the JSON text holds a CR or LF (write it compact).
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
// classify() gives the same results as splitQuoted() + parseValueLine() but works on the line in
// place, since every line from the processor passes through it.
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

    // An open listing keeps at most this many items and characters; items beyond are dropped
    // (with one warning per listing), so a listing that never ends cannot exhaust memory.
    static constexpr int kMaxListingItems = 10000;
    static constexpr int kMaxListingChars = 1024 * 1024;

    Kind classify(const QString &line);
    // Closes any open listing and forgets the last one; called for every new connection.
    void reset();

    const DataFromDevice &record() const { return m_record; }
    const QStringList &items() const { return m_items; }
    const QString &path() const { return m_path; }

private:
    enum class Listing { None, Choices, Children };
    Kind classifyListingLine(const QString &line);
    Kind classifyWordLine(const QString &line);

    Listing m_listing = Listing::None;
    QString m_path;
    QStringList m_items;
    int m_itemChars = 0;
    bool m_itemsTruncated = false;
    DataFromDevice m_record;
};
} // namespace tarn::protocol
