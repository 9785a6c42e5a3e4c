-- The sample contacts of a new book. Score = 40 x the sum of the five ratings.
insert into contatti (nick, nome, note, email, foto1, foto2, foto3, foto4, foto5,
                      simpatia, bellezza, intelligenza, affinita, cultura, punti) values
('LunaBlu', 'Giulia Rossi', 'Conosciuta in #roma, ama il jazz', 'giulia.rossi@example.com',
 'demo01.jpg', 'demo02.jpg', null, null, null, 4, 3, 5, 4, 4, 800),
('NightOwl', 'James Carter', 'Met in #insomnia; night-shift nurse', 'jcarter@example.org',
 'demo03.jpg', null, null, null, null, 3, 2, 4, 3, 3, 600),
('Pepita', 'Francesca Bianchi', 'Chatta sempre dal treno', 'pepita@example.com',
 '', 'demo04.jpg', null, null, null, 5, 4, 3, 5, 2, 760),
('Ghiro', 'Niccolò Galli', 'Dorme fino a mezzogiorno, perché no?', 'ghiro@example.org',
 null, null, null, null, null, 2, 0, 3, 2, 1, 320),
('SunnyDay', 'Emily Watson', 'Loves hiking and old films', 'emily.watson@example.com',
 'demo05.jpg', 'demo06.jpg', null, null, null, 4, 5, 4, 4, 5, 880),
('Zanzara', 'Luca Ferri', 'Battute pessime ma simpatico', 'zanzara@example.org',
 'demo07.jpg', null, null, null, null, 5, 2, 2, 3, 0, 480),
('Bookworm', 'Oliver Hughes', 'Recommends a novel every week', 'oliver.h@example.com',
 null, null, null, null, null, 3, 3, 5, 4, 5, 800),
('Stellina', 'Chiara Conti', 'Appassionata di astronomia', 'stellina@example.org',
 null, null, 'demo08.jpg', null, null, 4, 4, 4, 3, 4, 760);
