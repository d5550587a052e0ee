#include "sha256.h"

#include <openssl/evp.h>

namespace tarn::updates {
struct Sha256::Context {
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : m_context(std::make_unique<Context>())
{
    reset();
}

Sha256::~Sha256() = default;

void Sha256::reset()
{
    EVP_DigestInit_ex(m_context->ctx, EVP_sha256(), nullptr);
}

void Sha256::addData(const char *data, qint64 size)
{
    EVP_DigestUpdate(m_context->ctx, data, size_t(size));
}

QByteArray Sha256::hexResult() const
{
    Context copy;
    EVP_MD_CTX_copy_ex(copy.ctx, m_context->ctx);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(copy.ctx, digest, &length);
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}
} // namespace tarn::updates
