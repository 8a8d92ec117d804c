// The window through a long import and a long export: the event loop turns
// and the progress bar moves at least every 200 ms, and no other command
// starts inside them. Gaps are counted in processor time, so that a busy
// machine that takes the processor away from the test does not count
// against the program; without the turns every gap is the whole command.
#include "MainWindowFixture.h"

#include "commands/MainCommands.h"
#include "gui/PanelStatusBar.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QTimer>
#include <ctime>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// The rule holds for the program as it is built for use. The sanitizer
// stage runs the same code instrumented and unoptimised, several times
// slower, so its steps are allowed three times as long.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kLimitMs = 600;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr double kLimitMs = 600;
#else
constexpr double kLimitMs = 200;
#endif
#else
constexpr double kLimitMs = 200;
#endif

// Processor time of this process, in ms.
double processorMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

// Games of 16 players each, every player of every game a name of its own:
// the rankings get as many rows as the file has player rows.
QByteArray manyPlayers(int games)
{
    QByteArray out;
    for (int g = 0; g < games; ++g) {
        out += "Game Stats for Game: Map\r\nPlayed: 01/02/03, " + QByteArray::number(10 + g / 3600 % 10) + ":" +
               QByteArray::number(10 + g / 60 % 50) + ":" + QByteArray::number(10 + g % 50) + "." +
               QByteArray::number(g) +
               "\r\n  Game type: Capture the Flag\r\nWinner:   Blue Team\r\n  Name   Value  Kills  Deaths\r\n";
        for (int p = 0; p < 16; ++p)
            out += "      " + ("Player " + QByteArray::number(g * 16 + p)).leftJustified(21, ' ') +
                   QByteArray::number(p % 7) + "   " + QByteArray::number((g + p) % 30) + "   " +
                   QByteArray::number(p % 4) + "\r\n";
        out += "\r\n";
    }
    return out;
}

// The longest time between two turns of the event loop, and between two
// moves of the progress bar, while `command` runs.
struct Gaps {
    double loop = 0;
    double bar = 0;
    int turns = 0;
    int moves = 0;
};

Gaps measure(QProgressBar *bar, const std::function<void()> &command, const std::function<void()> &inside = {})
{
    Gaps gaps;
    double lastTurn = processorMs(), lastMove = lastTurn;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double now = processorMs();
        gaps.loop = std::max(gaps.loop, now - lastTurn);
        lastTurn = now;
        if (gaps.turns++ == 0 && inside)
            inside();
    });
    const QMetaObject::Connection moved = QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        const double now = processorMs();
        gaps.bar = std::max(gaps.bar, now - lastMove);
        lastMove = now;
        ++gaps.moves;
    });
    probe.start();
    command();
    probe.stop();
    QObject::disconnect(moved);
    const double end = processorMs();
    gaps.loop = std::max(gaps.loop, end - lastTurn);
    return gaps;
}

} // namespace

TEST_F(MainWindowTest, LongImportAndExportKeepTheWindowTurningAndRefuseOtherCommands)
{
    makeDatabase();
    const QString game = makeRegisteredGame();
    writeFile(game + u"/scores.txt"_s, manyPlayers(2500)); // 40,000 rows, as many players
    auto form = makeForm();
    form->show();
    auto *bar = control<QProgressBar>(*form, "ProgressBar1");
    auto *status = control<PanelStatusBar>(*form, "StatusBar1");
    for (const char *box :
         {"CheckBox1", "CheckBox17", "CheckBox2", "CheckBox3", "CheckBox6", "CheckBox5", "CheckBox7", "CheckBox4"})
        control<QCheckBox>(*form, box)->setChecked(true);

    QStringList refusals;
    // Every other command, and a tick of Timer1, arrives in the middle.
    const auto otherCommands = [&] {
        const std::pair<const char *, void (TForm1::*)()> commands[] = {
            {"export", &TForm1::ExportStatshtml1Click},
            {"import", &TForm1::ImportScorestxt1Click},
            {"upload", &TForm1::UploadHTMLbyFTP1Click},
            {"delete all", &TForm1::DeleteallRecords1Click},
            {"delete matching", &TForm1::Delet1Click},
            {"compact", &TForm1::RepairQuellmoordatabase1Click},
            {"open/close", &TForm1::CloseQuellmoordatabase1Click},
            {"save settings", &TForm1::SaveSettings1Click},
            {"set folder", &TForm1::SetDFLWfolder1Click},
            {"tick", &TForm1::Timer1Timer},
        };
        for (const auto &[name, handler] : commands) {
            status->setPanelText(1, u"-"_s);
            (form.get()->*handler)();
            refusals.append(QString::fromLatin1(name) + u": "_s + status->panelText(1));
        }
    };

    const Gaps import = measure(
        bar, [&] { form->ImportScorestxt1Click(); }, otherCommands);
    EXPECT_FALSE(QFile::exists(game + u"/scores.txt"_s)) << "the import ran to its end";
    EXPECT_LT(import.loop, kLimitMs) << import.turns << " turns";
    EXPECT_LT(import.bar, kLimitMs) << import.moves << " moves";
    EXPECT_GT(import.moves, 50);
    const QString busy = MainCommands::commandBusyText();
    EXPECT_EQ(refusals,
              (QStringList{u"export: "_s + busy, u"import: "_s + busy, u"upload: "_s + busy, u"delete all: "_s + busy,
                           u"delete matching: "_s + busy, u"compact: "_s + busy, u"open/close: "_s + busy,
                           u"save settings: "_s + busy, u"set folder: "_s + busy, u"tick: -"_s}));
    EXPECT_TRUE(hooks().shown.empty()) << "no box: nothing asked, nothing failed";
    EXPECT_FALSE(QFile::exists(workPath(u"Rankhold.ini"_s)));
    EXPECT_TRUE(form->state().database.isOpen());

    const Gaps exported = measure(bar, [&] { form->ExportStatshtml1Click(); });
    EXPECT_TRUE(QFile::exists(workPath(u"rankhold_top10.html"_s)));
    EXPECT_LT(exported.loop, kLimitMs) << exported.turns << " turns";
    EXPECT_LT(exported.bar, kLimitMs) << exported.moves << " moves";
    EXPECT_GT(exported.moves, 50);
    EXPECT_EQ(bar->value(), 0) << "the bar goes back when the export ends";
    EXPECT_EQ(status->panelText(1), kIdle);
    EXPECT_TRUE(hooks().shown.empty());
}
