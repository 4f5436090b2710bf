#pragma once

#include <QString>

/**
 * @brief Hands a finished document to the desktop's office application.
 *
 * The application installs SystemDesktop; tests install a fake, so no test ever launches an
 * office program.
 */
class ReportDesktop
{
public:
    virtual ~ReportDesktop() = default;
    /// Whether an application is registered for files with this suffix ("docx", "xlsx").
    virtual bool canOpen(const QString& suffix) const = 0;
    /// Opens the file in that application; false when it could not be handed over.
    virtual bool open(const QString& filePath) = 0;
};
