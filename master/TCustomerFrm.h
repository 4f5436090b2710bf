#pragma once

#include <QHash>

#include "master/TBasicSouFrm.h"

class QCheckBox;
class QPushButton;
class TDBCheckBox;

/**
 * @brief The customer window: the common master-data window over CustomerDS (module 1) with the
 * customer's fields, its subject interests, the copy into the supplier table, labels and the list.
 */
class TCustomerFrm : public TBasicSouFrm
{
    Q_OBJECT
public:
    explicit TCustomerFrm(const TWindowContext& context, QWidget* parent = nullptr);
    ~TCustomerFrm() override;

    /// The subject buttons, as AllInsSBtnClick tells them apart.
    enum class SubjectAction { AddAll, AddSelected, DeleteSelected, DeleteAll };

    bool DataSetPost1Execute() override;
    void FormClose() override;
    /// The key-field guard: a user without the right to change numbers cannot enter it while
    /// editing.
    void DBEditNew1Enter();
    void BitBtn1Click(); ///< copy to the supplier table
    void BitBtn2Click(); ///< labels of the current customer
    void BitBtn3Click(); ///< subject search
    void BitBtn4Click(); ///< re-read the customer's subjects
    void AllInsSBtnClick(SubjectAction action);
    void BPntBitBtnClick(); ///< customer list
    void BCBitBtnClick();   ///< labels of every listed customer

    /// The customer's subjects (detail of the current customer).
    TDataSet CustClsNoDS;

protected:
    void MasterDSouStateChange(TDataSet::State state) override;

private:
    static Settings customerSettings(const TWindowContext& context);
    void buildFields();
    QWidget* buildSubjectPage();
    bool subjectPrecondition();

    QHash<QString, QWidget*> m_editors; ///< by field name
    QPushButton* m_toVendorBtn = nullptr;
    QPushButton* m_labelBtn = nullptr;
    QPushButton* m_subjectFindBtn = nullptr;
    class QLineEdit* m_subjectFind = nullptr;
    class TSouGrid* m_clasesGrid = nullptr;
    class TSouGrid* m_custClsGrid = nullptr;
    QList<QPushButton*> m_subjectButtons;
};
