#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QList>
#include <QObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/Connection.h"
#include "data/dataset/TField.h"

/// Thrown by an event handler or entry hook to abandon the operation silently.
struct TAbort
{
};

/**
 * @brief Rows of one query held on the client with a current row, the stand-in for a
 * client-side static recordset.
 *
 * States are inactive, browse, edit and insert. A writable dataset names the table it writes
 * (`setTable`); its key and column types come from the schema, columns the query joins in from
 * other tables are read-only. A save writes only the changed columns, by the key read from the
 * database, and the WHERE of an update also carries the read values of the rule columns
 * (`setRuleColumns`), so a row another user changed meanwhile is refused instead of overwritten.
 * Identities and defaults the server assigns are read back on insert.
 *
 * Event handlers abandon the operation by throwing `TAbort` (`TDataSet::abort()`); the dataset
 * catches it and the operation returns false. Abandoning in `beforeX` leaves everything as it
 * was; abandoning in `afterPost`/`afterDelete` (after the handler rolled its transaction back)
 * returns the row to the state it had before the save or delete, still unsaved in the window.
 *
 * Rows are held compactly on the client; a loop that walks them brackets itself in
 * `disableControls()`/`enableControls()` so bound widgets and details repaint once.
 *
 * @code
 * TDataSet lines(con, "ImportDDS");
 * lines.setSql("select ImpDetail.*, Book.BookName from ImpDetail left join Book"
 *              " on ImpDetail.BookNo=Book.BookNo where ImpDetail.SArea=:SArea and ImpDetail.PNo=:PNo");
 * lines.setTable("ImpDetail");
 * lines.setMaster(&headers);          // :SArea, :PNo follow the header's current row
 * lines.beforePost = [](TDataSet& ds) { if (ds.fieldByName("Qty").isNull()) TDataSet::abort(); };
 * lines.open();
 * lines.edit();
 * lines.fieldByName("qty").setValue(3);   // names ignore case
 * if (!lines.post()) ...                  // refused, abandoned or failed: still in edit state
 * @endcode
 */
class TDataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Hook = std::function<void(TDataSet&)>;

    TDataSet(Connection& connection, const QString& name, QObject* parent = nullptr);
    ~TDataSet() override;

    QString name() const { return m_name; }
    Connection& connection() const { return m_connection; }

    // --- query and parameters -------------------------------------------------------------
    /// The statement; ":Name" marks a parameter (any letter case, may repeat). Closes the dataset.
    void setSql(const QString& sql);
    QString sql() const { return m_sql; }
    QStringList paramNames() const { return m_paramNames; }
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const;
    void clearParams() { m_params.clear(); }
    /// Parameters that name a field of the master take its value in the master's current row; the
    /// dataset re-reads whenever the master moves, re-reads or saves, and a new row takes them too.
    void setMaster(TDataSet* master);
    TDataSet* master() const { return m_master; }

    // --- writing ---------------------------------------------------------------------------
    /// The table the dataset writes, with its key from the schema; empty for a dataset that only reads.
    bool setTable(const QString& table);
    QString table() const { return m_table; }
    QStringList keyFields() const { return m_keyFields; }
    /// Columns whose read value must still be stored for an update to apply.
    void setRuleColumns(const QStringList& columns) { m_ruleColumns = columns; }
    QStringList ruleColumns() const { return m_ruleColumns; }
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly || m_table.isEmpty(); }

    // --- state and navigation ---------------------------------------------------------------
    bool open();
    void close();
    /// Re-reads the rows and returns to the row with the same key (or the same position).
    bool requery();
    bool isActive() const { return m_state != State::Inactive; }
    /// Holds at most `pagesKept` pages of `rows` rows on the client and reads the others as they
    /// are visited; the count comes from the server and a sort is done by it over every row.
    /// For searches that may return a large part of a big table. 0 holds every row. Applies from
    /// the next open; a new row is added at the end while paged. With a key (a writable dataset)
    /// the rows are listed by their keys, about 12 bytes a row; without one, pages are read by
    /// position and a sort starts again at the first row.
    ///
    /// Opening reads the first page alone. When more rows follow, they are listed (or counted)
    /// the first time something needs them: `recordCount()`, a move past the first page, `last()`,
    /// `locate` beyond it, a sort, a new or deleted row, a save. Until then
    /// `isRowCountKnown()` is false and `knownRowCount()` is the first page's size.
    void setPageSize(int rows, int pagesKept = 8);
    int pageSize() const { return m_pageSize; }
    /// Rows held on the client right now.
    int cachedRowCount() const;
    /// False while a paged read has rows past its first page that were not listed yet.
    bool isRowCountKnown() const { return !m_paged || m_countKnown; }
    /// The rows known without asking the server: `recordCount()` once it is known, else the
    /// first page's.
    int knownRowCount() const;
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    /// The true number of rows of the query (plus rows appended since), also when paged; a paged
    /// read lists the rest of its rows now if it had not yet.
    int recordCount() const { return rowTotal(); }
    bool isEmpty() const { return isRowCountKnown() ? rowTotal() == 0 : false; }
    /// The current row, -1 when there is none.
    int recNo() const { return m_current; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    /// Moving while editing saves a changed row (or cancels an unchanged one) first; false when
    /// that save fails, the dataset then stays where it was.
    bool first();
    bool last();
    bool next();
    bool prior();
    bool moveTo(int row);
    /// Moves to the first row whose fields equal the values (text ignoring letter case when asked).
    bool locate(const QStringList& fields, const QVariantList& values, bool caseInsensitive = false);

    // --- fields -----------------------------------------------------------------------------
    int fieldCount() const { return int(m_fields.size()); }
    TField& field(int index) const { return *m_fields.at(size_t(index)); }
    /// The field of that name ignoring letter case, or null.
    TField* findField(const QString& name) const;
    /// The field of that name ignoring letter case; a detached null field when the query lacks it.
    TField& fieldByName(const QString& name);
    QStringList fieldNames() const;
    QVariant value(int row, int column) const;
    /// The value of a field in any row (the edit buffer for the row being edited).
    QVariant value(int row, const QString& field) const;

    // --- editing ----------------------------------------------------------------------------
    bool insert(); ///< a new row before the current one
    bool append(); ///< a new row after the last
    bool edit();
    bool post();
    void cancel();
    bool remove();
    /// Editing a new row, or a row with a field changed since it was read.
    bool hasPendingChanges() const;
    bool isFieldChanged(const QString& field) const;
    /// The error of the last failed save or delete; `isConflict()` when an update found its row
    /// changed by someone else.
    const QSqlError& lastError() const { return m_lastError; }
    bool isConflict() const { return m_conflict; }
    QString lastStatement() const { return m_lastStatement; }

    // --- sorting and display -------------------------------------------------------------------
    /// "field ASC|DESC, ..." applied on the client, kept across re-reads; empty keeps read order.
    bool setSort(const QString& sort);
    QString sort() const { return m_sort; }
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // --- rows from elsewhere -------------------------------------------------------------------
    /// Takes the rows of an executed query's current result set (a procedure's result).
    bool loadFromQuery(QSqlQuery& query);
    bool loadRows(const QStringList& columns, const QList<QVariantList>& rows);
    /// Re-reads the current row through a statement returning it ("?" placeholders bound in
    /// order); the columns it returns replace the fields of the same name.
    bool refreshRecord(const QString& sql, const QVariantList& values);

    /// Abandons the running operation from inside an event handler.
    [[noreturn]] static void abort() { throw TAbort{}; }

    // Events; any may abandon its operation with TAbort.
    Hook afterOpen;
    Hook beforeInsert;
    Hook onNewRecord; ///< fills defaults of a new row; what it assigns is not a user change
    Hook afterInsert;
    Hook beforeEdit;
    Hook afterEdit;
    Hook beforePost;
    Hook afterPost;
    Hook afterCancel;
    Hook beforeDelete;
    Hook afterDelete;
    Hook onPostError;   ///< after a failed INSERT/UPDATE; the row stays in edit or insert
    Hook onDeleteError; ///< after a failed DELETE
    Hook afterScroll;

signals:
    void stateChanged(TDataSet::State state);
    /// The current row moved (or the rows were replaced).
    void currentChanged(int row);
    /// Rows were read, sorted or closed: everything bound must be refreshed.
    void rowsReset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    /// The rows of a paged read past its first page were listed: `recordCount()` is now known
    /// and may be larger than `knownRowCount()` was.
    void rowsCounted(int total);
    /// A field of the current row changed through setValue.
    void fieldChanged(TField* field);
    /// A save is starting: editors still holding typed text hand it to their fields now; one
    /// whose text a field refuses clears @p accepted and the row stays unsaved.
    void aboutToPost(bool* accepted);

private:
    friend class TField;
    using Row = QVariantList;

    bool runHook(const Hook& hook);
    bool fieldAssign(TField& field, const QVariant& value);
    QVariant fieldValue(const TField& field) const;
    QVariant fieldOldValue(const TField& field) const;
    bool checkBrowseMode();
    void bindFields(const QStringList& names, const QStringList& tables);
    /// The current row of `query`, one value a bound field, as the dataset holds it.
    Row rowOf(const QSqlQuery& query) const;
    bool readRows(QSqlQuery& query);
    QVariant paramValue(const QString& name) const;
    bool execSelect();
    /// A parameter following a key column of the master has no value: the master's row is not
    /// stored yet (or there is none), so it has no rows here. A stored key is never null.
    bool masterKeyMissing() const;
    void afterRowsLoaded(int keepRow, const QVariantList& keepKey);
    QVariantList keyOf(int row) const;
    bool applySort();
    bool writeInsert();
    bool writeUpdate();
    bool writeDelete();
    /// The WHERE of an update or delete: the key and the rule columns at their values in @p row.
    bool rowCondition(const Row& row, QStringList* where, QVariantList* values);
    /// Runs a write through the connection's kept statement of its text, values bound in order,
    /// keeping its text and error for the caller; null when it failed. Finish the query before
    /// anything else can run the same text.
    QSqlQuery* execStatement(const QString& sql, const QVariantList& values);
    /// Runs an update or delete of one row; touching no row means another user changed it.
    bool execRowWrite(const QString& sql, const QVariantList& values);
    QVariant toDb(const TField& field, const QVariant& value) const;
    void setState(State state);
    void setCurrent(int row, bool notify = true);
    void masterMoved();
    void notifyReset();

    // Row storage: every row in m_rows, or pages of the server's rows plus rows appended here.
    bool isPaged() const { return m_paged; }
    int rowTotal() const;
    Row& rowAt(int row) const;
    void insertRow(int at, const Row& row);
    void eraseRow(int at);
    bool execPaged();
    bool readKeys();
    /// The keys of every row of the query in the paged order, one after another.
    bool fetchKeys(QByteArray* blob, std::vector<quint32>* offsets) const;
    /// Lists (or counts) the rows past the first page; false when the server refused.
    bool completeRows(bool notify = true) const;
    /// Row @p row exists; asks the server for the rest of the rows only when it lies beyond them.
    bool hasRow(int row) const;
    bool loadPage(int page) const;
    QString encodeKey(const QVariantList& key) const;
    QString keyAt(int row) const;
    int findKey(const QString& key) const;
    void eraseKey(int row);
    void insertKey(int row, const QString& key);
    QString pagedOrderBy(QString* error) const;
    void dropPages() const;

    Connection& m_connection;
    QString m_name;
    QString m_sql;
    QString m_positionalSql;
    QStringList m_paramNames; ///< in order of appearance, one per placeholder
    std::map<QString, QVariant> m_params; ///< by lower-case name
    QVariantMap m_lastBound;              ///< values bound by the last read, by lower-case name
    TDataSet* m_master = nullptr;
    QMetaObject::Connection m_masterLinks[3];

    QString m_table;
    QStringList m_keyFields;
    QStringList m_ruleColumns;
    bool m_readOnly = false;

    State m_state = State::Inactive;
    std::vector<Row> m_rows;
    bool m_paged = false;
    int m_pageSize = 0;
    int m_pagesKept = 8;
    mutable int m_serverRows = 0;                  ///< rows of the query, when paged
    mutable bool m_countKnown = true;              ///< false: only the first page was read yet
    mutable std::map<int, std::vector<Row>> m_pages; ///< page number -> rows, when paged
    mutable std::vector<int> m_pageUse;            ///< pages, least recently used first
    mutable bool m_pageError = false;
    std::vector<Row> m_appended;                   ///< rows added on the client, when paged
    bool m_keyed = false;                          ///< paged by a list of the rows' keys
    bool m_orderByKey = false;                     ///< paged reads without a sort go by the key
    mutable QByteArray m_keyBlob;                          ///< the keys in order, UTF-8, one after another
    mutable std::vector<quint32> m_keyOffsets;             ///< where each row's key starts in m_keyBlob
    QString m_erasedKey;
    QVariantList m_boundValues;                    ///< parameter values of the last read, in order
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    Row m_buffer;   ///< the row being edited or inserted
    Row m_original; ///< the row as read, while editing
    int m_insertRow = -1;

    std::vector<TField*> m_fields; ///< in query order
    /// What the fields were last bound to: the columns, their tables and the table written.
    QStringList m_boundNames;
    QStringList m_boundTables;
    QString m_boundTable;
    std::map<QString, std::unique_ptr<TField>> m_fieldsByName; ///< lower-case name; lives as long as the dataset

    QString m_sort;
    int m_disableCount = 0;
    bool m_pendingReset = false;
    bool m_masterChangedWhileDisabled = false;

    QSqlError m_lastError;
    bool m_conflict = false;
    QString m_lastStatement;
    /// Re-reads of one row by their texts: the text kept prepared for each (with a table's
    /// columns named in place of its "*"), empty for one prepared on every run.
    std::map<QString, QString> m_rereads;
};
