#pragma once

#include "gui/Dialogs.h"
#include "gui/TForm1.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Every main-window test runs in a working folder of its own (not the
// executable's), with a registry store of its own, with a D-Bus session bus
// that is not there (so no keyring of the developer's desktop is touched),
// and with every box answered by the dialog hooks instead of a modal loop.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString workPath(const QString &name) const { return m_work.path() + u'/' + name; }
    // An empty player database in the working folder.
    void makeDatabase();
    // A game folder with a dflw.exe, registered as the game's App Paths "Path".
    QString makeRegisteredGame(const QString &name = QStringLiteral("dflw"));
    void writeRegistry(const QString &key, const QString &value);
    QString registryFileText() const;

    std::unique_ptr<TForm1> makeForm();
    Dialogs::TestHooks &hooks() { return Dialogs::testHooks(); }

    template <typename T> T *control(TForm1 &form, const char *name)
    {
        T *found = form.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir m_work;
    QTemporaryDir m_config;

private:
    QString m_oldCurrent;
    QByteArray m_oldXdg;
    bool m_hadXdg = false;
    QByteArray m_oldBus;
    bool m_hadBus = false;
};
