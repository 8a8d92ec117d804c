// A tick of the scheduled import that arrives while a maintenance command
// runs (inside its box, or while it compacts) waits for the command's end
// instead of importing in the middle of it.
#include "ScoreFixture.h"

#include <functional>

using namespace Qt::StringLiterals;

TEST_F(ScoreFixture, TickDuringAMaintenanceCommandWaitsForItsEnd)
{
    const std::pair<QString, std::function<void()>> commandsByText[] = {
        {u"Deleting all records"_s, [this] { commands.deleteAllRecords(); }},
        {u"Compacting Database"_s, [this] { commands.compactDatabase(); }},
    };
    for (const auto &[text, command] : commandsByText) {
        SCOPED_TRACE(qPrintable(text));
        writeFile(scoreFile(), scoreBlock("Map", "01/02/03", text.toLatin1(), "", {playerRow("Alpha", "0", "1", "1")}));
        ImportOutcome inside;
        host.onActivityText = [&, busyText = text](const QString &shown) {
            if (shown == busyText)
                inside = commands.scheduledImport();
        };
        command();
        host.onActivityText = nullptr;
        EXPECT_FALSE(inside.import.found) << "the tick ran inside the command";
        EXPECT_TRUE(commands.takeDeferredTick());
        EXPECT_TRUE(commands.scheduledImport().import.found);
    }
    EXPECT_EQ(count(), 2) << "each import after its command";
}
