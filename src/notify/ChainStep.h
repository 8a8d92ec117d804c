#pragma once

#include <QString>
#include <array>

// The steps of the chain that can fail on their own and be mended: each is
// told about once when it fails, and once when it works again.
enum class ChainStep { GameHost, Import, Export, Upload, Archive };

inline constexpr std::array<ChainStep, 5> kChainSteps = {ChainStep::GameHost, ChainStep::Import, ChainStep::Export,
                                                         ChainStep::Upload, ChainStep::Archive};

// "game host", "import", ...: the step's name in status.json.
QString stepKey(ChainStep step);
// What a failure is called in a post: "Upload failed".
QString failureTitle(ChainStep step);
// What the mend is called: "uploads work again".
QString mendText(ChainStep step);
