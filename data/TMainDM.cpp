#include "data/TMainDM.h"

#include <QSqlQuery>

#include "data/DbConfig.h"
#include "data/Schema.h"
#include "data/TDialogs.h"
#include "data/procedures/Procedures.h"

const QString TMainDM::BaseCaption = QStringLiteral("禾嶼圖書出版社庫存系統");
const QString TMainDM::LikeEscape = QStringLiteral(" ESCAPE '\\'");

namespace {

const QString Insert = QStringLiteral("新增");
const QString Update = QStringLiteral("更新");
const QString Delete = QStringLiteral("刪除");
const QString ConfirmDelete = QStringLiteral("確定刪除？");
const QString Duplicate = QStringLiteral("號碼重覆，請重新輸入");
const QString CounterDuplicate = QStringLiteral("此日期重覆，請查詢後再作業");
const QString SaveError = QStringLiteral("存檔錯誤--");
const QString CannotDelete = QStringLiteral("無法刪除此資料");
// A header whose stored state changed since it was read (another user completed it meanwhile).
const QString ChangedMeanwhile = QStringLiteral("資料已被其他使用者修改，請重新查詢後再作業");

/// Header table, detail table and kind of the seven header-and-lines documents.
struct DocumentDef
{
    const char* header;
    const char* detail;
    int kind;
};

} // namespace

TMainDM::TMainDM(QObject* parent, const QString& connectionName)
    : QObject(parent), m_connectionName(connectionName)
{
    MainADOCon.configure(DbConfig::resolve(DbConfig::BuiltInDefault, DbConfig::BuiltInDatabase));
    SetupQueries();
    ApplyDataSetAccess();
    AttachRules();
    AttachLineRules();
    AttachMasterRecordRules();
}

TDataSet& TMainDM::make(const QString& name)
{
    m_dataSets.push_back(std::make_unique<TDataSet>(MainADOCon, name));
    return *m_dataSets.back();
}

TDataSet* TMainDM::DataSetByName(const QString& name) const
{
    for (const auto& ds : m_dataSets) {
        if (ds->name().compare(name, Qt::CaseInsensitive) == 0)
            return ds.get();
    }
    return nullptr;
}

bool TMainDM::ConfigureConnection(const QString& iniPath)
{
    QString lineOne;
    QString lineTwo;
    QString error;
    if (!DbConfig::readIniFile(iniPath, &lineOne, &lineTwo, &error)) {
        TDialogs::error(error);
        return false;
    }
    MainADOCon.configure(DbConfig::resolve(DbConfig::FixedPrefix + lineOne, lineTwo));
    return true;
}

void TMainDM::SetLogin(const UserAccount& account)
{
    m_loginCode = account.code;
    m_loginName = account.name;
    m_loginArea = account.area.trimmed();
    m_loginPriv = Privileges::normalized(account.priv);
    m_loggedIn = true;
    ApplyPrivileges(account.priv);
    LoadAreaInfo(account);
    SetupQueries();
    ApplyDataSetAccess();
    emit loggedIn();
}

void TMainDM::ApplyPrivileges(const QString& storedPriv)
{
    m_effects = Privileges::effects(m_loginArea, storedPriv);
}

void TMainDM::LoadAreaInfo(const UserAccount& account)
{
    m_bookCols = BookColsFor(m_loginArea);
    m_areaName = account.areaName;
    m_areaAddress = account.areaAddress;
    m_areaTel = account.areaTel;
    m_areaFax = account.areaFax;
    m_areaEMail = account.areaEMail;
}

QString TMainDM::MainCaption() const
{
    return m_loggedIn ? BaseCaption + QStringLiteral("－") + m_areaName : BaseCaption;
}

bool TMainDM::IsDataSetReadOnly(const QString& dataSetName) const
{
    return m_effects.readOnlyDatasets.contains(dataSetName);
}

QString TMainDM::BookColsFor(const QString& area)
{
    // The branch code entered the account list from the database; it becomes part of column
    // names only when it is a plain code.
    const QString code = Schema::isValidBranchCode(area) ? area : QString();
    return QStringLiteral("Book.BookName,Book.Author,Book.ISBN,Book.BPublisher,Book.VNo,"
                          "Book.NTPrice,Book.BarCode,Book.FPrice,Book.ORI_CR as BOri,Book.PubYear,"
                          "Book.Edition,Book.Stock")
           + code + QStringLiteral(" as Stocks,Book.SStock") + code + QStringLiteral(" as SafeStock");
}

// --- datasets --------------------------------------------------------------------------------------

void TMainDM::SetupQueries()
{
    const QString area = m_loggedIn ? m_loginArea : Privileges::HeadOffice;
    const QString cols = m_loggedIn ? m_bookCols : BookColsFor(Privileges::HeadOffice);
    const QString code = Schema::isValidBranchCode(area) ? area : QString();
    const auto setup = [](TDataSet& ds, const QString& sql, const QString& table) {
        ds.close();
        ds.setSql(sql);
        ds.setTable(table);
    };

    const QList<std::pair<TDataSet*, const char*>> masters = {
        {&CustomerDS, "Customer"}, {&VendorDS, "Vendor"}, {&ForwarderDS, "Forwarder"}, {&ClasesDS, "Clases"}};
    for (const auto& [ds, table] : masters)
        setup(*ds, QStringLiteral("select * from %1\r\nwhere 0=1").arg(QLatin1String(table)), QLatin1String(table));
    setup(BookDS, QStringLiteral("select *\r\nfrom BOOK\r\nwhere 0=1"), QStringLiteral("Book"));
    // A book search may return a million rows: held in pages, listed by key.
    BookDS.setPageSize(500);
    setup(UserDS, QStringLiteral("Select * from UserPass\r\nwhere SArea = :SArea"), QStringLiteral("UserPass"));
    setup(RateDS, QStringLiteral("Select ExRate.* \r\nfrom ExRate\r\n"), QStringLiteral("ExRate"));

    const QList<std::tuple<TDataSet*, TDataSet*, TDataSet*, DocumentDef>> documents = {
        {&QuoteDS, &QuoteDDS, &QuoteTDS, {"Quote", "QuoteDetail", 1}},
        {&OrderDS, &OrderDDS, &OrderTDS, {"OrderM", "OrdDetail", 7}},
        {&BuyDS, &BuyDDS, &BuyTDS, {"BuyM", "BuyDetail", 2}},
        {&ImportDS, &ImportDDS, &ImportTDS, {"ImportM", "ImpDetail", 4}},
        {&ImpRetDS, &ImpRetDDS, &ImpRetTDS, {"ImpRet", "IRDetail", 6}},
        {&ExportDS, &ExportDDS, &ExportTDS, {"ExportM", "ExpDetail", 3}},
        {&ExpRetDS, &ExpRetDDS, &ExpRetTDS, {"ExpRet", "ERDetail", 5}},
    };
    for (const auto& [head, lines, totals, def] : documents) {
        const QString h = QLatin1String(def.header);
        const QString d = QLatin1String(def.detail);
        setup(*head,
              head == &QuoteDS ? QStringLiteral("select * from Quote\r\nwhere (EComplete=0) and (SArea=:SArea)")
                               : QStringLiteral("select %1.* from %1\r\nwhere (EComplete=0) and (SArea=:SArea)").arg(h),
              h);
        head->setRuleColumns({QStringLiteral("EComplete")});
        QString lineCols = cols;
        if (lines == &OrderDDS)
            lineCols += QStringLiteral(",Book.Loc%1 as Loc").arg(code);
        setup(*lines,
              QStringLiteral("Select %1.*, %2\r\nFROM %1 left OUTER JOIN Book on (%1.BookNo=Book.BookNo)\r\n"
                             "where %1.SArea=:SArea and %1.PNO=:PNO\r\norder by %1.ETime\r\n")
                  .arg(d, lineCols),
              d);
        lines->setMaster(head);
        QString total;
        if (totals == &QuoteTDS)
            total = QStringLiteral("select * from SumQuoteDetail\r\nwhere SArea=:SArea and PNo=:PNo");
        else if (totals == &ExportTDS)
            total = QStringLiteral("Select * from SumExpDetail\r\nwhere SArea=:SArea and PNO=:PNO");
        else
            total = QStringLiteral("Select SArea,PNo,SUM(qty) AS SumQty, SUM(Round(UnSum*rate,0)) AS SumPrice\r\n"
                                   "from %1\r\nwhere SArea=:SArea and PNO=:PNO\r\nGROUP BY SArea,PNo")
                        .arg(d);
        setup(*totals, total, QString());
        totals->setMaster(head);
    }

    setup(IWOffDS, QStringLiteral("select ImpWOff.* from  ImpWOff\r\nwhere (ImpWOff.EComplete=0) and (SArea=:SArea)"),
          QStringLiteral("ImpWOff"));
    setup(EWOffDS, QStringLiteral("select * \r\nfrom  ExpWOff\r\nwhere EComplete=0 and (SArea=:SArea)"),
          QStringLiteral("ExpWOff"));
    for (auto [head, lines, totals, d] :
         {std::tuple{&IWOffDS, &IWOffDDS, &IWOffTDS, "IWODetail"}, std::tuple{&EWOffDS, &EWOffDDS, &EWOffTDS, "EWODetail"}}) {
        head->setRuleColumns({QStringLiteral("EComplete")});
        setup(*lines,
              QStringLiteral("SELECT * \r\nFROM %1\r\nwhere SArea=:SArea and PNo=:PNo\r\norder by EDate").arg(QLatin1String(d)),
              QLatin1String(d));
        lines->setMaster(head);
        setup(*totals,
              QStringLiteral("SELECT SArea,PNo, SUM(SPay) AS SumSPay, SUM(SumPay) AS SumTPay, SUM(OffMoney) AS SumOff\r\n"
                             "FROM %1\r\nwhere SArea=:SArea and PNO=:PNO\r\nGROUP BY SArea,PNo\r\n")
                  .arg(QLatin1String(d)),
              QString());
        totals->setMaster(head);
    }

    setup(InquireMDS, QStringLiteral("select InquireM.* from  InquireM\r\nwhere  (InquireM.EComplete=0)\r\norder by PNo"),
          QStringLiteral("InquireM"));
    InquireMDS.setRuleColumns({QStringLiteral("EComplete")});
    setup(InquireDDS, QStringLiteral("select *\r\nfrom  InqDetail\r\nwhere PNO=:PNO"), QStringLiteral("InqDetail"));
    InquireDDS.setMaster(&InquireMDS);
    setup(SubInqMDS,
          QStringLiteral("select SubInquireM.* from  SubInquireM\r\nwhere (SubInquireM.EComplete=0) and (SArea=:SArea)\r\n"
                         "order by SArea,PNo"),
          QStringLiteral("SubInquireM"));
    SubInqMDS.setRuleColumns({QStringLiteral("EComplete")});
    setup(SubInqDDS, QStringLiteral("select *\r\nfrom  SubInqDetail\r\nwhere SArea=:SArea and PNO=:PNO"),
          QStringLiteral("SubInqDetail"));
    SubInqDDS.setMaster(&SubInqMDS);

    setup(CounterMDS, QStringLiteral("select * from CounterM\r\nwhere 0=1"), QStringLiteral("CounterM"));
    CounterMDS.setRuleColumns({QStringLiteral("EComplete")});
    const QString countLines = QStringLiteral("Select CountDetail.*, %1\r\nFROM CountDetail left OUTER JOIN Book on "
                                              "(CountDetail.BookNo=Book.BookNo)\r\n")
                                   .arg(cols);
    setup(CountDDS, countLines + QStringLiteral("where CountDetail.SArea=:SArea and CountDetail.PNO=:PNO\r\norder by CountDetail.ETime\r\n"),
          QStringLiteral("CountDetail"));
    CountDDS.setMaster(&CounterMDS);
    setup(CountTDS,
          QStringLiteral("Select SArea,PNo,SUM(qty) AS SumQty, SUM(Round(UnSum*rate,0)) AS SumPrice\r\n"
                         "from CountDetail\r\nwhere SArea=:SArea and PNO=:PNO\r\nGROUP BY SArea,PNo"),
          QString());
    CountTDS.setMaster(&CounterMDS);
    // The lines being entered are held here and sent as one batch: no table of their own.
    setup(CTempDS, countLines + QStringLiteral("where 0=1"), QString());

    setup(BRStockDS,
          QStringLiteral("select BRStock.*,UserPass.UsName\r\nfrom BRStock left outer join UserPass on "
                         "(BRStock.UsCode=UserPass.UsCode)\r\nwhere 0=1"),
          QStringLiteral("BRStock"));
    setup(CustDS,
          QStringLiteral("select CustNo, CustName,Contact, DiscA, DiscB, DiscC, DiscD,  DiscE,  DiscF, CAddress, CTel, "
                         "CFax, CLock, Uniform_id, CEMail, VIPNo\r\nfrom Customer\r\nwhere CustNo = :CustNo"),
          QString());
    setup(VenDS,
          QStringLiteral("select VNo, VName, Contact, VTel, DiscA, DiscB, DiscC, DiscD, DiscE, DiscF,  MKind, VAddress, "
                         "VFax\r\nfrom Vendor\r\nwhere VNo = :VNo"),
          QString());
    ChBookDS.close();
    setup(SubCompDS, QStringLiteral("Select VNo,VName\r\nfrom Vendor\r\nwhere Alliance=1\r\nOrder by VNo"), QString());
    ComDS.close();

    // Branch-scoped lists read the login's branch unless a window binds another.
    for (const auto& ds : m_dataSets) {
        if (!ds->master() && ds->paramNames().contains(QStringLiteral("SArea"), Qt::CaseInsensitive))
            ds->setParam(QStringLiteral("SArea"), area);
    }
}

void TMainDM::ApplyDataSetAccess()
{
    // Totals, partners, lookups and the general query never write; the rates only while their
    // window opens them for a user with rights.
    const QList<TDataSet*> alwaysReadOnly = {&QuoteTDS, &OrderTDS,  &BuyTDS,   &ImportTDS, &ImpRetTDS, &ExportTDS,
                                             &ExpRetTDS, &CountTDS, &IWOffTDS, &EWOffTDS,  &CustDS,    &VenDS,
                                             &ChBookDS,  &SubCompDS, &ComDS,   &RateDS};
    for (const auto& ds : m_dataSets)
        ds->setReadOnly(alwaysReadOnly.contains(ds.get()) || IsDataSetReadOnly(ds->name()));
}

void TMainDM::CloseSharedDataSets()
{
    ChBookDS.close();
    ComDS.close();
    RateDS.close();
}

int TMainDM::KindOf(const TDataSet& ds) const
{
    const QList<std::pair<const TDataSet*, int>> kinds = {
        {&QuoteDS, 1},  {&BuyDS, 2},     {&ExportDS, 3},   {&ImportDS, 4},     {&ExpRetDS, 5},
        {&ImpRetDS, 6}, {&OrderDS, 7},   {&IWOffDS, 8},    {&EWOffDS, 9},      {&InquireMDS, 11},
        {&CounterMDS, 12}};
    for (const auto& [d, kind] : kinds) {
        if (d == &ds)
            return kind;
    }
    // The branch inquiry is numbered by the kind its window set (10 at a branch, 11 at C0).
    return DocKind;
}

// --- shared operations -------------------------------------------------------------------------

bool TMainDM::WriteLog()
{
    const auto r = Procedures::InsLogRec(MainADOCon, m_loginArea, m_loginCode, m_loginName, LogItem, LogKind,
                                         LogRemark);
    return r.ok();
}

bool TMainDM::AssignPNo(TDataSet& ds)
{
    const auto r = Procedures::AutoPNo(MainADOCon, m_loginArea, KindOf(ds));
    if (!r.ok() || !ds.fieldByName(QStringLiteral("PNo")).setValue(r.pno)) {
        TDialogs::error(QStringLiteral("目前無法設定編號，請稍待再作業"));
        RollbackIfOpen();
        return false;
    }
    return true;
}

void TMainDM::UndoComplete(TDataSet& ds)
{
    if (!ds.isActive() || ds.recNo() < 0 || ds.fieldByName(QStringLiteral("PNo")).isNull()
        || !ds.fieldByName(QStringLiteral("EComplete")).asBoolean())
        return;
    if (!TDialogs::confirm(QStringLiteral("確定取消完成？")))
        return;
    if (!ds.edit())
        return;
    if (!ds.fieldByName(QStringLiteral("EComplete")).setValue(false)) {
        ds.cancel();
        return;
    }
    LogRemark = Columns(ds, 2) + QStringLiteral("/取消完成");
    m_keepRemark = true;
    ds.post();
    m_keepRemark = false;
}

bool TMainDM::WildToLike(QString& text)
{
    const bool leading = text.startsWith(QLatin1Char('*'));
    const bool trailing = text.size() > (leading ? 1 : 0) && text.endsWith(QLatin1Char('*'));
    if (!leading && !trailing)
        return false;
    QString core = text.mid(leading ? 1 : 0);
    if (trailing)
        core.chop(1);
    // What the user typed matches itself; only the converted stars are wild.
    core.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    text = (leading ? QStringLiteral("%") : QString()) + core + (trailing ? QStringLiteral("%") : QString());
    return true;
}

bool TMainDM::ExecCommand(const QString& sql, const QVariantList& values, QString* error)
{
    QSqlQuery q(MainADOCon.database());
    bool ok = q.prepare(sql);
    for (int i = 0; ok && i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    ok = ok && q.exec();
    if (!ok && error)
        *error = q.lastError().text();
    return ok;
}

bool TMainDM::CheckBook(const QString& op, const QString& text)
{
    const auto r = Procedures::CheckBook(MainADOCon, m_loginArea, op, text);
    if (!r.ok())
        return false;
    return ChBookDS.loadRows(r.rows.columns, r.rows.rows);
}

// --- rules ---------------------------------------------------------------------------------------

QString TMainDM::Columns(TDataSet& ds, int count, const QString& separator)
{
    QStringList parts;
    for (int i = 0; i < count && i < ds.fieldCount(); ++i)
        parts << ds.field(i).asString();
    return parts.join(separator);
}

void TMainDM::RollbackIfOpen()
{
    if (MainADOCon.inTransaction())
        MainADOCon.rollback();
}

void TMainDM::BeginSave()
{
    if (!MainADOCon.beginWrite()) {
        TDialogs::error(SaveError + MainADOCon.lastErrorText());
        TDataSet::abort();
    }
}

void TMainDM::LogAndCommit()
{
    if (!WriteLog()) {
        const QSqlError e = MainADOCon.database().lastError();
        RollbackIfOpen();
        TDialogs::error(SaveError + (e.nativeErrorCode().isEmpty() ? QStringLiteral("0") : e.nativeErrorCode()));
        TDataSet::abort();
    }
    if (!MainADOCon.commit()) {
        TDialogs::error(SaveError + MainADOCon.lastErrorText());
        TDataSet::abort();
    }
}

void TMainDM::DuplicateCheck(TDataSet& ds, const QString& duplicateText)
{
    const DbError e = DbError::from(ds.lastError());
    if (ds.isConflict())
        TDialogs::error(ChangedMeanwhile);
    else if (e.isDuplicate())
        TDialogs::error(duplicateText);
    else
        TDialogs::error(SaveError + (e.nativeCode.isEmpty() ? QStringLiteral("0") : e.nativeCode));
    RollbackIfOpen();
}

void TMainDM::PostStock(TDataSet& ds)
{
    if (CompleteChanged) {
        const int pno = int(ds.fieldByName(QStringLiteral("PNo")).asInteger());
        if (&ds == &ImportDS) {
            const auto r = Procedures::ImpUpdateBook(MainADOCon, m_loginArea, pno,
                                                     ds.fieldByName(QStringLiteral("EDate")).asDateTime());
            if (!r.ok()) {
                TDialogs::error(QStringLiteral("無法修改書籍檔的進貨日期"));
                RollbackIfOpen();
                TDataSet::abort();
            }
        }
        const int complete = ds.fieldByName(QStringLiteral("EComplete")).asBoolean() ? -1 : 0;
        const auto r = Procedures::UpdateStock(MainADOCon, complete, KindOf(ds), pno, m_loginArea);
        if (!r.ok()) {
            TDialogs::error(QStringLiteral("無法修改庫存"));
            RollbackIfOpen();
            TDataSet::abort();
        }
        LogRemark += QStringLiteral("/修改庫存");
    }
    LogAndCommit();
}

void TMainDM::DocumentDelete(TDataSet& ds)
{
    // In every case the dataset's own delete is abandoned: the row leaves the list only through
    // the server procedure and the re-read.
    if (ds.fieldByName(QStringLiteral("EComplete")).asBoolean())
        TDataSet::abort();
    if (!TDialogs::confirm(QStringLiteral("確定刪除") + LogItem + QStringLiteral("及相關資料？")))
        TDataSet::abort();
    LogRemark = Columns(ds, 2);
    const int pno = int(ds.fieldByName(QStringLiteral("PNo")).asInteger());
    // The delete and its log record are committed together, the log only after the delete.
    bool ok = MainADOCon.beginWrite();
    ok = ok && Procedures::MasterDelete(MainADOCon, m_loginArea, KindOf(ds), pno).ok();
    if (ok) {
        LogKind = Delete;
        ok = WriteLog() && MainADOCon.commit();
    }
    if (!ok) {
        RollbackIfOpen();
        TDialogs::error(CannotDelete);
    }
    ds.requery();
    TDataSet::abort();
}

void TMainDM::AttachRules()
{
    const auto refuse = [](TDataSet&) { TDataSet::abort(); };

    AttachCustomerRules();
    for (TDataSet* ds : {&VendorDS, &ForwarderDS, &BookDS, &UserDS})
        AttachMasterRules(*ds);
    AttachClasesRules();
    AttachRateRules();

    for (TDataSet* ds : {&QuoteDS, &OrderDS, &BuyDS, &SubInqMDS})
        AttachHeaderRules(*ds, true, false);
    for (TDataSet* ds : {&ImportDS, &ImpRetDS, &ExpRetDS, &ExportDS})
        AttachHeaderRules(*ds, true, true);
    // Charges left empty count as nothing, before anything else of the save.
    ExportDS.beforePost = [this, next = ExportDS.beforePost](TDataSet& ds) {
        for (const char* charge : {"FCharge", "Sundries"}) {
            TField& f = ds.fieldByName(QLatin1String(charge));
            if (f.isAttached() && f.isNull())
                f.setValue(0);
        }
        next(ds);
    };
    for (TDataSet* ds : {&InquireMDS, &IWOffDS, &EWOffDS}) {
        AttachHeaderRules(*ds, false, false);
        ds->beforeInsert = refuse;
    }
    AttachCounterRules();
    AttachBRStockRules();
    AttachFieldRules();

    const QList<std::pair<TDataSet*, const char*>> lines = {
        {&QuoteDDS, "QuoteDetail"}, {&OrderDDS, "OrdDetail"}, {&BuyDDS, "BuyDetail"}, {&ImportDDS, "ImpDetail"},
        {&ImpRetDDS, "IRDetail"},   {&ExportDDS, "ExpDetail"}, {&ExpRetDDS, "ERDetail"}};
    for (const auto& [ds, table] : lines)
        AttachDetailRules(*ds, QLatin1String(table));
    const auto confirm = [](TDataSet&) {
        if (!TDialogs::confirm(ConfirmDelete))
            TDataSet::abort();
    };
    for (TDataSet* ds : {&IWOffDDS, &EWOffDDS}) {
        ds->beforeInsert = refuse;
        ds->beforeDelete = confirm;
    }
    CTempDS.beforeDelete = confirm;
    CountDDS.beforeInsert = refuse;
    CountDDS.beforeDelete = [](TDataSet&) {
        TDialogs::error(QStringLiteral("已完成資料不可刪除"));
        TDataSet::abort();
    };
}

void TMainDM::AttachMasterRules(TDataSet& ds)
{
    ds.beforeInsert = [this](TDataSet&) { LogKind = Insert; };
    ds.beforeEdit = [this](TDataSet&) { LogKind = Update; };
    ds.beforePost = [this](TDataSet&) { BeginSave(); };
    ds.afterPost = [this](TDataSet&) { LogAndCommit(); };
    ds.onPostError = [this](TDataSet& d) { DuplicateCheck(d, Duplicate); };
    // The delete and its log record are committed together: a failing log takes the delete back.
    ds.beforeDelete = [this](TDataSet& d) {
        if (!TDialogs::confirm(ConfirmDelete))
            TDataSet::abort();
        LogRemark = Columns(d, 2);
        BeginSave();
    };
    ds.afterDelete = [this](TDataSet&) {
        LogKind = Delete;
        LogAndCommit();
    };
    ds.onDeleteError = [this](TDataSet&) {
        RollbackIfOpen();
        TDialogs::error(CannotDelete);
    };
}

void TMainDM::AttachCustomerRules()
{
    AttachMasterRules(CustomerDS);
    // The customer's subject links go with it, in the same transaction.
    CustomerDS.beforeDelete = [this](TDataSet& d) {
        if (!TDialogs::confirm(ConfirmDelete))
            TDataSet::abort();
        BeginSave();
        QSqlQuery q(MainADOCon.database());
        q.prepare(QStringLiteral("Delete from CustClsNo where CustNo=?"));
        q.bindValue(0, d.fieldByName(QStringLiteral("CustNo")).value());
        if (!q.exec()) {
            TDialogs::error(QStringLiteral("刪除所屬科別檔錯誤"));
            RollbackIfOpen();
            TDataSet::abort();
        }
        LogRemark = Columns(d, 2);
    };
}

void TMainDM::AttachClasesRules()
{
    AttachMasterRules(ClasesDS);
    const auto right = [this](int mask) {
        const int v = QString(PrivAt(5)).toInt(nullptr, 16);
        return PrivAt(5) != QLatin1Char('N') && (v & mask) != 0;
    };
    ClasesDS.beforeInsert = [this, right](TDataSet&) {
        if (!right(1))
            TDataSet::abort();
        LogKind = Insert;
    };
    ClasesDS.beforeEdit = [this, right](TDataSet&) {
        if (!right(2) && QString(PrivAt(5)).toInt(nullptr, 16) <= 7)
            TDataSet::abort();
        LogKind = Update;
    };
    ClasesDS.beforePost = [this](TDataSet& d) {
        TField& no = d.fieldByName(QStringLiteral("ClsNo"));
        if (no.asString().trimmed() != no.asString())
            no.setValue(no.asString().trimmed());
        if (no.asString().isEmpty()) {
            TDialogs::warning(QStringLiteral("請輸入科目編號"));
            TDataSet::abort();
        }
        LogRemark = no.asString() + QStringLiteral("/") + d.fieldByName(QStringLiteral("ClsCNm")).asString();
        if (d.state() == TDataSet::State::Edit && no.isChanged()) {
            if (!Privileges::canChangeNumber(PrivAt(5))) {
                TDialogs::warning(QStringLiteral("無權修改科目編號"));
                d.cancel();
                TDataSet::abort();
            }
            if (TDialogs::confirm(QStringLiteral("編號是否確定修改？")))
                LogRemark = QStringLiteral("編號") + no.oldValue().toString() + QStringLiteral("修改為") + no.asString();
            else
                no.setValue(no.oldValue());
        }
        BeginSave();
    };
    ClasesDS.beforeDelete = [this, right](TDataSet& d) {
        if (!right(4) || !TDialogs::confirm(ConfirmDelete))
            TDataSet::abort();
        LogRemark = Columns(d, 2);
        BeginSave();
    };
}

void TMainDM::AttachRateRules()
{
    AttachMasterRules(RateDS);
    const auto right = [this](int mask) {
        const QChar c = PrivAt(Privileges::ExchangeRates);
        return QStringLiteral("1234567").contains(c) && (QString(c).toInt() & mask) != 0;
    };
    RateDS.beforeInsert = [this, right](TDataSet&) {
        if (!right(1))
            TDataSet::abort();
        LogKind = Insert;
    };
    RateDS.beforeEdit = [this, right](TDataSet&) {
        if (!right(2))
            TDataSet::abort();
        LogKind = Update;
    };
    RateDS.beforePost = [this](TDataSet& d) {
        TField& cr = d.fieldByName(QStringLiteral("ORI_CR"));
        const QString code = cr.asString().trimmed().toUpper();
        if (code != cr.asString())
            cr.setValue(code);
        if (code.isEmpty()) {
            TDialogs::error(QStringLiteral("請輸入幣別"));
            TDataSet::abort();
        }
        BeginSave();
    };
    // A currency code is kept trimmed and in capitals from the moment it is typed, so blanks
    // around a three-letter code do not make it too long.
    RateDS.fieldByName(QStringLiteral("ORI_CR")).onValidate = [](TField&, QVariant& v) {
        if (!v.isNull())
            v = v.toString().trimmed().toUpper();
        return true;
    };
    // Every change is logged, a rate's delete too: the delete and its record commit together.
    RateDS.beforeDelete = [this, right](TDataSet& d) {
        if (!right(4) || !TDialogs::confirm(ConfirmDelete))
            TDataSet::abort();
        LogRemark = Columns(d, 2);
        BeginSave();
    };
    RateDS.afterDelete = [this](TDataSet&) {
        LogKind = Delete;
        LogAndCommit();
    };
    RateDS.onDeleteError = [this](TDataSet&) {
        RollbackIfOpen();
        TDialogs::error(CannotDelete);
    };
}

void TMainDM::AttachHeaderRules(TDataSet& ds, bool numbered, bool stock)
{
    ds.beforeInsert = [this](TDataSet&) { LogKind = Insert; };
    ds.beforeEdit = [this](TDataSet&) { LogKind = Update; };
    ds.onNewRecord = [this](TDataSet& d) {
        d.fieldByName(QStringLiteral("SArea")).setValue(m_loginArea);
        d.fieldByName(QStringLiteral("EComplete")).setValue(false);
    };
    ds.beforePost = [this, numbered, stock](TDataSet& d) {
        BeginSave();
        if (numbered) {
            if (d.state() == TDataSet::State::Insert && !AssignPNo(d))
                TDataSet::abort();
            if (!m_keepRemark)
                LogRemark = Columns(d, 3);
        }
        if (stock)
            CompleteChanged = d.state() == TDataSet::State::Insert || d.isFieldChanged(QStringLiteral("EComplete"));
    };
    if (stock)
        ds.afterPost = [this](TDataSet& d) { PostStock(d); };
    else
        ds.afterPost = [this](TDataSet&) { LogAndCommit(); };
    ds.beforeDelete = [this](TDataSet& d) { DocumentDelete(d); };
    ds.onPostError = [this](TDataSet& d) { DuplicateCheck(d, Duplicate); };
}

void TMainDM::AttachCounterRules()
{
    CounterMDS.beforeInsert = [this](TDataSet&) { LogKind = Insert; };
    CounterMDS.beforeEdit = [this](TDataSet&) { LogKind = Update; };
    CounterMDS.onNewRecord = [this](TDataSet& d) {
        d.fieldByName(QStringLiteral("SArea")).setValue(m_loginArea);
        d.fieldByName(QStringLiteral("EComplete")).setValue(false);
    };
    CounterMDS.beforePost = [this](TDataSet& d) {
        BeginSave();
        if (d.state() == TDataSet::State::Insert && !AssignPNo(d))
            TDataSet::abort();
        LogRemark = Columns(d, 3);
    };
    CounterMDS.afterPost = [this](TDataSet& d) {
        LogRemark = d.field(0).asString() + QStringLiteral("/Pno:") + d.field(1).asString() + QStringLiteral("/Date:")
                    + d.field(2).asString();
        LogAndCommit();
    };
    CounterMDS.onPostError = [this](TDataSet& d) {
        DuplicateCheck(d, CounterDuplicate);
        d.cancel();
    };
    CounterMDS.beforeDelete = [](TDataSet&) {
        TDialogs::error(QStringLiteral("已完成資料不可刪除"));
        TDataSet::abort();
    };
}

void TMainDM::AttachBRStockRules()
{
    BRStockDS.beforeInsert = [this](TDataSet&) { LogKind = Insert; };
    BRStockDS.beforeEdit = [this](TDataSet&) { LogKind = Update; };
    BRStockDS.beforePost = [this](TDataSet& d) {
        CompleteChanged = d.state() == TDataSet::State::Insert;
        BeginSave();
    };
    BRStockDS.afterPost = [this](TDataSet& d) {
        // Only a new adjustment moves stock; a later edit of its reason only logs.
        if (CompleteChanged) {
            const QString area = Schema::isValidBranchCode(m_loginArea) ? m_loginArea : QString();
            QSqlQuery q(MainADOCon.database());
            bool ok = !area.isEmpty()
                      && q.prepare(QStringLiteral("Update Book set Stock%1=Stock%1+(?) where BookNo=?").arg(area));
            if (ok) {
                q.bindValue(0, d.fieldByName(QStringLiteral("Qty")).asInteger());
                q.bindValue(1, d.fieldByName(QStringLiteral("BookNo")).value());
                ok = q.exec();
            }
            if (!ok) {
                TDialogs::error(QStringLiteral("無法修改庫存"));
                RollbackIfOpen();
                TDataSet::abort();
            }
            LogRemark += QStringLiteral("/調整庫存");
        }
        LogAndCommit();
    };
    BRStockDS.beforeDelete = [](TDataSet&) {
        TDialogs::error(QStringLiteral("已修改庫存資料不可刪除"));
        TDataSet::abort();
    };
}

void TMainDM::AttachDetailRules(TDataSet& ds, const QString& detailTable)
{
    ds.beforePost = [this](TDataSet& d) {
        LineBookChanged = d.state() == TDataSet::State::Insert || d.isFieldChanged(QStringLiteral("BookNo"));
        if (LineCheck)
            LineCheck(d);
    };
    // The server's PDNo and the joined book columns show once the saved line is read again.
    ds.afterPost = [this, detailTable, isOrder = &ds == &OrderDDS](TDataSet& d) {
        if (!LineBookChanged)
            return;
        QString cols = m_loggedIn ? m_bookCols : BookColsFor(Privileges::HeadOffice);
        if (isOrder) {
            const QString area = m_loggedIn ? m_loginArea : Privileges::HeadOffice;
            cols += QStringLiteral(",Book.Loc%1 as Loc").arg(Schema::isValidBranchCode(area) ? area : QString());
        }
        d.refreshRecord(QStringLiteral("select %1.*,%2 from %1 Left outer join Book on (%1.Bookno=Book.Bookno) "
                                       "where %1.PDNO=?")
                            .arg(detailTable, cols),
                        {d.fieldByName(QStringLiteral("PDNo")).value()});
    };
    ds.beforeDelete = [](TDataSet&) {
        if (!TDialogs::confirm(ConfirmDelete))
            TDataSet::abort();
    };
}

void TMainDM::AttachFieldRules()
{
    // Starting values of new master rows.
    const auto discountsOne = [](TDataSet& d) {
        for (const char c : QByteArrayLiteral("ABCDEF"))
            d.fieldByName(QStringLiteral("Disc") + QLatin1Char(c)).setValue(1);
    };
    CustomerDS.onNewRecord = [this, discountsOne](TDataSet& d) {
        discountsOne(d);
        d.fieldByName(QStringLiteral("CLock")).setValue(false);
        d.fieldByName(QStringLiteral("AllClsNo")).setValue(false);
        d.fieldByName(QStringLiteral("SArea")).setValue(m_loginArea);
    };
    VendorDS.onNewRecord = [discountsOne](TDataSet& d) {
        d.fieldByName(QStringLiteral("MKind")).setValue(false);
        discountsOne(d);
        d.fieldByName(QStringLiteral("Alliance")).setValue(false);
    };
    BookDS.onNewRecord = [](TDataSet& d) {
        d.fieldByName(QStringLiteral("KDiscount")).setValue(QStringLiteral("A"));
        d.fieldByName(QStringLiteral("NTPrice")).setValue(0);
        d.fieldByName(QStringLiteral("FPrice")).setValue(0);
        d.fieldByName(QStringLiteral("EKind")).setValue(false);
        d.fieldByName(QStringLiteral("ORI_CR")).setValue(QStringLiteral("NT"));
    };
    RateDS.onNewRecord = [](TDataSet& d) { d.fieldByName(QStringLiteral("rate")).setValue(1); };
    UserDS.onNewRecord = [this](TDataSet& d) {
        d.fieldByName(QStringLiteral("UsPriv")).setValue(QStringLiteral("0000N00000000000"));
        d.fieldByName(QStringLiteral("SArea")).setValue(m_loginArea);
    };
    BRStockDS.onNewRecord = [this](TDataSet& d) {
        d.fieldByName(QStringLiteral("SArea")).setValue(m_loginArea);
        d.fieldByName(QStringLiteral("EDate")).setValue(QDate::currentDate().startOfDay());
        d.fieldByName(QStringLiteral("UsCode")).setValue(m_loginCode);
        d.fieldByName(QStringLiteral("Qty")).setValue(0);
    };

    // Discount factors lie in (0, 1]; the field keeps its value otherwise.
    const TField::ValidateHook discount = [](TField&, QVariant& v) {
        if (v.isNull())
            return true;
        const double d = v.toDouble();
        if (d > 0 && d <= 1)
            return true;
        TDialogs::error(QStringLiteral("折扣應介於1~0.0001"));
        return false;
    };
    for (TDataSet* ds : {&CustomerDS, &VendorDS}) {
        for (const char c : QByteArrayLiteral("ABCDEF"))
            ds->fieldByName(QStringLiteral("Disc") + QLatin1Char(c)).onValidate = discount;
    }
    for (TDataSet* ds : {&QuoteDDS, &OrderDDS, &BuyDDS, &ImportDDS, &ImpRetDDS, &ExportDDS, &ExpRetDDS})
        ds->fieldByName(QStringLiteral("Disc")).onValidate = discount;

    // A loyalty-card number belongs to one customer; the search includes the row being edited.
    CustomerDS.fieldByName(QStringLiteral("VIPNo")).onValidate = [this](TField&, QVariant& v) {
        const QString text = v.toString().trimmed();
        v = v.isNull() ? QVariant() : QVariant(text);
        if (text.isEmpty())
            return true;
        QSqlQuery q(MainADOCon.database());
        q.prepare(QStringLiteral("Select VIPNo from Customer where VIPNo=?"));
        q.bindValue(0, text);
        if (q.exec() && q.next()) {
            TDialogs::error(QStringLiteral("此VIP號碼已存在"));
            return false;
        }
        return true;
    };
}
