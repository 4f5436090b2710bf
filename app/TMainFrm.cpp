#include "app/TMainFrm.h"

#include <exception>

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

#include "data/TDialogs.h"
#include "data/TMainDM.h"

const QString TMainFrm::OpenFailedMessage =
    QStringLiteral("無法開啟此畫面，請檢查是否同時開啟太多視窗");

TMainFrm::TMainFrm(TMainDM& dm, TWindowRegistry registry, QWidget* parent)
    : QMainWindow(parent), m_dm(dm), m_registry(std::move(registry)), m_mdi(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(TMainDM::BaseCaption);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildMenus();
}

void TMainFrm::buildMenus()
{
    using M = Mode;
    QMenuBar* bar = menuBar();

    QMenu* basic = bar->addMenu(QStringLiteral("基本資料"));
    basic->setObjectName(QStringLiteral("BasicItem"));
    for (const ItemDef& d : {ItemDef{QStringLiteral("CustomerItem"), QStringLiteral("客戶資料"), M::MdiMaximised, 1},
                             ItemDef{QStringLiteral("BookItem"), QStringLiteral("書籍資料"), M::MdiMaximised, 2},
                             ItemDef{QStringLiteral("VendorItem"), QStringLiteral("供應商資料"), M::MdiMaximised, 3},
                             ItemDef{QStringLiteral("ForwarderItem"), QStringLiteral("船務代理商資料"), M::MdiMaximised, -1},
                             ItemDef{QStringLiteral("ClasesItem"), QStringLiteral("科目資料"), M::MdiMaximised, -1},
                             ItemDef{QStringLiteral("RateItem"), QStringLiteral(" 匯率資料"), M::ModalReused, -1}})
        addItem(basic, d);

    addItem(nullptr, {QStringLiteral("InquireItem"), QStringLiteral("詢價作業"), M::MdiMaximised, -1});
    addItem(nullptr, {QStringLiteral("QuoteItem"), QStringLiteral("估價作業"), M::MdiMaximised, 7});
    addItem(nullptr, {QStringLiteral("OrderItem"), QStringLiteral("客戶訂單"), M::MdiMaximised, 8});
    addItem(nullptr, {QStringLiteral("BuyItem"), QStringLiteral("採購作業"), M::MdiMaximised, 13});

    QMenu* imp = bar->addMenu(QStringLiteral("進貨作業"));
    imp->setObjectName(QStringLiteral("ImpItem"));
    m_items.insert(imp->objectName(), imp->menuAction());
    for (const ItemDef& d : {ItemDef{QStringLiteral("ImportItem"), QStringLiteral("進貨作業"), M::MdiMaximised, 9},
                             ItemDef{QStringLiteral("YetImpItem"), QStringLiteral("已購未進作業"), M::MdiMaximised, -1},
                             ItemDef{QStringLiteral("ImpRetItem"), QStringLiteral("進貨退出作業"), M::MdiMaximised, 9},
                             ItemDef{QStringLiteral("IWOFFItem"), QStringLiteral("進貨沖銷作業"), M::MdiMaximised, 9}})
        addItem(imp, d);

    QMenu* exp = bar->addMenu(QStringLiteral("出貨作業"));
    exp->setObjectName(QStringLiteral("ExpItem"));
    m_items.insert(exp->objectName(), exp->menuAction());
    for (const ItemDef& d : {ItemDef{QStringLiteral("ExportItem"), QStringLiteral("出貨作業"), M::MdiMaximised, 10},
                             ItemDef{QStringLiteral("YetExpItem"), QStringLiteral("已訂未出作業"), M::MdiMaximised, -1},
                             ItemDef{QStringLiteral("ExpRetItem"), QStringLiteral("出貨退回作業"), M::MdiMaximised, 10},
                             ItemDef{QStringLiteral("EWoffItem"), QStringLiteral("出貨沖銷作業"), M::MdiMaximised, 10}})
        addItem(exp, d);

    addItem(nullptr, {QStringLiteral("BRStockItem"), QStringLiteral("調整庫存"), M::MdiMaximised, -1});

    QMenu* other = bar->addMenu(QStringLiteral("其他"));
    other->setObjectName(QStringLiteral("OtherItem"));
    for (const ItemDef& d : {ItemDef{QStringLiteral("N1"), QStringLiteral("目錄製作"), M::MdiOwnSize, -1},
                             ItemDef{QStringLiteral("CompItem"), QStringLiteral("對帳報表列印"), M::MdiMaximised, -1},
                             ItemDef{QStringLiteral("HTMLItem"), QStringLiteral("統計及網頁產生"), M::MdiMaximised, -1},
                             ItemDef{QStringLiteral("VoucherItem"), QStringLiteral("分公司單據查詢"), M::MdiMaximised, -1}})
        addItem(other, d);

    QMenu* maintenance = bar->addMenu(QStringLiteral("維護作業"));
    maintenance->setObjectName(QStringLiteral("MaintainItem"));
    addItem(maintenance, {QStringLiteral("AccMrgItem"), QStringLiteral("修改密碼"), M::ModalNew, -1});
    addItem(maintenance, {QStringLiteral("RLogItem"), QStringLiteral("異動記錄管理"), M::ModalNew, -1});

    addItem(nullptr, {QStringLiteral("CntItem"), QStringLiteral("櫃台作業"), M::MdiMaximised, -1});

    QMenu* window = bar->addMenu(QStringLiteral("視窗"));
    window->setObjectName(QStringLiteral("WindowItem"));
    connect(window, &QMenu::aboutToShow, this, [this, window] { fillWindowMenu(window); });
}

QAction* TMainFrm::addItem(QMenu* menu, const ItemDef& def)
{
    QAction* action = menu ? menu->addAction(def.text) : menuBar()->addAction(def.text);
    action->setObjectName(def.name);
    connect(action, &QAction::triggered, this, [this, def] { open(def); });
    m_items.insert(def.name, action);
    m_defs.insert(def.name, def);
    return action;
}

void TMainFrm::fillWindowMenu(QMenu* menu)
{
    // The standard window-list entries only; arranging commands exist but stay hidden.
    menu->clear();
    for (const char* hidden : {"層疊", "並排", "全部最小化", "排列圖示"})
        menu->addAction(QString::fromUtf8(hidden))->setVisible(false);
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* sub = windows[i];
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
    }
}

void TMainFrm::ApplyLogin()
{
    const Privileges::Effects& effects = m_dm.PrivilegeEffects();
    for (const QString& name : effects.hiddenItems) {
        if (QAction* a = menuItem(name))
            a->setVisible(false);
    }
    for (const QString& name : effects.disabledItems) {
        if (QAction* a = menuItem(name))
            a->setEnabled(false);
    }
    setWindowTitle(m_dm.MainCaption());
}

QWidget* TMainFrm::openedWindow(const QString& itemName) const
{
    return m_windows.value(itemName).data();
}

QWidget* TMainFrm::create(const ItemDef& def, QWidget* parent)
{
    const TWindowRegistry::Factory factory = m_registry.factory(def.name);
    if (!factory)
        return nullptr;
    try {
        return factory(TWindowContext{m_dm, m_reportDM, [this](const QString& name) { OpenItem(name); }},
                       parent);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void TMainFrm::OpenItem(const QString& name)
{
    const auto it = m_defs.constFind(name);
    if (it == m_defs.constEnd()) {
        TDialogs::error(OpenFailedMessage);
        return;
    }
    open(*it);
}

void TMainFrm::open(const ItemDef& def)
{
    if (def.mode == Mode::ModalNew || def.mode == Mode::ModalReused)
        openModal(def);
    else
        openMdiChild(def);
}

void TMainFrm::openMdiChild(const ItemDef& def)
{
    if (def.privIndex >= 0)
        m_dm.PrivIndex = static_cast<short>(def.privIndex);
    QWidget* window = openedWindow(def.name);
    QMdiSubWindow* sub = nullptr;
    if (!window) {
        window = create(def, nullptr);
        if (!window) {
            TDialogs::error(OpenFailedMessage);
            return;
        }
        window->setAttribute(Qt::WA_DeleteOnClose);
        sub = m_mdi->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // A window that closes itself takes its frame with it.
        connect(window, &QObject::destroyed, sub, &QMdiSubWindow::close);
        m_windows.insert(def.name, window);
    } else {
        sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    }
    if (!sub)
        return;
    if (def.mode == Mode::MdiMaximised) {
        sub->showMaximized();
    } else {
        sub->show();
        const QSize area = m_mdi->viewport()->size();
        sub->move(qMax(0, (area.width() - sub->width()) / 2), qMax(0, (area.height() - sub->height()) / 2));
    }
    m_mdi->setActiveSubWindow(sub);
    sub->raise();
}

void TMainFrm::openModal(const ItemDef& def)
{
    QWidget* window = def.mode == Mode::ModalReused ? openedWindow(def.name) : nullptr;
    if (!window) {
        window = create(def, this);
        auto* dialog = qobject_cast<QDialog*>(window);
        if (!dialog) {
            delete window;
            TDialogs::error(OpenFailedMessage);
            return;
        }
        if (def.mode == Mode::ModalReused)
            m_windows.insert(def.name, dialog);
    }
    static_cast<QDialog*>(window)->exec();
    if (def.mode == Mode::ModalNew)
        window->deleteLater();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    m_dm.CloseSharedDataSets();
    // Children close by ascending index, each through its own close handling.
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* sub : windows)
        sub->close();
    event->accept();
}
