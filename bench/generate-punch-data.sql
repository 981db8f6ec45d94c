-- Fills a database made from db/schema.sql at the scale of a large company, for the punch
-- benchmark: 5,000 workers, 2,000,000 punch rows over ten years (1,000,000 worker-days of a
-- morning and an afternoon interval), 300 workers clocked in right now at the work centre
-- ALMACEN, and the time sheets derived from all of it.
--
--     mariadb --database=NAME < bench/generate-punch-data.sql
--
-- Rows come from the SEQUENCE engine (seq_1_to_N tables), so the whole load is a few
-- set-based statements. The punch rows go in with the derivation triggers switched off and
-- the time sheets are rebuilt once at the end: row-by-row derivation would take hours.

SET SESSION unique_checks = 0;

-- ---------------------------------------------------------------------------
-- Workers 1..5000. NIFs are eight digits and their control letter; names are
-- composed the way the worker window composes them (APELLIDOS NOMBRECORTO).
-- Every 25th worker is a former worker (activo 0); the others are in groups 1..3.
-- ---------------------------------------------------------------------------
INSERT INTO trabajadores (ide, ID, NIF, nombre, NOMBRECORTO, APELLIDOS, activo, FECHAALTA)
SELECT 1, n,
       CONCAT(LPAD(n * 7919, 8, '0'), SUBSTRING('TRWAGMYFPDXBNJZSQVHLCKE', (n * 7919) % 23 + 1, 1)),
       CONCAT(ape, ' ', nom), nom, ape,
       IF(n % 25 = 0, 0, 1 + n % 3),
       CURDATE() - INTERVAL 3650 DAY
  FROM (SELECT seq AS n,
               CONCAT(ELT(1 + seq % 16, 'GARCIA', 'LOPEZ', 'MARTIN', 'SANCHEZ', 'PEREZ', 'GOMEZ',
                          'RUIZ', 'DIAZ', 'MORENO', 'ALVAREZ', 'ROMERO', 'NAVARRO', 'TORRES',
                          'DOMINGUEZ', 'GIL', 'SERRANO'), ' ',
                      ELT(1 + (seq DIV 16) % 13, 'ORTIZ', 'MOLINA', 'CASTRO', 'RAMOS', 'PONS',
                          'VIDAL', 'SANZ', 'IGLESIAS', 'MEDINA', 'GARRIDO', 'CORTES', 'LOZANO',
                          'CANO')) AS ape,
               ELT(1 + (seq DIV 208) % 12, 'ANA', 'LUIS', 'MARIA', 'JUAN', 'CARMEN', 'JOSE',
                   'LAURA', 'PABLO', 'ELENA', 'DAVID', 'LUCIA', 'JAVIER') AS nom
          FROM seq_1_to_5000) AS w;

-- ---------------------------------------------------------------------------
-- 1,000,000 worker-days: worker w = n % 5000 + 1 works every 18th day, on a day
-- of its own within each 18-day block, for 200 blocks (3,600 days, ending three
-- weeks ago). Each day has two closed intervals with some spread in the times.
-- Work centres: ALMACEN, OFICINA and TALLER by worker.
-- ---------------------------------------------------------------------------
SET @horalia_sin_derivar = 1;

-- The secondary indexes of ticados are taken off for the load and built again afterwards,
-- from their definitions as the schema has them: one sorted build per index is several times
-- faster than keeping four indexes up to date row by row.
SELECT CONCAT('ALTER TABLE ticados ',
              GROUP_CONCAT(CONCAT('DROP KEY `', index_name, '`') SEPARATOR ', ')),
       CONCAT('ALTER TABLE ticados ',
              GROUP_CONCAT(CONCAT('ADD ', IF(non_unique = 0, 'UNIQUE ', ''), 'KEY `', index_name,
                                  '` (', columns, ')') SEPARATOR ', '))
  INTO @horalia_drop_keys, @horalia_add_keys
  FROM (SELECT index_name, non_unique,
               GROUP_CONCAT(CONCAT('`', column_name, '`', IFNULL(CONCAT('(', sub_part, ')'), ''))
                            ORDER BY seq_in_index SEPARATOR ', ') AS columns
          FROM information_schema.statistics
         WHERE table_schema = DATABASE() AND table_name = 'ticados' AND index_name <> 'PRIMARY'
         GROUP BY index_name, non_unique) AS k;
PREPARE horalia_keys FROM @horalia_drop_keys;
EXECUTE horalia_keys;
DEALLOCATE PREPARE horalia_keys;

INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL, centro)
SELECT CURDATE() - INTERVAL 3620 DAY + INTERVAL ((d.n DIV 5000) * 18 + (d.n % 5000 + 1) % 18) DAY,
       d.n % 5000 + 1,
       t.nombre,
       IF(h.seq = 1, SEC_TO_TIME(7 * 3600 + (d.n * 37) % 3600), SEC_TO_TIME(15 * 3600 + (d.n * 41) % 1800)),
       IF(h.seq = 1, SEC_TO_TIME(13 * 3600 + (d.n * 53) % 1800), SEC_TO_TIME(18 * 3600 + (d.n * 59) % 3600)),
       ELT(1 + (d.n % 5000 + 1) % 3, 'ALMACEN', 'OFICINA', 'TALLER')
  FROM (SELECT seq AS n FROM seq_0_to_999999) AS d
  JOIN seq_1_to_2 AS h
  JOIN trabajadores AS t ON t.ID = d.n % 5000 + 1;

-- 300 workers clocked in right now at the station's work centre.
INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro)
SELECT CURDATE(), ID, nombre, SEC_TO_TIME(6 * 3600 + ID * 7), 'ALMACEN'
  FROM trabajadores
 WHERE ID <= 300;

PREPARE horalia_keys FROM @horalia_add_keys;
EXECUTE horalia_keys;
DEALLOCATE PREPARE horalia_keys;
SET @horalia_drop_keys = NULL, @horalia_add_keys = NULL;

SET @horalia_sin_derivar = NULL;

CALL reconstruir_jornadas();

ANALYZE TABLE trabajadores, ticados, ticadoscompleto;
