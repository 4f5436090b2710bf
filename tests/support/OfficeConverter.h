#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// Headless LibreOffice with a profile of its own, for tests that prove a real office
/// application opens what we write.
class OfficeConverter
{
public:
    OfficeConverter();

    /// Whether LibreOffice is on PATH; tests skip themselves without it.
    bool available() const { return !m_office.isEmpty(); }
    /// Converts @p files into @p outDir in one run; false, with LibreOffice's output as a
    /// warning, when it fails.
    bool convert(const QStringList& files, const QString& filter, const QString& outDir);

private:
    QString m_office;
    QTemporaryDir m_profile;
};
