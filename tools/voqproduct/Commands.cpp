#include "tools/voqproduct/Commands.h"

#include <functional>
#include <vector>

#include "db/Query.h"
#include "product/Dm_Product.h"
#include "tools/voqproduct/Report.h"
#include "ui/MessageBox.h"

namespace voqproduct {

namespace {

using product::PriceStep;

struct Command {
    const char* name;
    const char* arguments;
    const char* purpose;
    Outcome (*run)(TDmProduct&, const Options&);
};

// Raises UsageError when the count of arguments is not the one the command takes: the words
// of its synopsis before the first optional part.
void checkArgumentCount(const Command& c, const Options& o) {
    const QString synopsis = QString::fromLatin1(c.arguments).section(u'[', 0, 0);
    if (o.args.size() != synopsis.split(u' ', Qt::SkipEmptyParts).size())
        throw UsageError(QStringLiteral("%1 takes %2").arg(o.command, QLatin1String(c.arguments)));
}

// The command's argument at `index` as a whole number, named after its synopsis word.
int integer(const Options& o, qsizetype index, const char* what) {
    return parseInteger(o.args.at(index), QString::fromLatin1(what));
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

QString dateText(const QDateTime& d) {
    return d.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

// "Operation(a, b, ...)" as the output's first line names the call.
QString call(const char* operation, const QStringList& args) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(operation), args.join(QStringLiteral(", ")));
}

QString number(qint64 n) {
    return QString::number(n);
}

// "call = result", the members set, then the rows the operation left open.
Outcome report(bool found, const QString& callText, const QString& result,
               const QStringList& members, const std::vector<const db::Query*>& rows) {
    Outcome out{found ? kFound : kNotFound, {callText + QStringLiteral(" = ") + result}};
    out.lines += members;
    for (const db::Query* q : rows)
        out.lines += rowLines(*q);
    return out;
}

Outcome checked(bool found, const QString& callText, const std::vector<const db::Query*>& rows) {
    return report(found, callText, found ? QStringLiteral("true") : QStringLiteral("false"), {},
                  rows);
}

Outcome named(const QString& name, const QString& callText, const db::Query& row) {
    return report(!name.isEmpty(), callText, quoted(name), {}, {&row});
}

Outcome product(TDmProduct& m, const Options& o) {
    m.ByBarCode = o.byBarCode;
    Outcome out = checked(m.ExistsProduct(o.args[0]), call("ExistsProduct", {quoted(o.args[0])}),
                          o.byBarCode ? std::vector<const db::Query*>{m.QChkBarCode, m.QChkProduct}
                                      : std::vector<const db::Query*>{m.QChkProduct});
    out.lines.insert(1, QStringLiteral("SpecialName = ") + quoted(m.SpecialName));
    return out;
}

Outcome barcode(TDmProduct& m, const Options& o) {
    return checked(m.ExistsBarCode(o.args[0]), call("ExistsBarCode", {quoted(o.args[0])}),
                   {m.QChkBarCode});
}

QString kindsText(TUnitKinds kinds) {
    return QStringLiteral("kinds ") + number(kinds.bits());
}

Outcome unit(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID");
    return checked(
        m.ExistsProductUnit(productId, o.args[1], o.kinds),
        call("ExistsProductUnit", {number(productId), quoted(o.args[1]), kindsText(o.kinds)}),
        {m.QChkUnit});
}

Outcome firstUnit(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID");
    return named(m.GetFirstUnit(productId, o.kinds),
                 call("GetFirstUnit", {number(productId), kindsText(o.kinds)}), *m.QDefaultUnit);
}

Outcome stockUnit(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID");
    return named(m.GetStockUnit(productId), call("GetStockUnit", {number(productId)}),
                 *m.QStockUnit);
}

Outcome smallUnit(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID");
    return named(m.GetSmallUnit(productId), call("GetSmallUnit", {number(productId)}),
                 *m.QSmallUnit);
}

Outcome warehouse(TDmProduct& m, const Options& o) {
    return checked(m.ExistsWarehouse(o.args[0]), call("ExistsWarehouse", {quoted(o.args[0])}),
                   {m.QChkWarehouse});
}

Outcome attributeCode(TDmProduct& m, const Options& o) {
    const int group = integer(o, 0, "GROUP-ID");
    return checked(m.ExistsProdAttrCode(group, o.args[1]),
                   call("ExistsProdAttrCode", {number(group), quoted(o.args[1])}),
                   {m.QChkProdAttrCode});
}

Outcome projectItem(TDmProduct& m, const Options& o) {
    const int project = integer(o, 1, "PROJECT-ID");
    return checked(m.ExistsProjectItemCode(o.args[0], project),
                   call("ExistsProjectItemCode", {quoted(o.args[0]), number(project)}),
                   {m.QChkProjectItemCode});
}

Outcome lot(TDmProduct& m, const Options& o) {
    return checked(m.ExistsLotNo(o.args[0], o.date),
                   call("ExistsLotNo", {quoted(o.args[0]), dateText(o.date)}), {m.QChkLotNo});
}

Outcome lotOnHand(TDmProduct& m, const Options& o) {
    const int lotId = integer(o, 0, "LOT-ID"), productId = integer(o, 1, "PRODUCT-ID"),
              warehouseId = integer(o, 2, "WAREHOUSE-ID"), year = integer(o, 3, "YEAR");
    const double quantity = m.LotNoOnHand(lotId, productId, warehouseId, year);
    // A sum over no rows at all is NULL: the lot has never been in that warehouse.
    const bool anyRows = !m.QChkLotOnHand->fieldByName(QStringLiteral("LotQnty")).isNull();
    return report(
        anyRows,
        call("LotNoOnHand", {number(lotId), number(productId), number(warehouseId), number(year)}),
        printable(quantity), {}, {m.QChkLotOnHand});
}

Outcome serial(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID");
    return checked(m.ExistsSerialNo(o.args[1], productId),
                   call("ExistsSerialNo", {quoted(o.args[1]), number(productId)}), {m.QChkSerial});
}

Outcome partSource(TDmProduct& m, const Options& o) {
    const int unitId = integer(o, 0, "UNIT-ID"), vendorId = integer(o, 1, "VENDOR-ID");
    return checked(m.ExistsPartSource(unitId, vendorId),
                   call("ExistsPartSource", {number(unitId), number(vendorId)}),
                   {m.QExistsPartSource, m.QExistsPartSource_PR, m.QPriceStandard});
}

Outcome vendorPart(TDmProduct& m, const Options& o) {
    const int vendorId = integer(o, 1, "VENDOR-ID");
    return checked(m.ExistsVendorPartCode(o.args[0], vendorId),
                   call("ExistsVendorPartCode", {quoted(o.args[0]), number(vendorId)}),
                   {m.QChkPartSource});
}

// Runs a price operation with the module telling its steps; the price goes to `price`.
std::vector<PriceStep> stepsOf(TDmProduct& m, double& price,
                               const std::function<double()>& operation) {
    std::vector<PriceStep> steps;
    m.setPriceObserver([&](const PriceStep& s) { steps.push_back(s); });
    try {
        price = operation();
    } catch (...) {
        m.setPriceObserver({});
        throw;
    }
    m.setPriceObserver({});
    return steps;
}

// A price with its members and steps: found when any source but the caller's default had a row.
Outcome priced(const QString& callText, double price, const std::vector<PriceStep>& steps,
               const QStringList& members) {
    bool anyRow = false;
    for (const PriceStep& s : steps)
        anyRow = anyRow || (s.found && s.source != product::PriceSource::DefaultPrice);
    Outcome out = report(anyRow, callText, printable(price), members, {});
    out.lines << QStringLiteral("how:") << explainPrice(steps);
    return out;
}

QStringList saleMembers(const TDmProduct& m) {
    return {QStringLiteral("PriceDiscount = ") + quoted(m.PriceDiscount),
            QStringLiteral("PriceQuantity = ") + number(m.PriceQuantity)};
}

Outcome price(TDmProduct& m, const Options& o) {
    const int customer = integer(o, 0, "CUSTOMER-ID"), productId = integer(o, 1, "PRODUCT-ID"),
              unitId = integer(o, 2, "UNIT-ID"), type = integer(o, 3, "PRICE-TYPE");
    const QDateTime date = parseDate(o.args[4]);
    m.UseStockUnitPrice = o.stockUnitPrice;
    double p = 0;
    const auto steps =
        stepsOf(m, p, [&] { return m.GetPrice(customer, productId, unitId, type, date); });
    return priced(call("GetPrice", {number(customer), number(productId), number(unitId),
                                    number(type), dateText(date)}),
                  p, steps, saleMembers(m));
}

Outcome projectPrice(TDmProduct& m, const Options& o) {
    const int customer = integer(o, 0, "CUSTOMER-ID"), productId = integer(o, 1, "PRODUCT-ID"),
              unitId = integer(o, 2, "UNIT-ID"), type = integer(o, 3, "PRICE-TYPE"),
              project = integer(o, 4, "PROJECT-ID");
    const QDateTime date = parseDate(o.args[5]);
    double p = 0;
    const auto steps = stepsOf(
        m, p, [&] { return m.GetProjectPrice(customer, productId, unitId, type, project, date); });
    return priced(call("GetProjectPrice", {number(customer), number(productId), number(unitId),
                                           number(type), number(project), dateText(date)}),
                  p, steps, saleMembers(m));
}

Outcome purchasePrice(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID"), vendorId = integer(o, 1, "VENDOR-ID"),
              unitId = integer(o, 3, "UNIT-ID");
    const double fallback = parseNumber(o.args[2], QStringLiteral("DEFAULT-PRICE"));
    double p = 0;
    const auto steps =
        stepsOf(m, p, [&] { return m.SetPurchasePrice(productId, vendorId, fallback, unitId); });
    return priced(call("SetPurchasePrice",
                       {number(productId), number(vendorId), printable(fallback), number(unitId)}),
                  p, steps, {});
}

Outcome quantity(const QString& callText, const QString& text, const db::Query& row,
                 const QStringList& members = {}) {
    return report(text != u"Error", callText, quoted(text), members, {&row});
}

Outcome onHand(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID"), year = integer(o, 1, "YEAR");
    if (o.hasUnit && !o.hasWarehouse)
        throw UsageError(QStringLiteral("onhand --unit needs --warehouse"));
    if (!o.hasWarehouse)
        return quantity(call("ProductQuantity", {number(productId), number(year)}),
                        m.ProductQuantity(productId, year), *m.QOnHand);
    QString text;
    QString callText;
    const db::Query* row = nullptr;
    if (o.hasUnit) {
        text = m.ProductUnitsWHQuantity(productId, o.unit, o.warehouse, year);
        callText = call("ProductUnitsWHQuantity",
                        {number(productId), number(o.unit), number(o.warehouse), number(year)});
        row = m.QOnhandWHunits;
    } else {
        text = m.ProductWHQuantity(productId, o.warehouse, year);
        callText =
            call("ProductWHQuantity", {number(productId), number(o.warehouse), number(year)});
        row = m.QOnhandWH;
    }
    return quantity(callText, text, *row,
                    {QStringLiteral("OnHandQuantity = ") + printable(m.OnHandQuantity)});
}

Outcome showQuantity(TDmProduct& m, const Options& o) {
    const int productId = integer(o, 0, "PRODUCT-ID");
    const double q = parseNumber(o.args[1], QStringLiteral("QUANTITY"));
    return quantity(call("ShowQuantity", {number(productId), printable(q)}),
                    m.ShowQuantity(productId, q), *m.QShowQnty);
}

const Command kCommands[] = {
    {"product", "CODE [--barcode]", "ExistsProduct: the product of a code, or of a barcode",
     product},
    {"barcode", "BARCODE", "ExistsBarCode: the unit and product of a barcode", barcode},
    {"unit", "PRODUCT-ID UNIT-NAME [--kinds K,...]",
     "ExistsProductUnit: a unit of the product with any of the kinds", unit},
    {"first-unit", "PRODUCT-ID [--kinds K,...]", "GetFirstUnit: the smallest unit with every kind",
     firstUnit},
    {"stock-unit", "PRODUCT-ID", "GetStockUnit", stockUnit},
    {"small-unit", "PRODUCT-ID", "GetSmallUnit", smallUnit},
    {"warehouse", "CODE",
     "ExistsWarehouse, restricted to the user's warehouses when the "
     "company says so",
     warehouse},
    {"attr-code", "GROUP-ID CODE", "ExistsProdAttrCode", attributeCode},
    {"project-item", "CODE PROJECT-ID", "ExistsProjectItemCode", projectItem},
    {"lot", "CODE [--date DD/MM/YYYY[ HH:MM:SS]]",
     "ExistsLotNo: the lot exists and has not expired on the date (default now)", lot},
    {"lot-onhand", "LOT-ID PRODUCT-ID WAREHOUSE-ID YEAR", "LotNoOnHand", lotOnHand},
    {"serial", "PRODUCT-ID SERIAL",
     "ExistsSerialNo: registers the serial first when the product asks for it", serial},
    {"part-source", "UNIT-ID VENDOR-ID", "ExistsPartSource", partSource},
    {"vendor-part", "CODE VENDOR-ID", "ExistsVendorPartCode", vendorPart},
    {"price", "CUSTOMER-ID PRODUCT-ID UNIT-ID PRICE-TYPE DATE [--stock-unit-price]",
     "GetPrice, with the source of the price and the discount", price},
    {"project-price", "CUSTOMER-ID PRODUCT-ID UNIT-ID PRICE-TYPE PROJECT-ID DATE",
     "GetProjectPrice, with the source of the price and the discount", projectPrice},
    {"purchase-price", "PRODUCT-ID VENDOR-ID DEFAULT-PRICE UNIT-ID",
     "SetPurchasePrice, with the source of the price", purchasePrice},
    {"onhand", "PRODUCT-ID YEAR [--warehouse WAREHOUSE-ID [--unit UNIT-ID]]",
     "ProductQuantity, ProductWHQuantity or ProductUnitsWHQuantity", onHand},
    {"show-quantity", "PRODUCT-ID QUANTITY", "ShowQuantity", showQuantity},
};

}  // namespace

Outcome runCommand(TDmProduct& module, const Options& options) {
    for (const Command& c : kCommands) {
        if (options.command != QLatin1String(c.name))
            continue;
        checkArgumentCount(c, options);
        QStringList messages;
        ui::setMessageBoxResponder([&](const ui::MessageBoxRequest& r) {
            messages << QStringLiteral("message: ") + r.text;
            return true;
        });
        Outcome out;
        try {
            out = c.run(module, options);
        } catch (...) {
            ui::setMessageBoxResponder(nullptr);
            throw;
        }
        ui::setMessageBoxResponder(nullptr);
        out.lines = messages + out.lines;
        return out;
    }
    throw UsageError(QStringLiteral("unknown command '%1'").arg(options.command));
}

QString usageText() {
    QString text = QStringLiteral(
        "Usage: voq-product -S server -d company-database [-U user] [-P password] [-u user-id]\n"
        "                   COMMAND ARGUMENTS\n"
        "Runs one operation of the product services on the company database and prints its\n"
        "result, the members it set and the rows it left open. Dates are dd/mm/yyyy; unit kinds\n"
        "are sale, purc, stock, small. -u is the suite's user whose warehouses the checks may\n"
        "use when the company restricts them. Exit status: 0 found, 1 not found, 2 error.\n"
        "Commands:\n");
    for (const Command& c : kCommands)
        text +=
            QStringLiteral("  %1 %2\n      %3\n")
                .arg(QLatin1String(c.name), QLatin1String(c.arguments), QLatin1String(c.purpose));
    return text;
}

}  // namespace voqproduct
