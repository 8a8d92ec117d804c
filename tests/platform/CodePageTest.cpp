#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(CodePage, EveryByteComesBackAndOnlyForeignCharactersBecomeReferences)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(platform::encodeWindows1252(platform::decodeWindows1252(all)), all);

    EXPECT_EQ(platform::encodeWindows1252(u"\u20AC"_s), QByteArray("\x80"));
    // U+0080 is no Windows-1252 character: it must not turn into the euro sign.
    EXPECT_EQ(platform::encodeWindows1252(u"\u0080\u03A9"_s, true), QByteArray("&#128;&#937;"));
    EXPECT_EQ(platform::encodeWindows1252(u"\u0080"_s), QByteArray("?"));
    EXPECT_EQ(platform::encodeWindows1252(u"\U0001F600"_s, true), QByteArray("&#128512;"));
}
