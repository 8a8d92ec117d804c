#pragma once

#include <QString>
#include <optional>

namespace platform {

// Whether standard input is a terminal a person can answer on.
bool standardInputIsTerminal();
// One line typed on standard input, without its line break; nothing at end of input.
std::optional<QString> readStandardInputLine();

} // namespace platform
