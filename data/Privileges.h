#pragma once

#include <QChar>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

/**
 * @brief The 16-position privilege string and what each position grants.
 *
 * Position 0 marks a manager; positions 1 to 11, 13 and 15 hold "N" (no access) or a hexadecimal
 * sum of 1 insert, 2 update, 4 delete, 8 change of number; 12 allows the branch query; 14 governs
 * the stock display.
 */
namespace Privileges {

constexpr int Length = 16;
constexpr int Manager = 0;
constexpr int BranchQuery = 12;
constexpr int StockDisplay = 14;
constexpr int ExchangeRates = 15;

/// The stored string read up to its end; a missing position counts as "N", so a short string
/// never grants anything.
QString normalized(const QString& stored);
QChar at(const QString& priv, int position);

bool isManager(const QString& priv);
bool canInsert(QChar c);
/// Update in document, write-off, stock-adjustment and exchange-rate windows.
bool canUpdateDocument(QChar c);
/// Update in master-data windows: a user who may change numbers may always edit.
bool canUpdateMaster(QChar c);
bool canDeleteDocument(QChar c);
bool canDeleteMaster(QChar c);
bool canChangeNumber(QChar c);

struct Module
{
    int position;
    QString menuItem;
    QStringList datasets;
};
/// Positions 1 to 11, 13 and 15 with the menu item and shared datasets each one governs.
const QList<Module>& modules();

/// What a login does to the menu and the shared datasets.
struct Effects
{
    QStringList hiddenItems;
    QStringList disabledItems;
    QSet<QString> readOnlyDatasets;
};
Effects effects(const QString& loginArea, const QString& priv);

extern const QString HeadOffice;

} // namespace Privileges
