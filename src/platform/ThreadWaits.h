#pragma once

#include <optional>

// What a thread of this process is waiting for, as the kernel tells it
// (Linux: /proc/self/task/TID/syscall), for a watchdog that must know
// whether a blocked call waits on one connection.
namespace platform {

// The calling thread's id, as threadPollsSocket() takes it.
long currentThreadId();
// Whether thread `thread` is blocked in poll() with `socket` among what it
// waits for; nothing when the system does not say.
std::optional<bool> threadPollsSocket(long thread, int socket);

} // namespace platform
