// libFuzzer target: the FTP client's reply assembly, passive replies and listing lines.
#include "ftpparse.h"
#include "fuzzcheck.h"
#include "qurlinfo.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input = tarn::fuzz::bytes(data, size);

    // Control connection: the bytes arrive in pieces whose length the first byte picks.
    tarn::ftp::FtpReplyParser parser;
    QByteArray buffer;
    const int step = 1 + (uchar(input[0]) % 64);
    for (int pos = 1; pos < input.size(); pos += step) {
        buffer += input.mid(pos, step);
        for (;;) {
            tarn::ftp::FtpReply reply;
            const auto result = parser.parse(buffer, &reply);
            if (result == tarn::ftp::FtpReplyParser::NeedMore)
                break;
            if (result != tarn::ftp::FtpReplyParser::Complete) {
                parser.reset();
                buffer.clear();
                break;
            }
            check(reply.code >= 0 && reply.code <= 999, "a reply code has three digits");
            quint32 address = 0;
            quint16 port = 0;
            check(!tarn::ftp::parsePassiveReply(reply.text, &address, &port) || port != 0, "a passive port is a port");
            check(!tarn::ftp::parseExtendedPassiveReply(reply.text, &port) || port != 0, "an extended passive port is a port");
        }
        check(buffer.size() <= tarn::ftp::MaxReplyLineLength + step, "a partial line stays bounded");
    }

    // Data connection of a LIST: every line on its own.
    const QDateTime now(QDate(2024, 6, 1), QTime(12, 0));
    const QString text = QString::fromUtf8(input.mid(1));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        QUrlInfo info;
        check(!tarn::ftp::parseListLine(line, &info, now) || info.isValid(), "a listing line read is a valid entry");
    }
    quint32 address = 0;
    quint16 port = 0;
    tarn::ftp::parsePassiveReply(text, &address, &port);
    tarn::ftp::parseExtendedPassiveReply(text, &port);
    return 0;
}
