// Handing out table cells: a table of 1,000 rows, all on screen, asks its data source
// (a runtime class) for every cell through message sends after each reload; the
// cells are reused from the table's pool and given their text.  Side by side, a
// plain C++ loop builds the same 1,000 row models (index, height, text).  Both report
// the time per cell ("per_cell", seconds).
#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <uikit/UILabel.h>
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using objc::send;
using objc::sel;

namespace {

constexpr NSInteger kRows = 1000;
constexpr CGFloat kRowHeight = 44;

NSInteger rows(id, SEL, id, NSInteger) { return kRows; }
id cellFor(id, SEL, id table, id indexPath) {
  static id identifier = objc::retain(ns::str("Row"));
  id cell = send<id>(table, sel<"dequeueReusableCellWithIdentifier:">(), identifier);
  if (cell == nil)
    cell = objc::autorelease(send<id>(send<id>(uikit::UITableViewCellClass(), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, identifier));
  NSInteger row = send<NSInteger>(indexPath, sel<"row">());
  send<void>(send<id>(cell, sel<"textLabel">()), sel<"setText:">(), ns::str("Row " + std::to_string(row)));
  return cell;
}

Class sourceClass() {
  static const Class cls = objc::ClassBuilder<NSObjectIvars>("BenchTableSource", objc::NSObjectClass())
                               .method<&rows>("tableView:numberOfRowsInSection:")
                               .method<&cellFor>("tableView:cellForRowAtIndexPath:")
                               .registerClass();
  return cls;
}

void perCell(benchmark::State& state) {
  state.counters["per_cell"] =
      benchmark::Counter(static_cast<double>(kRows), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_TableHandsOutCellsThroughSends(benchmark::State& state) {
  objc::AutoreleasePool outer;
  objc::Ref source = objc::Ref::adopt(objc::allocInit(sourceClass()));
  objc::Ref table = objc::Ref::adopt(send<id>(send<id>(uikit::UITableViewClass(), sel<"alloc">()),
                                              sel<"initWithFrame:">(), CGRectMake(0, 0, 320, kRows * kRowHeight)));
  send<void>(table, sel<"setDataSource:">(), source.get());
  send<id>(table, sel<"visibleCells">());  // make the cells once; later rounds reuse them
  for (auto _ : state) {
    objc::AutoreleasePool pool;
    send<void>(table, sel<"reloadData">());
    id cells = send<id>(table, sel<"visibleCells">());
    benchmark::DoNotOptimize(cells);
  }
  if (uikit::tableCellRequests(table) < static_cast<std::size_t>(kRows) * state.iterations())
    state.SkipWithError("the table did not ask for every cell");
  perCell(state);
}
BENCHMARK(BM_TableHandsOutCellsThroughSends)->Unit(benchmark::kMicrosecond);

struct RowModel {
  NSInteger section;
  NSInteger row;
  CGFloat top;
  CGFloat height;
  std::string text;
};

void BM_PlainRowModels(benchmark::State& state) {
  std::vector<RowModel> models;
  for (auto _ : state) {
    models.clear();
    models.reserve(kRows);
    CGFloat y = 0;
    for (NSInteger r = 0; r < kRows; ++r) {
      models.push_back({0, r, y, kRowHeight, "Row " + std::to_string(r)});
      y += kRowHeight;
    }
    benchmark::DoNotOptimize(models.data());
    benchmark::ClobberMemory();
  }
  perCell(state);
}
BENCHMARK(BM_PlainRowModels)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
