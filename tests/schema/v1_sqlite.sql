-- Schema version 1 as first shipped (branches C0 and C1): the upgrade test starts from it.
CREATE TABLE SchemaInfo (
  Version INTEGER
);
CREATE TABLE Customer (
  CustNo TEXT NOT NULL CHECK (length(CustNo) <= 10),
  CustName TEXT CHECK (length(CustName) <= 70),
  Contact TEXT CHECK (length(Contact) <= 20),
  VIPNo TEXT CHECK (length(VIPNo) <= 13),
  DiscA NUMERIC(6,4) DEFAULT 1,
  DiscB NUMERIC(6,4) DEFAULT 1,
  DiscC NUMERIC(6,4) DEFAULT 1,
  DiscD NUMERIC(6,4) DEFAULT 1,
  DiscE NUMERIC(6,4) DEFAULT 1,
  DiscF NUMERIC(6,4) DEFAULT 1,
  CTel TEXT CHECK (length(CTel) <= 30),
  CFax TEXT CHECK (length(CFax) <= 20),
  Uniform_id TEXT CHECK (length(Uniform_id) <= 10),
  MDate TEXT,
  CAddress TEXT CHECK (length(CAddress) <= 60),
  CEmail TEXT CHECK (length(CEmail) <= 60),
  WDate TEXT,
  CLock SMALLINT NOT NULL DEFAULT 0 CHECK (CLock IN (0,1)),
  AllClsNo SMALLINT NOT NULL DEFAULT 0 CHECK (AllClsNo IN (0,1)),
  SArea TEXT CHECK (length(SArea) <= 10),
  Remark TEXT CHECK (length(Remark) <= 60),
  PRIMARY KEY (CustNo)
);
CREATE UNIQUE INDEX UX_Customer_VIPNo ON Customer (VIPNo) WHERE VIPNo IS NOT NULL AND VIPNo <> '';
CREATE INDEX IX_Customer_CustName ON Customer (CustName);
CREATE TABLE CustClsNo (
  CustNo TEXT NOT NULL CHECK (length(CustNo) <= 10),
  ClsNo TEXT NOT NULL CHECK (length(ClsNo) <= 6),
  PRIMARY KEY (CustNo,ClsNo)
);
CREATE TABLE Vendor (
  VNo TEXT NOT NULL CHECK (length(VNo) <= 10),
  VName TEXT CHECK (length(VName) <= 40),
  DiscA NUMERIC(6,4) DEFAULT 1,
  DiscB NUMERIC(6,4) DEFAULT 1,
  DiscC NUMERIC(6,4) DEFAULT 1,
  DiscD NUMERIC(6,4) DEFAULT 1,
  DiscE NUMERIC(6,4) DEFAULT 1,
  DiscF NUMERIC(6,4) DEFAULT 1,
  Contact TEXT CHECK (length(Contact) <= 30),
  VAddress TEXT CHECK (length(VAddress) <= 80),
  VTel TEXT CHECK (length(VTel) <= 20),
  VFax TEXT CHECK (length(VFax) <= 20),
  MKind SMALLINT NOT NULL DEFAULT 0 CHECK (MKind IN (0,1)),
  MDate TEXT,
  VEmail TEXT CHECK (length(VEmail) <= 60),
  VNetAdd TEXT CHECK (length(VNetAdd) <= 60),
  WDate TEXT,
  V_CR INTEGER,
  Alliance SMALLINT NOT NULL DEFAULT 0 CHECK (Alliance IN (0,1)),
  Remark TEXT CHECK (length(Remark) <= 60),
  PRIMARY KEY (VNo)
);
CREATE INDEX IX_Vendor_VName ON Vendor (VName);
CREATE TABLE Book (
  BookNo TEXT NOT NULL CHECK (length(BookNo) <= 11),
  BookName TEXT CHECK (length(BookName) <= 100),
  Author TEXT CHECK (length(Author) <= 30),
  ISBN TEXT CHECK (length(ISBN) <= 13),
  BarCode TEXT CHECK (length(BarCode) <= 13),
  BPublisher TEXT CHECK (length(BPublisher) <= 36),
  VNo TEXT CHECK (length(VNo) <= 10),
  ClsNo TEXT CHECK (length(ClsNo) <= 6),
  BShort TEXT CHECK (length(BShort) <= 20),
  NTPrice NUMERIC(8,2) DEFAULT 0,
  FPrice NUMERIC(8,2) DEFAULT 0,
  ORI_CR TEXT DEFAULT 'NT' CHECK (length(ORI_CR) <= 3),
  KDiscount TEXT DEFAULT 'A' CHECK (length(KDiscount) <= 1),
  EKind SMALLINT NOT NULL DEFAULT 0 CHECK (EKind IN (0,1)),
  PubYear SMALLINT,
  Edition TEXT CHECK (length(Edition) <= 2),
  Edition1 TEXT CHECK (length(Edition1) <= 10),
  BWeight NUMERIC(10,3),
  In_Date TEXT,
  WDate TEXT,
  Summary TEXT,
  Remark TEXT CHECK (length(Remark) <= 100),
  StockC0 INTEGER DEFAULT 0,
  SStockC0 INTEGER DEFAULT 0,
  LocC0 TEXT CHECK (length(LocC0) <= 10),
  StockC1 INTEGER DEFAULT 0,
  SStockC1 INTEGER DEFAULT 0,
  LocC1 TEXT CHECK (length(LocC1) <= 10),
  PRIMARY KEY (BookNo)
);
CREATE INDEX IX_Book_BarCode ON Book (BarCode);
CREATE INDEX IX_Book_ISBN ON Book (ISBN);
CREATE INDEX IX_Book_VNo ON Book (VNo);
CREATE INDEX IX_Book_ClsNo ON Book (ClsNo);
CREATE TABLE Forwarder (
  FNo TEXT NOT NULL CHECK (length(FNo) <= 6),
  FName TEXT CHECK (length(FName) <= 60),
  Contact TEXT CHECK (length(Contact) <= 30),
  FTel TEXT CHECK (length(FTel) <= 30),
  FFax TEXT CHECK (length(FFax) <= 30),
  FEMail TEXT CHECK (length(FEMail) <= 60),
  FAddress TEXT,
  FNetAdd TEXT CHECK (length(FNetAdd) <= 80),
  Remark TEXT CHECK (length(Remark) <= 60),
  WDate TEXT,
  PRIMARY KEY (FNo)
);
CREATE TABLE Clases (
  ClsNo TEXT NOT NULL CHECK (length(ClsNo) <= 6),
  ClsENm TEXT CHECK (length(ClsENm) <= 66),
  ClsCNm TEXT CHECK (length(ClsCNm) <= 66),
  PRIMARY KEY (ClsNo)
);
CREATE TABLE ExRate (
  ORI_CR TEXT NOT NULL CHECK (length(ORI_CR) <= 3),
  rate NUMERIC(10,3) DEFAULT 1,
  PRIMARY KEY (ORI_CR)
);
CREATE TABLE UserPass (
  UsCode TEXT NOT NULL CHECK (length(UsCode) <= 8),
  UsName TEXT CHECK (length(UsName) <= 12),
  UsPass TEXT CHECK (length(UsPass) <= 10),
  SArea TEXT CHECK (length(SArea) <= 10),
  UsPriv TEXT CHECK (length(UsPriv) <= 16),
  UsHash TEXT CHECK (length(UsHash) <= 200),
  PRIMARY KEY (UsCode)
);
CREATE UNIQUE INDEX UX_UserPass_UsCode_lower ON UserPass (lower(UsCode));
CREATE TABLE LogRec (
  LogNo INTEGER PRIMARY KEY AUTOINCREMENT,
  OPDTime TEXT,
  OPUserC TEXT CHECK (length(OPUserC) <= 8),
  OPUserN TEXT CHECK (length(OPUserN) <= 12),
  OPItem TEXT CHECK (length(OPItem) <= 40),
  OPKind TEXT CHECK (length(OPKind) <= 20),
  OPRemark TEXT,
  SArea TEXT CHECK (length(SArea) <= 10)
);
CREATE INDEX IX_LogRec_OPDTime ON LogRec (OPDTime);
CREATE TABLE BRStock (
  PNo INTEGER PRIMARY KEY AUTOINCREMENT,
  BookNo TEXT NOT NULL CHECK (length(BookNo) <= 11),
  SArea TEXT CHECK (length(SArea) <= 10),
  EDate TEXT,
  Qty INTEGER,
  UsCode TEXT CHECK (length(UsCode) <= 8),
  BRReason TEXT CHECK (length(BRReason) <= 60)
);
CREATE INDEX IX_BRStock_BookNo ON BRStock (BookNo);
INSERT INTO SchemaInfo (Version) VALUES (1);
