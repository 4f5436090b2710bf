#pragma once

#include <memory>

#include <QDate>
#include <QString>

#include "data/dataset/TDataSet.h"

class TMainDM;

/**
 * @brief Searching and pruning the change log (`LogRec`) without a window.
 *
 * A search finds the records of the user's own branch; a head-office user with the branch-query
 * right searches all branches or the one chosen. Deleting all removes exactly the records the
 * last search listed, by their keys, so a record logged after the search is never lost unseen.
 *
 * @code
 * ChangeLog log(dm);
 * ChangeLog::Criteria c;
 * c.userCode = "*";
 * c.from = QDate(2004, 3, 1);
 * if (log.Search(c) == ChangeLog::Outcome::Found && log.canDeleteAll())
 *     log.DeleteAll();                 // asks first
 * @endcode
 */
class ChangeLog
{
public:
    explicit ChangeLog(TMainDM& dm);
    ~ChangeLog();

    struct Criteria
    {
        QString userCode;
        QString userName;
        QDate from; ///< null: not given
        QDate to;
        QString company; ///< branch code chosen in the company list, empty for all
    };
    enum class Outcome { NoCondition, NotFound, Found, Failed };

    /// The records of the last search, newest first.
    TDataSet& LogDS() { return *m_log; }
    /// The company list is offered only at the head office with the branch-query right.
    bool companyChoiceAllowed() const;
    /// Opens the branch list for the company selector (`SubCompDS`).
    TDataSet* OpenCompanies();
    bool canDeleteAll() const { return m_canDeleteAll; }

    /// Runs a search with its messages; an empty search keeps the current condition.
    Outcome Search(const Criteria& criteria);
    /// Asks, then deletes the current record.
    bool DeleteOne();
    /// Asks, then deletes every record the last search listed in one transaction and reads the
    /// list again.
    bool DeleteAll();
    /// Closes the list and the branch list.
    void Close();

private:
    TMainDM& m_dm;
    std::unique_ptr<TDataSet> m_log;
    bool m_canDeleteAll = false;
    bool m_openedCompanies = false;
};
