#include "app/TUserFrm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/DataAccess.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"

const QString TUserFrm::Caption = QStringLiteral("禾嶼圖書出版公司");

TUserFrm::TUserFrm(TMainDM& dm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_login(dm),
      m_code(new QLineEdit(this)),
      m_password(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral("確定"), this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this))
{
    setObjectName(QStringLiteral("UserFrm"));
    setWindowTitle(Caption);
    m_code->setObjectName(QStringLiteral("UsCodeEdit"));
    m_code->setMaxLength(8);
    m_password->setObjectName(QStringLiteral("UsPassEdit"));
    m_password->setMaxLength(10);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_code->setMinimumWidth(160);
    m_ok->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("使用者代碼"), this), 0, 0);
    grid->addWidget(m_code, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("密   碼"), this), 1, 0);
    grid->addWidget(m_password, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &TUserFrm::OKBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &TUserFrm::CancelBtnClick);
    connect(m_password, &QLineEdit::returnPressed, this, &TUserFrm::OKBtnClick);

    if (!DataAccess::VersionAtLeast(DataAccess::Version(dm.MainADOCon.backend()))) {
        TDialogs::warningAbort(QStringLiteral("請安裝ADO Version 2.6 以上"));
        m_startedUp = false;
        return;
    }
    if (!m_login.LoadAccounts())
        TDialogs::error(m_login.loadError());
}

void TUserFrm::OKBtnClick()
{
    QString code = m_code->text();
    QString password = m_password->text();
    const TLogin::Outcome outcome = m_login.Attempt(code, password);
    m_code->setText(code);
    m_password->setText(password);
    switch (outcome) {
    case TLogin::Outcome::Success:
        m_login.CloseAccounts();
        accept();
        break;
    case TLogin::Outcome::TooManyAttempts:
        CancelBtnClick();
        break;
    case TLogin::Outcome::WrongPassword:
        m_password->setFocus();
        break;
    case TLogin::Outcome::EmptyCode:
    case TLogin::Outcome::UnknownCode:
        m_code->setFocus();
        break;
    case TLogin::Outcome::NoAccountList:
        break;
    }
}

void TUserFrm::CancelBtnClick()
{
    m_login.CloseAccounts();
    QDialog::reject();
}

void TUserFrm::reject()
{
    // Escape is Cancel: the window has no close box and nothing else ends it.
    CancelBtnClick();
}
