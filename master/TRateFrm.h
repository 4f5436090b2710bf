#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class TDataSetModel;
class TMainDM;

/**
 * @brief The exchange-rate dialog ("匯率資料"): the rates of `RateDS` in a grid that takes typing,
 * with the buttons the user's rights on rates allow.
 *
 * The rates are writable only while the dialog is shown, for a user with a right on them; when it
 * closes they are read again read-only, so document lines price with the new rates at once. The
 * dialog is created once and shown again on each use.
 */
class TRateFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TRateFrm(TMainDM& dm, QWidget* parent = nullptr);
    ~TRateFrm() override;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void InsertBtnClick();
    void EditBtnClick();
    void DeleteBtnClick();
    void SaveBtnClick();
    void CancelBtnClick();
    void updateControls();
    /// Any right on rates: insert, update or delete.
    bool hasRight() const;

    TMainDM& m_dm;
    TDataSetModel* m_model;
    QTableView* m_grid;
    QPushButton* m_first;
    QPushButton* m_prior;
    QPushButton* m_next;
    QPushButton* m_last;
    QPushButton* m_insert;
    QPushButton* m_edit;
    QPushButton* m_delete;
    QPushButton* m_save;
    QPushButton* m_cancel;
    QStatusBar* m_status;
    QProgressBar* m_progress;
};
