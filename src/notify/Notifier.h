#pragma once

#include "notify/ChainStep.h"
#include "notify/StatusRecord.h"

#include <QString>
#include <map>
#include <memory>
#include <vector>

class CommandHost;
class PlayerDatabase;
class ProgramFolder;
class RankholdError;
class WebhookSender;
struct ArchiveOutcome;
struct ImportResult;
struct ImportedGame;
struct UploadOutcome;
struct WebhookUrl;

// Tells the operator what the chain did: status.json in the program folder
// after every round, and posts to the chat webhook of [Notify] url= (a post
// per game, one when a step fails, one when it works again). Lives as long
// as the commands; nothing it does can fail or hold up a command.
class Notifier
{
public:
    // `folder` may be set later (at start-up): it is read at every round.
    Notifier(const ProgramFolder &folder, PlayerDatabase &database, CommandHost &host);
    // Gives the posts still on their way a few seconds, then gives them up.
    ~Notifier();
    Notifier(const Notifier &) = delete;
    Notifier &operator=(const Notifier &) = delete;

    // The most games of one score file posted one by one; the rest are
    // counted in one post after them.
    static constexpr qsizetype kMostGamePosts = 10;
    // How long the end of the program waits for posts on their way; once it
    // has been told to stop (SIGTERM), at most kDrainOnStopMs more.
    static constexpr int kDrainMs = 12000;
    static constexpr int kDrainOnStopMs = 2000;

private:
    friend class ChainRound;
    WebhookSender &sender();
    // The posts that ended since the last look: into `record`, and the
    // failures to the host (each problem once until another comes).
    void takeReports(StatusRecord &record);
    void writeStatus(StatusRecord &record);

    const ProgramFolder &m_folder;
    PlayerDatabase &m_database;
    CommandHost &m_host;
    std::unique_ptr<WebhookSender> m_sender;
    QString m_problemSaid;
};

// One round of the chain (an import with what follows it, or an export or
// upload of its own), as its steps go; its end (the destructor) writes
// status.json and posts. A step that is begun and throws is recorded by
// failed() with the error.
//
// A step that fails on its own is reported with report(); so does the
// fetch of score files from a game host: report(ChainStep::GameHost,
// cause) when the host cannot be reached, report(ChainStep::GameHost, {})
// when it could be.
class ChainRound
{
public:
    explicit ChainRound(Notifier &notifier);
    ~ChainRound();
    ChainRound(const ChainRound &) = delete;
    ChainRound &operator=(const ChainRound &) = delete;

    void begin(ChainStep step) { m_step = step; }
    // The step begun last ended with `error`.
    void failed(const RankholdError &error);
    // `cause` empty: the step worked; otherwise why it failed, in one line.
    void report(ChainStep step, const QString &cause);

    void imported(const ImportResult &result);
    // Also writes portal/status.js, what the portal shows its age from.
    void exported();
    void uploaded(const UploadOutcome &outcome);
    void archived(const ArchiveOutcome &outcome);

private:
    void finish();
    void postGames(const WebhookUrl &url, const QString &portalBase);

    Notifier &m_notifier;
    StatusRecord m_record;
    ChainStep m_step = ChainStep::Import;
    std::map<ChainStep, QString> m_steps; // the steps of this round: empty when they worked
    std::vector<ImportedGame> m_newGames;
    bool m_uploadOk = false;
};
