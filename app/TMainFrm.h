#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include "app/TWindowRegistry.h"

class QAction;
class QMdiArea;
class QMenu;
class TMainDM;
class TReportDM;

/**
 * @brief The frame window: the module menu and the MDI area of the working windows.
 *
 * Every working window exists at most once: an MDI child is created on first use and reused until
 * it is closed; the exchange-rate dialog is created once and kept; the account and change-log
 * dialogs are made anew each time.
 */
class TMainFrm : public QMainWindow
{
    Q_OBJECT
public:
    enum class Mode { MdiMaximised, MdiOwnSize, ModalNew, ModalReused };

    TMainFrm(TMainDM& dm, TWindowRegistry registry, QWidget* parent = nullptr);

    /// Applies the login to the menu and the caption.
    void ApplyLogin();
    /// The report module, created after the main window; windows opened from then on get it.
    void SetReportDM(TReportDM* reportDM) { m_reportDM = reportDM; }

    QAction* menuItem(const QString& name) const { return m_items.value(name); }
    /// Runs the command of a menu item (also for items the menu hides or disables).
    void OpenItem(const QString& name);
    /// The window of a menu item while it exists.
    QWidget* openedWindow(const QString& itemName) const;
    QMdiArea* mdiArea() const { return m_mdi; }
    TWindowRegistry& registry() { return m_registry; }

    static const QString OpenFailedMessage;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct ItemDef
    {
        QString name;
        QString text;
        Mode mode;
        int privIndex; ///< -1: the command does not set PrivIndex
    };

    void buildMenus();
    QAction* addItem(QMenu* menu, const ItemDef& def);
    void open(const ItemDef& def);
    void openMdiChild(const ItemDef& def);
    void openModal(const ItemDef& def);
    QWidget* create(const ItemDef& def, QWidget* parent);
    void fillWindowMenu(QMenu* menu);

    TMainDM& m_dm;
    TReportDM* m_reportDM = nullptr;
    TWindowRegistry m_registry;
    QMdiArea* m_mdi;
    QHash<QString, QAction*> m_items;
    QHash<QString, ItemDef> m_defs;
    QHash<QString, QPointer<QWidget>> m_windows;
};
