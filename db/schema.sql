-- Horalia database: tables, indexes, triggers and routines.
--
-- Load into an empty database with the command-line client:
--     mariadb --database=NAME < db/schema.sql
-- The file uses DELIMITER, so it must go through the `mariadb` client.
-- MariaDB 10.11 or later (window functions, recursive CTEs).
--
-- The station program writes `ticados` (punch rows) and corrects
-- `ticadoscompleto` (time sheets). The time sheets are derived here, by
-- triggers, from the punch rows; see db/README.md for the rules.

SET NAMES utf8mb4 COLLATE utf8mb4_unicode_ci;

-- ---------------------------------------------------------------------------
-- Company. Not used by the station; kept for the office's own tools.
-- ---------------------------------------------------------------------------
CREATE TABLE empresa (
    id         INT          NOT NULL AUTO_INCREMENT,
    nombre     VARCHAR(100) NOT NULL,
    cif        VARCHAR(24)  NULL,
    direccion  VARCHAR(80)  NULL,
    cp         VARCHAR(10)  NULL,
    poblacion  VARCHAR(40)  NULL,
    provincia  VARCHAR(40)  NULL,
    telefono   VARCHAR(30)  NULL,
    PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- ---------------------------------------------------------------------------
-- Workers. `ID` is the worker number typed at the terminal and copied into
-- punch rows and time sheets as `idt`; it is unique on its own, although
-- the worker window addresses a row by (ide, ID).
-- `activo` is 0 for a former worker, otherwise the worker's group (1, 2, ...).
-- ---------------------------------------------------------------------------
CREATE TABLE trabajadores (
    ide              INT          NOT NULL DEFAULT 1,
    ID               SMALLINT     NOT NULL,
    NIF              VARCHAR(24)  NOT NULL,
    nombre           VARCHAR(80)  NOT NULL,
    activo           INT          NOT NULL DEFAULT 1,
    NOMBRECORTO      VARCHAR(80)  NULL,
    APELLIDOS        VARCHAR(120) NULL,
    DIRECCION        VARCHAR(80)  NULL,
    CP               VARCHAR(10)  NULL,
    POBLACION        VARCHAR(40)  NULL,
    PROVINCIA        VARCHAR(40)  NULL,
    FECHANACIMIENTO  DATE         NULL,
    PAISNAC          VARCHAR(40)  NULL,
    NACIONALIDAD     VARCHAR(40)  NULL,
    SEXO             VARCHAR(20)  NULL,
    CBIBAN           VARCHAR(8)   NULL,
    CBBANCO          VARCHAR(8)   NULL,
    CBOFICINA        VARCHAR(8)   NULL,
    CBDC             VARCHAR(4)   NULL,
    CBCC             VARCHAR(20)  NULL,
    PAGARPORBANCO    INT          NOT NULL DEFAULT 0,
    TELEFONO1        VARCHAR(30)  NULL,
    TELEFONO2        VARCHAR(30)  NULL,
    TELEFONO3        VARCHAR(30)  NULL,
    TELEFONO4        VARCHAR(30)  NULL,
    REGIMEN_COT      VARCHAR(40)  NULL,
    NUMSEGSOCIAL     VARCHAR(30)  NULL,
    IRPF             DOUBLE       NULL,
    IRPF2            DOUBLE       NULL,
    DESEMPLEO        DOUBLE       NULL,
    DESEMPLEO2       DOUBLE       NULL,
    FORMACION        DOUBLE       NULL,
    FORMACION2       DOUBLE       NULL,
    OBSERVACIONES    VARCHAR(400) NULL,
    FECHAALTA        DATE         NULL,
    FECHABAJA        DATE         NULL,
    CONTINGENCIAS    DOUBLE       NULL,
    empresa          INT          NOT NULL DEFAULT 1,
    seleccionado     INT          NOT NULL DEFAULT 0,
    codart           VARCHAR(30)  NULL,
    IMAGEN           INT          NULL,
    FIJO             SMALLINT     NULL,
    FIJODISCONTINUO  SMALLINT     NULL,
    TEMPORAL         SMALLINT     NULL,
    controlcalidad   INT          NULL,
    horascontrato    DOUBLE       NULL,
    grupo            INT          NOT NULL DEFAULT 0,
    num_taquilla     INT          NULL,
    email            VARCHAR(100) NULL,
    convocatoria     VARCHAR(90)  NULL,
    responsable      INT          NULL,
    fumigador        INT          NULL,
    jornada_continua SMALLINT     NULL,
    salariobasedia   DOUBLE       NULL,
    retencion_me     DOUBLE       NULL,
    PRIMARY KEY (ide, ID),
    UNIQUE KEY uk_trabajadores_id (ID),          -- terminal lookup by number, max(id)
    KEY idx_trabajadores_nif (NIF),              -- terminal lookup by NIF
    KEY idx_trabajadores_nombre (nombre),        -- every worker list is ordered by name
    KEY idx_trabajadores_activo (activo, nombre) -- lists by group / current workers
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- ---------------------------------------------------------------------------
-- Punch rows: one presence interval each. The terminal inserts a row at the
-- entry and fills SALIDA_REAL at the exit; an open row has SALIDA_REAL null.
-- ---------------------------------------------------------------------------
CREATE TABLE ticados (
    id           BIGINT       NOT NULL AUTO_INCREMENT,
    ide          SMALLINT     NOT NULL DEFAULT 1,
    fecha        DATE         NOT NULL,
    idt          INT          NOT NULL,
    TRABAJADOR   VARCHAR(100) NOT NULL,
    ENTRADA_REAL TIME         NULL,
    SALIDA_REAL  TIME         NULL,
    tiempo       DOUBLE       NULL,
    centro       VARCHAR(90)  NULL,
    PRIMARY KEY (id),
    -- "where idt=N and salida_real is null order by fecha": a worker's open rows
    KEY idx_ticados_abiertos (idt, SALIDA_REAL, fecha),
    -- the rows of one worker-day in interval order (the derivation reads these);
    -- InnoDB appends the primary key, so the order is (ENTRADA_REAL, id)
    KEY idx_ticados_jornada (idt, fecha, ENTRADA_REAL),
    -- "where salida_real is null and centro=:centro order by entrada_real desc":
    -- read every second by every terminal, so the index covers the listed columns
    -- and the rows themselves are never visited
    KEY idx_ticados_centro (centro, SALIDA_REAL, ENTRADA_REAL, fecha, idt, TRABAJADOR),
    -- "order by fecha desc, entrada_real desc limit 100"
    KEY idx_ticados_recientes (fecha, ENTRADA_REAL)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- ---------------------------------------------------------------------------
-- Time sheets: one row per worker and day, derived from `ticados`.
--
-- Plain columns (entradam .. num_horas) are what the office sees and may
-- correct. The `_m` columns always hold the values derived from the punches,
-- so that the original stays beside any correction.
-- `corregido` (not read by the station) is set to 1 by the first correction
-- made outside the derivation; from then on new punches refresh only the
-- `_m` columns of the row.
-- ---------------------------------------------------------------------------
CREATE TABLE ticadoscompleto (
    id            BIGINT       NOT NULL AUTO_INCREMENT,
    ide           SMALLINT     NOT NULL DEFAULT 1,
    fecha         DATE         NOT NULL,
    idt           INT          NOT NULL,
    TRABAJADOR    VARCHAR(100) NOT NULL,
    entradam      TIME         NULL,
    salidam       TIME         NULL,
    salidam_m     TIME         NULL,
    horasm        DOUBLE       NULL,
    horasm_m      DOUBLE       NOT NULL DEFAULT 0,
    entradat      TIME         NULL,
    salidat       TIME         NULL,
    salidat_m     TIME         NULL,
    horast        DOUBLE       NULL,
    horast_m      DOUBLE       NOT NULL DEFAULT 0,
    num_horas     DOUBLE       NULL,
    num_horas_m   DOUBLE       NOT NULL DEFAULT 0,
    imprimir      INT          NULL,
    observaciones VARCHAR(100) NULL,
    festivo       INT          NOT NULL DEFAULT 0,
    corregido     TINYINT      NOT NULL DEFAULT 0,
    PRIMARY KEY (id),
    -- one row per worker and day; also serves the per-worker sums
    UNIQUE KEY uk_ticadoscompleto_jornada (idt, fecha),
    -- rows of a period, "order by fecha desc, entradam, entradat"; calendar changes
    KEY idx_ticadoscompleto_fecha (fecha, entradam, entradat)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- ---------------------------------------------------------------------------
-- Change log of the time sheets. Every update and deletion of a
-- `ticadoscompleto` row leaves a row here with the values before and after
-- (JSON objects of all columns). Written only by triggers; rows can be
-- neither changed nor deleted through SQL statements.
--   origen: 'derivacion' when the change came from the punches,
--           'usuario' for everything else (office corrections, calendar).
--   usuario: USER(), the client account that ran the statement.
-- ---------------------------------------------------------------------------
CREATE TABLE ticadoscompleto_log (
    id                 BIGINT       NOT NULL AUTO_INCREMENT,
    ticadoscompleto_id BIGINT       NOT NULL,
    accion             VARCHAR(6)   NOT NULL,   -- 'UPDATE' or 'DELETE'
    antes              LONGTEXT     NOT NULL CHECK (JSON_VALID(antes)),
    despues            LONGTEXT     NULL     CHECK (despues IS NULL OR JSON_VALID(despues)),
    origen             VARCHAR(12)  NOT NULL,
    usuario            VARCHAR(384) NOT NULL,   -- as wide as USER(): a longer account@host would fail the change
    conexion           BIGINT       NOT NULL,
    momento            DATETIME(6)  NOT NULL,
    PRIMARY KEY (id),
    KEY idx_log_fila (ticadoscompleto_id, id),
    KEY idx_log_momento (momento)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- ---------------------------------------------------------------------------
-- Work calendar: one row per day; the station only changes `festivo`.
-- ---------------------------------------------------------------------------
CREATE TABLE calendario_laboral (
    fecha    DATE NOT NULL,
    festivo  INT  NOT NULL DEFAULT 0,
    almuerzo INT  NOT NULL DEFAULT 0,
    merienda INT  NOT NULL DEFAULT 0,
    PRIMARY KEY (fecha)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- The calendar window can only mark days that already have a row, so the
-- table is filled up front: every day of 2000 to 2060, all working days.
SET @horalia_iteraciones = @@SESSION.max_recursive_iterations;
SET SESSION max_recursive_iterations = 100000;
INSERT INTO calendario_laboral (fecha, festivo, almuerzo, merienda)
WITH RECURSIVE dias (fecha) AS (
    SELECT DATE '2000-01-01'
    UNION ALL
    SELECT fecha + INTERVAL 1 DAY FROM dias WHERE fecha < DATE '2060-12-31'
)
SELECT fecha, 0, 0, 0 FROM dias;
SET SESSION max_recursive_iterations = @horalia_iteraciones;
SET @horalia_iteraciones = NULL;

DELIMITER $$

-- ---------------------------------------------------------------------------
-- Hours between two times of day, in decimal hours rounded to two decimals.
-- An open interval (no exit) or a missing entry counts 0; so does an exit
-- before the entry, which only a clock change or a typing error can produce.
-- ---------------------------------------------------------------------------
CREATE FUNCTION horas_intervalo(p_entrada TIME, p_salida TIME) RETURNS DOUBLE
    DETERMINISTIC NO SQL
BEGIN
    IF p_entrada IS NULL OR p_salida IS NULL THEN
        RETURN 0;
    END IF;
    RETURN ROUND(GREATEST(0, TIME_TO_SEC(p_salida) - TIME_TO_SEC(p_entrada)) / 3600, 2);
END$$

-- ---------------------------------------------------------------------------
-- derivar_jornada: recompute the time sheet of one worker and day from its
-- punch rows.
--
--   The day's intervals, ordered by ENTRADA_REAL (then id):
--     1st            -> morning: entradam, salidam, horasm
--     2nd            -> afternoon: entradat (its entry)
--     2nd and later  -> salidat is the exit of the last one, horast the sum
--                       of their hours
--   An open interval has no exit and counts 0 hours.
--   num_horas = horasm + horast. TRABAJADOR is the name on the first row.
--
--   A row never corrected gets all of these; a corrected row keeps its plain
--   columns and only its `_m` columns are refreshed.
--   When no punch row is left for the day: a row never corrected is deleted
--   (it held nothing but derived values); a corrected row is kept, because
--   the office's values are part of the record, and its `_m` columns are
--   emptied.
--
-- Runs inside the `ticados` triggers, on every punch: it touches only the
-- worker-day through idx_ticados_jornada and uk_ticadoscompleto_jornada.
-- The upsert keeps two stations punching the same worker at the same moment
-- from failing on the unique key (it uses up an auto-increment value even
-- when it only updates; the ids only identify rows, gaps are harmless).
-- ---------------------------------------------------------------------------
CREATE PROCEDURE derivar_jornada(p_idt INT, p_fecha DATE)
    MODIFIES SQL DATA
BEGIN
    DECLARE v_prev      INT;
    DECLARE v_n         INT;
    DECLARE v_trab      VARCHAR(100);
    DECLARE v_entradam  TIME;
    DECLARE v_salidam   TIME;
    DECLARE v_horasm    DOUBLE;
    DECLARE v_entradat  TIME;
    DECLARE v_salidat   TIME;
    DECLARE v_horast    DOUBLE;
    -- Never leave the derivation flag set behind an error: later statements
    -- of the same connection would then escape the correction rules.
    DECLARE EXIT HANDLER FOR SQLEXCEPTION
    BEGIN
        SET @horalia_derivando = v_prev;
        RESIGNAL;
    END;

    SET v_prev = @horalia_derivando;

    SELECT COUNT(*),
           MAX(IF(rn = 1, TRABAJADOR, NULL)),
           MAX(IF(rn = 1, ENTRADA_REAL, NULL)),
           MAX(IF(rn = 1, SALIDA_REAL, NULL)),
           ROUND(SUM(IF(rn = 1, segundos, 0)) / 3600, 2),
           MAX(IF(rn = 2, ENTRADA_REAL, NULL)),
           MAX(IF(rn = n AND n >= 2, SALIDA_REAL, NULL)),
           ROUND(SUM(IF(rn >= 2, segundos, 0)) / 3600, 2)
      INTO v_n, v_trab, v_entradam, v_salidam, v_horasm,
           v_entradat, v_salidat, v_horast
      FROM (SELECT TRABAJADOR, ENTRADA_REAL, SALIDA_REAL,
                   IF(ENTRADA_REAL IS NULL OR SALIDA_REAL IS NULL, 0,
                      GREATEST(0, TIME_TO_SEC(SALIDA_REAL) - TIME_TO_SEC(ENTRADA_REAL))) AS segundos,
                   ROW_NUMBER() OVER (ORDER BY ENTRADA_REAL, id) AS rn,
                   COUNT(*) OVER () AS n
              FROM ticados
             WHERE idt = p_idt AND fecha = p_fecha) AS intervalos;

    SET @horalia_derivando = 1;

    IF v_n = 0 THEN
        DELETE FROM ticadoscompleto
         WHERE idt = p_idt AND fecha = p_fecha AND corregido = 0;
        UPDATE ticadoscompleto
           SET salidam_m = NULL, horasm_m = 0, salidat_m = NULL,
               horast_m = 0, num_horas_m = 0
         WHERE idt = p_idt AND fecha = p_fecha;
    ELSE
        INSERT INTO ticadoscompleto
               (ide, fecha, idt, TRABAJADOR,
                entradam, salidam, salidam_m, horasm, horasm_m,
                entradat, salidat, salidat_m, horast, horast_m,
                num_horas, num_horas_m, festivo)
        VALUES (1, p_fecha, p_idt, v_trab,
                v_entradam, v_salidam, v_salidam, v_horasm, v_horasm,
                v_entradat, v_salidat, v_salidat, v_horast, v_horast,
                ROUND(v_horasm + v_horast, 2), ROUND(v_horasm + v_horast, 2),
                COALESCE((SELECT IF(festivo = 1, 1, 0) FROM calendario_laboral
                           WHERE fecha = p_fecha), 0))
        ON DUPLICATE KEY UPDATE
               TRABAJADOR  = IF(corregido, TRABAJADOR, VALUES(TRABAJADOR)),
               entradam    = IF(corregido, entradam,   VALUES(entradam)),
               salidam     = IF(corregido, salidam,    VALUES(salidam)),
               horasm      = IF(corregido, horasm,     VALUES(horasm)),
               entradat    = IF(corregido, entradat,   VALUES(entradat)),
               salidat     = IF(corregido, salidat,    VALUES(salidat)),
               horast      = IF(corregido, horast,     VALUES(horast)),
               num_horas   = IF(corregido, num_horas,  VALUES(num_horas)),
               salidam_m   = VALUES(salidam_m),
               horasm_m    = VALUES(horasm_m),
               salidat_m   = VALUES(salidat_m),
               horast_m    = VALUES(horast_m),
               num_horas_m = VALUES(num_horas_m);
    END IF;

    SET @horalia_derivando = v_prev;
END$$

-- ---------------------------------------------------------------------------
-- Punch rows -> time sheets. Setting @horalia_sin_derivar = 1 in a session
-- skips the derivation (bulk loads); run reconstruir_jornadas() afterwards.
-- ---------------------------------------------------------------------------
CREATE TRIGGER ticados_ai AFTER INSERT ON ticados
FOR EACH ROW
BEGIN
    IF IFNULL(@horalia_sin_derivar, 0) = 0 THEN
        CALL derivar_jornada(NEW.idt, NEW.fecha);
    END IF;
END$$

CREATE TRIGGER ticados_au AFTER UPDATE ON ticados
FOR EACH ROW
BEGIN
    -- `tiempo`, `centro` and `ide` play no part in the time sheet
    IF IFNULL(@horalia_sin_derivar, 0) = 0
       AND NOT (NEW.idt <=> OLD.idt AND NEW.fecha <=> OLD.fecha
                AND NEW.ENTRADA_REAL <=> OLD.ENTRADA_REAL
                AND NEW.SALIDA_REAL <=> OLD.SALIDA_REAL
                AND NEW.TRABAJADOR <=> OLD.TRABAJADOR
                AND NEW.id <=> OLD.id) THEN
        CALL derivar_jornada(NEW.idt, NEW.fecha);
        -- a row moved to another day or worker also changes the day it left
        IF NOT (NEW.idt <=> OLD.idt AND NEW.fecha <=> OLD.fecha) THEN
            CALL derivar_jornada(OLD.idt, OLD.fecha);
        END IF;
    END IF;
END$$

CREATE TRIGGER ticados_ad AFTER DELETE ON ticados
FOR EACH ROW
BEGIN
    IF IFNULL(@horalia_sin_derivar, 0) = 0 THEN
        CALL derivar_jornada(OLD.idt, OLD.fecha);
    END IF;
END$$

-- ---------------------------------------------------------------------------
-- Corrections of a time sheet row.
--
-- Changes made by the derivation (@horalia_derivando = 1) are taken as they
-- come. Any other update is an office correction:
--   * the `_m` columns cannot be changed: they belong to the punches;
--   * when an entry or exit time changed and the statement left the hours
--     of that half of the day alone, those hours are recomputed from the new
--     times, and num_horas follows unless it was set too;
--   * a change of the date, the name, a time or an hours value marks the
--     row as corrected (`corregido` = 1), so later punches no longer
--     overwrite it. Remarks, `imprimir` and `festivo` are not corrections.
-- A row moved to another date takes the holiday mark of its new date.
-- Hours are compared at two decimals: a client that reads a value and
-- writes it back unchanged must not look as if it had set it.
-- ---------------------------------------------------------------------------
CREATE TRIGGER ticadoscompleto_bu BEFORE UPDATE ON ticadoscompleto
FOR EACH ROW
BEGIN
    DECLARE v_tiempos_m BOOLEAN;
    DECLARE v_tiempos_t BOOLEAN;
    DECLARE v_horasm_dadas BOOLEAN;
    DECLARE v_horast_dadas BOOLEAN;

    IF IFNULL(@horalia_derivando, 0) = 0 THEN
        SET NEW.salidam_m   = OLD.salidam_m,
            NEW.horasm_m    = OLD.horasm_m,
            NEW.salidat_m   = OLD.salidat_m,
            NEW.horast_m    = OLD.horast_m,
            NEW.num_horas_m = OLD.num_horas_m;

        SET v_tiempos_m = NOT (NEW.entradam <=> OLD.entradam AND NEW.salidam <=> OLD.salidam),
            v_tiempos_t = NOT (NEW.entradat <=> OLD.entradat AND NEW.salidat <=> OLD.salidat),
            v_horasm_dadas = NOT (ROUND(NEW.horasm, 2) <=> ROUND(OLD.horasm, 2)),
            v_horast_dadas = NOT (ROUND(NEW.horast, 2) <=> ROUND(OLD.horast, 2));

        IF v_tiempos_m AND NOT v_horasm_dadas THEN
            SET NEW.horasm = horas_intervalo(NEW.entradam, NEW.salidam);
        END IF;
        IF v_tiempos_t AND NOT v_horast_dadas THEN
            SET NEW.horast = horas_intervalo(NEW.entradat, NEW.salidat);
        END IF;
        IF NOT (ROUND(NEW.horasm, 2) <=> ROUND(OLD.horasm, 2)
                AND ROUND(NEW.horast, 2) <=> ROUND(OLD.horast, 2))
           AND ROUND(NEW.num_horas, 2) <=> ROUND(OLD.num_horas, 2) THEN
            SET NEW.num_horas = ROUND(IFNULL(NEW.horasm, 0) + IFNULL(NEW.horast, 0), 2);
        END IF;

        -- Only the derivation may clear the mark (see restaurar_jornada).
        IF v_tiempos_m OR v_tiempos_t OR v_horasm_dadas OR v_horast_dadas
           OR NOT (ROUND(NEW.num_horas, 2) <=> ROUND(OLD.num_horas, 2))
           OR NOT (NEW.fecha <=> OLD.fecha)
           OR NOT (NEW.idt <=> OLD.idt)
           OR NOT (NEW.TRABAJADOR <=> OLD.TRABAJADOR) THEN
            SET NEW.corregido = 1;
        ELSE
            SET NEW.corregido = OLD.corregido;
        END IF;
    END IF;

    -- A row moved to another day takes that day's holiday mark.
    IF NOT (NEW.fecha <=> OLD.fecha) THEN
        SET NEW.festivo = IFNULL((SELECT IF(festivo = 1, 1, 0) FROM calendario_laboral
                                   WHERE fecha = NEW.fecha), 0);
    END IF;
END$$

-- Every change of a time sheet row is logged, in the same transaction as
-- the change itself: if the log cannot be written, the change fails too.
-- Updates that change nothing (a row posted back as it was) leave no entry.
CREATE TRIGGER ticadoscompleto_au AFTER UPDATE ON ticadoscompleto
FOR EACH ROW
BEGIN
    IF NOT (NEW.id <=> OLD.id AND NEW.ide <=> OLD.ide
            AND NEW.fecha <=> OLD.fecha AND NEW.idt <=> OLD.idt
            AND NEW.TRABAJADOR <=> OLD.TRABAJADOR
            AND NEW.entradam <=> OLD.entradam AND NEW.salidam <=> OLD.salidam
            AND NEW.salidam_m <=> OLD.salidam_m
            AND NEW.horasm <=> OLD.horasm AND NEW.horasm_m <=> OLD.horasm_m
            AND NEW.entradat <=> OLD.entradat AND NEW.salidat <=> OLD.salidat
            AND NEW.salidat_m <=> OLD.salidat_m
            AND NEW.horast <=> OLD.horast AND NEW.horast_m <=> OLD.horast_m
            AND NEW.num_horas <=> OLD.num_horas
            AND NEW.num_horas_m <=> OLD.num_horas_m
            AND NEW.imprimir <=> OLD.imprimir
            AND NEW.observaciones <=> OLD.observaciones
            AND NEW.festivo <=> OLD.festivo
            AND NEW.corregido <=> OLD.corregido) THEN
        INSERT INTO ticadoscompleto_log
               (ticadoscompleto_id, accion, antes, despues, origen, usuario, conexion, momento)
        VALUES (OLD.id, 'UPDATE',
                JSON_OBJECT('id', OLD.id, 'ide', OLD.ide, 'fecha', OLD.fecha, 'idt', OLD.idt,
                            'TRABAJADOR', OLD.TRABAJADOR,
                            'entradam', OLD.entradam, 'salidam', OLD.salidam,
                            'salidam_m', OLD.salidam_m, 'horasm', OLD.horasm,
                            'horasm_m', OLD.horasm_m,
                            'entradat', OLD.entradat, 'salidat', OLD.salidat,
                            'salidat_m', OLD.salidat_m, 'horast', OLD.horast,
                            'horast_m', OLD.horast_m,
                            'num_horas', OLD.num_horas, 'num_horas_m', OLD.num_horas_m,
                            'imprimir', OLD.imprimir, 'observaciones', OLD.observaciones,
                            'festivo', OLD.festivo, 'corregido', OLD.corregido),
                JSON_OBJECT('id', NEW.id, 'ide', NEW.ide, 'fecha', NEW.fecha, 'idt', NEW.idt,
                            'TRABAJADOR', NEW.TRABAJADOR,
                            'entradam', NEW.entradam, 'salidam', NEW.salidam,
                            'salidam_m', NEW.salidam_m, 'horasm', NEW.horasm,
                            'horasm_m', NEW.horasm_m,
                            'entradat', NEW.entradat, 'salidat', NEW.salidat,
                            'salidat_m', NEW.salidat_m, 'horast', NEW.horast,
                            'horast_m', NEW.horast_m,
                            'num_horas', NEW.num_horas, 'num_horas_m', NEW.num_horas_m,
                            'imprimir', NEW.imprimir, 'observaciones', NEW.observaciones,
                            'festivo', NEW.festivo, 'corregido', NEW.corregido),
                IF(IFNULL(@horalia_derivando, 0) = 0, 'usuario', 'derivacion'),
                USER(), CONNECTION_ID(), NOW(6));
    END IF;
END$$

CREATE TRIGGER ticadoscompleto_ad AFTER DELETE ON ticadoscompleto
FOR EACH ROW
BEGIN
    INSERT INTO ticadoscompleto_log
           (ticadoscompleto_id, accion, antes, despues, origen, usuario, conexion, momento)
    VALUES (OLD.id, 'DELETE',
            JSON_OBJECT('id', OLD.id, 'ide', OLD.ide, 'fecha', OLD.fecha, 'idt', OLD.idt,
                        'TRABAJADOR', OLD.TRABAJADOR,
                        'entradam', OLD.entradam, 'salidam', OLD.salidam,
                        'salidam_m', OLD.salidam_m, 'horasm', OLD.horasm,
                        'horasm_m', OLD.horasm_m,
                        'entradat', OLD.entradat, 'salidat', OLD.salidat,
                        'salidat_m', OLD.salidat_m, 'horast', OLD.horast,
                        'horast_m', OLD.horast_m,
                        'num_horas', OLD.num_horas, 'num_horas_m', OLD.num_horas_m,
                        'imprimir', OLD.imprimir, 'observaciones', OLD.observaciones,
                        'festivo', OLD.festivo, 'corregido', OLD.corregido),
            NULL,
            IF(IFNULL(@horalia_derivando, 0) = 0, 'usuario', 'derivacion'),
            USER(), CONNECTION_ID(), NOW(6));
END$$

-- The log is append-only for everyone who goes through SQL statements.
CREATE TRIGGER ticadoscompleto_log_bu BEFORE UPDATE ON ticadoscompleto_log
FOR EACH ROW
BEGIN
    SIGNAL SQLSTATE '45000'
        SET MESSAGE_TEXT = 'El registro de cambios de las jornadas no se puede modificar';
END$$

CREATE TRIGGER ticadoscompleto_log_bd BEFORE DELETE ON ticadoscompleto_log
FOR EACH ROW
BEGIN
    SIGNAL SQLSTATE '45000'
        SET MESSAGE_TEXT = 'El registro de cambios de las jornadas no se puede borrar';
END$$

-- ---------------------------------------------------------------------------
-- Holidays: a time sheet row's `festivo` is 1 when its day is marked in the
-- calendar, and follows every later change of the calendar. The updates
-- below touch only `festivo`, which the correction rules ignore.
-- ---------------------------------------------------------------------------
CREATE TRIGGER calendario_laboral_ai AFTER INSERT ON calendario_laboral
FOR EACH ROW
BEGIN
    UPDATE ticadoscompleto SET festivo = IF(NEW.festivo = 1, 1, 0)
     WHERE fecha = NEW.fecha AND festivo <> IF(NEW.festivo = 1, 1, 0);
END$$

CREATE TRIGGER calendario_laboral_au AFTER UPDATE ON calendario_laboral
FOR EACH ROW
BEGIN
    IF NOT (NEW.fecha <=> OLD.fecha) THEN
        UPDATE ticadoscompleto SET festivo = 0
         WHERE fecha = OLD.fecha AND festivo <> 0;
    END IF;
    UPDATE ticadoscompleto SET festivo = IF(NEW.festivo = 1, 1, 0)
     WHERE fecha = NEW.fecha AND festivo <> IF(NEW.festivo = 1, 1, 0);
END$$

CREATE TRIGGER calendario_laboral_ad AFTER DELETE ON calendario_laboral
FOR EACH ROW
BEGIN
    UPDATE ticadoscompleto SET festivo = 0
     WHERE fecha = OLD.fecha AND festivo <> 0;
END$$

-- ---------------------------------------------------------------------------
-- reconstruir_jornadas: rebuild every time sheet from the punch rows, with
-- set-based statements, for bulk loads (made with @horalia_sin_derivar = 1)
-- and repairs. Same rules as derivar_jornada:
--   * rows never corrected are fully rederived;
--   * corrected rows keep their plain columns (corrections are never lost);
--     only their `_m` columns are refreshed;
--   * missing rows are added; rows whose day has no punch rows left are
--     deleted unless corrected (a corrected one gets empty `_m` columns);
--   * `festivo` is set again from the calendar.
-- Only rows whose values actually differ are written, so a rebuild of
-- consistent data changes nothing and adds nothing to the log; whatever it
-- does change or delete is logged like any other change.
--
-- It runs as one transaction (committing any transaction already open in
-- the session) and first takes a shared lock on every punch row, so punches
-- that arrive meanwhile wait for it (up to innodb_lock_wait_timeout) instead
-- of being overwritten by values derived before them. Run it when the
-- terminals are quiet.
-- ---------------------------------------------------------------------------
CREATE PROCEDURE reconstruir_jornadas()
    MODIFIES SQL DATA
BEGIN
    DECLARE v_prev INT;
    DECLARE v_heap BIGINT UNSIGNED DEFAULT @@SESSION.max_heap_table_size;
    DECLARE v_tmp  BIGINT UNSIGNED DEFAULT @@SESSION.tmp_table_size;
    DECLARE v_sort BIGINT UNSIGNED DEFAULT @@SESSION.sort_buffer_size;
    DECLARE v_filas BIGINT;
    DECLARE EXIT HANDLER FOR SQLEXCEPTION
    BEGIN
        ROLLBACK;
        SET @horalia_derivando = v_prev;
        SET SESSION max_heap_table_size = v_heap, tmp_table_size = v_tmp,
                    sort_buffer_size = v_sort;
        DROP TEMPORARY TABLE IF EXISTS horalia_jornadas;
        RESIGNAL;
    END;

    SET v_prev = @horalia_derivando;
    -- The window pass sorts every punch row once: let its work table and
    -- its sort stay in memory (it spills to disk beyond these sizes).
    SET SESSION max_heap_table_size = GREATEST(v_heap, 256 * 1024 * 1024),
                tmp_table_size      = GREATEST(v_tmp,  256 * 1024 * 1024),
                sort_buffer_size    = GREATEST(v_sort,  64 * 1024 * 1024);

    -- The derived days. Aria keeps this table in its own page cache, so the
    -- joins below do not compete with ticadoscompleto for the buffer pool.
    DROP TEMPORARY TABLE IF EXISTS horalia_jornadas;
    CREATE TEMPORARY TABLE horalia_jornadas (
        idt        INT          NOT NULL,
        fecha      DATE         NOT NULL,
        primer_id  BIGINT       NOT NULL,   -- ticados.id of the first interval
        TRABAJADOR VARCHAR(100) NULL,
        entradam   TIME         NULL,
        salidam    TIME         NULL,
        horasm     DOUBLE       NOT NULL,
        entradat   TIME         NULL,
        salidat    TIME         NULL,
        horast     DOUBLE       NOT NULL,
        num_horas  DOUBLE       NOT NULL,
        festivo    INT          NOT NULL,
        PRIMARY KEY (idt, fecha)
    ) ENGINE=Aria DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

    START TRANSACTION;

    -- Shared locks on every row and on the end of the table: an update or
    -- insert of ticados waits until COMMIT.
    SELECT COUNT(*) INTO v_filas FROM ticados FORCE INDEX (PRIMARY) LOCK IN SHARE MODE;

    -- One sort of the punch rows by worker, day and interval order. Each
    -- day is described on its first row: the morning is that row, the
    -- afternoon starts at the next row (LEAD) and ends at the exit of the
    -- last one, and its hours are the day's seconds minus the morning's.
    -- The name is fetched afterwards, keeping the sorted rows narrow.
    INSERT INTO horalia_jornadas
           (idt, fecha, primer_id, entradam, salidam, horasm,
            entradat, salidat, horast, num_horas, festivo)
    SELECT i.idt, i.fecha, i.id, i.ENTRADA_REAL, i.SALIDA_REAL,
           ROUND(i.segundos / 3600, 2),
           i.entrada_2, IF(i.n >= 2, i.salida_ultima, NULL),
           ROUND((i.segundos_dia - i.segundos) / 3600, 2),
           ROUND(ROUND(i.segundos / 3600, 2) + ROUND((i.segundos_dia - i.segundos) / 3600, 2), 2),
           IFNULL(IF(c.festivo = 1, 1, 0), 0)
      FROM (SELECT p.*,
                   ROW_NUMBER() OVER w AS rn,
                   COUNT(*) OVER d AS n,
                   LEAD(ENTRADA_REAL) OVER w AS entrada_2,
                   LAST_VALUE(SALIDA_REAL) OVER (w ROWS BETWEEN UNBOUNDED PRECEDING
                                                          AND UNBOUNDED FOLLOWING) AS salida_ultima,
                   SUM(segundos) OVER d AS segundos_dia
              FROM (SELECT id, idt, fecha, ENTRADA_REAL, SALIDA_REAL,
                           IF(ENTRADA_REAL IS NULL OR SALIDA_REAL IS NULL, 0,
                              GREATEST(0, TIME_TO_SEC(SALIDA_REAL) - TIME_TO_SEC(ENTRADA_REAL))) AS segundos
                      FROM ticados) AS p
            WINDOW w AS (PARTITION BY idt, fecha ORDER BY ENTRADA_REAL, id),
                   d AS (PARTITION BY idt, fecha)) AS i
      LEFT JOIN calendario_laboral c ON c.fecha = i.fecha
     WHERE i.rn = 1;

    UPDATE horalia_jornadas d
      JOIN ticados p ON p.id = d.primer_id
       SET d.TRABAJADOR = p.TRABAJADOR;

    SET @horalia_derivando = 1;

    -- Existing rows whose derived values differ.
    UPDATE ticadoscompleto t
      JOIN horalia_jornadas d ON d.idt = t.idt AND d.fecha = t.fecha
       SET t.TRABAJADOR  = IF(t.corregido, t.TRABAJADOR, d.TRABAJADOR),
           t.entradam    = IF(t.corregido, t.entradam,   d.entradam),
           t.salidam     = IF(t.corregido, t.salidam,    d.salidam),
           t.horasm      = IF(t.corregido, t.horasm,     d.horasm),
           t.entradat    = IF(t.corregido, t.entradat,   d.entradat),
           t.salidat     = IF(t.corregido, t.salidat,    d.salidat),
           t.horast      = IF(t.corregido, t.horast,     d.horast),
           t.num_horas   = IF(t.corregido, t.num_horas,  d.num_horas),
           t.salidam_m   = d.salidam,
           t.horasm_m    = d.horasm,
           t.salidat_m   = d.salidat,
           t.horast_m    = d.horast,
           t.num_horas_m = d.num_horas,
           t.festivo     = d.festivo
     WHERE NOT (t.salidam_m <=> d.salidam AND t.horasm_m <=> d.horasm
                AND t.salidat_m <=> d.salidat AND t.horast_m <=> d.horast
                AND t.num_horas_m <=> d.num_horas AND t.festivo <=> d.festivo)
        OR (t.corregido = 0
            AND NOT (t.TRABAJADOR <=> d.TRABAJADOR
                     AND t.entradam <=> d.entradam AND t.salidam <=> d.salidam
                     AND t.horasm <=> d.horasm
                     AND t.entradat <=> d.entradat AND t.salidat <=> d.salidat
                     AND t.horast <=> d.horast AND t.num_horas <=> d.num_horas));

    -- Worker-days without a time sheet yet, added in date order (the order
    -- in which the terminal creates them day by day).
    INSERT INTO ticadoscompleto
           (ide, fecha, idt, TRABAJADOR,
            entradam, salidam, salidam_m, horasm, horasm_m,
            entradat, salidat, salidat_m, horast, horast_m,
            num_horas, num_horas_m, festivo)
    SELECT 1, d.fecha, d.idt, d.TRABAJADOR,
           d.entradam, d.salidam, d.salidam, d.horasm, d.horasm,
           d.entradat, d.salidat, d.salidat, d.horast, d.horast,
           d.num_horas, d.num_horas, d.festivo
      FROM horalia_jornadas d
      LEFT JOIN ticadoscompleto t ON t.idt = d.idt AND t.fecha = d.fecha
     WHERE t.id IS NULL
     ORDER BY d.fecha, d.idt;

    -- Time sheets whose day has no punch rows left. Every derived day has
    -- its row by now, so there are such rows only if the table holds more
    -- rows than there are derived days: skip the two full scans otherwise.
    IF (SELECT COUNT(*) FROM ticadoscompleto) > (SELECT COUNT(*) FROM horalia_jornadas) THEN
        DELETE t FROM ticadoscompleto t
          LEFT JOIN horalia_jornadas d ON d.idt = t.idt AND d.fecha = t.fecha
         WHERE d.idt IS NULL AND t.corregido = 0;

        UPDATE ticadoscompleto t
          LEFT JOIN horalia_jornadas d ON d.idt = t.idt AND d.fecha = t.fecha
          LEFT JOIN calendario_laboral c ON c.fecha = t.fecha
           SET t.salidam_m = NULL, t.horasm_m = 0, t.salidat_m = NULL,
               t.horast_m = 0, t.num_horas_m = 0,
               t.festivo = IFNULL(IF(c.festivo = 1, 1, 0), 0)
         WHERE d.idt IS NULL
           AND NOT (t.salidam_m IS NULL AND t.horasm_m = 0 AND t.salidat_m IS NULL
                    AND t.horast_m = 0 AND t.num_horas_m = 0
                    AND t.festivo <=> IFNULL(IF(c.festivo = 1, 1, 0), 0));
    END IF;

    COMMIT;

    SET @horalia_derivando = v_prev;
    SET SESSION max_heap_table_size = v_heap, tmp_table_size = v_tmp,
                sort_buffer_size = v_sort;
    DROP TEMPORARY TABLE IF EXISTS horalia_jornadas;
END$$

-- ---------------------------------------------------------------------------
-- restaurar_jornada: withdraw the office's corrections of one worker-day and
-- let it follow the punches again (the old values remain in the log).
-- ---------------------------------------------------------------------------
CREATE PROCEDURE restaurar_jornada(p_idt INT, p_fecha DATE)
    MODIFIES SQL DATA
BEGIN
    DECLARE v_prev INT;
    DECLARE EXIT HANDLER FOR SQLEXCEPTION
    BEGIN
        SET @horalia_derivando = v_prev;
        RESIGNAL;
    END;

    SET v_prev = @horalia_derivando;
    SET @horalia_derivando = 1;
    UPDATE ticadoscompleto SET corregido = 0
     WHERE idt = p_idt AND fecha = p_fecha;
    SET @horalia_derivando = v_prev;
    CALL derivar_jornada(p_idt, p_fecha);
END$$

DELIMITER ;
