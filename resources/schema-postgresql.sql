-- The player database on PostgreSQL (11 or later): the tables, columns and
-- versions of schema.sql in PostgreSQL's terms, one section per schema
-- version, each headed by a line "-- version N:". The comment on the table
-- player holds the number of the last section run. A section only ever adds.
--
-- Player and Id compare byte by byte (COLLATE "C"), as SQLite compares text:
-- rankings break ties, and the import reads the keys of a map as a range,
-- in the same order on both engines whatever the database's own collation.
-- Whole numbers are 64 bits wide, as SQLite's are.

-- version 0: one row per player per game.
CREATE TABLE IF NOT EXISTS player (
    Id TEXT COLLATE "C",
    Player TEXT COLLATE "C",
    Kills BIGINT,
    Deaths BIGINT,
    Game TEXT,
    Gametype TEXT,
    Date TEXT,
    Time TEXT,
    Winner TEXT,
    Ratio DOUBLE PRECISION,
    Score BIGINT,
    Zonetime BIGINT,
    Flags BIGINT,
    Targets BIGINT
);
CREATE UNIQUE INDEX IF NOT EXISTS player_id ON player (Id);
CREATE INDEX IF NOT EXISTS player_player ON player (Player);

-- version 1: the totals of every player, kept by the database itself so that
-- rows written by any program count. A row for each Player value that has
-- rows; Games is the number of its rows. A sum is NULL while none of the
-- player's rows has a value in its column (as Sum gives), so each sum keeps
-- the number of values it adds up beside it. BestRatio is Max(Ratio).
CREATE TABLE IF NOT EXISTS player_totals (
    Player TEXT COLLATE "C" UNIQUE,
    Games BIGINT NOT NULL,
    Kills BIGINT,
    KillsCount BIGINT NOT NULL,
    Deaths BIGINT,
    DeathsCount BIGINT NOT NULL,
    Flags BIGINT,
    FlagsCount BIGINT NOT NULL,
    Zonetime BIGINT,
    ZonetimeCount BIGINT NOT NULL,
    Targets BIGINT,
    TargetsCount BIGINT NOT NULL,
    BestRatio DOUBLE PRECISION
);

-- One function for the three triggers, run once a statement with the rows
-- it changed: rows gone (old_rows) count down, rows come (new_rows) count
-- up, grouped by player, so a statement that writes many rows costs one
-- pass. A changed row counts as the old row gone and the new one come. A
-- row gone that held its player's best ratio reads that player's remaining
-- rows for the next best; the last row of a player takes the player's
-- totals with it. Rows without a player (never written by the import) are
-- counted in a row of their own, which the key does not find.
CREATE OR REPLACE FUNCTION player_totals_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP IN ('DELETE', 'UPDATE') THEN
        UPDATE player_totals AS t SET
            Games = t.Games - d.Games,
            Kills = CASE WHEN d.KillsCount = 0 THEN t.Kills WHEN t.KillsCount = d.KillsCount THEN NULL
                         ELSE t.Kills - d.Kills END,
            KillsCount = t.KillsCount - d.KillsCount,
            Deaths = CASE WHEN d.DeathsCount = 0 THEN t.Deaths WHEN t.DeathsCount = d.DeathsCount THEN NULL
                          ELSE t.Deaths - d.Deaths END,
            DeathsCount = t.DeathsCount - d.DeathsCount,
            Flags = CASE WHEN d.FlagsCount = 0 THEN t.Flags WHEN t.FlagsCount = d.FlagsCount THEN NULL
                         ELSE t.Flags - d.Flags END,
            FlagsCount = t.FlagsCount - d.FlagsCount,
            Zonetime = CASE WHEN d.ZonetimeCount = 0 THEN t.Zonetime WHEN t.ZonetimeCount = d.ZonetimeCount THEN NULL
                            ELSE t.Zonetime - d.Zonetime END,
            ZonetimeCount = t.ZonetimeCount - d.ZonetimeCount,
            Targets = CASE WHEN d.TargetsCount = 0 THEN t.Targets WHEN t.TargetsCount = d.TargetsCount THEN NULL
                           ELSE t.Targets - d.Targets END,
            TargetsCount = t.TargetsCount - d.TargetsCount,
            BestRatio = CASE WHEN d.BestRatio IS NULL OR d.BestRatio < t.BestRatio THEN t.BestRatio
                             ELSE (SELECT Max(p.Ratio) FROM player AS p
                                   WHERE p.Player = t.Player OR (p.Player IS NULL AND t.Player IS NULL)) END
        FROM (SELECT Player, Count(*) AS Games, Sum(Kills) AS Kills, Count(Kills) AS KillsCount,
                     Sum(Deaths) AS Deaths, Count(Deaths) AS DeathsCount, Sum(Flags) AS Flags,
                     Count(Flags) AS FlagsCount, Sum(Zonetime) AS Zonetime, Count(Zonetime) AS ZonetimeCount,
                     Sum(Targets) AS Targets, Count(Targets) AS TargetsCount, Max(Ratio) AS BestRatio
              FROM old_rows GROUP BY Player) AS d
        WHERE (t.Player IS NULL) = (d.Player IS NULL) AND COALESCE(t.Player, '') = COALESCE(d.Player, '');
        DELETE FROM player_totals WHERE Games = 0;
    END IF;
    IF TG_OP IN ('INSERT', 'UPDATE') THEN
        IF EXISTS (SELECT 1 FROM new_rows WHERE Player IS NULL) THEN
            INSERT INTO player_totals (Player, Games, KillsCount, DeathsCount, FlagsCount, ZonetimeCount,
                                       TargetsCount)
            SELECT NULL, 0, 0, 0, 0, 0, 0 WHERE NOT EXISTS (SELECT 1 FROM player_totals WHERE Player IS NULL);
            UPDATE player_totals AS t SET
                Games = t.Games + n.Games,
                Kills = CASE WHEN n.KillsCount = 0 THEN t.Kills ELSE COALESCE(t.Kills, 0) + n.Kills END,
                KillsCount = t.KillsCount + n.KillsCount,
                Deaths = CASE WHEN n.DeathsCount = 0 THEN t.Deaths ELSE COALESCE(t.Deaths, 0) + n.Deaths END,
                DeathsCount = t.DeathsCount + n.DeathsCount,
                Flags = CASE WHEN n.FlagsCount = 0 THEN t.Flags ELSE COALESCE(t.Flags, 0) + n.Flags END,
                FlagsCount = t.FlagsCount + n.FlagsCount,
                Zonetime = CASE WHEN n.ZonetimeCount = 0 THEN t.Zonetime ELSE COALESCE(t.Zonetime, 0) + n.Zonetime END,
                ZonetimeCount = t.ZonetimeCount + n.ZonetimeCount,
                Targets = CASE WHEN n.TargetsCount = 0 THEN t.Targets ELSE COALESCE(t.Targets, 0) + n.Targets END,
                TargetsCount = t.TargetsCount + n.TargetsCount,
                BestRatio = GREATEST(t.BestRatio, n.BestRatio)
            FROM (SELECT Count(*) AS Games, Sum(Kills) AS Kills, Count(Kills) AS KillsCount,
                         Sum(Deaths) AS Deaths, Count(Deaths) AS DeathsCount, Sum(Flags) AS Flags,
                         Count(Flags) AS FlagsCount, Sum(Zonetime) AS Zonetime, Count(Zonetime) AS ZonetimeCount,
                         Sum(Targets) AS Targets, Count(Targets) AS TargetsCount, Max(Ratio) AS BestRatio
                  FROM new_rows WHERE Player IS NULL) AS n
            WHERE t.Player IS NULL;
        END IF;
        INSERT INTO player_totals AS t (Player, Games, Kills, KillsCount, Deaths, DeathsCount, Flags, FlagsCount,
                                        Zonetime, ZonetimeCount, Targets, TargetsCount, BestRatio)
        SELECT Player, Count(*), Sum(Kills), Count(Kills), Sum(Deaths), Count(Deaths), Sum(Flags), Count(Flags),
               Sum(Zonetime), Count(Zonetime), Sum(Targets), Count(Targets), Max(Ratio)
        FROM new_rows WHERE Player IS NOT NULL GROUP BY Player
        ON CONFLICT (Player) DO UPDATE SET
            Games = t.Games + excluded.Games,
            Kills = CASE WHEN excluded.KillsCount = 0 THEN t.Kills ELSE COALESCE(t.Kills, 0) + excluded.Kills END,
            KillsCount = t.KillsCount + excluded.KillsCount,
            Deaths = CASE WHEN excluded.DeathsCount = 0 THEN t.Deaths
                          ELSE COALESCE(t.Deaths, 0) + excluded.Deaths END,
            DeathsCount = t.DeathsCount + excluded.DeathsCount,
            Flags = CASE WHEN excluded.FlagsCount = 0 THEN t.Flags ELSE COALESCE(t.Flags, 0) + excluded.Flags END,
            FlagsCount = t.FlagsCount + excluded.FlagsCount,
            Zonetime = CASE WHEN excluded.ZonetimeCount = 0 THEN t.Zonetime
                            ELSE COALESCE(t.Zonetime, 0) + excluded.Zonetime END,
            ZonetimeCount = t.ZonetimeCount + excluded.ZonetimeCount,
            Targets = CASE WHEN excluded.TargetsCount = 0 THEN t.Targets
                           ELSE COALESCE(t.Targets, 0) + excluded.Targets END,
            TargetsCount = t.TargetsCount + excluded.TargetsCount,
            BestRatio = GREATEST(t.BestRatio, excluded.BestRatio);
    END IF;
    RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS player_totals_insert ON player;
CREATE TRIGGER player_totals_insert AFTER INSERT ON player REFERENCING NEW TABLE AS new_rows
FOR EACH STATEMENT EXECUTE FUNCTION player_totals_change();
DROP TRIGGER IF EXISTS player_totals_delete ON player;
CREATE TRIGGER player_totals_delete AFTER DELETE ON player REFERENCING OLD TABLE AS old_rows
FOR EACH STATEMENT EXECUTE FUNCTION player_totals_change();
DROP TRIGGER IF EXISTS player_totals_update ON player;
CREATE TRIGGER player_totals_update AFTER UPDATE ON player REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows
FOR EACH STATEMENT EXECUTE FUNCTION player_totals_change();

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
    Player TEXT COLLATE "C" PRIMARY KEY,
    CountsAs TEXT COLLATE "C",
    Hidden BIGINT NOT NULL
);
CREATE TABLE IF NOT EXISTS player_names_log (
    Seq BIGSERIAL PRIMARY KEY,
    Time TEXT NOT NULL,
    UserName TEXT NOT NULL,
    Change TEXT NOT NULL
);
