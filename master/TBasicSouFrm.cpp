#include "master/TBasicSouFrm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/Privileges.h"
#include "data/SearchCondition.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "data/procedures/HistoryDetail.h"
#include "master/TSouGrid.h"
#include "reports/TReportDM.h"
#include "reports/desktop/ProgressBarAdapter.h"
#include "widgets/Buttons.h"
#include "widgets/TDBEditNew.h"
#include "widgets/TEnglishDate.h"

namespace {

const QString NoCondition = QStringLiteral("請輸入查詢條件");
const QString NotFound = QStringLiteral("查無資料，請重新查詢");
const QString QueryFailed = QStringLiteral("無法查詢，請檢查網路");

struct HistoryButton
{
    int tag;
    const char* name;
    const char* caption;
    int privPosition; ///< disabled when this position holds "N"; -1: none
};

const HistoryButton HistoryButtons[] = {
    {1, "QuBitBtn", "估價", 7},  {2, "OrdBitBtn", "訂貨", 8},  {3, "BuyBitBtn", "採購", 13},
    {4, "ImpBitBtn", "進貨", 9}, {5, "ExpBitBtn", "出貨", 10}, {6, "AdjBitBtn", "調整庫存", -1},
};

} // namespace

TBasicSouFrm::TBasicSouFrm(const TWindowContext& context, const Settings& settings, QWidget* parent)
    : QWidget(parent), TranDetailDS(context.mainDM.MainADOCon, QStringLiteral("TranDetailDS")),
      SumDS(context.mainDM.MainADOCon, QStringLiteral("SumDS")),
      AllSumDS(context.mainDM.MainADOCon, QStringLiteral("AllSumDS")), m_context(context),
      m_settings(settings), m_masterSource(settings.master)
{
    Q_ASSERT(settings.master);
    for (TDataSet* ds : {&TranDetailDS, &SumDS, &AllSumDS})
        ds->setReadOnly(true);
    // Typing does not start an edit: the user presses 新增 or 修改 first.
    m_masterSource.setAutoEdit(false);
    FormCreate();
}

TBasicSouFrm::~TBasicSouFrm() = default;

// --- layout ----------------------------------------------------------------------------------

void TBasicSouFrm::FormCreate()
{
    setWindowTitle(m_settings.caption);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(2, 2, 2, 2);
    root->addWidget(buildSearchHeader());

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_basicPage = buildBasicPage();
    m_listPage = buildListPage();
    m_historyPage = buildHistoryPage();
    m_pages->addTab(m_basicPage, m_settings.basicCaption);
    m_pages->addTab(m_listPage, QStringLiteral("清單瀏覽"));
    m_pages->addTab(m_historyPage, QStringLiteral("交易明細"));
    root->addWidget(m_pages, 1);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(m_statusBar);
    m_statusPanel->setObjectName(QStringLiteral("StatusPanel"));
    m_statusBar->addWidget(m_statusPanel, 1);
    root->addWidget(m_statusBar);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setTextVisible(false);
    m_progressBar->setValue(0);
    root->addWidget(m_progressBar);
    m_progress = std::make_unique<ProgressBarAdapter>(m_progressBar);

    // Edit buttons by the user's right in this module, decided once.
    const QChar c = mainDM().PrivAt(m_settings.module);
    const bool canInsert = Privileges::canInsert(c);
    const bool canEdit = Privileges::canUpdateMaster(c);
    m_insertBtn->setVisible(canInsert);
    m_editBtn->setVisible(canEdit);
    m_postBtn->setVisible(canInsert || canEdit);
    m_cancelBtn->setVisible(canInsert || canEdit);
    m_delBtn->setVisible(Privileges::canDeleteMaster(c));

    for (const HistoryButton& h : HistoryButtons) {
        QPushButton* b = findChild<QPushButton*>(QLatin1String(h.name));
        b->setVisible(m_settings.historyButtons.contains(h.tag));
        if (h.privPosition >= 0 && mainDM().PrivAt(h.privPosition) == QLatin1Char('N'))
            b->setEnabled(false);
    }
    const bool selector = companySelector();
    m_companyCaption->setVisible(selector);
    m_company->setVisible(selector);
    m_subtotalPanel->setVisible(selector);

    const QDate today = QDate::currentDate();
    m_toDate->setDate(today);
    m_fromDate->setDate(today.addMonths(-3)); // a shorter month clamps the day to its end

    connect(&m_masterSource, &TDataSource::stateChanged, this,
            [this](TDataSet::State state) { MasterDSouStateChange(state); });
    m_pages->setCurrentIndex(0);
}

QWidget* TBasicSouFrm::buildSearchHeader()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    for (const SearchField& f : m_settings.searchFields) {
        row->addWidget(new QLabel(f.caption, panel));
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(f.objectName.isEmpty() ? QStringLiteral("Find%1Edit").arg(f.column)
                                                   : f.objectName);
        connect(edit, &QLineEdit::returnPressed, this, [this] { FindBitBtnClick(); });
        row->addWidget(edit);
        m_searchEdits << edit;
    }
    QPushButton* find =
        Widgets::button(QStringLiteral("查詢"), QStringLiteral("FindBitBtn"), panel);
    QPushButton* clear =
        Widgets::button(QStringLiteral("清除"), QStringLiteral("ClearBitBtn"), panel);
    connect(find, &QPushButton::clicked, this, [this] { FindBitBtnClick(); });
    connect(clear, &QPushButton::clicked, this, [this] { ClearBitBtnClick(); });
    row->addWidget(find);
    row->addWidget(clear);
    row->addStretch(1);
    return panel;
}

QWidget* TBasicSouFrm::navigator(const QString& name, QWidget* parent)
{
    auto* nav = new QWidget(parent);
    nav->setObjectName(name);
    auto* row = new QHBoxLayout(nav);
    row->setContentsMargins(0, 0, 0, 0);
    const struct
    {
        const char* name;
        const char* text;
        bool (TDataSet::*move)();
    } moves[] = {{"First", "|<", &TDataSet::first},
                 {"Prior", "<", &TDataSet::prior},
                 {"Next", ">", &TDataSet::next},
                 {"Last", ">|", &TDataSet::last}};
    for (const auto& m : moves) {
        auto* b = new QToolButton(nav);
        b->setObjectName(QLatin1String(m.name));
        b->setText(QLatin1String(m.text));
        connect(b, &QToolButton::clicked, this, [this, move = m.move] {
            if (master().isActive())
                (master().*move)();
        });
        row->addWidget(b);
    }
    // Moving would save the record without the window's checks: save or cancel first.
    connect(&m_masterSource, &TDataSource::stateChanged, nav, [nav](TDataSet::State state) {
        nav->setEnabled(state != TDataSet::State::Edit && state != TDataSet::State::Insert);
    });
    return nav;
}

QWidget* TBasicSouFrm::buildBasicPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("BasicTabSheet"));
    auto* column = new QVBoxLayout(page);
    m_fields = new QGridLayout();
    m_keyEdit = new TDBEditNew(&m_masterSource, m_settings.keyField, page);
    m_keyEdit->setObjectName(QStringLiteral("DBEditNew1"));
    m_keyEdit->setCharCase(TDBEditNew::CharCase::Upper);
    addField(0, 0, m_settings.keyCaption, m_keyEdit);
    column->addLayout(m_fields);
    column->addStretch(1);

    m_basicButtons = new QHBoxLayout();
    m_basicButtons->addWidget(navigator(QStringLiteral("DBNavigator1"), page));
    m_insertBtn = Widgets::button(QStringLiteral("新增"), QStringLiteral("InsertBitBtn"), page);
    m_editBtn = Widgets::button(QStringLiteral("修改"), QStringLiteral("EditBitBtn"), page);
    m_postBtn = Widgets::button(QStringLiteral("存檔"), QStringLiteral("PostBitBtn"), page);
    m_cancelBtn = Widgets::button(QStringLiteral("取消"), QStringLiteral("CancelBitBtn"), page);
    m_delBtn = Widgets::button(QStringLiteral("刪除"), QStringLiteral("DelBitBtn"), page);
    connect(m_insertBtn, &QPushButton::clicked, this, [this] { InsertBitBtnClick(); });
    connect(m_editBtn, &QPushButton::clicked, this, [this] { EditBitBtnClick(); });
    connect(m_postBtn, &QPushButton::clicked, this, [this] { DataSetPost1Execute(); });
    connect(m_cancelBtn, &QPushButton::clicked, this, [this] { CancelBitBtnClick(); });
    connect(m_delBtn, &QPushButton::clicked, this, [this] { DelBitBtnClick(); });
    for (QPushButton* b : {m_insertBtn, m_editBtn, m_postBtn, m_cancelBtn, m_delBtn})
        m_basicButtons->addWidget(b);
    m_basicButtons->addStretch(1);
    column->addLayout(m_basicButtons);
    return page;
}

QWidget* TBasicSouFrm::buildListPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("DetailTabSheet"));
    auto* column = new QVBoxLayout(page);
    m_listGrid = new TSouGrid(&master(), QStringLiteral("DBGrid2"), page);
    connect(m_listGrid, &TSouGrid::titleClicked, this,
            [this](int c) { DBGrid1TitleClick(m_listGrid, c); });
    column->addWidget(m_listGrid, 1);
    m_listButtons = new QHBoxLayout();
    m_listButtons->addWidget(navigator(QStringLiteral("DBNavigator2"), page));
    m_listButtons->addStretch(1);
    column->addLayout(m_listButtons);
    return page;
}

QWidget* TBasicSouFrm::buildHistoryPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TranDTabSheet"));
    auto* column = new QVBoxLayout(page);

    auto* top = new QHBoxLayout();
    auto* key = new TDBEditNew(&m_masterSource, m_settings.keyField, page);
    key->setObjectName(QStringLiteral("TranKeyEdit"));
    key->setReadOnly(true);
    auto* name = new TDBEditNew(&m_masterSource, m_settings.nameField, page);
    name->setObjectName(QStringLiteral("TranNameEdit"));
    name->setReadOnly(true);
    top->addWidget(key);
    top->addWidget(name, 1);
    top->addWidget(new QLabel(QStringLiteral("交易日期起"), page));
    m_fromDate = new TEnglishDate(page);
    m_fromDate->setObjectName(QStringLiteral("EnglishDate1"));
    top->addWidget(m_fromDate);
    top->addWidget(new QLabel(QStringLiteral("迄"), page));
    m_toDate = new TEnglishDate(page);
    m_toDate->setObjectName(QStringLiteral("EnglishDate2"));
    top->addWidget(m_toDate);
    column->addLayout(top);

    auto* totals = new QHBoxLayout();
    totals->addWidget(new QLabel(QStringLiteral("數量合計"), page));
    m_sumQty = new QLabel(page);
    m_sumQty->setObjectName(QStringLiteral("SumQtyLabel"));
    totals->addWidget(m_sumQty);
    m_sumPriceCaption = new QLabel(QStringLiteral("台幣金額合計"), page);
    m_sumPriceCaption->setObjectName(QStringLiteral("SumPriceCaption"));
    totals->addWidget(m_sumPriceCaption);
    m_sumPrice = new QLabel(page);
    m_sumPrice->setObjectName(QStringLiteral("SumPriceLabel"));
    totals->addWidget(m_sumPrice);
    m_companyShown = new QLabel(page);
    m_companyShown->setObjectName(QStringLiteral("SubCompLabel"));
    totals->addWidget(m_companyShown);
    totals->addStretch(1);
    column->addLayout(totals);

    m_subtotalPanel = new QWidget(page);
    m_subtotalPanel->setObjectName(QStringLiteral("Panel11"));
    auto* sub = new QVBoxLayout(m_subtotalPanel);
    sub->setContentsMargins(0, 0, 0, 0);
    m_subtotalGrid = new TSouGrid(&SumDS, QStringLiteral("DBGrid3"), m_subtotalPanel);
    m_subtotalGrid->setColumns({QStringLiteral("公司編號"), QStringLiteral("公司名稱"),
                                QStringLiteral("數量小計"), QStringLiteral("台幣價格小計")});
    connect(m_subtotalGrid, &TSouGrid::titleClicked, this,
            [this](int c) { DBGrid1TitleClick(m_subtotalGrid, c); });
    sub->addWidget(m_subtotalGrid);
    // A few companies: the history lines below get the room.
    m_subtotalPanel->setMaximumHeight(140);
    column->addWidget(m_subtotalPanel);

    m_historyGrid = new TSouGrid(&TranDetailDS, QStringLiteral("DBGrid1"), page);
    connect(m_historyGrid, &TSouGrid::titleClicked, this,
            [this](int c) { DBGrid1TitleClick(m_historyGrid, c); });
    connect(m_historyGrid, &QAbstractItemView::doubleClicked, this, [this] { DBGrid1DblClick(); });
    column->addWidget(m_historyGrid, 1);

    auto* bottom = new QHBoxLayout();
    m_companyCaption = new QLabel(QStringLiteral("公司名稱"), page);
    m_companyCaption->setObjectName(QStringLiteral("CompanyLabel"));
    bottom->addWidget(m_companyCaption);
    m_company = new QComboBox(page);
    m_company->setObjectName(QStringLiteral("DBLookupComboBox1"));
    m_company->installEventFilter(this);
    bottom->addWidget(m_company);
    for (const HistoryButton& h : HistoryButtons) {
        QPushButton* b = Widgets::button(QString::fromUtf8(h.caption), QLatin1String(h.name), page);
        b->setProperty("tag", h.tag);
        connect(b, &QPushButton::clicked, this, [this, tag = h.tag] { QuBitBtnClick(tag); });
        bottom->addWidget(b);
    }
    m_printBtn = Widgets::button(QStringLiteral("明細列印"), QStringLiteral("DPntBitBtn"), page);
    m_printBtn->setEnabled(false);
    connect(m_printBtn, &QPushButton::clicked, this, [this] { DPntBitBtnClick(); });
    bottom->addWidget(m_printBtn);
    bottom->addStretch(1);
    column->addLayout(bottom);
    return page;
}

void TBasicSouFrm::addField(int row, int column, const QString& caption, QWidget* editor, int span)
{
    auto* label = new QLabel(caption, editor->parentWidget());
    label->setBuddy(editor);
    if (!editor->objectName().isEmpty())
        label->setObjectName(editor->objectName() + QStringLiteral("Label"));
    m_fields->addWidget(label, row, column * 2);
    m_fields->addWidget(editor, row, column * 2 + 1, 1, span * 2 - 1);
}

void TBasicSouFrm::showStatus(const QString& text)
{
    m_statusPanel->setText(text);
}

bool TBasicSouFrm::companySelector() const
{
    const QChar c = mainDM().PrivAt(Privileges::BranchQuery);
    return mainDM().LoginArea() == Privileges::HeadOffice && c != QLatin1Char('N') &&
           c >= QLatin1Char('1');
}

// --- activation and closing --------------------------------------------------------------------

void TBasicSouFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // As an MDI child the window is activated through its frame.
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frame && frame != m_frame) {
        m_frame = frame;
        connect(frame, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates before, Qt::WindowStates now) {
                    if ((now & Qt::WindowActive) && !(before & Qt::WindowActive))
                        FormActivate();
                });
    }
    FormActivate();
}

void TBasicSouFrm::FormActivate()
{
    if (!mainDM().SubCompDS.isActive()) {
        mainDM().SubCompDS.open();
        fillCompanies();
    } else if (m_company->count() == 0) {
        fillCompanies();
    }
    mainDM().LogItem = m_settings.logItem;
}

void TBasicSouFrm::fillCompanies()
{
    const QString kept = m_company->currentData().toString();
    m_company->clear();
    TDataSet& companies = mainDM().SubCompDS;
    for (int r = 0; r < companies.recordCount(); ++r)
        m_company->addItem(companies.value(r, QStringLiteral("VName")).toString(),
                           companies.value(r, QStringLiteral("VNo")).toString().trimmed());
    m_company->setCurrentIndex(kept.isEmpty() ? -1 : m_company->findData(kept));
}

void TBasicSouFrm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TBasicSouFrm::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    master().close();
    TranDetailDS.close();
    SumDS.close();
    AllSumDS.close();
    mainDM().SubCompDS.close();
}

bool TBasicSouFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_company && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            m_company->setCurrentIndex(-1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- search ------------------------------------------------------------------------------------

void TBasicSouFrm::FindBitBtnClick()
{
    SearchCondition condition(mainDM().MainADOCon.backend(), m_settings.searchTable);
    for (int i = 0; i < m_settings.searchFields.size(); ++i)
        condition.addText(m_settings.searchFields.at(i).column, m_searchEdits.at(i)->text());
    if (condition.isEmpty()) {
        TDialogs::warning(NoCondition);
        return;
    }
    master().close();
    condition.applyTo(master(), m_settings.selectPrefix, m_settings.selectSuffix);
    if (!master().open()) {
        TDialogs::error(QueryFailed);
        return;
    }
    if (master().isEmpty()) {
        showStatus(QString());
        TDialogs::warning(NotFound);
        return;
    }
    if (master().isRowCountKnown()) {
        showStatus(QStringLiteral("資料筆數: ") + QString::number(master().recordCount()));
        return;
    }
    // A large result shows its first rows now; its rows are counted once the grid has painted them.
    showStatus(QString());
    auto* later = new QTimer(this);
    later->setSingleShot(true);
    connect(later, &QTimer::timeout, this, [this, later] {
        later->deleteLater();
        // A later search (or closing) has replaced this result: it shows its own count.
        if (master().isActive() && !master().isEmpty() && m_statusPanel->text().isEmpty())
            showStatus(QStringLiteral("資料筆數: ") + QString::number(master().recordCount()));
    });
    later->start(0);
}

void TBasicSouFrm::ClearBitBtnClick()
{
    for (QLineEdit* e : std::as_const(m_searchEdits))
        e->clear();
}

// --- editing -----------------------------------------------------------------------------------

QString TBasicSouFrm::currentKey() const
{
    if (!master().isActive() || master().recNo() < 0)
        return QString();
    return master().fieldByName(m_settings.keyField).asString().trimmed();
}

void TBasicSouFrm::InsertBitBtnClick()
{
    mainDM().LogItem = m_settings.logItem;
    if (!master().isActive())
        return;
    if (master().isEditing())
        return;
    if (master().insert())
        m_keyEdit->setFocus();
}

void TBasicSouFrm::EditBitBtnClick()
{
    mainDM().LogItem = m_settings.logItem;
    if (master().state() != TDataSet::State::Browse || currentKey().isEmpty())
        return;
    master().edit();
}

void TBasicSouFrm::CancelBitBtnClick()
{
    if (master().isEditing())
        master().cancel();
}

void TBasicSouFrm::DelBitBtnClick()
{
    mainDM().LogItem = m_settings.logItem;
    if (master().state() != TDataSet::State::Browse || currentKey().isEmpty())
        return;
    master().remove();
}

bool TBasicSouFrm::DataSetPost1Execute()
{
    TDataSet& ds = master();
    if (!ds.isEditing())
        return false;
    mainDM().LogItem = m_settings.logItem;
    // Text still being typed belongs to the record before anything is compared.
    bool accepted = true;
    emit ds.aboutToPost(&accepted);
    if (!accepted)
        return false;
    if (!ds.hasPendingChanges()) {
        ds.cancel();
        return false;
    }
    ds.fieldByName(QStringLiteral("WDate")).setValue(QDate::currentDate().startOfDay());
    TField& key = ds.fieldByName(m_settings.keyField);
    mainDM().LogRemark =
        key.asString() + QLatin1Char('/') + ds.fieldByName(m_settings.nameField).asString();
    if (ds.state() == TDataSet::State::Edit && key.isChanged()) {
        const QString oldKey = key.oldValue().toString();
        const QString newKey = key.asString();
        if (TDialogs::confirm(QStringLiteral("編號是否確定修改？"))) {
            mainDM().LogRemark =
                QStringLiteral("編號") + oldKey + QStringLiteral("修改為") + newKey;
        } else {
            key.setValue(key.oldValue());
            mainDM().LogRemark =
                key.asString() + QLatin1Char('/') + ds.fieldByName(m_settings.nameField).asString();
        }
    }
    return ds.post();
}

void TBasicSouFrm::MasterDSouStateChange(TDataSet::State) {}

// --- history -----------------------------------------------------------------------------------

QString TBasicSouFrm::historyArea() const
{
    if (mainDM().LoginArea() == Privileges::HeadOffice &&
        mainDM().PrivAt(Privileges::BranchQuery) == QLatin1Char('1')) {
        const QString company =
            m_company->currentIndex() >= 0 ? m_company->currentData().toString() : QString();
        return company.isEmpty() ? QStringLiteral("%") : company;
    }
    return mainDM().LoginArea();
}

void TBasicSouFrm::QuBitBtnClick(int tag)
{
    TranDetail(tag);
}

void TBasicSouFrm::closeHistory()
{
    TranDetailDS.close();
    SumDS.close();
    AllSumDS.close();
    m_historyOpen = false;
    m_printBtn->setEnabled(false);
    showTotals();
}

void TBasicSouFrm::showTotals()
{
    const bool open = AllSumDS.isActive() && !AllSumDS.isEmpty();
    m_sumQty->setText(open ? AllSumDS.fieldByName(QStringLiteral("sum")).displayText() : QString());
    m_sumPrice->setText(open ? AllSumDS.fieldByName(QStringLiteral("sum_1")).displayText()
                             : QString());
}

void TBasicSouFrm::TranDetail(int tag)
{
    const QString key = currentKey();
    if (key.isEmpty())
        return;
    if (m_fromDate->text().startsWith(QLatin1Char(' ')) || !m_fromDate->date().isValid()) {
        TDialogs::warning(QStringLiteral("請設定查詢起始日期"));
        m_fromDate->setFocus();
        return;
    }
    if (m_toDate->text().startsWith(QLatin1Char(' ')) || !m_toDate->date().isValid()) {
        TDialogs::warning(QStringLiteral("請設定查詢迄止日期"));
        m_toDate->setFocus();
        return;
    }
    if (!m_settings.history) {
        TDialogs::error(QueryFailed);
        return;
    }
    const QString area = historyArea();
    TranDetailDS.disableControls();
    SumDS.disableControls();
    AllSumDS.disableControls();
    const auto resume = [this] {
        TranDetailDS.enableControls();
        SumDS.enableControls();
        AllSumDS.enableControls();
    };
    TranDetailDS.close();
    const Procedures::DetailResult r = m_settings.history(
        mainDM().MainADOCon, tag, m_fromDate->date(), m_toDate->date(), key, area);
    if (!r.ok()) {
        closeHistory();
        resume();
        TDialogs::error(QueryFailed);
        return;
    }
    if (r.lines.isEmpty() || r.lines.rows.first().value(0).toString().trimmed().isEmpty()) {
        closeHistory();
        resume();
        TDialogs::warning(NotFound);
        return;
    }
    // The number column is named by the kind of document asked for; the jump goes by this name.
    TranDetailDS.loadRows(r.lines.columns, r.lines.rows);
    m_companyShown->setText(m_company->currentIndex() >= 0 ? m_company->currentText() : QString());
    if (area == QLatin1String("%")) {
        SumDS.loadRows(r.subtotals.columns, r.subtotals.rows);
        m_subtotalPanel->setVisible(true);
    } else {
        SumDS.close();
        m_subtotalPanel->setVisible(false);
    }
    AllSumDS.loadRows(r.totals.columns, r.totals.rows);
    m_historyOpen = true;
    m_printBtn->setEnabled(true);
    resume();
    showTotals();
}

void TBasicSouFrm::DPntBitBtnClick()
{
    if (!TranDetailDS.isActive() || TranDetailDS.isEmpty() || !reportDM())
        return;
    reportDM()->PrintDetailReport(TranDetailDS, progress());
}

void TBasicSouFrm::DBGrid1TitleClick(TSouGrid* grid, int column)
{
    if (grid)
        grid->titleClick(column);
}

void TBasicSouFrm::DBGrid1DblClick()
{
    const QModelIndex cell = m_historyGrid->currentIndex();
    if (!m_historyOpen || !TranDetailDS.isActive() || !cell.isValid() || cell.column() != 0)
        return;
    const int row = cell.row();
    const QString company =
        TranDetailDS.value(row, QStringLiteral("公司編號")).toString().trimmed();
    if (company != mainDM().LoginArea()) {
        TDialogs::warning(QStringLiteral("非本公司資料，請至分公司單據中查詢"));
        return;
    }
    const QString text = TranDetailDS.value(row, 0).toString().trimmed();
    struct Target
    {
        const char* key;
        const char* dataSet;
        const char* table;
        const char* item;
    };
    static const Target prefixes[] = {
        {"進貨", "ImportDS", "ImportM", "ImportItem"}, {"退出", "ImpRetDS", "ImpRet", "ImpRetItem"},
        {"出貨", "ExportDS", "ExportM", "ExportItem"}, {"退回", "ExpRetDS", "ExpRet", "ExpRetItem"},
        {"櫃台", "CounterMDS", "CounterM", "CntItem"},
    };
    static const Target columns[] = {
        {"估價單號", "QuoteDS", "Quote", "QuoteItem"},
        {"訂貨單號", "OrderDS", "OrderM", "OrderItem"},
        {"採購單號", "BuyDS", "BuyM", "BuyItem"},
    };
    const QString prefix = text.left(2);
    for (const Target& t : prefixes) {
        if (prefix == QString::fromUtf8(t.key)) {
            openDocument(QLatin1String(t.dataSet), QLatin1String(t.table), QLatin1String(t.item),
                         text.mid(2, 10).trimmed());
            return;
        }
    }
    const QString columnName = TranDetailDS.field(0).name();
    for (const Target& t : columns) {
        if (columnName == QString::fromUtf8(t.key)) {
            openDocument(QLatin1String(t.dataSet), QLatin1String(t.table), QLatin1String(t.item),
                         text);
            return;
        }
    }
}

void TBasicSouFrm::openDocument(const QString& dataSet, const QString& table, const QString& item,
                                const QString& number)
{
    TDataSet* header = mainDM().DataSetByName(dataSet);
    bool ok = false;
    const int pno = number.toInt(&ok);
    if (!header || !ok)
        return;
    header->close();
    header->setSql(QStringLiteral("Select * from %1 where SArea=:SArea and PNo=:PNo").arg(table));
    header->setParam(QStringLiteral("SArea"), mainDM().LoginArea());
    header->setParam(QStringLiteral("PNo"), pno);
    if (!header->open()) {
        TDialogs::error(QueryFailed);
        return;
    }
    openWindow(item);
}

void TBasicSouFrm::openWindow(const QString& itemName) const
{
    if (m_context.openWindow)
        m_context.openWindow(itemName);
}

void TBasicSouFrm::setAmountTotalVisible(bool visible)
{
    m_sumPriceCaption->setVisible(visible);
    m_sumPrice->setVisible(visible);
}
