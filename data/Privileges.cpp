#include "data/Privileges.h"

namespace Privileges {

const QString HeadOffice = QStringLiteral("C0");

namespace {

int hexValue(QChar c)
{
    const char ch = c.toLatin1();
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

} // namespace

QString normalized(const QString& stored)
{
    QString priv = stored.left(Length);
    while (priv.size() < Length)
        priv += QLatin1Char('N');
    return priv;
}

QChar at(const QString& priv, int position)
{
    return position >= 0 && position < priv.size() ? priv.at(position) : QLatin1Char('N');
}

bool isManager(const QString& priv)
{
    const QChar c = at(priv, Manager);
    return c != QLatin1Char('0') && c != QLatin1Char('N');
}

bool canInsert(QChar c)
{
    const int v = hexValue(c);
    return v > 0 && (v & 1);
}

bool canUpdateDocument(QChar c)
{
    const int v = hexValue(c);
    return v == 2 || v == 3 || v == 6 || v == 7;
}

bool canUpdateMaster(QChar c) { return canUpdateDocument(c) || hexValue(c) > 7; }

bool canDeleteDocument(QChar c)
{
    const int v = hexValue(c);
    return v >= 4 && v <= 7;
}

bool canDeleteMaster(QChar c) { return canDeleteDocument(c) || hexValue(c) >= 12; }

bool canChangeNumber(QChar c) { return hexValue(c) >= 8; }

const QList<Module>& modules()
{
    static const QList<Module> all = {
        {1, QStringLiteral("CustomerItem"), {QStringLiteral("CustomerDS")}},
        {2, QStringLiteral("BookItem"), {QStringLiteral("BookDS")}},
        {3, QStringLiteral("VendorItem"), {QStringLiteral("VendorDS")}},
        {4, QStringLiteral("ForwarderItem"), {QStringLiteral("ForwarderDS")}},
        {5, QStringLiteral("ClasesItem"), {QStringLiteral("ClasesDS")}},
        {6, QStringLiteral("InquireItem"),
         {QStringLiteral("InquireMDS"), QStringLiteral("InquireDDS"), QStringLiteral("SubInqMDS"),
          QStringLiteral("SubInqDDS")}},
        {7, QStringLiteral("QuoteItem"), {QStringLiteral("QuoteDS"), QStringLiteral("QuoteDDS")}},
        {8, QStringLiteral("OrderItem"), {QStringLiteral("OrderDS"), QStringLiteral("OrderDDS")}},
        {9, QStringLiteral("ImpItem"),
         {QStringLiteral("ImportDS"), QStringLiteral("ImportDDS"), QStringLiteral("ImpRetDS"),
          QStringLiteral("ImpRetDDS"), QStringLiteral("IWOffDS"), QStringLiteral("IWOffDDS")}},
        {10, QStringLiteral("ExpItem"),
         {QStringLiteral("ExportDS"), QStringLiteral("ExportDDS"), QStringLiteral("ExpRetDS"),
          QStringLiteral("ExpRetDDS"), QStringLiteral("EWOffDS"), QStringLiteral("EWOffDDS")}},
        {11, QStringLiteral("BRStockItem"), {QStringLiteral("BRStockDS")}},
        {13, QStringLiteral("BuyItem"), {QStringLiteral("BuyDS"), QStringLiteral("BuyDDS")}},
        {15, QStringLiteral("RateItem"), {QStringLiteral("RateDS")}},
    };
    return all;
}

Effects effects(const QString& loginArea, const QString& storedPriv)
{
    const QString priv = normalized(storedPriv);
    Effects e;
    if (loginArea != HeadOffice) {
        e.hiddenItems << QStringLiteral("ForwarderItem") << QStringLiteral("VoucherItem");
        e.readOnlyDatasets << QStringLiteral("VendorDS") << QStringLiteral("ForwarderDS")
                           << QStringLiteral("ClasesDS");
    }
    const auto denyModule = [&e](const Module& m) {
        e.disabledItems << m.menuItem;
        for (const QString& ds : m.datasets)
            e.readOnlyDatasets.insert(ds);
    };
    if (isManager(priv)) {
        // A manager keeps everything the stored string holds; a position it lacks grants nothing.
        for (const Module& m : modules()) {
            if (m.position >= storedPriv.size())
                denyModule(m);
        }
        if (BranchQuery >= storedPriv.size())
            e.disabledItems << QStringLiteral("VoucherItem");
        return e;
    }
    e.disabledItems << QStringLiteral("RLogItem");
    for (const Module& m : modules()) {
        const QChar c = priv.at(m.position);
        if (hexValue(c) < 0) {
            // "N" grants no more than "0": its datasets are read-only too, so no reading of the
            // string leaves a module writable that its owner may not even open.
            denyModule(m);
        } else if (c == QLatin1Char('0')) {
            for (const QString& ds : m.datasets)
                e.readOnlyDatasets.insert(ds);
        }
    }
    if (priv.at(BranchQuery) != QLatin1Char('1'))
        e.disabledItems << QStringLiteral("VoucherItem");
    return e;
}

} // namespace Privileges
