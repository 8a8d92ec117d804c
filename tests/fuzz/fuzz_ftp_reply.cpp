// Fuzzes what the FTP client makes of a server's words: the control
// connection's bytes, split into lines as the socket layer reads them, put
// together into replies one after another. Whatever a server sends, no
// crash, no reply longer than the limit, a reply's code is its first
// line's, a multi-line reply ends at a line of its own code, and the
// password the client sent never comes back in any line kept. The first
// input byte chooses how much of the input is the password.
#include "ftp/FtpReply.h"

#include <cstdio>
#include <cstdlib>

namespace {

#define FUZZ_ASSERT(condition, what)                                                                                   \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "fuzz check failed: %s\n", what);                                                     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// The next line of `bytes` from `at`, as the socket layer's read hands it
// out: up to and with its line feed, or what is left, at most `limit` bytes
// past which it returns early.
QByteArray nextLine(const QByteArray &bytes, qsizetype &at, qint64 limit)
{
    const qsizetype feed = bytes.indexOf('\n', at);
    qsizetype end = feed < 0 ? bytes.size() : feed + 1;
    if (end - at > limit + 1)
        end = at + limit + 1;
    const QByteArray line = bytes.mid(at, end - at);
    at = end;
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype secretSize = qsizetype(data[0] % 16);
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    const QByteArray secret = bytes.left(secretSize);
    // The password of a real log-in is what the client sent: it ends no line.
    const bool plainSecret = secret.size() >= 3 && !secret.contains('\n') && !secret.contains('\r') &&
                             !secret.contains("***") && !secret.contains('*');
    qsizetype at = secretSize;
    while (at < bytes.size()) {
        ftpreply::ReplyLines reply({secret});
        qint64 held = 0;
        for (;;) {
            const QByteArray line = nextLine(bytes, at, reply.room());
            held += line.size();
            const ftpreply::ReplyLines::Outcome outcome = reply.add(line);
            if (outcome == ftpreply::ReplyLines::Outcome::TooLong) {
                FUZZ_ASSERT(held > ftpreply::kMaxReplyBytes, "too long only past the limit");
                return 0;
            }
            if (outcome == ftpreply::ReplyLines::Outcome::Closed) {
                FUZZ_ASSERT(line.isEmpty(), "closed only at the end");
                return 0;
            }
            if (plainSecret)
                FUZZ_ASSERT(!reply.lastLine().mid(4).contains(secret), "no password in a line kept");
            if (outcome == ftpreply::ReplyLines::Outcome::NotAReply) {
                FUZZ_ASSERT(ftpreply::code(reply.firstLine()) == 0, "not a reply only without a code");
                return 0;
            }
            FUZZ_ASSERT(reply.code() >= 100 && reply.code() <= 599, "a code from 100 to 599");
            FUZZ_ASSERT(reply.code() == ftpreply::code(reply.firstLine()), "the code of the first line");
            if (outcome == ftpreply::ReplyLines::Outcome::Whole) {
                FUZZ_ASSERT(ftpreply::endsMultiLine(reply.lastLine(), reply.code()), "ends at a line of its code");
                break;
            }
        }
        const quint16 port = ftpreply::passivePort(reply.firstLine());
        FUZZ_ASSERT(port == 0 || port >= 1, "a port or none");
        (void)ftpreply::quoted(reply.firstLine()).size();
    }
    return 0;
}
