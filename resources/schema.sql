-- The program's own tables. Jet autonumber columns are INTEGER PRIMARY KEY
-- AUTOINCREMENT, Yes/No columns INTEGER (non-zero is True), text columns
-- compare without regard to case as Jet does.

CREATE TABLE IF NOT EXISTS DefProperty (
    ID            INTEGER PRIMARY KEY AUTOINCREMENT,
    PropertyKeys  TEXT COLLATE NOCASE,
    PropertyName  TEXT COLLATE NOCASE,
    PropertyValue TEXT COLLATE NOCASE,
    DataType      INTEGER
);

CREATE TABLE IF NOT EXISTS DataTypeInfo (
    ID               INTEGER PRIMARY KEY AUTOINCREMENT,
    DataType         TEXT COLLATE NOCASE,
    DataProvider     TEXT COLLATE NOCASE,
    DataDSN          TEXT COLLATE NOCASE,
    DataServer       TEXT COLLATE NOCASE,
    DataUSERID       TEXT COLLATE NOCASE,
    DataPWD          TEXT COLLATE NOCASE,
    DataDriver       TEXT COLLATE NOCASE,
    DataDBName       TEXT COLLATE NOCASE,
    DataTableName    TEXT COLLATE NOCASE,
    DataAreaName     TEXT COLLATE NOCASE,
    DataFieldName    TEXT COLLATE NOCASE,
    DataMarkName     TEXT COLLATE NOCASE,
    IsTitleFirstLine INTEGER,
    Delimited        INTEGER,
    Notes            TEXT COLLATE NOCASE
);

CREATE TABLE IF NOT EXISTS CityState (
    CityStateID INTEGER PRIMARY KEY AUTOINCREMENT,
    AreaCode    TEXT COLLATE NOCASE,
    City        TEXT COLLATE NOCASE,
    State       TEXT COLLATE NOCASE,
    Note        TEXT COLLATE NOCASE
);

CREATE TABLE IF NOT EXISTS GridProperty (
    ID          INTEGER PRIMARY KEY AUTOINCREMENT,
    EmplID      INTEGER,
    ColName     TEXT COLLATE NOCASE,
    ColCaption  TEXT COLLATE NOCASE,
    ColWidth    INTEGER,
    Align       INTEGER,
    ControlType INTEGER,
    ColFormat   TEXT COLLATE NOCASE,
    Hidden      INTEGER,
    Editable    INTEGER,
    ListName    TEXT COLLATE NOCASE
);

CREATE TABLE IF NOT EXISTS StateFormat (
    ID           INTEGER PRIMARY KEY AUTOINCREMENT,
    State        TEXT COLLATE NOCASE,
    FirstLine    INTEGER,
    Delimited    TEXT COLLATE NOCASE,
    IncludeQuote INTEGER,
    SelectFields TEXT COLLATE NOCASE
);

-- Work table of the DNC import: the local numbers of one area code at a time.
CREATE TABLE IF NOT EXISTS MyTempTable (
    phone INTEGER
);
