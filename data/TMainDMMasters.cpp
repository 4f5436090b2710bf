// Master-record rules that complete the save and delete rules of the shared datasets: the book
// and quantity of a stock adjustment.

#include <memory>

#include <QSqlQuery>

#include "data/TDialogs.h"
#include "data/TMainDM.h"

void TMainDM::AttachMasterRecordRules()
{
    // The stock moved when the adjustment was first saved; changing its book or quantity later
    // would leave the stock disagreeing with the adjustments on file.
    TField& book = BRStockDS.fieldByName(QStringLiteral("BookNo"));
    book.onValidate = [this](TField& f, QVariant& v) {
        if (f.dataSet()->state() != TDataSet::State::Insert)
            return false;
        const QString no = v.toString().trimmed();
        if (no.isEmpty())
            return false;
        if (!CheckBook(QStringLiteral("BookNo"), no) || ChBookDS.isEmpty()) {
            TDialogs::error(QStringLiteral("查無此書籍資料"));
            return false;
        }
        v = no;
        return true;
    };
    BRStockDS.fieldByName(QStringLiteral("Qty")).onValidate = [](TField& f, QVariant&) {
        return f.dataSet()->state() == TDataSet::State::Insert;
    };

    // A new adjustment whose book is gone by the time of the save moves no stock: the save fails
    // instead of being logged as an adjustment.
    auto isNew = std::make_shared<bool>(false);
    BRStockDS.beforePost = [isNew, next = BRStockDS.beforePost](TDataSet& d) {
        *isNew = d.state() == TDataSet::State::Insert;
        if (next)
            next(d);
    };
    BRStockDS.afterPost = [this, isNew, next = BRStockDS.afterPost](TDataSet& d) {
        if (*isNew) {
            QSqlQuery q(MainADOCon.database());
            q.prepare(QStringLiteral("select count(*) from Book where BookNo=?"));
            q.bindValue(0, d.fieldByName(QStringLiteral("BookNo")).value());
            const bool found = q.exec() && q.next() && q.value(0).toInt() == 1;
            q.finish();
            if (!found) {
                TDialogs::error(QStringLiteral("無法修改庫存"));
                RollbackIfOpen();
                TDataSet::abort();
            }
        }
        if (next)
            next(d);
    };
    // The save's transaction never stays open after a failed write.
    if (!BRStockDS.onPostError) {
        BRStockDS.onPostError = [this](TDataSet& d) {
            const DbError e = DbError::from(d.lastError());
            TDialogs::error(QStringLiteral("存檔錯誤--") +
                            (e.nativeCode.isEmpty() ? QStringLiteral("0") : e.nativeCode));
            RollbackIfOpen();
        };
    }
}
