// Line entry of the documents: book lookup, prices, amounts, partner checks and the write-off
// computed values. The rules sit on the shared datasets, so every window gets them.

#include <cmath>
#include <utility>

#include <QSqlQuery>
#include <QTime>

#include "data/ExtendedMath.h"
#include "data/TDialogs.h"
#include "data/TMainDM.h"

namespace {

const QString NoSuchBook = QStringLiteral("查無此書籍資料");
const QString NT = QStringLiteral("NT");

/// The double nearest to 10^-decimals, as the amounts were always rounded with.
double factorFor(int decimals)
{
    static const double factors[] = {1.0, 0.1, 0.01, 0.001, 0.0001};
    if (decimals >= 0 && decimals < int(std::size(factors)))
        return factors[decimals];
    return QStringLiteral("1e-%1").arg(decimals).toDouble();
}

double positiveRound(double value, double f)
{
    // The quotient and the half are formed in extended precision, as stored amounts always were;
    // with a double quotient 0.125 would round to 0.13 and disagree with the amounts on file.
    return ExtendedMath::roundQuotient(value, f);
}

double amountOf(const QVariant& qty, const QVariant& price, const QVariant& disc)
{
    return ExtendedMath::product(qty.toDouble(), price.toDouble(), disc.toDouble());
}

int decimalsFor(const QString& currency)
{
    return currency == NT ? 0 : 2;
}

/// Sets a field from inside a rule without running its own entry hook again.
bool setQuietly(TField& field, const QVariant& value)
{
    auto hook = std::exchange(field.onValidate, nullptr);
    const bool ok = field.setValue(value);
    field.onValidate = std::move(hook);
    return ok;
}

void chainHook(TDataSet::Hook& hook, TDataSet::Hook next)
{
    hook = [before = hook, next = std::move(next)](TDataSet& ds) {
        if (before)
            before(ds);
        next(ds);
    };
}

} // namespace

double TMainDM::RoundAmount(double value, int decimals)
{
    if (std::isnan(value) || value == 0)
        return value == 0 ? 0.0 : value;
    const double f = factorFor(decimals);
    if (value > 0)
        return positiveRound(value, f);
    return -positiveRound(-value, f);
}

void TMainDM::CalcUnSum(TDataSet& line, const QString& currency)
{
    const double amount = amountOf(line.fieldByName(QStringLiteral("Qty")).value(),
                                   line.fieldByName(QStringLiteral("Price")).value(),
                                   line.fieldByName(QStringLiteral("Disc")).value());
    line.fieldByName(QStringLiteral("UnSum")).setValue(RoundAmount(amount, decimalsFor(currency)));
}

namespace {

/// The rate of a currency in the exchange-rate table, ignoring letter case; 1 when it has none.
double rateOf(TDataSet& rates, const QString& currency)
{
    if (!rates.isActive() && !rates.open())
        return 1;
    for (int row = 0; row < rates.recordCount(); ++row) {
        if (rates.value(row, QStringLiteral("ORI_CR"))
                .toString()
                .trimmed()
                .compare(currency, Qt::CaseInsensitive) == 0) {
            const QVariant rate = rates.value(row, QStringLiteral("rate"));
            return rate.isNull() ? 1.0 : rate.toDouble();
        }
    }
    return 1;
}

} // namespace

void TMainDM::ApplyBookPrice(TDataSet& line, QChar side, bool foreign, const QString& discountClass)
{
    const QString cls = discountClass.trimmed().toUpper();
    TField& disc = line.fieldByName(QStringLiteral("Disc"));
    setQuietly(disc, 1);
    TDataSet& partner = side.toUpper() == QLatin1Char('V') ? VenDS : CustDS;
    if (cls.size() == 1 && cls.at(0) >= QLatin1Char('A') && cls.at(0) <= QLatin1Char('F') &&
        partner.isActive() && partner.recNo() >= 0) {
        const QVariant d = partner.fieldByName(QStringLiteral("Disc") + cls).value();
        // A stored factor outside the range would be refused as typed; the line keeps 1 then.
        if (!d.isNull() && d.toDouble() > 0 && d.toDouble() <= 1)
            setQuietly(disc, d.toDouble());
    }

    QString currency =
        ChBookDS.fieldByName(QStringLiteral("ORI_CR")).asString().trimmed().toUpper();
    if (currency.isEmpty())
        currency = NT;
    TField& price = line.fieldByName(QStringLiteral("Price"));
    TField& cr = line.fieldByName(QStringLiteral("ORI_CR"));
    TField& rate = line.fieldByName(QStringLiteral("rate"));
    if (foreign && currency != NT) {
        setQuietly(price, ChBookDS.fieldByName(QStringLiteral("FPrice")).value());
        setQuietly(cr, currency);
        setQuietly(rate, rateOf(RateDS, currency));
    } else {
        // A document in New Taiwan dollars always prices in them, whatever the book's currency.
        setQuietly(price, ChBookDS.fieldByName(QStringLiteral("NTPrice")).value());
        setQuietly(rate, 1);
        setQuietly(cr, NT);
    }
    CalcUnSum(line, cr.asString());
}

bool TMainDM::EnterBookText(TDataSet& line, const QString& op, const QString& text)
{
    if (!line.isEditing())
        return false;
    QVariant typedValue;
    if (!LookUpLineBook(line, op, text, &typedValue))
        return false;
    // A bar code typed into a document line only finds the book; the line keeps no copy of it.
    if (&line != &CTempDS && op.compare(QLatin1String("BarCode"), Qt::CaseInsensitive) == 0)
        return true;
    return setQuietly(line.fieldByName(op), typedValue);
}

bool TMainDM::LookUpLineBook(TDataSet& line, const QString& op, const QString& text,
                             QVariant* typedValue)
{
    const QString typed = text.trimmed();
    if (!CheckBook(op, typed) || ChBookDS.isEmpty()) {
        TDialogs::error(NoSuchBook);
        return false;
    }
    ChBookDS.first();
    const bool byBarCode = op.compare(QLatin1String("BarCode"), Qt::CaseInsensitive) == 0;
    const auto book = [this](const char* column) {
        return ChBookDS.fieldByName(QLatin1String(column)).value();
    };
    if (&line == &CTempDS) {
        // The scratch lines hold their own copies of the book's columns.
        setQuietly(
            line.fieldByName(byBarCode ? QStringLiteral("BookNo") : QStringLiteral("BarCode")),
            book(byBarCode ? "BookNo" : "BarCode"));
        for (const char* column :
             {"BookName", "Author", "BPublisher", "NTPrice", "FPrice", "Stocks", "SafeStock"})
            setQuietly(line.fieldByName(QLatin1String(column)), book(column));
        *typedValue = typed;
    } else {
        // A scanned bar code is not stored: it shows once the saved line is read again.
        if (byBarCode) {
            if (!setQuietly(line.fieldByName(QStringLiteral("BookNo")), book("BookNo")))
                return false;
            *typedValue = line.fieldByName(QStringLiteral("BarCode")).value();
        } else {
            *typedValue = typed;
        }
        TDialogs::information(QStringLiteral("品名:") + book("BookName").toString() +
                              QStringLiteral("\r\n作者:") + book("Author").toString() +
                              QStringLiteral("\r\n出版商:") + book("BPublisher").toString());
    }

    const QString cls = book("KDiscount").toString();
    switch (DocKind) {
    case 1:
    case 3:
    case 5:
    case 7: {
        TDataSet* header = line.master();
        ApplyBookPrice(line, QLatin1Char('C'),
                       header && header->fieldByName(QStringLiteral("MKind")).asBoolean(), cls);
        break;
    }
    case 2:
    case 4:
    case 6: {
        TDataSet* header = line.master();
        ApplyBookPrice(line, QLatin1Char('V'),
                       header && header->fieldByName(QStringLiteral("MKind")).asBoolean(), cls);
        break;
    }
    case 12:
        ApplyBookPrice(line, QLatin1Char('C'), CounterForeign, cls);
        break;
    default:
        break;
    }
    return true;
}

void TMainDM::LinkPartner(TDataSet& header)
{
    // A purchase header also names a customer; its partner is still the supplier.
    const bool supplier =
        &header == &BuyDS || &header == &ImportDS || &header == &ImpRetDS || &header == &IWOffDS;
    TDataSet& partner = supplier ? VenDS : CustDS;
    partner.setMaster(&header);
    if (partner.isActive())
        partner.requery();
    else
        partner.open();
}

QVariant TMainDM::OffPay(const TDataSet& lines, int row)
{
    const QVariant spay = lines.value(row, QStringLiteral("SPay"));
    const QVariant sumPay = lines.value(row, QStringLiteral("SumPay"));
    const QVariant off = lines.value(row, QStringLiteral("OffMoney"));
    if (spay.isNull() || sumPay.isNull() || off.isNull())
        return {};
    return spay.toDouble() - sumPay.toDouble() - off.toDouble();
}

QVariant TMainDM::PayResult(TDataSet& header)
{
    TDataSet* totals = &header == &IWOffDS ? &IWOffTDS : &header == &EWOffDS ? &EWOffTDS : nullptr;
    if (!totals || !totals->isActive() || totals->recNo() < 0)
        return {};
    const QVariant spay = totals->fieldByName(QStringLiteral("SumSPay")).value();
    const QVariant tpay = totals->fieldByName(QStringLiteral("SumTPay")).value();
    const QVariant off = totals->fieldByName(QStringLiteral("SumOff")).value();
    const QVariant pOff = header.fieldByName(QStringLiteral("POff")).value();
    if (spay.isNull() || tpay.isNull() || off.isNull() || pOff.isNull())
        return {};
    return spay.toDouble() - tpay.toDouble() - off.toDouble() - pOff.toDouble();
}

void TMainDM::AttachLineRules()
{
    const QList<TDataSet*> lines = {&QuoteDDS,  &OrderDDS,  &BuyDDS,   &ImportDDS,
                                    &ImpRetDDS, &ExportDDS, &ExpRetDDS};

    for (TDataSet* ds : lines + QList<TDataSet*>{&CTempDS}) {
        chainHook(ds->onNewRecord, [](TDataSet& d) {
            d.fieldByName(QStringLiteral("Price")).setValue(0);
            d.fieldByName(QStringLiteral("Qty")).setValue(1);
            d.fieldByName(QStringLiteral("Disc")).setValue(1);
            d.fieldByName(QStringLiteral("ORI_CR")).setValue(NT);
            d.fieldByName(QStringLiteral("rate")).setValue(1);
            d.fieldByName(QStringLiteral("ETime"))
                .setValue(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
        });

        for (const char* op : {"BookNo", "BarCode"}) {
            const QString name = QLatin1String(op);
            // Only typed text is looked up: a line filled by code (conversions, copies) keeps
            // its own figures and shows no information box.
            ds->fieldByName(name).onSetText = [this, ds, name](TField&, const QString& text) {
                return EnterBookText(*ds, name, text);
            };
        }

        // The discount of a line lies in (0, 1] like the partners' factors; the check comes
        // first so its message shows once.
        TField& disc = ds->fieldByName(QStringLiteral("Disc"));
        disc.onValidate = [previous = disc.onValidate](TField& f, QVariant& v) {
            if (!v.isNull() && !(v.toDouble() > 0 && v.toDouble() <= 1)) {
                TDialogs::error(QStringLiteral("折扣應介於1~0.0001"));
                return false;
            }
            return !previous || previous(f, v);
        };
        // Typed quantities, prices and discounts recompute the amount in the line's currency,
        // also when the same value is typed again after the currency changed; a figure changed
        // any other way (a spin button, a copy) recomputes it too.
        for (const char* name : {"Price", "Qty", "Disc"}) {
            ds->fieldByName(QLatin1String(name)).onSetText = [](TField& f, const QString& text) {
                const QString t = text.trimmed();
                QVariant value;
                if (!t.isEmpty()) {
                    bool ok = false;
                    value = f.type() == ColType::Decimal ? QVariant(t.toDouble(&ok))
                                                         : QVariant(t.toLongLong(&ok));
                    if (!ok)
                        return false;
                }
                if (!f.setValue(value))
                    return false;
                TDataSet& d = *f.dataSet();
                CalcUnSum(d, d.fieldByName(QStringLiteral("ORI_CR")).asString());
                return true;
            };
            ds->fieldByName(QLatin1String(name)).onChange = [](TField& f) {
                TDataSet& d = *f.dataSet();
                CalcUnSum(d, d.fieldByName(QStringLiteral("ORI_CR")).asString());
            };
        }

        // A typed currency changes the rate, not the amount: the next typed figure rounds anew.
        ds->fieldByName(QStringLiteral("ORI_CR")).onSetText = [this](TField& f,
                                                                     const QString& text) {
            const QString code = text.trimmed().toUpper();
            if (!f.setValue(code))
                return false;
            f.dataSet()
                ->fieldByName(QStringLiteral("rate"))
                .setValue(code == NT ? 1.0 : rateOf(RateDS, code));
            return true;
        };
    }
    const TDataSet::Hook bookRequired = [](TDataSet& d) {
        if (d.fieldByName(QStringLiteral("BookNo")).asString().trimmed().isEmpty()) {
            TDialogs::warning(QStringLiteral("請輸入書籍編號"));
            TDataSet::abort();
        }
    };
    // Lines of kinds 1 to 7 run LineCheck before their save; the scratch lines check on their own.
    chainHook(LineCheck, bookRequired);
    chainHook(CTempDS.beforePost, bookRequired);

    // Partners typed into document headers; a partner put in by code is checked by the database.
    const auto customerCheck = [this](bool shipment) {
        return [this, shipment](TField& f, const QString& text) {
            if (!f.dataSet()->isEditing())
                return false;
            const QString no = text.trimmed();
            QSqlQuery q(MainADOCon.database());
            q.prepare(QStringLiteral("select CLock from Customer where CustNo=?"));
            q.bindValue(0, no);
            if (!q.exec() || !q.next()) {
                TDialogs::error(QStringLiteral("查無此客戶資料"));
                return false;
            }
            const bool locked = q.value(0).toInt() != 0;
            q.finish();
            if (shipment && locked) {
                TDialogs::error(QStringLiteral("此客戶已被鎖定，不可出貨"));
                return false;
            }
            return f.setValue(no);
        };
    };
    for (TDataSet* ds : {&QuoteDS, &OrderDS, &ExpRetDS, &SubInqMDS})
        ds->fieldByName(QStringLiteral("CustNo")).onSetText = customerCheck(false);
    ExportDS.fieldByName(QStringLiteral("CustNo")).onSetText = customerCheck(true);
    for (TDataSet* ds : {&ImportDS, &ImpRetDS, &BuyDS}) {
        ds->fieldByName(QStringLiteral("VNo")).onSetText = [this](TField& f, const QString& text) {
            if (!f.dataSet()->isEditing())
                return false;
            const QString no = text.trimmed();
            QSqlQuery q(MainADOCon.database());
            q.prepare(QStringLiteral("select VNo from Vendor where VNo=?"));
            q.bindValue(0, no);
            if (!q.exec() || !q.next()) {
                TDialogs::error(QStringLiteral("查無此供應商資料"));
                return false;
            }
            q.finish();
            return f.setValue(no);
        };
    }
    // Once a header's partner changed, a linked CustDS/VenDS follows it at once, so the lines
    // typed next are priced with that partner's discounts.
    for (TDataSet* ds :
         {&QuoteDS, &OrderDS, &ExpRetDS, &SubInqMDS, &ExportDS, &ImportDS, &ImpRetDS, &BuyDS}) {
        const bool supplier = ds == &ImportDS || ds == &ImpRetDS || ds == &BuyDS;
        ds->fieldByName(supplier ? QStringLiteral("VNo") : QStringLiteral("CustNo")).onChange =
            [this, ds, supplier](TField&) {
                TDataSet& partner = supplier ? VenDS : CustDS;
                if (partner.master() == ds && partner.isActive())
                    partner.requery();
            };
    }

    // Inquiries are for books not yet in the catalogue.
    for (TDataSet* ds : {&InquireDDS, &SubInqDDS}) {
        ds->fieldByName(QStringLiteral("BookNo")).onSetText = [this](TField& f,
                                                                     const QString& text) {
            const QString no = text.trimmed();
            if (no.isEmpty() || !f.dataSet()->isEditing())
                return false;
            if (CheckBook(QStringLiteral("BookNo"), no) && !ChBookDS.isEmpty()) {
                TDialogs::error(QStringLiteral("此書籍編碼已經存在"));
                return false;
            }
            return f.setValue(no);
        };
    }
}
