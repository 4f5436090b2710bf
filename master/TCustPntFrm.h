#pragma once

#include <QDialog>

class QSpinBox;
class TDataSet;
class TReportDM;

/// The label dialog of the customer window: how many labels of the current customer to print.
class TCustPntFrm : public QDialog
{
    Q_OBJECT
public:
    TCustPntFrm(TReportDM* reportDM, TDataSet& customers, QWidget* parent = nullptr);

    QSpinBox* copies() const { return m_copies; }
    /// 確定: prints the labels and closes.
    void OKBitBtnClick();

private:
    TReportDM* m_reportDM;
    TDataSet& m_customers;
    QSpinBox* m_copies;
};
