-- Column types of a company database. IdNo carries row ids (it may be an identity); CharFlag
-- holds yes/no flags, true only when exactly 'Y'. Both are nullable, so columns of these types
-- can be added to tables that already hold rows. Safe to run again.

IF NOT EXISTS (SELECT * FROM systypes WHERE name = 'IdNo')
CREATE TYPE IdNo FROM int NULL
GO

IF NOT EXISTS (SELECT * FROM systypes WHERE name = 'CharFlag')
CREATE TYPE CharFlag FROM char(1) NULL
GO
