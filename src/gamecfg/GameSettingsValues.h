#pragma once

#include <QString>

// The state of the game settings window's controls, named for what each
// control sets in the game. The window reads its controls into this value
// before a load or save and shows it afterwards, so the configuration logic
// never touches a widget. Each field names the control it stands for.
struct GameSettingsValues {
    // A list with no entry chosen.
    static constexpr int kNoChoice = -1;

    // The check boxes: true when ticked.
    struct Checks {
        bool showIntroMovie = false;          // CheckBox1
        bool useShadows = false;              // CheckBox2
        bool bloodEffect = false;             // CheckBox3
        bool shellcasingEffect = false;       // CheckBox4
        bool smokeEffect = false;             // CheckBox5
        bool displayWeapon = false;           // CheckBox6
        bool allowAbilities = false;          // CheckBox7
        bool crosshairSpread = false;         // CheckBox8
        bool scopeDrift = false;              // CheckBox9
        bool weaponRecoil = false;            // CheckBox10
        bool matchPreset1 = false;            // CheckBox11, "Common matchsetting 1"
        bool matchPreset2 = false;            // CheckBox12, "Common matchsetting 2"
        bool droppedWeaponsDisappear = false; // CheckBox13
        bool dropWeapons = false;             // CheckBox14
        bool respawnWithPrimary = false;      // CheckBox15
        bool destroyableBuildings = false;    // CheckBox16
        bool deathMessages = false;           // CheckBox17
        bool playExitCredits = false;         // CheckBox18

        bool operator==(const Checks &) const = default;
    };

    // The lists: the position of the chosen entry, or kNoChoice.
    struct Choices {
        int serveOnly = kNoChoice;       // ComboBox1: No, Yes
        int numberOfTeams = kNoChoice;   // ComboBox2: 2, 4
        int maxPlayers = kNoChoice;      // ComboBox3: "1".."16"
        int replay = kNoChoice;          // ComboBox4: No, Map, Cycle
        int gameResolution = kNoChoice;  // ComboBox5: 640x480, 800x600, 1024x768
        int colorDepth = kNoChoice;      // ComboBox6: 16 bit, 32 bit
        int gpsMode = kNoChoice;         // ComboBox7: Show Friendly, Default, Show Everything
        int wind = kNoChoice;            // ComboBox8: Default, None, Random
        int terrainGeometry = kNoChoice; // ComboBox9: Normal, High
        int terrainDetail = kNoChoice;   // ComboBox10: High, Medium, Low
        int objectDetail = kNoChoice;    // ComboBox11: High, Medium, Low
        int gametype = kNoChoice;        // ComboBox12: COOP .. PR
        int selectTeam = kNoChoice;      // ComboBox13: Any, Blue, Red, Yellow, Violet

        bool operator==(const Choices &) const = default;
    };

    // The edit boxes, as typed.
    struct Texts {
        QString serverGamePassword; // Edit1, "SERVER" Gamepass
        QString playerGamePassword; // Edit2, "PLAYER" Gamepass
        QString teamPassword;       // Edit3, Teampass
        QString redPassword;        // Edit4
        QString bluePassword;       // Edit5
        QString yellowPassword;     // Edit6
        QString violetPassword;     // Edit7
        QString country;            // Edit8
        QString gameName;           // Edit9
        QString timeLimit;          // Edit10
        QString maxKills;           // Edit11
        QString zoneTime;           // Edit12
        QString startDelay;         // Edit13
        QString timeout;            // Edit14, "Timeout Box"

        bool operator==(const Texts &) const = default;
    };

    Checks checks;
    Choices choices;
    Texts texts;

    bool operator==(const GameSettingsValues &) const = default;
};
