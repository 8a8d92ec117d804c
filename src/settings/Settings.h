#pragma once

#include <QString>

inline const QString kDefaultFtpServer = QStringLiteral("ftp.yourwebhost.com");

// The options of the main window, read from its controls at the moment a
// command runs (the GUI) or from the program folder's files (the CLI). Each
// field names the control it stands for. Memo texts hold CR LF line breaks.
struct Settings {
    // "HTML Creation"
    bool rankKills = false; // CheckBox1
    bool rankDeaths = false; // CheckBox17
    bool rankFlags = false; // CheckBox2
    bool rankZonetime = false; // CheckBox3
    bool rankTargets = false; // CheckBox6
    bool rankRatio = false; // CheckBox5
    bool top10 = false; // CheckBox7
    bool useFilters = false; // CheckBox18
    QString filter1; // Edit19
    QString filter2; // Edit20
    QString filter3; // Edit21

    // "Scheduled Tasks" (never saved)
    bool importAfterEachMap = false; // CheckBox4
    bool chainAfterImport = false; // CheckBox9: export after import, upload after export

    // "Game" (never saved)
    bool highPriority = false; // CheckBox8
    bool switchOnWhenRunningGame = false; // CheckBox16

    // "FTP Settings"
    QString ftpServer = kDefaultFtpServer; // Edit14
    QString ftpUser = QStringLiteral("username"); // Edit15 (never saved)
    QString ftpPassword = QStringLiteral("sundrops"); // Edit16 (never saved)
    QString ftpDirectory; // Edit17

    // "HTML Layout"
    QString header = QStringLiteral("<HTML>\r\n<BODY BGCOLOR=\"WHITE\">\r\n"); // Memo2
    QString footer = QStringLiteral("</BODY>\r\n</HTML>\r\n"); // Memo3

    // "Table Options for" Titles / Fields
    QString titleFontFace = QStringLiteral("arial"); // Edit5
    QString fieldFontFace = QStringLiteral("arial"); // Edit6
    QString titleFontColor = QStringLiteral("black"); // Edit1
    QString fieldFontColor = QStringLiteral("black"); // Edit2
    QString titleFontSize = QStringLiteral("2"); // Edit3
    QString fieldFontSize = QStringLiteral("2"); // Edit4
    bool titleBold = true; // CheckBox10, always checked and never consulted
    bool fieldBold = false; // CheckBox13
    bool titleItalic = false; // CheckBox11
    bool fieldItalic = false; // CheckBox14
    bool titleUnderlined = false; // CheckBox12
    bool fieldUnderlined = false; // CheckBox15
    QString titleBgColor = QStringLiteral("white"); // Edit7
    QString fieldBgColor = QStringLiteral("white"); // Edit8

    // "Table:"
    QString borderWidth = QStringLiteral("0"); // Edit10
    QString cellPadding = QStringLiteral("0"); // Edit11
    QString cellSpacing = QStringLiteral("0"); // Edit12
    QString tableWidth = QStringLiteral("100"); // Edit13
    QString tableBgColor = QStringLiteral("white"); // Edit9
};
