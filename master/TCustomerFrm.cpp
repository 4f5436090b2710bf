#include "master/TCustomerFrm.h"

#include <optional>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QVBoxLayout>

#include "data/LogItems.h"
#include "data/Privileges.h"
#include "data/SearchCondition.h"
#include "data/SqlDialect.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "data/procedures/CustomerDetail.h"
#include "master/TCustPntFrm.h"
#include "master/TDBCheckBox.h"
#include "master/TSouGrid.h"
#include "reports/TReportDM.h"
#include "widgets/TDBEditNew.h"
#include "widgets/TDBEnglishDate.h"

namespace {

constexpr int CustomerModule = 1;
constexpr int SubjectModule = 5;

/// The condition of the last subject search of the customer window, for 全部轉入; kept while the
/// program runs.
std::optional<SearchCondition>& lastSubjectCondition()
{
    static std::optional<SearchCondition> condition;
    return condition;
}

/// A condition's ":wN" placeholders as "?" with their values in order of appearance.
QString positional(const SearchCondition& condition, QVariantList* values)
{
    QString sql = condition.where();
    static const QRegularExpression placeholder(QStringLiteral(":(w\\d+)\\b"));
    const QVariantMap bound = condition.values();
    QString out;
    qsizetype from = 0;
    for (auto it = placeholder.globalMatch(sql); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += sql.mid(from, m.capturedStart() - from) + QLatin1Char('?');
        *values << bound.value(m.captured(1));
        from = m.capturedEnd();
    }
    return out + sql.mid(from);
}

const QStringList DiscountFields = {QStringLiteral("DiscA"), QStringLiteral("DiscB"),
                                    QStringLiteral("DiscC"), QStringLiteral("DiscD"),
                                    QStringLiteral("DiscE"), QStringLiteral("DiscF")};

} // namespace

TBasicSouFrm::Settings TCustomerFrm::customerSettings(const TWindowContext& context)
{
    Settings s;
    s.caption = QStringLiteral("客戶基本資料");
    s.master = &context.mainDM.CustomerDS;
    s.module = CustomerModule;
    s.keyField = QStringLiteral("CustNo");
    s.keyCaption = QStringLiteral("客戶編號");
    s.nameField = QStringLiteral("CustName");
    s.searchFields = {
        {QStringLiteral("查詢客戶編號"), QStringLiteral("CustNo"), QStringLiteral("FCustNoEdit")},
        {QStringLiteral("客戶名稱"), QStringLiteral("CustName"), QStringLiteral("FCustNameEdit")},
        {QStringLiteral("連絡人"), QStringLiteral("Contact"), QStringLiteral("FContactEdit")},
        {QStringLiteral("VIP編號"), QStringLiteral("VIPNo"), QStringLiteral("FVIPNoEdit")}};
    s.searchTable = QStringLiteral("Customer");
    s.selectPrefix = QStringLiteral("Select * from Customer where ");
    s.history = &Procedures::CustomerDetail;
    s.historyButtons = {1, 2, 5};
    s.basicCaption = QStringLiteral("客戶基本資料");
    s.logItem = LogItems::Customers;
    return s;
}

TCustomerFrm::TCustomerFrm(const TWindowContext& context, QWidget* parent)
    : TBasicSouFrm(context, customerSettings(context), parent),
      CustClsNoDS(context.mainDM.MainADOCon, QStringLiteral("CustClsNoDS"))
{
    setObjectName(QStringLiteral("CustomerFrm"));
    CustClsNoDS.setSql(
        QStringLiteral("select CustClsNo.CustNo,CustClsNo.ClsNo, Clases.ClsENm,ClsCNm\r\n"
                       "from CustClsNo inner join Clases on (CustClsNo.ClsNo=Clases.ClsNo)\r\n"
                       "where CustClsNo.CustNo=:CustNo"));
    CustClsNoDS.setTable(QStringLiteral("CustClsNo"));
    CustClsNoDS.setMaster(&master());

    buildFields();
    PageControl1()->insertTab(1, buildSubjectPage(), QStringLiteral("挑選科別"));

    listGrid()->setColumns(
        {QStringLiteral("CustNo"), QStringLiteral("CustName"), QStringLiteral("Contact"),
         QStringLiteral("VIPNo"), QStringLiteral("CTel"), QStringLiteral("CFax"),
         QStringLiteral("CAddress"), QStringLiteral("Uniform_id"), QStringLiteral("CEmail")},
        {QStringLiteral("編號"), QStringLiteral("名稱"), QStringLiteral("連絡人"),
         QStringLiteral("VIP編號"), QStringLiteral("電話"), QStringLiteral("傳真"),
         QStringLiteral("地址"), QStringLiteral("統一編號"), QStringLiteral("電子郵件")});
    auto* listPrint = new QPushButton(QStringLiteral("清單列印"), this);
    listPrint->setObjectName(QStringLiteral("BPntBitBtn"));
    auto* allLabels = new QPushButton(QStringLiteral("列印全部名條"), this);
    allLabels->setObjectName(QStringLiteral("BCBitBtn"));
    connect(listPrint, &QPushButton::clicked, this, &TCustomerFrm::BPntBitBtnClick);
    connect(allLabels, &QPushButton::clicked, this, &TCustomerFrm::BCBitBtnClick);
    listButtons()->insertWidget(1, listPrint);
    listButtons()->insertWidget(2, allLabels);

    TMainDM& dm = mainDM();
    const bool headOffice = dm.LoginArea() == Privileges::HeadOffice;
    if (!headOffice) {
        m_editors.value(QStringLiteral("Remark"))->setVisible(false);
        findChild<QLabel*>(QStringLiteral("RemarkEditLabel"))->setVisible(false);
        deleteButton()->setVisible(false);
    }
    if (dm.IsDataSetReadOnly(QStringLiteral("VendorDS")))
        m_toVendorBtn->setVisible(false);
    const bool customersWritable = !dm.IsDataSetReadOnly(QStringLiteral("CustomerDS"));
    for (QPushButton* b : std::as_const(m_subjectButtons))
        b->setVisible(customersWritable);
    if (!master().isActive()) {
        master().setSql(QStringLiteral("Select * from Customer where 0=1"));
        master().open();
    }
    if (dm.PrivAt(SubjectModule) == QLatin1Char('N'))
        m_subjectFindBtn->setVisible(false);
    CustClsNoDS.open();

    connect(DBEditNew1(), &TDBEditNew::entered, this, &TCustomerFrm::DBEditNew1Enter);
    MasterDSouStateChange(master().state());
}

TCustomerFrm::~TCustomerFrm() = default;

void TCustomerFrm::buildFields()
{
    QWidget* page = basicPage();
    const auto edit = [&](const QString& field) {
        auto* e = new TDBEditNew(&masterSource(), field, page);
        e->setObjectName(field + QStringLiteral("Edit"));
        m_editors.insert(field, e);
        return e;
    };
    m_editors.insert(QStringLiteral("CustNo"), DBEditNew1());
    addField(0, 1, QStringLiteral("VIP編號"), edit(QStringLiteral("VIPNo")));
    TDBEditNew* area = edit(QStringLiteral("SArea"));
    area->setReadOnly(true);
    addField(0, 2, QStringLiteral("區域"), area);
    addField(1, 0, QStringLiteral("客戶名稱"), edit(QStringLiteral("CustName")), 2);
    auto* lock =
        new TDBCheckBox(&masterSource(), QStringLiteral("CLock"), QStringLiteral("鎖定"), page);
    lock->setObjectName(QStringLiteral("CLockCheck"));
    m_editors.insert(QStringLiteral("CLock"), lock);
    fieldsLayout()->addWidget(lock, 1, 5);
    addField(2, 0, QStringLiteral("連 絡 人"), edit(QStringLiteral("Contact")));
    auto* birthday = new TDBEnglishDate(&masterSource(), QStringLiteral("MDate"), page);
    birthday->setObjectName(QStringLiteral("MDateEdit"));
    m_editors.insert(QStringLiteral("MDate"), birthday);
    addField(2, 1, QStringLiteral("生日"), birthday);
    addField(3, 0, QStringLiteral("地 址"), edit(QStringLiteral("CAddress")), 3);
    addField(4, 0, QStringLiteral("電 話"), edit(QStringLiteral("CTel")));
    addField(4, 1, QStringLiteral("傳真"), edit(QStringLiteral("CFax")));
    for (int i = 0; i < DiscountFields.size(); ++i)
        addField(5 + i / 3, i % 3, QString(QChar(u'A' + i)) + QStringLiteral("類折扣"),
                 edit(DiscountFields.at(i)));
    addField(7, 0, QStringLiteral("統一編號"), edit(QStringLiteral("Uniform_id")));
    TDBEditNew* changed = edit(QStringLiteral("WDate"));
    changed->setReadOnly(true);
    addField(7, 1, QStringLiteral("異動日期"), changed);
    addField(8, 0, QStringLiteral("電子郵件"), edit(QStringLiteral("CEMail")), 2);
    addField(9, 0, QStringLiteral("備 註"), edit(QStringLiteral("Remark")), 3);

    m_toVendorBtn = new QPushButton(QStringLiteral("轉供應商"), page);
    m_toVendorBtn->setObjectName(QStringLiteral("BitBtn1"));
    m_labelBtn = new QPushButton(QStringLiteral("列印名條"), page);
    m_labelBtn->setObjectName(QStringLiteral("BitBtn2"));
    connect(m_toVendorBtn, &QPushButton::clicked, this, &TCustomerFrm::BitBtn1Click);
    connect(m_labelBtn, &QPushButton::clicked, this, &TCustomerFrm::BitBtn2Click);
    basicButtons()->insertWidget(basicButtons()->count() - 1, m_toVendorBtn);
    basicButtons()->insertWidget(basicButtons()->count() - 1, m_labelBtn);
}

QWidget* TCustomerFrm::buildSubjectPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("ClsTabSheet"));
    auto* column = new QVBoxLayout(page);

    auto* who = new QHBoxLayout();
    auto* no = new TDBEditNew(&masterSource(), QStringLiteral("CustNo"), page);
    no->setObjectName(QStringLiteral("ClsCustNoEdit"));
    no->setReadOnly(true);
    auto* name = new TDBEditNew(&masterSource(), QStringLiteral("CustName"), page);
    name->setObjectName(QStringLiteral("ClsCustNameEdit"));
    name->setReadOnly(true);
    auto* all =
        new TDBCheckBox(&masterSource(), QStringLiteral("AllClsNo"), QStringLiteral("全部"), page);
    all->setObjectName(QStringLiteral("AllClsNoCheck"));
    who->addWidget(no);
    who->addWidget(name, 1);
    who->addWidget(all);
    column->addLayout(who);

    auto* search = new QHBoxLayout();
    search->addWidget(new QLabel(QStringLiteral("科目檔"), page));
    search->addWidget(new QLabel(QStringLiteral("查詢科目編號"), page));
    m_subjectFind = new QLineEdit(page);
    m_subjectFind->setObjectName(QStringLiteral("FClsNoEdit"));
    connect(m_subjectFind, &QLineEdit::returnPressed, this, &TCustomerFrm::BitBtn3Click);
    search->addWidget(m_subjectFind);
    m_subjectFindBtn = new QPushButton(QStringLiteral("查詢"), page);
    m_subjectFindBtn->setObjectName(QStringLiteral("BitBtn3"));
    connect(m_subjectFindBtn, &QPushButton::clicked, this, &TCustomerFrm::BitBtn3Click);
    search->addWidget(m_subjectFindBtn);
    search->addStretch(1);
    column->addLayout(search);

    const QStringList cols = {QStringLiteral("ClsNo"), QStringLiteral("ClsENm"),
                              QStringLiteral("ClsCNm")};
    const QStringList titles = {QStringLiteral("編號"), QStringLiteral("英文名稱"),
                                QStringLiteral("中文名稱")};
    m_clasesGrid = new TSouGrid(&mainDM().ClasesDS, QStringLiteral("DBGrid4"), page);
    m_clasesGrid->setColumns(cols, titles);
    connect(m_clasesGrid, &TSouGrid::titleClicked, this,
            [this](int c) { DBGrid1TitleClick(m_clasesGrid, c); });
    column->addWidget(m_clasesGrid, 1);

    auto* buttons = new QHBoxLayout();
    const struct
    {
        const char* name;
        const char* caption;
        SubjectAction action;
    } speed[] = {{"AllInsSBtn", "全部轉入", SubjectAction::AddAll},
                 {"SelInsSBtn", "選擇資料轉入", SubjectAction::AddSelected},
                 {"SelDelSBtn", "選擇資料刪除", SubjectAction::DeleteSelected},
                 {"AllDelSBtn", "全部刪除", SubjectAction::DeleteAll}};
    for (const auto& s : speed) {
        auto* b = new QPushButton(QString::fromUtf8(s.caption), page);
        b->setObjectName(QLatin1String(s.name));
        connect(b, &QPushButton::clicked, this,
                [this, action = s.action] { AllInsSBtnClick(action); });
        buttons->addWidget(b);
        m_subjectButtons << b;
    }
    buttons->addStretch(1);
    column->addLayout(buttons);

    auto* chosen = new QHBoxLayout();
    chosen->addWidget(new QLabel(QStringLiteral("客戶已挑選的科目檔"), page));
    auto* refresh = new QPushButton(QStringLiteral("重新整理"), page);
    refresh->setObjectName(QStringLiteral("BitBtn4"));
    connect(refresh, &QPushButton::clicked, this, &TCustomerFrm::BitBtn4Click);
    chosen->addWidget(refresh);
    chosen->addStretch(1);
    column->addLayout(chosen);
    m_custClsGrid = new TSouGrid(&CustClsNoDS, QStringLiteral("DBGrid5"), page);
    m_custClsGrid->setColumns(cols, titles);
    connect(m_custClsGrid, &TSouGrid::titleClicked, this,
            [this](int c) { DBGrid1TitleClick(m_custClsGrid, c); });
    column->addWidget(m_custClsGrid, 1);
    return page;
}

void TCustomerFrm::FormClose()
{
    CustClsNoDS.close();
    TBasicSouFrm::FormClose();
}

void TCustomerFrm::MasterDSouStateChange(TDataSet::State state)
{
    TBasicSouFrm::MasterDSouStateChange(state);
    const bool browsing = state == TDataSet::State::Browse;
    m_toVendorBtn->setEnabled(browsing);
    m_labelBtn->setEnabled(browsing);
    // A branch may not change an existing customer's number, name or discounts.
    const bool branchEdit =
        state == TDataSet::State::Edit && mainDM().LoginArea() != Privileges::HeadOffice;
    for (const QString& f :
         QStringList{QStringLiteral("CustNo"), QStringLiteral("CustName")} + DiscountFields) {
        if (auto* e = qobject_cast<TDBEditNew*>(m_editors.value(f)))
            e->setReadOnly(branchEdit);
    }
    // Without the right to change numbers the key of an existing customer stays as it is.
    if (state == TDataSet::State::Edit &&
        !Privileges::canChangeNumber(mainDM().PrivAt(CustomerModule)))
        DBEditNew1()->setReadOnly(true);
}

void TCustomerFrm::DBEditNew1Enter()
{
    if (master().state() != TDataSet::State::Edit)
        return;
    if (Privileges::canChangeNumber(mainDM().PrivAt(CustomerModule)))
        return;
    TDialogs::warning(QStringLiteral("無權修改客戶編號"));
    m_editors.value(QStringLiteral("VIPNo"))->setFocus();
}

bool TCustomerFrm::DataSetPost1Execute()
{
    TDataSet& ds = master();
    if (!ds.isEditing())
        return false;
    bool accepted = true;
    emit ds.aboutToPost(&accepted);
    if (!accepted)
        return false;
    for (const auto& [field, message] :
         {std::pair{QStringLiteral("CustNo"), QStringLiteral("請輸入客戶編號")},
          std::pair{QStringLiteral("CustName"), QStringLiteral("請輸入客戶名稱")}}) {
        TField& f = ds.fieldByName(field);
        const QString trimmed = f.asString().trimmed();
        if (trimmed != f.asString())
            f.setValue(trimmed);
        if (trimmed.isEmpty()) {
            TDialogs::warning(message);
            m_editors.value(field)->setFocus();
            return false;
        }
    }
    return TBasicSouFrm::DataSetPost1Execute();
}

// --- copy to the supplier table ------------------------------------------------------------------

void TCustomerFrm::BitBtn1Click()
{
    if (currentKey().isEmpty() || master().isEditing())
        return;
    if (!TDialogs::confirm(QStringLiteral("確定轉至供應商檔嗎？")))
        return;
    TMainDM& dm = mainDM();
    Connection& con = dm.MainADOCon;
    const QVariant custNo = master().fieldByName(QStringLiteral("CustNo")).value();
    const QString failed = QStringLiteral("轉檔失敗，請檢查資料...");

    QSqlQuery existing(con.database());
    existing.prepare(QStringLiteral("Select VNo,VName,Contact from Vendor where VNo=?"));
    existing.bindValue(0, custNo);
    if (!existing.exec()) {
        TDialogs::error(failed);
        return;
    }
    const bool found = existing.next();
    if (found) {
        QString text = QStringLiteral("供應商資料已存在\n");
        for (int i = 0; i < 3; ++i)
            text += existing.value(i).toString() + QLatin1Char('\n');
        existing.finish();
        if (!TDialogs::confirm(text + QStringLiteral("確定轉入嗎？")))
            return;
    }
    existing.finish();

    // The copy and its change-log record are committed together.
    TransactionGuard tx(con);
    if (!tx.begin()) {
        TDialogs::error(failed);
        return;
    }
    QSqlQuery customer(con.database());
    customer.prepare(
        QStringLiteral("Select CustName,Contact,CFax,CTel,CAddress,CEmail,MDate,Remark "
                       "from Customer where CustNo=?"));
    customer.bindValue(0, custNo);
    if (!customer.exec() || !customer.next()) {
        TDialogs::error(failed);
        return;
    }
    QVariantList values;
    for (int i = 0; i < 8; ++i)
        values << customer.value(i);
    customer.finish();
    const QVariant today =
        SqlDialect::dateTimeValue(con.backend(), QDate::currentDate().startOfDay());
    bool ok = false;
    if (found) {
        ok = mainDM().ExecCommand(
            QStringLiteral(
                "Update Vendor set VName=?,Contact=?,VFax=?,VTel=?,VAddress=?,VEmail=?,MDate=?,"
                "Remark=?,WDate=? where VNo=?"),
            values + QVariantList{today, custNo});
    } else {
        ok = mainDM().ExecCommand(QStringLiteral("Insert into Vendor "
                                 "(VName,Contact,VFax,VTel,VAddress,VEmail,MDate,Remark,WDate,VNo,"
                                 "MKind,Alliance,DiscA,DiscB,DiscC,DiscD,DiscE,DiscF) "
                                 "values (?,?,?,?,?,?,?,?,?,?,0,0,1,1,1,1,1,1)"),
                  values + QVariantList{today, custNo});
    }
    if (!ok) {
        TDialogs::error(failed);
        return;
    }
    dm.LogItem = LogItems::Customers;
    dm.LogKind = QStringLiteral("轉檔");
    dm.LogRemark = custNo.toString() + QStringLiteral("/轉入供應商檔");
    if (!dm.WriteLog() || !tx.commit()) {
        TDialogs::error(failed);
        return;
    }
    TDialogs::information(QStringLiteral("轉檔完成"));
}

// --- printing ----------------------------------------------------------------------------------

void TCustomerFrm::BitBtn2Click()
{
    if (currentKey().isEmpty())
        return;
    TCustPntFrm dialog(reportDM(), master(), this);
    dialog.exec();
}

void TCustomerFrm::BPntBitBtnClick()
{
    if (currentKey().isEmpty() || !reportDM())
        return;
    reportDM()->PrintMasterList(master(), progress(), 0);
}

void TCustomerFrm::BCBitBtnClick()
{
    if (!master().isActive() || master().isEmpty() || !reportDM())
        return;
    reportDM()->PrintCustomerLabels(master(), progress(), 1, 2);
}

// --- subjects ------------------------------------------------------------------------------------

void TCustomerFrm::BitBtn3Click()
{
    TMainDM& dm = mainDM();
    if (dm.PrivAt(SubjectModule) == QLatin1Char('N')) {
        TDialogs::warning(QStringLiteral("無權查詢科目資料"));
        return;
    }
    SearchCondition condition(dm.MainADOCon.backend(), QStringLiteral("Clases"));
    if (!condition.addText(QStringLiteral("ClsNo"), m_subjectFind->text())) {
        TDialogs::warning(QStringLiteral("請輸入查詢條件"));
        return;
    }
    dm.ClasesDS.close();
    condition.applyTo(dm.ClasesDS, QStringLiteral("Select * from Clases where "));
    if (!dm.ClasesDS.open()) {
        TDialogs::error(QStringLiteral("無法查詢，請檢查網路"));
        return;
    }
    lastSubjectCondition() = condition;
}

void TCustomerFrm::BitBtn4Click()
{
    if (CustClsNoDS.isActive())
        CustClsNoDS.requery();
    else
        CustClsNoDS.open();
}

bool TCustomerFrm::subjectPrecondition()
{
    TDataSet& ds = master();
    if (!ds.isActive() || ds.recNo() < 0)
        return false;
    if (!ds.isEditing()) {
        TDialogs::warning(QStringLiteral("請選擇新增或修改狀態"));
        return false;
    }
    // Subject rows need the customer on file: a new customer is saved first and edited on.
    if (ds.state() == TDataSet::State::Insert) {
        if (!DataSetPost1Execute())
            return false;
        if (!ds.edit())
            return false;
    }
    return !currentKey().isEmpty();
}

void TCustomerFrm::AllInsSBtnClick(SubjectAction action)
{
    if (!subjectPrecondition())
        return;
    const QVariant custNo = master().fieldByName(QStringLiteral("CustNo")).value();
    if (action == SubjectAction::DeleteAll || action == SubjectAction::DeleteSelected) {
        bool ok = true;
        if (action == SubjectAction::DeleteAll) {
            ok = mainDM().ExecCommand(QStringLiteral("Delete from CustClsNo where CustNo=?"), {custNo});
            if (ok)
                CustClsNoDS.requery();
        } else if (CustClsNoDS.isActive() && !CustClsNoDS.isEmpty()) {
            ok = CustClsNoDS.remove();
        }
        if (!ok)
            TDialogs::error(QStringLiteral("無法刪除科別資料"));
        return;
    }

    TDataSet& clases = mainDM().ClasesDS;
    if (!clases.isActive() || clases.isEmpty() || !lastSubjectCondition()) {
        TDialogs::error(QStringLiteral("請查詢欲轉入的科別資料"));
        return;
    }
    const QString duplicate = QStringLiteral("無法選入科別資料，請檢查是否重複選擇");
    if (action == SubjectAction::AddAll) {
        QVariantList values{custNo};
        const QString where = positional(*lastSubjectCondition(), &values);
        if (!mainDM().ExecCommand(QStringLiteral(
                      "Insert into CustClsNo (CustNo,ClsNo) Select ?,ClsNo from Clases where ") +
                      where,
                  values)) {
            TDialogs::error(duplicate);
            return;
        }
        CustClsNoDS.requery();
        return;
    }
    const QVariant clsNo = clases.fieldByName(QStringLiteral("ClsNo")).value();
    bool ok = CustClsNoDS.isActive() && CustClsNoDS.append();
    ok = ok && CustClsNoDS.fieldByName(QStringLiteral("CustNo")).setValue(custNo);
    ok = ok && CustClsNoDS.fieldByName(QStringLiteral("ClsNo")).setValue(clsNo);
    ok = ok && CustClsNoDS.post();
    if (!ok) {
        if (CustClsNoDS.isEditing())
            CustClsNoDS.cancel();
        TDialogs::error(duplicate);
        return;
    }
    // The joined subject names come with a re-read.
    CustClsNoDS.requery();
}
