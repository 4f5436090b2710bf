#pragma once

/*
 * TBasicSouFrm: the common window of the large master tables (customers, books, suppliers).
 *
 * A child passes a TBasicSouFrm::Settings to the constructor and then only adds its own fields,
 * pages and buttons. API kept stable for the children:
 *
 *   Settings            master dataset, module position, key/name fields, search fields (caption,
 *                       column) in order, select prefix/suffix, history procedure and the history
 *                       buttons shown (tags 1..6), captions, change-log item.
 *   fieldsLayout()      QGridLayout of the basic page for the child's fields; row 0 holds the key
 *                       field DBEditNew1, addField() places a caption and an editor.
 *   basicButtons()      layout of the basic page's buttons: the child adds its extra buttons.
 *   listButtons()       layout of the list page's buttons (print buttons).
 *   listGrid()          the list page's grid (DBGrid2): the child sets its columns.
 *   historyGrid()       the history grid (DBGrid1); historyPage() the history page widget.
 *   PageControl1()      the page control: children insert their extra pages.
 *   masterSource()      the data source MasterDSou (auto-edit off).
 *   openWindow(item)    runs another window's menu command (a jump to a document or a partner).
 *   insertButton(), deleteButton(), setAmountTotalVisible()  for the children's own rules.
 *   TranDetailDS/SumDS/AllSumDS   the window's history datasets.
 *   progress()          the window's progress bar as a ReportProgress; showStatus() the
 *                       status panel.
 *   TSouGrid            grids of the family: title-click sort with one flag per grid; the
 *                       cursor does not leave a record being edited (nor do the navigators).
 *
 * Virtual operations (children call the base version where they add to it):
 *   FindBitBtnClick, ClearBitBtnClick, DataSetPost1Execute (children check required fields first),
 *   FormActivate (sets LogItem), FormClose, MasterDSouStateChange, QuBitBtnClick(tag) (the history
 *   buttons; the default runs TranDetail(tag)).
 * Plain operations: TranDetail, DBGrid1TitleClick, DBGrid1DblClick, EditBitBtnClick,
 *   DPntBitBtnClick, InsertBitBtnClick, CancelBitBtnClick, DelBitBtnClick.
 *
 * Object names used by tests and children: FindBitBtn, ClearBitBtn, PageControl1, BasicTabSheet,
 * DetailTabSheet, TranDTabSheet, DBEditNew1, InsertBitBtn, EditBitBtn, PostBitBtn, CancelBitBtn,
 * DelBitBtn, DBNavigator1, DBNavigator2, DBGrid1 (history), DBGrid2 (list), DBGrid3 (subtotals),
 * Panel11, EnglishDate1, EnglishDate2, SubCompLabel, SumQtyLabel, SumPriceLabel,
 * DBLookupComboBox1, CompanyLabel, QuBitBtn, OrdBitBtn, BuyBitBtn, ImpBitBtn, ExpBitBtn,
 * AdjBitBtn (tag 6), DPntBitBtn, StatusBar1, StatusPanel, ProgressBar1.
 */

#include <functional>
#include <memory>

#include <QDate>
#include <QList>
#include <QWidget>

#include "app/TWindowRegistry.h"
#include "data/dataset/TDataSource.h"

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class ReportProgress;
class TDBEditNew;
class TEnglishDate;
class TMainDM;
class TReportDM;
class TSouGrid;

namespace Procedures {
struct DetailResult;
}

class TBasicSouFrm : public QWidget
{
    Q_OBJECT
public:
    /// The history procedure of the window's kind (CustomerDetail, BookDetail, VendorDetail).
    using HistoryProc = std::function<Procedures::DetailResult(
        Connection& con, int opf, const QDate& bDate, const QDate& eDate, const QString& selNo,
        const QString& sArea)>;

    struct SearchField
    {
        QString caption;
        QString column;
        QString objectName; ///< empty: "Find" + column + "Edit"
    };

    struct Settings
    {
        QString caption; ///< window title
        TDataSet* master = nullptr;
        int module = 0;   ///< privilege position of the module
        QString keyField; ///< first field of the master: the record key
        QString keyCaption;
        QString nameField; ///< second field: the name
        QList<SearchField> searchFields;
        QString searchTable;  ///< the table searched (number columns compare as text)
        QString selectPrefix; ///< "Select * from Customer where "
        QString selectSuffix; ///< appended after the conditions (an ordering)
        HistoryProc history;
        QList<int> historyButtons; ///< tags of the history buttons shown
        QString basicCaption;      ///< caption of the basic page
        QString logItem;           ///< change-log item name set on activation
    };

    TBasicSouFrm(const TWindowContext& context, const Settings& settings,
                 QWidget* parent = nullptr);
    ~TBasicSouFrm() override;

    TMainDM& mainDM() const { return m_context.mainDM; }
    TReportDM* reportDM() const { return m_context.reportDM; }
    const Settings& settings() const { return m_settings; }
    TDataSet& master() const { return *m_settings.master; }
    TDataSource& masterSource() { return m_masterSource; }

    // --- operations ------------------------------------------------------------------------
    virtual void FindBitBtnClick();
    virtual void ClearBitBtnClick();
    /// Saves the current record; false when nothing was saved (or the save failed).
    virtual bool DataSetPost1Execute();
    virtual void FormActivate();
    virtual void FormClose();
    /// A history button was pressed.
    virtual void QuBitBtnClick(int tag);

    void TranDetail(int tag);
    void DBGrid1TitleClick(TSouGrid* grid, int column);
    /// Opens the document of the history line under the cursor (first column only).
    void DBGrid1DblClick();
    void EditBitBtnClick();
    void InsertBitBtnClick();
    void CancelBitBtnClick();
    void DelBitBtnClick();
    void DPntBitBtnClick();

    /// The key of the current record as text, empty when there is none.
    QString currentKey() const;
    /// The @SArea a history query of this user uses right now.
    QString historyArea() const;

    // The window's own history datasets.
    TDataSet TranDetailDS;
    TDataSet SumDS;
    TDataSet AllSumDS;

protected:
    /// State change of MasterDSou; children enable or disable their extra buttons here.
    virtual void MasterDSouStateChange(TDataSet::State state);

    QTabWidget* PageControl1() const { return m_pages; }
    QWidget* basicPage() const { return m_basicPage; }
    QWidget* historyPage() const { return m_historyPage; }
    QGridLayout* fieldsLayout() const { return m_fields; }
    QHBoxLayout* basicButtons() const { return m_basicButtons; }
    QHBoxLayout* listButtons() const { return m_listButtons; }
    TSouGrid* listGrid() const { return m_listGrid; }
    TSouGrid* historyGrid() const { return m_historyGrid; }
    TSouGrid* subtotalGrid() const { return m_subtotalGrid; }
    TDBEditNew* DBEditNew1() const { return m_keyEdit; }
    /// Shows or hides the NT$ total with its caption (a history of quantities only has none).
    void setAmountTotalVisible(bool visible);
    QLineEdit* searchEdit(int index) const { return m_searchEdits.value(index); }
    QPushButton* insertButton() const { return m_insertBtn; }
    QPushButton* deleteButton() const { return m_delBtn; }
    /// Runs another window's menu command of the main window.
    void openWindow(const QString& itemName) const;
    /// Places a caption and its editor on the basic page.
    void addField(int row, int column, const QString& caption, QWidget* editor, int span = 1);
    ReportProgress* progress() const { return m_progress.get(); }
    void showStatus(const QString& text);
    /// Whether the user may see and use the company selector (head office, position 12 >= "1").
    bool companySelector() const;

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    QWidget* buildSearchHeader();
    QWidget* buildBasicPage();
    QWidget* buildListPage();
    QWidget* buildHistoryPage();
    QWidget* navigator(const QString& name, QWidget* parent);
    void fillCompanies();
    void closeHistory();
    void showTotals();
    /// Opens the header dataset of a document on the login's branch and runs its menu command.
    void openDocument(const QString& dataSet, const QString& sqlPrefix, const QString& item,
                      const QString& number);

    TWindowContext m_context;
    Settings m_settings;
    TDataSource m_masterSource;

    QTabWidget* m_pages = nullptr;
    QWidget* m_basicPage = nullptr;
    QWidget* m_listPage = nullptr;
    QWidget* m_historyPage = nullptr;
    QGridLayout* m_fields = nullptr;
    QHBoxLayout* m_basicButtons = nullptr;
    QHBoxLayout* m_listButtons = nullptr;
    QList<QLineEdit*> m_searchEdits;
    TDBEditNew* m_keyEdit = nullptr;
    QPushButton* m_insertBtn = nullptr;
    QPushButton* m_editBtn = nullptr;
    QPushButton* m_postBtn = nullptr;
    QPushButton* m_cancelBtn = nullptr;
    QPushButton* m_delBtn = nullptr;
    QPushButton* m_printBtn = nullptr;
    TSouGrid* m_listGrid = nullptr;
    TSouGrid* m_historyGrid = nullptr;
    TSouGrid* m_subtotalGrid = nullptr;
    QWidget* m_subtotalPanel = nullptr;
    TEnglishDate* m_fromDate = nullptr;
    TEnglishDate* m_toDate = nullptr;
    QLabel* m_sumQty = nullptr;
    QLabel* m_sumPriceCaption = nullptr;
    QLabel* m_sumPrice = nullptr;
    QLabel* m_companyShown = nullptr;
    QLabel* m_companyCaption = nullptr;
    QComboBox* m_company = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusPanel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    std::unique_ptr<ReportProgress> m_progress;
    QWidget* m_frame = nullptr; ///< the MDI frame whose activation is followed
    bool m_historyOpen = false;
    bool m_closed = false;
};
