#include "master/TCustPntFrm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "reports/TReportDM.h"

TCustPntFrm::TCustPntFrm(TReportDM* reportDM, TDataSet& customers, QWidget* parent)
    : QDialog(parent), m_reportDM(reportDM), m_customers(customers)
{
    setObjectName(QStringLiteral("CustPntFrm"));
    setWindowTitle(QStringLiteral("列印名條"));
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(QStringLiteral("列印數量"), this));
    m_copies = new QSpinBox(this);
    m_copies->setObjectName(QStringLiteral("SpinEdit1"));
    m_copies->setRange(1, 9999);
    m_copies->setValue(1);
    row->addWidget(m_copies);
    column->addLayout(row);
    auto* buttons = new QHBoxLayout();
    auto* ok = new QPushButton(QStringLiteral("確定"), this);
    ok->setObjectName(QStringLiteral("OKBitBtn"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("CancelBitBtn"));
    connect(ok, &QPushButton::clicked, this, &TCustPntFrm::OKBitBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}

void TCustPntFrm::OKBitBtnClick()
{
    if (m_reportDM)
        m_reportDM->PrintCustomerLabels(m_customers, nullptr, m_copies->value(), 0);
    accept();
}
