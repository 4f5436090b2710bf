#pragma once

#include <QObject>
#include <QString>

#include "data/Connection.h"
#include "data/Privileges.h"

/// One row of the account list read at login: the account and its branch's letterhead fields.
struct UserAccount
{
    QString code;
    QString name;
    QString password; ///< legacy plain text, empty once the hash is set
    QString hash;
    QString area;
    QString priv;
    QString areaName;
    QString areaAddress;
    QString areaTel;
    QString areaFax;
    QString areaEMail;
};

/**
 * @brief The main data module: the one connection, the login state, the working fields shared by
 * the windows, and the shared datasets with their rules.
 */
class TMainDM : public QObject
{
    Q_OBJECT
public:
    explicit TMainDM(QObject* parent = nullptr);

    /// Configures `MainADOCon` from the DBSet.INI file; nothing is opened. A missing or unreadable
    /// file is reported in an error box and leaves the built-in default in force.
    bool ConfigureConnection(const QString& iniPath = QStringLiteral("DBSet.INI"));

    Connection MainADOCon;

    // Login state, written once by a successful login.
    void SetLogin(const UserAccount& account);
    bool IsLoggedIn() const { return m_loggedIn; }
    const QString& LoginCode() const { return m_loginCode; }
    const QString& LoginName() const { return m_loginName; }
    const QString& LoginArea() const { return m_loginArea; }
    const QString& LoginPriv() const { return m_loginPriv; }
    QChar PrivAt(int position) const { return Privileges::at(m_loginPriv, position); }
    const QString& AreaName() const { return m_areaName; }
    const QString& AreaAddress() const { return m_areaAddress; }
    const QString& AreaTel() const { return m_areaTel; }
    const QString& AreaFax() const { return m_areaFax; }
    const QString& AreaEMail() const { return m_areaEMail; }
    const QString& BookCols() const { return m_bookCols; }
    /// The main window's caption for the logged-in branch.
    QString MainCaption() const;

    /// The privilege effects of the login: menu items to hide or disable, datasets read-only.
    const Privileges::Effects& PrivilegeEffects() const { return m_effects; }
    bool IsDataSetReadOnly(const QString& dataSetName) const;

    static QString BookColsFor(const QString& area);
    static const QString BaseCaption;

    // Working fields set by the windows.
    short PrivIndex = 0;
    int DocKind = 0;
    QString LogItem;
    QString LogKind;
    QString LogRemark;

signals:
    void loggedIn();

private:
    /// Reads the string as stored: a position it lacks grants nothing.
    void ApplyPrivileges(const QString& storedPriv);
    void LoadAreaInfo(const UserAccount& account);

    bool m_loggedIn = false;
    QString m_loginCode;
    QString m_loginName;
    QString m_loginArea;
    QString m_loginPriv;
    QString m_areaName;
    QString m_areaAddress;
    QString m_areaTel;
    QString m_areaFax;
    QString m_areaEMail;
    QString m_bookCols;
    Privileges::Effects m_effects;
};
