-- The player database: one row per player per game.
CREATE TABLE player (
    Id TEXT,
    Player TEXT,
    Kills INTEGER,
    Deaths INTEGER,
    Game TEXT,
    Gametype TEXT,
    Date TEXT,
    Time TEXT,
    Winner TEXT,
    Ratio REAL,
    Score INTEGER,
    Zonetime INTEGER,
    Flags INTEGER,
    Targets INTEGER
) STRICT;
CREATE UNIQUE INDEX player_id ON player (Id);
CREATE INDEX player_player ON player (Player);
