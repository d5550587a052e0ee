#pragma once

#include <QByteArray>
#include <QDate>
#include <QLoggingCategory>
#include <QString>

class QUrlInfo;

Q_DECLARE_LOGGING_CATEGORY(lcFtp)

// Plain parsing functions of the FTP client: no sockets and no event loop, so they can be driven
// directly by unit tests and the fuzzer.
namespace tarn::ftp {

// A line of a reply longer than this, or a whole multi-line reply longer than MaxReplyLength,
// ends the session: the server is broken or hostile and nothing may grow without bound.
constexpr int MaxReplyLineLength = 8 * 1024;
constexpr int MaxReplyLength = 64 * 1024;
constexpr int MaxReplyLines = 1000;
// Longest listing line kept; longer lines are dropped.
constexpr int MaxListLineLength = 8 * 1024;

struct FtpReply
{
    int code = 0;
    QString text; // lines joined with '\n', code prefixes removed
};

// Assembles replies from the bytes of the control connection.
class FtpReplyParser
{
public:
    enum Result { NeedMore, Complete, Malformed, TooLong };

    // Consumes complete lines from the front of buffer and leaves any partial line in it.
    // Complete: one reply is in *reply and further bytes may still be in buffer.
    Result parse(QByteArray &buffer, FtpReply *reply);
    void reset();

private:
    int m_multiCode = -1; // code of the open multi-line reply, -1 when none
    QString m_text;
    int m_length = 0;
    int m_lines = 0;
};

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": IPv4 address (host order) and port.
bool parsePassiveReply(const QString &text, quint32 *address, quint16 *port);
// "229 Entering Extended Passive Mode (|||port|)": the port.
bool parseExtendedPassiveReply(const QString &text, quint16 *port);

// One line of a LIST answer (Unix or MS-DOS form) without its line end. now decides the year
// of dates that carry a time instead of a year.
bool parseListLine(const QString &line, QUrlInfo *info, const QDateTime &now);

} // namespace tarn::ftp
