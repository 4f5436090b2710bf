#include "OfficeConverter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

OfficeConverter::OfficeConverter()
    : m_office(QStandardPaths::findExecutable(QStringLiteral("libreoffice")))
{
}

bool OfficeConverter::convert(const QStringList& files, const QString& filter, const QString& outDir)
{
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(m_office, QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                       QStringLiteral("-env:UserInstallation=")
                                           + QUrl::fromLocalFile(m_profile.path()).toString(),
                                       QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                                       outDir}
                               + files);
    if (!office.waitForFinished(300000)) {
        office.kill();
        qWarning("libreoffice did not finish");
        return false;
    }
    if (office.exitCode() != 0) {
        qWarning("libreoffice: %s", office.readAll().constData());
        return false;
    }
    return true;
}
