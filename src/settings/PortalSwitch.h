#pragma once

class ProgramFolder;

// The switch of the player portal: "Enabled" in the section "Portal" of
// Rankhold.ini. Like the other switches, only the exact value "on" turns it
// on. It is not one of the main window's controls: the portal's own window
// writes it when it is changed, and every export and upload reads it.
bool portalEnabled(const ProgramFolder &folder);
// Throws RankholdError "Unable to write to %s".
void setPortalEnabled(const ProgramFolder &folder, bool enabled);
