#pragma once

#include <QString>
#include <optional>

namespace platform {

// Whether standard input is a terminal a person can answer on.
bool standardInputIsTerminal();
// Whether standard error is a terminal, where a line may be redrawn in place.
bool standardErrorIsTerminal();
// One line typed on standard input, without its line break; nothing at end of input.
std::optional<QString> readStandardInputLine();

} // namespace platform
