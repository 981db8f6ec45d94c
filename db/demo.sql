-- Demo data for a Horalia database: a company, 40 workers, a calendar with
-- Spain's national holidays of 2025 to 2027 and four weeks of punches that
-- end today. Dates are relative to CURDATE(), so the data is always current;
-- the jitter of the times depends only on the worker and the date, so the
-- same day looks the same whenever the file is loaded.
--
-- Load after the schema, into the same (empty) database:
--     mariadb --database=NAME < db/schema.sql
--     mariadb --database=NAME < db/demo.sql
--
-- Groups (`activo`): 1 warehouse morning shift, 2 office (split shift
-- Monday to Thursday, continuous on Friday), 3 warehouse afternoon shift;
-- 0 former workers. Work centres: ALMACEN and OFICINA.

SET NAMES utf8mb4 COLLATE utf8mb4_unicode_ci;

INSERT INTO empresa (id, nombre, cif, direccion, cp, poblacion, provincia, telefono)
VALUES (1, 'HORTOFRUTICOLA DEL SEGURA S.L.', 'B30123456', 'POLIGONO INDUSTRIAL LA POLVORISTA, PARCELA 14',
        '30500', 'MOLINA DE SEGURA', 'MURCIA', '968 610 200');

INSERT INTO trabajadores
       (ID, NIF, nombre, activo, NOMBRECORTO, APELLIDOS, DIRECCION, CP, POBLACION, PROVINCIA,
        FECHANACIMIENTO, PAISNAC, NACIONALIDAD, SEXO, TELEFONO1, TELEFONO2, REGIMEN_COT,
        NUMSEGSOCIAL, FECHAALTA, FECHABAJA, FIJO, FIJODISCONTINUO, TEMPORAL, horascontrato, email)
VALUES
(1, '52442821S', 'GARCIA MARTINEZ ANTONIO', 1, 'ANTONIO', 'GARCIA MARTINEZ', 'AVENIDA DE LA LIBERTAD 38, 4º D', '30009', 'MURCIA', 'MURCIA', '1973-11-07', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '636 594 320', NULL, 'GENERAL', '305531095912', '2021-10-26', NULL, 1, 0, 0, 40, 'antonio.garcia@example.com'),
(2, '29593291L', 'LOPEZ SANCHEZ MARIA DEL CARMEN', 1, 'MARIA DEL CARMEN', 'LOPEZ SANCHEZ', 'PLAZA DE ESPAÑA 34', '30007', 'MURCIA', 'MURCIA', '1987-05-02', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '647 846 278', NULL, 'GENERAL', '302903255067', '2019-05-25', NULL, 1, 0, 0, 40, NULL),
(3, '30866170D', 'MARTINEZ FERNANDEZ JOSE', 1, 'JOSE', 'MARTINEZ FERNANDEZ', 'CALLE TRAPERIA 117, 6º C', '30820', 'ALCANTARILLA', 'MURCIA', '1992-07-16', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '690 179 642', '968 898 592', 'GENERAL', '304194365382', '2014-07-11', NULL, 1, 0, 0, 40, 'jose.martinez@example.com'),
(4, '74989089G', 'SANCHEZ PEREZ FRANCISCO', 1, 'FRANCISCO', 'SANCHEZ PEREZ', 'AVENIDA DE LA LIBERTAD 37, 1º B', '30820', 'ALCANTARILLA', 'MURCIA', '2001-10-15', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '653 518 779', '968 932 878', 'GENERAL', '303052958096', '2017-07-24', NULL, 0, 1, 0, 40, 'francisco.sanchez@example.com'),
(5, '25214442W', 'GOMEZ RUIZ ISABEL', 1, 'ISABEL', 'GOMEZ RUIZ', 'CALLE SAN ANTONIO 83', '30840', 'ALHAMA DE MURCIA', 'MURCIA', '1970-05-10', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '639 926 912', NULL, 'GENERAL', '304399264142', '2016-08-23', NULL, 1, 0, 0, 40, NULL),
(6, '78878350B', 'HERNANDEZ JIMENEZ JUAN', 1, 'JUAN', 'HERNANDEZ JIMENEZ', 'CALLE LA PAZ 99', '30001', 'MURCIA', 'MURCIA', '1966-04-25', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '660 720 668', '968 809 433', 'GENERAL', '301071585475', '2024-07-23', NULL, 1, 0, 0, 40, NULL),
(7, '37913968D', 'MUÑOZ NAVARRO ANA MARIA', 1, 'ANA MARIA', 'MUÑOZ NAVARRO', 'CALLE DOCTOR FLEMING 9, 3º C', '30500', 'MOLINA DE SEGURA', 'MURCIA', '1991-12-12', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '620 785 135', NULL, 'GENERAL', '308734650244', '2017-11-10', NULL, 0, 1, 0, 40, NULL),
(8, '65161407S', 'ALCARAZ SAURA MANUEL', 1, 'MANUEL', 'ALCARAZ SAURA', 'AVENIDA DE JUAN CARLOS I 10', '30820', 'ALCANTARILLA', 'MURCIA', '1990-10-21', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '623 318 324', '968 940 299', 'GENERAL', '302511562502', '2025-06-16', NULL, 1, 0, 0, 40, 'manuel.alcaraz@example.com'),
(9, '69206902V', 'MOLINA CANOVAS PEDRO', 1, 'PEDRO', 'MOLINA CANOVAS', 'PLAZA DE ESPAÑA 3', '30201', 'CARTAGENA', 'MURCIA', '1976-12-20', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '685 575 344', '968 460 934', 'GENERAL', '302811930880', '2015-08-28', NULL, 1, 0, 0, 40, 'pedro.molina@example.com'),
(10, '26873619M', 'NICOLAS MESEGUER ROSA', 1, 'ROSA', 'NICOLAS MESEGUER', 'CALLE DOCTOR FLEMING 98', '30009', 'MURCIA', 'MURCIA', '2003-12-23', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '646 105 127', '968 388 656', 'GENERAL', '309461011102', '2021-08-28', NULL, 0, 1, 0, 40, 'rosa.nicolas@example.com'),
(11, '36779000E', 'CARRILLO PEÑA JESUS', 1, 'JESUS', 'CARRILLO PEÑA', 'CALLE SAN ANTONIO 37, 2º D', '30201', 'CARTAGENA', 'MURCIA', '1996-12-16', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '685 707 237', NULL, 'GENERAL', '302304859643', '2011-12-11', NULL, 1, 0, 0, 40, NULL),
(12, '59810555K', 'NOGUERA ROS DOLORES', 1, 'DOLORES', 'NOGUERA ROS', 'AVENIDA DE LA LIBERTAD 119', '30565', 'TORRES DE COTILLAS', 'MURCIA', '1968-11-27', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '641 916 434', '968 722 312', 'GENERAL', '302066699987', '2022-07-13', NULL, 1, 0, 0, 40, 'dolores.noguera@example.com'),
(13, '70135354M', 'SORIANO IBAÑEZ DAVID', 1, 'DAVID', 'SORIANO IBAÑEZ', 'CALLE DOCTOR FLEMING 110, 6º C', '30565', 'TORRES DE COTILLAS', 'MURCIA', '1987-07-02', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '629 738 294', NULL, 'GENERAL', '305510672257', '2008-10-18', NULL, 0, 0, 1, 40, 'david.soriano@example.com'),
(14, '57560111N', 'PASTOR VIDAL LAURA', 1, 'LAURA', 'PASTOR VIDAL', 'CALLE MAYOR 22', '30840', 'ALHAMA DE MURCIA', 'MURCIA', '1995-03-11', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '627 685 507', '968 357 967', 'GENERAL', '309318414836', '2010-02-21', NULL, 0, 1, 0, 40, NULL),
(15, '20671170N', 'ROMERO ALONSO CARMEN', 2, 'CARMEN', 'ROMERO ALONSO', 'CALLE LA PAZ 112', '30530', 'CIEZA', 'MURCIA', '1971-03-14', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '696 250 783', '968 397 232', 'GENERAL', '305850793663', '2013-06-04', NULL, 0, 1, 0, 40, NULL),
(16, '61180940C', 'TORRES DIAZ JAVIER', 2, 'JAVIER', 'TORRES DIAZ', 'AVENIDA DE JUAN CARLOS I 117', '30530', 'CIEZA', 'MURCIA', '1979-06-15', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '640 701 841', '968 224 891', 'GENERAL', '304139528757', '2017-09-17', NULL, 1, 0, 0, 40, 'javier.torres@example.com'),
(17, '76361329H', 'MORENO GIL LUCIA', 2, 'LUCIA', 'MORENO GIL', 'CALLE TRAPERIA 5', '30820', 'ALCANTARILLA', 'MURCIA', '1966-11-24', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '614 684 830', NULL, 'GENERAL', '306423546028', '2010-11-06', NULL, 0, 1, 0, 40, 'lucia.moreno@example.com'),
(18, '37029528B', 'ORTIZ MARIN MIGUEL ANGEL', 2, 'MIGUEL ANGEL', 'ORTIZ MARIN', 'CALLE ALFONSO X EL SABIO 49', '30009', 'MURCIA', 'MURCIA', '1983-12-14', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '626 834 281', NULL, 'GENERAL', '301406506267', '2011-04-17', NULL, 0, 0, 1, 40, 'miguel.ortiz@example.com'),
(19, '24887506B', 'RUBIO SERRANO PATRICIA', 2, 'PATRICIA', 'RUBIO SERRANO', 'CALLE MAYOR 98, 2º D', '30840', 'ALHAMA DE MURCIA', 'MURCIA', '1968-03-21', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '611 648 542', NULL, 'GENERAL', '307315628352', '2009-03-27', NULL, 1, 0, 0, 40, 'patricia.rubio@example.com'),
(20, '79561535G', 'MOLINA BLANCO SERGIO', 2, 'SERGIO', 'MOLINA BLANCO', 'PLAZA DE ESPAÑA 47', '30800', 'LORCA', 'MURCIA', '1986-07-05', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '616 692 190', NULL, 'GENERAL', '309646658287', '2012-01-13', NULL, 1, 0, 0, 40, 'sergio.molina@example.com'),
(21, '21429076E', 'CASTRO ORTEGA ELENA', 2, 'ELENA', 'CASTRO ORTEGA', 'AVENIDA DE JUAN CARLOS I 111', '30009', 'MURCIA', 'MURCIA', '1979-03-26', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '648 960 885', '968 613 335', 'GENERAL', '305236530150', '2022-06-27', NULL, 1, 0, 0, 40, NULL),
(22, '54578577Z', 'DELGADO RAMOS ALBERTO', 2, 'ALBERTO', 'DELGADO RAMOS', 'CALLE MAYOR 8, 5º D', '30007', 'MURCIA', 'MURCIA', '1970-07-04', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '689 974 681', '968 280 561', 'GENERAL', '302314759404', '2019-11-24', NULL, 1, 0, 0, 40, 'alberto.delgado@example.com'),
(23, '26284103W', 'NUÑEZ MEDINA CRISTINA', 2, 'CRISTINA', 'NUÑEZ MEDINA', 'PLAZA DE ESPAÑA 27', '30820', 'ALCANTARILLA', 'MURCIA', '1986-12-06', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '625 276 438', NULL, 'GENERAL', '303384299184', '2023-04-25', NULL, 1, 0, 0, 40, 'cristina.nunez@example.com'),
(24, '54362056S', 'GUERRERO CANO RAUL', 2, 'RAUL', 'GUERRERO CANO', 'CALLE MAYOR 49, 4º D', '30001', 'MURCIA', 'MURCIA', '1976-12-28', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '693 830 150', NULL, 'GENERAL', '306645992387', '2025-12-21', NULL, 1, 0, 0, 40, NULL),
(25, '34415844R', 'VALVERDE ESPINOSA FRANCISCO JAVIER', 3, 'FRANCISCO JAVIER', 'VALVERDE ESPINOSA', 'CALLE ALFONSO X EL SABIO 100', '30800', 'LORCA', 'MURCIA', '1985-03-10', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '622 152 672', NULL, 'GENERAL', '304114987555', '2025-12-21', NULL, 0, 0, 1, 40, 'francisco.valverde@example.com'),
(26, '54215006G', 'FUENTES ABELLAN ENCARNACION', 3, 'ENCARNACION', 'FUENTES ABELLAN', 'CALLE LA PAZ 90', '30001', 'MURCIA', 'MURCIA', '1975-09-11', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '679 460 736', NULL, 'GENERAL', '307412740914', '2021-09-28', NULL, 1, 0, 0, 40, NULL),
(27, '76201821S', 'CAMPILLO LORENTE PABLO', 3, 'PABLO', 'CAMPILLO LORENTE', 'CALLE JUAN DE LA CIERVA 117, 3º C', '30820', 'ALCANTARILLA', 'MURCIA', '1965-05-15', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '623 436 525', NULL, 'GENERAL', '308055969233', '2022-12-16', NULL, 0, 1, 0, 40, 'pablo.campillo@example.com'),
(28, 'X1234567L', 'POPESCU IONELA', 3, 'IONELA', 'POPESCU', 'CALLE SAN ANTONIO 60', '30009', 'MURCIA', 'MURCIA', '1979-04-17', 'RUMANIA', 'RUMANA', 'MUJER', '612 897 920', NULL, 'GENERAL', '309601098094', '2008-05-06', NULL, 1, 0, 0, 40, NULL),
(29, 'Y2345678Z', 'EL AMRANI MOHAMED', 3, 'MOHAMED', 'EL AMRANI', 'CALLE SAN ANTONIO 51, 6º A', '30001', 'MURCIA', 'MURCIA', '1985-11-11', 'MARRUECOS', 'MARROQUI', 'HOMBRE', '682 125 383', '968 329 514', 'GENERAL', '309933538316', '2009-01-24', NULL, 1, 0, 0, 40, NULL),
(30, '75323113E', 'SAEZ HERRERO RAMON', 3, 'RAMON', 'SAEZ HERRERO', 'CALLE LA PAZ 23, 1º C', '30500', 'MOLINA DE SEGURA', 'MURCIA', '1990-06-20', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '680 276 238', NULL, 'GENERAL', '304219688446', '2023-01-14', NULL, 0, 0, 1, 40, NULL),
(31, '49764172S', 'BELMONTE GARCIA ANDREA', 3, 'ANDREA', 'BELMONTE GARCIA', 'CALLE JUAN DE LA CIERVA 57, 1º B', '30201', 'CARTAGENA', 'MURCIA', '1975-01-03', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '627 784 575', '968 474 493', 'GENERAL', '306598996695', '2024-11-27', NULL, 1, 0, 0, 40, 'andrea.belmonte@example.com'),
(32, '56486928D', 'ZAPATA OLMOS FERNANDO', 3, 'FERNANDO', 'ZAPATA OLMOS', 'CALLE DOCTOR FLEMING 69, 3º D', '30840', 'ALHAMA DE MURCIA', 'MURCIA', '1982-03-19', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '679 223 102', NULL, 'GENERAL', '302837534638', '2015-09-15', NULL, 1, 0, 0, 40, 'fernando.zapata@example.com'),
(33, '52970202Y', 'MARTINEZ PEÑALVER NURIA', 3, 'NURIA', 'MARTINEZ PEÑALVER', 'CALLE ACISCLO DIAZ 62', '30007', 'MURCIA', 'MURCIA', '1991-01-22', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '646 133 306', '968 595 801', 'GENERAL', '308780844573', '2013-06-22', NULL, 1, 0, 0, 40, 'nuria.martinez@example.com'),
(34, '51496173R', 'TOMAS VALERO ALEJANDRO', 3, 'ALEJANDRO', 'TOMAS VALERO', 'AVENIDA DE JUAN CARLOS I 93, 5º D', '30565', 'TORRES DE COTILLAS', 'MURCIA', '1975-03-25', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '681 483 433', '968 355 672', 'GENERAL', '304181252194', '2012-01-20', NULL, 1, 0, 0, 40, 'alejandro.tomas@example.com'),
(35, '54056985Q', 'GALINDO RIQUELME SOFIA', 3, 'SOFIA', 'GALINDO RIQUELME', 'PLAZA DE ESPAÑA 41, 3º A', '30500', 'MOLINA DE SEGURA', 'MURCIA', '1973-07-11', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '645 702 343', '968 822 958', 'GENERAL', '302423925527', '2010-07-12', NULL, 1, 0, 0, 40, NULL),
(36, '56747401F', 'LIFANTE CUTILLAS VICENTE', 3, 'VICENTE', 'LIFANTE CUTILLAS', 'CALLE LA PAZ 56', '30201', 'CARTAGENA', 'MURCIA', '1981-01-11', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '633 454 194', NULL, 'GENERAL', '301287390671', '2023-05-13', NULL, 0, 1, 0, 40, 'vicente.lifante@example.com'),
(37, '74317179Q', 'ESCUDERO PARDO JUAN CARLOS', 0, 'JUAN CARLOS', 'ESCUDERO PARDO', 'CALLE MAYOR 73', '30201', 'CARTAGENA', 'MURCIA', '1977-05-03', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '668 518 584', '968 384 455', 'GENERAL', '304882024452', '2012-03-05', '2022-06-21', 1, 0, 0, 40, 'juan.escudero@example.com'),
(38, '49264111C', 'VERA SALINAS MONTSERRAT', 0, 'MONTSERRAT', 'VERA SALINAS', 'CALLE ALFONSO X EL SABIO 107, 5º D', '30840', 'ALHAMA DE MURCIA', 'MURCIA', '1977-10-18', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '639 230 738', NULL, 'GENERAL', '309815718375', '2016-05-19', '2023-06-09', 1, 0, 0, 40, 'montserrat.vera@example.com'),
(39, '30614217K', 'COSTA BERNAL ADRIAN', 0, 'ADRIAN', 'COSTA BERNAL', 'PLAZA DE ESPAÑA 22', '30009', 'MURCIA', 'MURCIA', '1981-11-04', 'ESPAÑA', 'ESPAÑOLA', 'HOMBRE', '671 333 104', NULL, 'GENERAL', '307682161242', '2013-08-15', '2024-02-15', 0, 0, 1, 40, NULL),
(40, '23542811B', 'LUCAS MIRALLES VERONICA', 0, 'VERONICA', 'LUCAS MIRALLES', 'CALLE ACISCLO DIAZ 28, 3º B', '30530', 'CIEZA', 'MURCIA', '1992-11-27', 'ESPAÑA', 'ESPAÑOLA', 'MUJER', '624 167 696', NULL, 'GENERAL', '303960583359', '2018-12-26', '2023-11-10', 0, 0, 1, 40, NULL);

-- Company, payroll and contract columns that the station carries.
UPDATE trabajadores SET ide = 1, empresa = 1, PAGARPORBANCO = 0, IRPF = 12, DESEMPLEO = 1.55,
                        FORMACION = 0.1, CONTINGENCIAS = 4.7, jornada_continua = IF(activo = 2, 0, 1);
UPDATE trabajadores SET OBSERVACIONES = 'CARNET DE CARRETILLERO' WHERE ID IN (3, 8, 27);
UPDATE trabajadores SET OBSERVACIONES = 'BAJA VOLUNTARIA' WHERE activo = 0;

-- National holidays: New Year, Epiphany, Good Friday, Labour Day,
-- Assumption, National Day, All Saints, Constitution Day, Immaculate
-- Conception and Christmas.
UPDATE calendario_laboral SET festivo = 1
 WHERE fecha IN ('2025-01-01', '2025-01-06', '2025-04-18', '2025-05-01', '2025-08-15',
                 '2025-10-12', '2025-11-01', '2025-12-06', '2025-12-08', '2025-12-25',
                 '2026-01-01', '2026-01-06', '2026-04-03', '2026-05-01', '2026-08-15',
                 '2026-10-12', '2026-11-01', '2026-12-06', '2026-12-08', '2026-12-25',
                 '2027-01-01', '2027-01-06', '2027-03-26', '2027-05-01', '2027-08-15',
                 '2027-10-12', '2027-11-01', '2027-12-06', '2027-12-08', '2027-12-25');

-- Days worked in the last four weeks (today excluded): weekdays, holidays
-- only for the two warehouse keepers on call (8 and 27), and about one
-- absence in twenty.
CREATE TEMPORARY TABLE demo_dias AS
WITH RECURSIVE atras (k) AS (
    SELECT 1 UNION ALL SELECT k + 1 FROM atras WHERE k < 27
)
SELECT CURDATE() - INTERVAL a.k DAY AS fecha, w.ID AS idt, w.nombre, w.activo AS grupo,
       IF(w.activo = 2, 'OFICINA', 'ALMACEN') AS centro
  FROM atras a
  JOIN trabajadores w ON w.activo > 0
  LEFT JOIN calendario_laboral c ON c.fecha = CURDATE() - INTERVAL a.k DAY
 WHERE WEEKDAY(CURDATE() - INTERVAL a.k DAY) < 5
   AND (IFNULL(c.festivo, 0) <> 1 OR w.ID IN (8, 27))
   AND CRC32(CONCAT('ausencia', w.ID, CURDATE() - INTERVAL a.k DAY)) % 20 <> 0;

-- Jitter in seconds, 0 to n-1, fixed for a worker, a date and a purpose.
DELIMITER $$
CREATE FUNCTION demo_desvio(p_idt INT, p_fecha DATE, p_que VARCHAR(10), p_n INT) RETURNS INT
    DETERMINISTIC
    RETURN CRC32(CONCAT(p_que, '-', p_idt, '-', p_fecha)) % p_n$$
DELIMITER ;

-- The punches go through `ticados`, so the triggers derive the time sheets
-- exactly as they do for the terminal.

-- First interval of each day worked.
INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL, centro)
SELECT fecha, idt, nombre,
       ADDTIME(CASE WHEN grupo = 1 THEN TIME '07:50:00'
                    WHEN grupo = 2 AND WEEKDAY(fecha) = 4 THEN TIME '07:55:00'
                    WHEN grupo = 2 THEN TIME '08:50:00'
                    ELSE TIME '14:50:00' END,
               SEC_TO_TIME(demo_desvio(idt, fecha, 'ent1', 720))),
       ADDTIME(CASE WHEN grupo = 1 THEN TIME '14:00:00'
                    WHEN grupo = 2 AND WEEKDAY(fecha) = 4 THEN TIME '15:00:00'
                    WHEN grupo = 2 THEN TIME '14:00:00'
                    ELSE TIME '22:00:00' END,
               SEC_TO_TIME(demo_desvio(idt, fecha, 'sal1', 600))),
       centro
  FROM demo_dias
 ORDER BY fecha, idt;

-- Afternoon of the office's split shift, Monday to Thursday.
INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL, centro)
SELECT fecha, idt, nombre,
       ADDTIME(TIME '14:58:00', SEC_TO_TIME(demo_desvio(idt, fecha, 'ent2', 480))),
       ADDTIME(TIME '18:00:00', SEC_TO_TIME(demo_desvio(idt, fecha, 'sal2', 600))),
       centro
  FROM demo_dias
 WHERE grupo = 2 AND WEEKDAY(fecha) < 4
 ORDER BY fecha, idt;

-- A night of overtime across midnight for worker 30, from Tuesday to
-- Wednesday of last week: the terminal closes the row at 23:59:59 and
-- opens the next day at 00:00:01 (a row it leaves without a work centre).
INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL, centro)
SELECT CURDATE() - INTERVAL (WEEKDAY(CURDATE()) + 6) DAY, ID, nombre, '22:45:00', '23:59:59', 'ALMACEN'
  FROM trabajadores WHERE ID = 30;
INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, SALIDA_REAL)
SELECT CURDATE() - INTERVAL (WEEKDAY(CURDATE()) + 5) DAY, ID, nombre, '00:00:01', '02:35:00'
  FROM trabajadores WHERE ID = 30;

-- Who is in right now: a handful of open rows today at each centre (never
-- later than the current time).
INSERT INTO ticados (fecha, idt, TRABAJADOR, ENTRADA_REAL, centro)
SELECT CURDATE(), ID, nombre,
       GREATEST(TIME '00:00:01',
                LEAST(ADDTIME(IF(activo = 2, TIME '08:50:00', TIME '07:50:00'),
                              SEC_TO_TIME(demo_desvio(ID, CURDATE(), 'ent1', 720))),
                      SUBTIME(CURTIME(), '00:02:00'))),
       IF(activo = 2, 'OFICINA', 'ALMACEN')
  FROM trabajadores
 WHERE ID IN (1, 2, 3, 5, 9, 15, 16, 18)
 ORDER BY ID;

-- The office at work: a remark, and a forgotten exit entered by hand (the
-- corrected row keeps the punched values in its _m columns).
SET @demo_dia = (SELECT MAX(fecha) FROM ticadoscompleto
                  WHERE idt = 17 AND fecha <= CURDATE() - INTERVAL 3 DAY);
UPDATE ticadoscompleto SET observaciones = 'CITA MEDICA A LAS 12:00'
 WHERE idt = 17 AND fecha = @demo_dia;
SET @demo_dia = (SELECT MAX(fecha) FROM ticadoscompleto
                  WHERE idt = 4 AND fecha <= CURDATE() - INTERVAL 8 DAY);
UPDATE ticadoscompleto SET salidam = '14:30:00', observaciones = 'SALIDA CORREGIDA: CARGA DE CAMION'
 WHERE idt = 4 AND fecha = @demo_dia;
SET @demo_dia = NULL;

DROP FUNCTION demo_desvio;
DROP TEMPORARY TABLE demo_dias;
