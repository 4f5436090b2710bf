#pragma once

#include <functional>

#include <QHash>
#include <QString>

class QWidget;
class TMainDM;
class TReportDM;

/// What a window is created with: the main data module, the report module, and the main window's
/// menu commands, so a window can open another (a history line opens its document window).
struct TWindowContext
{
    TMainDM& mainDM;
    TReportDM* reportDM;
    /// Runs the menu command of the named item, as if the user chose it; null outside the main window.
    std::function<void(const QString& itemName)> openWindow;
};

/**
 * @brief The windows the main menu can open, by the name of their menu item.
 *
 * Each module registers a factory for its windows; the main window decides how a window is shown
 * (MDI child or modal dialog) from its menu table. A factory may throw or return null when the
 * window cannot be created.
 */
class TWindowRegistry
{
public:
    using Factory = std::function<QWidget*(const TWindowContext& context, QWidget* parent)>;

    void add(const QString& itemName, Factory factory) { m_factories.insert(itemName, std::move(factory)); }
    void remove(const QString& itemName) { m_factories.remove(itemName); }
    Factory factory(const QString& itemName) const { return m_factories.value(itemName); }

    /// The registry with every window the program has.
    static TWindowRegistry programWindows();

private:
    QHash<QString, Factory> m_factories;
};
