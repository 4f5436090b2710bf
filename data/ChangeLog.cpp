#include "data/ChangeLog.h"

#include <QSqlQuery>

#include "data/Privileges.h"
#include "data/SearchCondition.h"
#include "data/SqlDialect.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"

namespace {

const QString SelectLog = QStringLiteral("Select * from LogRec where ");
// Records stamped in the same second keep the order they were written in.
const QString NewestFirst = QStringLiteral(" Order by OPDTime Desc, LogNo Desc");
const QString CannotDelete = QStringLiteral("無法刪除此資料");
/// Keys deleted by one statement, well below either backend's limit of bound values.
constexpr int KeysPerStatement = 500;

} // namespace

ChangeLog::ChangeLog(TMainDM& dm)
    : m_dm(dm), m_log(std::make_unique<TDataSet>(dm.MainADOCon, QStringLiteral("LogDS")))
{
    m_log->setSql(SelectLog + QStringLiteral("0=1"));
    m_log->setTable(QStringLiteral("LogRec"));
    // Deleting log records is not itself logged.
    m_log->beforeDelete = [](TDataSet&) {
        if (!TDialogs::confirm(QStringLiteral("確定刪除？")))
            TDataSet::abort();
    };
    m_log->onDeleteError = [](TDataSet&) { TDialogs::error(CannotDelete); };
    // Records are pruned, never edited here.
    m_log->beforeInsert = [](TDataSet&) { TDataSet::abort(); };
    m_log->beforeEdit = [](TDataSet&) { TDataSet::abort(); };
}

ChangeLog::~ChangeLog() = default;

bool ChangeLog::companyChoiceAllowed() const
{
    return m_dm.LoginArea() == Privileges::HeadOffice &&
           m_dm.PrivAt(Privileges::BranchQuery) == QLatin1Char('1');
}

TDataSet* ChangeLog::OpenCompanies()
{
    if (!companyChoiceAllowed())
        return nullptr;
    TDataSet& companies = m_dm.SubCompDS;
    if (!companies.isActive()) {
        if (!companies.open())
            return nullptr;
        m_openedCompanies = true;
    }
    return &companies;
}

ChangeLog::Outcome ChangeLog::Search(const Criteria& criteria)
{
    const Backend backend = m_dm.MainADOCon.backend();
    SearchCondition c(backend, QStringLiteral("LogRec"));
    c.addText(QStringLiteral("OPUserC"), criteria.userCode);
    c.addText(QStringLiteral("OPUserN"), criteria.userName);
    // Whole days on both backends: from the start of the first day up to the start of the day
    // after the last, which also lets the time index serve the search.
    const QDate first = criteria.from.isValid() ? criteria.from : criteria.to;
    const QDate last = criteria.to.isValid() ? criteria.to : criteria.from;
    if (first.isValid()) {
        c.add(QStringLiteral("OPDTime >= :dayFrom and OPDTime < :dayAfter"),
              {{QStringLiteral("dayFrom"), SqlDialect::dateValue(backend, first)},
               {QStringLiteral("dayAfter"), SqlDialect::dateValue(backend, last.addDays(1))}});
    }
    if (c.isEmpty()) {
        TDialogs::information(QStringLiteral("請輸入查詢條件"));
        m_canDeleteAll = false;
        return Outcome::NoCondition;
    }

    QString branch;
    if (!companyChoiceAllowed())
        branch = m_dm.LoginArea();
    else
        branch = criteria.company;
    const QString prefix =
        branch.isEmpty() ? SelectLog : SelectLog + QStringLiteral("(SArea=:branch) and ");
    c.applyTo(*m_log, prefix + QStringLiteral("("), QStringLiteral(")") + NewestFirst);
    if (!branch.isEmpty())
        m_log->setParam(QStringLiteral("branch"), branch);

    if (!m_log->open()) {
        m_canDeleteAll = false;
        TDialogs::error(QStringLiteral("查詢錯誤--") + m_log->connection().lastErrorText());
        return Outcome::Failed;
    }
    m_canDeleteAll = !m_log->isEmpty();
    if (!m_canDeleteAll) {
        TDialogs::warning(QStringLiteral("查無資料，請重新查詢"));
        return Outcome::NotFound;
    }
    return Outcome::Found;
}

bool ChangeLog::DeleteOne()
{
    if (!m_log->isActive() || m_log->isEmpty())
        return false;
    const bool ok = m_log->remove();
    m_canDeleteAll = m_canDeleteAll && !m_log->isEmpty();
    return ok;
}

bool ChangeLog::DeleteAll()
{
    if (!m_canDeleteAll || !m_log->isActive())
        return false;
    if (!TDialogs::confirm(QStringLiteral("確定全部刪除？")))
        return false;

    QVariantList keys;
    for (int row = 0; row < m_log->recordCount(); ++row)
        keys << m_log->value(row, QStringLiteral("LogNo"));

    TransactionGuard tx(m_dm.MainADOCon);
    bool ok = tx.begin();
    for (int start = 0; ok && start < keys.size(); start += KeysPerStatement) {
        const QVariantList chunk = keys.mid(start, KeysPerStatement);
        QStringList marks;
        marks.fill(QStringLiteral("?"), chunk.size());
        QSqlQuery q(m_dm.MainADOCon.database());
        ok = q.prepare(QStringLiteral("Delete from LogRec where LogNo in (%1)")
                           .arg(marks.join(QLatin1Char(','))));
        for (int i = 0; ok && i < chunk.size(); ++i)
            q.bindValue(i, chunk.at(i));
        ok = ok && q.exec();
    }
    ok = ok && tx.commit();
    if (!ok) {
        tx.rollback();
        if (m_dm.MainADOCon.inTransaction())
            m_dm.MainADOCon.rollback();
        TDialogs::error(CannotDelete);
    }
    m_log->requery();
    m_canDeleteAll = !m_log->isEmpty();
    return ok;
}

void ChangeLog::Close()
{
    m_log->close();
    // The branch list is shared: closed only when this window opened it.
    if (m_openedCompanies)
        m_dm.SubCompDS.close();
    m_openedCompanies = false;
}
