#pragma once

#include <QString>

class ProgramFolder;

// Where the program tells of its work and where its portal is published.
// Neither is a control of the main window: both live in Rankhold.ini alone,
// read at every round (an edit by hand takes effect without a restart).
//
// [Notify] url=  the chat webhook every game and every failure is posted to
//                (empty: nothing is posted). It holds a secret token.
// [Portal] url=  the address the portal folder is published at, for links
//                to a game's page (empty: no links).
QString notifyUrl(const ProgramFolder &folder);
// Throws RankholdError "Unable to write to %s". An empty url removes the value.
void setNotifyUrl(const ProgramFolder &folder, const QString &url);
QString portalUrl(const ProgramFolder &folder);
