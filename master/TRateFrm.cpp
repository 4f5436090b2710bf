#include "master/TRateFrm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "data/LogItems.h"
#include "data/Privileges.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSetModel.h"
#include "widgets/Buttons.h"

TRateFrm::TRateFrm(TMainDM& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("RateFrm"));
    setWindowTitle(QStringLiteral("匯率資料"));

    m_model = new TDataSetModel(&m_dm.RateDS, this);
    m_model->setColumns({QStringLiteral("ORI_CR"), QStringLiteral("rate")},
                        {QStringLiteral("幣別"), QStringLiteral("匯率")});
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("RateGrid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::EditKeyPressed);

    m_first = Widgets::button(QStringLiteral("|<"), "FirstBtn", this);
    m_prior = Widgets::button(QStringLiteral("<"), "PriorBtn", this);
    m_next = Widgets::button(QStringLiteral(">"), "NextBtn", this);
    m_last = Widgets::button(QStringLiteral(">|"), "LastBtn", this);
    m_insert = Widgets::button(QStringLiteral("新增"), "InsertBtn", this);
    m_edit = Widgets::button(QStringLiteral("修改"), "EditBtn", this);
    m_delete = Widgets::button(QStringLiteral("刪除"), "DeleteBtn", this);
    m_save = Widgets::button(QStringLiteral("存檔"), "SaveBtn", this);
    m_cancel = Widgets::button(QStringLiteral("取消"), "CancelBtn", this);
    m_status = new QStatusBar(this);
    m_status->setSizeGripEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_status->addPermanentWidget(m_progress);

    auto* nav = new QHBoxLayout;
    for (QPushButton* b : {m_first, m_prior, m_next, m_last})
        nav->addWidget(b);
    nav->addStretch();
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {m_insert, m_edit, m_delete, m_save, m_cancel})
        actions->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nav);
    layout->addWidget(m_grid);
    layout->addLayout(actions);
    layout->addWidget(m_status);
    resize(320, 360);

    TDataSet& rates = m_dm.RateDS;
    connect(m_first, &QPushButton::clicked, this, [&rates] { rates.first(); });
    connect(m_prior, &QPushButton::clicked, this, [&rates] { rates.prior(); });
    connect(m_next, &QPushButton::clicked, this, [&rates] { rates.next(); });
    connect(m_last, &QPushButton::clicked, this, [&rates] { rates.last(); });
    connect(m_insert, &QPushButton::clicked, this, &TRateFrm::InsertBtnClick);
    connect(m_edit, &QPushButton::clicked, this, &TRateFrm::EditBtnClick);
    connect(m_delete, &QPushButton::clicked, this, &TRateFrm::DeleteBtnClick);
    connect(m_save, &QPushButton::clicked, this, &TRateFrm::SaveBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &TRateFrm::CancelBtnClick);

    // The grid's current row and the dataset's follow each other.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &rates](const QModelIndex& current) {
                if (current.isValid() && current.row() != rates.recNo())
                    rates.moveTo(current.row());
            });
    connect(&rates, &TDataSet::currentChanged, this, [this](int row) {
        if (row >= 0 && m_grid->currentIndex().row() != row)
            m_grid->setCurrentIndex(m_model->index(row, qMax(0, m_grid->currentIndex().column())));
    });
    connect(&rates, &TDataSet::stateChanged, this, &TRateFrm::updateControls);
    connect(&rates, &TDataSet::rowsReset, this, &TRateFrm::updateControls);

    FormCreate();
}

TRateFrm::~TRateFrm() = default;

bool TRateFrm::hasRight() const
{
    const QChar c = m_dm.PrivAt(Privileges::ExchangeRates);
    return Privileges::canInsert(c) || Privileges::canUpdateDocument(c) ||
           Privileges::canDeleteDocument(c);
}

void TRateFrm::FormCreate()
{
    m_dm.LogItem = LogItems::Rates;
    // Rates follow the document rule: the master-data characters 8 to F grant nothing here.
    const QChar c = m_dm.PrivAt(Privileges::ExchangeRates);
    const bool insert = QStringLiteral("1357").contains(c);
    const bool update = QStringLiteral("2367").contains(c);
    m_insert->setVisible(insert);
    m_edit->setVisible(update);
    m_save->setVisible(insert || update);
    m_cancel->setVisible(insert || update);
    m_delete->setVisible(QStringLiteral("4567").contains(c));
    m_model->setEditable(update || insert);
}

void TRateFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TRateFrm::FormActivate()
{
    // Other windows set their own name meanwhile; changes made here are logged as rates.
    m_dm.LogItem = LogItems::Rates;
    TDataSet& rates = m_dm.RateDS;
    rates.close();
    rates.setReadOnly(!hasRight());
    rates.open();
    m_status->showMessage(QStringLiteral("資料筆數: %1").arg(rates.recordCount()));
    updateControls();
}

void TRateFrm::FormClose()
{
    TDataSet& rates = m_dm.RateDS;
    if (rates.isEditing())
        rates.cancel();
    if (hasRight()) {
        rates.close();
        rates.setReadOnly(true);
        rates.open();
    }
}

void TRateFrm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TRateFrm::InsertBtnClick()
{
    if (m_dm.RateDS.append())
        m_grid->setFocus();
}

void TRateFrm::EditBtnClick()
{
    if (m_dm.RateDS.edit())
        m_grid->setFocus();
}

void TRateFrm::DeleteBtnClick()
{
    if (m_dm.RateDS.isActive() && !m_dm.RateDS.isEmpty())
        m_dm.RateDS.remove();
    m_status->showMessage(QStringLiteral("資料筆數: %1").arg(m_dm.RateDS.recordCount()));
}

void TRateFrm::SaveBtnClick()
{
    // A cell still being typed in hands its text over as it loses the focus.
    m_save->setFocus();
    if (m_dm.RateDS.isEditing())
        m_dm.RateDS.post();
    m_status->showMessage(QStringLiteral("資料筆數: %1").arg(m_dm.RateDS.recordCount()));
}

void TRateFrm::CancelBtnClick()
{
    m_dm.RateDS.cancel();
}

void TRateFrm::updateControls()
{
    const bool editing = m_dm.RateDS.isEditing();
    for (QPushButton* b : {m_first, m_prior, m_next, m_last, m_insert, m_edit, m_delete})
        b->setEnabled(!editing);
    m_save->setEnabled(editing);
    m_cancel->setEnabled(editing);
}
