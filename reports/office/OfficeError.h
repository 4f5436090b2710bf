#pragma once

#include <exception>
#include <string>

#include <QString>

namespace office {

/**
 * @brief A failure while a report fills its document (a cell the template lacks, an unreadable
 * part). Report operations catch it, show its text and finish with what was filled.
 */
class OfficeError : public std::exception
{
public:
    explicit OfficeError(const QString& text) : m_text(text), m_utf8(text.toStdString()) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_text;
    std::string m_utf8;
};

} // namespace office
