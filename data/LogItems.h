#pragma once

#include <QString>

/// The window names written into the change log (TMainDM::LogItem), one per window family.
namespace LogItems {

inline const QString Customers = QStringLiteral("客戶檔管理作業");
inline const QString Books = QStringLiteral("書籍檔管理作業");
inline const QString Suppliers = QStringLiteral("供應商檔管理作業");
inline const QString ShippingAgents = QStringLiteral("船務商檔管理作業");
inline const QString Classes = QStringLiteral("科目檔管理作業");
inline const QString Rates = QStringLiteral("匯率管理作業");
inline const QString Inquiries = QStringLiteral("詢價作業");
inline const QString Quotations = QStringLiteral("估價作業");
inline const QString Orders = QStringLiteral("客戶訂單作業");
inline const QString Purchases = QStringLiteral("採購作業");
inline const QString Receipts = QStringLiteral("進貨作業");
inline const QString OutstandingPurchases = QStringLiteral("已購未進作業");
inline const QString PurchaseReturns = QStringLiteral("進貨退出作業");
inline const QString PayablesWriteOff = QStringLiteral("進貨沖銷帳作業");
inline const QString Shipments = QStringLiteral("出貨作業");
inline const QString OutstandingOrders = QStringLiteral("已訂未出作業");
inline const QString SalesReturns = QStringLiteral("出貨退回作業");
inline const QString ReceivablesWriteOff = QStringLiteral("出貨沖銷帳作業");
inline const QString StockAdjustment = QStringLiteral("調整庫存作業");
inline const QString Counter = QStringLiteral("櫃台作業");
inline const QString Reconciliation = QStringLiteral("對帳作業");
inline const QString Accounts = QStringLiteral("帳號管理作業");
/// An account's own password change.
inline const QString PasswordChange = QStringLiteral("修改密碼");

} // namespace LogItems
