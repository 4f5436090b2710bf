#include "reports/desktop/SystemDesktop.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

bool SystemDesktop::canOpen(const QString& suffix) const
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Free desktops keep the association in the shared MIME and desktop-entry database.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return true; // nothing to ask: let the hand-over itself decide
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + suffix,
                                                           QMimeDatabase::MatchExtension);
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type.name()});
    if (!query.waitForFinished(5000))
        return true;
    return !query.readAllStandardOutput().trimmed().isEmpty();
#else
    Q_UNUSED(suffix);
    return true;
#endif
}

bool SystemDesktop::open(const QString& filePath)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}
