#pragma once

#include <QList>
#include <QString>

#include "data/TMainDM.h"

/**
 * @brief The rules of the login window: the account list held in memory, the attempt counter and
 * the checks of one attempt, with their messages.
 */
class TLogin
{
public:
    enum class Outcome { EmptyCode, NoAccountList, TooManyAttempts, UnknownCode, WrongPassword, Success };

    explicit TLogin(TMainDM& dm) : m_dm(dm) {}

    /// Reads the account list; the first statement of the run, which opens the connection.
    /// On failure the provider's error text is kept in loadError().
    bool LoadAccounts();
    void CloseAccounts() { m_accounts.clear(); m_loaded = false; }
    QString loadError() const { return m_loadError; }

    /// One press of OK. The code and the password are trimmed in place; messages are shown here.
    /// On success the login state of TMainDM is filled.
    Outcome Attempt(QString& code, QString& password);
    int counter() const { return m_counter; }

private:
    const UserAccount* find(const QString& code) const;
    void upgradeLegacyPassword(const UserAccount& account, const QString& password);

    TMainDM& m_dm;
    QList<UserAccount> m_accounts;
    bool m_loaded = false;
    QString m_loadError;
    int m_counter = 1;
};
