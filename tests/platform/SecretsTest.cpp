#include "platform/Secrets.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Secrets, OnlyAFileOfTheOwnerAloneCountsAsSecret)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"password"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("secret\n");
    file.close();
    using P = QFileDevice;
    struct Case {
        QFileDevice::Permissions permissions;
        platform::SecretFileAccess access;
    };
    const Case cases[] = {
        {P::ReadOwner | P::WriteOwner, platform::SecretFileAccess::OwnerOnly},
        {P::ReadOwner, platform::SecretFileAccess::OwnerOnly},
        {P::ReadOwner | P::WriteOwner | P::ReadGroup, platform::SecretFileAccess::OthersMayRead},
        {P::ReadOwner | P::ReadOther, platform::SecretFileAccess::OthersMayRead},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(QFile::setPermissions(path, c.permissions));
        EXPECT_EQ(platform::secretFileAccess(path), c.access) << int(c.permissions);
    }
    EXPECT_EQ(platform::secretFileAccess(dir.filePath(u"missing"_s)), platform::SecretFileAccess::Unreadable);
}

TEST(Secrets, CoreDumpsCanBeForbidden)
{
    EXPECT_TRUE(platform::forbidCoreDumps());
    EXPECT_TRUE(platform::coreDumpsForbidden());
}
