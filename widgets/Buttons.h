#pragma once

#include <QPushButton>
#include <QString>

namespace Widgets {

/// A window's push button, found by tests through its object name. Never a dialog's default
/// button: Enter in an entry field must not press it.
inline QPushButton* button(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    return b;
}

} // namespace Widgets
