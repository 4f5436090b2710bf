#include "app/TLogFrm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include "data/ChangeLog.h"
#include "data/TMainDM.h"
#include "data/dataset/TDataSetModel.h"
#include "widgets/Buttons.h"
#include "widgets/TEnglishDate.h"

namespace {

/// The window is laid out for a screen 800 pixels wide and grows with wider ones.
constexpr int DesignWidth = 800;

} // namespace

TLogFrm::TLogFrm(TMainDM& dm, QWidget* parent)
    : QDialog(parent), m_dm(dm), m_log(std::make_unique<ChangeLog>(dm))
{
    setObjectName(QStringLiteral("LogFrm"));
    setWindowTitle(QStringLiteral("異動記錄作業"));

    m_userCode = new QLineEdit(this);
    m_userCode->setObjectName(QStringLiteral("UserCodeEdit"));
    m_userCode->setMaxLength(8);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("UserNameEdit"));
    m_userName->setMaxLength(12);
    m_from = new TEnglishDate(this);
    m_from->setObjectName(QStringLiteral("FromDate"));
    m_to = new TEnglishDate(this);
    m_to->setObjectName(QStringLiteral("ToDate"));
    m_company = new QComboBox(this);
    m_company->setObjectName(QStringLiteral("CompanyCombo"));
    m_company->installEventFilter(this);
    auto* companyLabel = new QLabel(QStringLiteral("公司名稱"), this);
    m_companyLabel = companyLabel;

    m_find = Widgets::button(QStringLiteral("查詢"), "FindBtn", this);
    m_clear = Widgets::button(QStringLiteral("清除"), "ClearBtn", this);
    m_deleteOne = Widgets::button(QStringLiteral("單筆刪除"), "DeleteOneBtn", this);
    m_deleteAll = Widgets::button(QStringLiteral("全部刪除"), "DeleteAllBtn", this);
    auto* first = Widgets::button(QStringLiteral("|<"), "FirstBtn", this);
    auto* prior = Widgets::button(QStringLiteral("<"), "PriorBtn", this);
    auto* next = Widgets::button(QStringLiteral(">"), "NextBtn", this);
    auto* last = Widgets::button(QStringLiteral(">|"), "LastBtn", this);

    TDataSet& records = m_log->LogDS();
    m_model = new TDataSetModel(&records, this);
    m_model->setColumns({QStringLiteral("OPDTime"), QStringLiteral("OPUserC"),
                         QStringLiteral("OPUserN"), QStringLiteral("OPItem"),
                         QStringLiteral("OPKind"), QStringLiteral("OPRemark"),
                         QStringLiteral("SArea")},
                        {QStringLiteral("時間"), QStringLiteral("代號"), QStringLiteral("姓名"),
                         QStringLiteral("項目"), QStringLiteral("動作"), QStringLiteral("內容"),
                         QStringLiteral("公司編號")});
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("LogGrid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setStretchLastSection(true);

    auto* search = new QGridLayout;
    search->addWidget(new QLabel(QStringLiteral("使用者代號"), this), 0, 0);
    search->addWidget(m_userCode, 0, 1);
    search->addWidget(new QLabel(QStringLiteral("姓名"), this), 0, 2);
    search->addWidget(m_userName, 0, 3);
    search->addWidget(companyLabel, 0, 4);
    search->addWidget(m_company, 0, 5);
    search->addWidget(new QLabel(QStringLiteral("查詢日期自"), this), 1, 0);
    search->addWidget(m_from, 1, 1);
    search->addWidget(new QLabel(QStringLiteral("至"), this), 1, 2);
    search->addWidget(m_to, 1, 3);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_find, m_clear, m_deleteOne, m_deleteAll})
        buttons->addWidget(b);
    buttons->addStretch();
    for (QPushButton* b : {first, prior, next, last})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addLayout(buttons);
    layout->addWidget(m_grid);

    connect(m_find, &QPushButton::clicked, this, &TLogFrm::FindBtnClick);
    connect(m_clear, &QPushButton::clicked, this, &TLogFrm::ClearBtnClick);
    connect(m_deleteOne, &QPushButton::clicked, this, &TLogFrm::DeleteOneBtnClick);
    connect(m_deleteAll, &QPushButton::clicked, this, &TLogFrm::DeleteAllBtnClick);
    connect(first, &QPushButton::clicked, this, [&records] { records.first(); });
    connect(prior, &QPushButton::clicked, this, [&records] { records.prior(); });
    connect(next, &QPushButton::clicked, this, [&records] { records.next(); });
    connect(last, &QPushButton::clicked, this, [&records] { records.last(); });
    for (QLineEdit* e : {static_cast<QLineEdit*>(m_userCode), static_cast<QLineEdit*>(m_userName),
                         static_cast<QLineEdit*>(m_from), static_cast<QLineEdit*>(m_to)})
        connect(e, &QLineEdit::returnPressed, this, &TLogFrm::FindBtnClick);

    // The grid's current row and the list's follow each other.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [&records](const QModelIndex& current) {
                if (current.isValid() && current.row() != records.recNo())
                    records.moveTo(current.row());
            });
    connect(&records, &TDataSet::currentChanged, this, [this](int row) {
        if (row >= 0 && m_grid->currentIndex().row() != row)
            m_grid->setCurrentIndex(m_model->index(row, 0));
    });

    FormCreate();
}

TLogFrm::~TLogFrm() = default;

void TLogFrm::FormCreate()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double factor =
        screen ? qMax(1.0, double(screen->geometry().width()) / DesignWidth) : 1.0;
    resize(int(640 * factor), int(420 * factor));

    m_deleteAll->setEnabled(false);
    const bool companies = m_log->companyChoiceAllowed();
    m_company->setVisible(companies);
    m_companyLabel->setVisible(companies);
    if (companies)
        loadCompanies();
}

void TLogFrm::loadCompanies()
{
    m_company->clear();
    TDataSet* list = m_log->OpenCompanies();
    if (!list)
        return;
    for (int row = 0; row < list->recordCount(); ++row)
        m_company->addItem(list->value(row, QStringLiteral("VName")).toString(),
                           list->value(row, QStringLiteral("VNo")).toString().trimmed());
    m_company->setCurrentIndex(-1);
}

bool TLogFrm::eventFilter(QObject* watched, QEvent* event)
{
    // Delete or Backspace in the company list clears the choice: all branches again.
    if (watched == m_company && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            m_company->setCurrentIndex(-1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TLogFrm::FindBtnClick()
{
    m_userCode->setText(m_userCode->text().trimmed());
    m_userName->setText(m_userName->text().trimmed());
    ChangeLog::Criteria c;
    c.userCode = m_userCode->text();
    c.userName = m_userName->text();
    c.from = TEnglishDate::parseDate(m_from->text());
    c.to = TEnglishDate::parseDate(m_to->text());
    if (m_log->companyChoiceAllowed() && m_company->currentIndex() >= 0)
        c.company = m_company->currentData().toString();
    m_log->Search(c);
    m_deleteAll->setEnabled(m_log->canDeleteAll());
}

void TLogFrm::ClearBtnClick()
{
    // The company choice and the condition of the last search stay.
    m_userCode->clear();
    m_userName->clear();
    m_from->setText(QString());
    m_to->setText(QString());
}

void TLogFrm::DeleteOneBtnClick()
{
    m_log->DeleteOne();
    m_deleteAll->setEnabled(m_log->canDeleteAll());
}

void TLogFrm::DeleteAllBtnClick()
{
    m_log->DeleteAll();
    m_deleteAll->setEnabled(m_log->canDeleteAll());
}

void TLogFrm::done(int result)
{
    m_log->Close();
    QDialog::done(result);
}
