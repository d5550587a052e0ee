#pragma once

#include <QByteArray>

#include <memory>

namespace tarn::updates {
// SHA-256 through libcrypto, which uses the processor's hashing instructions: Qt's own
// implementation ran at about 150 MB/s and was the slowest step of a download.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void reset();
    void addData(const QByteArray &data) { addData(data.constData(), data.size()); }
    void addData(const char *data, qint64 size);
    // Lower-case hex of everything added since the last reset; the sum goes on afterwards.
    QByteArray hexResult() const;

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};
} // namespace tarn::updates
