#pragma once

#include <QString>

#include <array>
#include <cassert>

// The state of the game settings window's controls, by the number each
// control carries (CheckBox1..18, ComboBox1..13, Edit1..14). The window reads
// its controls into this value before a load or save and shows it afterwards,
// so the configuration logic never touches a widget.
struct GameSettingsValues {
    static constexpr int kCheckBoxes = 18;
    static constexpr int kComboBoxes = 13;
    static constexpr int kEdits = 14;
    static constexpr int kNoChoice = -1;

    std::array<bool, kCheckBoxes> checks{};
    std::array<int, kComboBoxes> choices = [] {
        std::array<int, kComboBoxes> a{};
        a.fill(kNoChoice);
        return a;
    }();
    std::array<QString, kEdits> texts{};

    bool &checkBox(int number)
    {
        assert(number >= 1 && number <= kCheckBoxes);
        return checks[std::size_t(number - 1)];
    }
    bool checkBox(int number) const
    {
        assert(number >= 1 && number <= kCheckBoxes);
        return checks[std::size_t(number - 1)];
    }
    int &comboBox(int number)
    {
        assert(number >= 1 && number <= kComboBoxes);
        return choices[std::size_t(number - 1)];
    }
    int comboBox(int number) const
    {
        assert(number >= 1 && number <= kComboBoxes);
        return choices[std::size_t(number - 1)];
    }
    QString &edit(int number)
    {
        assert(number >= 1 && number <= kEdits);
        return texts[std::size_t(number - 1)];
    }
    const QString &edit(int number) const
    {
        assert(number >= 1 && number <= kEdits);
        return texts[std::size_t(number - 1)];
    }

    bool operator==(const GameSettingsValues &) const = default;
};
