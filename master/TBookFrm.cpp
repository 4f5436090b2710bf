#include "master/TBookFrm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/BookRules.h"
#include "data/LogItems.h"
#include "data/Privileges.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "master/TSouGrid.h"
#include "reports/TReportDM.h"
#include "widgets/TDBEditNew.h"
#include "widgets/TDBEnglishDate.h"
#include "widgets/TDBSpinEdit.h"
#include "widgets/TFieldDataLink.h"

#include "data/procedures/BookDetail.h"
#include "data/procedures/HistoryDetail.h"

namespace {

constexpr int BookModule = 2;
constexpr int SubjectModule = 5;
constexpr int SupplierModule = 3;

/// A multi-line text bound to a field: read-only unless the record is edited, committed when the
/// control is left or the record saved.
class BoundMemo : public QPlainTextEdit
{
public:
    BoundMemo(TDataSource* source, const QString& field, QWidget* parent) : QPlainTextEdit(parent)
    {
        setTabChangesFocus(true);
        m_link.updateData = [this] {
            TField* f = m_link.field();
            return f && f->setEditText(toPlainText());
        };
        connect(&m_link, &TFieldDataLink::dataChanged, this, &BoundMemo::load);
        connect(&m_link, &TFieldDataLink::editingChanged, this,
                [this](bool editing) { setReadOnly(!editing); });
        connect(&m_link, &TFieldDataLink::refused, this, [this] {
            setFocus();
            selectAll();
        });
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            if (!m_loading)
                m_link.setModified();
        });
        m_link.bind(source, field);
        setReadOnly(!m_link.isEditing());
    }
    TFieldDataLink* dataLink() { return &m_link; }

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        m_link.commit();
        QPlainTextEdit::focusOutEvent(event);
    }

private:
    void load()
    {
        if (m_link.isModified() && m_link.isEditing())
            return;
        m_loading = true;
        TField* f = m_link.field();
        setPlainText(f ? f->editText() : QString());
        m_loading = false;
        m_link.setModified(false);
    }

    TFieldDataLink m_link;
    bool m_loading = false;
};

/// A choice of codes bound to a text field, typed in capitals or picked from the list; usable only
/// while the record is edited.
class BoundCombo : public QComboBox
{
public:
    BoundCombo(TDataSource* source, const QString& field, const QStringList& items, QWidget* parent)
        : QComboBox(parent)
    {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        addItems(items);
        m_link.updateData = [this] {
            TField* f = m_link.field();
            return f && f->setEditText(currentText().trimmed().toUpper());
        };
        connect(&m_link, &TFieldDataLink::dataChanged, this, &BoundCombo::load);
        connect(&m_link, &TFieldDataLink::editingChanged, this,
                [this](bool editing) { setEnabled(editing); });
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            m_link.setModified();
            if (text != text.toUpper()) {
                const int caret = lineEdit()->cursorPosition();
                lineEdit()->setText(text.toUpper());
                lineEdit()->setCursorPosition(caret);
            }
        });
        connect(this, &QComboBox::activated, this, [this] {
            m_link.setModified();
            m_link.commit();
        });
        m_link.bind(source, field);
        setEnabled(m_link.isEditing());
    }
    TFieldDataLink* dataLink() { return &m_link; }

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        m_link.commit();
        QComboBox::focusOutEvent(event);
    }

private:
    void load()
    {
        if (m_link.isModified() && m_link.isEditing())
            return;
        TField* f = m_link.field();
        setEditText(f ? f->editText() : QString());
        m_link.setModified(false);
    }

    TFieldDataLink m_link;
};

/// The two radio buttons of a flag: the first for false, the second for true.
class BoundChoice : public QWidget
{
public:
    BoundChoice(TDataSource* source, const QString& field, const QString& offText,
                const QString& onText, QWidget* parent)
        : QWidget(parent), m_group(new QButtonGroup(this))
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        m_off = new QRadioButton(offText, this);
        m_on = new QRadioButton(onText, this);
        m_group->addButton(m_off, 0);
        m_group->addButton(m_on, 1);
        row->addWidget(m_off);
        row->addWidget(m_on);
        row->addStretch(1);
        m_link.updateData = [this] {
            TField* f = m_link.field();
            return f && f->setValue(m_on->isChecked());
        };
        connect(&m_link, &TFieldDataLink::dataChanged, this, &BoundChoice::load);
        connect(&m_link, &TFieldDataLink::editingChanged, this,
                [this](bool editing) { setEnabled(editing); });
        connect(m_group, &QButtonGroup::idClicked, this, [this] {
            m_link.setModified();
            if (!m_link.commit())
                load();
        });
        m_link.bind(source, field);
        setEnabled(m_link.isEditing());
    }
    QButtonGroup* group() const { return m_group; }

private:
    void load()
    {
        TField* f = m_link.field();
        const bool on = f && f->asBoolean();
        m_group->setExclusive(false);
        m_off->setChecked(f && !on);
        m_on->setChecked(on);
        m_group->setExclusive(true);
        m_link.setModified(false);
    }

    TFieldDataLink m_link;
    QButtonGroup* m_group;
    QRadioButton* m_off = nullptr;
    QRadioButton* m_on = nullptr;
};

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

TBasicSouFrm::Settings TBookFrm::bookSettings(const TWindowContext& context)
{
    Settings s;
    s.caption = QStringLiteral("書籍基本資料");
    s.master = &context.mainDM.BookDS;
    s.module = BookModule;
    s.keyField = QStringLiteral("BookNo");
    s.keyCaption = QStringLiteral("書碼");
    s.nameField = QStringLiteral("BookName");
    s.searchFields = {
        {QStringLiteral("查詢書籍編號"), QStringLiteral("BookNo"), {}},
        {QStringLiteral("作者"), QStringLiteral("Author"), {}},
        {QStringLiteral("書名"), QStringLiteral("BookName"), {}},
        {QStringLiteral("簡碼"), QStringLiteral("BShort"), {}},
        {QStringLiteral("ISBN"), QStringLiteral("ISBN"), {}},
        {QStringLiteral("出版社"), QStringLiteral("BPublisher"), {}},
        {QStringLiteral("條碼"), QStringLiteral("BarCode"), {}},
        {QStringLiteral("出版年"), QStringLiteral("PubYear"), {}},
    };
    s.searchTable = QStringLiteral("Book");
    s.selectPrefix = QStringLiteral("select * from BOOK where ");
    s.history = &Procedures::BookDetail;
    s.historyButtons = {1, 2, 3, 4, 5, 6};
    s.basicCaption = QStringLiteral("書籍基本資料");
    s.logItem = LogItems::Books;
    return s;
}

TBookFrm::TBookFrm(const TWindowContext& context, QWidget* parent)
    : TBasicSouFrm(context, bookSettings(context), parent), m_area(context.mainDM.LoginArea())
{
    buildFields();
    buildListColumns();
    m_stockPage = buildStockPage();
    PageControl1()->addTab(m_stockPage, QStringLiteral("庫存查詢"));

    // Without the stock display right the page is not there at all.
    if (mainDM().PrivAt(Privileges::StockDisplay) == QLatin1Char('0'))
        PageControl1()->removeTab(PageControl1()->indexOf(m_stockPage));
    m_remark->setVisible(m_area == Privileges::HeadOffice);
    if (QWidget* label = findChild<QWidget*>(QStringLiteral("RemarkEditLabel")))
        label->setVisible(m_area == Privileges::HeadOffice);
    applyBranchRestrictions();

    TDataSet& books = master();
    if (!books.isActive()) {
        books.setSql(QStringLiteral("select * from BOOK where 0=1"));
        books.open();
    }
    MasterDSouStateChange(books.state());
}

TBookFrm::~TBookFrm() = default;

// --- layout ------------------------------------------------------------------------------------

void TBookFrm::buildFields()
{
    QWidget* page = basicPage();
    QGridLayout* grid = fieldsLayout();
    TDataSource* src = &masterSource();
    const auto edit = [&](const QString& field, bool upper = false) {
        auto* e = new TDBEditNew(src, field, page);
        e->setObjectName(field + QStringLiteral("Edit"));
        if (upper)
            e->setCharCase(TDBEditNew::CharCase::Upper);
        m_sharedLinks << e->dataLink();
        return e;
    };
    // A button standing where the caption would be, as the subject and supplier fields have.
    const auto buttonField = [&](int row, int column, QPushButton* button, QWidget* editor) {
        grid->addWidget(button, row, column * 2);
        grid->addWidget(editor, row, column * 2 + 1);
    };

    m_sharedLinks << DBEditNew1()->dataLink();
    connect(DBEditNew1(), &TDBEditNew::entered, this, &TBookFrm::DBEditNew1Enter);
    connect(DBEditNew1(), &TDBEditNew::exited, this, &TBookFrm::DBEditNew1Exit);

    m_subjectBtn = makeButton(QStringLiteral("科別"), QStringLiteral("BitBtn2"), page);
    connect(m_subjectBtn, &QPushButton::clicked, this, &TBookFrm::BitBtn2Click);
    buttonField(0, 1, m_subjectBtn, edit(QStringLiteral("ClsNo"), true));
    addField(0, 2, QStringLiteral("簡碼"), edit(QStringLiteral("BShort"), true));

    auto* name = new BoundMemo(src, QStringLiteral("BookName"), page);
    name->setObjectName(QStringLiteral("BookNameEdit"));
    name->setFixedHeight(name->fontMetrics().lineSpacing() * 3 + 10);
    m_sharedLinks << name->dataLink();
    addField(1, 0, QStringLiteral("書名"), name, 3);

    addField(2, 0, QStringLiteral("ISBN"), edit(QStringLiteral("ISBN")));
    addField(2, 1, QStringLiteral("作者"), edit(QStringLiteral("Author")));
    addField(2, 2, QStringLiteral("出版年代"), edit(QStringLiteral("PubYear")));

    addField(3, 0, QStringLiteral("版次"), edit(QStringLiteral("Edition")));
    addField(3, 1, QStringLiteral("刷次"), edit(QStringLiteral("Edition1")));
    addField(3, 2, QStringLiteral("出版公司"), edit(QStringLiteral("BPublisher")));

    m_vendorBtn = makeButton(QStringLiteral("供應商"), QStringLiteral("BitBtn3"), page);
    connect(m_vendorBtn, &QPushButton::clicked, this, &TBookFrm::BitBtn3Click);
    buttonField(4, 0, m_vendorBtn, edit(QStringLiteral("VNo"), true));
    auto* discount = new BoundCombo(src, QStringLiteral("KDiscount"),
                                    {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                     QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")},
                                    page);
    discount->setObjectName(QStringLiteral("KDiscountCombo"));
    m_discount = discount;
    m_sharedLinks << discount->dataLink();
    addField(4, 1, QStringLiteral("折扣種類"), discount);
    addField(4, 2, QStringLiteral("重量"), edit(QStringLiteral("BWeight")));

    auto* currency = new BoundCombo(
        src, QStringLiteral("ORI_CR"),
        {QStringLiteral("NT"), QStringLiteral("RMB"), QStringLiteral("US"), QStringLiteral("GBP"),
         QStringLiteral("DM"), QStringLiteral("CHF"), QStringLiteral("HK"), QStringLiteral("EUR")},
        page);
    currency->setObjectName(QStringLiteral("ORI_CRCombo"));
    m_currency = currency;
    m_sharedLinks << currency->dataLink();
    addField(5, 0, QStringLiteral("幣別"), currency);
    addField(5, 1, QStringLiteral("NT訂價"), edit(QStringLiteral("NTPrice")));
    addField(5, 2, QStringLiteral("原幣定價"), edit(QStringLiteral("FPrice")));

    addField(6, 0, QStringLiteral("條碼"), edit(QStringLiteral("BarCode")));
    auto* received = new TDBEnglishDate(src, QStringLiteral("In_Date"), page);
    received->setObjectName(QStringLiteral("In_DateEdit"));
    m_sharedLinks << received->dataLink();
    addField(6, 1, QStringLiteral("進貨日期"), received);
    auto* changed = new TDBEditNew(src, QStringLiteral("WDate"), page);
    changed->setObjectName(QStringLiteral("WDateEdit"));
    changed->setReadOnly(true);
    addField(6, 2, QStringLiteral("異動日期"), changed);

    // The signed-in company's own stock group.
    auto* location = new TDBEditNew(src, QStringLiteral("Loc") + m_area, page);
    location->setObjectName(QStringLiteral("LocEdit"));
    addField(7, 0, QStringLiteral("庫存位置"), location);
    auto* stock = new TDBEditNew(src, QStringLiteral("Stock") + m_area, page);
    stock->setObjectName(QStringLiteral("StockEdit"));
    stock->setReadOnly(true);
    addField(7, 1, QStringLiteral("庫存"), stock);
    auto* safe = new TDBSpinEdit(src, QStringLiteral("SStock") + m_area, page);
    safe->setObjectName(QStringLiteral("SStockEdit"));
    addField(7, 2, QStringLiteral("安全存量"), safe);

    auto* edition = new BoundChoice(src, QStringLiteral("EKind"), QStringLiteral("本版"),
                                    QStringLiteral("外版"), page);
    edition->setObjectName(QStringLiteral("EKindRadio"));
    m_edition = edition->group();
    grid->addWidget(edition, 8, 1);
    auto* remark = edit(QStringLiteral("Remark"));
    remark->setObjectName(QStringLiteral("RemarkEdit"));
    m_remark = remark;
    addField(8, 1, QStringLiteral("備註"), remark, 2);

    auto* summary = new BoundMemo(src, QStringLiteral("Summary"), page);
    summary->setObjectName(QStringLiteral("SummaryEdit"));
    summary->setMaximumHeight(summary->fontMetrics().lineSpacing() * 8 + 10);
    m_sharedLinks << summary->dataLink();
    addField(9, 0, QStringLiteral("簡介"), summary, 3);

    m_sheetBtn = makeButton(QStringLiteral("單筆列印"), QStringLiteral("SPntBitBtn"), page);
    connect(m_sheetBtn, &QPushButton::clicked, this, &TBookFrm::SPntBitBtnClick);
    basicButtons()->insertWidget(basicButtons()->count() - 1, m_sheetBtn);
}

void TBookFrm::buildListColumns()
{
    listGrid()->setColumns(
        {QStringLiteral("BookNo"), QStringLiteral("BookName"), QStringLiteral("Author"),
         QStringLiteral("ISBN"), QStringLiteral("NTPrice"), QStringLiteral("ORI_CR"),
         QStringLiteral("FPrice"), QStringLiteral("BPublisher"), QStringLiteral("Stock") + m_area,
         QStringLiteral("SStock") + m_area, QStringLiteral("Loc") + m_area},
        {QStringLiteral("書碼"), QStringLiteral("書名"), QStringLiteral("作者"),
         QStringLiteral("ISBN"), QStringLiteral("NT定價"), QStringLiteral("幣別"),
         QStringLiteral("定價"), QStringLiteral("出版商"), QStringLiteral("庫存"),
         QStringLiteral("安全存量"), QStringLiteral("庫存位置")});
    m_listPrintBtn = makeButton(QStringLiteral("清單列印"), QStringLiteral("BPntBitBtn"),
                                listGrid()->parentWidget());
    connect(m_listPrintBtn, &QPushButton::clicked, this, &TBookFrm::BPntBitBtnClick);
    listButtons()->insertWidget(listButtons()->count() - 1, m_listPrintBtn);
}

QWidget* TBookFrm::buildStockPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("StockTabSheet"));
    auto* column = new QVBoxLayout(page);
    auto* top = new QHBoxLayout();
    auto* key = new TDBEditNew(&masterSource(), QStringLiteral("BookNo"), page);
    key->setObjectName(QStringLiteral("StockKeyEdit"));
    key->setReadOnly(true);
    auto* name = new TDBEditNew(&masterSource(), QStringLiteral("BookName"), page);
    name->setObjectName(QStringLiteral("StockNameEdit"));
    name->setReadOnly(true);
    top->addWidget(key);
    top->addWidget(name, 1);
    top->addWidget(new QLabel(QStringLiteral("數量"), page));
    m_quantity = new QSpinBox(page);
    m_quantity->setObjectName(QStringLiteral("SpinEdit1"));
    m_quantity->setRange(0, 999999);
    m_quantity->setValue(1);
    top->addWidget(m_quantity);
    QPushButton* query = makeButton(QStringLiteral("查詢"), QStringLiteral("BitBtn1"), page);
    connect(query, &QPushButton::clicked, this, &TBookFrm::BitBtn1Click);
    top->addWidget(query);
    column->addLayout(top);

    m_stockGrid = new QTableWidget(0, 3, page);
    m_stockGrid->setObjectName(QStringLiteral("StringGrid1"));
    m_stockGrid->setHorizontalHeaderLabels(
        {QStringLiteral("公司編號"), QStringLiteral("公司名稱"), QStringLiteral("庫存量")});
    m_stockGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_stockGrid->verticalHeader()->hide();
    m_stockGrid->setColumnWidth(1, 260);
    column->addWidget(m_stockGrid, 1);
    return page;
}

void TBookFrm::applyBranchRestrictions()
{
    if (m_area == Privileges::HeadOffice || mainDM().IsDataSetReadOnly(master().name()))
        return;
    // Branches keep their own stock settings; the shared book data is the head office's.
    insertButton()->setVisible(false);
    deleteButton()->setVisible(false);
    for (TFieldDataLink* link : std::as_const(m_sharedLinks))
        link->setReadOnly(true);
}

void TBookFrm::MasterDSouStateChange(TDataSet::State state)
{
    TBasicSouFrm::MasterDSouStateChange(state);
    const bool browsing = state == TDataSet::State::Browse;
    m_sheetBtn->setEnabled(browsing);
    m_listPrintBtn->setEnabled(browsing);
}

bool TBookFrm::hasCurrentBook() const
{
    return !currentKey().isEmpty();
}

// --- key field ---------------------------------------------------------------------------------

void TBookFrm::DBEditNew1Enter()
{
    m_keyOnEnter = master().fieldByName(QStringLiteral("BookNo")).asString();
    if (master().state() != TDataSet::State::Edit)
        return;
    if (Privileges::canChangeNumber(mainDM().PrivAt(BookModule)))
        return;
    TDialogs::warning(QStringLiteral("無權修改書籍編號"));
    m_currency->setFocus();
}

void TBookFrm::DBEditNew1Exit()
{
    TDataSet& ds = master();
    if (!ds.isEditing())
        return;
    TField& key = ds.fieldByName(QStringLiteral("BookNo"));
    const QString trimmed = key.asString().trimmed();
    if (trimmed != key.asString())
        key.setValue(trimmed);
    // Only a number just typed implies the subject: passing through the field must not replace a
    // subject the user chose.
    if (trimmed == m_keyOnEnter.trimmed())
        return;
    TField& subject = ds.fieldByName(QStringLiteral("ClsNo"));
    const QString derived = BookRules::SubjectOf(trimmed);
    // A number longer than any subject code cannot name one; the subject is left to the user.
    if (subject.size() > 0 && derived.size() > subject.size())
        return;
    subject.setValue(derived);
}

// --- save --------------------------------------------------------------------------------------

bool TBookFrm::DataSetPost1Execute()
{
    TDataSet& ds = master();
    if (!ds.isEditing())
        return TBasicSouFrm::DataSetPost1Execute();
    bool accepted = true;
    emit ds.aboutToPost(&accepted);
    if (!accepted)
        return false;

    const struct
    {
        const char* field;
        const char* message;
        QWidget* control;
    } required[] = {
        {"BookNo", "請輸入書籍編號", DBEditNew1()},
        {"BookName", "請輸入書籍名稱", findChild<QWidget*>(QStringLiteral("BookNameEdit"))},
        {"VNo", "請輸入供應商編號", findChild<QWidget*>(QStringLiteral("VNoEdit"))},
    };
    for (const auto& r : required) {
        TField& f = ds.fieldByName(QLatin1String(r.field));
        const QString trimmed = f.asString().trimmed();
        if (trimmed != f.asString())
            f.setValue(trimmed.isEmpty() ? QVariant() : QVariant(trimmed));
        if (trimmed.isEmpty()) {
            TDialogs::warning(QString::fromUtf8(r.message));
            if (r.control)
                r.control->setFocus();
            return false;
        }
    }
    TField& currency = ds.fieldByName(QStringLiteral("ORI_CR"));
    const QString code = currency.asString().trimmed();
    if (code.isEmpty())
        currency.setValue(QStringLiteral("NT"));
    else if (code != currency.asString())
        currency.setValue(code);
    for (const char* price : {"NTPrice", "FPrice"}) {
        TField& f = ds.fieldByName(QLatin1String(price));
        if (f.isNull())
            f.setValue(0);
    }
    return TBasicSouFrm::DataSetPost1Execute();
}

// --- subject and supplier ----------------------------------------------------------------------

void TBookFrm::BitBtn2Click()
{
    if (mainDM().PrivAt(SubjectModule) == QLatin1Char('N')) {
        TDialogs::warning(QStringLiteral("無權查詢科目資料"));
        return;
    }
    TDataSet& subjects = mainDM().ClasesDS;
    subjects.close();
    subjects.setSql(QStringLiteral("Select * from Clases where ClsNo=:ClsNo"));
    subjects.setParam(QStringLiteral("ClsNo"),
                      master().fieldByName(QStringLiteral("ClsNo")).asString());
    subjects.open();
    openWindow(QStringLiteral("ClasesItem"));
}

void TBookFrm::BitBtn3Click()
{
    if (mainDM().PrivAt(SupplierModule) == QLatin1Char('N')) {
        TDialogs::warning(QStringLiteral("無權查詢供應商資料"));
        return;
    }
    TDataSet& suppliers = mainDM().VendorDS;
    suppliers.close();
    suppliers.setSql(QStringLiteral("Select * from Vendor where VNO=:VNo"));
    suppliers.setParam(QStringLiteral("VNo"),
                       master().fieldByName(QStringLiteral("VNo")).asString());
    suppliers.open();
    openWindow(QStringLiteral("VendorItem"));
}

// --- printing ----------------------------------------------------------------------------------

void TBookFrm::SPntBitBtnClick()
{
    if (!hasCurrentBook())
        return;
    BookRules::WriteSheet(master());
}

void TBookFrm::BPntBitBtnClick()
{
    if (!hasCurrentBook() || !reportDM())
        return;
    reportDM()->PrintMasterList(master(), progress(), 1);
}

// --- history -----------------------------------------------------------------------------------

void TBookFrm::setHistoryColumns(int tag)
{
    const bool adjustment = tag == 6;
    QStringList fields = Procedures::HistoryLineColumns(Procedures::HistoryOf::Book, tag);
    if (adjustment) {
        for (const QString& price : Procedures::AdjustmentPriceColumns)
            fields.removeOne(price);
    }
    historyGrid()->setColumns(fields, fields);

    // An adjustment moves quantities only: no amounts to total.
    setAmountTotalVisible(!adjustment);
    QStringList subtotals{QStringLiteral("公司編號"), QStringLiteral("公司名稱"),
                          QStringLiteral("數量小計")};
    if (!adjustment)
        subtotals << QStringLiteral("台幣價格小計");
    subtotalGrid()->setColumns(subtotals, subtotals);
}

void TBookFrm::QuBitBtnClick(int tag)
{
    setHistoryColumns(tag);
    TBasicSouFrm::QuBitBtnClick(tag);
}

// --- stock per company -------------------------------------------------------------------------

void TBookFrm::fillStockCompanies()
{
    TDataSet& companies = mainDM().SubCompDS;
    if (!companies.isActive())
        companies.open();
    m_stockGrid->setRowCount(0);
    for (int r = 0; r < companies.recordCount(); ++r) {
        const int row = m_stockGrid->rowCount();
        m_stockGrid->insertRow(row);
        m_stockGrid->setItem(
            row, 0,
            new QTableWidgetItem(companies.value(r, QStringLiteral("VNo")).toString().trimmed()));
        m_stockGrid->setItem(
            row, 1, new QTableWidgetItem(companies.value(r, QStringLiteral("VName")).toString()));
    }
}

void TBookFrm::BitBtn1Click()
{
    if (!hasCurrentBook())
        return;
    // The company rows are read once and kept; sum rows of an earlier query go.
    QList<BookRules::Company> companies;
    for (int row = 0; row < m_stockGrid->rowCount(); ++row) {
        const QTableWidgetItem* code = m_stockGrid->item(row, 0);
        if (!code || code->text().isEmpty())
            break;
        companies << BookRules::Company{code->text(), m_stockGrid->item(row, 1)
                                                          ? m_stockGrid->item(row, 1)->text()
                                                          : QString()};
    }
    if (companies.isEmpty()) {
        fillStockCompanies();
        for (int row = 0; row < m_stockGrid->rowCount(); ++row)
            companies << BookRules::Company{m_stockGrid->item(row, 0)->text(),
                                            m_stockGrid->item(row, 1)->text()};
    }
    m_stockGrid->setRowCount(int(companies.size()));

    const BookRules::StockTexts r =
        BookRules::StockPerCompany(master(), companies, mainDM().PrivAt(Privileges::StockDisplay),
                                   m_area, m_quantity->value());
    for (int row = 0; row < r.texts.size(); ++row)
        m_stockGrid->setItem(row, 2, new QTableWidgetItem(r.texts.at(row)));
    if (r.totals) {
        const struct
        {
            const QString& label;
            qlonglong value;
        } sums[] = {{BookRules::BranchTotalLabel, r.branchTotal},
                    {BookRules::GrandTotalLabel, r.grandTotal}};
        for (const auto& s : sums) {
            const int row = m_stockGrid->rowCount();
            m_stockGrid->insertRow(row);
            m_stockGrid->setItem(row, 1, new QTableWidgetItem(s.label));
            m_stockGrid->setItem(row, 2, new QTableWidgetItem(QString::number(s.value)));
        }
    }
}
