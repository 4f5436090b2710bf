#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

class Connection;

/**
 * @brief Fills an empty database with a large company of ten branches and five years of trade,
 * reproducibly: the same seed and scale give the same rows.
 *
 * At scale 1: 1,000,000 books, 50,000 customers, 5,000 suppliers and about 400,000 documents of
 * every kind with 2,000,000 lines. Completed stock documents are posted as the completion does it
 * (stock columns, StockPost and StockPostLine), so a completion can be taken back later; the
 * document counters follow the numbers given.
 *
 * Fixed points that measurements can rely on, at every scale:
 *   - bookNo(i) enumerates the books in key order, two letters then six digits, so a prefix such
 *     as "AB" selects a known run of them; about one title in 25 contains "詩";
 *   - the shipment LongShipmentPNo of branch C0 is open and has up to 200 lines;
 *   - book 0 (HistoryBook) appears in documents of every kind, branch and year.
 */
class Generator
{
public:
    struct Options
    {
        quint64 seed = 1;
        double scale = 1.0;
    };

    Generator(Connection& connection, const Options& options, QTextStream& out);

    /// Creates the schema in the empty database and fills it; false with a readable error.
    bool run(QString* error);

    static QStringList branchCodes();
    static qint64 bookCount(double scale);
    static QString bookNo(qint64 index, qint64 bookCount);
    static QString customerNo(qint64 index);
    static QString supplierNo(qint64 index);
    /// A valid ISBN-13 (check digit included) for any index below 43,000,000.
    static QString isbn(qint64 index);

    static constexpr int LongShipmentPNo = 1;
    static constexpr int LongShipmentLines = 200;
    static constexpr qint64 HistoryBook = 0;

private:
    Connection& m_con;
    Options m_options;
    QTextStream& m_out;
};
