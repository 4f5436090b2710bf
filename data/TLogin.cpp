#include "data/TLogin.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "data/PasswordHash.h"
#include "data/TDialogs.h"

namespace {

const char* const AccountListSql =
    "Select UserPass.*,Vendor.VName,Vendor.VAddress,Vendor.VTel,Vendor.VFax,Vendor.VEMail "
    "from UserPass inner join Vendor on (UserPass.SArea=Vendor.VNo)";

QString textOf(const QSqlQuery& q, const char* column)
{
    // PostgreSQL folds unquoted names to lower case.
    const QSqlRecord rec = q.record();
    for (int i = 0; i < rec.count(); ++i) {
        if (rec.fieldName(i).compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
            return q.value(i).toString();
    }
    return {};
}

} // namespace

bool TLogin::LoadAccounts()
{
    m_accounts.clear();
    m_loaded = false;
    if (!m_dm.MainADOCon.open()) {
        m_loadError = m_dm.MainADOCon.lastErrorText();
        return false;
    }
    QSqlQuery q(m_dm.MainADOCon.database());
    q.setForwardOnly(true);
    if (!q.exec(QString::fromLatin1(AccountListSql))) {
        m_loadError = q.lastError().text();
        return false;
    }
    while (q.next()) {
        UserAccount a;
        a.code = textOf(q, "UsCode");
        a.name = textOf(q, "UsName");
        a.password = textOf(q, "UsPass");
        a.hash = textOf(q, "UsHash");
        a.area = textOf(q, "SArea").trimmed();
        a.priv = textOf(q, "UsPriv");
        a.areaName = textOf(q, "VName");
        a.areaAddress = textOf(q, "VAddress");
        a.areaTel = textOf(q, "VTel");
        a.areaFax = textOf(q, "VFax");
        a.areaEMail = textOf(q, "VEMail");
        m_accounts << a;
    }
    m_loaded = true;
    return true;
}

const UserAccount* TLogin::find(const QString& code) const
{
    for (const UserAccount& a : m_accounts) {
        if (a.code.compare(code, Qt::CaseInsensitive) == 0)
            return &a;
    }
    return nullptr;
}

TLogin::Outcome TLogin::Attempt(QString& code, QString& password)
{
    code = code.trimmed();
    password = password.trimmed();
    if (code.isEmpty()) {
        TDialogs::information(QStringLiteral("請輸入使用者代號"));
        return Outcome::EmptyCode;
    }
    if (m_counter >= 4) {
        TDialogs::errorAbort(QStringLiteral("錯誤超過三次，系統結束"));
        return Outcome::TooManyAttempts;
    }
    if (!m_loaded) {
        TDialogs::error(m_loadError);
        return Outcome::NoAccountList;
    }
    const UserAccount* account = find(code);
    if (!account) {
        TDialogs::error(QStringLiteral("使用者代碼錯誤"));
        ++m_counter;
        return Outcome::UnknownCode;
    }
    const bool hashed = !account->hash.isEmpty();
    const bool match = hashed ? PasswordHash::verify(password, account->hash)
                              : account->password == password;
    if (!match) {
        TDialogs::error(QStringLiteral("密碼錯誤"));
        ++m_counter;
        return Outcome::WrongPassword;
    }
    if (!hashed)
        upgradeLegacyPassword(*account, password);
    m_dm.SetLogin(*account);
    return Outcome::Success;
}

void TLogin::upgradeLegacyPassword(const UserAccount& account, const QString& password)
{
    // A failed upgrade does not refuse a correct login; the row stays legacy and is retried at
    // the next one.
    QSqlQuery q(m_dm.MainADOCon.database());
    q.prepare(QStringLiteral("UPDATE UserPass SET UsHash = :hash, UsPass = '' WHERE UsCode = :code"));
    q.bindValue(QStringLiteral(":hash"), PasswordHash::make(password));
    q.bindValue(QStringLiteral(":code"), account.code);
    q.exec();
}
