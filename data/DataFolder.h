#pragma once

#include <QString>

/**
 * @brief The one folder the program writes its own files into: the HTML pages, the book sheets,
 * the picking lists.
 *
 * The program's folder may be read-only, so the default is per user (the application data folder
 * of the platform). The environment variable `HEYU_DATA_DIR` points it elsewhere, for a shared
 * installation or a test.
 *
 * @code
 * QString error;
 * const QString html = DataFolder::subfolder("HTML", &error);   // created when missing
 * if (html.isEmpty()) { TDialogs::error(error); return; }
 * @endcode
 */
namespace DataFolder {

/// The folder itself (not created).
QString path();

/// The named subfolder, created when missing; empty with the reason in @p error when it cannot be
/// created.
QString subfolder(const QString& name, QString* error = nullptr);

/// Whether a name given by the data (a book number) is safe as one file name inside a folder of
/// ours: not empty, no path separator, no "..", no control character.
bool isPlainFileName(const QString& name);

} // namespace DataFolder
