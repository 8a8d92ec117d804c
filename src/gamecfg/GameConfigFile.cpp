#include "gamecfg/GameConfigFile.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "gamecfg/GameConfigTable.h"
#include "platform/Paths.h"

using namespace Qt::StringLiterals;
using gamecfg::ConfigLine;
using gamecfg::LineKind;

namespace {

const QString &lineAt(const QStringList &lines, int position)
{
    if (position < 0 || position >= lines.size())
        throwListIndexError(position);
    return lines.at(position);
}

// The text between the first double quote and the line's last character.
// Without a quote this is the line without its last character.
QString quotedValue(const QString &line)
{
    const qsizetype start = line.indexOf(u'"') + 1;
    const qsizetype count = line.size() - start - 1;
    return count > 0 ? line.mid(start, count) : QString();
}

// The text after the first occurrence of `marker` and one more character.
QString valueAfter(const QString &line, QStringView marker, qsizetype skip)
{
    const qsizetype start = line.indexOf(marker) + skip;
    return start < line.size() ? line.mid(start) : QString();
}

int indexOrNone(qint64 index, int count)
{
    return index >= 0 && index < count ? int(index) : GameSettingsValues::kNoChoice;
}

void writeLines(const QString &path, const QStringList &lines)
{
    writeFileAtomically(path, encodeWindows1252(joinLinesCrLf(lines)));
}

// The line that `values` ask for at `entry`, or nothing to keep the line as read.
std::optional<QString> replacementFor(const ConfigLine &entry, const GameSettingsValues &values)
{
    switch (entry.kind) {
    case LineKind::Choice: {
        const int choice = values.choices.*entry.choice;
        if (choice < 0 || choice >= entry.strings.size())
            return std::nullopt;
        return entry.strings.at(choice);
    }
    case LineKind::Check:
        return entry.strings.at(values.checks.*entry.check ? 0 : 1);
    case LineKind::Preset:
        if (values.checks.*entry.check)
            return entry.strings.at(0);
        if (values.checks.*entry.check2)
            return entry.strings.at(1);
        return std::nullopt;
    case LineKind::QuotedText:
        return entry.strings.at(0) + u'"' + values.texts.*entry.text + u'"';
    case LineKind::Text:
        return entry.strings.at(0) + values.texts.*entry.text;
    case LineKind::EntryNumber:
    case LineKind::EntryPosition: {
        // Without a choice the old line stays rather than a key with no value.
        const int choice = values.choices.*entry.choice;
        if (choice < 0 || choice >= entry.entries)
            return std::nullopt;
        const int value = entry.kind == LineKind::EntryNumber ? choice + 1 : choice;
        return entry.strings.at(0) + QString::number(value);
    }
    }
    return std::nullopt;
}

} // namespace

QString GameConfigFile::configPath(const QString &gameFolder)
{
    return platform::joinPath(gameFolder, u"dflw.cfg"_s);
}

void GameConfigFile::load(const QString &path, GameSettingsValues &values)
{
    values.checks = {};
    // Taken before the read: a change after this point shows at the next
    // look, even one that came between the stamp and the read.
    noteSeen(path);
    if (!platform::fileExists(path))
        return;

    // A read that fails leaves an empty list, so a later save stops at the
    // first line instead of writing an older configuration over this file.
    m_lines = QStringList();
    m_lines = splitLines(decodeWindows1252(readFileBytes(path, 16 << 20))); // a real one is about 3 KB
    QStringList &lines = *m_lines;

    for (const int position : gamecfg::loadOrder()) {
        const ConfigLine &entry = gamecfg::configLine(position);
        const QString &line = lineAt(lines, position);
        switch (entry.kind) {
        case LineKind::Choice: {
            const qsizetype index = entry.strings.indexOf(line);
            if (index >= 0)
                values.choices.*entry.choice = int(index);
            break;
        }
        case LineKind::Check:
            if (line == entry.strings.at(0))
                values.checks.*entry.check = true;
            if (!entry.repairFrom.isEmpty() && line == entry.repairFrom) {
                lines[position] = entry.repairTo;
                writeLines(path, lines);
                noteSeen(path);
            }
            break;
        case LineKind::Preset:
            if (line == entry.strings.at(0))
                values.checks.*entry.check = true;
            else if (line == entry.strings.at(1))
                values.checks.*entry.check2 = true;
            break;
        case LineKind::QuotedText:
            values.texts.*entry.text = quotedValue(line);
            break;
        case LineKind::Text:
            values.texts.*entry.text = valueAfter(line, u"=", 2);
            break;
        case LineKind::EntryNumber:
            values.choices.*entry.choice = indexOrNone(qint64(strToInt(valueAfter(line, u"= ", 2))) - 1, entry.entries);
            break;
        case LineKind::EntryPosition:
            values.choices.*entry.choice = indexOrNone(strToInt(valueAfter(line, u"= ", 2)), entry.entries);
            break;
        }
    }
}

void GameConfigFile::save(const QString &path, const GameSettingsValues &values)
{
    if (!m_lines)
        throw RankholdError(u"No game configuration has been loaded from dflw.cfg, so there is nothing to save"_s);

    // Edited on a copy: a missing line stops the save before anything changes.
    QStringList lines = *m_lines;
    for (const int position : gamecfg::saveOrder()) {
        const std::optional<QString> replacement = replacementFor(gamecfg::configLine(position), values);
        if (!replacement)
            continue;
        if (position >= lines.size())
            throwListIndexError(position);
        lines[position] = *replacement;
    }
    writeLines(path, lines);
    noteSeen(path);
    m_lines = std::move(lines);
}

bool GameConfigFile::changedOnDisk(const QString &path) const
{
    return !m_seen || m_seen->path != path || m_seen->stamp != platform::fileStamp(path);
}

void GameConfigFile::keepOverDiskVersion(const QString &path)
{
    noteSeen(path);
}

void GameConfigFile::noteSeen(const QString &path)
{
    m_seen = Seen{path, platform::fileStamp(path)};
}
