#include "data/AccountRules.h"

#include <QSqlQuery>

#include "data/LogItems.h"
#include "data/PasswordHash.h"
#include "data/Privileges.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"

namespace AccountRules {

const QString NewAccountPriv = QStringLiteral("0000N00000000000");
const QString BranchStaffRefused = QStringLiteral("分公司人員不可有此權限");
const QString PasswordsDiffer = QStringLiteral("新密碼與確認密碼不同，請重新輸入");

const QList<Group>& groups()
{
    static const QList<Group> list = {
        {1, QStringLiteral("客戶基資"), true},   {2, QStringLiteral("書籍基資"), true},
        {3, QStringLiteral("供應商基資"), true}, {5, QStringLiteral("科目基資"), true},
        {4, QStringLiteral("船務商基資"), true}, {6, QStringLiteral("詢價單"), false},
        {7, QStringLiteral("估價單"), false},    {8, QStringLiteral("客戶訂單"), false},
        {13, QStringLiteral("採購單"), false},   {9, QStringLiteral("進貨單"), false},
        {10, QStringLiteral("出貨單"), false},   {11, QStringLiteral("庫存調整"), false},
        {15, QStringLiteral("匯率"), false},
    };
    return list;
}

bool GroupBoxes::checked(Box box) const
{
    switch (box) {
    case Box::None:
        return none;
    case Box::Insert:
        return insert;
    case Box::Update:
        return update;
    case Box::ChangeNumber:
        return changeNumber;
    case Box::Delete:
        return remove;
    }
    return false;
}

void GroupBoxes::setChecked(Box box, bool on)
{
    switch (box) {
    case Box::None:
        none = on;
        break;
    case Box::Insert:
        insert = on;
        break;
    case Box::Update:
        update = on;
        break;
    case Box::ChangeNumber:
        changeNumber = on;
        break;
    case Box::Delete:
        remove = on;
        break;
    }
}

GroupBoxes GroupBoxes::fromChar(QChar c)
{
    GroupBoxes b;
    bool ok = false;
    int n = QString(c).toInt(&ok, 16);
    if (c == QLatin1Char('N') || !ok) {
        // Anything that is not a digit grants nothing, as at login.
        b.none = true;
        return b;
    }
    if (n >= 8) {
        b.changeNumber = true;
        n -= 8;
    }
    b.insert = n % 2 == 1;
    b.update = n == 2 || n == 3 || n == 6 || n == 7;
    b.remove = n >= 4 && n <= 7;
    return b;
}

QChar GroupBoxes::toChar() const
{
    if (none)
        return QLatin1Char('N');
    const int n = (insert ? 1 : 0) + (update ? 2 : 0) + (remove ? 4 : 0) + (changeNumber ? 8 : 0);
    return QString::number(n, 16).toUpper().at(0);
}

PrivForm PrivForm::fromString(const QString& priv)
{
    const QString p = Privileges::normalized(priv);
    PrivForm f;
    f.manager = p.at(Privileges::Manager) == QLatin1Char('1');
    for (const Group& g : AccountRules::groups())
        f.groups.insert(g.position, GroupBoxes::fromChar(p.at(g.position)));
    f.branchQuery = p.at(Privileges::BranchQuery) == QLatin1Char('1');
    const int stock = p.at(Privileges::StockDisplay).digitValue();
    f.stock = stock >= StockNone && stock <= StockQuantities ? stock : StockNone;
    return f;
}

QString PrivForm::toString(const QString& area) const
{
    if (manager)
        return managerString(area, stock);
    QString p(Privileges::Length, QLatin1Char('0'));
    for (const Group& g : AccountRules::groups())
        p[g.position] = groups.value(g.position, GroupBoxes::fromChar(QLatin1Char('N'))).toChar();
    p[Privileges::BranchQuery] = branchQuery ? QLatin1Char('1') : QLatin1Char('0');
    p[Privileges::StockDisplay] = QChar(QLatin1Char('0').unicode() + stock);
    if (area != Privileges::HeadOffice) {
        // Branches have no shipping agents and no query of other branches' documents.
        p[4] = QLatin1Char('N');
        p[Privileges::BranchQuery] = QLatin1Char('0');
    }
    return p;
}

bool refusedForBranchStaff(int position, Box box)
{
    if (box == Box::None)
        return false;
    switch (position) {
    case 1:
        return box != Box::Insert;
    case 2:
        return box != Box::Update;
    case 3:
    case 4:
    case 5:
    case Privileges::BranchQuery:
        return true;
    case Privileges::ExchangeRates:
        return box != Box::ChangeNumber;
    default:
        return false;
    }
}

bool isRefused(const QString& area, bool manager, int position, Box box)
{
    return area != Privileges::HeadOffice && !manager && refusedForBranchStaff(position, box);
}

QString managerString(const QString& area, int stockItem)
{
    if (area == Privileges::HeadOffice)
        return QStringLiteral("1FFFFF7777771727");
    // The branch manager's stock display follows the item chosen: exact quantities only when
    // they were chosen. The item shown for either string picks that string again, so saving a
    // manager's account for another change leaves the rights as they were.
    return stockItem == StockQuantities ? QStringLiteral("1330N07777770720")
                                        : QStringLiteral("1320N07777770710");
}

namespace {

/// Stores a new password for an account: the hash, and no plain text left behind.
bool storePassword(TMainDM& dm, const QString& code, const QString& password)
{
    QSqlQuery q(dm.MainADOCon.database());
    q.prepare(QStringLiteral("Update UserPass set UsHash=?, UsPass='' where UsCode=?"));
    q.bindValue(0, PasswordHash::make(password));
    q.bindValue(1, code);
    // No row changed means the account is gone: the change did not happen.
    return q.exec() && q.numRowsAffected() == 1;
}

} // namespace

PasswordOutcome ChangePassword(TMainDM& dm, QString& password, QString& confirm)
{
    password = password.trimmed();
    confirm = confirm.trimmed();
    if (password != confirm) {
        TDialogs::warning(PasswordsDiffer);
        return PasswordOutcome::Mismatch;
    }
    TransactionGuard tx(dm.MainADOCon);
    bool ok = tx.begin() && storePassword(dm, dm.LoginCode(), password);
    if (ok) {
        dm.LogItem = LogItems::PasswordChange;
        dm.LogKind.clear();
        dm.LogRemark.clear();
        ok = dm.WriteLog() && tx.commit();
    }
    if (!ok) {
        tx.rollback();
        if (dm.MainADOCon.inTransaction())
            dm.MainADOCon.rollback();
        TDialogs::error(QStringLiteral("密碼更新失敗"));
        return PasswordOutcome::Failed;
    }
    return PasswordOutcome::Changed;
}

SaveField SaveAccount(TMainDM& dm, const QString& password, const QString& confirm,
                      const PrivForm& form, bool* saved)
{
    if (saved)
        *saved = false;
    TDataSet& ds = dm.UserDS;
    if (!ds.isEditing())
        return SaveField::None;
    TField& code = ds.fieldByName(QStringLiteral("UsCode"));
    const QString trimmedCode = code.asString().trimmed();
    if (trimmedCode != code.asString())
        code.setValue(trimmedCode);
    if (trimmedCode.isEmpty()) {
        TDialogs::warning(QStringLiteral("請輸入使用者代號"));
        return SaveField::Code;
    }
    // Passwords are compared as typed, as the password page trims only its own fields.
    if (password != confirm) {
        TDialogs::warning(PasswordsDiffer);
        return SaveField::Confirm;
    }
    TField& name = ds.fieldByName(QStringLiteral("UsName"));
    if (name.asString().trimmed().isEmpty()) {
        TDialogs::warning(QStringLiteral("請輸入使用者姓名"));
        return SaveField::Name;
    }
    TField& area = ds.fieldByName(QStringLiteral("SArea"));
    const QString trimmedArea = area.asString().trimmed();
    if (trimmedArea != area.asString())
        area.setValue(trimmedArea);

    ds.fieldByName(QStringLiteral("UsPriv")).setValue(form.toString(trimmedArea));
    // An edit with both fields left empty keeps the stored password; a new account always gets a
    // hash, of the empty password when none was typed.
    if (!password.isEmpty() || ds.state() == TDataSet::State::Insert) {
        ds.fieldByName(QStringLiteral("UsHash")).setValue(PasswordHash::make(password));
        ds.fieldByName(QStringLiteral("UsPass")).setValue(QString());
    }
    dm.LogRemark = trimmedCode + QStringLiteral("/") + name.asString();
    const bool ok = ds.post();
    if (saved)
        *saved = ok;
    return SaveField::None;
}

} // namespace AccountRules
