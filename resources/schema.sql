-- The player database, one section per schema version, each headed by a
-- line "-- version N:". A new database runs every section; a database of an
-- older version runs the sections after its own the first time it is opened
-- for writing. PRAGMA user_version holds the number of the last section run.
-- A section only ever adds.

-- version 0: one row per player per game.
CREATE TABLE IF NOT EXISTS player (
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
CREATE UNIQUE INDEX IF NOT EXISTS player_id ON player (Id);
CREATE INDEX IF NOT EXISTS player_player ON player (Player);

-- version 1: the totals of every player, kept by the database itself so that
-- rows written by any program count. A row for each Player value that has
-- rows; Games is the number of its rows. A sum is NULL while none of the
-- player's rows has a value in its column (as Sum gives), so each sum keeps
-- the number of values it adds up beside it. BestRatio is Max(Ratio).
CREATE TABLE IF NOT EXISTS player_totals (
    Player TEXT PRIMARY KEY,
    Games INTEGER NOT NULL,
    Kills INTEGER,
    KillsCount INTEGER NOT NULL,
    Deaths INTEGER,
    DeathsCount INTEGER NOT NULL,
    Flags INTEGER,
    FlagsCount INTEGER NOT NULL,
    Zonetime INTEGER,
    ZonetimeCount INTEGER NOT NULL,
    Targets INTEGER,
    TargetsCount INTEGER NOT NULL,
    BestRatio REAL
);

-- The import's path: one statement a row. A NULL player never conflicts with
-- the key, so it takes the path below.
CREATE TRIGGER IF NOT EXISTS player_totals_insert AFTER INSERT ON player WHEN NEW.Player IS NOT NULL
BEGIN
    INSERT INTO player_totals (Player, Games, Kills, KillsCount, Deaths, DeathsCount, Flags, FlagsCount,
                               Zonetime, ZonetimeCount, Targets, TargetsCount, BestRatio)
    VALUES (NEW.Player, 1, NEW.Kills, NEW.Kills IS NOT NULL, NEW.Deaths, NEW.Deaths IS NOT NULL,
            NEW.Flags, NEW.Flags IS NOT NULL, NEW.Zonetime, NEW.Zonetime IS NOT NULL,
            NEW.Targets, NEW.Targets IS NOT NULL, NEW.Ratio)
    ON CONFLICT (Player) DO UPDATE SET
        Games = Games + 1,
        Kills = CASE WHEN excluded.Kills IS NULL THEN Kills ELSE COALESCE(Kills, 0) + excluded.Kills END,
        KillsCount = KillsCount + excluded.KillsCount,
        Deaths = CASE WHEN excluded.Deaths IS NULL THEN Deaths ELSE COALESCE(Deaths, 0) + excluded.Deaths END,
        DeathsCount = DeathsCount + excluded.DeathsCount,
        Flags = CASE WHEN excluded.Flags IS NULL THEN Flags ELSE COALESCE(Flags, 0) + excluded.Flags END,
        FlagsCount = FlagsCount + excluded.FlagsCount,
        Zonetime = CASE WHEN excluded.Zonetime IS NULL THEN Zonetime
                        ELSE COALESCE(Zonetime, 0) + excluded.Zonetime END,
        ZonetimeCount = ZonetimeCount + excluded.ZonetimeCount,
        Targets = CASE WHEN excluded.Targets IS NULL THEN Targets ELSE COALESCE(Targets, 0) + excluded.Targets END,
        TargetsCount = TargetsCount + excluded.TargetsCount,
        BestRatio = CASE WHEN excluded.BestRatio IS NULL OR excluded.BestRatio <= BestRatio THEN BestRatio
                         ELSE excluded.BestRatio END;
END;

CREATE TRIGGER IF NOT EXISTS player_totals_insert_null AFTER INSERT ON player WHEN NEW.Player IS NULL
BEGIN
    INSERT INTO player_totals (Player, Games, KillsCount, DeathsCount, FlagsCount, ZonetimeCount, TargetsCount)
    SELECT NULL, 0, 0, 0, 0, 0, 0 WHERE NOT EXISTS (SELECT 1 FROM player_totals WHERE Player IS NULL);
    UPDATE player_totals SET
        Games = Games + 1,
        Kills = CASE WHEN NEW.Kills IS NULL THEN Kills ELSE COALESCE(Kills, 0) + NEW.Kills END,
        KillsCount = KillsCount + (NEW.Kills IS NOT NULL),
        Deaths = CASE WHEN NEW.Deaths IS NULL THEN Deaths ELSE COALESCE(Deaths, 0) + NEW.Deaths END,
        DeathsCount = DeathsCount + (NEW.Deaths IS NOT NULL),
        Flags = CASE WHEN NEW.Flags IS NULL THEN Flags ELSE COALESCE(Flags, 0) + NEW.Flags END,
        FlagsCount = FlagsCount + (NEW.Flags IS NOT NULL),
        Zonetime = CASE WHEN NEW.Zonetime IS NULL THEN Zonetime ELSE COALESCE(Zonetime, 0) + NEW.Zonetime END,
        ZonetimeCount = ZonetimeCount + (NEW.Zonetime IS NOT NULL),
        Targets = CASE WHEN NEW.Targets IS NULL THEN Targets ELSE COALESCE(Targets, 0) + NEW.Targets END,
        TargetsCount = TargetsCount + (NEW.Targets IS NOT NULL),
        BestRatio = CASE WHEN NEW.Ratio IS NULL OR NEW.Ratio <= BestRatio THEN BestRatio ELSE NEW.Ratio END
    WHERE Player IS NULL;
END;

-- A deleted row that held its player's best ratio reads that player's
-- remaining rows for the next best; the last row of a player takes the
-- player's totals with it.
CREATE TRIGGER IF NOT EXISTS player_totals_delete AFTER DELETE ON player
BEGIN
    UPDATE player_totals SET
        Games = Games - 1,
        Kills = CASE WHEN OLD.Kills IS NULL THEN Kills WHEN KillsCount = 1 THEN NULL ELSE Kills - OLD.Kills END,
        KillsCount = KillsCount - (OLD.Kills IS NOT NULL),
        Deaths = CASE WHEN OLD.Deaths IS NULL THEN Deaths WHEN DeathsCount = 1 THEN NULL
                      ELSE Deaths - OLD.Deaths END,
        DeathsCount = DeathsCount - (OLD.Deaths IS NOT NULL),
        Flags = CASE WHEN OLD.Flags IS NULL THEN Flags WHEN FlagsCount = 1 THEN NULL ELSE Flags - OLD.Flags END,
        FlagsCount = FlagsCount - (OLD.Flags IS NOT NULL),
        Zonetime = CASE WHEN OLD.Zonetime IS NULL THEN Zonetime WHEN ZonetimeCount = 1 THEN NULL
                        ELSE Zonetime - OLD.Zonetime END,
        ZonetimeCount = ZonetimeCount - (OLD.Zonetime IS NOT NULL),
        Targets = CASE WHEN OLD.Targets IS NULL THEN Targets WHEN TargetsCount = 1 THEN NULL
                       ELSE Targets - OLD.Targets END,
        TargetsCount = TargetsCount - (OLD.Targets IS NOT NULL),
        BestRatio = CASE WHEN OLD.Ratio IS NULL OR OLD.Ratio < BestRatio THEN BestRatio
                         ELSE (SELECT Max(p.Ratio) FROM player AS p WHERE p.Player IS OLD.Player) END
    WHERE Player IS OLD.Player;
    DELETE FROM player_totals WHERE Player IS OLD.Player AND Games = 0;
END;

-- A changed row counts as the old row deleted and the new one inserted. Its
-- new values are in the table already when the best ratio is read again.
CREATE TRIGGER IF NOT EXISTS player_totals_update
AFTER UPDATE OF Player, Kills, Deaths, Flags, Zonetime, Targets, Ratio ON player
BEGIN
    UPDATE player_totals SET
        Games = Games - 1,
        Kills = CASE WHEN OLD.Kills IS NULL THEN Kills WHEN KillsCount = 1 THEN NULL ELSE Kills - OLD.Kills END,
        KillsCount = KillsCount - (OLD.Kills IS NOT NULL),
        Deaths = CASE WHEN OLD.Deaths IS NULL THEN Deaths WHEN DeathsCount = 1 THEN NULL
                      ELSE Deaths - OLD.Deaths END,
        DeathsCount = DeathsCount - (OLD.Deaths IS NOT NULL),
        Flags = CASE WHEN OLD.Flags IS NULL THEN Flags WHEN FlagsCount = 1 THEN NULL ELSE Flags - OLD.Flags END,
        FlagsCount = FlagsCount - (OLD.Flags IS NOT NULL),
        Zonetime = CASE WHEN OLD.Zonetime IS NULL THEN Zonetime WHEN ZonetimeCount = 1 THEN NULL
                        ELSE Zonetime - OLD.Zonetime END,
        ZonetimeCount = ZonetimeCount - (OLD.Zonetime IS NOT NULL),
        Targets = CASE WHEN OLD.Targets IS NULL THEN Targets WHEN TargetsCount = 1 THEN NULL
                       ELSE Targets - OLD.Targets END,
        TargetsCount = TargetsCount - (OLD.Targets IS NOT NULL),
        BestRatio = CASE WHEN OLD.Ratio IS NULL OR OLD.Ratio < BestRatio THEN BestRatio
                         ELSE (SELECT Max(p.Ratio) FROM player AS p WHERE p.Player IS OLD.Player) END
    WHERE Player IS OLD.Player;
    DELETE FROM player_totals WHERE Player IS OLD.Player AND Games = 0;
    INSERT INTO player_totals (Player, Games, KillsCount, DeathsCount, FlagsCount, ZonetimeCount, TargetsCount)
    SELECT NEW.Player, 0, 0, 0, 0, 0, 0 WHERE NOT EXISTS (SELECT 1 FROM player_totals WHERE Player IS NEW.Player);
    UPDATE player_totals SET
        Games = Games + 1,
        Kills = CASE WHEN NEW.Kills IS NULL THEN Kills ELSE COALESCE(Kills, 0) + NEW.Kills END,
        KillsCount = KillsCount + (NEW.Kills IS NOT NULL),
        Deaths = CASE WHEN NEW.Deaths IS NULL THEN Deaths ELSE COALESCE(Deaths, 0) + NEW.Deaths END,
        DeathsCount = DeathsCount + (NEW.Deaths IS NOT NULL),
        Flags = CASE WHEN NEW.Flags IS NULL THEN Flags ELSE COALESCE(Flags, 0) + NEW.Flags END,
        FlagsCount = FlagsCount + (NEW.Flags IS NOT NULL),
        Zonetime = CASE WHEN NEW.Zonetime IS NULL THEN Zonetime ELSE COALESCE(Zonetime, 0) + NEW.Zonetime END,
        ZonetimeCount = ZonetimeCount + (NEW.Zonetime IS NOT NULL),
        Targets = CASE WHEN NEW.Targets IS NULL THEN Targets ELSE COALESCE(Targets, 0) + NEW.Targets END,
        TargetsCount = TargetsCount + (NEW.Targets IS NOT NULL),
        BestRatio = CASE WHEN NEW.Ratio IS NULL OR NEW.Ratio <= BestRatio THEN BestRatio ELSE NEW.Ratio END
    WHERE Player IS NEW.Player;
END;

-- The totals of the rows stored before this version.
DELETE FROM player_totals;
INSERT INTO player_totals (Player, Games, Kills, KillsCount, Deaths, DeathsCount, Flags, FlagsCount,
                           Zonetime, ZonetimeCount, Targets, TargetsCount, BestRatio)
SELECT Player, Count(*), Sum(Kills), Count(Kills), Sum(Deaths), Count(Deaths), Sum(Flags), Count(Flags),
       Sum(Zonetime), Count(Zonetime), Sum(Targets), Count(Targets), Max(Ratio)
FROM player GROUP BY Player;

-- version 2: who is who on the player portal. A name of `player` merged into
-- another counts as that one there (CountsAs, never itself merged); a name
-- Hidden is on no board. A name without a row counts as itself and is shown.
-- The rows of `player` keep the names the game wrote; the ranking pages rank
-- those. Every change is logged with its time (UTC, ISO 8601) and user.
CREATE TABLE IF NOT EXISTS player_names (
    Player TEXT PRIMARY KEY,
    CountsAs TEXT,
    Hidden INTEGER NOT NULL
) STRICT;
CREATE TABLE IF NOT EXISTS player_names_log (
    Seq INTEGER PRIMARY KEY,
    Time TEXT NOT NULL,
    UserName TEXT NOT NULL,
    Change TEXT NOT NULL
) STRICT;
