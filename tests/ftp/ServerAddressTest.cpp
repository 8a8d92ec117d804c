#include "ftp/ServerAddress.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ServerAddress, PlainEntriesStayPlainFtpsAsksForTls)
{
    struct Case {
        QString text;
        QString host;
        int port;
        bool tls;
    };
    const Case cases[] = {
        {u"ftp.example.org"_s, u"ftp.example.org"_s, 21, false},
        {u" 10.0.0.5:2121 "_s, u"10.0.0.5"_s, 2121, false},
        {u"host:notaport"_s, u"host:notaport"_s, 21, false},
        {u"host:70000"_s, u"host:70000"_s, 21, false},
        {u"ftp://ftp.example.org"_s, u"ftp.example.org"_s, 21, false},
        {u"FTP://ftp.example.org:2121/"_s, u"ftp.example.org"_s, 2121, false},
        {u"ftps://secure.example.org"_s, u"secure.example.org"_s, 21, true},
        {u"FTPS://secure.example.org:990"_s, u"secure.example.org"_s, 990, true},
        {u"ftps://127.0.0.1:2121/"_s, u"127.0.0.1"_s, 2121, true},
    };
    for (const Case &c : cases) {
        const ServerAddress a = parseServerAddress(c.text);
        EXPECT_EQ(a.host, c.host) << c.text.toStdString();
        EXPECT_EQ(a.port, c.port) << c.text.toStdString();
        EXPECT_EQ(a.tls, c.tls) << c.text.toStdString();
    }
}
