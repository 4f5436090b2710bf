#include "data/dataset/TDataSet.h"

#include <algorithm>
#include <numeric>

#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>

#include "data/SqlDialect.h"
#include "data/TDialogs.h"

namespace {

QString lower(const QString& s) { return s.toLower(); }

bool sameValue(const QVariant& a, const QVariant& b)
{
    const bool an = a.isNull() || !a.isValid();
    const bool bn = b.isNull() || !b.isValid();
    if (an || bn)
        return an == bn;
    return a == b;
}

/// Orders two values of one column: nulls first, numbers by value, text by code point with
/// letter case only breaking ties.
int compareValues(const QVariant& a, const QVariant& b)
{
    const bool an = a.isNull() || !a.isValid();
    const bool bn = b.isNull() || !b.isValid();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    switch (a.typeId()) {
    case QMetaType::QString: {
        const QString sa = a.toString();
        const QString sb = b.toString();
        const int c = sa.compare(sb, Qt::CaseInsensitive);
        return c != 0 ? c : sa.compare(sb);
    }
    case QMetaType::QDateTime: {
        const QDateTime da = a.toDateTime();
        const QDateTime db = b.toDateTime();
        return da < db ? -1 : (db < da ? 1 : 0);
    }
    case QMetaType::Double: {
        const double da = a.toDouble();
        const double db = b.toDouble();
        return da < db ? -1 : (db < da ? 1 : 0);
    }
    default: {
        const qlonglong la = a.toLongLong();
        const qlonglong lb = b.toLongLong();
        return la < lb ? -1 : (lb < la ? 1 : 0);
    }
    }
}

/// Replaces every ":Name" outside literals and comments with "?" and lists the names in order.
QString toPositional(const QString& sql, QStringList* names)
{
    QString out;
    out.reserve(sql.size());
    const int n = int(sql.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = int(sql.indexOf(c, i + 1));
            const int stop = end < 0 ? n - 1 : end;
            out += sql.mid(i, stop - i + 1);
            i = stop;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            const int end = int(sql.indexOf(QLatin1Char('\n'), i));
            const int stop = end < 0 ? n - 1 : end;
            out += sql.mid(i, stop - i + 1);
            i = stop;
        } else if (c == QLatin1Char(':') && i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {
            out += QStringLiteral("::");
            ++i;
        } else if (c == QLatin1Char(':') && i + 1 < n
                   && (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_'))) {
            int j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_')))
                ++j;
            *names << sql.mid(i + 1, j - i - 1);
            out += QLatin1Char('?');
            i = j - 1;
        } else {
            out += c;
        }
    }
    return out;
}

/// The statement with its literals, comments and parenthesized parts blanked: what is left is
/// its own top level.
QString topLevel(const QString& sql)
{
    QString out = sql;
    int depth = 0;
    const int n = int(sql.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = int(sql.indexOf(c, i + 1));
            const int stop = end < 0 ? n - 1 : end;
            for (int j = i; j <= stop; ++j)
                out[j] = QLatin1Char(' ');
            i = stop;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            const int end = int(sql.indexOf(QLatin1Char('\n'), i));
            const int stop = end < 0 ? n - 1 : end;
            for (int j = i; j <= stop; ++j)
                out[j] = QLatin1Char(' ');
            i = stop;
        } else if (c == QLatin1Char('(')) {
            ++depth;
            out[i] = QLatin1Char(' ');
        } else if (c == QLatin1Char(')')) {
            depth = std::max(0, depth - 1);
            out[i] = QLatin1Char(' ');
        } else if (depth > 0) {
            out[i] = QLatin1Char(' ');
        }
    }
    return out;
}

/// A paged read of a statement that has no order of its own and returns every column of the
/// dataset's table (so its key) is ordered by that key: its first page and its list of keys,
/// read by separate statements, then come in the same order.
bool orderableByKey(const QString& sql, const QString& table)
{
    if (table.isEmpty())
        return false;
    static const QRegularExpression allOf(QStringLiteral("^\\s*select\\s+(?:(\\w+)\\.)?\\*\\s+from\\s+(\\w+)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression ownOrder(QStringLiteral("\\border\\s+by\\b"), QRegularExpression::CaseInsensitiveOption);
    const QString top = topLevel(sql);
    const auto m = allOf.match(top);
    if (!m.hasMatch() || m.captured(2).compare(table, Qt::CaseInsensitive) != 0
        || (m.hasCaptured(1) && !m.captured(1).isEmpty() && m.captured(1).compare(table, Qt::CaseInsensitive) != 0))
        return false;
    return !ownOrder.match(top).hasMatch();
}

/// A statement whose select list takes every column of one table ("T.*") with the table's
/// columns named instead, as @p columns (the record of a run of it) lists them, so that it can be
/// kept prepared. Empty when the text has another star or cannot be read so.
QString spelledOut(const QString& sql, const QSqlRecord& columns)
{
    if (sql.count(QLatin1Char('*')) != 1)
        return {};
    const QString top = topLevel(sql);
    static const QRegularExpression head(QStringLiteral("^\\s*select\\s+"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression from(QStringLiteral("\\bfrom\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression allOf(QStringLiteral("^\\s*(\\w+)\\s*\\.\\s*\\*\\s*$"));
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_]\\w*$"));
    const auto h = head.match(top);
    if (!h.hasMatch())
        return {};
    const auto f = from.match(top, h.capturedEnd());
    if (!f.hasMatch())
        return {};
    // The select items, each one column but the star's.
    int items = 0;
    int before = -1;
    int starStart = 0;
    int starEnd = 0;
    QString table;
    for (int start = int(h.capturedEnd()), i = start; i <= f.capturedStart(); ++i) {
        if (i < f.capturedStart() && top.at(i) != QLatin1Char(','))
            continue;
        const auto m = allOf.match(top.mid(start, i - start));
        if (m.hasMatch()) {
            before = items;
            starStart = start;
            starEnd = i;
            table = m.captured(1);
        }
        ++items;
        start = i + 1;
    }
    const int spelled = columns.count() - (items - 1);
    if (before < 0 || spelled < 1)
        return {};
    QStringList names;
    for (int i = before; i < before + spelled; ++i) {
        const QString name = columns.fieldName(i);
        if (!plainName.match(name).hasMatch())
            return {};
        names << table + QLatin1Char('.') + name;
    }
    return sql.left(starStart) + QLatin1Char(' ') + names.join(QLatin1Char(',')) + QLatin1Char(' ')
           + sql.mid(starEnd);
}

/// Type, size and scale of a column known to the schema (branch book columns included).
const ColumnDef* schemaColumn(const TableDef* table, const QString& name, ColumnDef* scratch)
{
    if (!table)
        return nullptr;
    if (const ColumnDef* c = table->column(name))
        return c;
    if (table->name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0) {
        static const QRegularExpression branchCol(QStringLiteral("^(stock|sstock|loc)([a-z0-9]+)$"),
                                                  QRegularExpression::CaseInsensitiveOption);
        const auto m = branchCol.match(name);
        if (m.hasMatch()) {
            const QString code = name.mid(m.capturedStart(2));
            for (const ColumnDef& c : Schema::branchBookColumns(code)) {
                if (c.name.compare(name, Qt::CaseInsensitive) == 0) {
                    *scratch = c;
                    scratch->name = name;
                    return scratch;
                }
            }
        }
    }
    return nullptr;
}

ColType typeFromMeta(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return ColType::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ColType::Decimal;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return ColType::DateTime;
    case QMetaType::Bool:
        return ColType::Boolean;
    default:
        return ColType::Text;
    }
}

} // namespace

TDataSet::TDataSet(Connection& connection, const QString& name, QObject* parent)
    : QObject(parent), m_connection(connection), m_name(name)
{
    setObjectName(name);
}

TDataSet::~TDataSet()
{
    for (auto& link : m_masterLinks)
        disconnect(link);
}

// --- query and parameters ------------------------------------------------------------------------

void TDataSet::setSql(const QString& sql)
{
    if (isActive())
        close();
    m_sql = sql;
    m_paramNames.clear();
    m_positionalSql = toPositional(sql, &m_paramNames);
}

void TDataSet::setParam(const QString& name, const QVariant& value) { m_params[lower(name)] = value; }

QVariant TDataSet::param(const QString& name) const
{
    const auto it = m_params.find(lower(name));
    return it == m_params.end() ? QVariant() : it->second;
}

QVariant TDataSet::paramValue(const QString& name) const
{
    if (m_master) {
        if (const TField* f = m_master->findField(name); f && f->isAttached())
            return m_master->isActive() && m_master->recNo() >= 0 ? f->value() : QVariant();
    }
    return param(name);
}

void TDataSet::setMaster(TDataSet* master)
{
    for (auto& link : m_masterLinks)
        disconnect(link);
    m_master = master;
    if (!master)
        return;
    m_masterLinks[0] = connect(master, &TDataSet::currentChanged, this, [this] { masterMoved(); });
    m_masterLinks[1] = connect(master, &TDataSet::rowsReset, this, [this] { masterMoved(); });
    // A saved header may have got its number only now: follow it if a linked value changed.
    m_masterLinks[2] = connect(master, &TDataSet::rowChanged, this, [this](int row) {
        if (row != m_master->recNo() || m_master->isEditing())
            return;
        for (const QString& p : m_paramNames) {
            if (!sameValue(paramValue(p), m_lastBound.value(lower(p)))) {
                masterMoved();
                return;
            }
        }
    });
}

void TDataSet::masterMoved()
{
    if (!isActive() && m_sql.isEmpty())
        return;
    if (!isActive()) {
        // A detail that was never opened stays closed until its window opens it.
        return;
    }
    if (isEditing() && !checkBrowseMode())
        cancel();
    execSelect();
}

// --- writing -------------------------------------------------------------------------------------

bool TDataSet::setTable(const QString& table)
{
    if (table.isEmpty()) {
        m_table.clear();
        m_keyFields.clear();
        return true;
    }
    const TableDef* def = Schema::table(table);
    if (!def)
        return false;
    m_table = def->name;
    m_keyFields = def->primaryKey;
    return true;
}

void TDataSet::setReadOnly(bool readOnly)
{
    if (readOnly && isEditing())
        cancel();
    m_readOnly = readOnly;
}

// --- open, close, re-read ------------------------------------------------------------------------

bool TDataSet::open()
{
    if (isActive())
        return true;
    return execSelect();
}

void TDataSet::close()
{
    if (!isActive())
        return;
    if (isEditing())
        cancel();
    m_rows.clear();
    dropPages();
    m_appended.clear();
    m_paged = false;
    m_countKnown = true;
    m_current = -1;
    m_eof = m_bof = true;
    setState(State::Inactive);
    notifyReset();
}

bool TDataSet::requery()
{
    if (!isActive())
        return open();
    if (isEditing() && !checkBrowseMode())
        return false;
    return execSelect();
}

bool TDataSet::execSelect()
{
    m_lastError = QSqlError();
    const int keepRow = m_current;
    const QVariantList keepKey = keyOf(m_current);
    m_lastStatement = m_sql;
    m_lastBound.clear();
    m_boundValues.clear();
    for (int i = 0; i < m_paramNames.size(); ++i) {
        const QVariant v = paramValue(m_paramNames.at(i));
        m_lastBound[lower(m_paramNames.at(i))] = v;
        m_boundValues << v;
    }
    if (m_pageSize > 0) {
        // Paged reads run statements of their own around this one: it is never prepared as is.
        if (!execPaged()) {
            qWarning("%s: %s", qPrintable(m_name), qPrintable(m_lastError.text()));
            return false;
        }
        afterRowsLoaded(keepRow, keepKey);
        return true;
    }
    if (isActive() && masterKeyMissing()) {
        // The lines of a header not saved yet, or of none: nothing to ask the server.
        m_paged = false;
        m_countKnown = true;
        dropPages();
        m_appended.clear();
        m_rows.clear();
        afterRowsLoaded(keepRow, keepKey);
        return true;
    }
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    if (!q.prepare(m_positionalSql)) {
        m_lastError = q.lastError();
        qWarning("%s: %s", qPrintable(m_name), qPrintable(m_lastError.text()));
        return false;
    }
    for (int i = 0; i < m_boundValues.size(); ++i)
        q.bindValue(i, m_boundValues.at(i));
    m_paged = false;
    m_countKnown = true;
    dropPages();
    m_appended.clear();
    if (!q.exec()) {
        m_lastError = q.lastError();
        qWarning("%s: %s", qPrintable(m_name), qPrintable(m_lastError.text()));
        return false;
    }
    if (!readRows(q))
        return false;
    afterRowsLoaded(keepRow, keepKey);
    return true;
}

bool TDataSet::masterKeyMissing() const
{
    if (!m_master || m_master->keyFields().isEmpty())
        return false;
    for (const QString& key : m_master->keyFields()) {
        if (const TField* f = m_master->findField(key); !f || !f->isAttached())
            continue;
        for (int i = 0; i < m_paramNames.size(); ++i) {
            if (m_paramNames.at(i).compare(key, Qt::CaseInsensitive) == 0 && m_boundValues.at(i).isNull())
                return true;
        }
    }
    return false;
}

bool TDataSet::loadFromQuery(QSqlQuery& query)
{
    if (isEditing())
        cancel();
    m_paged = false;
    m_countKnown = true;
    dropPages();
    m_lastError = QSqlError();
    if (!query.isActive() || !query.isSelect()) {
        m_lastError = query.lastError();
        return false;
    }
    if (!readRows(query))
        return false;
    afterRowsLoaded(-1, {});
    return true;
}

bool TDataSet::loadRows(const QStringList& columns, const QList<QVariantList>& rows)
{
    if (isEditing())
        cancel();
    m_paged = false;
    m_countKnown = true;
    dropPages();
    bindFields(columns, QStringList());
    m_rows.clear();
    m_rows.reserve(size_t(rows.size()));
    for (const QVariantList& r : rows) {
        Row row(columns.size());
        for (int i = 0; i < columns.size() && i < r.size(); ++i)
            row[i] = m_fields[size_t(i)]->normalized(r.at(i));
        m_rows.push_back(row);
    }
    afterRowsLoaded(-1, {});
    return true;
}

bool TDataSet::refreshRecord(const QString& sql, const QVariantList& values)
{
    if (!isActive() || isEditing() || m_current < 0)
        return false;
    m_lastStatement = sql;
    auto known = m_rereads.find(sql);
    if (known == m_rereads.end() && !sql.contains(QLatin1Char('*')))
        known = m_rereads.emplace(sql, sql).first;
    // The row's values are taken before any is stored: storing may read a page of a paged list,
    // and a kept statement must be done before another statement runs.
    std::vector<std::pair<int, QVariant>> read;
    const auto take = [&](QSqlQuery& q) {
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i) {
            if (const TField* f = findField(rec.fieldName(i)); f && f->isAttached())
                read.emplace_back(f->index(), f->normalized(q.value(i)));
        }
    };
    if (known != m_rereads.end() && !known->second.isEmpty()) {
        QSqlError error;
        QSqlQuery* q = m_connection.execPrepared(known->second, values, &error);
        if (!q) {
            m_lastError = error;
            // Spelled out again from the next run, should the table have changed.
            m_rereads.erase(known);
            return false;
        }
        const bool found = q->next();
        if (found)
            take(*q);
        else
            m_lastError = q->lastError();
        q->finish();
        if (!found)
            return false;
    } else {
        QSqlQuery q(m_connection.database());
        q.setForwardOnly(true);
        if (!q.prepare(sql)) {
            m_lastError = q.lastError();
            return false;
        }
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec()) {
            m_lastError = q.lastError();
            return false;
        }
        if (known == m_rereads.end())
            m_rereads.emplace(sql, spelledOut(sql, q.record()));
        if (!q.next()) {
            m_lastError = q.lastError();
            return false;
        }
        take(q);
        q.finish();
    }
    Row& row = rowAt(m_current);
    for (const auto& [index, value] : read)
        row[index] = value;
    if (!controlsDisabled())
        emit rowChanged(m_current);
    return true;
}

bool TDataSet::readRows(QSqlQuery& q)
{
    const QSqlRecord rec = q.record();
    QStringList names;
    QStringList tables;
    QList<int> metaTypes;
    for (int i = 0; i < rec.count(); ++i) {
        names << rec.fieldName(i);
        tables << rec.field(i).tableName();
        metaTypes << rec.field(i).metaType().id();
    }
    bindFields(names, tables);
    // Columns unknown to the schema (aliases, sums) take the driver's type.
    for (int i = 0; i < int(m_fields.size()); ++i) {
        TField* f = m_fields[size_t(i)];
        if (!f->m_fromSchema)
            f->m_type = typeFromMeta(metaTypes.at(i));
    }
    m_rows.clear();
    while (q.next())
        m_rows.push_back(rowOf(q));
    if (q.lastError().isValid()) {
        m_lastError = q.lastError();
        m_rows.clear();
        return false;
    }
    q.finish();
    return true;
}

TDataSet::Row TDataSet::rowOf(const QSqlQuery& query) const
{
    Row row(qsizetype(m_fields.size()));
    for (qsizetype i = 0; i < row.size(); ++i)
        row[i] = m_fields[size_t(i)]->normalized(query.value(int(i)));
    return row;
}

void TDataSet::bindFields(const QStringList& names, const QStringList& tables)
{
    // A look-up loads the same columns call after call; finding them in the schema again would
    // cost more than the row.
    if (names == m_boundNames && tables == m_boundTables && m_boundTable == m_table)
        return;
    m_boundNames = names;
    m_boundTables = tables;
    m_boundTable = m_table;
    for (TField* f : m_fields)
        f->detach();
    m_fields.clear();
    const TableDef* own = Schema::table(m_table);
    QSet<QString> seen;
    for (int i = 0; i < names.size(); ++i) {
        QString name = names.at(i);
        // A second column of the same name (a joined table's) gets a suffix, as it cannot be
        // told apart by name.
        bool duplicate = false;
        if (seen.contains(lower(name))) {
            duplicate = true;
            int k = 1;
            while (seen.contains(lower(name + QStringLiteral("_%1").arg(k))))
                ++k;
            name += QStringLiteral("_%1").arg(k);
        }
        seen.insert(lower(name));
        ColumnDef scratch;
        const QString origin = tables.value(i);
        const bool fromOwn = own && !duplicate
                             && (origin.isEmpty() || origin.compare(m_table, Qt::CaseInsensitive) == 0);
        const ColumnDef* col = fromOwn ? schemaColumn(own, name, &scratch) : nullptr;
        bool writable = col != nullptr;
        if (!col && !origin.isEmpty())
            col = schemaColumn(Schema::table(origin), name, &scratch);
        if (!col) {
            for (const TableDef& t : Schema::tables()) {
                if ((col = schemaColumn(&t, name, &scratch)))
                    break;
            }
        }
        auto& slot = m_fieldsByName[lower(name)];
        if (!slot)
            slot = std::make_unique<TField>(this, name);
        TField* f = slot.get();
        // Keep the schema's spelling: PostgreSQL hands back lower-case names.
        f->m_name = col ? col->name : name;
        const bool key = writable
                         && std::any_of(m_keyFields.begin(), m_keyFields.end(), [&](const QString& k) {
                                return k.compare(name, Qt::CaseInsensitive) == 0;
                            });
        f->bind(i, col ? col->type : ColType::Text, col ? col->size : 0, col ? col->scale : 0,
                writable, key);
        f->m_fromSchema = col != nullptr;
        f->m_reference = writable
                         && std::any_of(own->foreignKeys.begin(), own->foreignKeys.end(),
                                        [&](const ForeignKeyDef& fk) {
                                            return fk.columns.contains(col->name, Qt::CaseInsensitive);
                                        });
        m_fields.push_back(f);
    }
}

void TDataSet::afterRowsLoaded(int keepRow, const QVariantList& keepKey)
{
    m_insertRow = -1;
    m_buffer.clear();
    m_original.clear();
    setState(State::Browse);
    // A paged read was already made in the sorted order.
    if (!m_paged)
        applySort();
    int row = -1;
    if (!isEmpty()) {
        row = 0;
        if (!keepKey.isEmpty()) {
            row = -1;
            // Paged, only the page around the old position is searched: no full scan for it, and
            // the rest of the rows are listed only when the old row was past the first page.
            int from = 0;
            int to = knownRowCount();
            if (m_paged && m_keyed) {
                from = to = 0;
                row = findKey(encodeKey(keepKey));
                if (row < 0 && !m_countKnown && completeRows(false))
                    row = findKey(encodeKey(keepKey));
            } else if (m_paged) {
                if (keepRow >= knownRowCount())
                    completeRows(false);
                const int near = std::clamp(keepRow, 0, knownRowCount() - 1);
                from = std::max(0, near - m_pageSize);
                to = std::min(knownRowCount(), near + m_pageSize);
            }
            for (int i = from; i < to; ++i) {
                if (keyOf(i) == keepKey) {
                    row = i;
                    break;
                }
            }
            if (row < 0)
                row = std::clamp(keepRow, 0, knownRowCount() - 1);
        }
    }
    m_current = row;
    m_bof = true;
    m_eof = isEmpty();
    notifyReset();
    runHook(afterOpen);
    if (!controlsDisabled())
        runHook(afterScroll);
}

QVariantList TDataSet::keyOf(int row) const
{
    if (!hasRow(row))
        return {};
    QVariantList key;
    const Row& r = rowAt(row);
    if (m_keyFields.isEmpty())
        return r;
    for (const QString& k : m_keyFields) {
        const TField* f = findField(k);
        if (!f || !f->isAttached())
            return r;
        key << r.value(f->index());
    }
    return key;
}

// --- navigation ----------------------------------------------------------------------------------

bool TDataSet::checkBrowseMode()
{
    if (!isEditing())
        return true;
    if (!hasPendingChanges()) {
        cancel();
        return true;
    }
    return post();
}

void TDataSet::setCurrent(int row, bool notify)
{
    m_current = row;
    if (notify && !controlsDisabled()) {
        emit currentChanged(row);
        runHook(afterScroll);
    }
}

bool TDataSet::moveTo(int row)
{
    if (!isActive())
        return false;
    if (isEmpty()) {
        m_bof = m_eof = true;
        return false;
    }
    if (row < 0) {
        if (!checkBrowseMode())
            return false;
        m_bof = true;
        m_eof = false;
        if (m_current != 0)
            setCurrent(0);
        return false;
    }
    if (!hasRow(row)) {
        if (!checkBrowseMode())
            return false;
        m_eof = true;
        m_bof = false;
        const int lastRow = rowTotal() - 1;
        if (m_current != lastRow)
            setCurrent(lastRow);
        return false;
    }
    if (row != m_current && !checkBrowseMode())
        return false;
    m_bof = m_eof = false;
    if (row != m_current)
        setCurrent(row);
    return true;
}

bool TDataSet::first()
{
    const bool ok = moveTo(0);
    m_bof = true;
    m_eof = isEmpty();
    return ok;
}

bool TDataSet::last()
{
    const bool ok = moveTo(rowTotal() - 1);
    m_eof = true;
    m_bof = rowTotal() == 0;
    return ok;
}

bool TDataSet::next()
{
    if (!isActive() || isEmpty()) {
        m_eof = true;
        return false;
    }
    if (!hasRow(m_current + 1)) {
        if (!checkBrowseMode())
            return false;
        m_eof = true;
        return false;
    }
    return moveTo(m_current + 1);
}

bool TDataSet::prior()
{
    if (!isActive() || isEmpty()) {
        m_bof = true;
        return false;
    }
    if (m_current <= 0) {
        if (!checkBrowseMode())
            return false;
        m_bof = true;
        return false;
    }
    return moveTo(m_current - 1);
}

bool TDataSet::locate(const QStringList& fields, const QVariantList& values, bool caseInsensitive)
{
    if (!isActive() || fields.size() != values.size())
        return false;
    QList<int> cols;
    for (const QString& name : fields) {
        const TField* f = findField(name);
        if (!f || !f->isAttached())
            return false;
        cols << f->index();
    }
    // The first page is searched before the rest of a paged read is listed.
    for (int r = 0; hasRow(r); ++r) {
        bool match = true;
        for (int i = 0; i < cols.size() && match; ++i) {
            const QVariant& have = rowAt(r).at(cols[i]);
            const QVariant want = m_fields[size_t(cols[i])]->normalized(values.at(i));
            if (caseInsensitive && have.typeId() == QMetaType::QString && !want.isNull())
                match = have.toString().compare(want.toString(), Qt::CaseInsensitive) == 0;
            else
                match = sameValue(have, want);
        }
        if (match)
            return moveTo(r);
    }
    return false;
}

// --- fields --------------------------------------------------------------------------------------

TField* TDataSet::findField(const QString& name) const
{
    const auto it = m_fieldsByName.find(lower(name));
    return it == m_fieldsByName.end() ? nullptr : it->second.get();
}

TField& TDataSet::fieldByName(const QString& name)
{
    auto& slot = m_fieldsByName[lower(name)];
    if (!slot)
        slot = std::make_unique<TField>(this, name);
    return *slot;
}

QStringList TDataSet::fieldNames() const
{
    QStringList names;
    for (const TField* f : m_fields)
        names << f->name();
    return names;
}

QVariant TDataSet::value(int row, int column) const
{
    if (column < 0 || column >= int(m_fields.size()) || !hasRow(row))
        return {};
    if (isEditing() && row == m_current)
        return m_buffer.value(column);
    return rowAt(row).value(column);
}

QVariant TDataSet::value(int row, const QString& field) const
{
    const TField* f = findField(field);
    return f ? value(row, f->index()) : QVariant();
}

QVariant TDataSet::fieldValue(const TField& field) const
{
    if (!field.isAttached() || !isActive())
        return {};
    if (isEditing())
        return m_buffer.value(field.index());
    if (!hasRow(m_current))
        return {};
    return rowAt(m_current).value(field.index());
}

QVariant TDataSet::fieldOldValue(const TField& field) const
{
    if (!field.isAttached() || !isActive())
        return {};
    if (m_state == State::Edit)
        return m_original.value(field.index());
    if (m_state == State::Insert)
        return {};
    return fieldValue(field);
}

bool TDataSet::fieldAssign(TField& field, const QVariant& value)
{
    if (!field.isAttached() || !isEditing() || m_readOnly || field.isReadOnly())
        return false;
    // Columns joined in from another table are shown, never written.
    if (!m_table.isEmpty() && !field.m_writable)
        return false;
    QVariant v = field.normalized(value);
    // The entry hook first: it may trim what was typed.
    if (field.onValidate) {
        try {
            if (!field.onValidate(field, v))
                return false;
        } catch (const TAbort&) {
            return false;
        }
        v = field.normalized(v);
    }
    if (!v.isNull() && (field.type() == ColType::Text) && field.size() > 0
        && v.toString().size() > field.size()) {
        TDialogs::error(QStringLiteral("%1 最多 %2 個字").arg(field.name()).arg(field.size()));
        return false;
    }
    if (sameValue(m_buffer.value(field.index()), v) && m_buffer.value(field.index()).typeId() == v.typeId())
        return true;
    m_buffer[field.index()] = v;
    if (!controlsDisabled()) {
        emit rowChanged(m_current);
        emit fieldChanged(&field);
    }
    if (field.onChange) {
        try {
            field.onChange(field);
        } catch (const TAbort&) {
        }
    }
    return true;
}

// --- editing -------------------------------------------------------------------------------------

bool TDataSet::runHook(const Hook& hook)
{
    if (!hook)
        return true;
    try {
        hook(*this);
    } catch (const TAbort&) {
        return false;
    }
    return true;
}

void TDataSet::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

bool TDataSet::insert()
{
    if (!isActive() || m_readOnly)
        return false;
    if (!checkBrowseMode())
        return false;
    if (!runHook(beforeInsert))
        return false;
    // Paged rows are the server's: a new one joins those added here, at the end.
    const int at = m_paged ? rowTotal() : (m_current < 0 ? 0 : m_current);
    {
        m_buffer = Row(int(m_fields.size()));
        m_original = Row(int(m_fields.size()));
        // A new line belongs to its header.
        if (m_master) {
            for (const QString& p : m_paramNames) {
                TField* f = findField(p);
                if (f && f->isAttached() && m_master->findField(p))
                    m_buffer[f->index()] = f->normalized(paramValue(p));
            }
        }
        if (!controlsDisabled())
            emit rowAboutToBeInserted(at);
        insertRow(at, m_original);
        m_insertRow = at;
        m_current = at;
        m_bof = m_eof = false;
        setState(State::Insert);
        if (!controlsDisabled()) {
            emit rowInserted(at);
            emit currentChanged(at);
        }
    }
    runHook(onNewRecord);
    runHook(afterInsert);
    return true;
}

bool TDataSet::append()
{
    if (!isActive())
        return false;
    if (!checkBrowseMode())
        return false;
    // Place the current row past the end so the new one lands last.
    const int saved = m_current;
    m_current = rowTotal();
    if (!insert()) {
        m_current = saved;
        return false;
    }
    return true;
}

bool TDataSet::edit()
{
    if (!isActive() || m_readOnly)
        return false;
    if (isEditing())
        return true;
    if (!hasRow(m_current))
        return false;
    if (!runHook(beforeEdit))
        return false;
    m_buffer = rowAt(m_current);
    m_original = m_buffer;
    setState(State::Edit);
    runHook(afterEdit);
    return true;
}

bool TDataSet::hasPendingChanges() const
{
    if (m_state == State::Insert)
        return true;
    if (m_state != State::Edit)
        return false;
    for (int i = 0; i < m_buffer.size(); ++i) {
        if (!sameValue(m_buffer.at(i), m_original.value(i)))
            return true;
    }
    return false;
}

bool TDataSet::isFieldChanged(const QString& name) const
{
    const TField* f = findField(name);
    if (!f || !f->isAttached())
        return false;
    if (m_state == State::Insert)
        return true;
    if (m_state != State::Edit)
        return false;
    return !sameValue(m_buffer.value(f->index()), m_original.value(f->index()));
}

void TDataSet::cancel()
{
    if (!isEditing())
        return;
    const State was = m_state;
    m_buffer.clear();
    m_original.clear();
    if (was == State::Insert) {
        const int at = m_insertRow;
        if (!controlsDisabled())
            emit rowAboutToBeRemoved(at);
        eraseRow(at);
        m_insertRow = -1;
        setState(State::Browse);
        if (!controlsDisabled())
            emit rowRemoved(at);
        m_current = rowTotal() == 0 ? -1 : std::min(at, rowTotal() - 1);
        m_eof = m_bof = rowTotal() == 0;
        if (!controlsDisabled())
            emit currentChanged(m_current);
    } else {
        setState(State::Browse);
        if (!controlsDisabled())
            emit rowChanged(m_current);
    }
    runHook(afterCancel);
}

bool TDataSet::post()
{
    if (!isActive())
        return false;
    if (!isEditing())
        return true;
    if (m_readOnly)
        return false;
    bool accepted = true;
    emit aboutToPost(&accepted);
    if (!accepted)
        return false;
    // Saving a row nobody changed is the same as leaving it.
    if (!hasPendingChanges()) {
        cancel();
        return true;
    }
    m_lastError = QSqlError();
    m_conflict = false;
    // A saved row may move or renumber a paged list: it must be whole first.
    if (!completeRows())
        return false;
    if (!runHook(beforePost))
        return false;
    const State was = m_state;
    const Row beforeWrite = m_buffer;
    const Row originalBefore = m_original;
    bool ok = true;
    if (!m_table.isEmpty())
        ok = was == State::Insert ? writeInsert() : writeUpdate();
    if (!ok) {
        runHook(onPostError);
        return false;
    }
    const Row previous = rowAt(m_current);
    rowAt(m_current) = m_buffer;
    // A renumbered row keeps its place in a paged list.
    if (m_paged && m_keyed && m_current < m_serverRows && encodeKey(keyOf(m_current)) != keyAt(m_current)) {
        eraseKey(m_current);
        insertKey(m_current, encodeKey(keyOf(m_current)));
    }
    m_buffer.clear();
    m_original.clear();
    m_insertRow = -1;
    setState(State::Browse);
    if (!runHook(afterPost)) {
        // The handler rolled the save back: the row is unsaved again, as the user left it.
        rowAt(m_current) = previous;
        m_buffer = beforeWrite;
        m_original = originalBefore;
        if (was == State::Insert)
            m_insertRow = m_current;
        setState(was);
        if (!controlsDisabled())
            emit rowChanged(m_current);
        return false;
    }
    if (!controlsDisabled())
        emit rowChanged(m_current);
    return true;
}

bool TDataSet::remove()
{
    if (!isActive() || m_readOnly)
        return false;
    if (m_state == State::Insert) {
        cancel();
        return true;
    }
    if (m_state == State::Edit)
        cancel();
    if (m_current < 0 || !completeRows() || m_current >= rowTotal())
        return false;
    m_lastError = QSqlError();
    m_conflict = false;
    if (!runHook(beforeDelete))
        return false;
    if (!m_table.isEmpty() && !writeDelete()) {
        runHook(onDeleteError);
        return false;
    }
    const int at = m_current;
    const Row removed = rowAt(at);
    if (!controlsDisabled())
        emit rowAboutToBeRemoved(at);
    eraseRow(at);
    m_current = rowTotal() == 0 ? -1 : std::min(at, rowTotal() - 1);
    m_eof = m_bof = rowTotal() == 0;
    if (!controlsDisabled()) {
        emit rowRemoved(at);
        emit currentChanged(m_current);
    }
    if (!runHook(afterDelete)) {
        if (!controlsDisabled())
            emit rowAboutToBeInserted(at);
        insertRow(at, removed);
        m_current = at;
        m_eof = m_bof = false;
        if (!controlsDisabled()) {
            emit rowInserted(at);
            emit currentChanged(at);
        }
        return false;
    }
    if (!controlsDisabled())
        runHook(afterScroll);
    return true;
}

// --- statements ----------------------------------------------------------------------------------

QVariant TDataSet::toDb(const TField& field, const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    // An optional partner left empty points at nothing: NULL, which the reference allows.
    if (field.m_reference && value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
        return {};
    switch (field.type()) {
    case ColType::DateTime:
        return SqlDialect::dateTimeValue(m_connection.backend(), SqlDialect::toDateTime(value));
    case ColType::Boolean:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
}

bool TDataSet::writeInsert()
{
    QStringList cols;
    QVariantList values;
    QStringList back;
    QList<TField*> backFields;
    for (TField* f : m_fields) {
        if (!f->m_writable)
            continue;
        back << f->name();
        backFields << f;
        const QVariant v = m_buffer.value(f->index());
        // Columns left empty take the server's default or identity.
        if (v.isNull())
            continue;
        cols << f->name();
        values << toDb(*f, v);
    }
    QString sql = cols.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table)
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(m_table, cols.join(QLatin1Char(',')),
                                 QStringList(cols.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    if (!back.isEmpty())
        sql += QStringLiteral(" RETURNING ") + back.join(QLatin1Char(','));
    QSqlQuery* q = execStatement(sql, values);
    if (!q)
        return false;
    if (!back.isEmpty() && q->next()) {
        for (int i = 0; i < backFields.size(); ++i)
            m_buffer[backFields[i]->index()] = backFields[i]->normalized(q->value(i));
    }
    // SQLite cannot commit while a RETURNING statement is still open, and the kept statement
    // must be done before a handler saves another row through the same text.
    q->finish();
    return true;
}

bool TDataSet::rowCondition(const Row& row, QStringList* where, QVariantList* values)
{
    if (m_keyFields.isEmpty()) {
        m_lastError = QSqlError(QStringLiteral("no key"), QStringLiteral("%1 has no key").arg(m_name),
                                QSqlError::StatementError);
        return false;
    }
    QStringList columns = m_keyFields;
    for (const QString& r : m_ruleColumns) {
        if (!columns.contains(r, Qt::CaseInsensitive))
            columns << r;
    }
    for (const QString& k : columns) {
        const TField* f = findField(k);
        if (!f || !f->isAttached()) {
            m_lastError = QSqlError(QStringLiteral("no key"),
                                    QStringLiteral("%1: column %2 missing").arg(m_name, k),
                                    QSqlError::StatementError);
            return false;
        }
        const QVariant v = row.value(f->index());
        if (v.isNull()) {
            *where << f->name() + QStringLiteral(" IS NULL");
        } else {
            *where << f->name() + QStringLiteral("=?");
            *values << toDb(*f, v);
        }
    }
    return true;
}

QSqlQuery* TDataSet::execStatement(const QString& sql, const QVariantList& values)
{
    m_lastStatement = sql;
    QSqlError error;
    QSqlQuery* q = m_connection.execPrepared(sql, values, &error);
    if (!q)
        m_lastError = error;
    return q;
}

bool TDataSet::execRowWrite(const QString& sql, const QVariantList& values)
{
    QSqlQuery* q = execStatement(sql, values);
    if (!q)
        return false;
    const int affected = q->numRowsAffected();
    q->finish();
    if (affected == 0) {
        m_conflict = true;
        m_lastError = QSqlError(QStringLiteral("changed meanwhile"),
                                QStringLiteral("%1: the row was changed or deleted by another user").arg(m_name),
                                QSqlError::TransactionError, QStringLiteral("conflict"));
        return false;
    }
    return true;
}

bool TDataSet::writeUpdate()
{
    QStringList sets;
    QVariantList values;
    for (TField* f : m_fields) {
        if (!f->m_writable)
            continue;
        if (sameValue(m_buffer.value(f->index()), m_original.value(f->index())))
            continue;
        sets << f->name() + QStringLiteral("=?");
        values << toDb(*f, m_buffer.value(f->index()));
    }
    if (sets.isEmpty())
        return true;
    QStringList where;
    if (!rowCondition(m_original, &where, &values))
        return false;
    return execRowWrite(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(m_table, sets.join(QLatin1Char(',')), where.join(QStringLiteral(" AND "))),
                        values);
}

bool TDataSet::writeDelete()
{
    QStringList where;
    QVariantList values;
    if (!rowCondition(rowAt(m_current), &where, &values))
        return false;
    return execRowWrite(
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(m_table, where.join(QStringLiteral(" AND "))), values);
}

// --- sorting and display -------------------------------------------------------------------------

bool TDataSet::setSort(const QString& sort)
{
    if (isEditing() && !checkBrowseMode())
        return false;
    const QString previous = m_sort;
    m_sort = sort.trimmed();
    if (!isActive())
        return true;
    // Back to the query's own order: read it again.
    if (m_sort.isEmpty() && !previous.isEmpty() && !m_sql.isEmpty())
        return execSelect();
    if (!applySort()) {
        m_sort = previous;
        return false;
    }
    notifyReset();
    return true;
}

bool TDataSet::applySort()
{
    if (m_paged) {
        QString error;
        pagedOrderBy(&error);
        if (!error.isEmpty())
            return false;
        if (m_keyed) {
            // Sorted by the server over every row; the current row stays current.
            const bool onServerRow = m_current >= 0 && m_current < m_serverRows;
            const QString current = onServerRow ? keyAt(m_current) : QString();
            if (!readKeys())
                return false;
            if (onServerRow)
                m_current = std::max(0, findKey(current));
            return true;
        }
        dropPages();
        m_current = isEmpty() ? -1 : 0;
        return true;
    }
    if (m_sort.isEmpty() || m_rows.size() < 2)
        return true;
    QList<int> cols;
    QList<bool> descending;
    for (const QString& part : m_sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        const TField* f = findField(words.value(0));
        if (!f || !f->isAttached() || words.size() > 2)
            return false;
        const QString dir = words.value(1).toUpper();
        if (!dir.isEmpty() && dir != QLatin1String("ASC") && dir != QLatin1String("DESC"))
            return false;
        cols << f->index();
        descending << (dir == QLatin1String("DESC"));
    }
    // Ties go by the key, as the server breaks them for a paged read.
    for (const QString& k : m_keyFields) {
        const TField* f = findField(k);
        if (f && f->isAttached() && !cols.contains(f->index())) {
            cols << f->index();
            descending << false;
        }
    }
    const QVariantList currentKey = keyOf(m_current);
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        for (int i = 0; i < cols.size(); ++i) {
            const int c = compareValues(a.at(cols[i]), b.at(cols[i]));
            if (c != 0)
                return descending[i] ? c > 0 : c < 0;
        }
        return false;
    });
    if (!currentKey.isEmpty()) {
        for (int i = 0; i < rowTotal(); ++i) {
            if (keyOf(i) == currentKey) {
                m_current = i;
                break;
            }
        }
    }
    return true;
}

void TDataSet::disableControls() { ++m_disableCount; }

void TDataSet::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    // One refresh for everything that happened meanwhile.
    emit rowsReset();
    emit currentChanged(m_current);
    runHook(afterScroll);
}

void TDataSet::notifyReset()
{
    if (controlsDisabled())
        return;
    emit rowsReset();
    emit currentChanged(m_current);
}

// --- row storage ---------------------------------------------------------------------------------

void TDataSet::setPageSize(int rows, int pagesKept)
{
    m_pageSize = std::max(0, rows);
    m_pagesKept = std::max(2, pagesKept);
}

int TDataSet::rowTotal() const
{
    if (!m_paged)
        return int(m_rows.size());
    if (!m_countKnown)
        completeRows();
    return m_serverRows + int(m_appended.size());
}

int TDataSet::knownRowCount() const
{
    if (m_paged && !m_countKnown)
        return m_serverRows;
    return rowTotal();
}

bool TDataSet::hasRow(int row) const
{
    return row >= 0 && (row < knownRowCount() || row < rowTotal());
}

int TDataSet::cachedRowCount() const
{
    if (!m_paged)
        return int(m_rows.size());
    int n = int(m_appended.size());
    for (const auto& [page, rows] : m_pages)
        n += int(rows.size());
    return n;
}

TDataSet::Row& TDataSet::rowAt(int row) const
{
    if (!m_paged)
        return const_cast<Row&>(m_rows[size_t(row)]);
    if (!m_countKnown && row >= m_serverRows)
        completeRows();
    if (row >= m_serverRows)
        return const_cast<Row&>(m_appended[size_t(row - m_serverRows)]);
    const int page = row / m_pageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        loadPage(page);
        it = m_pages.find(page);
    } else {
        m_pageUse.erase(std::find(m_pageUse.begin(), m_pageUse.end(), page));
        m_pageUse.push_back(page);
    }
    std::vector<Row>& rows = it->second;
    const size_t offset = size_t(row % m_pageSize);
    // A row the server no longer returns (deleted meanwhile) reads as empty.
    if (offset >= rows.size())
        rows.resize(offset + 1, Row(int(m_fields.size())));
    return rows[offset];
}

void TDataSet::insertRow(int at, const Row& row)
{
    if (!m_paged) {
        m_rows.insert(m_rows.begin() + at, row);
    } else if (at >= m_serverRows) {
        m_appended.insert(m_appended.begin() + (at - m_serverRows), row);
    } else {
        // A server row that comes back (a delete undone): the pages after it are shifted.
        if (m_keyed)
            insertKey(at, m_erasedKey);
        ++m_serverRows;
        dropPages();
    }
}

void TDataSet::eraseRow(int at)
{
    if (!m_paged) {
        m_rows.erase(m_rows.begin() + at);
    } else if (at >= m_serverRows) {
        m_appended.erase(m_appended.begin() + (at - m_serverRows));
    } else {
        if (m_keyed) {
            m_erasedKey = keyAt(at);
            eraseKey(at);
        }
        --m_serverRows;
        dropPages();
    }
}

void TDataSet::dropPages() const
{
    m_pages.clear();
    m_pageUse.clear();
}

QString TDataSet::pagedOrderBy(QString* error) const
{
    QStringList terms;
    QStringList used;
    for (const QString& part : m_sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        const TField* f = findField(words.value(0));
        const QString dir = words.value(1).toUpper();
        if (!f || !f->isAttached() || words.size() > 2
            || (!dir.isEmpty() && dir != QLatin1String("ASC") && dir != QLatin1String("DESC"))) {
            *error = part;
            return {};
        }
        // The same order as the client's sort: nulls lowest, letter case only breaking ties.
        const bool desc = dir == QLatin1String("DESC");
        const QString tail = desc ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" ASC NULLS FIRST");
        if (f->type() == ColType::Text || f->type() == ColType::LongText) {
            // Code-point order whatever the database's collation, as the client compares.
            const QString collate = m_connection.isPostgres() ? QStringLiteral(" COLLATE \"C\"") : QString();
            terms << QStringLiteral("lower(q.%1)").arg(f->name()) + collate + tail;
            terms << QStringLiteral("q.%1").arg(f->name()) + collate + tail;
        } else {
            terms << QStringLiteral("q.%1").arg(f->name()) + tail;
        }
        used << f->name();
    }
    if (terms.isEmpty() && m_orderByKey) {
        for (const QString& k : m_keyFields)
            terms << QStringLiteral("q.%1").arg(k);
        return QStringLiteral(" ORDER BY ") + terms.join(QLatin1Char(','));
    }
    if (terms.isEmpty())
        return {};
    // Ties broken by the key, so that pages never overlap or miss a row.
    for (const QString& k : m_keyFields) {
        if (findField(k) && !used.contains(k, Qt::CaseInsensitive))
            terms << QStringLiteral("q.%1").arg(k);
    }
    return QStringLiteral(" ORDER BY ") + terms.join(QLatin1Char(','));
}

QString TDataSet::encodeKey(const QVariantList& key) const
{
    QStringList parts;
    for (const QVariant& v : key)
        parts << (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 17) : v.toString());
    return parts.join(QChar(0x1f));
}

QString TDataSet::keyAt(int row) const
{
    const quint32 from = m_keyOffsets[size_t(row)];
    const quint32 to = size_t(row + 1) < m_keyOffsets.size() ? m_keyOffsets[size_t(row + 1)] : quint32(m_keyBlob.size());
    return QString::fromUtf8(m_keyBlob.constData() + from, int(to - from));
}

int TDataSet::findKey(const QString& key) const
{
    const QByteArray wanted = key.toUtf8();
    for (int i = 0; i < int(m_keyOffsets.size()); ++i) {
        const quint32 from = m_keyOffsets[size_t(i)];
        const quint32 to = size_t(i + 1) < m_keyOffsets.size() ? m_keyOffsets[size_t(i + 1)] : quint32(m_keyBlob.size());
        if (int(to - from) == wanted.size() && memcmp(m_keyBlob.constData() + from, wanted.constData(), size_t(wanted.size())) == 0)
            return i;
    }
    return -1;
}

void TDataSet::eraseKey(int row)
{
    const quint32 from = m_keyOffsets[size_t(row)];
    const quint32 to = size_t(row + 1) < m_keyOffsets.size() ? m_keyOffsets[size_t(row + 1)] : quint32(m_keyBlob.size());
    m_keyBlob.remove(qsizetype(from), qsizetype(to - from));
    m_keyOffsets.erase(m_keyOffsets.begin() + row);
    for (size_t i = size_t(row); i < m_keyOffsets.size(); ++i)
        m_keyOffsets[i] -= to - from;
}

void TDataSet::insertKey(int row, const QString& key)
{
    const QByteArray bytes = key.toUtf8();
    const quint32 at = size_t(row) < m_keyOffsets.size() ? m_keyOffsets[size_t(row)] : quint32(m_keyBlob.size());
    m_keyBlob.insert(qsizetype(at), bytes);
    m_keyOffsets.insert(m_keyOffsets.begin() + row, at);
    for (size_t i = size_t(row) + 1; i < m_keyOffsets.size(); ++i)
        m_keyOffsets[i] += quint32(bytes.size());
}

bool TDataSet::fetchKeys(QByteArray* blob, std::vector<quint32>* offsets) const
{
    QString error;
    const QString order = pagedOrderBy(&error);
    if (!error.isEmpty())
        return false;
    QStringList cols;
    QList<const TField*> keyFields;
    for (const QString& k : m_keyFields) {
        keyFields << findField(k);
        cols << QStringLiteral("q.") + keyFields.last()->name();
    }
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    bool ok = q.prepare(QStringLiteral("SELECT %1 FROM (%2) q%3").arg(cols.join(QLatin1Char(',')), m_positionalSql, order));
    for (int i = 0; ok && i < m_boundValues.size(); ++i)
        q.bindValue(i, m_boundValues.at(i));
    ok = ok && q.exec();
    if (!ok) {
        const_cast<TDataSet*>(this)->m_lastError = q.lastError();
        return false;
    }
    blob->clear();
    offsets->clear();
    // A single text key is its own text: no list of values per row (a million rows at times).
    const bool oneText = keyFields.size() == 1
                         && (keyFields.first()->type() == ColType::Text || keyFields.first()->type() == ColType::LongText);
    QVariantList key;
    while (q.next()) {
        offsets->push_back(quint32(blob->size()));
        if (oneText) {
            *blob += q.value(0).toString().toUtf8();
            continue;
        }
        key.clear();
        for (int i = 0; i < cols.size(); ++i)
            key << keyFields.at(i)->normalized(q.value(i));
        *blob += encodeKey(key).toUtf8();
    }
    if (q.lastError().isValid()) {
        const_cast<TDataSet*>(this)->m_lastError = q.lastError();
        return false;
    }
    q.finish();
    blob->squeeze();
    offsets->shrink_to_fit();
    return true;
}

bool TDataSet::readKeys()
{
    QByteArray blob;
    std::vector<quint32> offsets;
    if (!fetchKeys(&blob, &offsets))
        return false;
    m_keyBlob = std::move(blob);
    m_keyOffsets = std::move(offsets);
    m_serverRows = int(m_keyOffsets.size());
    m_countKnown = true;
    dropPages();
    return true;
}

bool TDataSet::completeRows(bool notify) const
{
    if (!m_paged || m_countKnown)
        return true;
    auto* self = const_cast<TDataSet*>(this);
    if (m_keyed) {
        QByteArray blob;
        std::vector<quint32> offsets;
        if (!fetchKeys(&blob, &offsets)) {
            qWarning("%s: %s", qPrintable(m_name), qPrintable(m_lastError.text()));
            return false;
        }
        const auto keyBytes = [](const QByteArray& b, const std::vector<quint32>& o, size_t i) {
            const quint32 to = i + 1 < o.size() ? o[i + 1] : quint32(b.size());
            return QByteArrayView(b.constData() + o[i], qsizetype(to - o[i]));
        };
        const size_t shown = m_keyOffsets.size();
        bool samePrefix = offsets.size() >= shown;
        for (size_t i = 0; samePrefix && i < shown; ++i)
            samePrefix = keyBytes(blob, offsets, i) == keyBytes(m_keyBlob, m_keyOffsets, i);
        if (!samePrefix) {
            // The server listed the rows in another order than it read the first page (a query
            // without an order of its own), or rows changed meanwhile: the first page stays as
            // it was shown and the others follow it, each row once.
            QSet<QByteArray> first;
            for (size_t i = 0; i < shown; ++i)
                first.insert(keyBytes(m_keyBlob, m_keyOffsets, i).toByteArray());
            QByteArray merged = m_keyBlob;
            std::vector<quint32> mergedOffsets = m_keyOffsets;
            for (size_t i = 0; i < offsets.size(); ++i) {
                const QByteArrayView k = keyBytes(blob, offsets, i);
                if (first.contains(k.toByteArray()))
                    continue;
                mergedOffsets.push_back(quint32(merged.size()));
                merged += k;
            }
            blob = std::move(merged);
            offsets = std::move(mergedOffsets);
        }
        m_keyBlob = std::move(blob);
        m_keyBlob.squeeze();
        m_keyOffsets = std::move(offsets);
        m_keyOffsets.shrink_to_fit();
        m_serverRows = int(m_keyOffsets.size());
    } else {
        QSqlQuery q(m_connection.database());
        q.setForwardOnly(true);
        bool ok = q.prepare(QStringLiteral("SELECT COUNT(*) FROM (%1) q").arg(m_positionalSql));
        for (int i = 0; ok && i < m_boundValues.size(); ++i)
            q.bindValue(i, m_boundValues.at(i));
        if (!ok || !q.exec() || !q.next()) {
            self->m_lastError = q.lastError();
            qWarning("%s: %s", qPrintable(m_name), qPrintable(m_lastError.text()));
            return false;
        }
        m_serverRows = q.value(0).toInt();
        q.finish();
    }
    m_countKnown = true;
    if (notify && !controlsDisabled())
        emit self->rowsCounted(rowTotal());
    return true;
}

bool TDataSet::execPaged()
{
    m_rows.clear();
    m_appended.clear();
    dropPages();
    m_keyBlob.clear();
    m_keyOffsets.clear();
    m_countKnown = true;
    m_paged = false;
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    const auto run = [&](const QString& sql) {
        bool ok = q.prepare(sql);
        for (int i = 0; ok && i < m_boundValues.size(); ++i)
            q.bindValue(i, m_boundValues.at(i));
        ok = ok && q.exec();
        if (!ok)
            m_lastError = q.lastError();
        return ok;
    };
    const auto takeColumns = [&] {
        const QSqlRecord rec = q.record();
        QStringList names;
        QStringList tables;
        for (int i = 0; i < rec.count(); ++i) {
            names << rec.field(i).name();
            tables << rec.field(i).tableName();
        }
        bindFields(names, tables);
        for (int i = 0; i < int(m_fields.size()); ++i) {
            if (!m_fields[size_t(i)]->m_fromSchema)
                m_fields[size_t(i)]->m_type = typeFromMeta(rec.field(i).metaType().id());
        }
    };
    m_orderByKey = orderableByKey(m_sql, m_table);
    // A sort names fields, whose types decide its terms: they come first from a read of no row.
    QString order;
    if (m_sort.isEmpty()) {
        QString none;
        order = pagedOrderBy(&none);
    } else {
        if (!run(QStringLiteral("SELECT * FROM (%1) q LIMIT 0").arg(m_positionalSql)))
            return false;
        takeColumns();
        q.finish();
        QString error;
        order = pagedOrderBy(&error);
        if (!error.isEmpty())
            return false;
    }
    // The first page, and one row more to tell whether others follow.
    if (!run(QStringLiteral("SELECT * FROM (%1) q%2 LIMIT %3").arg(m_positionalSql, order).arg(m_pageSize + 1)))
        return false;
    takeColumns();
    std::vector<Row> rows;
    while (int(rows.size()) <= m_pageSize && q.next())
        rows.push_back(rowOf(q));
    if (q.lastError().isValid()) {
        m_lastError = q.lastError();
        return false;
    }
    q.finish();
    // With a key, the rows are listed by their keys in order (the true count, the server's sort
    // over every row) and a page is read by its keys; without one, by position.
    m_keyed = !m_keyFields.isEmpty()
              && std::all_of(m_keyFields.begin(), m_keyFields.end(), [&](const QString& k) {
                     const TField* f = findField(k);
                     return f && f->isAttached();
                 });
    m_paged = true;
    m_countKnown = int(rows.size()) <= m_pageSize;
    if (!m_countKnown)
        rows.pop_back();
    m_serverRows = int(rows.size());
    if (m_keyed) {
        QVariantList key;
        for (const Row& row : rows) {
            key.clear();
            for (const QString& k : m_keyFields)
                key << row.at(findField(k)->index());
            m_keyOffsets.push_back(quint32(m_keyBlob.size()));
            m_keyBlob += encodeKey(key).toUtf8();
        }
    }
    if (!rows.empty()) {
        m_pages[0] = std::move(rows);
        m_pageUse.push_back(0);
    }
    return true;
}

bool TDataSet::loadPage(int page) const
{
    auto* self = const_cast<TDataSet*>(this);
    // Past the first page the rows must be listed; if the server refuses, the page stays empty.
    const bool listed = page == 0 || completeRows();
    const int first = page * m_pageSize;
    const int count = listed ? std::min(m_pageSize, m_serverRows - first) : 0;
    QString sql;
    QVariantList values = m_boundValues;
    if (m_keyed) {
        QStringList cols;
        for (const QString& k : m_keyFields)
            cols << QStringLiteral("q.") + findField(k)->name();
        const QString one = m_keyFields.size() == 1
                                ? QStringLiteral("?")
                                : QStringLiteral("(") + QStringList(m_keyFields.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QStringLiteral(")");
        QStringList all;
        for (int r = first; r < first + count; ++r) {
            const QStringList parts = keyAt(r).split(QChar(0x1f));
            for (int i = 0; i < m_keyFields.size(); ++i)
                values << toDb(*findField(m_keyFields.at(i)), findField(m_keyFields.at(i))->normalized(parts.value(i)));
            all << one;
        }
        const QString lhs = m_keyFields.size() == 1 ? cols.first() : QStringLiteral("(") + cols.join(QLatin1Char(',')) + QStringLiteral(")");
        sql = QStringLiteral("SELECT * FROM (%1) q WHERE %2 IN (%3)").arg(m_positionalSql, lhs, all.join(QLatin1Char(',')));
    } else {
        QString error;
        sql = QStringLiteral("SELECT * FROM (%1) q%2 LIMIT %3 OFFSET %4")
                  .arg(m_positionalSql, pagedOrderBy(&error))
                  .arg(m_pageSize)
                  .arg(qlonglong(first));
    }
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    bool ok = count <= 0 || q.prepare(sql);
    for (int i = 0; ok && count > 0 && i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    ok = ok && (count <= 0 || q.exec());
    std::vector<Row> rows;
    if (ok && count > 0) {
        const int n = int(m_fields.size());
        std::map<QString, size_t> slot;
        if (m_keyed) {
            rows.assign(size_t(count), Row(n));
            for (int r = 0; r < count; ++r)
                slot[keyAt(first + r)] = size_t(r);
        } else {
            rows.reserve(size_t(m_pageSize));
        }
        while (q.next()) {
            Row row = rowOf(q);
            if (!m_keyed) {
                rows.push_back(std::move(row));
                continue;
            }
            QVariantList key;
            for (const QString& k : m_keyFields)
                key << row.at(findField(k)->index());
            // A row the server no longer returns stays empty.
            const auto it = slot.find(encodeKey(key));
            if (it != slot.end())
                rows[it->second] = std::move(row);
        }
        ok = !q.lastError().isValid();
    }
    if (!ok) {
        self->m_lastError = q.lastError();
        qWarning("%s: %s", qPrintable(m_name), qPrintable(q.lastError().text()));
    }
    q.finish();
    while (int(m_pageUse.size()) >= m_pagesKept) {
        // Keep the current row's page: it is being looked at or edited.
        const int currentPage = m_current >= 0 && m_current < m_serverRows ? m_current / m_pageSize : -1;
        auto victim = std::find_if(m_pageUse.begin(), m_pageUse.end(), [&](int p) { return p != currentPage; });
        if (victim == m_pageUse.end())
            break;
        m_pages.erase(*victim);
        m_pageUse.erase(victim);
    }
    m_pages[page] = std::move(rows);
    m_pageUse.push_back(page);
    return ok;
}
