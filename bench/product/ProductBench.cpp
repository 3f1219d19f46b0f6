// Each operation of the product services on a generated company of 100,000 products, through
// the module on the embedded engine, against the same statements written by hand for SQLite on
// the same file. Targets: every check and price call under 1 ms, and within 1.2x of the
// hand-written SQL. Both sides are first checked to give the same answers. The benchmarks time
// each side on its own; the table at the end times the two sides in alternation, which is what
// the ratio is read from.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "bench/common/FastestRunReporter.h"
#include "bench/common/PairedRuns.h"
#include "bench/product/BenchCompany.h"
#include "bench/product/HandWritten.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "product/Dm_Product.h"

namespace {

using namespace productbench;

// The modules as the program creates them, connected to the bench company.
struct Engine {
    TDM dm;
    TDMConfig cfg;
    TDmProduct product;

    explicit Engine(const QString& dir) {
        cfg.UserId = kUser;
        connectToCompany(*dm.DMdata, dir);
    }
};

struct Fixture {
    QString dir = companyDirectory();
    Samples s = samples();
    Engine engine{dir};
    HandWritten hand{dir + QStringLiteral("/BENCH.sqlite")};
    QDateTime date{QDate(kYear, 6, 15), QTime(10, 30)};

    const Sample& product(size_t i) const { return s.products[i % s.products.size()]; }
    const PartSample& part(size_t i) const { return s.parts[i % s.parts.size()]; }
    const LotSample& lot(size_t i) const { return s.lots[i % s.lots.size()]; }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

QString text(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
QString text(double d) {
    return QString::number(d, 'g', 12);
}
QString text(const QString& s) {
    return s;
}

// One operation on both sides, with the arguments of the i-th sample.
struct Operation {
    const char* name;
    std::function<QString(TDmProduct&, const Fixture&, size_t)> engine;
    std::function<QString(HandWritten&, const Fixture&, size_t)> hand;
};

#define BOTH(engineCall, handCall)                       \
    [](TDmProduct& m, const Fixture& f, size_t i) {      \
        (void)f;                                         \
        (void)i;                                         \
        return text(engineCall);                         \
    },                                                   \
        [](HandWritten& h, const Fixture& f, size_t i) { \
            (void)f;                                     \
            (void)i;                                     \
            return text(handCall);                       \
        }

const std::vector<Operation> kOperations = {
    {"ExistsProduct",
     BOTH(m.ExistsProduct(f.product(i).code), h.existsProduct(f.product(i).code, kUser))},
    {"ExistsBarCode",
     BOTH(m.ExistsBarCode(f.product(i).barcode), h.existsBarCode(f.product(i).barcode))},
    {"ExistsProductUnit",
     BOTH(m.ExistsProductUnit(f.product(i).product, f.product(i).stockUnitName, {ukSale}),
          h.existsProductUnit(f.product(i).product, f.product(i).stockUnitName))},
    {"GetFirstUnit",
     BOTH(m.GetFirstUnit(f.product(i).product, {ukSale}), h.firstUnit(f.product(i).product))},
    {"GetStockUnit", BOTH(m.GetStockUnit(f.product(i).product), h.stockUnit(f.product(i).product))},
    {"ExistsWarehouse", BOTH(m.ExistsWarehouse(QStringLiteral("GW01")),
                             h.existsWarehouse(QStringLiteral("GW01"), kUser))},
    {"ExistsLotNo",
     BOTH(m.ExistsLotNo(f.lot(i).code, f.date), h.existsLotNo(f.lot(i).code, f.date))},
    {"LotNoOnHand", BOTH(m.LotNoOnHand(f.lot(i).lot, f.lot(i).product, f.s.warehouse, kYear),
                         h.lotNoOnHand(f.lot(i).lot, f.lot(i).product, f.s.warehouse, kYear))},
    {"ExistsSerialNo", BOTH(m.ExistsSerialNo(QStringLiteral("SN-1"), f.product(i).product),
                            h.existsSerialNo(QStringLiteral("SN-1"), f.product(i).product))},
    {"ExistsPartSource", BOTH(m.ExistsPartSource(f.part(i).unit, f.part(i).vendor),
                              h.existsPartSource(f.part(i).unit, f.part(i).vendor))},
    {"ExistsVendorPartCode",
     BOTH(m.ExistsVendorPartCode(f.part(i).purchaseCode, f.part(i).vendor),
          h.existsVendorPartCode(f.part(i).purchaseCode, f.part(i).vendor))},
    {"GetPrice", BOTH(m.GetPrice(f.product(i).customer, f.product(i).product,
                                 f.product(i).smallUnit, 1, f.date),
                      h.getPrice(f.product(i).customer, f.product(i).product,
                                 f.product(i).smallUnit, 1, f.date))},
    {"GetProjectPrice", BOTH(m.GetProjectPrice(f.product(i).customer, f.product(i).product,
                                               f.product(i).stockUnit, 1, f.s.project, f.date),
                             h.getProjectPrice(f.product(i).customer, f.product(i).product,
                                               f.product(i).stockUnit, 1, f.s.project, f.date))},
    {"SetPurchasePrice",
     BOTH(m.SetPurchasePrice(f.part(i).product, f.part(i).vendor + i % 2, 1, f.part(i).unit),
          h.setPurchasePrice(f.part(i).product, f.part(i).vendor + i % 2, 1, f.part(i).unit))},
    {"ProductQuantity", BOTH(m.ProductQuantity(f.product(i).product, kYear),
                             h.productQuantity(f.product(i).product, kYear))},
    {"ProductWHQuantity", BOTH(m.ProductWHQuantity(f.product(i).product, f.s.warehouse, kYear),
                               h.productWHQuantity(f.product(i).product, f.s.warehouse, kYear))},
    {"ProductUnitsWHQuantity",
     BOTH(m.ProductUnitsWHQuantity(f.product(i).product, f.product(i).smallUnit, f.s.warehouse,
                                   kYear),
          h.productUnitsWHQuantity(f.product(i).product, f.product(i).smallUnit, f.s.warehouse,
                                   kYear))},
    {"ShowQuantity",
     BOTH(m.ShowQuantity(f.product(i).product, 30), h.showQuantity(f.product(i).product, 30))},
};

#undef BOTH

// Both sides give the same answers for the first samples; the first difference otherwise.
QString firstDifference(const Operation& op) {
    Fixture& f = fixture();
    for (size_t i = 0; i < 50; ++i) {
        const QString engine = op.engine(f.engine.product, f, i);
        const QString hand = op.hand(f.hand, f, i);
        if (engine != hand)
            return QStringLiteral("sample %1: engine %2, hand-written %3").arg(i).arg(engine, hand);
    }
    return {};
}

void runEngine(benchmark::State& state, const Operation& op) {
    try {
        if (const QString d = firstDifference(op); !d.isEmpty()) {
            state.SkipWithError(d.toUtf8().constData());
            return;
        }
        Fixture& f = fixture();
        size_t i = 0;
        for (auto _ : state)
            benchmark::DoNotOptimize(op.engine(f.engine.product, f, i++));
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void runHandWritten(benchmark::State& state, const Operation& op) {
    try {
        Fixture& f = fixture();
        size_t i = 0;
        for (auto _ : state)
            benchmark::DoNotOptimize(op.hand(f.hand, f, i++));
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// How the benchmarks run unless the command line says otherwise (a flag given there comes later
// and wins): three repetitions of 0.1 s each, those of all operations and both sides in a random
// order.
std::vector<char*> withDefaults(int argc, char** argv) {
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char repetitions[] = "--benchmark_repetitions=3";
    static char seconds[] = "--benchmark_min_time=0.1";
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, {interleave, repetitions, seconds});
    return args;
}

// The operation on both sides in alternation; only for an operation whose benchmarks both ran
// (a filter may leave one out, and a side that gives other answers fails its benchmark).
void printPairedTable(const bench::FastestRunReporter& ran) {
    std::printf(
        "\n%-24s %12s %12s %7s  (CPU per call, engine and hand-written timed in alternation, "
        "medians of 101 pairs of runs; targets: engine < 1000 us, ratio <= 1.2)\n",
        "operation", "engine us", "sqlite us", "ratio");
    Fixture& f = fixture();
    for (const Operation& op : kOperations) {
        const std::string name(op.name);
        if (!ran.fastest(name + "/Engine") || !ran.fastest(name + "/HandWrittenSqlite"))
            continue;
        const bench::PairedTiming t = bench::comparePaired(
            [&](size_t i) { benchmark::DoNotOptimize(op.engine(f.engine.product, f, i)); },
            [&](size_t i) { benchmark::DoNotOptimize(op.hand(f.hand, f, i)); });
        std::printf("%-24s %12.1f %12.1f %7.2f%s\n", op.name, t.firstUs, t.secondUs, t.ratio,
                    t.firstUs < 1000 && t.ratio <= 1.2 ? "" : "  <- off target");
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<char*> args = withDefaults(argc, argv);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    for (const Operation& op : kOperations) {
        benchmark::RegisterBenchmark((std::string(op.name) + "/Engine").c_str(), runEngine, op)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string(op.name) + "/HandWrittenSqlite").c_str(),
                                     runHandWritten, op)
            ->Unit(benchmark::kMicrosecond);
    }
    bench::FastestRunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printPairedTable(reporter);
    benchmark::Shutdown();
    return 0;
}
