#include "notify/Notifier.h"

#include "common/CommandHost.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "ftp/PageUpload.h"
#include "notify/ChatMessages.h"
#include "notify/GameReports.h"
#include "notify/WebhookSender.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"
#include "scores/ScoreArchive.h"
#include "scores/ScoreImport.h"
#include "settings/NotifySettings.h"
#include "settings/PortalSwitch.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// What the portal's script reads its age from, beside it in the portal's root.
const QString kPortalStatus = u"status.js"_s;

} // namespace

Notifier::Notifier(const ProgramFolder &folder, PlayerDatabase &database, CommandHost &host)
    : m_folder(folder), m_database(database), m_host(host)
{
}

Notifier::~Notifier()
{
    if (!m_sender)
        return;
    // A program told to stop ends within seconds, posts or not.
    QDeadlineTimer drain(kDrainMs);
    while (!m_sender->waitUntilSent(100) && !drain.hasExpired()) {
        if (m_host.stopRequested() && drain.remainingTime() > kDrainOnStopMs)
            drain.setRemainingTime(kDrainOnStopMs);
    }
    m_sender->stop(); // gives up what is left, with a report each
    StatusRecord record = StatusRecord::read(m_folder.statusFile());
    takeReports(record);
    writeStatus(record);
}

WebhookSender &Notifier::sender()
{
    if (!m_sender)
        m_sender = std::make_unique<WebhookSender>();
    return *m_sender;
}

void Notifier::takeReports(StatusRecord &record)
{
    for (const WebhookSender::Report &report : m_sender->takeReports()) {
        record.lastWebhook = StatusRecord::Webhook{report.when, report.delivered, report.problem};
        const QString problem = report.delivered ? QString() : u"%1: %2"_s.arg(report.shownUrl, report.problem);
        if (!problem.isEmpty() && problem != m_problemSaid)
            m_host.reportWebhookProblem(u"Webhook post not delivered to "_s + problem);
        m_problemSaid = problem;
    }
}

void Notifier::writeStatus(StatusRecord &record)
{
    record.version = QStringLiteral(RANKHOLD_VERSION);
    record.written = QDateTime::currentDateTimeUtc();
    try {
        writeFileAtomically(m_folder.statusFile(), record.toJson());
    } catch (const RankholdError &) {
        // A full disk fails the round's own steps; the report waits for the next.
    }
}

ChainRound::ChainRound(Notifier &notifier)
    : m_notifier(notifier), m_record(StatusRecord::read(notifier.m_folder.statusFile()))
{
}

ChainRound::~ChainRound()
{
    try {
        finish();
    } catch (...) {
        // The round's own outcome stands; what it tells is lost this time.
    }
}

void ChainRound::failed(const RankholdError &error)
{
    // Where it happened too: the file and line of a score file's error.
    report(m_step, error.context().isEmpty() ? error.message() : error.message() + u'\n' + error.context());
}

void ChainRound::report(ChainStep step, const QString &cause)
{
    m_steps[step] = cause;
}

void ChainRound::imported(const ImportResult &result)
{
    if (!result.found)
        return;
    report(ChainStep::Import, {});
    // Without a row stored, nothing is new (on a server the import hands
    // every row of a file read again to the insert, which leaves them out).
    if (result.stored > 0)
        m_newGames = result.newGames;
    // Assigned rather than emplace(): clang does not see a nested struct
    // with member initialisers as default-constructible inside optional.
    m_record.lastImport = StatusRecord::Import{};
    StatusRecord::Import &i = *m_record.lastImport;
    i.when = QDateTime::currentDateTimeUtc();
    i.file = result.files.empty() ? QString() : result.files.back().path;
    i.stored = result.stored;
    i.alreadyStored = result.alreadyStored;
}

void ChainRound::exported()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    report(ChainStep::Export, {});
    m_record.lastExport = now;
    const ProgramFolder &folder = m_notifier.m_folder;
    if (!portalEnabled(folder) || !platform::directoryExists(folder.portalFolder()))
        return;
    const QByteArray data =
        QJsonDocument(QJsonObject{{u"updated"_s, now.toString(Qt::ISODate)}}).toJson(QJsonDocument::Compact);
    try {
        writeFileReplacing(platform::joinPath(folder.portalFolder(), kPortalStatus),
                           "rankholdStatus(" + data + ");\r\n");
    } catch (const RankholdError &) {
        // The pages beside it could be written; the age is shown next time.
    }
}

void ChainRound::uploaded(const UploadOutcome &outcome)
{
    // A refusal while another upload runs says nothing about the server.
    if (!outcome.ok && outcome.cause == kUploadBusyText)
        return;
    m_uploadOk = outcome.ok;
    const QString cause = outcome.ok                ? QString()
                          : outcome.cause.isEmpty() ? u"the upload did not end in \"FTP: Filetransfer OK\""_s
                                                    : outcome.cause;
    report(ChainStep::Upload, cause);
    m_record.lastUpload = StatusRecord::Upload{QDateTime::currentDateTimeUtc(), outcome.ok, cause};
}

void ChainRound::archived(const ArchiveOutcome &outcome)
{
    report(ChainStep::Archive, outcome.problem);
    if (m_record.lastImport)
        m_record.lastImport->setAside = std::count_if(outcome.setAside.begin(), outcome.setAside.end(),
                                                      [](const QString &f) { return !f.isEmpty(); });
}

void ChainRound::postGames(const WebhookUrl &url, const QString &portalBase)
{
    QStringList &told = m_record.toldGames;
    const QSet<QString> toldBefore(told.begin(), told.end());
    std::vector<ImportedGame> games;
    for (const ImportedGame &game : distinctGames(m_newGames)) {
        const QString key = game.date + u' ' + game.time + u' ' + game.map;
        if (toldBefore.contains(key))
            continue;
        games.push_back(game);
        told.append(key);
    }
    if (told.size() > StatusRecord::kGamesKept)
        told.remove(0, told.size() - StatusRecord::kGamesKept);
    const qsizetype posted = std::min<qsizetype>(qsizetype(games.size()), Notifier::kMostGamePosts);
    const std::vector<ImportedGame> first(games.begin(), games.begin() + posted);
    std::vector<GameReport> reports;
    try {
        reports = gameReports(m_notifier.m_database.connection(), first, portalBase);
    } catch (const RankholdError &e) {
        m_notifier.m_host.reportWebhookProblem(u"The games cannot be read for the webhook: "_s + e.message());
    }
    WebhookSender &sender = m_notifier.sender();
    for (const GameReport &report : reports)
        sender.post(url, gameMessage(report));
    if (qsizetype(games.size()) > posted)
        sender.post(url, moreGamesMessage(qsizetype(games.size()) - posted));
}

void ChainRound::finish()
{
    if (m_steps.empty())
        return;
    const ProgramFolder &folder = m_notifier.m_folder;
    QString error;
    const QString text = notifyUrl(folder);
    const std::optional<WebhookUrl> url = text.isEmpty() ? std::nullopt : parseWebhookUrl(text, &error);
    if (!error.isEmpty() && error != m_notifier.m_problemSaid) {
        m_notifier.m_host.reportWebhookProblem(error + u"; nothing is posted"_s);
        m_notifier.m_problemSaid = error;
    }

    if (url && !m_newGames.empty()) {
        // A link only to a page that is on the server now.
        QString base = portalUrl(folder).trimmed();
        if (!base.isEmpty() && !base.endsWith(u'/'))
            base += u'/';
        postGames(*url, portalEnabled(folder) && m_uploadOk ? base : QString());
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const auto &[step, cause] : m_steps) {
        const QString key = stepKey(step);
        const auto told = m_record.failures.find(key);
        if (!cause.isEmpty()) {
            m_record.lastError = StatusRecord::Error{now, key, cause};
            if (told != m_record.failures.end() && told->second == cause)
                continue;
            m_record.failures[key] = cause;
            if (url)
                m_notifier.sender().post(*url, failureMessage(step, cause));
        } else if (told != m_record.failures.end()) {
            m_record.failures.erase(told);
            if (url)
                m_notifier.sender().post(*url, mendMessage(step));
        }
    }
    if (m_notifier.m_sender)
        m_notifier.takeReports(m_record);
    m_notifier.writeStatus(m_record);
}
