#pragma once

#include "portal/PortalBuilder.h"

#include <optional>

class CommandHost;
struct AppState;

// The player portal as a step of the export: builds it into the program
// folder's "portal" when [Portal] Enabled is on. Nothing when it is off.
// Throws RankholdError.
std::optional<portal::BuildResult> exportPortal(AppState &state, CommandHost &host);
