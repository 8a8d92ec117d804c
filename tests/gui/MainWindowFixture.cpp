#include "MainWindowFixture.h"

#include "platform/Registry.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

void MainWindowTest::SetUp()
{
    ASSERT_TRUE(m_work.isValid());
    ASSERT_TRUE(m_config.isValid());
    m_oldCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_work.path()));
    m_hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_oldXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    m_hadBus = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    m_oldBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(m_config.path()) + "/no-bus");
    hooks().clear();
    hooks().enabled = true;
}

void MainWindowTest::TearDown()
{
    hooks().clear();
    hooks().enabled = false;
    QDir::setCurrent(m_oldCurrent);
    if (m_hadXdg)
        qputenv("XDG_CONFIG_HOME", m_oldXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (m_hadBus)
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_oldBus);
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

void MainWindowTest::makeDatabase()
{
    makeEmptyDatabase(workPath(QStringLiteral("Rankhold.mdb")));
}

QString MainWindowTest::makeRegisteredGame(const QString &name)
{
    const QString folder = workPath(name);
    writeFile(folder + QStringLiteral("/dflw.exe"), QByteArray());
    writeRegistry(platform::kDflwAppPathsKey, folder);
    return folder;
}

void MainWindowTest::writeRegistry(const QString &key, const QString &value)
{
    platform::Registry registry;
    ASSERT_TRUE(registry.writeString(key, QStringLiteral("Path"), value));
}

QString MainWindowTest::registryFileText() const
{
    return QString::fromUtf8(readFile(platform::Registry::defaultFileName()));
}

std::unique_ptr<TForm1> MainWindowTest::makeForm()
{
    return std::make_unique<TForm1>();
}
