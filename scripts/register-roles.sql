-- The plant register's roles on a shared PostgreSQL server (docs/register.md):
--   rq50_admin   owns the register's tables: makes and upgrades the schema
--   rq50_writer  what every technician's RQ50 records with: reads, and adds
--                records; may never change or delete one
--   rq50_reader  reads: history, audit, register verify
-- Run as a superuser in the register's database once its schema is made (the
-- first RQ50 that connects as rq50_admin makes it), and again after an
-- upgrade of the schema:
--   psql -d plant -v ON_ERROR_STOP=1 -f register-roles.sql
-- Give each role its password (ALTER ROLE ... PASSWORD) and its lines in
-- pg_hba.conf; running the script again changes neither.

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'rq50_admin') THEN
        CREATE ROLE rq50_admin LOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'rq50_writer') THEN
        CREATE ROLE rq50_writer LOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'rq50_reader') THEN
        CREATE ROLE rq50_reader LOGIN;
    END IF;
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO rq50_admin, rq50_writer, rq50_reader',
                   current_database());
END
$$;

DO $$
DECLARE
    t text;
BEGIN
    IF to_regclass('records') IS NULL OR to_regclass('schema_version') IS NULL THEN
        RAISE EXCEPTION 'this database holds no plant register yet: connect RQ50 once as '
                        'rq50_admin to make it, then run this script again';
    END IF;
    -- The admin owns every table (and with them their id sequences).
    FOREACH t IN ARRAY ARRAY['schema_version', 'instruments', 'sets', 'records', 'changes',
                             'instrument_names', 'register_settings', 'register_keys'] LOOP
        EXECUTE format('ALTER TABLE %I OWNER TO rq50_admin', t);
        EXECUTE format('REVOKE ALL ON TABLE %I FROM PUBLIC, rq50_writer, rq50_reader', t);
        EXECUTE format('GRANT SELECT ON TABLE %I TO rq50_writer, rq50_reader', t);
    END LOOP;
END
$$;

GRANT USAGE ON SCHEMA public TO rq50_writer, rq50_reader;
GRANT USAGE, CREATE ON SCHEMA public TO rq50_admin;

-- A record, its changes and its set are only ever added: no UPDATE, no
-- DELETE, so the server itself refuses to change the trail.
GRANT INSERT ON TABLE records, changes, sets TO rq50_writer;
GRANT USAGE ON SEQUENCE records_id_seq TO rq50_writer;
-- A technician registers his own public key (register keygen) or another
-- user's (register trust); a key is never changed or taken back.
GRANT INSERT ON TABLE register_keys TO rq50_writer;
-- An instrument's row carries its current tag and titles and the name a
-- technician gave it (never its model, which the chain covers).
GRANT INSERT ON TABLE instruments, instrument_names TO rq50_writer;
GRANT UPDATE (name, tag, instrument_no, plant, area) ON TABLE instruments TO rq50_writer;
GRANT UPDATE ON TABLE instrument_names TO rq50_writer;
GRANT USAGE ON SEQUENCE instruments_id_seq TO rq50_writer;
