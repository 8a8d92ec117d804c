#pragma once

#include "settings/Settings.h"

class ProgramFolder;

// The settings of the program folder: "Rankhold.ini" (every key of the
// main window, in its section), "header.txt" and "footer.txt".

// Start-up step 4: replaces settings.header / settings.footer with the files'
// text when they exist (line breaks made CR LF). Throws RankholdError
// "Cannot open file %s" for a file that exists but cannot be read.
void loadHeaderAndFooter(const ProgramFolder &folder, Settings &settings);
// Start-up step 5: every key into its field; a missing file, section or key
// gives the default; a switch is on only for the exact value "on". Throws
// RankholdError "Cannot open file %s" with the reason for a file that exists
// but cannot be read (not a regular file, too large, no permission).
void loadSettingsFile(const ProgramFolder &folder, Settings &settings);
// File > Save Settings: header.txt, footer.txt, then every key in order.
// Throws "Cannot create file %s" (nothing of the settings file written then)
// or "Unable to write to %s" at the first key that fails.
void saveSettings(const ProgramFolder &folder, const Settings &settings);
