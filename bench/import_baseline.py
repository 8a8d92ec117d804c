#!/usr/bin/env python3
"""The baseline of the import benchmark: a short script that reads a score
file as the import does and stores its rows with executemany in one
transaction.

    import_baseline.py DATABASE SCOREFILE

The database is an empty one of the program's schema (triggers included), so
both pay the same price inside the engine. Rows already stored are not looked
up: the script only ever sees fresh databases.
"""
import re
import sqlite3
import sys

MARK = "Game Stats for Game:"
COLUMNS = {
    "Deathmatch": "Score", "Team Deathmatch": "Score",
    "King of the Hill": "Zonetime", "Team King of the Hill": "Zonetime",
    "Capture the Flag": "Flags", "PennantRush": "Flags",
    "Search and Destroy": "Targets", "Attack and Defend": "Targets",
}
ORDER = ["Score", "Zonetime", "Flags", "Targets"]
INSERT = ("INSERT INTO player (Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
          "Zonetime, Flags, Targets) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")


def take_word(rest):
    rest = rest.lstrip(" ")
    blank = rest.find(" ")
    if blank < 0:
        return rest, ""
    return rest[:blank], rest[blank + 1:]


def rows(lines):
    for header, line in enumerate(lines):
        if MARK not in line:
            continue
        game = line[21:]
        played = lines[header + 1]
        comma = played.find(",")
        if comma < 0:
            date, time = played[8:], ""
        else:
            date, time = played[8:comma] if comma > 8 else "", played[comma + 2:]
        kind = lines[header + 2]
        if kind[2:12] != "Game type:":
            gametype, winner, column, row = "Cooperative", "None", None, header + 3
        else:
            gametype = kind[13:]
            column = COLUMNS.get(gametype)
            if gametype in ("Deathmatch", "King of the Hill"):
                winner, row = "None", header + 4
            else:
                winner, row = lines[header + 3][10:], header + 5
        while lines[row]:
            text = lines[row]
            row += 1
            player = text[6:27].lstrip(" ") or " "
            value, rest = take_word(text[27:])
            kills, rest = take_word(rest)
            deaths = rest.lstrip(" ")
            k, d = int(kills), int(deaths)
            values = [None, None, None, None]
            if column == "Zonetime":
                minutes, _, seconds = value.partition(":")
                values[1] = str(int(minutes) * 60 + int(seconds or 0))
            elif column:
                values[ORDER.index(column)] = value
            yield (date + " " + time + " " + player, player, kills, deaths, game, gametype, date, time, winner,
                   k / (d if d else 1), *values)


def main():
    database, score_file = sys.argv[1], sys.argv[2]
    with open(score_file, encoding="cp1252", newline="") as f:
        text = f.read()
    lines = re.split(r"\r\n|\r|\n", text)
    if lines and lines[-1] == "":
        lines.pop()
    con = sqlite3.connect(database, isolation_level=None)
    con.execute("BEGIN")
    con.executemany(INSERT, rows(lines))
    con.execute("COMMIT")
    con.close()


if __name__ == "__main__":
    main()
