#include "linebuffer.h"

#include <cstring>

namespace tarn::protocol {

void LineBuffer::clear()
{
    m_buffer.clear();
    m_pos = 0;
    m_scanned = 0;
    m_skipping = false;
    m_line = nullptr;
    m_lineSize = 0;
}

void LineBuffer::compact()
{
    if (m_pos == 0)
        return;
    if (m_pos >= m_buffer.size()) {
        m_buffer.resize(0);
    } else {
        m_buffer.remove(0, m_pos);
    }
    m_scanned = qMax(0, m_scanned - m_pos);
    m_pos = 0;
}

void LineBuffer::append(const char *data, int size)
{
    if (size <= 0)
        return;
    m_line = nullptr;
    m_lineSize = 0;
    if (m_skipping) {
        // Only what follows the next LF is worth keeping.
        const void *lf = std::memchr(data, '\n', size_t(size));
        if (!lf)
            return;
        const int skip = int(static_cast<const char *>(lf) - data) + 1;
        m_skipping = false;
        data += skip;
        size -= skip;
        if (size == 0)
            return;
    }
    compact();
    if (m_buffer.capacity() < kMaxLineLength)
        m_buffer.reserve(kMaxLineLength + 2);
    m_buffer.append(data, size);
}

LineBuffer::Result LineBuffer::next()
{
    m_line = nullptr;
    m_lineSize = 0;
    const int end = m_buffer.size();
    const char *base = m_buffer.constData();
    const int from = qMax(m_pos, m_scanned);
    const void *hit = from < end ? std::memchr(base + from, '\n', size_t(end - from)) : nullptr;
    if (!hit) {
        m_scanned = end;
        // A terminator may still be one CR LF away, hence the two bytes of slack.
        if (end - m_pos > kMaxLineLength + 1) {
            m_skipping = true;
            m_buffer.resize(0);
            m_pos = 0;
            m_scanned = 0;
            return Result::Discarded;
        }
        if (m_pos == end)
            compact();
        return Result::None;
    }
    const int lf = int(static_cast<const char *>(hit) - base);
    int size = lf - m_pos;
    const int start = m_pos;
    m_pos = lf + 1;
    m_scanned = m_pos;
    if (size > 0 && base[start + size - 1] == '\r')
        --size;
    if (size > kMaxLineLength)
        return Result::Discarded;
    m_line = base + start;
    m_lineSize = size;
    return Result::Line;
}
} // namespace tarn::protocol
