#include "settings/SettingsFile.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "platform/ProfileFile.h"

#include <variant>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// One key of the settings file and the field it fills.
struct Key {
    QString section;
    QString name;
    std::variant<QString Settings::*, bool Settings::*> field;
};

// Every key, in the order File > Save Settings writes them.
const std::vector<Key> &saveOrder()
{
    static const std::vector<Key> keys = {
        {u"Tabletitles"_s, u"Fontface"_s, &Settings::titleFontFace},
        {u"Tabletitles"_s, u"Fontcolor"_s, &Settings::titleFontColor},
        {u"Tabletitles"_s, u"Fontsize"_s, &Settings::titleFontSize},
        {u"Tabletitles"_s, u"BGcolor"_s, &Settings::titleBgColor},
        {u"Tabletitles"_s, u"Italic"_s, &Settings::titleItalic},
        {u"Tabletitles"_s, u"Underlined"_s, &Settings::titleUnderlined},
        {u"Tablefields"_s, u"Fontface"_s, &Settings::fieldFontFace},
        {u"Tablefields"_s, u"Fontcolor"_s, &Settings::fieldFontColor},
        {u"Tablefields"_s, u"Fontsize"_s, &Settings::fieldFontSize},
        {u"Tablefields"_s, u"BGcolor"_s, &Settings::fieldBgColor},
        {u"HTML Creation"_s, u"Filter1"_s, &Settings::filter1},
        {u"HTML Creation"_s, u"Filter2"_s, &Settings::filter2},
        {u"HTML Creation"_s, u"Filter3"_s, &Settings::filter3},
        {u"Tablefields"_s, u"Bold"_s, &Settings::fieldBold},
        {u"Tablefields"_s, u"Italic"_s, &Settings::fieldItalic},
        {u"Tablefields"_s, u"Underlined"_s, &Settings::fieldUnderlined},
        {u"Table"_s, u"Borderwidth"_s, &Settings::borderWidth},
        {u"Table"_s, u"Cellpadding"_s, &Settings::cellPadding},
        {u"Table"_s, u"Cellspacing"_s, &Settings::cellSpacing},
        {u"Table"_s, u"Width"_s, &Settings::tableWidth},
        {u"Table"_s, u"BGcolor"_s, &Settings::tableBgColor},
        {u"FTPSettings"_s, u"server"_s, &Settings::ftpServer},
        {u"FTPSettings"_s, u"directory"_s, &Settings::ftpDirectory},
        {u"HTMLCreation"_s, u"Filter"_s, &Settings::useFilters},
        {u"HTMLCreation"_s, u"Kills"_s, &Settings::rankKills},
        {u"HTMLCreation"_s, u"Deaths"_s, &Settings::rankDeaths},
        {u"HTMLCreation"_s, u"Flags"_s, &Settings::rankFlags},
        {u"HTMLCreation"_s, u"Zonetime"_s, &Settings::rankZonetime},
        {u"HTMLCreation"_s, u"Targets"_s, &Settings::rankTargets},
        {u"HTMLCreation"_s, u"Ratio"_s, &Settings::rankRatio},
        {u"HTMLCreation"_s, u"Top10"_s, &Settings::top10},
    };
    return keys;
}

// The defaults of a key that is missing: the fields' initial values.
const Settings &defaults()
{
    static const Settings initial;
    return initial;
}

// header.txt and footer.txt are read up to this size, far above any real page header.
constexpr qint64 kLargestMemoFile = qint64(4) << 20;

const QString kOn = u"on"_s;
const QString kOff = u"off"_s;

void loadMemoText(const QString &path, QString &memo)
{
    if (!platform::fileExists(path))
        return;
    memo = normaliseLineBreaks(decodeUtf8OrWindows1252(readFileBytes(path, kLargestMemoFile)));
}

} // namespace

void loadHeaderAndFooter(const ProgramFolder &folder, Settings &settings)
{
    loadMemoText(folder.headerFile(), settings.header);
    loadMemoText(folder.footerFile(), settings.footer);
}

void loadSettingsFile(const ProgramFolder &folder, Settings &settings)
{
    const platform::ProfileFile ini(folder.settingsFile());
    // A file that is there and cannot be read is not taken for a missing one.
    if (const QString problem = ini.problem(); !problem.isEmpty())
        throw RankholdError(u"Cannot open file %1: %2"_s.arg(folder.settingsFile(), problem));
    // Read in the order of saving; reads never fail or write, so their order
    // has no effect.
    for (const Key &key : saveOrder()) {
        if (const auto *text = std::get_if<QString Settings::*>(&key.field)) {
            settings.*(*text) = ini.readString(key.section, key.name, defaults().*(*text));
        } else {
            const auto flag = std::get<bool Settings::*>(key.field);
            // Exactly "on" checks the box; anything else leaves it as it is.
            if (ini.readString(key.section, key.name, kOff) == kOn)
                settings.*flag = true;
        }
    }
}

void saveSettings(const ProgramFolder &folder, const Settings &settings)
{
    writeFileAtomically(folder.headerFile(), normaliseLineBreaks(settings.header).toUtf8());
    writeFileAtomically(folder.footerFile(), normaliseLineBreaks(settings.footer).toUtf8());

    const QString fileName = folder.settingsFile();
    platform::ProfileFile ini(fileName);
    for (const Key &key : saveOrder()) {
        QString value;
        if (const auto *text = std::get_if<QString Settings::*>(&key.field))
            value = settings.*(*text);
        else
            value = settings.*std::get<bool Settings::*>(key.field) ? kOn : kOff;
        if (!ini.writeString(key.section, key.name, value))
            throw RankholdError(u"Unable to write to %1"_s.arg(fileName));
    }
}
