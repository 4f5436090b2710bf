#include "app/TAccMrgFrm.h"

#include <utility>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "data/LogItems.h"
#include "data/Privileges.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSetModel.h"
#include "data/dataset/TDataSource.h"
#include "data/dataset/TField.h"
#include "widgets/Buttons.h"
#include "widgets/TDBEditNew.h"

using AccountRules::Box;

namespace {

QLineEdit* passwordEdit(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(10);
    e->setEchoMode(QLineEdit::Password);
    return e;
}

QString boxName(Box box)
{
    switch (box) {
    case Box::None:
        return QStringLiteral("None");
    case Box::Insert:
        return QStringLiteral("Insert");
    case Box::Update:
        return QStringLiteral("Update");
    case Box::ChangeNumber:
        return QStringLiteral("ChangeNo");
    case Box::Delete:
        return QStringLiteral("Delete");
    }
    return {};
}

QString boxText(Box box)
{
    switch (box) {
    case Box::None:
        return QStringLiteral("無");
    case Box::Insert:
        return QStringLiteral("新增");
    case Box::Update:
        return QStringLiteral("更新");
    case Box::ChangeNumber:
        return QStringLiteral("更新編號");
    case Box::Delete:
        return QStringLiteral("刪除");
    }
    return {};
}

} // namespace

TAccMrgFrm::TAccMrgFrm(TMainDM& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("AccMrgFrm"));
    setWindowTitle(QStringLiteral("帳號管理作業"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("Pages"));
    buildPasswordPage();
    buildAccountPage();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    FormCreate();
}

TAccMrgFrm::~TAccMrgFrm() = default;

bool TAccMrgFrm::isManagerUser() const
{
    return m_dm.PrivAt(Privileges::Manager) == QLatin1Char('1');
}

bool TAccMrgFrm::isBranchManager() const
{
    return isManagerUser() && m_dm.LoginArea() != Privileges::HeadOffice;
}

void TAccMrgFrm::buildPasswordPage()
{
    m_passwordPage = new QWidget(m_pages);
    m_passwordPage->setObjectName(QStringLiteral("PasswordPage"));
    m_loginCode = new QLabel(m_passwordPage);
    m_loginCode->setObjectName(QStringLiteral("LoginCodeLabel"));
    m_newPass = passwordEdit(QStringLiteral("NewPassEdit"), m_passwordPage);
    m_confirmPass = passwordEdit(QStringLiteral("ConfirmPassEdit"), m_passwordPage);
    auto* ok = Widgets::button(QStringLiteral("確認"), QStringLiteral("PassOkBtn"), m_passwordPage);
    auto* cancel =
        Widgets::button(QStringLiteral("取消"), QStringLiteral("PassCancelBtn"), m_passwordPage);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("使用者代號"), m_loginCode);
    form->addRow(QStringLiteral("新密碼"), m_newPass);
    form->addRow(QStringLiteral("確認密碼"), m_confirmPass);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(m_passwordPage);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addStretch();
    m_pages->addTab(m_passwordPage, QStringLiteral("修改密碼"));

    connect(ok, &QPushButton::clicked, this, &TAccMrgFrm::PassOkBtnClick);
    connect(cancel, &QPushButton::clicked, this, &TAccMrgFrm::PassCancelBtnClick);
}

void TAccMrgFrm::buildAccountPage()
{
    m_accountPage = new QWidget(m_pages);
    m_accountPage->setObjectName(QStringLiteral("AccountPage"));
    TDataSet& users = m_dm.UserDS;
    m_source = new TDataSource(&users, this);
    // Accounts change only through 新增 and 修改, so every save passes the checks.
    m_source->setAutoEdit(false);

    m_code = new TDBEditNew(m_source, QStringLiteral("UsCode"), m_accountPage);
    m_code->setObjectName(QStringLiteral("UsCodeEdit"));
    m_name = new TDBEditNew(m_source, QStringLiteral("UsName"), m_accountPage);
    m_name->setObjectName(QStringLiteral("UsNameEdit"));
    m_area = new TDBEditNew(m_source, QStringLiteral("SArea"), m_accountPage);
    m_area->setObjectName(QStringLiteral("SAreaEdit"));
    m_area->setCharCase(TDBEditNew::CharCase::Upper);
    m_password = passwordEdit(QStringLiteral("PasswordEdit"), m_accountPage);
    m_confirm = passwordEdit(QStringLiteral("ConfirmEdit"), m_accountPage);

    m_model = new TDataSetModel(&users, this);
    m_model->setColumns({QStringLiteral("UsCode"), QStringLiteral("UsName")},
                        {QStringLiteral("代號"), QStringLiteral("姓名")});
    m_grid = new QTableView(m_accountPage);
    m_grid->setObjectName(QStringLiteral("UserGrid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    m_kindBox = new QGroupBox(QStringLiteral("人員種類"), m_accountPage);
    m_kindBox->setObjectName(QStringLiteral("KindGroup"));
    m_staff = new QRadioButton(QStringLiteral("一般人員"), m_kindBox);
    m_staff->setObjectName(QStringLiteral("KindStaff"));
    m_manager = new QRadioButton(QStringLiteral("管理人員"), m_kindBox);
    m_manager->setObjectName(QStringLiteral("KindManager"));
    auto* kindLayout = new QHBoxLayout(m_kindBox);
    kindLayout->addWidget(m_staff);
    kindLayout->addWidget(m_manager);

    auto* groupsLayout = new QGridLayout;
    int cell = 0;
    for (const AccountRules::Group& g : AccountRules::groups()) {
        GroupControls controls;
        controls.box = new QGroupBox(g.title, m_accountPage);
        controls.box->setObjectName(QStringLiteral("PrivGroup%1").arg(g.position));
        auto* boxLayout = new QVBoxLayout(controls.box);
        QList<Box> boxes = {Box::None, Box::Insert, Box::Update};
        if (g.master)
            boxes << Box::ChangeNumber;
        boxes << Box::Delete;
        for (Box b : boxes) {
            auto* check = new QCheckBox(boxText(b), controls.box);
            check->setObjectName(QStringLiteral("Priv%1_%2").arg(g.position).arg(boxName(b)));
            boxLayout->addWidget(check);
            controls.checks.insert(b, check);
            connect(check, &QCheckBox::toggled, this,
                    [this, position = g.position, b](bool on) { BoxToggled(position, b, on); });
        }
        groupsLayout->addWidget(controls.box, cell / 7, cell % 7);
        ++cell;
        m_groups.insert(g.position, controls);
    }

    m_branchQuery = new QCheckBox(QStringLiteral("查詢分公司單據"), m_accountPage);
    m_branchQuery->setObjectName(QStringLiteral("BranchQueryBox"));
    connect(m_branchQuery, &QCheckBox::toggled, this, &TAccMrgFrm::BranchQueryToggled);
    m_stockBox = new QGroupBox(QStringLiteral("庫存"), m_accountPage);
    m_stockBox->setObjectName(QStringLiteral("StockGroup"));
    m_stock = new QButtonGroup(this);
    auto* stockLayout = new QHBoxLayout(m_stockBox);
    const QStringList stockTexts = {QStringLiteral("不可查詢"), QStringLiteral("有無庫存"),
                                    QStringLiteral("詳細數字")};
    for (int i = 0; i < stockTexts.size(); ++i) {
        auto* r = new QRadioButton(stockTexts.at(i), m_stockBox);
        r->setObjectName(QStringLiteral("Stock%1").arg(i));
        m_stock->addButton(r, i);
        stockLayout->addWidget(r);
    }

    for (const char* name : {"FirstBtn", "PriorBtn", "NextBtn", "LastBtn"}) {
        const QString n = QLatin1String(name);
        m_navigator << Widgets::button(n == QLatin1String("FirstBtn")   ? QStringLiteral("|<")
                                       : n == QLatin1String("PriorBtn") ? QStringLiteral("<")
                                       : n == QLatin1String("NextBtn")  ? QStringLiteral(">")
                                                                        : QStringLiteral(">|"),
                                       n, m_accountPage);
    }
    connect(m_navigator[0], &QPushButton::clicked, this, [&users] { users.first(); });
    connect(m_navigator[1], &QPushButton::clicked, this, [&users] { users.prior(); });
    connect(m_navigator[2], &QPushButton::clicked, this, [&users] { users.next(); });
    connect(m_navigator[3], &QPushButton::clicked, this, [&users] { users.last(); });
    m_insert = Widgets::button(QStringLiteral("新增"), QStringLiteral("InsertBtn"), m_accountPage);
    m_edit = Widgets::button(QStringLiteral("修改"), QStringLiteral("EditBtn"), m_accountPage);
    m_delete = Widgets::button(QStringLiteral("刪除"), QStringLiteral("DeleteBtn"), m_accountPage);
    m_save = Widgets::button(QStringLiteral("存檔"), QStringLiteral("SaveBtn"), m_accountPage);
    m_cancel = Widgets::button(QStringLiteral("取消"), QStringLiteral("CancelBtn"), m_accountPage);
    connect(m_insert, &QPushButton::clicked, this, &TAccMrgFrm::InsertBtnClick);
    connect(m_edit, &QPushButton::clicked, this, &TAccMrgFrm::EditBtnClick);
    connect(m_delete, &QPushButton::clicked, this, &TAccMrgFrm::DeleteBtnClick);
    connect(m_save, &QPushButton::clicked, this, &TAccMrgFrm::SaveBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &TAccMrgFrm::CancelBtnClick);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("使用者代號"), m_code);
    fields->addRow(QStringLiteral("密碼"), m_password);
    fields->addRow(QStringLiteral("確認密碼"), m_confirm);
    fields->addRow(QStringLiteral("使用者姓名"), m_name);
    fields->addRow(QStringLiteral("公司編號"), m_area);
    auto* top = new QHBoxLayout;
    top->addLayout(fields);
    top->addWidget(m_grid);
    auto* switches = new QHBoxLayout;
    switches->addWidget(m_kindBox);
    switches->addWidget(m_branchQuery);
    switches->addWidget(m_stockBox);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : m_navigator)
        buttons->addWidget(b);
    buttons->addStretch();
    for (QPushButton* b : {m_insert, m_edit, m_delete, m_save, m_cancel})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(m_accountPage);
    layout->addLayout(top);
    layout->addLayout(switches);
    layout->addLayout(groupsLayout);
    layout->addLayout(buttons);
    m_pages->addTab(m_accountPage, QStringLiteral("帳號管理"));

    // The kind of staff writes position 0; the click rule does not run while an account is shown.
    connect(m_manager, &QRadioButton::toggled, this, [this] { updateControls(); });

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [&users](const QModelIndex& current) {
                if (current.isValid() && current.row() != users.recNo())
                    users.moveTo(current.row());
            });
    connect(&users, &TDataSet::currentChanged, this, [this](int row) {
        if (row >= 0 && m_grid->currentIndex().row() != row)
            m_grid->setCurrentIndex(m_model->index(row, 0));
        ShowPriv();
    });
    connect(&users, &TDataSet::rowsReset, this, &TAccMrgFrm::ShowPriv);
    // A new row's starting string arrives after the row itself.
    connect(&users, &TDataSet::fieldChanged, this, [this](TField* field) {
        if (field && field->name().compare(QLatin1String("UsPriv"), Qt::CaseInsensitive) == 0)
            ShowPriv();
    });
    connect(&users, &TDataSet::stateChanged, this, [this](TDataSet::State state) {
        // A new row shows its starting string; a finished save or cancel the stored one.
        if (state != TDataSet::State::Edit)
            ShowPriv();
        if (state == TDataSet::State::Browse) {
            m_password->clear();
            m_confirm->clear();
        }
        updateControls();
    });
}

void TAccMrgFrm::FormCreate()
{
    m_dm.LogItem = LogItems::Accounts;
    TDataSet& users = m_dm.UserDS;
    if (isManagerUser()) {
        users.close();
        if (isBranchManager()) {
            users.setSql(QStringLiteral("Select * from UserPass where SArea = :SArea"));
            users.setParam(QStringLiteral("SArea"), m_dm.LoginArea());
            // Branches have no shipping agents, no branch query and no rights on rates.
            m_groups[4].box->setVisible(false);
            m_groups[Privileges::ExchangeRates].box->setVisible(false);
            m_branchQuery->setVisible(false);
            m_area->setReadOnly(true);
        } else {
            users.setSql(QStringLiteral("Select * from UserPass "));
        }
        users.open();
    } else {
        m_pages->setTabVisible(m_pages->indexOf(m_accountPage), false);
    }
    m_pages->setCurrentWidget(m_passwordPage);
    ShowPriv();
    updateControls();
}

void TAccMrgFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TAccMrgFrm::FormActivate()
{
    m_loginCode->setText(m_dm.LoginCode());
}

void TAccMrgFrm::PassOkBtnClick()
{
    QString password = m_newPass->text();
    QString confirm = m_confirmPass->text();
    const auto outcome = AccountRules::ChangePassword(m_dm, password, confirm);
    m_newPass->setText(password);
    m_confirmPass->setText(confirm);
    if (outcome == AccountRules::PasswordOutcome::Mismatch) {
        m_confirmPass->setFocus();
    } else if (outcome == AccountRules::PasswordOutcome::Changed) {
        m_newPass->clear();
        m_confirmPass->clear();
    }
}

void TAccMrgFrm::PassCancelBtnClick()
{
    if (!isManagerUser()) {
        reject();
        return;
    }
    m_newPass->clear();
    m_confirmPass->clear();
}

void TAccMrgFrm::ShowPriv()
{
    TDataSet& users = m_dm.UserDS;
    const QString priv = users.isActive() && users.recNo() >= 0
                             ? users.fieldByName(QStringLiteral("UsPriv")).asString()
                             : QString(Privileges::Length, QLatin1Char('0'));
    const AccountRules::PrivForm form = AccountRules::PrivForm::fromString(priv);
    m_loading = true;
    (form.manager ? m_manager : m_staff)->setChecked(true);
    for (auto it = m_groups.cbegin(); it != m_groups.cend(); ++it) {
        const AccountRules::GroupBoxes boxes = form.groups.value(it.key());
        for (auto c = it->checks.cbegin(); c != it->checks.cend(); ++c)
            c.value()->setChecked(boxes.checked(c.key()));
    }
    m_branchQuery->setChecked(form.branchQuery);
    if (QAbstractButton* stock = m_stock->button(form.stock))
        stock->setChecked(true);
    m_loading = false;
    updateControls();
}

void TAccMrgFrm::BoxToggled(int position, Box box, bool checked)
{
    if (m_loading)
        return;
    const GroupControls& controls = m_groups[position];
    if (box == Box::None) {
        if (checked) {
            m_loading = true;
            for (QCheckBox* c : controls.checks) {
                if (c != controls.checks.value(Box::None))
                    c->setChecked(false);
            }
            m_loading = false;
        }
        updateControls();
        return;
    }
    if (checked &&
        AccountRules::isRefused(m_area->text().trimmed(), m_manager->isChecked(), position, box)) {
        m_loading = true;
        controls.checks.value(box)->setChecked(false);
        m_loading = false;
        TDialogs::warning(AccountRules::BranchStaffRefused);
    }
}

void TAccMrgFrm::BranchQueryToggled(bool checked)
{
    if (m_loading || !checked)
        return;
    if (AccountRules::isRefused(m_area->text().trimmed(), m_manager->isChecked(),
                                Privileges::BranchQuery, Box::Insert)) {
        m_loading = true;
        m_branchQuery->setChecked(false);
        m_loading = false;
        TDialogs::warning(AccountRules::BranchStaffRefused);
    }
}

AccountRules::PrivForm TAccMrgFrm::formFromControls() const
{
    AccountRules::PrivForm form;
    form.manager = m_manager->isChecked();
    for (auto it = m_groups.cbegin(); it != m_groups.cend(); ++it) {
        AccountRules::GroupBoxes boxes;
        for (auto c = it->checks.cbegin(); c != it->checks.cend(); ++c)
            boxes.setChecked(c.key(), c.value()->isChecked());
        form.groups.insert(it.key(), boxes);
    }
    form.branchQuery = m_branchQuery->isChecked();
    form.stock = qMax(0, m_stock->checkedId());
    return form;
}

void TAccMrgFrm::InsertBtnClick()
{
    m_password->clear();
    m_confirm->clear();
    if (m_dm.UserDS.append())
        m_code->setFocus();
}

void TAccMrgFrm::EditBtnClick()
{
    // Stored passwords are hashes: both fields start empty, and left empty they keep it.
    m_password->clear();
    m_confirm->clear();
    if (m_dm.UserDS.edit())
        m_name->setFocus();
}

void TAccMrgFrm::DeleteBtnClick()
{
    TDataSet& users = m_dm.UserDS;
    if (users.isActive() && !users.isEmpty() && !users.isEditing())
        users.remove();
}

void TAccMrgFrm::SaveBtnClick()
{
    TDataSet& users = m_dm.UserDS;
    if (!users.isEditing())
        return;
    // Text still being typed reaches the fields before the checks read them.
    for (TDBEditNew* e : {m_code, m_name, m_area}) {
        if (!e->commit()) {
            e->setFocus();
            return;
        }
    }
    const auto focus =
        AccountRules::SaveAccount(m_dm, m_password->text(), m_confirm->text(), formFromControls());
    switch (focus) {
    case AccountRules::SaveField::Code:
        m_code->setFocus();
        break;
    case AccountRules::SaveField::Confirm:
        m_confirm->setFocus();
        break;
    case AccountRules::SaveField::Name:
        m_name->setFocus();
        break;
    case AccountRules::SaveField::None:
        break;
    }
}

void TAccMrgFrm::CancelBtnClick()
{
    m_dm.UserDS.cancel();
    m_password->clear();
    m_confirm->clear();
}

void TAccMrgFrm::updateControls()
{
    const TDataSet& users = m_dm.UserDS;
    const bool editing = users.isEditing();
    const bool active = users.isActive();
    m_kindBox->setEnabled(editing);
    m_branchQuery->setEnabled(editing);
    m_stockBox->setEnabled(editing);
    for (const GroupControls& g : std::as_const(m_groups)) {
        const bool none = g.checks.value(Box::None)->isChecked();
        for (auto c = g.checks.cbegin(); c != g.checks.cend(); ++c)
            c.value()->setEnabled(editing && (c.key() == Box::None || !none));
    }
    m_password->setReadOnly(!editing);
    m_confirm->setReadOnly(!editing);
    // Moving to another account while editing would save without the checks.
    m_grid->setEnabled(!editing);
    for (QPushButton* b : m_navigator)
        b->setEnabled(active && !editing);
    m_insert->setEnabled(active && !editing);
    m_edit->setEnabled(active && !editing && users.recNo() >= 0);
    m_delete->setEnabled(active && !editing && users.recNo() >= 0);
    m_save->setEnabled(editing);
    m_cancel->setEnabled(editing);
}

void TAccMrgFrm::done(int result)
{
    TDataSet& users = m_dm.UserDS;
    if (users.isEditing())
        users.cancel();
    users.close();
    QDialog::done(result);
}
