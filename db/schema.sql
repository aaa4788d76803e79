/* Tables of the OSB ZEMTAR program: SQL dialect 1, default character set WIN1254.
   Dates are kept as dd.mm.yyyy text and coded values as the whole list item text
   ("1  Yeni"); amounts and measures are DOUBLE PRECISION.
   db/create-db.sh creates a database file from this script. */

/* Subscriber identity records, electricity. */
CREATE TABLE EABONEKIMLIK (
    ABONENO            VARCHAR(15) NOT NULL,
    ADI                VARCHAR(30),
    SOYADI             VARCHAR(30),
    VERGINO            VARCHAR(10),
    TCKIMLIK           VARCHAR(11),
    ABONETARIHI        VARCHAR(10),
    ABONEDURUMU        VARCHAR(30),
    UAVTNO             VARCHAR(10),
    ILADI              VARCHAR(20),
    ILCEADI            VARCHAR(20),
    BELDEADI           VARCHAR(20),
    BUCAKADI           VARCHAR(20),
    KOYADI             VARCHAR(20),
    MAHALLEADI         VARCHAR(32),
    CADDEADI           VARCHAR(20),
    DISKAPINO          VARCHAR(5),
    ICKAPINO           VARCHAR(5),
    MULKIYET           VARCHAR(30),
    MULKADI            VARCHAR(30),
    MULKSOYADI         VARCHAR(30),
    MULKVERGINO        VARCHAR(10),
    MULKTCKIMLIK       VARCHAR(11),
    MULKDASK           VARCHAR(8),
    KIRABASLAMATARIHI  VARCHAR(10),
    KIRABITISTARIHI    VARCHAR(10),
    KIRATUTARI         DOUBLE PRECISION,
    TELTIPI            VARCHAR(30),
    TELEFON            VARCHAR(20),
    PAFTA              VARCHAR(20),
    ADA                VARCHAR(20),
    PERSEL             VARCHAR(20),
    YUZOLCUM           DOUBLE PRECISION,
    ABONETIPI          VARCHAR(30),
    YAZI1              VARCHAR(20),
    YAZI2              VARCHAR(20),
    SAYI1              DOUBLE PRECISION,
    ZEMTARDAHIL        VARCHAR(10),
    SAYI2              DOUBLE PRECISION,
    CONSTRAINT PK_EABONEKIMLIK PRIMARY KEY (ABONENO)
);

/* Subscriber identity records, natural gas. */
CREATE TABLE DABONEKIMLIK (
    ABONENO            VARCHAR(15) NOT NULL,
    ADI                VARCHAR(30),
    SOYADI             VARCHAR(30),
    VERGINO            VARCHAR(10),
    TCKIMLIK           VARCHAR(11),
    ABONETARIHI        VARCHAR(10),
    ABONEDURUMU        VARCHAR(30),
    UAVTNO             VARCHAR(10),
    ILADI              VARCHAR(20),
    ILCEADI            VARCHAR(20),
    BELDEADI           VARCHAR(20),
    BUCAKADI           VARCHAR(20),
    KOYADI             VARCHAR(20),
    MAHALLEADI         VARCHAR(32),
    CADDEADI           VARCHAR(20),
    DISKAPINO          VARCHAR(5),
    ICKAPINO           VARCHAR(5),
    MULKIYET           VARCHAR(30),
    MULKADI            VARCHAR(30),
    MULKSOYADI         VARCHAR(30),
    MULKVERGINO        VARCHAR(10),
    MULKTCKIMLIK       VARCHAR(11),
    MULKDASK           VARCHAR(8),
    KIRABASLAMATARIHI  VARCHAR(10),
    KIRABITISTARIHI    VARCHAR(10),
    KIRATUTARI         DOUBLE PRECISION,
    TELTIPI            VARCHAR(30),
    TELEFON            VARCHAR(20),
    PAFTA              VARCHAR(20),
    ADA                VARCHAR(20),
    PERSEL             VARCHAR(20),
    YUZOLCUM           DOUBLE PRECISION,
    ABONETIPI          VARCHAR(30),
    YAZI1              VARCHAR(20),
    YAZI2              VARCHAR(20),
    SAYI1              DOUBLE PRECISION,
    ZEMTARDAHIL        VARCHAR(10),
    SAYI2              DOUBLE PRECISION,
    CONSTRAINT PK_DABONEKIMLIK PRIMARY KEY (ABONENO)
);

/* Invoice records, electricity; REFERANSNO is "9" and yyyymmddhhnnss. */
CREATE TABLE EFATURA (
    REFERANSNO         VARCHAR(20),
    ABONENO            VARCHAR(15),
    TOPLAMBEDELI       DOUBLE PRECISION,
    TOPLAMTUKETIM      DOUBLE PRECISION,
    DONEMI             VARCHAR(20),
    FATURATARIHI       VARCHAR(10)
);
CREATE INDEX IX_EFATURA_REFERANSNO ON EFATURA (REFERANSNO);
CREATE INDEX IX_EFATURA_ABONENO ON EFATURA (ABONENO);

/* Invoice records, natural gas; REFERANSNO is "9" and yyyymmddhhnnss. */
CREATE TABLE DFATURA (
    REFERANSNO         VARCHAR(20),
    ABONENO            VARCHAR(15),
    TOPLAMBEDELI       DOUBLE PRECISION,
    TOPLAMTUKETIM      DOUBLE PRECISION,
    DONEMI             VARCHAR(20),
    FATURATARIHI       VARCHAR(10)
);
CREATE INDEX IX_DFATURA_REFERANSNO ON DFATURA (REFERANSNO);
CREATE INDEX IX_DFATURA_ABONENO ON DFATURA (ABONENO);

COMMIT;
