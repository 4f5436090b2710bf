#include "data/DataAccess.h"

#include <QSqlDatabase>

namespace DataAccess {
namespace {

int leadingNumber(const QString& text)
{
    qsizetype end = 0;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    return end == 0 ? 0 : text.left(end).toInt();
}

} // namespace

QString Version(Backend backend)
{
    const QString driver = backend == Backend::Sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    return QSqlDatabase::isDriverAvailable(driver) ? QString::fromLatin1(qVersion())
                                                   : QStringLiteral("0.0");
}

bool VersionAtLeast(const QString& versionText, int major, int minor)
{
    const QString text = versionText.trimmed();
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const int textMajor = leadingNumber(point < 0 ? text : text.left(point));
    const int textMinor = point < 0 ? 0 : leadingNumber(text.mid(point + 1));
    return textMajor != major ? textMajor > major : textMinor >= minor;
}

} // namespace DataAccess
