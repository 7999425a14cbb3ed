// The Foundation value classes on the paths a keyed-archive edit takes: string
// creation and hashing, objectAtIndex:, objectForKey:, count and dictionary
// building, each beside the plain C++ container doing the same work.
#include <foundation/Foundation.h>

#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

using objc::send;
using objc::sel;

namespace {

std::vector<std::string> keyTexts(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("bulletin-key-" + std::to_string(i));
  return out;
}

void BM_StringCreateNS(benchmark::State& state) {
  objc::AutoreleasePool pool;
  std::string text = "com.apple.MobileSMS";
  for (auto _ : state) {
    objc::Ref s = ns::makeString(text);
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_StringCreateNS);

void BM_StringCreateStd(benchmark::State& state) {
  std::string text = "com.apple.MobileSMS";
  for (auto _ : state) {
    auto* s = new std::string(text);
    benchmark::DoNotOptimize(s);
    delete s;
  }
}
BENCHMARK(BM_StringCreateStd);

void BM_StringHashAndEqualNS(benchmark::State& state) {
  objc::AutoreleasePool pool;
  objc::Ref a = ns::makeString("com.apple.MobileSMS.bulletin");
  objc::Ref b = ns::makeString("com.apple.MobileSMS.bulletin");
  for (auto _ : state) {
    benchmark::DoNotOptimize(send<NSUInteger>(a, sel<"hash">()));
    benchmark::DoNotOptimize(send<BOOL>(a, sel<"isEqual:">(), b.get()));
  }
}
BENCHMARK(BM_StringHashAndEqualNS);

void BM_ObjectAtIndexNS(benchmark::State& state) {
  objc::AutoreleasePool pool;
  std::vector<id> items;
  for (int i = 0; i < 5000; ++i) items.push_back(ns::numberWithInt(i));
  objc::Ref array = ns::makeArray(items.data(), items.size());
  NSUInteger i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(send<id>(array, sel<"objectAtIndex:">(), i));
    i = (i + 1) % 5000;
  }
}
BENCHMARK(BM_ObjectAtIndexNS);

void BM_ObjectAtIndexStd(benchmark::State& state) {
  std::vector<int*> items(5000);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(items.at(i));
    i = (i + 1) % 5000;
  }
}
BENCHMARK(BM_ObjectAtIndexStd);

void BM_ObjectForKeyNS(benchmark::State& state) {
  objc::AutoreleasePool pool;
  int n = static_cast<int>(state.range(0));
  auto texts = keyTexts(n);
  id dict = ns::mutableDictionary();
  std::vector<objc::Ref> probes;
  for (const auto& t : texts) {
    send<void>(dict, sel<"setObject:forKey:">(), ns::str(t), ns::str(t));
    probes.push_back(ns::makeString(t));  // equal keys, distinct objects, as a decoder makes them
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(send<id>(dict, sel<"objectForKey:">(), probes[i].get()));
    i = (i + 1) % probes.size();
  }
}
BENCHMARK(BM_ObjectForKeyNS)->Arg(8)->Arg(5000);

void BM_ObjectForKeyStd(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  auto texts = keyTexts(n);
  std::unordered_map<std::string, std::string> map;
  for (const auto& t : texts) map.emplace(t, t);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.find(texts[i]));
    i = (i + 1) % texts.size();
  }
}
BENCHMARK(BM_ObjectForKeyStd)->Arg(8)->Arg(5000);

// One archive entry: a dictionary of eight string keys built from scratch.
void BM_BuildEntryNS(benchmark::State& state) {
  auto texts = keyTexts(8);
  for (auto _ : state) {
    objc::AutoreleasePool pool;
    id keys[8];
    id values[8];
    for (int k = 0; k < 8; ++k) {
      keys[k] = ns::str(texts[k]);
      values[k] = ns::numberWithInt(k);
    }
    benchmark::DoNotOptimize(ns::dictionaryWithObjects(values, keys, 8));
  }
}
BENCHMARK(BM_BuildEntryNS);

void BM_BuildEntryStd(benchmark::State& state) {
  auto texts = keyTexts(8);
  for (auto _ : state) {
    std::unordered_map<std::string, int> map;
    for (int k = 0; k < 8; ++k) map.emplace(texts[k], k);
    benchmark::DoNotOptimize(map);
  }
}
BENCHMARK(BM_BuildEntryStd);

}  // namespace

BENCHMARK_MAIN();
