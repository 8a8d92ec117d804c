#include "ftp/FtpReply.h"
#include "platform/Tls.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ReplyLine, CodeOnlyWhereAReplyCanStart)
{
    struct Case {
        const char *line;
        int code;
        bool opens;
    };
    const Case cases[] = {
        {"220 Ready\r\n", 220, false},
        {"220-Welcome\r\n", 220, true},
        {"230\r\n", 230, false},
        {"553", 553, false},
        {"-230 Logged in\r\n", 0, false},      // no number
        {"Uploads are logged.\r\n", 0, false}, // free text
        {" 220 indented\r\n", 0, false},
        {"2300 too many digits\r\n", 0, false},
        {"22 short\r\n", 0, false},
        {"600 out of range\r\n", 0, false},
        {"099 out of range\r\n", 0, false},
        {"", 0, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ftpreply::code(c.line), c.code) << c.line;
        EXPECT_EQ(ftpreply::opensMultiLine(c.line), c.opens) << c.line;
    }
}

TEST(ReplyLine, MultiLineReplyEndsOnlyAtItsOwnCodeAndABlank)
{
    EXPECT_TRUE(ftpreply::endsMultiLine("220 Ready\r\n", 220));
    EXPECT_TRUE(ftpreply::endsMultiLine("220\r\n", 220));
    EXPECT_FALSE(ftpreply::endsMultiLine("220-more\r\n", 220));
    EXPECT_FALSE(ftpreply::endsMultiLine("230 another code\r\n", 220));
    EXPECT_FALSE(ftpreply::endsMultiLine("text\r\n", 220));
    EXPECT_EQ(ftpreply::quoted(QByteArray(100, 'x') + "\r\n"), QString(60, u'x') + u"..."_s);
}

TEST(ReplyLine, PassivePortFromTheLastTwoNumbers)
{
    EXPECT_EQ(ftpreply::passivePort("227 Entering Passive Mode (127,0,0,1,19,178)."), 19 * 256 + 178);
    EXPECT_EQ(ftpreply::passivePort("227 Entering Passive Mode (127,0,0,1,high,low)."), 0);
    EXPECT_EQ(ftpreply::passivePort("227 (1,2,3,4,256,0)"), 0);
    EXPECT_EQ(ftpreply::passivePort("425 Cannot open"), 0);
}

TEST(Fingerprint, AnyCaseWithOrWithoutColons)
{
    const QString canonical = u"AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:"
                              "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89"_s;
    EXPECT_EQ(platform::tls::normalizeFingerprint(canonical), canonical);
    EXPECT_EQ(platform::tls::normalizeFingerprint(canonical.toLower()), canonical);
    EXPECT_EQ(platform::tls::normalizeFingerprint(QString(canonical).remove(u':')), canonical);
    EXPECT_EQ(platform::tls::normalizeFingerprint(u" "_s + canonical + u" "_s), canonical);
    EXPECT_EQ(platform::tls::normalizeFingerprint(canonical.left(94)), QString()); // a byte short
    EXPECT_EQ(platform::tls::normalizeFingerprint(QString(canonical).replace(u'A', u'G')), QString());
    EXPECT_EQ(platform::tls::normalizeFingerprint({}), QString());
}
