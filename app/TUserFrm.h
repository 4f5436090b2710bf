#pragma once

#include <QDialog>

#include "data/TLogin.h"

class QLineEdit;
class QPushButton;
class TMainDM;

/**
 * @brief The login window: checks the data-access version, reads the account list and lets the
 * user try three times.
 */
class TUserFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TUserFrm(TMainDM& dm, QWidget* parent = nullptr);

    /// False when the version check ended the program before the window could be used.
    bool startedUp() const { return m_startedUp; }

    QLineEdit* codeEdit() const { return m_code; }
    QLineEdit* passwordEdit() const { return m_password; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    void OKBtnClick();
    void CancelBtnClick();

    static const QString Caption;

public slots:
    void reject() override;

private:
    TLogin m_login;
    bool m_startedUp = true;
    QLineEdit* m_code;
    QLineEdit* m_password;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
