#include "data/Schema.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "data/Connection.h"
#include "data/SqlDialect.h"

using namespace Qt::StringLiterals;

const ColumnDef* TableDef::column(const QString& columnName) const
{
    for (const ColumnDef& c : columns) {
        if (c.name.compare(columnName, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

namespace Schema {
namespace {

ColumnDef text(const QString& name, int size, bool notNull = false)
{
    return {name, ColType::Text, size, 0, notNull, {}};
}
ColumnDef longText(const QString& name)
{
    return {name, ColType::LongText, 0, 0, false, {}};
}
ColumnDef decimal(const QString& name, int precision, int scale, const QString& def = {})
{
    return {name, ColType::Decimal, precision, scale, false, def};
}
ColumnDef integer(const QString& name, const QString& def = {}, bool notNull = false)
{
    return {name, ColType::Integer, 0, 0, notNull, def};
}
ColumnDef smallInt(const QString& name, bool notNull = false)
{
    return {name, ColType::SmallInt, 0, 0, notNull, {}};
}
ColumnDef identity(const QString& name)
{
    return {name, ColType::Identity, 0, 0, true, {}};
}
ColumnDef dateTime(const QString& name)
{
    return {name, ColType::DateTime, 0, 0, false, {}};
}
ColumnDef boolean(const QString& name, bool def = false)
{
    return {name, ColType::Boolean, 0, 0, true, def ? u"1"_s : u"0"_s};
}

QList<ColumnDef> discounts()
{
    QList<ColumnDef> cols;
    for (const char c : QByteArrayLiteral("ABCDEF"))
        cols << decimal(u"Disc"_s + QLatin1Char(c), 6, 4, u"1"_s);
    return cols;
}

IndexDef index(const QString& table, const QString& suffix, const QStringList& columns,
               bool unique = false, const QString& where = {})
{
    return {(unique ? u"UX_"_s : u"IX_"_s) + table + u'_' + suffix, columns, unique, where};
}

/// The index a search of the master windows uses on one column.
IndexDef searchIndex(const QString& table, const QString& column)
{
    return {u"IX_%1_%2_search"_s.arg(table, column), {column}, false, {}, true};
}

/*
 * References. A change of number (customer, supplier, book, class, agent) cascades into every row
 * that names it, so renumbering never strands a document. Deleting a row that is still named is
 * refused, so a document never points at nothing; the exceptions delete their dependants because
 * these have no meaning alone:
 *   - document lines go with their header (MasterDelete removes both in one step);
 *   - a customer's subject links go with the customer (the customer window deletes them first
 *     anyway) and with the class;
 *   - the recorded stock posting of a document goes with the posting record.
 * Inquiry lines may name books not yet in the catalogue and have no reference to Book; counter
 * lines name walk-in customers ("Guest") that need not be customer rows.
 */
ForeignKeyDef refersTo(const QStringList& columns, const QString& table,
                       const QStringList& refColumns, RefAction onDelete = RefAction::Refuse)
{
    return {columns, table, refColumns, RefAction::Cascade, onDelete};
}
ForeignKeyDef toCustomer(const QString& column = u"CustNo"_s)
{
    return refersTo({column}, u"Customer"_s, {u"CustNo"_s});
}
ForeignKeyDef toVendor(const QString& column = u"VNo"_s)
{
    return refersTo({column}, u"Vendor"_s, {u"VNo"_s});
}
ForeignKeyDef toBook()
{
    return refersTo({u"BookNo"_s}, u"Book"_s, {u"BookNo"_s});
}

/// A document header: branch, number and partner first, as the change log records them.
TableDef header(const QString& name, const QString& partner, const QList<ColumnDef>& columns)
{
    TableDef t{name, {}, {u"SArea"_s, u"PNo"_s}, {}, {}, {}};
    t.columns << text(u"SArea"_s, 10, true) << integer(u"PNo"_s, {}, true) << columns;
    t.indexes << index(name, u"EDate"_s, {u"SArea"_s, u"EDate"_s})
              << index(name, u"Open"_s, {u"SArea"_s, u"EComplete"_s});
    // A partner's history of one branch and period reads only its own rows; the partner alone
    // (references, all branches) uses the leading column.
    if (!partner.isEmpty())
        t.indexes << index(name, partner, {partner, u"SArea"_s, u"EDate"_s});
    return t;
}

QList<ColumnDef> lineColumns(int currencySize)
{
    return {identity(u"PDNo"_s),
            text(u"SArea"_s, 10, true),
            integer(u"PNo"_s, {}, true),
            text(u"BookNo"_s, 11),
            decimal(u"Price"_s, 8, 2),
            integer(u"Qty"_s),
            decimal(u"Disc"_s, 6, 4, u"1"_s),
            text(u"ORI_CR"_s, currencySize),
            decimal(u"rate"_s, 8, 3, u"1"_s),
            decimal(u"UnSum"_s, 10, 2),
            text(u"ETime"_s, 8)};
}

/// The lines of a header-and-lines document, keyed by their own identity.
TableDef detail(const QString& name, const QString& headerTable, const QList<ColumnDef>& extra = {},
                int currencySize = 3)
{
    TableDef t{name, lineColumns(currencySize) << extra, {u"PDNo"_s}, {}, {}, {}};
    t.indexes << index(name, u"Doc"_s, {u"SArea"_s, u"PNo"_s, u"ETime"_s})
              << index(name, u"BookNo"_s, {u"BookNo"_s});
    t.constraints << u"CHECK (Disc > 0 AND Disc <= 1)"_s;
    t.foreignKeys << refersTo({u"SArea"_s, u"PNo"_s}, headerTable, {u"SArea"_s, u"PNo"_s},
                              RefAction::Cascade)
                  << toBook();
    return t;
}

QList<TableDef> masterTables()
{
    QList<TableDef> t;

    t << TableDef{u"SchemaInfo"_s, {integer(u"Version"_s)}, {}, {}, {}, {}};

    TableDef vendor{u"Vendor"_s, {}, {u"VNo"_s}, {}, {}, {}};
    vendor.columns << text(u"VNo"_s, 10, true) << text(u"VName"_s, 40) << discounts()
                   << text(u"Contact"_s, 30) << text(u"VAddress"_s, 80) << text(u"VTel"_s, 20)
                   << text(u"VFax"_s, 20) << boolean(u"MKind"_s) << dateTime(u"MDate"_s)
                   << text(u"VEmail"_s, 60) << text(u"VNetAdd"_s, 60) << dateTime(u"WDate"_s)
                   << integer(u"V_CR"_s) << boolean(u"Alliance"_s) << text(u"Remark"_s, 60);
    vendor.indexes << IndexDef{u"IX_Vendor_VName"_s, {u"VName"_s}, false, {}};
    t << vendor;

    t << TableDef{
        u"Clases"_s,  {text(u"ClsNo"_s, 6, true), text(u"ClsENm"_s, 66), text(u"ClsCNm"_s, 66)},
        {u"ClsNo"_s}, {},
        {},           {}};

    TableDef forwarder{u"Forwarder"_s, {}, {u"FNo"_s}, {}, {}, {}};
    forwarder.columns << text(u"FNo"_s, 6, true) << text(u"FName"_s, 60) << text(u"Contact"_s, 30)
                      << text(u"FTel"_s, 30) << text(u"FFax"_s, 30) << text(u"FEMail"_s, 60)
                      << longText(u"FAddress"_s) << text(u"FNetAdd"_s, 80) << text(u"Remark"_s, 60)
                      << dateTime(u"WDate"_s);
    t << forwarder;

    TableDef customer{u"Customer"_s, {}, {u"CustNo"_s}, {}, {}, {}};
    customer.columns << text(u"CustNo"_s, 10, true) << text(u"CustName"_s, 70)
                     << text(u"Contact"_s, 20) << text(u"VIPNo"_s, 13) << discounts()
                     << text(u"CTel"_s, 30) << text(u"CFax"_s, 20) << text(u"Uniform_id"_s, 10)
                     << dateTime(u"MDate"_s) << text(u"CAddress"_s, 60) << text(u"CEmail"_s, 60)
                     << dateTime(u"WDate"_s) << boolean(u"CLock"_s) << boolean(u"AllClsNo"_s)
                     << text(u"SArea"_s, 10) << text(u"Remark"_s, 60);
    customer.indexes << IndexDef{u"UX_Customer_VIPNo"_s,
                                 {u"VIPNo"_s},
                                 true,
                                 u"VIPNo IS NOT NULL AND VIPNo <> ''"_s}
                     << IndexDef{u"IX_Customer_CustName"_s, {u"CustName"_s}, false, {}}
                     << searchIndex(u"Customer"_s, u"CustNo"_s)
                     << searchIndex(u"Customer"_s, u"CustName"_s)
                     << searchIndex(u"Customer"_s, u"VIPNo"_s);
    t << customer;

    TableDef custCls{u"CustClsNo"_s,
                     {text(u"CustNo"_s, 10, true), text(u"ClsNo"_s, 6, true)},
                     {u"CustNo"_s, u"ClsNo"_s},
                     {},
                     {},
                     {}};
    custCls.indexes << index(u"CustClsNo"_s, u"ClsNo"_s, {u"ClsNo"_s});
    custCls.foreignKeys << refersTo({u"CustNo"_s}, u"Customer"_s, {u"CustNo"_s}, RefAction::Cascade)
                        << refersTo({u"ClsNo"_s}, u"Clases"_s, {u"ClsNo"_s}, RefAction::Cascade);
    t << custCls;

    TableDef book{u"Book"_s, {}, {u"BookNo"_s}, {}, {}, {}};
    book.columns << text(u"BookNo"_s, 11, true) << text(u"BookName"_s, 100) << text(u"Author"_s, 30)
                 << text(u"ISBN"_s, 13) << text(u"BarCode"_s, 13) << text(u"BPublisher"_s, 36)
                 << text(u"VNo"_s, 10) << text(u"ClsNo"_s, 6) << text(u"BShort"_s, 20)
                 << decimal(u"NTPrice"_s, 8, 2, u"0"_s) << decimal(u"FPrice"_s, 8, 2, u"0"_s)
                 << ColumnDef{u"ORI_CR"_s, ColType::Text, 3, 0, false, u"'NT'"_s}
                 << ColumnDef{u"KDiscount"_s, ColType::Text, 1, 0, false, u"'A'"_s}
                 << boolean(u"EKind"_s) << smallInt(u"PubYear"_s) << text(u"Edition"_s, 2)
                 << text(u"Edition1"_s, 10) << decimal(u"BWeight"_s, 10, 3)
                 << dateTime(u"In_Date"_s) << dateTime(u"WDate"_s) << longText(u"Summary"_s)
                 << text(u"Remark"_s, 100);
    book.indexes << IndexDef{u"IX_Book_BarCode"_s, {u"BarCode"_s}, false, {}}
                 << IndexDef{u"IX_Book_ISBN"_s, {u"ISBN"_s}, false, {}}
                 << IndexDef{u"IX_Book_VNo"_s, {u"VNo"_s}, false, {}}
                 << IndexDef{u"IX_Book_ClsNo"_s, {u"ClsNo"_s}, false, {}}
                 << searchIndex(u"Book"_s, u"BookNo"_s) << searchIndex(u"Book"_s, u"BookName"_s)
                 << searchIndex(u"Book"_s, u"Author"_s) << searchIndex(u"Book"_s, u"ISBN"_s)
                 << searchIndex(u"Book"_s, u"BarCode"_s) << searchIndex(u"Book"_s, u"BShort"_s);
    book.foreignKeys << toVendor() << refersTo({u"ClsNo"_s}, u"Clases"_s, {u"ClsNo"_s});
    t << book;

    t << TableDef{u"ExRate"_s,
                  {text(u"ORI_CR"_s, 3, true), decimal(u"rate"_s, 10, 3, u"1"_s)},
                  {u"ORI_CR"_s},
                  {},
                  {},
                  {}};

    // UsHash holds the salted password hash; UsPass keeps its size for accounts not yet upgraded.
    TableDef user{u"UserPass"_s, {}, {u"UsCode"_s}, {}, {}, {}};
    user.columns << text(u"UsCode"_s, 8, true) << text(u"UsName"_s, 12) << text(u"UsPass"_s, 10)
                 << text(u"SArea"_s, 10) << text(u"UsPriv"_s, 16) << text(u"UsHash"_s, 200);
    user.indexes << IndexDef{u"UX_UserPass_UsCode_lower"_s, {u"lower(UsCode)"_s}, true, {}};
    t << user;

    // LogNo is the record's own key: the change-log window deletes single records by it.
    TableDef log{u"LogRec"_s, {}, {u"LogNo"_s}, {}, {}, {}};
    log.columns << identity(u"LogNo"_s) << dateTime(u"OPDTime"_s) << text(u"OPUserC"_s, 8)
                << text(u"OPUserN"_s, 12) << text(u"OPItem"_s, 60) << text(u"OPKind"_s, 20)
                << longText(u"OPRemark"_s) << text(u"SArea"_s, 10);
    log.indexes << IndexDef{u"IX_LogRec_OPDTime"_s, {u"OPDTime"_s}, false, {}}
                << index(u"LogRec"_s, u"SArea"_s, {u"SArea"_s, u"OPDTime"_s});
    t << log;

    TableDef brStock{u"BRStock"_s, {}, {u"PNo"_s}, {}, {}, {}};
    brStock.columns << identity(u"PNo"_s) << text(u"BookNo"_s, 11, true) << text(u"SArea"_s, 10)
                    << dateTime(u"EDate"_s) << integer(u"Qty"_s) << text(u"UsCode"_s, 8)
                    << text(u"BRReason"_s, 60);
    brStock.indexes << IndexDef{u"IX_BRStock_BookNo"_s,
                                {u"BookNo"_s, u"SArea"_s, u"EDate"_s},
                                false,
                                {}}
                    << index(u"BRStock"_s, u"EDate"_s, {u"SArea"_s, u"EDate"_s});
    brStock.foreignKeys << toBook();
    t << brStock;

    return t;
}

QList<TableDef> documentTables()
{
    QList<TableDef> t;
    const ColumnDef custNo = text(u"CustNo"_s, 10);
    const ColumnDef vNo = text(u"VNo"_s, 10);
    const ColumnDef eDate = dateTime(u"EDate"_s);
    const ColumnDef eTime = text(u"ETime"_s, 8);
    const ColumnDef mKind = boolean(u"MKind"_s);
    const ColumnDef eComplete = boolean(u"EComplete"_s);
    const ColumnDef remark = text(u"Remark"_s, 60);
    const ColumnDef fCharge = decimal(u"FCharge"_s, 8, 2, u"0"_s);
    const ColumnDef sundries = decimal(u"Sundries"_s, 8, 2, u"0"_s);

    TableDef quote = header(u"Quote"_s, u"CustNo"_s,
                            {custNo, eDate, eTime, mKind, fCharge, sundries, eComplete, remark});
    quote.foreignKeys << toCustomer();
    t << quote << detail(u"QuoteDetail"_s, u"Quote"_s);

    TableDef order = header(u"OrderM"_s, u"CustNo"_s,
                            {custNo, eDate, integer(u"SOrdNo"_s), mKind, eComplete, remark});
    order.foreignKeys << toCustomer();
    t << order << detail(u"OrdDetail"_s, u"OrderM"_s);

    TableDef buy = header(u"BuyM"_s, u"VNO"_s,
                          {text(u"VNO"_s, 10), custNo, eDate, dateTime(u"PreDate"_s), mKind,
                           boolean(u"CArea"_s), text(u"ShipMode"_s, 20), text(u"FNo"_s, 6),
                           text(u"OrderRef"_s, 10), eComplete, boolean(u"YetFlag"_s), remark});
    buy.indexes << index(u"BuyM"_s, u"CustNo"_s, {u"CustNo"_s}) << index(u"BuyM"_s, u"FNo"_s, {u"FNo"_s});
    buy.foreignKeys << toVendor(u"VNO"_s) << toCustomer()
                    << refersTo({u"FNo"_s}, u"Forwarder"_s, {u"FNo"_s});
    TableDef buyDetail = detail(u"BuyDetail"_s, u"BuyM"_s, {custNo});
    buyDetail.indexes << index(u"BuyDetail"_s, u"CustNo"_s, {u"CustNo"_s});
    buyDetail.foreignKeys << toCustomer();
    t << buy << buyDetail;

    TableDef import =
        header(u"ImportM"_s, u"VNo"_s,
               {vNo, eDate, integer(u"SOrdNo"_s), integer(u"SExpNo"_s), text(u"Invoice"_s, 10),
                dateTime(u"InvDate"_s), mKind, eTime, eComplete, remark});
    import.indexes << index(u"ImportM"_s, u"SOrdNo"_s, {u"SArea"_s, u"SOrdNo"_s});
    import.foreignKeys << toVendor();
    t << import << detail(u"ImpDetail"_s, u"ImportM"_s, {}, 10);

    TableDef impRet =
        header(u"ImpRet"_s, u"VNo"_s, {vNo, eDate, integer(u"ImpNo"_s), mKind, eComplete, remark});
    impRet.foreignKeys << toVendor();
    t << impRet << detail(u"IRDetail"_s, u"ImpRet"_s);

    TableDef exportM =
        header(u"ExportM"_s, u"CustNo"_s,
               {custNo, eDate, eTime, text(u"Invoice"_s, 10), dateTime(u"InvDate"_s), fCharge,
                sundries, integer(u"SOrdNo"_s), integer(u"SBuyNo"_s), mKind, eComplete, remark});
    exportM.indexes << index(u"ExportM"_s, u"SOrdNo"_s, {u"SArea"_s, u"SOrdNo"_s});
    exportM.foreignKeys << toCustomer();
    t << exportM << detail(u"ExpDetail"_s, u"ExportM"_s);

    TableDef expRet =
        header(u"ExpRet"_s, u"CustNo"_s,
               {custNo, eDate, integer(u"ExpNo"_s), integer(u"SIRNo"_s), mKind, eComplete, remark});
    expRet.foreignKeys << toCustomer();
    t << expRet << detail(u"ERDetail"_s, u"ExpRet"_s);

    // One counter document per branch and day.
    TableDef counter = header(u"CounterM"_s, {}, {eDate, eComplete, remark});
    counter.indexes << index(u"CounterM"_s, u"Day"_s, {u"SArea"_s, u"EDate"_s}, true);
    t << counter << detail(u"CountDetail"_s, u"CounterM"_s, {custNo, text(u"Remark"_s, 30)});

    // Write-offs are numbered by the database; (SArea, PNo) stays their key.
    const QList<std::pair<QString, QString>> writeOffs = {{u"ImpWOff"_s, u"IWODetail"_s},
                                                          {u"ExpWOff"_s, u"EWODetail"_s}};
    for (const auto& [head, lines] : writeOffs) {
        const bool payables = head == u"ImpWOff"_s;
        const QString partner = payables ? u"VNo"_s : u"CustNo"_s;
        TableDef h{head, {}, {u"SArea"_s, u"PNo"_s}, {}, {}, {}};
        h.columns << text(u"SArea"_s, 10, true) << identity(u"PNo"_s) << text(partner, 10)
                  << dateTime(u"BDate"_s) << eDate << decimal(u"POff"_s, 8, 2, u"0"_s) << eComplete
                  << remark;
        h.indexes << index(head, partner, {partner})
                  << index(head, u"Open"_s, {u"SArea"_s, u"EComplete"_s});
        h.foreignKeys << (payables ? toVendor() : toCustomer());
        TableDef d{lines, {}, {u"PDNo"_s}, {}, {}, {}};
        d.columns << identity(u"PDNo"_s) << text(u"SArea"_s, 10, true)
                  << integer(u"PNo"_s, {}, true) << text(u"SKind"_s, 4) << integer(u"SNo"_s)
                  << eDate << decimal(u"SPay"_s, 10, 2, u"0"_s)
                  << decimal(u"SumPay"_s, 10, 2, u"0"_s) << decimal(u"OffMoney"_s, 10, 2, u"0"_s)
                  << text(u"Remark"_s, 20);
        d.indexes << index(lines, u"Doc"_s, {u"SArea"_s, u"PNo"_s, u"EDate"_s})
                  << index(lines, u"Source"_s, {u"SArea"_s, u"SKind"_s, u"SNo"_s});
        d.foreignKeys << refersTo({u"SArea"_s, u"PNo"_s}, head, {u"SArea"_s, u"PNo"_s},
                                  RefAction::Cascade);
        t << h << d;
    }

    // Inquiries: a branch's own (SubInquireM) and the head office's copy (InquireM), whose
    // number is unique on its own and whose rows keep the asking branch in SArea.
    const QList<ColumnDef> inquiryHead = {custNo,
                                          eDate,
                                          text(u"OpStat"_s, 4),
                                          eComplete,
                                          text(u"RemarkM"_s, 60),
                                          text(u"RemarkS"_s, 60)};
    TableDef subInq = header(u"SubInquireM"_s, u"CustNo"_s, inquiryHead);
    subInq.foreignKeys << toCustomer();
    TableDef inq =
        header(u"InquireM"_s, u"CustNo"_s, QList<ColumnDef>{integer(u"SNo"_s)} << inquiryHead);
    inq.primaryKey = {u"PNo"_s};
    inq.indexes << index(u"InquireM"_s, u"OpenAll"_s, {u"EComplete"_s, u"PNo"_s});
    inq.foreignKeys << toCustomer();
    const QList<ColumnDef> inquiryLine = {
        integer(u"SDNo"_s),          text(u"BookNo"_s, 11),       text(u"ORI_CR"_s, 3),
        decimal(u"NTPrice"_s, 8, 2), decimal(u"FPrice"_s, 8, 2),  text(u"BookName"_s, 100),
        text(u"Author"_s, 30),       text(u"ISBN"_s, 13),         text(u"BPublisher"_s, 36),
        text(u"BarCode"_s, 13),      decimal(u"FCharge"_s, 8, 2), integer(u"Qty"_s)};
    TableDef subInqDetail{u"SubInqDetail"_s, {}, {u"PDNo"_s}, {}, {}, {}};
    subInqDetail.columns << identity(u"PDNo"_s) << text(u"SArea"_s, 10, true)
                         << integer(u"PNo"_s, {}, true) << inquiryLine;
    subInqDetail.indexes << index(u"SubInqDetail"_s, u"Doc"_s, {u"SArea"_s, u"PNo"_s});
    subInqDetail.foreignKeys << refersTo({u"SArea"_s, u"PNo"_s}, u"SubInquireM"_s,
                                         {u"SArea"_s, u"PNo"_s}, RefAction::Cascade);
    TableDef inqDetail{u"InqDetail"_s, {}, {u"PDNo"_s}, {}, {}, {}};
    inqDetail.columns << identity(u"PDNo"_s) << integer(u"PNo"_s, {}, true) << inquiryLine;
    inqDetail.indexes << index(u"InqDetail"_s, u"Doc"_s, {u"PNo"_s});
    inqDetail.foreignKeys << refersTo({u"PNo"_s}, u"InquireM"_s, {u"PNo"_s}, RefAction::Cascade);
    t << subInq << subInqDetail << inq << inqDetail;

    // The last number given per branch and kind (AutoPNo). One row per pair, updated in place,
    // so that concurrent numbering queues on the row lock instead of reading the same MAX.
    t << TableDef{u"PNoCounter"_s,
                  {text(u"SArea"_s, 10, true), smallInt(u"DocKind"_s, true),
                   integer(u"LastNo"_s, u"0"_s, true)},
                  {u"SArea"_s, u"DocKind"_s},
                  {},
                  {},
                  {}};

    // What UpdateStock applied for a completed document, so that taking it back reverses exactly
    // that, and a second completion of the same document cannot post it twice.
    t << TableDef{u"StockPost"_s,
                  {text(u"SArea"_s, 10, true), smallInt(u"DocKind"_s, true),
                   integer(u"PNo"_s, {}, true), dateTime(u"PostTime"_s)},
                  {u"SArea"_s, u"DocKind"_s, u"PNo"_s},
                  {},
                  {},
                  {}};
    TableDef postLine{u"StockPostLine"_s,
                      {text(u"SArea"_s, 10, true), smallInt(u"DocKind"_s, true),
                       integer(u"PNo"_s, {}, true), text(u"BookNo"_s, 11, true),
                       integer(u"Qty"_s, u"0"_s, true)},
                      {u"SArea"_s, u"DocKind"_s, u"PNo"_s, u"BookNo"_s},
                      {},
                      {},
                      {}};
    postLine.indexes << index(u"StockPostLine"_s, u"BookNo"_s, {u"BookNo"_s});
    postLine.foreignKeys << refersTo({u"SArea"_s, u"DocKind"_s, u"PNo"_s}, u"StockPost"_s,
                                     {u"SArea"_s, u"DocKind"_s, u"PNo"_s}, RefAction::Cascade)
                         << toBook();
    t << postLine;
    return t;
}

QList<TableDef> buildTables()
{
    return masterTables() << documentTables();
}

/*
 * Outstanding lines. Ordered quantities are summed per document and book, and so are the
 * quantities already shipped (received) on documents that name the order (purchase) in SOrdNo,
 * each in its own grouped query: joining lines to lines would count every shipment once per order
 * line. Shipments and receipts count as soon as they exist, completed or not, so that lines turned
 * into a document are not offered again. Completed orders and purchases, and purchases marked
 * not to be followed (YetFlag), are left out.
 */
QString outstandingSelect(const QString& head, const QString& lines, const QString& next,
                          const QString& nextLines, const QString& partnerCols,
                          const QString& partnerJoin, const QString& extraCols,
                          const QString& extraWhere)
{
    return uR"(SELECT h.PNo, h.SArea, %1, h.EDate, l.BookNo, l.SumQty,
       l.SumQty - COALESCE(s.DoneQty, 0) AS SurQty%2
FROM %3 h
JOIN (SELECT SArea, PNo, BookNo, SUM(Qty) AS SumQty FROM %4 GROUP BY SArea, PNo, BookNo) l
  ON l.SArea = h.SArea AND l.PNo = h.PNo
%5
LEFT JOIN (SELECT m.SArea, m.SOrdNo, d.BookNo, SUM(d.Qty) AS DoneQty
           FROM %6 m JOIN %7 d ON d.SArea = m.SArea AND d.PNo = m.PNo
           WHERE m.SOrdNo IS NOT NULL
           GROUP BY m.SArea, m.SOrdNo, d.BookNo) s
  ON s.SArea = h.SArea AND s.SOrdNo = h.PNo AND s.BookNo = l.BookNo
WHERE h.EComplete = 0%8 AND l.SumQty - COALESCE(s.DoneQty, 0) > 0)"_s.arg(
        partnerCols, extraCols, head, lines, partnerJoin, next, nextLines, extraWhere);
}

QList<ViewDef> reconciliationViews();

QList<ViewDef> buildViews()
{
    // The NT value of a line is Round(UnSum*rate,0); totals add these, never a converted total.
    const QString totals =
        uR"(SELECT SArea, PNo, SUM(Qty) AS SumQty, SUM(Round(UnSum*rate,0)) AS SumPrice
FROM %1
GROUP BY SArea, PNo)"_s;
    QList<ViewDef> v;
    v << ViewDef{u"SumQuoteDetail"_s, totals.arg(u"QuoteDetail"_s)}
      << ViewDef{u"SumExpDetail"_s, totals.arg(u"ExpDetail"_s)};
    v << ViewDef{u"OrdYetExp"_s,
                 outstandingSelect(u"OrderM"_s, u"OrdDetail"_s, u"ExportM"_s, u"ExpDetail"_s,
                                   u"h.CustNo, c.CustName"_s,
                                   u"LEFT JOIN Customer c ON c.CustNo = h.CustNo"_s, {}, {})};
    v << ViewDef{u"BuyYetImp"_s,
                 outstandingSelect(u"BuyM"_s, u"BuyDetail"_s, u"ImportM"_s, u"ImpDetail"_s,
                                   u"h.VNO AS VNo, v.VName"_s,
                                   u"LEFT JOIN Vendor v ON v.VNo = h.VNO"_s,
                                   u",\n       h.PreDate"_s, u" AND h.YetFlag = 0"_s)};
    // Per customer a purchase was made for (the line's customer, else the header's): the
    // customer's quantity, and at most what is still outstanding of the book on that purchase.
    v << ViewDef{u"BuyYetImpCust"_s, uR"(SELECT y.PNo, y.SArea, y.VNo, y.VName, y.EDate, y.BookNo,
       c.CustQty AS SumQty,
       CASE WHEN c.CustQty < y.SurQty THEN c.CustQty ELSE y.SurQty END AS SurQty,
       y.PreDate, c.CustNo
FROM BuyYetImp y
JOIN (SELECT d.SArea, d.PNo, d.BookNo, COALESCE(NULLIF(d.CustNo, ''), m.CustNo) AS CustNo,
             SUM(d.Qty) AS CustQty
      FROM BuyDetail d JOIN BuyM m ON m.SArea = d.SArea AND m.PNo = d.PNo
      GROUP BY d.SArea, d.PNo, d.BookNo, COALESCE(NULLIF(d.CustNo, ''), m.CustNo)) c
  ON c.SArea = y.SArea AND c.PNo = y.PNo AND c.BookNo = y.BookNo
WHERE c.CustNo IS NOT NULL AND c.CustQty > 0)"_s};
    v << reconciliationViews();
    return v;
}

/// One document kind's rows of a reconciliation view: documents with their partner, one row per
/// document (or per document and currency, or per counter customer), returns counted negative.
struct Recon
{
    QString label; ///< UKind, also the SKind of write-off lines
    QString head;
    QString lines;
    QString partner; ///< column holding the partner number (h. or d.)
    bool supplier;
    bool completedOnly;
    int sign;
};

QString reconSelect(const Recon& r, const QString& columns, const QString& groupExtra)
{
    const QString who = r.supplier ? u"LEFT JOIN Vendor p ON p.VNo = %1"_s.arg(r.partner)
                                   : u"LEFT JOIN Customer p ON p.CustNo = %1"_s.arg(r.partner);
    const QString name = r.supplier ? u"p.VName"_s : u"p.CustName"_s;
    const QString tel = r.supplier ? u"p.VTel"_s : u"p.CTel"_s;
    const QString address = r.supplier ? u"p.VAddress"_s : u"p.CAddress"_s;
    QString cols = columns;
    cols.replace(u"$label"_s, u"'%1'"_s.arg(r.label))
        .replace(u"$partner"_s, r.partner)
        .replace(u"$name"_s, name)
        .replace(u"$tel"_s, tel)
        .replace(u"$address"_s, address)
        .replace(u"$sign"_s, r.sign < 0 ? u"-"_s : QString());
    return uR"(SELECT %1
FROM %2 h JOIN %3 d ON d.SArea = h.SArea AND d.PNo = h.PNo
%4
WHERE %5
GROUP BY h.SArea, h.PNo, h.EDate, %6, %7, %8, %9%10)"_s.arg(
        cols, r.head, r.lines, who, r.completedOnly ? u"h.EComplete = 1"_s : u"1 = 1"_s, r.partner,
        name, tel, address, groupExtra);
}

QString reconUnion(const QList<Recon>& kinds, const QString& columns,
                   const QString& groupExtra = {})
{
    QStringList parts;
    for (const Recon& r : kinds)
        parts << reconSelect(r, columns, groupExtra);
    return parts.join(u"\nUNION ALL\n"_s);
}

/*
 * Reconciliation. Receipts, returns and shipments count once completed (their stock is posted);
 * purchase orders and counter sales count as they stand. Returns count negative, so a partner's
 * total is what is owed. NTPrice adds the lines' NT values as the document totals do; the ORI
 * views give the amount per original currency.
 */
QList<ViewDef> reconciliationViews()
{
    const Recon receipts{u"進貨"_s, u"ImportM"_s, u"ImpDetail"_s, u"h.VNo"_s, true, true, 1};
    const Recon purchaseReturns{u"退出"_s, u"ImpRet"_s, u"IRDetail"_s, u"h.VNo"_s, true, true, -1};
    const Recon purchases{u"採購"_s, u"BuyM"_s, u"BuyDetail"_s, u"h.VNO"_s, true, false, 1};
    const Recon shipments{u"出貨"_s, u"ExportM"_s, u"ExpDetail"_s, u"h.CustNo"_s, false, true, 1};
    const Recon salesReturns{u"退回"_s, u"ExpRet"_s, u"ERDetail"_s, u"h.CustNo"_s, false, true, -1};
    const Recon counter{u"櫃台"_s, u"CounterM"_s, u"CountDetail"_s, u"d.CustNo"_s, false, false, 1};

    const QString document =
        u"h.SArea, $label AS UKind, h.PNo, h.EDate, $partner AS aNo, $name AS aName, "
        "$tel AS aTel, $address AS aAdd, $signSUM(d.Qty) AS SumQty, "
        "$signSUM(Round(d.UnSum*d.rate,0)) AS NTPrice, MIN(d.ORI_CR) AS ori_cr"_s;
    const QString perCurrency =
        u"h.SArea, $label AS UKind, h.PNo, $partner AS aNo, d.ORI_CR AS Ori_cr, "
        "$signSUM(d.UnSum) AS sumprice"_s;
    QString purchase = document;
    purchase.replace(u"AS aAdd, "_s, u"AS aAdd, h.CArea, "_s);
    QString invoice =
        u"h.SArea, $label AS UKind, h.PNo, COALESCE(h.InvDate, h.EDate) AS EDate, h.Invoice, "
        "$partner AS aNo, $name AS aName, $tel AS aTel, $address AS aAdd, d.ORI_CR AS ori_cr, "
        "$signSUM(d.Qty) AS SumQty, $signSUM(Round(d.UnSum*d.rate,0)) AS NTPrice, "
        "$signSUM(d.UnSum) AS sumprice"_s;
    QList<ViewDef> v;
    v << ViewDef{u"ImpComView"_s, reconUnion({receipts, purchaseReturns}, document)}
      << ViewDef{u"ImpComView2"_s,
                 reconSelect(receipts, invoice, u", h.InvDate, h.Invoice, d.ORI_CR"_s)}
      << ViewDef{u"ImpORIComView"_s,
                 reconUnion({receipts, purchaseReturns}, perCurrency, u", d.ORI_CR"_s)}
      << ViewDef{u"BuyComView"_s, reconSelect(purchases, purchase, u", h.CArea"_s)}
      << ViewDef{u"BuyORIComView"_s, reconSelect(purchases, perCurrency, u", d.ORI_CR"_s)}
      << ViewDef{u"ExpComView"_s, reconUnion({shipments, salesReturns, counter}, document)}
      << ViewDef{u"ExpORIComView"_s,
                 reconUnion({shipments, salesReturns, counter}, perCurrency, u", d.ORI_CR"_s)};
    return v;
}

const QList<DocKindDef>& docKinds()
{
    static const QList<DocKindDef> kinds = {
        {0, u"BRStock"_s, {}, {}, true},
        {1, u"Quote"_s, u"QuoteDetail"_s, u"CustNo"_s, true},
        {2, u"BuyM"_s, u"BuyDetail"_s, u"VNO"_s, true},
        {3, u"ExportM"_s, u"ExpDetail"_s, u"CustNo"_s, true},
        {4, u"ImportM"_s, u"ImpDetail"_s, u"VNo"_s, true},
        {5, u"ExpRet"_s, u"ERDetail"_s, u"CustNo"_s, true},
        {6, u"ImpRet"_s, u"IRDetail"_s, u"VNo"_s, true},
        {7, u"OrderM"_s, u"OrdDetail"_s, u"CustNo"_s, true},
        {8, u"ImpWOff"_s, u"IWODetail"_s, u"VNo"_s, true},
        {9, u"ExpWOff"_s, u"EWODetail"_s, u"CustNo"_s, true},
        {10, u"SubInquireM"_s, u"SubInqDetail"_s, u"CustNo"_s, true},
        {11, u"InquireM"_s, u"InqDetail"_s, u"CustNo"_s, false},
        {12, u"CounterM"_s, u"CountDetail"_s, {}, true},
    };
    return kinds;
}

QString typeSql(Backend backend, const ColumnDef& c)
{
    const bool pg = backend == Backend::Postgres;
    switch (c.type) {
    case ColType::Text:
        return pg ? u"VARCHAR(%1)"_s.arg(c.size) : u"TEXT"_s;
    case ColType::LongText:
        return u"TEXT"_s;
    case ColType::Decimal:
        return u"NUMERIC(%1,%2)"_s.arg(c.size).arg(c.scale);
    case ColType::Integer:
        return u"INTEGER"_s;
    case ColType::SmallInt:
        return u"SMALLINT"_s;
    case ColType::Identity:
        return pg ? u"INTEGER GENERATED BY DEFAULT AS IDENTITY"_s : u"INTEGER"_s;
    case ColType::DateTime:
        return pg ? u"TIMESTAMP(0)"_s : u"TEXT"_s;
    case ColType::Boolean:
        return u"SMALLINT"_s;
    }
    return {};
}

/// SQLite keeps whatever it is given; these checks refuse what PostgreSQL's types refuse.
QString sqliteCheck(const ColumnDef& c)
{
    const QString& n = c.name;
    switch (c.type) {
    case ColType::Text:
        return u"length(%1) <= %2"_s.arg(n).arg(c.size);
    case ColType::Decimal: {
        QString limit = u"1"_s + QString(c.size - c.scale, u'0');
        return u"typeof(%1) IN ('integer','real','null') AND abs(%1) < %2"_s.arg(n, limit);
    }
    case ColType::Integer:
        return u"typeof(%1) IN ('integer','null') AND %1 BETWEEN -2147483648 AND 2147483647"_s.arg(
            n);
    case ColType::SmallInt:
        return u"typeof(%1) IN ('integer','null') AND %1 BETWEEN -32768 AND 32767"_s.arg(n);
    case ColType::DateTime:
        return u"%1 IS NULL OR datetime(%1) IS NOT NULL"_s.arg(n);
    case ColType::LongText:
    case ColType::Identity:
    case ColType::Boolean:
        break;
    }
    return {};
}

QString action(RefAction a)
{
    return a == RefAction::Cascade ? u"CASCADE"_s : u"RESTRICT"_s;
}

QString foreignKeySql(const ForeignKeyDef& fk)
{
    return u"FOREIGN KEY (%1) REFERENCES %2 (%3) ON UPDATE %4 ON DELETE %5"_s.arg(
        fk.columns.join(u','), fk.refTable, fk.refColumns.join(u','), action(fk.onUpdate),
        action(fk.onDelete));
}

bool hasIdentity(const TableDef& t)
{
    for (const ColumnDef& c : t.columns) {
        if (c.type == ColType::Identity)
            return true;
    }
    return false;
}

QString createTableSql(Backend backend, const TableDef& t, const QString& name,
                       const QStringList& branchCodes)
{
    QStringList parts;
    QList<ColumnDef> cols = t.columns;
    if (t.name == u"Book"_s) {
        for (const QString& code : branchCodes)
            cols << branchBookColumns(code);
    }
    bool identityKey = false;
    for (const ColumnDef& c : cols) {
        parts << columnSql(backend, t, c);
        identityKey =
            identityKey || (c.type == ColType::Identity && t.primaryKey == QStringList{c.name});
    }
    if (!t.primaryKey.isEmpty() && !identityKey) {
        // SQLite hands out identities only through the rowid, which must then be the key; the
        // declared key stays unique.
        const bool sqliteIdentity = backend == Backend::Sqlite && hasIdentity(t);
        parts << (sqliteIdentity ? u"UNIQUE (%1)"_s : u"PRIMARY KEY (%1)"_s)
                     .arg(t.primaryKey.join(u','));
    }
    parts << t.constraints;
    for (const ForeignKeyDef& fk : t.foreignKeys)
        parts << foreignKeySql(fk);
    return u"CREATE TABLE %1 (\n  %2\n)"_s.arg(name, parts.join(u",\n  "_s));
}

QStringList indexStatements(Backend backend, const TableDef& t)
{
    QStringList out;
    for (const IndexDef& ix : t.indexes) {
        QStringList columns = ix.columns;
        if (ix.caseless) {
            for (QString& c : columns)
                c = SqlDialect::searchKey(backend, c);
        }
        QString sql = u"CREATE %1INDEX %2 ON %3 (%4)"_s.arg(ix.unique ? u"UNIQUE "_s : QString(),
                                                            ix.name, t.name, columns.join(u','));
        if (!ix.where.isEmpty())
            sql += u" WHERE "_s + ix.where;
        out << sql;
    }
    return out;
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool exec(QSqlQuery& q, const QString& sql, QString* error)
{
    if (q.exec(sql))
        return true;
    return fail(error, q.lastError().text() + u"\n"_s + sql);
}

bool tableExists(Connection& con, const QString& name)
{
    return con.database().tables().contains(name, Qt::CaseInsensitive);
}

QStringList columnNames(Connection& con, const QString& table)
{
    // The PostgreSQL driver looks the name up as given, and the catalogue holds it folded.
    const QSqlRecord record = con.database().record(con.isPostgres() ? table.toLower() : table);
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

} // namespace

int version()
{
    return 4;
}

const QList<TableDef>& tables()
{
    static const QList<TableDef> all = buildTables();
    return all;
}

const TableDef* table(const QString& name)
{
    for (const TableDef& t : tables()) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const QList<ViewDef>& views()
{
    static const QList<ViewDef> all = buildViews();
    return all;
}

const DocKindDef* docKind(int kind)
{
    for (const DocKindDef& k : docKinds()) {
        if (k.kind == kind)
            return &k;
    }
    return nullptr;
}

bool isValidBranchCode(const QString& code)
{
    static const QRegularExpression pattern(u"^[A-Za-z0-9]{1,10}$"_s);
    return pattern.match(code).hasMatch();
}

QList<ColumnDef> branchBookColumns(const QString& code)
{
    Q_ASSERT(isValidBranchCode(code));
    return {integer(u"Stock"_s + code, u"0"_s), integer(u"SStock"_s + code, u"0"_s),
            text(u"Loc"_s + code, 10)};
}

QString columnSql(Backend backend, const TableDef& table, const ColumnDef& c)
{
    QString sql = c.name + u' ' + typeSql(backend, c);
    if (c.type == ColType::Identity) {
        // SQLite hands out identities only through its rowid alias.
        if (backend == Backend::Sqlite)
            return sql + u" PRIMARY KEY AUTOINCREMENT"_s;
        const bool soleKey = table.primaryKey.size() == 1 &&
                             table.primaryKey.first().compare(c.name, Qt::CaseInsensitive) == 0;
        return sql + (soleKey ? u" PRIMARY KEY"_s : QString());
    }
    if (c.notNull)
        sql += u" NOT NULL"_s;
    if (!c.defaultValue.isEmpty())
        sql += u" DEFAULT "_s + c.defaultValue;
    QStringList checks;
    if (backend == Backend::Sqlite) {
        const QString check = sqliteCheck(c);
        if (!check.isEmpty())
            checks << check;
    }
    if (c.type == ColType::Boolean)
        checks << u"%1 IN (0,1)"_s.arg(c.name);
    // A key typed by a user must say something: an empty number is a missing one.
    if (c.type == ColType::Text && table.primaryKey.contains(c.name))
        checks << u"%1 <> ''"_s.arg(c.name);
    for (const QString& check : checks)
        sql += u" CHECK (%1)"_s.arg(check);
    return sql;
}

QStringList createStatements(Backend backend, const QStringList& branchCodes)
{
    QStringList out;
    for (const TableDef& t : tables()) {
        out << createTableSql(backend, t, t.name, branchCodes);
        out << indexStatements(backend, t);
    }
    for (const ViewDef& v : views())
        out << u"CREATE VIEW %1 AS\n%2"_s.arg(v.name, v.select);
    out << u"INSERT INTO SchemaInfo (Version) VALUES (%1)"_s.arg(version());
    return out;
}

bool exists(Connection& connection)
{
    return tableExists(connection, u"SchemaInfo"_s);
}

int storedVersion(Connection& connection)
{
    if (!exists(connection))
        return 0;
    QSqlQuery q(connection.database());
    if (!q.exec(u"SELECT MAX(Version) FROM SchemaInfo"_s) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool create(Connection& connection, const QStringList& branchCodes, QString* error)
{
    for (const QString& code : branchCodes) {
        if (!isValidBranchCode(code))
            return fail(error, u"invalid branch code: %1"_s.arg(code));
    }
    if (!connection.open())
        return fail(error, connection.lastErrorText());
    if (exists(connection))
        return fail(error, u"the database already holds a schema"_s);
    QSqlQuery q(connection.database());
    for (const QString& sql : createStatements(connection.backend(), branchCodes)) {
        if (!exec(q, sql, error))
            return false;
    }
    return true;
}

QStringList branchCodesInDatabase(Connection& connection)
{
    const QStringList columns = columnNames(connection, u"Book"_s);
    const auto has = [&](const QString& name) {
        return columns.contains(name, Qt::CaseInsensitive);
    };
    // PostgreSQL folds column names to lower case: take the code's spelling from Vendor.
    QStringList vendorCodes;
    QSqlQuery q(connection.database());
    if (q.exec(u"SELECT VNo FROM Vendor WHERE Alliance = 1 ORDER BY VNo"_s)) {
        while (q.next())
            vendorCodes << q.value(0).toString();
    }
    QStringList codes;
    for (const QString& column : columns) {
        if (!column.startsWith(u"Stock"_s, Qt::CaseInsensitive))
            continue;
        QString code = column.mid(5);
        if (!isValidBranchCode(code) || !has(u"SStock"_s + code) || !has(u"Loc"_s + code))
            continue;
        for (const QString& v : vendorCodes) {
            if (v.compare(code, Qt::CaseInsensitive) == 0)
                code = v;
        }
        if (code == code.toLower() && connection.isPostgres())
            code = code.toUpper();
        codes << code;
    }
    return codes;
}

bool addBranch(Connection& connection, const QString& code, const QString& name, bool* changed,
               QString* error)
{
    if (changed)
        *changed = false;
    if (!isValidBranchCode(code))
        return fail(error, u"invalid branch code \"%1\": 1 to 10 letters or digits"_s.arg(code));
    if (!connection.open())
        return fail(error, connection.lastErrorText());
    QSqlQuery q(connection.database());
    q.prepare(u"SELECT VNo, Alliance FROM Vendor WHERE VNo = ?"_s);
    q.addBindValue(code);
    if (!q.exec())
        return fail(error, q.lastError().text());
    if (q.next()) {
        if (q.value(1).toInt() != 1)
            return fail(error, u"supplier %1 exists and is not a branch"_s.arg(code));
    } else {
        q.prepare(u"INSERT INTO Vendor (VNo, VName, Alliance, MKind) VALUES (?, ?, 1, 0)"_s);
        q.addBindValue(code);
        q.addBindValue(name);
        if (!q.exec())
            return fail(error, q.lastError().text());
        if (changed)
            *changed = true;
    }
    const QStringList existing = columnNames(connection, u"Book"_s);
    const TableDef* book = table(u"Book"_s);
    for (const ColumnDef& c : branchBookColumns(code)) {
        if (existing.contains(c.name, Qt::CaseInsensitive))
            continue;
        if (!exec(q, u"ALTER TABLE Book ADD COLUMN "_s + columnSql(connection.backend(), *book, c),
                  error))
            return false;
        if (changed)
            *changed = true;
    }
    return true;
}

bool upgrade(Connection& connection, int* fromVersion, QString* error)
{
    if (!connection.open())
        return fail(error, connection.lastErrorText());
    const int from = storedVersion(connection);
    if (fromVersion)
        *fromVersion = from;
    if (from == 0)
        return fail(error, u"the database holds no schema"_s);
    if (from > version())
        return fail(error,
                    u"the database is of version %1, newer than this program's %2"_s.arg(from).arg(
                        version()));
    if (from == version())
        return true;

    const Backend backend = connection.backend();
    const QStringList branches = branchCodesInDatabase(connection);
    QSqlQuery q(connection.database());
    for (const ViewDef& v : views()) {
        if (!exec(q, u"DROP VIEW IF EXISTS %1"_s.arg(v.name), error))
            return false;
    }
    // Parents come before children in tables(), so every reference of a rebuilt table finds its
    // target already in its final form.
    for (const TableDef& t : tables()) {
        if (!tableExists(connection, t.name)) {
            if (!exec(q, createTableSql(backend, t, t.name, branches), error))
                return false;
        } else {
            const QString fresh = t.name + u"_new"_s;
            if (!exec(q, createTableSql(backend, t, fresh, branches), error))
                return false;
            const QStringList oldColumns = columnNames(connection, t.name);
            const QStringList newColumns = columnNames(connection, fresh);
            QStringList common;
            for (const QString& old : oldColumns) {
                if (!newColumns.contains(old, Qt::CaseInsensitive))
                    return fail(error,
                                u"the upgrade has no place for column %1 of %2"_s.arg(old, t.name));
                common << old;
            }
            const QString list = common.join(u',');
            if (!exec(q, u"INSERT INTO %1 (%2) SELECT %2 FROM %3"_s.arg(fresh, list, t.name),
                      error))
                return false;
            if (!exec(q,
                      u"DROP TABLE %1%2"_s.arg(t.name, backend == Backend::Postgres ? u" CASCADE"_s
                                                                                    : QString()),
                      error))
                return false;
            if (!exec(q, u"ALTER TABLE %1 RENAME TO %2"_s.arg(fresh, t.name), error))
                return false;
            if (backend == Backend::Postgres) {
                // Keep the key's index name free for the next rebuild.
                if (!exec(q,
                          u"ALTER INDEX IF EXISTS %1_pkey RENAME TO %2_pkey"_s.arg(
                              fresh.toLower(), t.name.toLower()),
                          error))
                    return false;
                for (const ColumnDef& c : t.columns) {
                    if (c.type != ColType::Identity)
                        continue;
                    // Copied rows kept their numbers: the next one must follow them.
                    if (!exec(q,
                              u"SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                              "COALESCE((SELECT MAX(%2) FROM %1), 0) + 1, false)"_s.arg(
                                  t.name.toLower(), c.name.toLower()),
                              error))
                        return false;
                }
            }
        }
        for (const QString& sql : indexStatements(backend, t)) {
            if (!exec(q, sql, error))
                return false;
        }
    }
    for (const ViewDef& v : views()) {
        if (!exec(q, u"CREATE VIEW %1 AS\n%2"_s.arg(v.name, v.select), error))
            return false;
    }
    if (!exec(q, u"DELETE FROM SchemaInfo"_s, error) ||
        !exec(q, u"INSERT INTO SchemaInfo (Version) VALUES (%1)"_s.arg(version()), error))
        return false;
    if (backend == Backend::Sqlite) {
        if (!exec(q, u"PRAGMA foreign_key_check"_s, error))
            return false;
        if (q.next())
            return fail(error,
                        u"table %1 row %2 refers to a missing row of %3"_s.arg(
                            q.value(0).toString(), q.value(1).toString(), q.value(2).toString()));
    }
    return true;
}

} // namespace Schema
