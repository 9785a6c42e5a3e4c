-- The contact book. Text compares and sorts without regard to the case of the ASCII letters
-- (COLLATE NOCASE), as the book's SQL texts expect; ratings are 16-bit whole numbers.
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
    id integer primary key autoincrement
);

-- No two contacts share a nick, whatever the case of its letters.
create unique index contatti_nick on contatti (nick);

-- One index per order of the contact list and per searched field, so that the ids of a
-- whole book come out sorted without a sort and a prefix search is a range read.
create index contatti_nome on contatti (nome);
create index contatti_email on contatti (email);
create index contatti_punti on contatti (punti desc, nick);
create index contatti_simpatia on contatti (simpatia desc, nick);
create index contatti_bellezza on contatti (bellezza desc, nick);
create index contatti_affinita on contatti (affinita desc, nick);
create index contatti_cultura on contatti (cultura desc, nick);
-- The expression must stay the same as espr1's in qcontatti, or the index is not used.
create index contatti_foto on contatti (
    (case when foto1 <> '' or foto2 <> '' or foto3 <> '' or foto4 <> '' or foto5 <> ''
          then -1 else 0 end), nick);
create index contatti_foto_desc on contatti (
    (case when foto1 <> '' or foto2 <> '' or foto3 <> '' or foto4 <> '' or foto5 <> ''
          then -1 else 0 end) desc, nick);

-- The contact list: every field, and espr1 = -1 (true) for a contact with a photo link.
create view qcontatti as
select nick, nome, note, email, foto1, foto2, foto3, foto4, foto5,
       simpatia, bellezza, intelligenza, affinita, cultura, punti, id,
       (case when foto1 <> '' or foto2 <> '' or foto3 <> '' or foto4 <> '' or foto5 <> ''
             then -1 else 0 end) as espr1
from contatti;
