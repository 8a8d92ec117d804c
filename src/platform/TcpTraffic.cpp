#include "platform/Sockets.h"

// The kernel's struct tcp_info in full: the C library's copy ends before the
// byte counts.
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>

namespace platform::sockets {

bool traffic(Handle socket, Traffic *out)
{
    *out = {};
    out->identity = socketIdentity(socket);
    tcp_info info{};
    socklen_t size = sizeof info;
    if (out->identity == 0 || ::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return false;
    out->sinceSentMs = qint64(info.tcpi_last_data_sent);
    out->sinceReceivedMs = qint64(info.tcpi_last_data_recv);
    out->counted = size >= offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received;
    if (out->counted) {
        out->bytesAcked = info.tcpi_bytes_acked;
        out->bytesReceived = info.tcpi_bytes_received;
    }
    return true;
}

} // namespace platform::sockets
