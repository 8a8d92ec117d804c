#include "platform/Tls.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// OpenSSL writes with write(): to a peer that has gone, that raises SIGPIPE,
// which would end the window (and stop `rankhold-cli watch`). The session
// must report it as a failed step instead.
TEST(Tls, WritingToAPeerThatHasGoneIsAFailedStepNotASignal)
{
    int pair[2] = {-1, -1};
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair), 0);
    ::close(pair[1]);
    QString error;
    const auto context = platform::tls::Context::create(&error);
    ASSERT_TRUE(context) << error.toStdString();
    const auto session = platform::tls::Session::start(context, pair[0], u"localhost"_s, nullptr, &error);
    ASSERT_TRUE(session) << error.toStdString();
    EXPECT_EQ(session->handshake(), platform::tls::Step::Failed); // its first words meet the closed end
    EXPECT_EQ(session->socketError(), 10058);                     // EPIPE
    ::close(pair[0]);
}
