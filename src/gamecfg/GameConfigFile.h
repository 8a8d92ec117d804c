#pragma once

#include "gamecfg/GameSettingsValues.h"
#include "platform/FileStamp.h"

#include <QString>
#include <QStringList>

#include <optional>

// The game's dflw.cfg as the settings window edits it: a list of lines kept
// from one load to the next. Load sets the controls from the managed lines;
// save replaces those lines from the controls and writes the list back, every
// other line exactly as read. Failures are thrown as RankholdError.
class GameConfigFile
{
public:
    // GameFolder + "dflw.cfg".
    static QString configPath(const QString &gameFolder);

    // Clears every check box, then, when the file exists, reads it and sets
    // `values` line by line. A failure part-way leaves the values set so far.
    // A clear Weaponrecoil line without its blank is mended and written back
    // at once.
    void load(const QString &path, GameSettingsValues &values);

    // Writes the loaded lines with the managed ones replaced from `values`.
    // Nothing is written when a line is missing or nothing was loaded.
    void save(const QString &path, const GameSettingsValues &values);

    bool isLoaded() const { return m_lines.has_value(); }
    // The lines of the last load (empty before the first).
    QStringList lines() const { return m_lines.value_or(QStringList()); }

    // True when the file at `path` is not the version this object last
    // loaded, saved or was told to keep: written, replaced, made or removed
    // since then, or another path. True before the first load.
    bool changedOnDisk(const QString &path) const;
    // Takes the file at `path` as it is now as seen, without reading it:
    // the edits in hand are kept over it, and the next save writes them.
    void keepOverDiskVersion(const QString &path);

private:
    struct Seen {
        QString path;
        platform::FileStamp stamp;
    };
    void noteSeen(const QString &path);

    std::optional<QStringList> m_lines;
    std::optional<Seen> m_seen;
};
