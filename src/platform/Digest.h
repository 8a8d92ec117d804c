#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

class QIODevice;

// SHA-1 and SHA-256 through OpenSSL, whose code uses the processor's own
// instructions: the portal's records (tens of megabytes, read and written
// after every map) and the upload's files are summed several times faster
// than by Qt's portable code. The sums are the same, byte for byte.
namespace platform {

enum class DigestKind { Sha1, Sha256 };

class Digest
{
public:
    explicit Digest(DigestKind kind);
    ~Digest();
    Digest(const Digest &) = delete;
    Digest &operator=(const Digest &) = delete;

    void addData(QByteArrayView bytes);
    // Everything the device has left to read; false when reading fails.
    bool addData(QIODevice *device);
    QByteArray result();

    static QByteArray hash(QByteArrayView bytes, DigestKind kind);

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

} // namespace platform
