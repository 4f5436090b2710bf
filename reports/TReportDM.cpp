#include "reports/TReportDM.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include "data/DataFolder.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"
#include "reports/office/OfficeError.h"

namespace {

/// Our templates keep the old names with the OOXML template suffix.
QString ooxmlName(const QString& fileName)
{
    const QString lower = fileName.toLower();
    if (lower.endsWith(QLatin1String(".dot")) || lower.endsWith(QLatin1String(".xlt")))
        return fileName + QLatin1Char('x');
    return fileName;
}

} // namespace

TReportDM::TReportDM(TMainDM& mainDM, ReportDesktop& desktop, QObject* parent)
    : QObject(parent), m_mainDM(mainDM), m_desktop(desktop)
{
    const QString userFolder = DataFolder::path();
    if (!userFolder.isEmpty())
        m_templateFolders.append(userFolder + QStringLiteral("/Report"));
    const QString configured = qEnvironmentVariable("HEYU_REPORT_DIR");
    if (!configured.isEmpty())
        m_templateFolders.append(configured);
    if (QCoreApplication::instance())
        m_templateFolders.append(QCoreApplication::applicationDirPath() +
                                 QStringLiteral("/Report"));
    m_outputFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (m_outputFolder.isEmpty())
        m_outputFolder = QDir::homePath();
}

TReportDM::~TReportDM() = default;

QString TReportDM::TemplatePath(const QString& fileName) const
{
    const QString name = ooxmlName(fileName);
    for (const QString& folder : m_templateFolders) {
        const QFileInfo candidate(QDir(folder), name);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

bool TReportDM::OpenWordTemplate(const QString& fileName)
{
    m_word.reset();
    if (!m_desktop.canOpen(QStringLiteral("docx"))) {
        TDialogs::error(QStringLiteral("請檢查Word是否已安裝"));
        return false;
    }
    auto document = std::make_unique<office::WordDocument>();
    QString error;
    const QString path = TemplatePath(fileName);
    if (path.isEmpty() || !document->open(path, &error)) {
        TDialogs::error(QStringLiteral("請檢查Word範本檔是否錯誤"));
        return false;
    }
    m_word = std::move(document);
    return true;
}

bool TReportDM::OpenExcelTemplate(const QString& fileName)
{
    m_excel.reset();
    if (!m_desktop.canOpen(QStringLiteral("xlsx"))) {
        TDialogs::error(QStringLiteral("請檢查Excel是否已安裝"));
        return false;
    }
    auto workbook = std::make_unique<office::ExcelWorkbook>();
    QString error;
    const QString path = TemplatePath(fileName);
    if (path.isEmpty() || !workbook->open(path, &error)) {
        TDialogs::error(QStringLiteral("請檢查Excel範本檔是否錯誤"));
        return false;
    }
    m_excel = std::move(workbook);
    return true;
}

void TReportDM::ShowFillError(const std::exception& error)
{
    // The plain message box of a caught failure; our dialogs have no icon-less kind.
    if (const auto* office = dynamic_cast<const office::OfficeError*>(&error))
        TDialogs::information(office->text());
    else
        TDialogs::information(QString::fromUtf8(error.what()));
}

QString TReportDM::FreshPath(const QString& title, const QString& suffix) const
{
    QString base = title;
    // A name taken from data must not leave the folder or trip the file system.
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : base) {
        if (forbidden.contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    base +=
        QLatin1Char('_') + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir folder(m_outputFolder);
    QString path = folder.filePath(base + QLatin1Char('.') + suffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(base + QStringLiteral("_%1.").arg(n) + suffix);
    return path;
}

QString TReportDM::SaveAndHandOver(const QString& title, const QString& suffix, bool word)
{
    QDir().mkpath(m_outputFolder);
    QString error;
    // Another report may take the same name between the check and the write: try the next.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QString path = FreshPath(title, suffix);
        error.clear();
        const bool saved = word ? m_word->save(path, &error) : m_excel->save(path, &error);
        if (saved) {
            m_lastDocument = path;
            if (!m_desktop.open(path))
                TDialogs::error(QStringLiteral("無法開啟文件：") + QDir::toNativeSeparators(path));
            return path;
        }
        if (QFileInfo::exists(path))
            continue;
        break;
    }
    TDialogs::error(QStringLiteral("無法儲存文件：") + error);
    return {};
}

QString TReportDM::FinishWord(const QString& title)
{
    if (!m_word)
        return {};
    const QString path = SaveAndHandOver(title, QStringLiteral("docx"), true);
    m_word.reset();
    return path;
}

QString TReportDM::FinishExcel(const QString& title)
{
    if (!m_excel)
        return {};
    const QString path = SaveAndHandOver(title, QStringLiteral("xlsx"), false);
    m_excel.reset();
    return path;
}

void TReportDM::WriteLetterhead(office::WordTable& table, int row, int column, const QString& name,
                                const QString& address, const QString& tel, const QString& fax,
                                const QString& eMail)
{
    table.insertBefore(row, column, name);
    table.insertAfter(row, column,
                      address + QStringLiteral("\nTel: ") + tel + QStringLiteral("\nFax: ") + fax +
                          QStringLiteral("\nE-mail: ") + eMail);
}

QString TReportDM::FormatF2(double value)
{
    QLocale c(QLocale::C);
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(value, 'f', 2);
}

QString TReportDM::FormatF0(double value)
{
    QLocale c(QLocale::C);
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(value, 'f', 0);
}

QString TReportDM::CurrencyBreakdown(ReportRecords& lines, bool plainLastMark)
{
    // Groups in ascending order of the currency code, as the lines sorted by it give them.
    QList<QPair<QString, double>> groups;
    for (lines.first(); !lines.eof(); lines.next()) {
        const QString code = lines.text(QStringLiteral("ori_cr"));
        const double amount = lines.value(QStringLiteral("UnSum")).toDouble();
        auto it = std::lower_bound(
            groups.begin(), groups.end(), code,
            [](const QPair<QString, double>& g, const QString& c) { return g.first < c; });
        if (it != groups.end() && it->first == code)
            it->second += amount;
        else
            groups.insert(it, {code, amount});
    }
    QString result;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const bool last = i == groups.size() - 1;
        const QString mark = (!plainLastMark || last) ? QStringLiteral("$ ") : QStringLiteral("$");
        result += groups.at(i).first + mark + FormatF2(groups.at(i).second) + QStringLiteral(" ; ");
    }
    return result;
}
