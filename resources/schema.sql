-- The contact book. Ratings are 16-bit whole numbers. Nick, name and e-mail are compared and
-- sorted through key columns the program writes beside them (chiave_*: the text's base
-- letters case folded, a byte 1, the whole text case folded), so that letter case never
-- counts, accented letters sort beside their base letters, and every index is an ordinary
-- one that any SQLite tool can read and check.
create table contatti (
    nick text collate nocase,
    nome text collate nocase,
    note text collate nocase,
    email text collate nocase,
    foto1 text collate nocase,
    foto2 text collate nocase,
    foto3 text collate nocase,
    foto4 text collate nocase,
    foto5 text collate nocase,
    simpatia integer check (simpatia between -32768 and 32767),
    bellezza integer check (bellezza between -32768 and 32767),
    intelligenza integer check (intelligenza between -32768 and 32767),
    affinita integer check (affinita between -32768 and 32767),
    cultura integer check (cultura between -32768 and 32767),
    punti real,
    id integer primary key autoincrement,
    chiave_nick text,
    chiave_nome text,
    chiave_email text
);

-- The number of contacts, kept as rows come and go, so that a large book is never counted.
create table conteggio (righe integer not null);
insert into conteggio (righe) values (0);
create trigger contatti_aggiunto after insert on contatti
begin update conteggio set righe = righe + 1; end;
create trigger contatti_tolto after delete on contatti
begin update conteggio set righe = righe - 1; end;

-- No two contacts share a nick, whatever the case of its letters.
create unique index contatti_nick on contatti (chiave_nick);

-- One index per order of the contact list and per searched field, so that a window of any
-- order is read without a sort and a prefix search is a range read.
create index contatti_nome on contatti (chiave_nome);
create index contatti_email on contatti (chiave_email);
create index contatti_punti on contatti (punti desc, chiave_nick);
create index contatti_simpatia on contatti (simpatia desc, chiave_nick);
create index contatti_bellezza on contatti (bellezza desc, chiave_nick);
create index contatti_affinita on contatti (affinita desc, chiave_nick);
create index contatti_cultura on contatti (cultura desc, chiave_nick);
-- The expression must stay the same as espr1's in qcontatti, or the index is not used.
create index contatti_foto on contatti (
    (case when foto1 <> '' or foto2 <> '' or foto3 <> '' or foto4 <> '' or foto5 <> ''
          then -1 else 0 end), chiave_nick);

-- The contact list: every field, espr1 = -1 (true) for a contact with a photo link, and the
-- key columns the program sorts and searches by.
create view qcontatti as
select nick, nome, note, email, foto1, foto2, foto3, foto4, foto5,
       simpatia, bellezza, intelligenza, affinita, cultura, punti, id,
       (case when foto1 <> '' or foto2 <> '' or foto3 <> '' or foto4 <> '' or foto5 <> ''
             then -1 else 0 end) as espr1,
       chiave_nick, chiave_nome, chiave_email
from contatti;
