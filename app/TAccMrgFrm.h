#pragma once

#include <QDialog>
#include <QMap>

#include "data/AccountRules.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class TDataSetModel;
class TDataSource;
class TDBEditNew;
class TMainDM;

/**
 * @brief The account window ("帳號管理作業"): everyone's own password change, and for managers the
 * accounts of `UserDS` with their privilege strings edited through check boxes.
 *
 * The rules (boxes to string and back, refusals, manager strings, save checks) live in
 * AccountRules; the window shows them and hands over what was typed.
 */
class TAccMrgFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TAccMrgFrm(TMainDM& dm, QWidget* parent = nullptr);
    ~TAccMrgFrm() override;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct GroupControls
    {
        QGroupBox* box = nullptr;
        QMap<AccountRules::Box, QCheckBox*> checks;
    };

    void buildPasswordPage();
    void buildAccountPage();
    void FormCreate();
    void FormActivate();
    void PassOkBtnClick();
    void PassCancelBtnClick();
    void InsertBtnClick();
    void EditBtnClick();
    void DeleteBtnClick();
    void SaveBtnClick();
    void CancelBtnClick();
    /// Shows the current account's privilege string in the boxes.
    void ShowPriv();
    /// The rules of a box the user checked or cleared.
    void BoxToggled(int position, AccountRules::Box box, bool checked);
    void BranchQueryToggled(bool checked);
    AccountRules::PrivForm formFromControls() const;
    void updateControls();
    bool isManagerUser() const;
    bool isBranchManager() const;

    TMainDM& m_dm;
    bool m_loading = false;

    QTabWidget* m_pages;
    QWidget* m_passwordPage;
    QWidget* m_accountPage;
    QLabel* m_loginCode;
    QLineEdit* m_newPass;
    QLineEdit* m_confirmPass;

    TDataSource* m_source;
    TDataSetModel* m_model;
    QTableView* m_grid;
    TDBEditNew* m_code;
    TDBEditNew* m_name;
    TDBEditNew* m_area;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
    QRadioButton* m_staff;
    QRadioButton* m_manager;
    QGroupBox* m_kindBox;
    QMap<int, GroupControls> m_groups;
    QCheckBox* m_branchQuery;
    QGroupBox* m_stockBox;
    QButtonGroup* m_stock;
    QList<QPushButton*> m_navigator;
    QPushButton* m_insert;
    QPushButton* m_edit;
    QPushButton* m_delete;
    QPushButton* m_save;
    QPushButton* m_cancel;
};
