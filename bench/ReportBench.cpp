// Fills and saves a shipment of 5,000 lines through PrintDocument, as the print button does,
// and prints the time per document (median of several runs).
// Usage: heyu-bench-reports [lines] [folder to keep the documents in]
#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "data/TMainDM.h"
#include "reports/RecordTable.h"
#include "reports/TReportDM.h"

namespace {

class NoDesktop : public ReportDesktop
{
public:
    bool canOpen(const QString&) const override { return true; }
    bool open(const QString&) override { return true; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int lineCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    const int runs = 5;

    TMainDM mainDM;
    UserAccount clerk;
    clerk.name = QStringLiteral("王小明");
    clerk.area = QStringLiteral("C0");
    clerk.areaName = QStringLiteral("禾嶼圖書出版社");
    mainDM.SetLogin(clerk);
    NoDesktop desktop;
    QTemporaryDir out;
    TReportDM reports(mainDM, desktop);
    reports.SetTemplateFolders({QStringLiteral(HEYU_REPORT_TEMPLATES)});
    reports.SetOutputFolder(argc > 2 ? QString::fromLocal8Bit(argv[2]) : out.path());

    RecordTable header(
        {"PNo", "CustNo", "EDate", "MKind", "Remark", "FCharge", "Sundries", "invDate", "invoice"},
        {{1, "A0002", "2026/12/11", 1, "大量出貨", 100.0, 0.0, "2026/12/12", "AB12345678"}});
    RecordTable lines({"BookNo", "BookName", "ISBN", "PubYear", "Edition", "Author", "BPublisher",
                       "NTPrice", "Price", "Qty", "Disc", "Rate", "UnSum", "ori_cr"},
                      {});
    for (int i = 0; i < lineCount; ++i)
        lines.append({QStringLiteral("HY%1").arg(i, 5, 10, QLatin1Char('0')),
                      QStringLiteral("島嶼的風 第%1冊").arg(i), "9789860000011", 2023, "2",
                      "林清遠", "禾嶼圖書出版社", 320.0, 12.5, 2, 0.8, 32.5, 20.0,
                      i % 3 ? "US" : "PD"});
    RecordTable totals({"SumQty", "SumPrice"}, {{lineCount * 2, lineCount * 650.0}});
    RecordTable customer({"CustName", "Contact", "CAddress", "CTel", "CFax", "Uniform_id"},
                         {{"晨光書店", "周老闆", "台北市", "02-1", "02-2", "12345678"}});

    QList<qint64> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        reports.PrintDocument(header, lines, PartnerSide::Customer, PrintKind::Shipment, nullptr,
                              totals, customer);
        times.append(timer.elapsed());
        if (reports.LastDocument().isEmpty()) {
            std::fprintf(stderr, "no document was saved\n");
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("PrintDocument, %d lines, fill and save: median %lld ms (min %lld, max %lld) over "
                "%d runs\n",
                lineCount, static_cast<long long>(times.at(runs / 2)),
                static_cast<long long>(times.first()), static_cast<long long>(times.last()), runs);
    return 0;
}
