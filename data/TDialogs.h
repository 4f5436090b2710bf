#pragma once

#include <QString>

/**
 * @brief The one way the program speaks to the user in a message box.
 *
 * Rules in the data layer ask through it without knowing about widgets; the application installs
 * a sink that shows real message boxes, tests install a recorder that reads every message and
 * answers questions from a script.
 *
 * @code
 * if (!TDialogs::confirm("確定刪除" + item + "及相關資料？"))
 *     return;
 * @endcode
 */
namespace TDialogs {

enum class Kind { Information, Warning, Error, Question, ErrorAbort, WarningAbort };
enum class Answer { Ok, Yes, No, Abort };

class Sink
{
public:
    virtual ~Sink() = default;
    virtual Answer show(Kind kind, const QString& text) = 0;
};

/// Installs the sink for the whole program; returns the previous one. Null restores the default,
/// which shows nothing and answers No to every question, so nothing unconfirmed proceeds.
Sink* setSink(Sink* sink);

void information(const QString& text);
void warning(const QString& text);
void error(const QString& text);
/// A yes/no box: only yes proceeds.
bool confirm(const QString& text);
/// An error box whose only button is Abort.
void errorAbort(const QString& text);
/// A warning box whose only button is Abort.
void warningAbort(const QString& text);

} // namespace TDialogs
