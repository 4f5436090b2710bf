#pragma once

#include <memory>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QTemporaryDir>

#include "../reports/ReportFakes.h"
#include "../support/DemoEnv.h"
#include "../support/MessageRecorder.h"
#include "app/TWindowRegistry.h"
#include "master/TCustomerFrm.h"
#include "reports/TReportDM.h"

/// The customer window on the demo company, logged in with a chosen branch and privilege
/// string, remembering the menu commands it runs.
struct CustomerWindow
{
    explicit CustomerWindow(Backend backend = Backend::Sqlite,
                            const QString& area = QStringLiteral("C0"),
                            const QString& priv = DemoEnv::AdminPriv)
        : env(backend, area, priv)
    {
        env.dm->PrivIndex = 1;
        reports = std::make_unique<TReportDM>(*env.dm, desktop);
        reports->SetOutputFolder(output.path());
        TWindowContext ctx{*env.dm, reports.get(), [this](const QString& item) { opened << item; }};
        frm = std::make_unique<TCustomerFrm>(ctx);
        frm->FormActivate();
    }
    ~CustomerWindow()
    {
        if (frm)
            frm->FormClose();
    }

    /// The admin string with one position replaced.
    static QString priv(int position, QChar c)
    {
        QString p = DemoEnv::AdminPriv;
        p[position] = c;
        return p;
    }

    template <typename T = QWidget> T* child(const QString& name) const
    {
        T* w = frm->findChild<T*>(name);
        if (!w)
            qFatal("no child %s", qPrintable(name));
        return w;
    }
    void click(const QString& button) const { child<QPushButton>(button)->click(); }
    QString status() const { return child<QLabel>(QStringLiteral("StatusPanel"))->text(); }
    TDataSet& customers() const { return env.dm->CustomerDS; }

    /// Searches one customer by its exact number and makes it current.
    bool find(const QString& custNo)
    {
        child<QLineEdit>(QStringLiteral("FCustNoEdit"))->setText(custNo);
        click(QStringLiteral("FindBitBtn"));
        return customers().isActive() && customers().recordCount() == 1;
    }

    DemoEnv env;
    FakeDesktop desktop;
    QTemporaryDir output;
    std::unique_ptr<TReportDM> reports;
    MessageRecorder messages;
    QStringList opened;
    std::unique_ptr<TCustomerFrm> frm;
};
