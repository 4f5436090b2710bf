#pragma once

#include <memory>

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class ChangeLog;
class TDataSetModel;
class TEnglishDate;
class TMainDM;

/**
 * @brief The change-log window ("異動記錄作業") for managers: search the log by user, name, days
 * and company, and prune it one record at a time or all the records a search listed.
 */
class TLogFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TLogFrm(TMainDM& dm, QWidget* parent = nullptr);
    ~TLogFrm() override;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FindBtnClick();
    void ClearBtnClick();
    void DeleteOneBtnClick();
    void DeleteAllBtnClick();
    void loadCompanies();

    TMainDM& m_dm;
    std::unique_ptr<ChangeLog> m_log;
    TDataSetModel* m_model;
    QLineEdit* m_userCode;
    QLineEdit* m_userName;
    TEnglishDate* m_from;
    TEnglishDate* m_to;
    QWidget* m_companyLabel;
    QComboBox* m_company;
    QTableView* m_grid;
    QPushButton* m_find;
    QPushButton* m_clear;
    QPushButton* m_deleteOne;
    QPushButton* m_deleteAll;
};
