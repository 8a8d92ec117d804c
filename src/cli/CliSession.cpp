#include "cli/CliSession.h"

#include "cli/TerminalHost.h"
#include "commands/GameFolderRecord.h"
#include "commands/GameHostSetup.h"
#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Secrets.h"
#include "scores/DatabaseLocation.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

ProgramFolder resolveProgramFolder(const QString &given)
{
    const QString folder = given.isEmpty() ? platform::currentDirectory() : QFileInfo(given).absoluteFilePath();
    if (!platform::directoryExists(folder))
        throw RankholdError(u"The program folder %1 does not exist"_s.arg(folder));
    return ProgramFolder(folder);
}

// The first line of the file: a trailing line break is not part of the password.
QString readPasswordFile(const QString &fileName)
{
    // As ssh with its keys: a password others may read is no secret.
    if (platform::secretFileAccess(fileName) == platform::SecretFileAccess::OthersMayRead)
        throw RankholdError(u"The password file %1 may be read by others than its owner; "
                            "make it private with: chmod 600 %1"_s.arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw RankholdError(u"Cannot open file %1"_s.arg(fileName));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace

CliSession::CliSession(const CliOptions &options, TerminalHost &host) : m_options(options)
{
    m_state.programFolder = resolveProgramFolder(options.programFolder);
    // A crash must not write a password to disk.
    if (!options.passwordFile.isEmpty() || qEnvironmentVariableIsSet(kPasswordVariable) ||
        !options.gamePasswordFile.isEmpty() || qEnvironmentVariableIsSet(kGamePasswordVariable))
        platform::forbidCoreDumps();
    HostLogIn logIn;
    logIn.password = options.gamePasswordFile.isEmpty() ? qEnvironmentVariable(kGamePasswordVariable)
                                                        : readPasswordFile(options.gamePasswordFile);
    logIn.identityFile = options.gameIdentity;
    m_state.gameHost = gameHostOf(m_state.programFolder, options.gameFolder, logIn);
    if (!m_state.gameHost)
        m_state.gameFolder =
            options.gameFolder.isEmpty() ? GameFolderRecord::read(platform::Registry()) : options.gameFolder;
    if (!options.passwordFile.isEmpty()) {
        m_password = readPasswordFile(options.passwordFile);
        m_passwordGiven = true;
    } else if (qEnvironmentVariableIsSet(kPasswordVariable)) {
        m_password = qEnvironmentVariable(kPasswordVariable);
        m_passwordGiven = true;
    }
    m_state.database.setLocation(databaseLocationOf(m_state.programFolder, options.databaseUrl));
    m_commands = std::make_unique<MainCommands>(m_state, host, m_progressTimer, [this] { return readSettings(); });
}

CliSession::~CliSession() = default;

Settings CliSession::readSettings() const
{
    Settings settings;
    loadHeaderAndFooter(m_state.programFolder, settings);
    loadSettingsFile(m_state.programFolder, settings);
    settings.chainAfterImport = m_options.chain;
    if (m_options.ftpUser)
        settings.ftpUser = *m_options.ftpUser;
    if (m_passwordGiven)
        settings.ftpPassword = m_password;
    return settings;
}

void CliSession::openDatabase()
{
    try {
        m_state.database.open();
    } catch (const RankholdError &e) {
        // A database on a server answers for itself (its message names it).
        const QString file = m_state.database.fileName();
        if (m_state.database.location().isServer() || platform::fileExists(file) ||
            !platform::directoryExists(m_state.programFolder.path()))
            throw;
        const QString command =
            m_options.programFolder.isEmpty()
                ? u"rankhold-cli create-database"_s
                : u"rankhold-cli --program-folder %1 create-database"_s.arg(m_options.programFolder);
        throw RankholdError(e.message(), u"There is no database %1; make one with: %2"_s.arg(file, command));
    }
}

void CliSession::requireGameFolder() const
{
    if (m_state.gameHost)
        return; // a host that cannot be reached is the round's to say
    if (m_state.gameFolder.isEmpty())
        throw RankholdError(
            u"No game folder is known: give --game-folder or set it in Rankhold with Extra > Set DFLW folder"_s);
    // The window would just find no score file there; a service would then
    // wait for ever on a mistyped folder without a word.
    if (!platform::directoryExists(m_state.gameFolder))
        throw RankholdError(u"The game folder %1 does not exist"_s.arg(m_state.gameFolder));
}
