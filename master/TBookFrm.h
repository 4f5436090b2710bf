#pragma once

#include <QStringList>

#include "master/TBasicSouFrm.h"

class QButtonGroup;
class QComboBox;
class QPushButton;
class QTableWidget;
class QSpinBox;
class TFieldDataLink;

/**
 * @brief The book window: the book table with the signed-in company's own stock columns, the
 * stock of every company of the group, the one-book text sheet and the book's history.
 *
 * Branch users keep their own shelf location, safe stock and edition choice; the shared book data
 * is the head office's to change.
 */
class TBookFrm : public TBasicSouFrm
{
    Q_OBJECT
public:
    TBookFrm(const TWindowContext& context, QWidget* parent = nullptr);
    ~TBookFrm() override;

    bool DataSetPost1Execute() override;
    void QuBitBtnClick(int tag) override;

    /// Entering the key field: only a user who may change numbers edits an existing one.
    void DBEditNew1Enter();
    /// Leaving the key field: the number is trimmed and, when it changed, implies the subject.
    void DBEditNew1Exit();
    /// 科別: the subject window on the book's subject.
    void BitBtn2Click();
    /// 供應商: the supplier window on the book's supplier.
    void BitBtn3Click();
    /// 單筆列印: the one-book text sheet.
    void SPntBitBtnClick();
    /// 清單列印: the listing of the books found.
    void BPntBitBtnClick();
    /// 查詢 on the stock page: the book's stock per company.
    void BitBtn1Click();

    /// The branch code whose stock columns the window edits (the login's).
    QString area() const { return m_area; }

protected:
    void MasterDSouStateChange(TDataSet::State state) override;

private:
    static Settings bookSettings(const TWindowContext& context);
    void buildFields();
    void buildListColumns();
    QWidget* buildStockPage();
    void applyBranchRestrictions();
    void fillStockCompanies();
    /// Shows or hides the price columns of the history and its NT$ totals.
    void setHistoryColumns(int tag);
    bool hasCurrentBook() const;

    QString m_area;
    QComboBox* m_currency = nullptr;
    QComboBox* m_discount = nullptr;
    QButtonGroup* m_edition = nullptr;
    QPushButton* m_subjectBtn = nullptr;
    QPushButton* m_vendorBtn = nullptr;
    QPushButton* m_sheetBtn = nullptr;
    QPushButton* m_listPrintBtn = nullptr;
    QWidget* m_stockPage = nullptr;
    QTableWidget* m_stockGrid = nullptr;
    QSpinBox* m_quantity = nullptr;
    QWidget* m_remark = nullptr;
    /// The bindings of every book field a branch user may not change.
    QList<TFieldDataLink*> m_sharedLinks;
    /// The key as it was when the key field was entered.
    QString m_keyOnEnter;
};
