// Each lookup dialog's search on the generated company of bench/product (100,000 products, two
// units with a barcode each) with one million document lines, through the embedded engine, as a
// user starts it: the search handler runs the statement and the grid paints its first rows.
// Targets: the first rows on screen under 100 ms, a whole "contains" product search under 500 ms,
// the barcode search with its stock and backorder columns under 1 s. Each case reports the rows
// listed and the process's resident memory with those rows held. A grid over every product shows
// that a long result opens at once: its first page is read, against the whole result read as
// before.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QFile>
#include <functional>
#include <memory>

#include "bench/product/BenchCompany.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "db/Connection.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "lookup/Fr_SearchBarCode.h"
#include "lookup/Fr_SearchLotNo.h"
#include "lookup/Fr_SearchUnit.h"
#include "lookup/U_SearchProduct.h"
#include "lookup/U_SearchWareHouse.h"
#include "ui/Application.h"
#include "ui/DataGrid.h"
#include "ui/Edit.h"

namespace {

using namespace productbench;

// The barcode search's backorder column sums every open order and invoice line.
constexpr int kDocumentLines = 1000000;

// The modules as the program creates them, connected to the bench company, and the dialogs.
struct Lookups {
    TDM dm;
    TDMConfig cfg;
    TF_SearchProduct product;
    TFrSearchBarCode barcode;
    TFrSearchLotNo lot;
    TFrSearchUnit unit;
    TF_SearchWareHouse warehouse;

    explicit Lookups(const QString& dir) {
        cfg.UserId = kUser;
        cfg.ThaiLanguage = true;
        connectToCompany(*dm.DMdata, dir);
    }
};

// Made in main, after the application object and gone before it.
std::unique_ptr<Lookups> made;

Lookups& lookups() {
    return *made;
}

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs `search` on the shown dialog and paints its grid each iteration.
template <typename Dialog>
void measure(benchmark::State& state, Dialog& dialog, ui::DataGrid& grid, db::Query& rows,
             const std::function<void()>& search) {
    dialog.show();
    for (auto _ : state) {
        search();
        benchmark::DoNotOptimize(grid.grab());
    }
    state.counters["rows"] = rows.recordCount();
    state.counters["resident_MB"] = residentMegabytes();
    rows.close();
    dialog.hide();
}

// A product search; `readWhole` reads every row, as the end of the list scrolled to.
void productSearch(benchmark::State& state, const QString& code, const QString& name,
                   bool readWhole = false) {
    TF_SearchProduct& d = lookups().product;
    measure(state, d, *d.ListData, *d.QSearch, [&] {
        d.ProductCode->setText(code);
        d.ProductName->setText(name);
        d.BtSearchClick();
        if (readWhole)
            d.QSearch->recordCount();
    });
}

void BM_ProductSearchCodePrefix(benchmark::State& state) {
    productSearch(state, QStringLiteral("G00001"), QString());
}
void BM_ProductSearchContainsEveryProduct(benchmark::State& state) {
    productSearch(state, QString(), QStringLiteral("ทดสอบ"));
}
void BM_ProductSearchContainsReadWhole(benchmark::State& state) {
    productSearch(state, QString(), QStringLiteral("ทดสอบ"), true);
}

// A barcode search; `readWhole` as for the product search.
void barcodeSearch(benchmark::State& state, const QString& code, bool readWhole = false) {
    TFrSearchBarCode& d = lookups().barcode;
    measure(state, d, *d.DgSearch, *d.QSearch, [&] {
        d.Code->setText(code);
        d.Name->clear();
        d.BtSearchClick();
        if (readWhole)
            d.QSearch->recordCount();
    });
}

void BM_BarcodeSearchPrefix(benchmark::State& state) {
    barcodeSearch(state, QStringLiteral("990000000"));
}
void BM_BarcodeSearchEveryUnit(benchmark::State& state) {
    barcodeSearch(state, QString());
}
void BM_BarcodeSearchPrefixReadWhole(benchmark::State& state) {
    barcodeSearch(state, QStringLiteral("990000000"), true);
}

void BM_LotSearchEveryLot(benchmark::State& state) {
    TFrSearchLotNo& d = lookups().lot;
    measure(state, d, *d.DgSearch, *d.QSearch, [&] { d.BSearchClick(); });
}

void BM_WarehouseSearch(benchmark::State& state) {
    TF_SearchWareHouse& d = lookups().warehouse;
    measure(state, d, *d.DisplayGrid, *d.QSearch, [&] { d.BSearchClick(); });
}

// The unit search lists as it shows.
void BM_UnitSearchShowing(benchmark::State& state) {
    TFrSearchUnit& d = lookups().unit;
    d.ProductId = samples(kDocumentLines).products.at(0).product;
    d.ForPurc = true;
    for (auto _ : state) {
        d.show();
        benchmark::DoNotOptimize(d.DgSearch->grab());
        d.hide();
    }
    state.counters["rows"] = d.QSearchUnit->recordCount();
}

const QString kEveryProduct = QStringLiteral("SELECT Id, Code, ThaiName FROM Product ORDER BY Id");

// A grid over all 100,000 products: opening reads the first page, painting shows it.
void BM_GridOpensEveryProduct(benchmark::State& state) {
    db::Query query(QStringLiteral("QEvery"), QStringLiteral("DMDATA"), {kEveryProduct}, nullptr);
    db::DataSource source;
    source.setDataSet(&query);
    ui::DataGrid grid;
    grid.setDataSource(&source);
    grid.setColumns({{.field = "Code", .title = "Code", .width = 90},
                     {.field = "ThaiName", .title = "Name", .width = 300}});
    grid.resize(500, 400);
    grid.show();
    int fetched = 0;
    for (auto _ : state) {
        query.close();
        query.open();
        benchmark::DoNotOptimize(grid.grab());
        fetched = query.fetchedCount();
    }
    state.counters["rows_read"] = fetched;
    state.counters["rows"] = query.recordCount();
}

// The same rows read whole, as every query was read before rows were fetched on demand.
void BM_EveryProductReadWhole(benchmark::State& state) {
    db::Connection& company = db::Connection::byName(QStringLiteral("DMDATA"));
    size_t rows = 0;
    for (auto _ : state)
        rows = company.execute(kEveryProduct).firstRowSet()->rowSet.rows.size();
    state.counters["rows"] = static_cast<double>(rows);
}

BENCHMARK(BM_GridOpensEveryProduct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EveryProductReadWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProductSearchCodePrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProductSearchContainsEveryProduct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProductSearchContainsReadWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarcodeSearchPrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarcodeSearchEveryUnit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarcodeSearchPrefixReadWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LotSearchEveryLot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarehouseSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnitSearchShowing)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    made = std::make_unique<Lookups>(companyDirectory(kDocumentLines));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    made.reset();
    return 0;
}
