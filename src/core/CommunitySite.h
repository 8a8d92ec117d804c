#pragma once

#include <QString>

// The community web site: the About menu opens it, the ranking pages link to it.
inline const QString kCommunitySiteUrl = QStringLiteral("https://rankhold.sourceforge.io");
