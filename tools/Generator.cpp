#include "tools/Generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <future>
#include <limits>
#include <vector>

#include <QDate>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

#include "data/Connection.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int BranchCount = 10;
constexpr int Days = 1826; // five years
const QDate FirstDay(2021, 12, 1);

/// splitmix64: small, fast, and the same on every compiler and library.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

class Rng
{
public:
    explicit Rng(quint64 seed) : m_state(mix(seed)) {}
    quint64 next()
    {
        m_state += 0x9E3779B97F4A7C15ULL;
        return mix(m_state);
    }
    /// 0 .. n-1
    qint64 below(qint64 n) { return n <= 1 ? 0 : qint64(next() % quint64(n)); }
    bool chance(int percent) { return below(100) < percent; }

private:
    quint64 m_state;
};

/// A value that depends only on the seed, a table's tag and a row: book attributes are computed
/// where they are needed instead of being kept for a million rows.
quint64 hashOf(quint64 seed, quint64 tag, quint64 row)
{
    return mix(mix(seed ^ (tag * 0x632BE59BD9B4E019ULL)) ^ row);
}

template <std::size_t N> QString pick(const char* const (&list)[N], quint64 h)
{
    return QString::fromUtf8(list[h % N]);
}

const char* const Surnames[] = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊",
                                "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖", "賴", "周",
                                "徐", "蘇", "葉", "莊", "呂", "江", "何", "蕭", "羅", "高"};
const char* const Given[] = {"志明", "雅婷", "家豪", "淑芬", "俊傑", "美玲", "建宏",
                             "怡君", "冠宇", "佳穎", "宗翰", "欣怡", "承恩", "文雄",
                             "秀英", "子涵", "柏翰", "詠晴", "明哲", "靜宜"};
const char* const TitleHead[] = {
    "春天的", "山中", "城市", "海上",   "夜行", "遙遠的", "古典", "現代",     "寂靜的", "風中的",
    "島嶼",   "東方", "青春", "時間的", "夢裡", "無聲的", "森林", "星空下的", "河畔",   "老街"};
const char* const TitleTail[] = {"故事",   "旅人", "散文", "小說",  "歷史", "地圖", "筆記",
                                 "花園",   "手記", "研究", "導論",  "入門", "日記", "對話",
                                 "回憶錄", "畫冊", "百科", "詩集",  "評論", "札記", "圖鑑",
                                 "講義",   "年代", "書信", "工作室"};
const char* const Publishers[] = {"青禾出版社",
                                  "海灣文化",
                                  "北辰書業",
                                  "遠流書房",
                                  "晨星文庫",
                                  "大雅出版",
                                  "南山書局",
                                  "立新文化",
                                  "光華圖書",
                                  "文心出版社",
                                  "Harbor Academic Press",
                                  "Pacific Rim Books"};
const char* const Cities[] = {"台北市", "新北市", "桃園市", "台中市", "台南市", "高雄市",
                              "新竹市", "基隆市", "嘉義市", "宜蘭縣", "花蓮縣", "屏東縣"};
const char* const Roads[] = {"中正路", "民生路", "中山路",   "和平東路", "復興北路",
                             "建國路", "光復路", "忠孝東路", "信義路",   "成功路"};
const char* const CustomerKinds[] = {"書店",       "圖書館",           "國民小學", "高級中學",
                                     "大學圖書館", "文化事業有限公司", "補習班",   "書坊"};
const char* const SupplierKinds[] = {"出版社", "文化事業有限公司", "書業股份有限公司", "圖書公司",
                                     "出版有限公司"};
const char* const Subjects[][3] = {
    {"LIT", "Literature", "文學"},   {"HIS", "History", "歷史"},
    {"SCI", "Science", "自然科學"},  {"LAN", "Languages", "語言學習"},
    {"ART", "Art", "藝術設計"},      {"CHI", "Children", "兒童讀物"},
    {"BUS", "Business", "商業管理"}, {"COM", "Computing", "電腦資訊"},
    {"PHI", "Philosophy", "哲學"},   {"TRA", "Travel", "旅遊"},
    {"COO", "Cooking", "飲食"},      {"MED", "Medicine", "醫學保健"}};
constexpr int SubjectCount = int(sizeof(Subjects) / sizeof(Subjects[0]));
constexpr int ClassesPerSubject = 5;

struct Rate
{
    const char* code;
    double rate;
};
const Rate Rates[] = {{"NT", 1},     {"US", 31.5},  {"GBP", 41.32}, {"EUR", 34.2},
                      {"JPY", 0.21}, {"HKD", 4.05}, {"RMB", 4.4}};

int checkDigit(const QString& twelve)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (twelve[i].unicode() - '0') * (i % 2 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

QString withCheckDigit(const QString& twelve)
{
    return twelve + QChar(u'0' + checkDigit(twelve));
}

/// One document, compact: two million lines are held until the books' stock is known.
struct Doc
{
    int kind;
    int branch;
    int pno;
    int day;
    int partner;
    int firstLine;
    int lineCount;
    bool complete;
};

/// The partner of a stock adjustment that brings a book's stock up to what its trade needs.
constexpr int OpeningCount = 1;

struct Line
{
    int book;
    int qty;
    int priceCents;
    int discPercent;
    int currency; ///< index into Rates
};

struct KindPlan
{
    int kind;
    qint64 count; ///< at scale 1
    int qtyLow;
    int qtyHigh;
};

// About 400,000 documents at scale 1; stock adjustments (kind 0) have no lines.
const KindPlan Plans[] = {{1, 30000, 1, 20},   {7, 40000, 1, 30}, {2, 30000, 5, 60},
                          {4, 50000, 10, 100}, {6, 8000, 1, 5},   {3, 150000, 1, 12},
                          {5, 15000, 1, 3},    {12, 18000, 1, 3}, {10, 15000, 1, 10},
                          {11, 5000, 1, 10},   {0, 39000, -5, 20}};

int stockSign(int kind)
{
    switch (kind) {
    case 4:
    case 5:
        return 1;
    case 3:
    case 6:
        return -1;
    default:
        return 0;
    }
}

QString partnerColumn(int kind)
{
    switch (kind) {
    case 2:
        return u"VNO"_s;
    case 4:
    case 6:
        return u"VNo"_s;
    case 12:
    case 0:
        return {};
    default:
        return u"CustNo"_s;
    }
}

/// The loader: multi-row INSERTs with bound values, and a commit every so many rows.
class Load
{
public:
    Load(Connection& con) : m_con(con) {}

    bool exec(const QString& sql)
    {
        QSqlQuery q(m_con.database());
        if (q.exec(sql))
            return true;
        m_error = q.lastError().text() + u"\n"_s + sql;
        return false;
    }

    bool wrote(qint64 rows)
    {
        m_sinceCommit += rows;
        if (m_sinceCommit < 250000)
            return true;
        m_sinceCommit = 0;
        return commit() && begin();
    }
    bool begin()
    {
        if (m_con.beginWrite())
            return true;
        m_error = m_con.lastErrorText();
        return false;
    }
    bool commit()
    {
        if (m_con.commit())
            return true;
        m_error = m_con.lastErrorText();
        return false;
    }

    Connection& con() { return m_con; }
    QString m_error;

private:
    Connection& m_con;
    qint64 m_sinceCommit = 0;
};

class Batch
{
public:
    Batch(Load& load, const QString& table, const QStringList& columns)
        : m_load(load), m_table(table), m_columns(columns), m_full(load.con().database())
    {
        // Both backends cap the bound values of one statement (SQLite at 32766).
        m_perStatement = std::max<int>(1, std::min<int>(500, 30000 / int(columns.size())));
        m_values.reserve(m_perStatement * columns.size());
    }

    template <class... T> bool row(const T&... values)
    {
        (m_values.append(QVariant(values)), ...);
        return endRow();
    }
    /// A row whose columns vary, given as a list.
    bool rowOf(const QVariantList& values)
    {
        m_values.append(values);
        return endRow();
    }

    bool finish() { return m_pending == 0 || flush(); }
    qint64 rows() const { return m_rows; }

private:
    bool endRow()
    {
        ++m_rows;
        if (++m_pending == m_perStatement)
            return flush();
        return true;
    }

    QString sql(int rows) const
    {
        const QString one = u"("_s + QStringList(m_columns.size(), u"?"_s).join(u',') + u')';
        return u"INSERT INTO %1 (%2) VALUES "_s.arg(m_table, m_columns.join(u',')) +
               QStringList(rows, one).join(u',');
    }

    bool flush()
    {
        const bool full = m_pending == m_perStatement;
        QSqlQuery partial(m_load.con().database());
        QSqlQuery& q = full ? m_full : partial;
        if (!full || !m_prepared) {
            if (!q.prepare(sql(m_pending))) {
                m_load.m_error = m_table + u": "_s + q.lastError().text();
                return false;
            }
            m_prepared = m_prepared || full;
        }
        for (int i = 0; i < m_values.size(); ++i)
            q.bindValue(i, m_values[i]);
        if (!q.exec()) {
            m_load.m_error = m_table + u": "_s + q.lastError().text();
            return false;
        }
        const int written = m_pending;
        m_values.clear();
        m_pending = 0;
        return m_load.wrote(written);
    }

    Load& m_load;
    QString m_table;
    QStringList m_columns;
    QSqlQuery m_full;
    bool m_prepared = false;
    int m_perStatement = 1;
    int m_pending = 0;
    qint64 m_rows = 0;
    QVariantList m_values;
};

const QVariant NullText{QMetaType::fromType<QString>()};

class Filler
{
public:
    Filler(Connection& con, const Generator::Options& options, QTextStream& out)
        : m_load(con), m_options(options), m_out(out), m_backend(con.backend())
    {
        const double s = options.scale;
        m_books = Generator::bookCount(s);
        m_customers = std::max<qint64>(10, std::llround(50000 * s));
        m_suppliers = std::max<qint64>(5, std::llround(5000 * s));
        m_classes = SubjectCount * ClassesPerSubject;
        for (int d = 0; d < Days; ++d)
            m_dates << SqlDialect::dateValue(m_backend, FirstDay.addDays(d));
        for (int b = 0; b < BranchCount; ++b)
            m_branches << u"C%1"_s.arg(b);
    }

    bool run(QString* error)
    {
        m_total.start();
        const bool ok = fill();
        if (!ok) {
            if (m_load.con().inTransaction())
                m_load.con().rollback();
            *error = m_load.m_error;
        }
        return ok;
    }

private:
    bool fill()
    {
        if (!createTables())
            return false;
        planDocuments();
        if (!m_load.begin())
            return false;
        if (!step(u"Vendor"_s, [this] { return vendors(); }) ||
            !step(u"Clases"_s, [this] { return classes(); }) ||
            !step(u"ExRate"_s, [this] { return rates(); }) ||
            !step(u"UserPass"_s, [this] { return users(); }) ||
            !step(u"Customer"_s, [this] { return customers(); }) ||
            !step(u"Book"_s, [this] { return books(); }))
            return false;
        for (const KindPlan& plan : Plans) {
            const DocKindDef* def = Schema::docKind(plan.kind);
            if (!step(plan.kind == 0 ? def->header : def->header + u" + "_s + def->detail,
                      [this, &plan] { return documents(plan.kind); }))
                return false;
        }
        if (!step(u"StockPost + StockPostLine"_s, [this] { return postings(); }) ||
            !step(u"PNoCounter"_s, [this] { return counters(); }) || !m_load.commit())
            return false;
        return finishSchema();
    }

    template <class F> bool step(const QString& name, F work)
    {
        QElapsedTimer t;
        t.start();
        m_rows = 0;
        m_out << name << ": " << Qt::flush;
        if (!work())
            return false;
        m_out << m_rows << " rows in " << QString::number(t.elapsed() / 1000.0, 'f', 1) << " s\n"
              << Qt::flush;
        return true;
    }

    // ---- schema ---------------------------------------------------------------------------

    bool createTables()
    {
        Connection& con = m_load.con();
        if (!con.open()) {
            m_load.m_error = con.lastErrorText();
            return false;
        }
        if (Schema::exists(con)) {
            m_load.m_error = u"the database already holds a schema: generate needs an empty one"_s;
            return false;
        }
        if (m_backend == Backend::Sqlite) {
            // A bulk load into a new file: no journal, no syncing, no reference checks (the rows
            // are made consistent); the normal settings come back at the end.
            for (const QString& pragma :
                 {u"PRAGMA foreign_keys=OFF"_s, u"PRAGMA journal_mode=OFF"_s,
                  u"PRAGMA synchronous=OFF"_s, u"PRAGMA cache_size=-262144"_s,
                  u"PRAGMA temp_store=MEMORY"_s}) {
                if (!m_load.exec(pragma))
                    return false;
            }
        } else if (!m_load.exec(u"SET synchronous_commit TO OFF"_s) ||
                   !m_load.exec(u"SET maintenance_work_mem TO '256MB'"_s)) {
            return false;
        }
        // Secondary indexes and views are made after the load: building an index once is much
        // faster than keeping it up to date row by row.
        if (!m_load.begin())
            return false;
        for (QString sql : Schema::createStatements(m_backend, m_branches)) {
            if (sql.startsWith(u"CREATE INDEX"_s) || sql.startsWith(u"CREATE UNIQUE INDEX"_s) ||
                sql.startsWith(u"CREATE VIEW"_s)) {
                m_deferred << sql;
                continue;
            }
            if (m_backend == Backend::Postgres && sql.startsWith(u"CREATE TABLE"_s))
                sql = withoutReferences(sql);
            if (!m_load.exec(sql))
                return false;
        }
        return m_load.commit();
    }

    /**
     * PostgreSQL checks a reference row by row while loading, and all at once, much faster, when
     * it is added to a filled table. The references are taken out of the table's statement and
     * added after the load in their order, so they get the names the statement gives them.
     */
    QString withoutReferences(const QString& createTable)
    {
        const QString separator = u",\n  "_s;
        const qsizetype open = createTable.indexOf(u"(\n  "_s);
        const QString table = createTable.mid(12, open - 12).trimmed();
        QStringList parts =
            createTable.mid(open + 4, createTable.size() - open - 6).split(separator);
        for (qsizetype i = 0; i < parts.size();) {
            if (parts[i].startsWith(u"FOREIGN KEY"_s)) {
                m_references << u"ALTER TABLE %1 ADD %2"_s.arg(table, parts[i]);
                parts.removeAt(i);
            } else {
                ++i;
            }
        }
        return createTable.left(open + 4) + parts.join(separator) + u"\n)"_s;
    }

    bool finishSchema()
    {
        QElapsedTimer t;
        t.start();
        m_out << "references, indexes and views: " << Qt::flush;
        if (!m_load.begin())
            return false;
        for (const QString& sql : std::as_const(m_references) + m_deferred) {
            if (!m_load.exec(sql))
                return false;
        }
        if (!m_load.commit())
            return false;
        m_out << m_references.size() + m_deferred.size() << " in "
              << QString::number(t.elapsed() / 1000.0, 'f', 1) << " s\n";
        t.restart();
        m_out << "analyze: " << Qt::flush;
        if (m_backend == Backend::Sqlite) {
            for (const QString& pragma :
                 {u"PRAGMA journal_mode=WAL"_s, u"PRAGMA synchronous=NORMAL"_s,
                  u"PRAGMA foreign_keys=ON"_s, u"PRAGMA cache_size=-2000"_s, u"ANALYZE"_s}) {
                if (!m_load.exec(pragma))
                    return false;
            }
        } else if (!m_load.exec(u"ANALYZE"_s)) {
            return false;
        }
        m_out << QString::number(t.elapsed() / 1000.0, 'f', 1) << " s\n"
              << "total " << QString::number(m_total.elapsed() / 1000.0, 'f', 1) << " s\n"
              << Qt::flush;
        return true;
    }

    // ---- master data ----------------------------------------------------------------------

    QString personName(quint64 h) const { return pick(Surnames, h) + pick(Given, h >> 16); }
    QString address(quint64 h) const
    {
        return pick(Cities, h) + pick(Roads, h >> 8) + u"%1號"_s.arg(1 + (h >> 20) % 300);
    }
    QString phone(quint64 h) const
    {
        return u"0%1-%2"_s.arg(2 + h % 7).arg(20000000 + (h >> 8) % 79999999);
    }
    QVariant day(quint64 h) const { return m_dates[int(h % Days)]; }

    bool vendors()
    {
        Batch b(m_load, u"Vendor"_s,
                {u"VNo"_s, u"VName"_s, u"Contact"_s, u"VAddress"_s, u"VTel"_s, u"MKind"_s,
                 u"V_CR"_s, u"Alliance"_s, u"WDate"_s});
        for (int i = 0; i < BranchCount; ++i) {
            const quint64 h = hashOf(m_options.seed, 1, quint64(i));
            const QString name =
                i == 0 ? u"禾嶼圖書總公司"_s : u"禾嶼圖書%1分公司"_s.arg(pick(Cities, h));
            if (!b.row(m_branches[i], name, personName(h), address(h >> 3), phone(h >> 5), 0, 30, 1,
                       m_dates[0]))
                return false;
        }
        for (qint64 i = 0; i < m_suppliers; ++i) {
            const quint64 h = hashOf(m_options.seed, 2, quint64(i));
            const bool foreign = h % 10 == 0;
            const QString name = foreign ? u"%1 Press %2"_s.arg(pick(Publishers, h)).arg(i)
                                         : pick(Cities, h >> 4).left(2) + pick(Given, h >> 9) +
                                               pick(SupplierKinds, h >> 13) + QString::number(i);
            if (!b.row(Generator::supplierNo(i), name.left(40), personName(h >> 17),
                       address(h >> 21), phone(h >> 25), foreign ? 1 : 0,
                       int(30 + (h >> 33) % 4 * 15), 0, day(h >> 37)))
                return false;
        }
        return done(b);
    }

    bool classes()
    {
        Batch b(m_load, u"Clases"_s, {u"ClsNo"_s, u"ClsENm"_s, u"ClsCNm"_s});
        for (int i = 0; i < m_classes; ++i) {
            const auto& s = Subjects[i / ClassesPerSubject];
            const int n = i % ClassesPerSubject + 1;
            if (!b.row(classNo(i), u"%1 %2"_s.arg(QString::fromUtf8(s[1])).arg(n),
                       u"%1%2"_s.arg(QString::fromUtf8(s[2])).arg(n)))
                return false;
        }
        return done(b);
    }

    static QString classNo(int i)
    {
        return QString::fromLatin1(Subjects[i / ClassesPerSubject][0]) +
               QString::number(i % ClassesPerSubject + 1);
    }

    bool rates()
    {
        Batch b(m_load, u"ExRate"_s, {u"ORI_CR"_s, u"rate"_s});
        for (const Rate& r : Rates) {
            if (!b.row(QString::fromLatin1(r.code), r.rate))
                return false;
        }
        return done(b);
    }

    bool users()
    {
        // An administrator, a manager per branch and a clerk at the head office; the password is
        // the code in lower case. Each hash is deliberately slow: there are few accounts, and
        // their hashes are made side by side.
        struct Account
        {
            QString code;
            QString name;
            QString area;
            QString priv;
        };
        QList<Account> accounts = {
            {u"ADMIN"_s, u"陳總經理"_s, m_branches[0], u"1FFFFF7777771727"_s},
            {u"CLK0"_s, personName(hashOf(m_options.seed, 3, BranchCount)), m_branches[0],
             u"0300N07777730710"_s}};
        for (int i = 0; i < BranchCount; ++i)
            accounts.append({u"MGR%1"_s.arg(i), personName(hashOf(m_options.seed, 3, quint64(i))),
                             m_branches[i], u"1330N07777770720"_s});
        std::vector<std::future<QString>> hashes;
        for (const Account& a : std::as_const(accounts))
            hashes.push_back(std::async(std::launch::async, PasswordHash::make, a.code.toLower()));
        Batch b(m_load, u"UserPass"_s,
                {u"UsCode"_s, u"UsName"_s, u"SArea"_s, u"UsPriv"_s, u"UsHash"_s});
        for (qsizetype i = 0; i < accounts.size(); ++i) {
            const Account& a = accounts[i];
            if (!b.row(a.code, a.name, a.area, a.priv, hashes[size_t(i)].get()))
                return false;
        }
        return done(b);
    }

    bool customers()
    {
        Batch b(m_load, u"Customer"_s,
                {u"CustNo"_s, u"CustName"_s, u"Contact"_s, u"VIPNo"_s, u"CTel"_s, u"CAddress"_s,
                 u"SArea"_s, u"MDate"_s, u"WDate"_s});
        for (qint64 i = 0; i < m_customers; ++i) {
            const quint64 h = hashOf(m_options.seed, 4, quint64(i));
            const QString name = pick(Cities, h).left(2) + pick(TitleHead, h >> 5).left(2) +
                                 pick(CustomerKinds, h >> 11) + QString::number(i);
            const QVariant vip =
                i % 5 == 0 ? QVariant(u"VIP%1"_s.arg(i, 8, 10, QLatin1Char('0'))) : NullText;
            if (!b.row(Generator::customerNo(i), name, personName(h >> 15), vip, phone(h >> 21),
                       address(h >> 27), m_branches[int((h >> 35) % BranchCount)], day(h >> 39),
                       day(h >> 41)))
                return false;
        }
        return done(b);
    }

    // ---- books ----------------------------------------------------------------------------

    int priceCents(qint64 book) const
    {
        return int(100 + hashOf(m_options.seed, 5, quint64(book)) % 90 * 10) * 100;
    }
    QString bookName(qint64 i) const
    {
        const quint64 h = hashOf(m_options.seed, 6, quint64(i));
        QString name = pick(TitleHead, h) + pick(TitleTail, h >> 8);
        if ((h >> 16) & 1)
            name += u" 第%1卷"_s.arg(1 + (h >> 17) % 12);
        return name;
    }
    QString author(qint64 i) const { return personName(hashOf(m_options.seed, 7, quint64(i))); }
    QString publisher(qint64 i) const
    {
        return pick(Publishers, hashOf(m_options.seed, 8, quint64(i)));
    }
    QVariant isbn(qint64 i) const { return i % 20 == 19 ? NullText : QVariant(Generator::isbn(i)); }
    QString barCode(qint64 i) const
    {
        // Books without an ISBN carry the house's own EAN.
        return i % 20 == 19 ? withCheckDigit(u"200%1"_s.arg(i, 9, 10, QLatin1Char('0')))
                            : Generator::isbn(i);
    }

    bool books()
    {
        QStringList columns = {u"BookNo"_s,  u"BookName"_s,   u"Author"_s,  u"ISBN"_s,
                               u"BarCode"_s, u"BPublisher"_s, u"VNo"_s,     u"ClsNo"_s,
                               u"NTPrice"_s, u"FPrice"_s,     u"ORI_CR"_s,  u"KDiscount"_s,
                               u"PubYear"_s, u"BWeight"_s,    u"In_Date"_s, u"WDate"_s};
        for (const QString& code : std::as_const(m_branches))
            columns << u"Stock"_s + code;
        Batch b(m_load, u"Book"_s, columns);
        const QString kDiscount = u"ABCDEF"_s;
        for (qint64 i = 0; i < m_books; ++i) {
            const quint64 h = hashOf(m_options.seed, 9, quint64(i));
            const int price = priceCents(i);
            const bool foreign = h % 8 == 0;
            const int* s = &m_stock[size_t(i) * BranchCount];
            if (!b.row(Generator::bookNo(i, m_books), bookName(i), author(i), isbn(i), barCode(i),
                       publisher(i), Generator::supplierNo(qint64((h >> 3) % quint64(m_suppliers))),
                       classNo(int((h >> 17) % quint64(m_classes))), price / 100.0,
                       foreign ? std::round(price / 31.5) / 100.0 : 0.0,
                       foreign ? u"US"_s : u"NT"_s, QString(kDiscount[int((h >> 25) % 6)]),
                       int(1990 + (h >> 28) % 36), 0.2 + double((h >> 35) % 900) / 1000.0,
                       day(h >> 40), day(h >> 44), s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7],
                       s[8], s[9]))
                return false;
        }
        return done(b);
    }

    // ---- documents ------------------------------------------------------------------------

    /// Every document and line, so that the books' stock is known before the books are written.
    void planDocuments()
    {
        m_stock.assign(size_t(m_books) * BranchCount, 0);
        Rng rng(m_options.seed ^ 0xD0C5);
        qint64 serial = 0;
        for (const KindPlan& plan : Plans) {
            const qint64 count = std::max<qint64>(1, std::llround(plan.count * m_options.scale));
            int inquiryNo = 0;
            for (int branch = 0; branch < BranchCount; ++branch) {
                // The head office does three tenths of the trade; one counter sale per branch and
                // day at most, so counter sales are shared evenly.
                qint64 mine;
                if (plan.kind == 12) {
                    mine = count / BranchCount + (branch < count % BranchCount ? 1 : 0);
                    mine = std::min<qint64>(mine, Days);
                } else {
                    const qint64 head = std::llround(count * 0.3);
                    const qint64 rest = count - head;
                    mine = branch == 0 ? head : rest / 9 + (branch - 1 < rest % 9 ? 1 : 0);
                }
                for (qint64 j = 0; j < mine; ++j) {
                    Doc d{};
                    d.kind = plan.kind;
                    d.branch = branch;
                    d.pno = plan.kind == 11 ? ++inquiryNo : int(j + 1);
                    d.day = int(j * Days / mine);
                    d.partner = int(rng.below(
                        partnerColumn(plan.kind).startsWith(u'V') ? m_suppliers : m_customers));
                    // The last two months are still partly open.
                    const bool recent = d.day > Days - 60;
                    d.complete = rng.chance(recent ? 50 : 97);
                    d.firstLine = int(m_lines.size());
                    const bool longShipment =
                        plan.kind == 3 && branch == 0 && d.pno == Generator::LongShipmentPNo;
                    if (longShipment)
                        d.complete = false;
                    if (plan.kind == 0) {
                        // A stock adjustment: one book, a quantity that is never zero.
                        int qty = int(plan.qtyLow + rng.below(plan.qtyHigh - plan.qtyLow + 1));
                        if (qty == 0)
                            qty = 1;
                        const int book = serial % 97 == 0 ? 0 : int(rng.below(m_books));
                        m_lines.push_back({book, qty, 0, 100, 0});
                        d.lineCount = 1;
                        d.complete = true;
                        d.partner = 0;
                        m_stock[size_t(book) * BranchCount + size_t(branch)] += qty;
                    } else {
                        int lines =
                            longShipment ? Generator::LongShipmentLines : int(1 + rng.below(10));
                        const bool history = serial % 97 == 0 || longShipment;
                        addLines(rng, plan, d, lines, history);
                    }
                    ++serial;
                    m_docs.push_back(d);
                }
            }
        }
        // What a branch still lacks after all its trade was found at its opening count.
        for (qint64 book = 0; book < m_books; ++book) {
            for (int branch = 0; branch < BranchCount; ++branch) {
                int& stock = m_stock[size_t(book) * BranchCount + size_t(branch)];
                if (stock >= 0)
                    continue;
                Doc d{};
                d.branch = branch;
                d.complete = true;
                d.firstLine = int(m_lines.size());
                d.lineCount = 1;
                d.partner = OpeningCount;
                m_lines.push_back({int(book), -stock, 0, 100, 0});
                m_docs.push_back(d);
                stock = 0;
            }
        }
    }

    /// Distinct books on one document: a run with a random start and stride.
    void addLines(Rng& rng, const KindPlan& plan, Doc& d, int lines, bool history)
    {
        const qint64 others = m_books - 1;
        lines = int(std::min<qint64>(lines, std::max<qint64>(1, others / 2)));
        const qint64 stride = 1 + rng.below(std::max<qint64>(1, others / lines));
        const qint64 start = rng.below(others);
        const bool foreign = (plan.kind == 4 || plan.kind == 2) && rng.chance(20);
        const int sign = d.complete ? stockSign(plan.kind) : 0;
        // Shipments and purchase returns take books the branch has received.
        const std::vector<int>& received = m_received[size_t(d.branch)];
        const bool fromStock =
            (plan.kind == 3 || plan.kind == 6) && !received.empty() && lines <= 10;
        std::array<int, 10> taken{};
        for (int j = 0; j < lines; ++j) {
            int book = history && j == 0
                           ? 0
                           : int(1 + (start + (j - (history ? 1 : 0)) * stride) % others);
            int available = std::numeric_limits<int>::max();
            if (fromStock && !(history && j == 0)) {
                // A completed document takes only what is there; a few tries, else a line less.
                book = -1;
                for (int attempt = 0; attempt < 4 && book < 0; ++attempt) {
                    const int candidate = received[size_t(rng.below(qint64(received.size())))];
                    const int stock = m_stock[size_t(candidate) * BranchCount + size_t(d.branch)];
                    if (std::find(taken.begin(), taken.begin() + j, candidate) ==
                            taken.begin() + j &&
                        (sign == 0 || stock > 0)) {
                        book = candidate;
                        if (sign != 0)
                            available = stock;
                    }
                }
                if (book < 0) {
                    --lines;
                    --j;
                    continue;
                }
                taken[size_t(j)] = book;
            }
            Line l;
            l.book = book;
            l.qty =
                std::min(available, int(plan.qtyLow + rng.below(plan.qtyHigh - plan.qtyLow + 1)));
            l.currency = foreign ? 1 : 0;
            l.priceCents =
                foreign ? int(std::lround(priceCents(book) / Rates[1].rate)) : priceCents(book);
            l.discPercent = plan.kind == 12 ? 90 : int(60 + 5 * rng.below(9));
            m_lines.push_back(l);
            if (plan.kind == 4)
                m_received[size_t(d.branch)].push_back(book);
            if (sign != 0)
                m_stock[size_t(book) * BranchCount + size_t(d.branch)] += sign * l.qty;
        }
        d.lineCount = lines;
    }

    QString time(const Doc& d, int line) const
    {
        const int seconds = 9 * 3600 + (d.pno * 137 % 28800) + line;
        return QTime(0, 0).addSecs(seconds).toString(u"HH:mm:ss"_s);
    }

    double unSum(const Line& l) const
    {
        // NT amounts are whole dollars, foreign ones cents.
        const double cents = double(l.qty) * l.priceCents * l.discPercent / 100.0;
        return l.currency == 0 ? std::round(cents / 100.0) : std::round(cents) / 100.0;
    }

    bool documents(int kind)
    {
        const DocKindDef* def = Schema::docKind(kind);
        if (kind == 0)
            return adjustments();
        const QString partner = partnerColumn(kind);
        QStringList columns = {u"SArea"_s, u"PNo"_s, u"EDate"_s, u"EComplete"_s};
        if (!partner.isEmpty())
            columns << partner;
        const bool mKind = kind != 12 && kind != 10 && kind != 11;
        if (mKind)
            columns << u"MKind"_s;
        if (kind == 1 || kind == 3 || kind == 4)
            columns << u"ETime"_s;
        if (kind == 2)
            columns << u"PreDate"_s << u"CArea"_s << u"YetFlag"_s;
        if (kind == 10 || kind == 11)
            columns << u"OpStat"_s;
        Batch head(m_load, def->header, columns);
        for (const Doc& d : m_docs) {
            if (d.kind != kind)
                continue;
            QVariantList v = {m_branches[d.branch], d.pno, m_dates[d.day], d.complete ? 1 : 0};
            if (!partner.isEmpty())
                v << (partner.startsWith(u'V') ? Generator::supplierNo(d.partner)
                                               : Generator::customerNo(d.partner));
            if (mKind)
                v << (d.partner % 7 == 0 ? 1 : 0);
            if (kind == 1 || kind == 3 || kind == 4)
                v << time(d, 0);
            if (kind == 2)
                v << m_dates[std::min(Days - 1, d.day + 30)] << 0 << 0;
            if (kind == 10 || kind == 11)
                v << (d.complete ? u"完成"_s : u"詢價"_s);
            if (!head.rowOf(v))
                return false;
        }
        if (!head.finish())
            return false;
        m_rows += head.rows();
        return kind == 10 || kind == 11 ? inquiryLines(kind) : documentLines(kind);
    }

    bool documentLines(int kind)
    {
        const DocKindDef* def = Schema::docKind(kind);
        QStringList columns = {u"SArea"_s, u"PNo"_s,    u"BookNo"_s, u"Price"_s, u"Qty"_s,
                               u"Disc"_s,  u"ORI_CR"_s, u"rate"_s,   u"UnSum"_s, u"ETime"_s};
        const bool customer = kind == 2 || kind == 12;
        if (customer)
            columns << u"CustNo"_s;
        Batch b(m_load, def->detail, columns);
        QVariantList v;
        for (const Doc& d : m_docs) {
            if (d.kind != kind)
                continue;
            for (int j = 0; j < d.lineCount; ++j) {
                const Line& l = m_lines[size_t(d.firstLine + j)];
                const Rate& r = Rates[l.currency];
                v = {m_branches[d.branch],
                     d.pno,
                     Generator::bookNo(l.book, m_books),
                     l.priceCents / 100.0,
                     l.qty,
                     l.discPercent / 100.0,
                     QString::fromLatin1(r.code),
                     r.rate,
                     unSum(l),
                     time(d, j)};
                // Some lines of a purchase or counter sale name the customer they are for.
                if (customer)
                    v << (j % 3 == 0
                              ? QVariant(Generator::customerNo((d.partner + j) % m_customers))
                              : NullText);
                if (!b.rowOf(v))
                    return false;
            }
        }
        if (!b.finish())
            return false;
        m_rows += b.rows();
        return true;
    }

    /// Inquiry lines copy the book's description, as a request for a title not yet stocked does.
    bool inquiryLines(int kind)
    {
        const DocKindDef* def = Schema::docKind(kind);
        QStringList columns;
        if (kind == 10)
            columns << u"SArea"_s;
        columns << u"PNo"_s << u"SDNo"_s << u"BookNo"_s << u"ORI_CR"_s << u"NTPrice"_s
                << u"BookName"_s << u"Author"_s << u"ISBN"_s << u"BPublisher"_s << u"BarCode"_s
                << u"Qty"_s;
        Batch b(m_load, def->detail, columns);
        for (const Doc& d : m_docs) {
            if (d.kind != kind)
                continue;
            for (int j = 0; j < d.lineCount; ++j) {
                const Line& l = m_lines[size_t(d.firstLine + j)];
                QVariantList v;
                if (kind == 10)
                    v << m_branches[d.branch];
                v << d.pno << j + 1 << Generator::bookNo(l.book, m_books) << u"NT"_s
                  << priceCents(l.book) / 100.0 << bookName(l.book) << author(l.book)
                  << isbn(l.book) << publisher(l.book) << barCode(l.book) << l.qty;
                if (!b.rowOf(v))
                    return false;
            }
        }
        if (!b.finish())
            return false;
        m_rows += b.rows();
        return true;
    }

    bool adjustments()
    {
        Batch b(m_load, u"BRStock"_s,
                {u"BookNo"_s, u"SArea"_s, u"EDate"_s, u"Qty"_s, u"UsCode"_s, u"BRReason"_s});
        for (const Doc& d : m_docs) {
            if (d.kind != 0)
                continue;
            const Line& l = m_lines[size_t(d.firstLine)];
            if (!b.row(Generator::bookNo(l.book, m_books), m_branches[d.branch], m_dates[d.day],
                       l.qty, u"MGR%1"_s.arg(d.branch),
                       d.partner == OpeningCount ? u"期初盤點"_s
                       : l.qty > 0               ? u"盤點盤盈"_s
                                                 : u"盤點短少"_s))
                return false;
        }
        return done(b);
    }

    /// What the completion recorded for every completed stock document.
    bool postings()
    {
        Batch post(m_load, u"StockPost"_s, {u"SArea"_s, u"DocKind"_s, u"PNo"_s, u"PostTime"_s});
        for (const Doc& d : m_docs) {
            if (d.complete && stockSign(d.kind) != 0 &&
                !post.row(m_branches[d.branch], d.kind, d.pno, m_dates[d.day]))
                return false;
        }
        if (!post.finish())
            return false;
        Batch lines(m_load, u"StockPostLine"_s,
                    {u"SArea"_s, u"DocKind"_s, u"PNo"_s, u"BookNo"_s, u"Qty"_s});
        for (const Doc& d : m_docs) {
            const int sign = stockSign(d.kind);
            if (!d.complete || sign == 0)
                continue;
            for (int j = 0; j < d.lineCount; ++j) {
                const Line& l = m_lines[size_t(d.firstLine + j)];
                if (!lines.row(m_branches[d.branch], d.kind, d.pno,
                               Generator::bookNo(l.book, m_books), sign * l.qty))
                    return false;
            }
        }
        if (!lines.finish())
            return false;
        m_rows += post.rows() + lines.rows();
        return true;
    }

    bool counters()
    {
        std::array<std::array<int, BranchCount>, 13> last{};
        for (const Doc& d : m_docs) {
            if (d.kind != 0)
                last[size_t(d.kind)][size_t(d.branch)] =
                    std::max(last[size_t(d.kind)][size_t(d.branch)], d.pno);
        }
        Batch b(m_load, u"PNoCounter"_s, {u"SArea"_s, u"DocKind"_s, u"LastNo"_s});
        for (int kind = 1; kind <= 12; ++kind) {
            if (kind == 11) {
                const int n = *std::max_element(last[11].begin(), last[11].end());
                if (n > 0 && !b.row(u"*"_s, kind, n))
                    return false;
                continue;
            }
            for (int branch = 0; branch < BranchCount; ++branch) {
                const int n = last[size_t(kind)][size_t(branch)];
                if (n > 0 && !b.row(m_branches[branch], kind, n))
                    return false;
            }
        }
        return done(b);
    }

    bool done(Batch& b)
    {
        if (!b.finish())
            return false;
        m_rows += b.rows();
        return true;
    }

    Load m_load;
    Generator::Options m_options;
    QTextStream& m_out;
    Backend m_backend;
    QElapsedTimer m_total;
    qint64 m_books = 0;
    qint64 m_customers = 0;
    qint64 m_suppliers = 0;
    int m_classes = 0;
    QStringList m_branches;
    QVariantList m_dates;
    QStringList m_deferred;
    QStringList m_references;
    std::vector<Doc> m_docs;
    std::vector<Line> m_lines;
    std::vector<int> m_stock;                             ///< book * BranchCount + branch
    std::array<std::vector<int>, BranchCount> m_received; ///< books on each branch's receipts
    qint64 m_rows = 0;
};

} // namespace

Generator::Generator(Connection& connection, const Options& options, QTextStream& out)
    : m_con(connection), m_options(options), m_out(out)
{
}

bool Generator::run(QString* error)
{
    Filler filler(m_con, m_options, m_out);
    return filler.run(error);
}

QStringList Generator::branchCodes()
{
    QStringList codes;
    for (int b = 0; b < BranchCount; ++b)
        codes << u"C%1"_s.arg(b);
    return codes;
}

qint64 Generator::bookCount(double scale)
{
    return std::max<qint64>(20, std::llround(1000000 * scale));
}

QString Generator::bookNo(qint64 index, qint64 count)
{
    // Key order follows the index: two letters, then the book's place within them.
    const qint64 perPrefix = (count + 675) / 676;
    const qint64 prefix = index / perPrefix;
    const QChar first(u'A' + int(prefix / 26 % 26));
    const QChar second(u'A' + int(prefix % 26));
    return QString(first) + second + u"%1"_s.arg(index % perPrefix, 6, 10, QLatin1Char('0'));
}

QString Generator::customerNo(qint64 index)
{
    return u"K%1"_s.arg(index, 6, 10, QLatin1Char('0'));
}

QString Generator::supplierNo(qint64 index)
{
    return u"S%1"_s.arg(index, 5, 10, QLatin1Char('0'));
}

QString Generator::isbn(qint64 index)
{
    return withCheckDigit(u"978%1"_s.arg(957000000 + index, 9, 10, QLatin1Char('0')));
}
