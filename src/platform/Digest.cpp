#include "platform/Digest.h"

#include <QIODevice>

#include <openssl/evp.h>

#include <new>

namespace platform {

struct Digest::Context {
    EVP_MD_CTX *md = nullptr;
    ~Context() { EVP_MD_CTX_free(md); }
};

Digest::Digest(DigestKind kind) : m_context(std::make_unique<Context>())
{
    m_context->md = EVP_MD_CTX_new();
    const EVP_MD *type = kind == DigestKind::Sha1 ? EVP_sha1() : EVP_sha256();
    // Only a lack of memory makes these fail.
    if (!m_context->md || EVP_DigestInit_ex(m_context->md, type, nullptr) != 1)
        throw std::bad_alloc();
}

Digest::~Digest() = default;

void Digest::addData(QByteArrayView bytes)
{
    if (!bytes.isEmpty() && EVP_DigestUpdate(m_context->md, bytes.data(), size_t(bytes.size())) != 1)
        throw std::bad_alloc();
}

bool Digest::addData(QIODevice *device)
{
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 got = device->read(buffer.data(), buffer.size());
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        addData(QByteArrayView(buffer.constData(), got));
    }
}

QByteArray Digest::result()
{
    unsigned char sum[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context->md, sum, &length) != 1)
        throw std::bad_alloc();
    return QByteArray(reinterpret_cast<const char *>(sum), qsizetype(length));
}

QByteArray Digest::hash(QByteArrayView bytes, DigestKind kind)
{
    Digest digest(kind);
    digest.addData(bytes);
    return digest.result();
}

} // namespace platform
