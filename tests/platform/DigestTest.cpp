#include "platform/Digest.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <gtest/gtest.h>

// The sums are kept in the portal's records and the upload's manifests, made
// before by Qt's own code: they must come out the same, however the bytes are fed.
TEST(Digest, SumsAsQtDoesWholeInPiecesAndFromADevice)
{
    QRandomGenerator random(26);
    for (const qsizetype size : {0, 1, 55, 56, 64, 65537, 300001}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &c : bytes)
            c = char(random.bounded(256));
        for (const auto &[ours, qts] : {std::pair{platform::DigestKind::Sha1, QCryptographicHash::Sha1},
                                        std::pair{platform::DigestKind::Sha256, QCryptographicHash::Sha256}}) {
            const QByteArray expected = QCryptographicHash::hash(bytes, qts);
            EXPECT_EQ(platform::Digest::hash(bytes, ours), expected) << size;
            platform::Digest pieces(ours);
            const qsizetype cut = size / 3;
            pieces.addData(QByteArrayView(bytes).first(cut));
            pieces.addData(QByteArrayView(bytes).sliced(cut));
            EXPECT_EQ(pieces.result(), expected) << size;
            QBuffer device(&bytes);
            ASSERT_TRUE(device.open(QIODevice::ReadOnly));
            platform::Digest read(ours);
            EXPECT_TRUE(read.addData(&device));
            EXPECT_EQ(read.result(), expected) << size;
        }
    }
}
