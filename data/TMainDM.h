#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "data/Connection.h"
#include "data/Privileges.h"
#include "data/dataset/TDataSet.h"

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
 *
 * The rules sit on the datasets' events, so they hold whichever window edits: a save of a master
 * record or document header runs in one transaction with its change-log record, new documents are
 * numbered by `AutoPNo`, completing or reopening a stock document posts or takes back its stock,
 * documents are deleted through `MasterDelete`, and database errors become the program's messages.
 * Any failure after the transaction began rolls the whole save back and leaves the record unsaved
 * in the window.
 *
 * @code
 * dm.DocKind = 3; dm.LogItem = "出貨單";
 * dm.ExportDS.open();                         // :SArea is the login's branch
 * dm.ExportDS.edit();
 * dm.ExportDS.fieldByName("EComplete").setValue(true);
 * dm.ExportDS.post();                         // number, stock, log, commit -- or nothing at all
 * @endcode
 */
class TMainDM : public QObject
{
    Q_OBJECT
private:
    QString m_connectionName;

public:
    /// A second module on its own connection name plays another workstation in tests.
    explicit TMainDM(QObject* parent = nullptr, const QString& connectionName = QStringLiteral("MainADOCon"));

    /// Configures `MainADOCon` from the DBSet.INI file; nothing is opened. A missing or unreadable
    /// file is reported in an error box and leaves the built-in default in force.
    bool ConfigureConnection(const QString& iniPath = QStringLiteral("DBSet.INI"));

    Connection MainADOCon{m_connectionName};

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
    /// Set before a detail line is saved: the line is new or its BookNo changed.
    bool LineBookChanged = false;
    /// Set before a stock-document header is saved: new, or EComplete differs from the stored value.
    bool CompleteChanged = false;

    // --- shared operations ---------------------------------------------------------------------
    /// One change-log record of LogItem, LogKind and LogRemark for the logged-in user.
    bool WriteLog();
    /// Numbers the new header in `ds` through AutoPNo inside the running transaction; on failure
    /// shows the message, rolls back and returns false.
    bool AssignPNo(TDataSet& ds);
    /// Cancels the completion of the current header after the user confirms; saving runs the
    /// header's rules, so a stock document's stock is taken back.
    void UndoComplete(TDataSet& ds);
    /// A leading and a trailing "*" become "%"; true when either did. The rest of the text is then
    /// escaped for LIKE (`%`, `_`, `\` typed by the user match themselves): compare with
    /// "like ?" + LikeEscape, binding the text.
    static bool WildToLike(QString& text);
    static const QString LikeEscape;
    /// Runs a statement built at run time (the general command); values are bound in order.
    bool ExecCommand(const QString& sql, const QVariantList& values = {}, QString* error = nullptr);
    /// Fills ChBookDS through CheckBook; false when the call failed.
    bool CheckBook(const QString& op, const QString& text);
    /// Closes the lookup datasets the main window leaves open at shutdown.
    void CloseSharedDataSets();

    /// Every shared dataset, and one by name (null when unknown).
    const std::vector<std::unique_ptr<TDataSet>>& DataSets() const { return m_dataSets; }
    TDataSet* DataSetByName(const QString& name) const;
    /// The document kind whose rules a header dataset runs.
    int KindOf(const TDataSet& ds) const;

    /// Called before a detail line of kinds 1 to 7 is saved, after LineBookChanged is set (line
    /// pricing and checks); may abandon the save with TDataSet::abort().
    TDataSet::Hook LineCheck;

    // --- line entry and pricing (TMainDMLines.cpp), master-record rules (TMainDMMasters.cpp) ---
    /// Rounds to `decimals` places as the stored amounts always were: see TMainDMLines.cpp.
    static double RoundAmount(double value, int decimals);
    /// UnSum = Qty x Price x Disc, 0 decimals for "NT", 2 otherwise.
    static void CalcUnSum(TDataSet& line, const QString& currency);
    /// Prices the line from the book in ChBookDS: side 'C' (CustDS) or 'V' (VenDS).
    void ApplyBookPrice(TDataSet& line, QChar side, bool foreign, const QString& discountClass);
    /// Looks up a book number or bar code typed into a line and prices the line; false refuses.
    bool EnterBookText(TDataSet& line, const QString& op, const QString& text);
    /// Keeps CustDS (or VenDS) on the partner of the header's current row.
    void LinkPartner(TDataSet& header);
    /// The counter window's currency choice: true for "外幣".
    bool CounterForeign = false;
    /// Write-off computed values: a line's open amount, and what stays open after the write-off.
    static QVariant OffPay(const TDataSet& lines, int row);
    QVariant PayResult(TDataSet& header);

private:
    std::vector<std::unique_ptr<TDataSet>> m_dataSets;
    TDataSet& make(const QString& name);

public:
    // --- shared datasets, by the names the windows use -------------------------------------------
    TDataSet& CustomerDS = make(QStringLiteral("CustomerDS"));
    TDataSet& VendorDS = make(QStringLiteral("VendorDS"));
    TDataSet& ForwarderDS = make(QStringLiteral("ForwarderDS"));
    TDataSet& ClasesDS = make(QStringLiteral("ClasesDS"));
    TDataSet& BookDS = make(QStringLiteral("BookDS"));
    TDataSet& UserDS = make(QStringLiteral("UserDS"));
    TDataSet& RateDS = make(QStringLiteral("RateDS"));

    TDataSet& QuoteDS = make(QStringLiteral("QuoteDS"));
    TDataSet& OrderDS = make(QStringLiteral("OrderDS"));
    TDataSet& BuyDS = make(QStringLiteral("BuyDS"));
    TDataSet& ImportDS = make(QStringLiteral("ImportDS"));
    TDataSet& ImpRetDS = make(QStringLiteral("ImpRetDS"));
    TDataSet& ExportDS = make(QStringLiteral("ExportDS"));
    TDataSet& ExpRetDS = make(QStringLiteral("ExpRetDS"));

    TDataSet& QuoteDDS = make(QStringLiteral("QuoteDDS"));
    TDataSet& OrderDDS = make(QStringLiteral("OrderDDS"));
    TDataSet& BuyDDS = make(QStringLiteral("BuyDDS"));
    TDataSet& ImportDDS = make(QStringLiteral("ImportDDS"));
    TDataSet& ImpRetDDS = make(QStringLiteral("ImpRetDDS"));
    TDataSet& ExportDDS = make(QStringLiteral("ExportDDS"));
    TDataSet& ExpRetDDS = make(QStringLiteral("ExpRetDDS"));

    TDataSet& QuoteTDS = make(QStringLiteral("QuoteTDS"));
    TDataSet& OrderTDS = make(QStringLiteral("OrderTDS"));
    TDataSet& BuyTDS = make(QStringLiteral("BuyTDS"));
    TDataSet& ImportTDS = make(QStringLiteral("ImportTDS"));
    TDataSet& ImpRetTDS = make(QStringLiteral("ImpRetTDS"));
    TDataSet& ExportTDS = make(QStringLiteral("ExportTDS"));
    TDataSet& ExpRetTDS = make(QStringLiteral("ExpRetTDS"));
    TDataSet& CountTDS = make(QStringLiteral("CountTDS"));

    TDataSet& IWOffDS = make(QStringLiteral("IWOffDS"));
    TDataSet& EWOffDS = make(QStringLiteral("EWOffDS"));
    TDataSet& IWOffDDS = make(QStringLiteral("IWOffDDS"));
    TDataSet& EWOffDDS = make(QStringLiteral("EWOffDDS"));
    TDataSet& IWOffTDS = make(QStringLiteral("IWOffTDS"));
    TDataSet& EWOffTDS = make(QStringLiteral("EWOffTDS"));

    TDataSet& InquireMDS = make(QStringLiteral("InquireMDS"));
    TDataSet& InquireDDS = make(QStringLiteral("InquireDDS"));
    TDataSet& SubInqMDS = make(QStringLiteral("SubInqMDS"));
    TDataSet& SubInqDDS = make(QStringLiteral("SubInqDDS"));

    TDataSet& CounterMDS = make(QStringLiteral("CounterMDS"));
    TDataSet& CountDDS = make(QStringLiteral("CountDDS"));
    TDataSet& CTempDS = make(QStringLiteral("CTempDS"));
    TDataSet& BRStockDS = make(QStringLiteral("BRStockDS"));
    TDataSet& CustDS = make(QStringLiteral("CustDS"));
    TDataSet& VenDS = make(QStringLiteral("VenDS"));
    TDataSet& ChBookDS = make(QStringLiteral("ChBookDS"));
    TDataSet& SubCompDS = make(QStringLiteral("SubCompDS"));
    /// The general query for statements built at run time; read-only.
    TDataSet& ComDS = make(QStringLiteral("ComDS"));

signals:
    void loggedIn();

private:
    /// Reads the string as stored: a position it lacks grants nothing.
    void ApplyPrivileges(const QString& storedPriv);
    void LoadAreaInfo(const UserAccount& account);
    void SetupQueries();
    void ApplyDataSetAccess();
    void AttachRules();
    void AttachMasterRules(TDataSet& ds);
    void AttachHeaderRules(TDataSet& ds, bool numbered, bool stock);
    void AttachDetailRules(TDataSet& ds, const QString& detailTable);
    void AttachCounterRules();
    void AttachClasesRules();
    void AttachRateRules();
    void AttachBRStockRules();
    void AttachCustomerRules();
    void AttachFieldRules();
    void AttachLineRules();
    /// The book lookup and pricing of a line; gives the value the typed field keeps.
    bool LookUpLineBook(TDataSet& line, const QString& op, const QString& text, QVariant* typedValue);
    void AttachMasterRecordRules();
    /// The save's transaction, begun before the write; abandons the save when it cannot begin.
    void BeginSave();
    /// The change-log record and the commit after a write; on failure everything is rolled back
    /// and the save abandoned, leaving the record unsaved.
    void LogAndCommit();
    /// The completion rule of a stock-document header after its write.
    void PostStock(TDataSet& ds);
    /// Post error of the writable datasets: the message for the failure, then roll back.
    void DuplicateCheck(TDataSet& ds, const QString& duplicateText);
    void DocumentDelete(TDataSet& ds);
    void RollbackIfOpen();
    static QString Columns(TDataSet& ds, int count, const QString& separator = QStringLiteral("/"));

    bool m_keepRemark = false;

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
