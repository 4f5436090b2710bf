#pragma once

#include <memory>

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "data/TMainDM.h"
#include "reports/ReportDesktop.h"
#include "reports/ReportProgress.h"
#include "reports/TReportDM.h"
#include "reports/office/WordDocument.h"

/// A desktop that launches nothing: it remembers what it was given to open.
class FakeDesktop : public ReportDesktop
{
public:
    bool canOpen(const QString& suffix) const override { return !missing.contains(suffix); }
    bool open(const QString& filePath) override
    {
        opened.append(filePath);
        return true;
    }

    QStringList missing; ///< suffixes with no application
    QStringList opened;
};

/// A progress bar that keeps every position it was set to.
class ProgressRecorder : public ReportProgress
{
public:
    void setMinimum(int value) override { minimum = value; }
    void setMaximum(int value) override { maximum = value; }
    void setPosition(int value) override
    {
        current = value;
        positions.append(value);
    }
    int position() const override { return current; }

    int minimum = -1;
    int maximum = -1;
    int current = 0;
    QList<int> positions;
};

/// A report module logged in as a given user, saving into a folder of its own, with the last
/// document it saved at hand. Test classes start it afresh in their init().
class ReportFixture
{
protected:
    void startReports(const UserAccount& user)
    {
        m_main = std::make_unique<TMainDM>();
        m_main->SetLogin(user);
        m_desktop.opened.clear();
        m_reports = std::make_unique<TReportDM>(*m_main, m_desktop);
        m_reports->SetOutputFolder(m_out.path());
    }
    /// The document saved last, opened; a failure is a warning and an empty document.
    office::WordDocument* openLast()
    {
        m_doc = std::make_unique<office::WordDocument>();
        QString error;
        if (!m_doc->open(m_reports->LastDocument(), &error))
            qWarning("%s", qPrintable(error));
        return m_doc.get();
    }

    QTemporaryDir m_out;
    std::unique_ptr<TMainDM> m_main;
    FakeDesktop m_desktop;
    std::unique_ptr<TReportDM> m_reports;
    std::unique_ptr<office::WordDocument> m_doc;
};
