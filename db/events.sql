-- Desks follow each other's changes through these events: every committed
-- transaction that changed bookings or staff accounts posts one event, which
-- the server hands to every desk that listens for it. The triggers only post;
-- they change no row, so other programs writing these tables are unaffected.
-- Loaded into new databases by scripts/make-db and into existing ones by
-- scripts/add-events; CREATE OR ALTER makes a second run a no-op.

SET TERM ^ ;

CREATE OR ALTER TRIGGER RES_POST_CHANGE FOR RES
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 32000
AS
BEGIN
  POST_EVENT 'RES_CHANGED';
END^

CREATE OR ALTER TRIGGER OTV_POST_CHANGE FOR OTV
ACTIVE AFTER INSERT OR UPDATE OR DELETE POSITION 32000
AS
BEGIN
  POST_EVENT 'OTV_CHANGED';
END^

SET TERM ; ^
