#pragma once

#include <QByteArray>

namespace tarn::protocol {
// Cuts a byte stream into lines ending in LF or CR LF. Memory stays bounded by kMaxLineLength
// plus what one append() brings: a line longer than the bound, or bytes that run past it with
// no LF, are discarded, and reading resumes after the next LF.
class LineBuffer {
public:
    static constexpr int kMaxLineLength = 64 * 1024;

    enum class Result {
        None,      // no complete line yet
        Line,      // line() holds the next line, without its terminator
        Discarded, // an over-long line was dropped (reported once per line)
    };

    void append(const char *data, int size);
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    // The next event. The line stays valid until the next call of any member.
    Result next();
    const char *lineData() const { return m_line; }
    int lineSize() const { return m_lineSize; }
    QByteArray line() const { return QByteArray(m_line, m_lineSize); }

    // Bytes held but not yet returned as lines.
    int pending() const { return m_buffer.size() - m_pos; }
    bool skipping() const { return m_skipping; }
    void clear();

private:
    void compact();

    QByteArray m_buffer;
    int m_pos = 0;
    // Bytes before this offset are known to hold no LF: a partial line is not searched again.
    int m_scanned = 0;
    bool m_skipping = false;
    const char *m_line = nullptr;
    int m_lineSize = 0;
};
} // namespace tarn::protocol
