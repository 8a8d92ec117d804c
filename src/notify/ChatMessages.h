#pragma once

#include "notify/ChainStep.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The bodies posted to a chat webhook, in the form Discord takes and the
// services that copy it accept: {"content": ..., "embeds": [...]}. Names
// come from whoever joins the game server, so they are written as text:
// their markdown is escaped and no mention (@everyone) is ever resolved.

// What a post about one game tells.
struct GameReport {
    QString map;
    QString type;
    QString winner; // empty when the game type has none
    QString when;   // "2002-03-15 21:04:11"
    qint64 players = 0;
    // The best three lines of the scoreboard, best first.
    struct Line {
        QString player;
        qint64 kills = 0;
        qint64 deaths = 0;
        QString objective; // "3 flags", "zone time 4:05"; empty when the game type counts none
    };
    std::vector<Line> best;
    QString link; // the game's page on the portal; empty when there is none
};

QByteArray gameMessage(const GameReport &game);
// After the games of a score file that had more than a post each could carry.
QByteArray moreGamesMessage(qsizetype games);
QByteArray failureMessage(ChainStep step, const QString &cause);
QByteArray mendMessage(ChainStep step);
// What Extra > Webhook... sends to try the address.
QByteArray testMessage();

// `text` with the characters chat markdown acts on escaped.
QString escapeMarkdown(const QString &text);
