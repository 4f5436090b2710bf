#include "data/TMainDM.h"

#include "data/DbConfig.h"
#include "data/Schema.h"
#include "data/TDialogs.h"

const QString TMainDM::BaseCaption = QStringLiteral("禾嶼圖書出版社庫存系統");

TMainDM::TMainDM(QObject* parent) : QObject(parent)
{
    MainADOCon.configure(DbConfig::resolve(DbConfig::BuiltInDefault, DbConfig::BuiltInDatabase));
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
