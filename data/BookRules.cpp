#include "data/BookRules.h"

#include <QDir>
#include <QSaveFile>
#include <QStringEncoder>

#include "data/DataFolder.h"
#include "data/Privileges.h"
#include "data/Schema.h"
#include "data/TDialogs.h"
#include "data/dataset/TDataSet.h"

namespace BookRules {

const QString Available = QStringLiteral("有");
const QString NotAvailable = QStringLiteral("無");
const QString ReadError = QStringLiteral("錯誤");
const QString BranchTotalLabel = QStringLiteral("分公司合計:");
const QString GrandTotalLabel = QStringLiteral("總計:");

QString SubjectOf(const QString& bookNo)
{
    const qsizetype dash = bookNo.indexOf(u'-');
    if (dash >= 0 && dash < 6)
        return bookNo.left(dash);
    return bookNo;
}

namespace {

/// The stock of one company's column in the current row; false when there is no such column or
/// its value is no number. An empty stock counts as none.
bool readStock(TDataSet& book, const QString& code, qlonglong* stock)
{
    if (!Schema::isValidBranchCode(code))
        return false;
    const TField* field = book.findField(QStringLiteral("Stock") + code);
    if (!field || !field->isAttached())
        return false;
    const QVariant v = field->value();
    if (v.isNull()) {
        *stock = 0;
        return true;
    }
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (!ok)
        return false;
    *stock = qlonglong(qRound64(d));
    return true;
}

} // namespace

StockTexts StockPerCompany(TDataSet& book, const QList<Company>& companies, QChar stockDisplay,
                           const QString& loginArea, qlonglong quantity)
{
    StockTexts result;
    const bool exact = stockDisplay == u'2';
    const bool headOffice = loginArea == Privileges::HeadOffice;
    bool anyRead = false;
    for (const Company& company : companies) {
        const QString code = company.code.trimmed();
        qlonglong stock = 0;
        if (!readStock(book, code, &stock)) {
            result.texts << ReadError;
            continue;
        }
        anyRead = true;
        const QString availability = stock >= quantity ? Available : NotAvailable;
        if (exact && headOffice) {
            result.texts << QString::number(stock);
            result.grandTotal += stock;
            if (code != Privileges::HeadOffice)
                result.branchTotal += stock;
        } else if (exact) {
            // A branch sees the other branches' figures but only whether the head office can
            // supply.
            result.texts << (code == Privileges::HeadOffice ? availability
                                                            : QString::number(stock));
        } else {
            result.texts << availability;
        }
    }
    result.totals = exact && headOffice && anyRead;
    return result;
}

QStringList SheetLines(TDataSet& book)
{
    static const char* const items[][2] = {
        {"書碼：", "BookNo"},      {"科別：", "ClsNo"},   {"書名：", "BookName"},
        {"作者：", "Author"},      {"ISBN：", "ISBN"},    {"NT訂價：", "NTPrice"},
        {"出版年代：", "PubYear"}, {"版次：", "Edition"}, {"出版公司：", "BPublisher"},
        {"重量：", "BWeight"},     {"簡介：", "Summary"},
    };
    QStringList lines;
    for (const auto& item : items)
        lines << QString::fromUtf8(item[0]) +
                     book.fieldByName(QString::fromLatin1(item[1])).asString();
    return lines;
}

QString WriteSheet(TDataSet& book)
{
    const QString bookNo = book.fieldByName(QStringLiteral("BookNo")).asString().trimmed();
    // The number names the file: one that could climb out of the folder must not reach the disk.
    if (!DataFolder::isPlainFileName(bookNo)) {
        TDialogs::error(QStringLiteral("書碼含有路徑字元（/、\\ 或 ..），無法寫出書籍資料檔"));
        return {};
    }
    QString error;
    const QString folder = DataFolder::subfolder(QStringLiteral("HTML"), &error);
    if (folder.isEmpty()) {
        TDialogs::error(error);
        return {};
    }
    const QString path = QDir(folder).absoluteFilePath(bookNo + QStringLiteral(".txt"));

    QString text;
    for (const QString& line : SheetLines(book))
        text += line + u'\n';
    // The workstation's own code page, as the staff's text tools read it.
    QStringEncoder encoder(QStringEncoder::System);
    const QByteArray bytes = encoder.encode(text);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        TDialogs::error(file.errorString());
        return {};
    }
    const QString shown = QDir::toNativeSeparators(path);
    TDialogs::information(QStringLiteral("書籍資料已轉入") + shown + QStringLiteral("檔案中"));
    return path;
}

} // namespace BookRules
