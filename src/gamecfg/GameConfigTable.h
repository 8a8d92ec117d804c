#pragma once

#include "gamecfg/GameSettingsValues.h"

#include <QList>
#include <QString>
#include <QStringList>

// The lines of dflw.cfg that the game settings window manages: each setting
// stands on a fixed line (counted from 0) and is written as one exact string
// per state. Load and save both work from this one table, so a line read as
// a state is always written back as the same string.
namespace gamecfg {

enum class LineKind {
    Choice,        // a list: the line is one of `strings`, by entry position
    Check,         // a check box: strings[0] ticked, strings[1] clear
    Preset,        // the match presets: strings[0] for `check`, strings[1] for `check2`
    QuotedText,    // an edit box: prefix + '"' + text + '"'
    Text,          // an edit box: prefix + text
    EntryNumber,   // a list whose entries are "1".."n": prefix + entry text
    EntryPosition, // a list: prefix + entry position in decimal
};

// Every member has a default, so a table row names only what it uses.
struct ConfigLine {
    int line = 0;
    LineKind kind = LineKind::Check;
    // The control the line belongs to: `check` for Check (and preset 1 of
    // Preset, `check2` its preset 2), `choice` for the list kinds, `text`
    // for the text kinds.
    bool GameSettingsValues::Checks::*check = nullptr;
    bool GameSettingsValues::Checks::*check2 = nullptr;
    int GameSettingsValues::Choices::*choice = nullptr;
    QString GameSettingsValues::Texts::*text = nullptr;
    // Choice/Check/Preset: the exact line per state; the text kinds: the
    // prefix (ending in "= ").
    QStringList strings{};
    // EntryNumber/EntryPosition: the number of entries in the list.
    int entries = 0;
    // A line that the game misreads and that is mended as soon as it is read.
    QString repairFrom{};
    QString repairTo{};
};

// Every managed line, in file order.
const QList<ConfigLine> &configLines();
// The entry of one line position; the position must be managed.
const ConfigLine &configLine(int line);

// The order in which load reads and save writes the lines. It decides which
// missing line a short file is reported with.
const QList<int> &loadOrder();
const QList<int> &saveOrder();

// Lines have at least this many entries in a complete file (0..91).
inline constexpr int kManagedLineCount = 92;

} // namespace gamecfg
