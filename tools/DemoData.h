#pragma once

#include <QString>
#include <QStringList>

class Connection;

/// Fills a fresh schema with the demo company: the head office and two branches, users of each
/// kind, and master data to try every window with. Runs inside the caller's transaction.
namespace DemoData {

/// The branches of the demo company, head office first.
QStringList branchCodes();
bool load(Connection& connection, QString* error);

} // namespace DemoData
