-- Tables of the occupancy board. Load into a database created with
-- DEFAULT CHARACTER SET WIN1251 (scripts/make-db does both).
-- Stored as UTF-8: load with isql-fb -ch UTF8.
--
-- No foreign keys: bookings keep the OTV_ID of an account that has been
-- deleted, and other programs sharing the database write these tables too.
-- No column of RES except ID is named like a column of OTV, so the two can be
-- joined with select * without ambiguity.

SET SQL DIALECT 3;

CREATE TABLE ZALS (
    ID    INTEGER NOT NULL,
    NAME  VARCHAR(10),
    PRIMARY KEY (ID)
);

CREATE TABLE OTV (
    ID     INTEGER NOT NULL,
    NAME   VARCHAR(50) NOT NULL,
    DOLJN  VARCHAR(50) NOT NULL,
    GR     VARCHAR(10) DEFAULT 'VIEW' NOT NULL,
    LOGIN  VARCHAR(20) NOT NULL,
    PWD    VARCHAR(20),
    CONSTRAINT PK_OTV PRIMARY KEY (ID)
);

CREATE TABLE RES (
    ID       INTEGER NOT NULL PRIMARY KEY,
    CLIENT   VARCHAR(30) NOT NULL,
    TEL      VARCHAR(15) NOT NULL,
    CORP     VARCHAR(50),
    TURAG    VARCHAR(50),
    VZROS    INTEGER NOT NULL,
    REB6     INTEGER NOT NULL,
    REB12    INTEGER NOT NULL,
    ZALS_ID  INTEGER NOT NULL,
    DATE1    DATE NOT NULL,
    DATE2    DATE NOT NULL,
    PRICE    INTEGER,
    SKIDKA   INTEGER,
    OPLATA   NUMERIC(18,2),
    GARANTY  VARCHAR(20),
    OTV_ID   INTEGER NOT NULL
);

-- The board finds a booking by room and arrival day.
CREATE INDEX RES_ZALS_DATE1 ON RES (ZALS_ID, DATE1);

CREATE GENERATOR GEN_RES_ID;
CREATE GENERATOR GEN_OTV_ID;

COMMIT;
