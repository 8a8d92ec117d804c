#pragma once

#include <QString>

// The community web site: linked from the credit line of every ranking page
// and opened from the About menu.
inline const QString kCommunityWebSite = QStringLiteral("https://rankhold.sourceforge.io");
