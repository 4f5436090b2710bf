// Several workstations saving and completing shipments at the same time, on books they share.
//
//   bench_concurrent (--config DBSet.INI | --sqlite FILE) [--clients 16] [--seconds 20]
//                    [--lines 20] [--pool 200] [--branches C1,C2,C3,C4] [--mode both|ours|floor]
//                    [--rounds 1]
//
// The parent picks a pool of books (giving them stock by an opening count where they lack it),
// then starts the clients: copies of this program, each a workstation of its own with its own
// data module, connection and message sink, logged in at one of the branches in turn. Each types
// shipments until its time is up; the parent then checks the database against what they said.
//   ours   header, lines typed by book number and quantity, completion: the shipment window's
//          datasets and rules (numbering, pricing, stock posting, log);
//   floor  the same rows written straight by statements prepared once, one transaction a
//          document.
// This writes documents and moves stock: run it on a database of its own.

#include <algorithm>
#include <random>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "bench/common/BenchHarness.h"
#include "data/LogItems.h"
#include "data/SqlDialect.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"

namespace {

constexpr int ShipmentKind = 3;
const QString StockRemark = QStringLiteral("/修改庫存");

struct Options
{
    int clients = 16;
    int seconds = 20;
    int lines = 20;
    int pool = 200;
    int rounds = 1;
    QStringList branches = {QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("C3"),
                            QStringLiteral("C4")};
    QString mode = QStringLiteral("both");
    // Client only.
    int client = -1;
    QString branch;
    QString books;
    QString customers;
};

bool parseOptions(const QStringList& rest, Options* o, QString* error)
{
    for (int i = 0; i < rest.size(); ++i) {
        const QString& a = rest.at(i);
        if (i + 1 >= rest.size()) {
            *error = QStringLiteral("missing value after %1").arg(a);
            return false;
        }
        const QString v = rest.at(++i);
        bool ok = true;
        if (a == QLatin1String("--clients"))
            o->clients = v.toInt(&ok);
        else if (a == QLatin1String("--seconds"))
            o->seconds = v.toInt(&ok);
        else if (a == QLatin1String("--lines"))
            o->lines = v.toInt(&ok);
        else if (a == QLatin1String("--pool"))
            o->pool = v.toInt(&ok);
        else if (a == QLatin1String("--rounds"))
            o->rounds = v.toInt(&ok);
        else if (a == QLatin1String("--branches"))
            o->branches = v.split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (a == QLatin1String("--mode"))
            o->mode = v;
        else if (a == QLatin1String("--client"))
            o->client = v.toInt(&ok);
        else if (a == QLatin1String("--branch"))
            o->branch = v;
        else if (a == QLatin1String("--books"))
            o->books = v;
        else if (a == QLatin1String("--customers"))
            o->customers = v;
        else
            ok = false;
        if (!ok) {
            *error = QStringLiteral("bad option %1 %2").arg(a, v);
            return false;
        }
    }
    const QStringList modes = {QStringLiteral("both"), QStringLiteral("ours"),
                               QStringLiteral("floor")};
    if (o->clients < 1 || o->seconds < 1 || o->lines < 1 || o->rounds < 1 || o->pool < o->lines ||
        o->branches.isEmpty() || !modes.contains(o->mode)) {
        *error = QStringLiteral(
            "need clients, seconds, lines, rounds >= 1, a pool of at least the lines, "
            "branches, and mode both, ours or floor");
        return false;
    }
    return true;
}

struct Book
{
    QString no;
    double price = 0;
};

/// What a client did with one document, as it reports it to the parent.
struct Document
{
    QString branch;
    int pno = 0;
    bool complete = false;
    QList<std::pair<QString, int>> lines; ///< book, quantity
};

QString clean(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
}

// --- a client ------------------------------------------------------------------------------------

/// The client's share of the work: its books and customers, and what it reports.
class Client
{
public:
    Client(const Options& o, QList<Book> books, QStringList customers)
        : m_o(o), m_books(std::move(books)), m_customers(std::move(customers)),
          m_random(std::mt19937(quint32(o.client) * 7919u + 17u))
    {
        m_order.resize(m_books.size());
        for (int i = 0; i < m_books.size(); ++i) {
            m_order[i] = i;
            m_prices.insert(m_books.at(i).no, m_books.at(i).price);
        }
    }

    /// Picks the next document's books (distinct) and quantities (1 to 3).
    void nextDocument(Document* d)
    {
        std::shuffle(m_order.begin(), m_order.end(), m_random);
        d->branch = m_o.branch;
        d->pno = 0;
        d->complete = false;
        d->lines.clear();
        for (int i = 0; i < m_o.lines; ++i)
            d->lines.append({m_books.at(m_order.at(i)).no, 1 + int(m_random() % 3)});
    }
    QString customer(int document) const
    {
        return m_customers.at((m_o.client + document * 13) % m_customers.size());
    }
    double priceOf(const QString& book) const { return m_prices.value(book); }

    /// Milliseconds spent in a phase of a completed document: 0 header, 1 lines, 2 completion
    /// (the floor's whole document counts as its completion).
    void phase(int which, double ms) { m_phaseMs[which] += ms; }

    void report(const Document& d)
    {
        QStringList lines;
        for (const auto& [book, qty] : d.lines)
            lines << QStringLiteral("%1:%2").arg(book).arg(qty);
        m_report << QStringLiteral("DOC %1 %2 %3 %4")
                        .arg(d.branch)
                        .arg(d.pno)
                        .arg(d.complete ? 1 : 0)
                        .arg(lines.join(QLatin1Char(',')));
        if (d.complete) {
            ++m_completed;
            m_lines += int(d.lines.size());
        }
    }
    void failure(const Document& d, const QString& phase, const QString& text)
    {
        ++m_failures;
        m_report
            << QStringLiteral("FAIL %1 %2 %3 %4").arg(d.branch).arg(d.pno).arg(phase, clean(text));
    }
    /// Written after the timing, so that a full pipe never holds a client up.
    void finish(QTextStream& out, qint64 elapsedMs)
    {
        for (const QString& line : std::as_const(m_report))
            out << line << '\n';
        out << "DONE " << m_completed << ' ' << m_lines << ' ' << m_failures << ' ' << elapsedMs;
        for (const double ms : m_phaseMs)
            out << ' ' << QString::number(ms, 'f', 1);
        out << Qt::endl;
    }

private:
    const Options& m_o;
    QList<Book> m_books;
    QStringList m_customers;
    QList<int> m_order;
    QHash<QString, double> m_prices;
    std::mt19937 m_random;
    QStringList m_report;
    int m_completed = 0;
    int m_lines = 0;
    int m_failures = 0;
    double m_phaseMs[3] = {0, 0, 0};
};

/// Waits for the parent's word, so that every client starts at once.
bool waitForStart(QTextStream& out)
{
    out << "READY" << Qt::endl;
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return false;
    return in.readLine().trimmed() == "GO";
}

/// A user at the shipment window: a new header, the lines typed, then the completion saved.
int runOurs(TMainDM& dm, Client& client, const Options& o, QTextStream& out)
{
    Bench::Refusals messages;
    TDialogs::setSink(&messages);
    dm.DocKind = ShipmentKind;
    dm.LogItem = LogItems::Shipments;
    TDataSet& head = dm.ExportDS;
    TDataSet& lines = dm.ExportDDS;
    TDataSet& totals = dm.ExportTDS;
    if (!head.open() || !lines.open() || !totals.open()) {
        out << "ERROR open: " << clean(head.lastError().text()) << Qt::endl;
        return 1;
    }
    dm.LinkPartner(head);
    const QDateTime today = QDate::currentDate().startOfDay();
    if (!waitForStart(out))
        return 1;

    QElapsedTimer timer;
    timer.start();
    Document d;
    QElapsedTimer phase;
    for (int n = 0; timer.elapsed() < o.seconds * 1000; ++n) {
        client.nextDocument(&d);
        messages.problems = 0;
        double ms[3] = {0, 0, 0};
        phase.start();
        const bool saved =
            head.append() &&
            head.fieldByName(QStringLiteral("CustNo")).setEditText(client.customer(n)) &&
            head.fieldByName(QStringLiteral("EDate")).setValue(today) && head.post();
        ms[0] = phase.nsecsElapsed() / 1e6;
        if (saved)
            d.pno = int(head.fieldByName(QStringLiteral("PNo")).asInteger());
        if (!saved || messages.problems) {
            client.failure(d, QStringLiteral("header"), messages.last + head.lastError().text());
            if (head.isEditing())
                head.cancel();
            if (saved)
                client.report(d);
            continue;
        }
        bool typed = true;
        phase.start();
        for (const auto& [book, qty] : std::as_const(d.lines)) {
            typed = lines.append() &&
                    lines.fieldByName(QStringLiteral("BookNo")).setEditText(book) &&
                    lines.fieldByName(QStringLiteral("Qty")).setEditText(QString::number(qty)) &&
                    lines.post() && !messages.problems;
            if (!typed)
                break;
        }
        ms[1] = phase.nsecsElapsed() / 1e6;
        if (!typed) {
            client.failure(d, QStringLiteral("line"), messages.last + lines.lastError().text());
            if (lines.isEditing())
                lines.cancel();
            client.report(d);
            continue;
        }
        phase.start();
        d.complete = head.edit() && head.fieldByName(QStringLiteral("EComplete")).setValue(true) &&
                     head.post();
        ms[2] = phase.nsecsElapsed() / 1e6;
        if (!d.complete || messages.problems) {
            client.failure(d, QStringLiteral("complete"), messages.last + head.lastError().text());
            if (head.isEditing())
                head.cancel();
            // A completion that said it failed must have left the stock alone; the parent checks.
            d.complete = false;
        }
        if (d.complete) {
            for (int i = 0; i < 3; ++i)
                client.phase(i, ms[i]);
        }
        client.report(d);
    }
    client.finish(out, timer.elapsed());
    TDialogs::setSink(nullptr);
    return 0;
}

bool prepared(QSqlQuery& q, const QString& sql, QTextStream& out)
{
    if (q.prepare(sql))
        return true;
    out << "ERROR prepare: " << clean(q.lastError().text()) << Qt::endl;
    return false;
}

bool run(QSqlQuery& q, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    return q.exec();
}

/// The floor: the rows the window writes for a completed shipment, straight, one transaction.
int runFloor(TMainDM& dm, Client& client, const Options& o, QTextStream& out)
{
    Connection& con = dm.MainADOCon;
    QSqlDatabase db = con.database();
    const Backend backend = con.backend();
    const QString area = o.branch;
    const QString stock = QStringLiteral("Stock") + area;
    const QString now = SqlDialect::now(backend);
    QSqlQuery counter(db), insHead(db), insLine(db), insPost(db), updStock(db), insPostLine(db),
        insLog(db);
    const bool ok =
        prepared(
            counter,
            QStringLiteral("UPDATE PNoCounter SET LastNo = %1 + 1 WHERE SArea = ? AND "
                           "DocKind = ? RETURNING LastNo")
                .arg(SqlDialect::greatest(
                    backend, QStringLiteral("LastNo"),
                    QStringLiteral("(SELECT COALESCE(MAX(PNo), 0) FROM ExportM WHERE SArea = ?)"))),
            out) &&
        prepared(insHead,
                 QStringLiteral("INSERT INTO ExportM (SArea, PNo, CustNo, EDate, FCharge, "
                                "Sundries, EComplete) VALUES (?, ?, ?, ?, 0, 0, 1)"),
                 out) &&
        prepared(
            insLine,
            QStringLiteral("INSERT INTO ExpDetail (SArea, PNo, BookNo, Price, Qty, Disc, "
                           "ORI_CR, rate, UnSum, ETime) VALUES (?, ?, ?, ?, ?, 1, 'NT', 1, ?, ?)"),
            out) &&
        prepared(insPost,
                 QStringLiteral("INSERT INTO StockPost (SArea, DocKind, PNo, PostTime) VALUES "
                                "(?, ?, ?, %1)")
                     .arg(now),
                 out) &&
        prepared(
            updStock,
            QStringLiteral("UPDATE Book SET %1 = COALESCE(%1, 0) + ? WHERE BookNo = ?").arg(stock),
            out) &&
        prepared(insPostLine,
                 QStringLiteral("INSERT INTO StockPostLine (SArea, DocKind, PNo, BookNo, Qty) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 out) &&
        prepared(insLog,
                 QStringLiteral("INSERT INTO LogRec (OPDTime, SArea, OPUserC, OPUserN, OPItem, "
                                "OPKind, OPRemark) VALUES (%1, ?, ?, ?, ?, ?, ?)")
                     .arg(now),
                 out);
    if (!ok)
        return 1;
    const QVariant today = SqlDialect::dateTimeValue(backend, QDate::currentDate().startOfDay());
    if (!waitForStart(out))
        return 1;

    QElapsedTimer timer;
    timer.start();
    Document d;
    QElapsedTimer whole;
    for (int n = 0; timer.elapsed() < o.seconds * 1000; ++n) {
        client.nextDocument(&d);
        whole.start();
        const QString customer = client.customer(n);
        QSqlQuery* failed = nullptr;
        const auto step = [&](QSqlQuery& q, const QVariantList& values) {
            if (failed)
                return false;
            if (!run(q, values))
                failed = &q;
            return !failed;
        };
        if (!con.beginWrite()) {
            client.failure(d, QStringLiteral("begin"), con.lastErrorText());
            continue;
        }
        if (step(counter, {area, area, ShipmentKind}) && counter.next())
            d.pno = counter.value(0).toInt();
        else
            failed = &counter;
        counter.finish();
        const QString remark =
            QStringLiteral("%1/%2/%3").arg(area).arg(d.pno).arg(customer) + StockRemark;
        const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        step(insHead, {area, d.pno, customer, today});
        step(insLog, {area, QStringLiteral("BENCH"), QString(), LogItems::Shipments,
                      QStringLiteral("新增"), remark});
        for (const auto& [book, qty] : std::as_const(d.lines)) {
            const double price = client.priceOf(book);
            step(insLine, {area, d.pno, book, price, qty, price * qty, time});
        }
        step(insPost, {area, ShipmentKind, d.pno});
        // In book order, as the posting does, so that concurrent documents cannot deadlock.
        QList<std::pair<QString, int>> moves = d.lines;
        std::sort(moves.begin(), moves.end());
        for (const auto& [book, qty] : std::as_const(moves)) {
            if (step(updStock, {-qty, book}) && updStock.numRowsAffected() != 1)
                failed = &updStock;
            step(insPostLine, {area, ShipmentKind, d.pno, book, -qty});
        }
        step(insLog, {area, QStringLiteral("BENCH"), QString(), LogItems::Shipments,
                      QStringLiteral("更新"), remark});
        if (failed) {
            client.failure(d, QStringLiteral("floor"), failed->lastError().text());
            con.rollback();
            continue;
        }
        d.complete = con.commit();
        if (!d.complete) {
            client.failure(d, QStringLiteral("commit"), con.lastErrorText());
            continue;
        }
        client.phase(2, whole.nsecsElapsed() / 1e6);
        client.report(d);
    }
    client.finish(out, timer.elapsed());
    return 0;
}

bool readBooks(const QString& path, QList<Book>* books)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!f.atEnd()) {
        const QList<QByteArray> parts = f.readLine().trimmed().split('\t');
        if (parts.size() == 2)
            books->append({QString::fromUtf8(parts.at(0)), parts.at(1).toDouble()});
    }
    return !books->isEmpty();
}

bool readLines(const QString& path, QStringList* lines)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine().trimmed());
        if (!line.isEmpty())
            *lines << line;
    }
    return !lines->isEmpty();
}

int clientMain(const Bench::Target& target, const Options& o, QTextStream& out)
{
    QList<Book> books;
    QStringList customers;
    if (!readBooks(o.books, &books) || !readLines(o.customers, &customers)) {
        out << "ERROR no books or customers" << Qt::endl;
        return 1;
    }
    TMainDM dm;
    Bench::login(dm, target, o.branch);
    if (!dm.MainADOCon.isOpen() && !dm.MainADOCon.open()) {
        out << "ERROR connect: " << clean(dm.MainADOCon.lastErrorText()) << Qt::endl;
        return 1;
    }
    Client client(o, books, customers);
    return o.mode == QLatin1String("floor") ? runFloor(dm, client, o, out)
                                            : runOurs(dm, client, o, out);
}

// --- the parent ----------------------------------------------------------------------------------

/// The database before a run, per branch: where the new numbers start, the stock of the pool.
struct Snapshot
{
    QHash<QString, int> base;                     ///< branch -> highest shipment number
    QHash<QString, QHash<QString, qint64>> stock; ///< branch -> book -> stock
    qint64 lastLog = 0;
};

qint64 scalar(QSqlDatabase db, const QString& sql, const QVariantList& values, bool* ok)
{
    QSqlQuery q(db);
    if (!q.prepare(sql) || !run(q, values) || !q.next()) {
        *ok = false;
        return 0;
    }
    return q.value(0).toLongLong();
}

bool snapshot(QSqlDatabase db, const Options& o, const QList<Book>& pool, Snapshot* s)
{
    bool ok = true;
    for (const QString& branch : o.branches) {
        const qint64 counted = scalar(
            db,
            QStringLiteral(
                "SELECT COALESCE(MAX(LastNo), 0) FROM PNoCounter WHERE SArea = ? AND DocKind = ?"),
            {branch, ShipmentKind}, &ok);
        const qint64 stored =
            scalar(db, QStringLiteral("SELECT COALESCE(MAX(PNo), 0) FROM ExportM WHERE SArea = ?"),
                   {branch}, &ok);
        s->base[branch] = int(std::max(counted, stored));
        QSqlQuery q(db);
        ok =
            ok && q.prepare(QStringLiteral("SELECT COALESCE(Stock%1, 0) FROM Book WHERE BookNo = ?")
                                .arg(branch));
        for (const Book& b : pool) {
            if (!ok || !run(q, {b.no}) || !q.next())
                return false;
            s->stock[branch][b.no] = q.value(0).toLongLong();
        }
    }
    s->lastLog = scalar(db, QStringLiteral("SELECT COALESCE(MAX(LogNo), 0) FROM LogRec"), {}, &ok);
    return ok;
}

/// Gives every pool book stock at every branch by an opening count, as the stock-adjustment
/// window records one, where it has less than a run could ship. Not timed.
bool stockUp(const Bench::Target& target, const Options& o, const QList<Book>& pool,
             QTextStream& out)
{
    const qint64 low = 50000;
    const qint64 high = 200000;
    Bench::Refusals messages;
    TDialogs::setSink(&messages);
    int made = 0;
    for (const QString& branch : o.branches) {
        TMainDM dm(nullptr, QStringLiteral("StockUp") + branch);
        Bench::login(dm, target, branch);
        dm.LogItem = LogItems::StockAdjustment;
        TDataSet& adj = dm.BRStockDS;
        if (!adj.open()) {
            out << "ERROR stock adjustments: " << adj.lastError().text() << Qt::endl;
            return false;
        }
        Snapshot s;
        Options one = o;
        one.branches = {branch};
        if (!snapshot(dm.MainADOCon.database(), one, pool, &s))
            return false;
        for (const Book& b : pool) {
            const qint64 has = s.stock[branch].value(b.no);
            if (has >= low)
                continue;
            dm.LogRemark = b.no + QStringLiteral("/期初盤點");
            if (!adj.append() || !adj.fieldByName(QStringLiteral("BookNo")).setValue(b.no) ||
                !adj.fieldByName(QStringLiteral("Qty")).setValue(high - has) ||
                !adj.fieldByName(QStringLiteral("BRReason")).setValue(QStringLiteral("期初盤點")) ||
                !adj.post()) {
                out << "ERROR opening count " << branch << '/' << b.no << ": " << messages.last
                    << adj.lastError().text() << Qt::endl;
                return false;
            }
            ++made;
        }
    }
    TDialogs::setSink(nullptr);
    if (made)
        out << "opening counts made: " << made << Qt::endl;
    return true;
}

struct Outcome
{
    int clients = 0;
    double seconds = 0;
    int documents = 0;
    int lines = 0;
    int failures = 0;
    double phaseMs[3] = {0, 0, 0}; ///< summed over the completed documents of every client
    QStringList failureTexts;
    bool unique = false;
    bool stockExact = false;
    bool postings = false;
    QStringList problems;
    double perSecond() const { return seconds > 0 ? documents / seconds : 0; }
};

/// Starts the clients, lets them run together, and reads what they did.
bool runClients(const QStringList& dbArguments, const Options& o, const QString& mode,
                const QString& books, const QString& customers, QList<Document>* documents,
                Outcome* outcome, QTextStream& out)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    const auto stopAll = [&] {
        for (auto& p : processes) {
            p->kill();
            p->waitForFinished(5000);
        }
    };
    for (int k = 0; k < o.clients; ++k) {
        auto p = std::make_unique<QProcess>();
        QStringList args = dbArguments;
        args << QStringLiteral("--client") << QString::number(k) << QStringLiteral("--branch")
             << o.branches.at(k % o.branches.size()) << QStringLiteral("--mode") << mode
             << QStringLiteral("--seconds") << QString::number(o.seconds)
             << QStringLiteral("--lines") << QString::number(o.lines) << QStringLiteral("--books")
             << books << QStringLiteral("--customers") << customers;
        p->start(QCoreApplication::applicationFilePath(), args);
        processes.push_back(std::move(p));
    }
    for (auto& p : processes) {
        while (!p->canReadLine()) {
            if (!p->waitForReadyRead(60000)) {
                out << "a client did not start: " << p->readAllStandardError() << Qt::endl;
                stopAll();
                return false;
            }
        }
        const QByteArray line = p->readLine().trimmed();
        if (line != "READY") {
            out << "a client failed to start: " << line << ' ' << p->readAllStandardError()
                << Qt::endl;
            stopAll();
            return false;
        }
    }
    for (auto& p : processes) {
        p->write("GO\n");
        p->waitForBytesWritten(5000);
    }
    for (auto& p : processes) {
        if (!p->waitForFinished((o.seconds + 120) * 1000)) {
            out << "a client did not finish" << Qt::endl;
            stopAll();
            return false;
        }
    }

    *outcome = {};
    outcome->clients = o.clients;
    qint64 longest = 0;
    for (auto& p : processes) {
        const QList<QByteArray> lines = p->readAllStandardOutput().split('\n');
        bool done = false;
        for (const QByteArray& raw : lines) {
            const QString line = QString::fromUtf8(raw);
            const QStringList f = line.split(QLatin1Char(' '));
            if (f.first() == QLatin1String("DOC") && f.size() >= 4) {
                Document d{f.at(1), f.at(2).toInt(), f.at(3) == QLatin1String("1"), {}};
                for (const QString& l : f.value(4).split(QLatin1Char(','), Qt::SkipEmptyParts))
                    d.lines.append({l.section(QLatin1Char(':'), 0, 0),
                                    l.section(QLatin1Char(':'), 1).toInt()});
                documents->append(d);
            } else if (f.first() == QLatin1String("FAIL")) {
                if (outcome->failureTexts.size() < 5)
                    outcome->failureTexts << line;
            } else if (f.first() == QLatin1String("DONE") && f.size() == 8) {
                done = true;
                outcome->documents += f.at(1).toInt();
                outcome->lines += f.at(2).toInt();
                outcome->failures += f.at(3).toInt();
                longest = std::max(longest, f.at(4).toLongLong());
                for (int i = 0; i < 3; ++i)
                    outcome->phaseMs[i] += f.at(5 + i).toDouble();
            } else if (f.first() == QLatin1String("ERROR")) {
                out << "client: " << line << Qt::endl;
            }
        }
        if (!done || p->exitCode() != 0) {
            out << "a client ended badly (exit " << p->exitCode()
                << "): " << p->readAllStandardError().left(2000) << Qt::endl;
            return false;
        }
    }
    outcome->seconds = longest / 1000.0;
    return true;
}

/// Compares the database after a run with the snapshot before it and with the clients' reports.
bool check(QSqlDatabase db, const Options& o, const QList<Book>& pool, const Snapshot& before,
           const QList<Document>& reported, Outcome* r)
{
    QStringList& problems = r->problems;
    const auto note = [&](const QString& text) {
        if (problems.size() < 20)
            problems << text;
    };
    // Numbers: no (branch, PNo) twice in the reports, and the database holds exactly the headers
    // reported, each in the state reported; the counter stands on the highest number.
    QSet<std::pair<QString, int>> seen;
    QHash<QString, QHash<QString, qint64>> shipped; // branch -> book -> reported quantity
    QHash<QString, QSet<int>> completed;            // branch -> reported complete
    bool unique = true;
    for (const Document& d : reported) {
        if (seen.contains({d.branch, d.pno})) {
            unique = false;
            note(QStringLiteral("number %1/%2 reported twice").arg(d.branch).arg(d.pno));
        }
        seen.insert({d.branch, d.pno});
        if (d.complete) {
            completed[d.branch].insert(d.pno);
            for (const auto& [book, qty] : d.lines)
                shipped[d.branch][book] += qty;
        }
    }
    bool stockExact = true;
    bool postings = true;
    bool ok = true;
    for (const QString& branch : o.branches) {
        const int base = before.base.value(branch);
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "SELECT PNo, EComplete FROM ExportM WHERE SArea = ? AND PNo > ? ORDER BY PNo"));
        if (!run(q, {branch, base}))
            return false;
        QSet<int> inDb;
        int highest = base;
        while (q.next()) {
            const int pno = q.value(0).toInt();
            const bool complete = q.value(1).toInt() != 0;
            inDb.insert(pno);
            highest = std::max(highest, pno);
            if (!seen.contains({branch, pno})) {
                unique = false;
                note(QStringLiteral("header %1/%2 in the database, reported by no client")
                         .arg(branch)
                         .arg(pno));
            }
            if (complete != completed.value(branch).contains(pno)) {
                stockExact = false;
                note(QStringLiteral("header %1/%2 complete=%3 in the database, reported otherwise")
                         .arg(branch)
                         .arg(pno)
                         .arg(complete));
            }
        }
        for (const auto& [b, pno] : std::as_const(seen)) {
            if (b == branch && !inDb.contains(pno)) {
                unique = false;
                note(QStringLiteral("header %1/%2 reported, missing in the database")
                         .arg(branch)
                         .arg(pno));
            }
        }
        if (scalar(db,
                   QStringLiteral(
                       "SELECT COUNT(*) FROM (SELECT PNo FROM ExportM WHERE SArea = ? GROUP BY "
                       "PNo HAVING COUNT(*) > 1) x"),
                   {branch}, &ok) != 0) {
            unique = false;
            note(QStringLiteral("a number repeats in ExportM at %1").arg(branch));
        }
        const qint64 counter = scalar(
            db, QStringLiteral("SELECT LastNo FROM PNoCounter WHERE SArea = ? AND DocKind = ?"),
            {branch, ShipmentKind}, &ok);
        if (counter != highest) {
            unique = false;
            note(QStringLiteral("counter of %1 at %2, highest number %3")
                     .arg(branch)
                     .arg(counter)
                     .arg(highest));
        }

        // Stock: what left each book is what the completed documents' lines say, in the
        // database, in the clients' reports and in the posting records alike.
        const auto sums = [&](const QString& sql, QHash<QString, qint64>* into) {
            QSqlQuery s(db);
            if (!s.prepare(sql) || !run(s, {branch, base}))
                return false;
            while (s.next())
                (*into)[s.value(0).toString()] += s.value(1).toLongLong();
            return true;
        };
        QHash<QString, qint64> lines, posted;
        ok = ok &&
             sums(QStringLiteral(
                      "SELECT d.BookNo, SUM(d.Qty) FROM ExpDetail d JOIN ExportM m ON "
                      "m.SArea = d.SArea AND m.PNo = d.PNo WHERE m.SArea = ? AND m.PNo > ? "
                      "AND m.EComplete = 1 GROUP BY d.BookNo"),
                  &lines) &&
             sums(QStringLiteral("SELECT BookNo, -SUM(Qty) FROM StockPostLine WHERE SArea = ? AND "
                                 "DocKind = 3 AND PNo > ? GROUP BY BookNo"),
                  &posted);
        if (!ok)
            return false;
        QSqlQuery st(db);
        st.prepare(
            QStringLiteral("SELECT COALESCE(Stock%1, 0) FROM Book WHERE BookNo = ?").arg(branch));
        int wrong = 0;
        for (const Book& b : pool) {
            if (!run(st, {b.no}) || !st.next())
                return false;
            const qint64 left = before.stock[branch].value(b.no) - st.value(0).toLongLong();
            const qint64 byLines = lines.value(b.no);
            const qint64 byReports = shipped.value(branch).value(b.no);
            const qint64 byPosting = posted.value(b.no);
            if (left != byLines || left != byReports || left != byPosting) {
                stockExact = false;
                if (wrong++ < 3)
                    note(QStringLiteral("%1/%2: stock fell by %3; completed lines %4, reports %5, "
                                        "postings %6")
                             .arg(branch, b.no)
                             .arg(left)
                             .arg(byLines)
                             .arg(byReports)
                             .arg(byPosting));
            }
        }
        for (auto it = lines.cbegin(); it != lines.cend(); ++it) {
            if (!before.stock.value(branch).contains(it.key())) {
                stockExact = false;
                note(QStringLiteral("%1/%2 shipped but not in the pool").arg(branch, it.key()));
            }
        }

        // One posting record and two log records (new, completed) per completed document.
        const qint64 complete = completed.value(branch).size();
        const qint64 posts = scalar(
            db,
            QStringLiteral(
                "SELECT COUNT(*) FROM StockPost WHERE SArea = ? AND DocKind = 3 AND PNo > ?"),
            {branch, base}, &ok);
        const qint64 logs =
            scalar(db,
                   QStringLiteral("SELECT COUNT(*) FROM LogRec WHERE LogNo > ? AND SArea = ? "
                                  "AND OPItem = ? AND OPKind = ? AND OPRemark LIKE ?"),
                   {before.lastLog, branch, LogItems::Shipments, QStringLiteral("更新"),
                    QStringLiteral("%") + StockRemark},
                   &ok);
        if (posts != complete || logs != complete) {
            postings = false;
            note(QStringLiteral("%1: %2 completed, %3 posting records, %4 completion log records")
                     .arg(branch)
                     .arg(complete)
                     .arg(posts)
                     .arg(logs));
        }
    }
    r->unique = unique;
    r->stockExact = stockExact;
    r->postings = postings;
    return ok;
}

QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

int parentMain(const Bench::Target& target, const QStringList& dbArguments, const Options& o,
               QTextStream& out)
{
    const QString used = o.branches.mid(0, o.clients).join(QLatin1Char(','));
    TMainDM dm;
    Bench::login(dm, target, o.branches.first());
    if (!dm.MainADOCon.isOpen() && !dm.MainADOCon.open()) {
        out << "connect: " << dm.MainADOCon.lastErrorText() << Qt::endl;
        return 1;
    }
    QSqlDatabase db = dm.MainADOCon.database();

    // The pool: the first books of the catalogue with a price, shared by every client.
    QList<Book> pool;
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "SELECT BookNo, NTPrice FROM Book WHERE NTPrice > 0 ORDER BY BookNo LIMIT ?"));
    if (!run(q, {o.pool})) {
        out << "books: " << q.lastError().text() << Qt::endl;
        return 1;
    }
    while (q.next())
        pool.append({q.value(0).toString(), q.value(1).toDouble()});
    QStringList customers;
    q.exec(QStringLiteral("SELECT CustNo FROM Customer WHERE CLock = 0 ORDER BY CustNo LIMIT 100"));
    while (q.next())
        customers << q.value(0).toString();
    q.finish();
    if (pool.size() < o.pool || customers.isEmpty()) {
        out << "not enough books (" << pool.size() << ") or no customer" << Qt::endl;
        return 1;
    }
    if (!stockUp(target, o, pool, out))
        return 1;

    QTemporaryDir dir;
    const QString books = dir.filePath(QStringLiteral("books.txt"));
    const QString customerFile = dir.filePath(QStringLiteral("customers.txt"));
    {
        QFile f(books), c(customerFile);
        if (!dir.isValid() || !f.open(QIODevice::WriteOnly) || !c.open(QIODevice::WriteOnly))
            return 1;
        for (const Book& b : pool)
            f.write(QStringLiteral("%1\t%2\n").arg(b.no).arg(b.price, 0, 'f', 2).toUtf8());
        c.write(customers.join(QLatin1Char('\n')).toUtf8());
    }

    const QStringList modes = o.mode == QLatin1String("both")
                                  ? QStringList{QStringLiteral("ours"), QStringLiteral("floor")}
                                  : QStringList{o.mode};
    // Ours and the floor take turns, so that a change of load on the machine touches both.
    QHash<QString, Outcome> outcomes;
    bool allOk = true;
    for (int round = 0; round < o.rounds; ++round) {
        for (const QString& mode : modes) {
            Snapshot before;
            if (!snapshot(db, o, pool, &before)) {
                out << "snapshot: " << db.lastError().text() << Qt::endl;
                return 1;
            }
            QList<Document> documents;
            Outcome r;
            if (!runClients(dbArguments, o, mode, books, customerFile, &documents, &r, out))
                return 1;
            if (!check(db, o, pool, before, documents, &r)) {
                out << "check: " << db.lastError().text() << Qt::endl;
                return 1;
            }
            const auto perDocument = [&r](int i) {
                return QString::number(r.documents ? r.phaseMs[i] / r.documents : 0, 'f', 1);
            };
            out << mode << ": " << r.clients << " clients at " << used << ", "
                << QString::number(r.seconds, 'f', 1) << " s, " << r.documents
                << " documents saved and completed (" << QString::number(r.perSecond(), 'f', 1)
                << "/s), " << r.lines << " lines (" << QString::number(r.lines / r.seconds, 'f', 0)
                << "/s), " << r.failures << " failures; numbers unique: " << yesNo(r.unique)
                << ", stock exact: " << yesNo(r.stockExact)
                << ", posting and log records agree: " << yesNo(r.postings) << Qt::endl
                << "  a document took on average "
                << (mode == QLatin1String("ours")
                        ? QStringLiteral("%1 ms header, %2 ms lines, %3 ms completion")
                              .arg(perDocument(0), perDocument(1), perDocument(2))
                        : QStringLiteral("%1 ms").arg(perDocument(2)))
                << " (wall time in its client)" << Qt::endl;
            for (const QString& f : std::as_const(r.failureTexts))
                out << "  " << f << Qt::endl;
            for (const QString& p : std::as_const(r.problems))
                out << "  CHECK FAILED: " << p << Qt::endl;
            allOk = allOk && r.unique && r.stockExact && r.postings;
            if (!outcomes.contains(mode)) {
                outcomes.insert(mode, r);
                continue;
            }
            Outcome& sum = outcomes[mode];
            sum.seconds += r.seconds;
            sum.documents += r.documents;
            sum.lines += r.lines;
            sum.failures += r.failures;
            for (int i = 0; i < 3; ++i)
                sum.phaseMs[i] += r.phaseMs[i];
            sum.unique = sum.unique && r.unique;
            sum.stockExact = sum.stockExact && r.stockExact;
            sum.postings = sum.postings && r.postings;
        }
    }

    Bench::printHeader(out);
    for (const QString& mode : modes) {
        const Outcome& r = outcomes.value(mode);
        const bool ours = mode == QLatin1String("ours");
        const Outcome* floor = ours && outcomes.contains(QStringLiteral("floor"))
                                   ? &outcomes[QStringLiteral("floor")]
                                   : nullptr;
        if (!ours && outcomes.contains(QStringLiteral("ours")))
            continue; // shown beside ours
        const double ms = r.documents ? 1000.0 / r.perSecond() : 0;
        const double floorMs = floor && floor->documents ? 1000.0 / floor->perSecond() : 0;
        QString notes =
            QStringLiteral(
                "%1 clients at %2, %3 s in %11 rounds, %4 documents of %5 lines, %6 docs/s, "
                "%7 lines/s, %8 failures, numbers unique: %9, stock exact: %10")
                .arg(r.clients)
                .arg(used)
                .arg(r.seconds, 0, 'f', 1)
                .arg(r.documents)
                .arg(o.lines)
                .arg(r.perSecond(), 0, 'f', 1)
                .arg(r.lines / r.seconds, 0, 'f', 0)
                .arg(r.failures)
                .arg(yesNo(r.unique), yesNo(r.stockExact && r.postings))
                .arg(o.rounds);
        if (floor)
            notes +=
                QStringLiteral("; floor %1 docs/s (%2 documents, checks %3); ratio = floor docs/s "
                               "/ ours docs/s, above 1 means ours is slower")
                    .arg(floor->perSecond(), 0, 'f', 1)
                    .arg(floor->documents)
                    .arg(floor->unique && floor->stockExact && floor->postings
                             ? QStringLiteral("pass")
                             : QStringLiteral("FAIL"));
        Bench::printRow(out, target.backendName,
                        ours ? QStringLiteral("shipments saved and completed by concurrent "
                                              "workstations: ms per document of throughput")
                             : QStringLiteral("floor: the same rows straight, one transaction a "
                                              "document: ms per document of throughput"),
                        ms, floorMs, notes);
    }
    return allOk ? 0 : 3;
}

/// The database arguments as given, for the clients.
QStringList databaseArguments(const QStringList& arguments)
{
    QStringList args;
    for (int i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--sqlite") ||
            arguments.at(i) == QLatin1String("--config"))
            args << arguments.at(i) << arguments.at(i + 1);
    }
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    Bench::Target target;
    if (!Bench::readCommandLine(&target, out))
        return 2;
    Options o;
    QString error;
    if (!parseOptions(target.rest, &o, &error)) {
        out << error << Qt::endl
            << "options: [--clients N] [--seconds S] [--lines L] [--pool P] [--branches C1,C2] "
               "[--mode both|ours|floor] [--rounds R]"
            << Qt::endl;
        return 2;
    }
    if (o.client >= 0)
        return clientMain(target, o, out);
    return parentMain(target, databaseArguments(app.arguments().mid(1)), o, out);
}
