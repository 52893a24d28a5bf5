-- The program's tables. Text sizes are in characters; the data layer refuses longer text with a
-- message and the CHECKs keep any other path honest. Comparison ignores case where lists and
-- look-ups must match regardless of case.

CREATE TABLE tbl_customer (
    id          INTEGER PRIMARY KEY AUTOINCREMENT,
    Pers_number VARCHAR(50) COLLATE NOCASE CHECK (length(Pers_number) <= 50),
    First_Name  VARCHAR(25) CHECK (length(First_Name) <= 25),
    Last_Name   VARCHAR(40) CHECK (length(Last_Name) <= 40),
    Hesab       VARCHAR(15) CHECK (length(Hesab) <= 15),
    Price       VARCHAR(50) CHECK (length(Price) <= 50),
    Chk         BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX ix_customer_pers_number ON tbl_customer (Pers_number);

CREATE TABLE tbl_detail (
    id    INTEGER PRIMARY KEY AUTOINCREMENT,
    txt   VARCHAR(100) COLLATE NOCASE CHECK (length(txt) <= 100),
    price VARCHAR(50) CHECK (length(price) <= 50)
);
CREATE INDEX ix_detail_txt ON tbl_detail (txt);

CREATE TABLE tbl_master (
    id       INTEGER PRIMARY KEY AUTOINCREMENT,
    sh_hesab VARCHAR(20) CHECK (length(sh_hesab) <= 20),
    sh_chek  VARCHAR(20) CHECK (length(sh_chek) <= 20)
);
INSERT INTO tbl_master (sh_hesab, sh_chek) VALUES (NULL, NULL);

CREATE TABLE tbl_ghaleb (
    id             INTEGER PRIMARY KEY AUTOINCREMENT,
    bank_name      VARCHAR(255) COLLATE NOCASE CHECK (length(bank_name) <= 255),
    chk_price      BOOLEAN NOT NULL DEFAULT 0,
    chk_hesab      BOOLEAN NOT NULL DEFAULT 0,
    chk_char_start BOOLEAN NOT NULL DEFAULT 0,
    chk_char_end   BOOLEAN NOT NULL DEFAULT 0,
    chk_char_split BOOLEAN NOT NULL DEFAULT 0,
    chk_f1         BOOLEAN NOT NULL DEFAULT 0,
    f2             VARCHAR(255) CHECK (length(f2) <= 255),
    char_start     VARCHAR(255) CHECK (length(char_start) <= 255),
    char_end       VARCHAR(255) CHECK (length(char_end) <= 255),
    char_split     VARCHAR(255) CHECK (length(char_split) <= 255),
    record_start   VARCHAR(255) CHECK (length(record_start) <= 255),
    record_end     VARCHAR(255) CHECK (length(record_end) <= 255),
    file_name      VARCHAR(255) CHECK (length(file_name) <= 255),
    file_extention VARCHAR(255) CHECK (length(file_extention) <= 255),
    tol_price      VARCHAR(255) CHECK (length(tol_price) <= 255),
    tol_hesab      VARCHAR(255) CHECK (length(tol_hesab) <= 255)
);
CREATE INDEX ix_ghaleb_bank_name ON tbl_ghaleb (bank_name);

-- Display labels of the fields, read by the data layer.
CREATE TABLE field_labels (
    table_name TEXT NOT NULL,
    field_name TEXT NOT NULL,
    label      TEXT NOT NULL,
    PRIMARY KEY (table_name, field_name)
);
INSERT INTO field_labels VALUES
    ('tbl_customer', 'id', 'رديف'),
    ('tbl_customer', 'Pers_number', 'شماره پرسنلي'),
    ('tbl_customer', 'First_Name', 'نام'),
    ('tbl_customer', 'Last_Name', 'نام خانوادگي'),
    ('tbl_customer', 'Hesab', 'شماره حساب'),
    ('tbl_customer', 'Price', 'مبلغ'),
    ('tbl_ghaleb', 'bank_name', 'نام بانک'),
    ('tbl_ghaleb', 'char_start', 'کاراکتر ابتدا'),
    ('tbl_ghaleb', 'char_end', 'کاراکتر انتها'),
    ('tbl_ghaleb', 'char_split', 'کاراکتر جدا کننده'),
    ('tbl_ghaleb', 'record_start', 'رکورد ابتدا'),
    ('tbl_ghaleb', 'record_end', 'رکورد انتها'),
    ('tbl_ghaleb', 'file_name', 'نام فايل'),
    ('tbl_ghaleb', 'file_extention', 'پسوند فايل'),
    ('tbl_ghaleb', 'tol_price', 'طول مبلغ'),
    ('tbl_ghaleb', 'tol_hesab', 'طول حساب');
