-- Rooms and staff accounts every new database starts with.
-- Stored as UTF-8: load with isql-fb -ch UTF8 into the WIN1251 database.
--
-- The managers are inserted in ID order and their names are Cyrillic, so in
-- WIN1251 they compare above 'admin' and a fresh database lists them by ID.
-- Passwords are plain text on purpose: other clients of this database
-- compare them as they are.

INSERT INTO ZALS (ID, NAME) VALUES (1, '101');
INSERT INTO ZALS (ID, NAME) VALUES (2, '102');
INSERT INTO ZALS (ID, NAME) VALUES (3, '103');
INSERT INTO ZALS (ID, NAME) VALUES (4, '104');
INSERT INTO ZALS (ID, NAME) VALUES (5, '201');
INSERT INTO ZALS (ID, NAME) VALUES (6, '202');
INSERT INTO ZALS (ID, NAME) VALUES (7, '203');
INSERT INTO ZALS (ID, NAME) VALUES (8, '204');
INSERT INTO ZALS (ID, NAME) VALUES (9, 'Люкс 1');
INSERT INTO ZALS (ID, NAME) VALUES (10, 'Люкс 2');
INSERT INTO ZALS (ID, NAME) VALUES (11, 'Полулюкс');
INSERT INTO ZALS (ID, NAME) VALUES (12, 'Семейный');

INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (1, 'admin', 'Администратор', 'EDIT', 'admin', 'admin');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (2, 'Иванова Марина', 'Старший менеджер', 'EDIT', 'ivanova', '1111');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (3, 'Петров Сергей', 'Менеджер', 'EDIT', 'petrov', '2222');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (4, 'Сидорова Елена', 'Менеджер', 'EDIT', 'sidorova', '3333');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (5, 'Кузнецов Андрей', 'Менеджер', 'EDIT', 'kuznetsov', '4444');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (6, 'Смирнова Ольга', 'Менеджер', 'EDIT', 'smirnova', '5555');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (7, 'Фёдорова Анна', 'Менеджер', 'EDIT', 'fedorova', '6666');
INSERT INTO OTV (ID, NAME, DOLJN, GR, LOGIN, PWD)
    VALUES (8, 'Гость', 'Стажёр', 'VIEW', 'guest', 'guest');

SET GENERATOR GEN_OTV_ID TO 8;

COMMIT;
