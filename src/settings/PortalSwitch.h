#pragma once

class ProgramFolder;

// The switch of the player portal: "Enabled" in the section "Portal" of
// Rankhold.ini. Like the other switches, only the exact value "on" turns it
// on. It is not one of the main window's controls: the portal's own window
// writes it when it is changed, and every export and upload reads it.
bool portalEnabled(const ProgramFolder &folder);
// Throws RankholdError "Unable to write to %s".
void setPortalEnabled(const ProgramFolder &folder, bool enabled);
// "MinGames" in the same section: the fewest games a player needs to be
// ranked among the others on the portal's rating board and to count on its
// ratio and per-game boards. 10 when missing or not a number of 0 or more.
int portalMinGames(const ProgramFolder &folder);
