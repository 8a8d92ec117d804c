#include "platform/Terminal.h"

#include <cstdio>
#include <unistd.h>

namespace platform {

bool standardInputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

std::optional<QString> readStandardInputLine()
{
    QByteArray line;
    for (;;) {
        const int c = std::fgetc(stdin);
        if (c == EOF) {
            if (line.isEmpty())
                return std::nullopt;
            break;
        }
        if (c == '\n')
            break;
        line.append(char(c));
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

} // namespace platform
