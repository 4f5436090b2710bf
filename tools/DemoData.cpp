#include "tools/DemoData.h"

#include <QDate>
#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "data/Connection.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/SqlDialect.h"
#include "data/procedures/Procedures.h"

namespace DemoData {
namespace {

class Loader
{
public:
    explicit Loader(Connection& con) : m_con(con), m_query(con.database()) {}

    bool insert(const QString& table, const QStringList& columns, const QVariantList& values)
    {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        m_query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        for (const QVariant& v : values)
            m_query.addBindValue(v);
        if (!m_query.exec()) {
            m_error = table + QStringLiteral(": ") + m_query.lastError().text();
            return false;
        }
        return true;
    }

    QVariant date(int y, int m, int d) const { return SqlDialect::dateValue(m_con.backend(), QDate(y, m, d)); }
    QString error() const { return m_error; }
    void setError(const QString& text) { m_error = text; }
    Connection& connection() { return m_con; }
    QSqlQuery& query() { return m_query; }

private:
    Connection& m_con;
    QSqlQuery m_query;
    QString m_error;
};

struct Branch
{
    const char* code;
    const char* name;
    const char* address;
    const char* tel;
    const char* fax;
    const char* email;
};

const Branch Branches[] = {
    {"C0", "禾嶼圖書出版社", "台北市大安區和平東路二段118號5樓", "02-27351234", "02-27355678", "service@heyu.example.tw"},
    {"C1", "禾嶼圖書台中分公司", "台中市西區民權路216號", "04-23761122", "04-23763344", "taichung@heyu.example.tw"},
    {"C2", "禾嶼圖書高雄分公司", "高雄市苓雅區四維三路6號8樓", "07-33851200", "07-33851299", "kaohsiung@heyu.example.tw"},
};

struct User
{
    const char* code;
    const char* name;
    const char* password;
    const char* area;
    const char* priv;
};

// One account of each kind; the passwords are listed in the README.
const User Users[] = {
    {"ADMIN", "陳總經理", "admin", "C0", "1FFFFF7777771727"},
    {"CLERK", "林小姐", "clerk", "C0", "0333007777730720"},
    {"TCADMIN", "王經理", "tcadmin", "C1", "1330N07777770720"},
    {"TCCLERK", "張先生", "tcclerk", "C1", "0300N07777730710"},
    {"KHADMIN", "黃經理", "khadmin", "C2", "1320N07777770710"},
};

struct Supplier
{
    const char* no;
    const char* name;
    const char* contact;
    const char* address;
    const char* tel;
    bool foreign;
    int credit;
    const char* web;
};

const Supplier Suppliers[] = {
    {"V001", "青禾出版社", "李美玲", "台北市中正區重慶南路一段61號", "02-23311234", false, 30, "https://qinghe.example.tw"},
    {"V002", "海灣文化事業有限公司", "吳志明", "新北市新店區中正路501號", "02-29187766", false, 60, ""},
    {"V003", "北辰書業股份有限公司", "郭雅婷", "台北市信義區松仁路99號", "02-87801212", false, 45, "https://beichen.example.tw"},
    {"V101", "Harbor Academic Press", "Margaret Ellis", "12 Quay Street, Bristol, UK", "+44-117-4960000", true, 90, "https://harbor-academic.example.com"},
    {"V102", "Lindqvist Verlag GmbH", "Jonas Berg", "Hafenstraße 7, Hamburg, Germany", "+49-40-5550100", true, 60, ""},
    {"V103", "Pacific Rim Books Inc.", "Karen Wu", "880 Market St, San Francisco, CA", "+1-415-5550188", true, 60, "https://pacificrim.example.com"},
};

struct ClassRow
{
    const char* no;
    const char* en;
    const char* zh;
};

const ClassRow Classes[] = {
    {"LIT", "Literature", "文學"},       {"HIS", "History", "歷史"},
    {"SCI", "Natural Science", "自然科學"}, {"LAN", "Languages", "語言學習"},
    {"ART", "Art and Design", "藝術設計"}, {"CHI", "Children", "兒童讀物"},
    {"BUS", "Business", "商業管理"},      {"COM", "Computing", "電腦資訊"},
};

struct Customer
{
    const char* no;
    const char* name;
    const char* contact;
    const char* vip;
    double discA, discB, discC;
    const char* tel;
    const char* address;
    const char* email;
    const char* area;
    bool locked;
    bool allClasses;
};

const Customer Customers[] = {
    {"A0001", "國立清水大學圖書館", "許館員", "", 0.8, 0.85, 0.9, "03-5712121", "新竹市東區光復路二段101號", "library@qingshui.example.edu.tw", "C0", false, true},
    {"A0002", "晨光書店", "周老闆", "8860000000017", 0.7, 0.75, 0.8, "02-23621234", "台北市大安區羅斯福路三段283號", "dawn.books@example.tw", "C0", false, false},
    {"A0003", "綠野國民小學", "蔡主任", "", 0.85, 0.9, 0.95, "02-29301122", "台北市文山區木柵路一段17號", "", "C0", false, false},
    {"A0004", "陳大文", "", "8860000000024", 0.9, 0.9, 0.9, "0912-345678", "新北市板橋區文化路一段188號", "david.chen@example.tw", "C0", false, false},
    {"B0001", "中興語文補習班", "楊老師", "", 0.75, 0.8, 0.85, "04-22201234", "台中市南區建國北路一段80號", "", "C1", false, false},
    {"B0002", "逢源書局", "謝小姐", "8860000000031", 0.7, 0.7, 0.8, "04-24521122", "台中市西屯區逢甲路20號", "fengyuan@example.tw", "C1", true, false},
    {"K0001", "港都科技大學圖書館", "洪組長", "", 0.8, 0.85, 0.9, "07-3814526", "高雄市三民區建工路415號", "lib@gangdu.example.edu.tw", "C2", false, true},
    {"K0002", "愛河親子書房", "鄭小姐", "8860000000048", 0.8, 0.8, 0.85, "07-2151234", "高雄市前金區中正四路211號", "", "C2", false, false},
    // Walk-in customers at the counter.
    {"Guest", "門市散客", "", "", 1, 1, 1, "", "", "", "C0", false, true},
};

struct BookRow
{
    const char* no;
    const char* name;
    const char* author;
    const char* isbn;
    const char* barcode;
    const char* publisher;
    const char* vendor;
    const char* cls;
    double ntPrice;
    double fPrice;
    const char* currency;
    const char* kDiscount;
    bool foreignEdition;
    int year;
    int stock[3];
};

const BookRow Books[] = {
    {"HY0001", "島嶼的風", "林清遠", "9789860000011", "9789860000011", "禾嶼圖書出版社", "C0", "LIT", 320, 320, "NT", "A", false, 2023, {120, 30, 25}},
    {"HY0002", "台灣海岸地理圖鑑", "許文彬", "9789860000028", "9789860000028", "禾嶼圖書出版社", "C0", "SCI", 680, 680, "NT", "A", false, 2022, {45, 10, 8}},
    {"HY0003", "小熊的第一本數字書", "王小禾", "9789860000035", "9789860000035", "禾嶼圖書出版社", "C0", "CHI", 250, 250, "NT", "A", false, 2024, {200, 50, 60}},
    {"QH0101", "唐宋詩詞選讀", "陳雅文", "9789570000014", "9789570000014", "青禾出版社", "V001", "LIT", 380, 380, "NT", "B", false, 2021, {60, 12, 9}},
    {"QH0102", "明清史料彙編", "趙明德", "9789570000021", "9789570000021", "青禾出版社", "V001", "HIS", 1200, 1200, "NT", "C", false, 2019, {15, 2, 1}},
    {"HW0201", "日語五十音入門", "佐藤花子", "9789570000038", "9789570000038", "海灣文化事業", "V002", "LAN", 299, 299, "NT", "B", false, 2023, {80, 20, 15}},
    {"HW0202", "設計的思考", "張立群", "9789570000045", "9789570000045", "海灣文化事業", "V002", "ART", 450, 450, "NT", "B", false, 2022, {25, 5, 6}},
    {"BC0301", "Python程式設計實務", "劉建宏", "9789570000052", "9789570000052", "北辰書業", "V003", "COM", 560, 560, "NT", "C", false, 2024, {70, 18, 12}},
    {"BC0302", "管理學原理", "何慧君", "9789570000069", "9789570000069", "北辰書業", "V003", "BUS", 620, 620, "NT", "C", false, 2020, {33, 6, 4}},
    {"HA1001", "A History of Maritime Trade", "E. Harwood", "9780190000019", "9780190000019", "Harbor Academic Press", "V101", "HIS", 2270.43, 54.95, "GBP", "D", true, 2021, {6, 1, 0}},
    {"HA1002", "English Grammar in Practice", "R. Mills", "9780190000026", "9780190000026", "Harbor Academic Press", "V101", "LAN", 1105.2, 27.5, "GBP", "D", true, 2022, {40, 12, 10}},
    {"LV2001", "Grundlagen der Physik", "K. Brandt", "9783400000017", "9783400000017", "Lindqvist Verlag", "V102", "SCI", 2076, 60, "EUR", "E", true, 2018, {3, 0, 0}},
    {"PR3001", "Modern Data Systems", "S. Patel", "9781400000013", "9781400000013", "Pacific Rim Books", "V103", "COM", 1732.5, 55, "US", "E", true, 2023, {12, 3, 2}},
    {"PR3002", "Picture Book of Ocean Animals", "L. Gomez", "9781400000020", "9781400000020", "Pacific Rim Books", "V103", "CHI", 504, 16, "US", "F", true, 2024, {25, 8, 9}},
};

struct Rate
{
    const char* currency;
    double rate;
};

const Rate Rates[] = {{"NT", 1}, {"US", 31.5}, {"GBP", 41.32}, {"EUR", 34.6}, {"RMB", 4.38},
                      {"HK", 4.04}, {"CHF", 36.15}, {"DM", 17.69}};

QVariant text(const char* s) { return QString::fromUtf8(s); }


struct Line
{
    const char* book;
    double price;
    int qty;
    double disc;
    const char* currency;
    double rate;
    const char* customer = nullptr; ///< BuyDetail and CountDetail only
};

/// A header with its lines, numbered by AutoPNo; a completed stock document is posted through
/// UpdateStock (and a goods receipt dates its books) as the document windows do.
class DocumentWriter
{
public:
    explicit DocumentWriter(Loader& loader) : m_l(loader) {}

    int write(int kind, const QString& area, const QStringList& columns, const QVariantList& values,
              const QList<Line>& lines, bool complete, const QDate& date)
    {
        Connection& con = m_l.connection();
        const Procedures::AutoPNoResult number = Procedures::AutoPNo(con, area, kind);
        if (!number)
            return failed(number.error.text);
        const DocKindDef* def = Schema::docKind(kind);
        if (!m_l.insert(def->header,
                        QStringList{QStringLiteral("SArea"), QStringLiteral("PNo"), QStringLiteral("EDate")} << columns,
                        QVariantList{area, number.pno, m_l.date(date.year(), date.month(), date.day())} << values))
            return 0;
        int minute = 0;
        for (const Line& line : lines) {
            const bool nt = QString::fromLatin1(line.currency) == QLatin1String("NT");
            QStringList cols = {QStringLiteral("SArea"), QStringLiteral("PNo"), QStringLiteral("BookNo"),
                                QStringLiteral("Price"), QStringLiteral("Qty"), QStringLiteral("Disc"),
                                QStringLiteral("ORI_CR"), QStringLiteral("rate"), QStringLiteral("UnSum"),
                                QStringLiteral("ETime")};
            QVariantList vals = {area, number.pno, text(line.book), line.price, line.qty, line.disc,
                                 text(line.currency), line.rate,
                                 SqlDialect::decimalRound(line.qty * line.price * line.disc, nt ? 0 : 2),
                                 QStringLiteral("10:%1:00").arg(minute++, 2, 10, QLatin1Char('0'))};
            if (line.customer) {
                cols << QStringLiteral("CustNo");
                vals << text(line.customer);
            }
            if (!m_l.insert(def->detail, cols, vals))
                return 0;
        }
        if (!complete)
            return number.pno;
        if (kind == 4) {
            const Procedures::CountResult dated = Procedures::ImpUpdateBook(con, area, number.pno, date.startOfDay());
            if (!dated)
                return failed(dated.error.text);
        }
        if (kind >= 3 && kind <= 6) {
            const Procedures::UpdateStockResult posted = Procedures::UpdateStock(con, -1, kind, number.pno, area);
            if (!posted)
                return failed(posted.error.text);
        }
        QSqlQuery& q = m_l.query();
        q.prepare(QStringLiteral("UPDATE %1 SET EComplete = 1 WHERE SArea = ? AND PNo = ?").arg(def->header));
        q.addBindValue(area);
        q.addBindValue(number.pno);
        if (!q.exec())
            return failed(q.lastError().text());
        return number.pno;
    }

private:
    int failed(const QString& text)
    {
        m_l.setError(text);
        return 0;
    }

    Loader& m_l;
};

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* n : list)
        out << QString::fromLatin1(n);
    return out;
}

/// Open and completed documents of every kind at the head office and the Taichung branch.
bool loadDocuments(Loader& l)
{
    DocumentWriter w(l);
    const QString c0 = QStringLiteral("C0");
    const QString c1 = QStringLiteral("C1");
    const auto d = [](int m, int day) { return QDate(2026, m, day); };
    const auto custDoc = names({"CustNo", "MKind", "Remark"});
    const auto venDoc = names({"VNo", "MKind", "Remark"});

    // Quotations.
    if (!w.write(1, c0, QStringList(custDoc) << QStringLiteral("ETime"), {text("A0002"), 0, text("新學期書單"), text("09:30:00")},
                 {{"HY0001", 320, 10, 0.7, "NT", 1}, {"QH0101", 380, 5, 0.75, "NT", 1}}, false, d(10, 2))
        || !w.write(1, c0, QStringList(custDoc) << QStringLiteral("ETime"), {text("A0001"), 1, text("外文圖書報價"), text("14:00:00")},
                    {{"HA1001", 54.95, 2, 0.9, "GBP", 41.32}, {"PR3001", 55, 3, 0.85, "US", 31.5}}, true, d(9, 15)))
        return false;

    // Customer orders: A0002's order is partly shipped, A0003's fully.
    const int openOrder = w.write(7, c0, custDoc, {text("A0002"), 0, text("分批出貨")},
                                  {{"HY0001", 320, 10, 0.7, "NT", 1}, {"QH0101", 380, 5, 0.75, "NT", 1}}, false, d(10, 5));
    const int doneOrder = w.write(7, c0, custDoc, {text("A0003"), 0, text("")},
                                  {{"HY0003", 250, 20, 0.85, "NT", 1}}, true, d(9, 20));
    if (!openOrder || !doneOrder || !w.write(7, c1, custDoc, {text("B0001"), 0, text("")},
                                              {{"HW0201", 299, 6, 0.75, "NT", 1}}, false, d(10, 8)))
        return false;

    // Purchase orders: the foreign one is partly received.
    const int openBuy = w.write(2, c0, names({"VNO", "CustNo", "PreDate", "MKind", "CArea", "ShipMode"}),
                                {text("V101"), text("A0001"), l.date(2026, 12, 20), 1, 1, text("Air Freight")},
                                {{"HA1001", 54.95, 5, 0.6, "GBP", 41.32, "A0001"},
                                 {"HA1002", 27.5, 10, 0.6, "GBP", 41.32, nullptr}},
                                false, d(10, 1));
    if (!openBuy || !w.write(2, c0, names({"VNO", "MKind"}), {text("V001"), 0},
                             {{"QH0102", 1200, 3, 0.6, "NT", 1}}, true, d(8, 3)))
        return false;

    // Goods receipts, purchase returns, shipments and sales returns, open and completed.
    const int receipt = w.write(4, c0, QStringList(venDoc) << QStringLiteral("SOrdNo"), {text("V101"), 1, text("第一批到貨"), openBuy},
                                {{"HA1002", 27.5, 10, 0.6, "GBP", 41.32}}, true, d(10, 20));
    if (!receipt
        || !w.write(4, c0, venDoc, {text("V001"), 0, text("")}, {{"QH0101", 380, 8, 0.6, "NT", 1}}, false, d(11, 2))
        || !w.write(4, c1, venDoc, {text("V002"), 0, text("")}, {{"HW0201", 299, 5, 0.65, "NT", 1}}, true, d(10, 12))
        || !w.write(6, c0, QStringList(venDoc) << QStringLiteral("ImpNo"), {text("V001"), 0, text("瑕疵退回"), 0},
                    {{"QH0102", 1200, 1, 0.6, "NT", 1}}, true, d(9, 1))
        || !w.write(6, c0, venDoc, {text("V002"), 0, text("")}, {{"HW0201", 299, 2, 0.65, "NT", 1}}, false, d(11, 3)))
        return false;
    const QStringList shipCols = QStringList(custDoc) << QStringLiteral("SOrdNo") << QStringLiteral("FCharge");
    const int shipment = w.write(3, c0, shipCols, {text("A0002"), 0, text("第一批"), openOrder, 0},
                                 {{"HY0001", 320, 4, 0.7, "NT", 1}}, true, d(10, 10));
    if (!shipment
        || !w.write(3, c0, shipCols, {text("A0003"), 0, text(""), doneOrder, 80},
                    {{"HY0003", 250, 20, 0.85, "NT", 1}}, true, d(9, 25))
        || !w.write(3, c0, QStringList(custDoc) << QStringLiteral("FCharge"), {text("A0004"), 0, text("宅配"), 60},
                    {{"BC0302", 620, 1, 0.9, "NT", 1}}, false, d(11, 5))
        || !w.write(5, c0, QStringList(custDoc) << QStringLiteral("ExpNo"), {text("A0002"), 0, text("破損"), shipment},
                    {{"HY0001", 320, 1, 0.7, "NT", 1}}, true, d(10, 15))
        || !w.write(5, c0, custDoc, {text("A0004"), 0, text("")}, {{"BC0302", 620, 1, 0.9, "NT", 1}}, false, d(11, 6)))
        return false;

    // A day at the counter; posted counter lines lower the branch's stock.
    if (!w.write(12, c0, names({"Remark"}), {text("週末書展")},
                 {{"HY0003", 250, 2, 0.9, "NT", 1, "Guest"}, {"HW0202", 450, 1, 0.8, "NT", 1, "A0004"}}, true,
                 d(11, 21)))
        return false;
    QSqlQuery& q = l.query();
    for (const auto& [book, qty] : {std::pair{"HY0003", 2}, std::pair{"HW0202", 1}}) {
        q.prepare(QStringLiteral("UPDATE Book SET StockC0 = StockC0 - ? WHERE BookNo = ?"));
        q.addBindValue(qty);
        q.addBindValue(text(book));
        if (!q.exec()) {
            l.setError(q.lastError().text());
            return false;
        }
    }

    // A stock adjustment after a count.
    if (!l.insert(QStringLiteral("BRStock"), names({"BookNo", "SArea", "EDate", "Qty", "UsCode", "BRReason"}),
                  {text("HY0002"), c0, l.date(2026, 11, 30), 2, text("ADMIN"), text("盤點差異")}))
        return false;
    q.prepare(QStringLiteral("UPDATE Book SET StockC0 = StockC0 + 2 WHERE BookNo = 'HY0002'"));
    if (!q.exec()) {
        l.setError(q.lastError().text());
        return false;
    }

    // Write-offs of the receipt and the shipment above, still open.
    const QList<std::tuple<const char*, const char*, const char*, const char*, const char*, int, double>> writeOffs = {
        {"ImpWOff", "IWODetail", "VNo", "V101", "進貨", receipt, 6815.0},
        {"ExpWOff", "EWODetail", "CustNo", "A0002", "出貨", shipment, 896.0}};
    for (const auto& [head, lines, partner, who, kind, source, amount] : writeOffs) {
        q.prepare(QStringLiteral("INSERT INTO %1 (SArea, %2, BDate, EDate, POff) VALUES (?, ?, ?, ?, 0) RETURNING PNo")
                      .arg(QLatin1String(head), QLatin1String(partner)));
        q.addBindValue(c0);
        q.addBindValue(text(who));
        q.addBindValue(l.date(2026, 10, 1));
        q.addBindValue(l.date(2026, 10, 31));
        if (!q.exec() || !q.next()) {
            l.setError(q.lastError().text());
            return false;
        }
        const int pno = q.value(0).toInt();
        q.finish();
        if (!l.insert(QLatin1String(lines), names({"SArea", "PNo", "SKind", "SNo", "EDate", "SPay", "SumPay", "OffMoney"}),
                      {c0, pno, text(kind), source, l.date(2026, 10, 20), amount, 0, amount / 2}))
            return false;
    }

    // An inquiry of the Taichung branch and the head office's copy of it.
    const QStringList inqLine = names({"PNo", "SDNo", "BookNo", "BookName", "Author", "ORI_CR", "FPrice", "Qty"});
    const Procedures::AutoPNoResult sub = Procedures::AutoPNo(l.connection(), c1, 10);
    const Procedures::AutoPNoResult head = Procedures::AutoPNo(l.connection(), c1, 11);
    if (!sub || !head) {
        l.setError(sub ? head.error.text : sub.error.text);
        return false;
    }
    const QStringList inqHead = names({"SArea", "PNo", "CustNo", "EDate", "OpStat", "RemarkS"});
    const QVariantList inqValues = {c1, 0, text("B0001"), l.date(2026, 11, 10), text("傳出"), text("請報價")};
    QVariantList subValues = inqValues;
    subValues[1] = sub.pno;
    QVariantList headValues = inqValues;
    headValues[1] = head.pno;
    if (!l.insert(QStringLiteral("SubInquireM"), inqHead, subValues)
        || !l.insert(QStringLiteral("SubInqDetail"), QStringList{QStringLiteral("SArea")} << inqLine,
                     {c1, sub.pno, 1, text("NEW0001"), text("Atlas of Island Birds"), text("J. Reed"), text("US"), 42.0, 3})
        || !l.insert(QStringLiteral("InquireM"), QStringList(inqHead) << QStringLiteral("SNo"), headValues << sub.pno)
        || !l.insert(QStringLiteral("InqDetail"), inqLine,
                     {head.pno, 1, text("NEW0001"), text("Atlas of Island Birds"), text("J. Reed"), text("US"), 42.0, 3}))
        return false;
    return true;
}

/// The demo passwords are public; hashing them once per process keeps repeated demo loads (every
/// test that starts from the demo company) from spending seconds in the key derivation.
QString demoHash(const QString& password)
{
    static QMutex mutex;
    static QHash<QString, QString> hashes;
    const QMutexLocker lock(&mutex);
    auto it = hashes.find(password);
    if (it == hashes.end())
        it = hashes.insert(password, PasswordHash::make(password));
    return it.value();
}

} // namespace

bool load(Connection& connection, QString* error)
{
    Loader l(connection);
    const auto fail = [&] {
        if (error)
            *error = l.error();
        return false;
    };
    const QStringList discCols = {QStringLiteral("DiscA"), QStringLiteral("DiscB"), QStringLiteral("DiscC"),
                                  QStringLiteral("DiscD"), QStringLiteral("DiscE"), QStringLiteral("DiscF")};

    for (const Branch& b : Branches) {
        if (!l.insert(QStringLiteral("Vendor"),
                      {QStringLiteral("VNo"), QStringLiteral("VName"), QStringLiteral("VAddress"),
                       QStringLiteral("VTel"), QStringLiteral("VFax"), QStringLiteral("VEmail"),
                       QStringLiteral("Alliance"), QStringLiteral("WDate")},
                      {text(b.code), text(b.name), text(b.address), text(b.tel), text(b.fax),
                       text(b.email), 1, l.date(2026, 1, 5)}))
            return fail();
    }
    for (const Supplier& s : Suppliers) {
        if (!l.insert(QStringLiteral("Vendor"),
                      QStringList{QStringLiteral("VNo"), QStringLiteral("VName"), QStringLiteral("Contact"),
                                  QStringLiteral("VAddress"), QStringLiteral("VTel"), QStringLiteral("MKind"),
                                  QStringLiteral("V_CR"), QStringLiteral("VNetAdd"), QStringLiteral("Alliance"),
                                  QStringLiteral("WDate")}
                          << discCols,
                      QVariantList{text(s.no), text(s.name), text(s.contact), text(s.address), text(s.tel),
                                   s.foreign ? 1 : 0, s.credit, text(s.web), 0, l.date(2026, 3, 2)}
                          << 0.6 << 0.65 << 0.7 << 0.75 << 0.8 << 0.85))
            return fail();
    }
    for (const User& u : Users) {
        if (!l.insert(QStringLiteral("UserPass"),
                      {QStringLiteral("UsCode"), QStringLiteral("UsName"), QStringLiteral("UsPass"),
                       QStringLiteral("SArea"), QStringLiteral("UsPriv"), QStringLiteral("UsHash")},
                      {text(u.code), text(u.name), QString(), text(u.area), text(u.priv),
                       demoHash(QString::fromUtf8(u.password))}))
            return fail();
    }
    for (const ClassRow& c : Classes) {
        if (!l.insert(QStringLiteral("Clases"),
                      {QStringLiteral("ClsNo"), QStringLiteral("ClsENm"), QStringLiteral("ClsCNm")},
                      {text(c.no), text(c.en), text(c.zh)}))
            return fail();
    }
    for (const Customer& c : Customers) {
        if (!l.insert(QStringLiteral("Customer"),
                      QStringList{QStringLiteral("CustNo"), QStringLiteral("CustName"), QStringLiteral("Contact"),
                                  QStringLiteral("VIPNo"), QStringLiteral("CTel"), QStringLiteral("CAddress"),
                                  QStringLiteral("CEmail"), QStringLiteral("SArea"), QStringLiteral("CLock"),
                                  QStringLiteral("AllClsNo"), QStringLiteral("WDate")}
                          << discCols,
                      QVariantList{text(c.no), text(c.name), text(c.contact), text(c.vip), text(c.tel),
                                   text(c.address), text(c.email), text(c.area), c.locked ? 1 : 0,
                                   c.allClasses ? 1 : 0, l.date(2026, 6, 1)}
                          << c.discA << c.discB << c.discC << 0.9 << 0.95 << 1.0))
            return fail();
        if (!c.allClasses) {
            for (const char* cls : {"LIT", "CHI"}) {
                if (!l.insert(QStringLiteral("CustClsNo"), {QStringLiteral("CustNo"), QStringLiteral("ClsNo")},
                              {text(c.no), text(cls)}))
                    return fail();
            }
        }
    }
    for (const BookRow& b : Books) {
        QStringList cols = {QStringLiteral("BookNo"), QStringLiteral("BookName"), QStringLiteral("Author"),
                            QStringLiteral("ISBN"), QStringLiteral("BarCode"), QStringLiteral("BPublisher"),
                            QStringLiteral("VNo"), QStringLiteral("ClsNo"), QStringLiteral("NTPrice"),
                            QStringLiteral("FPrice"), QStringLiteral("ORI_CR"), QStringLiteral("KDiscount"),
                            QStringLiteral("EKind"), QStringLiteral("PubYear"), QStringLiteral("Edition"),
                            QStringLiteral("WDate")};
        QVariantList values = {text(b.no), text(b.name), text(b.author), text(b.isbn), text(b.barcode),
                               text(b.publisher), text(b.vendor), text(b.cls), b.ntPrice, b.fPrice,
                               text(b.currency), text(b.kDiscount), b.foreignEdition ? 1 : 0, b.year,
                               QStringLiteral("1"), l.date(2026, 9, 15)};
        for (int i = 0; i < 3; ++i) {
            const QString code = QString::fromLatin1(Branches[i].code);
            cols << QStringLiteral("Stock") + code << QStringLiteral("SStock") + code << QStringLiteral("Loc") + code;
            values << b.stock[i] << 5 << QStringLiteral("%1-%2").arg(QChar(u'A' + i)).arg(QString::fromLatin1(b.no).mid(2));
        }
        if (!l.insert(QStringLiteral("Book"), cols, values))
            return fail();
    }
    for (const Rate& r : Rates) {
        if (!l.insert(QStringLiteral("ExRate"), {QStringLiteral("ORI_CR"), QStringLiteral("rate")},
                      {text(r.currency), r.rate}))
            return fail();
    }
    if (!loadDocuments(l))
        return fail();
    return true;
}

QStringList branchCodes()
{
    QStringList codes;
    for (const Branch& b : Branches)
        codes << QString::fromLatin1(b.code);
    return codes;
}

} // namespace DemoData
