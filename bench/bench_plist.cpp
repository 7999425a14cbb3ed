// Property lists and keyed archives, measured side by side in one run:
//   - reading a 40-key options file (XML and binary) through dictionaryWithContentsOfFile:,
//     against libplist reading the same file into its own nodes;
//   - the push-store edit (decode a keyed archive of N dictionaries, remove one entry,
//     re-encode and write it atomically) at N = 5,000 and 10,000, against libplist
//     parsing and writing the same file alone.
// The files are written to a data folder (default: plist-data next to this program;
// --data_dir=DIR to choose) so that bench/plistlib_compare.py can run the same reads
// and edits with Python's plistlib on the very same files.  The ratios are printed at
// the end of the run.
#include "PlistNode.h"

#include <foundation/DeviceRoot.h>
#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>
#include <foundation/Plist.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

using objc::send;
using objc::sel;
namespace fs = std::filesystem;

namespace {

fs::path gDataDir;  // also the device root, so device paths are "/name"

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAtomically(const fs::path& path, const char* bytes, std::size_t size) {
  fs::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary);
    out.write(bytes, static_cast<std::streamsize>(size));
  }
  fs::rename(temp, path);
}

std::string archiveName(int entries) {
  std::string name = "pushstore_";
  name += std::to_string(entries);
  name += ".archive";
  return name;
}

// "/" + name, built by appending (GCC 12 warns falsely on operator+ with a literal).
std::string devicePath(const std::string& name) {
  std::string path = "/";
  path += name;
  return path;
}

// A push store of `entries` notifications: a mutable array of mutable dictionaries.
void writePushStore(int entries) {
  objc::AutoreleasePool pool;
  Class date = objc::classNamed("NSDate");
  id list = ns::mutableArray();
  id info = ns::dictionary({{ns::str("aps"), ns::dictionary({{ns::str("sound"), ns::str("chime")}})}});
  for (int i = 0; i < entries; ++i) {
    objc::AutoreleasePool inner;
    id when = date ? send<id>(date, sel<"dateWithTimeIntervalSinceReferenceDate:">(), 410000000.0 + 60.0 * i)
                   : ns::numberWithDouble(410000000.0 + 60.0 * i);
    id entry = ns::mutableDictionary({
        {ns::str("AppNotificationMessage"), ns::format("Message number %d from the bench", i)},
        {ns::str("AppNotificationCreationDate"), when},
        {ns::str("AppNotificationBadgeNumber"), ns::numberWithInt(i % 50)},
        {ns::str("AppNotificationSoundName"), ns::str("chime")},
        {ns::str("AppNotificationUserInfo"), info},
    });
    send<void>(list, sel<"addObject:">(), entry);
  }
  auto status = ns::archiveRootObjectToFile(list, devicePath(archiveName(entries)));
  if (!status.ok()) std::fprintf(stderr, "bench_plist: %s\n", status.error().message.c_str());
}

void prepareData() {
  fs::create_directories(gDataDir);
  ns::setDeviceRoot(gDataDir);
  const fs::path source = fs::path(NOCTIL_SOURCE_DIR) / "tests/data/plist";
  fs::copy_file(source / "options.xml", gDataDir / "options.xml", fs::copy_options::overwrite_existing);
  fs::copy_file(source / "options.bin", gDataDir / "options.bin", fs::copy_options::overwrite_existing);
  for (int n : {5000, 10000}) writePushStore(n);
}

void optionsRead(benchmark::State& state, const char* name) {
  id path = ns::str(devicePath(name));
  for (auto _ : state) {
    objc::AutoreleasePool pool;
    id options = send<id>(ns::NSDictionaryClass(), sel<"dictionaryWithContentsOfFile:">(), path);
    if (send<NSUInteger>(options, sel<"count">()) != 40) state.SkipWithError("options did not read");
    benchmark::DoNotOptimize(options);
  }
}
void BM_OptionsRead_Xml(benchmark::State& state) { optionsRead(state, "options.xml"); }
void BM_OptionsRead_Binary(benchmark::State& state) { optionsRead(state, "options.bin"); }

// libplist reading the same file into its own nodes (no objects).
void libplistRead(benchmark::State& state, const char* name) {
  for (auto _ : state) {
    std::string bytes = slurp(gDataDir / name);
    auto node = ns::plist::parseWithLibplist(bytes);
    if (!node.ok()) state.SkipWithError("libplist could not read the options");
    benchmark::DoNotOptimize(node.value().get());
  }
}
void BM_LibplistRead_Xml(benchmark::State& state) { libplistRead(state, "options.xml"); }
void BM_LibplistRead_Binary(benchmark::State& state) { libplistRead(state, "options.bin"); }

// The push-store edit: decode, remove the middle entry, encode and write atomically.
void BM_ArchiveEdit(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  id source = ns::str(devicePath(archiveName(entries)));
  id target = ns::str(devicePath("edited_" + archiveName(entries)));
  for (auto _ : state) {
    objc::AutoreleasePool pool;
    id list = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), source);
    if (send<NSUInteger>(list, sel<"count">()) != static_cast<NSUInteger>(entries)) {
      state.SkipWithError("archive did not read");
      break;
    }
    send<void>(list, sel<"removeObjectAtIndex:">(), static_cast<NSUInteger>(entries / 2));
    if (!send<BOOL>(ns::NSKeyedArchiverClass(), sel<"archiveRootObject:toFile:">(), list, target))
      state.SkipWithError("archive did not write");
  }
}

// libplist alone on the same file: parse it and write it back, nothing decoded.
void BM_LibplistParseWrite(benchmark::State& state) {
  const fs::path source = gDataDir / archiveName(static_cast<int>(state.range(0)));
  std::string targetName = "libplist_";
  targetName += archiveName(static_cast<int>(state.range(0)));
  const fs::path target = gDataDir / targetName;
  for (auto _ : state) {
    std::string bytes = slurp(source);
    plist_t root = nullptr;
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    char* out = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &out, &length);
    writeAtomically(target, out, length);
    plist_to_bin_free(out);
    plist_free(root);
  }
}

// libplist's parser alone, for scale.
void BM_LibplistParse(benchmark::State& state) {
  const fs::path source = gDataDir / archiveName(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string bytes = slurp(source);
    plist_t root = nullptr;
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    benchmark::DoNotOptimize(root);
    plist_free(root);
  }
}

BENCHMARK(BM_OptionsRead_Xml);
BENCHMARK(BM_LibplistRead_Xml);
BENCHMARK(BM_OptionsRead_Binary);
BENCHMARK(BM_LibplistRead_Binary);
BENCHMARK(BM_ArchiveEdit)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibplistParseWrite)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibplistParse)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Keeps each run's real time per iteration (ns) so the ratios can be printed after.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred && run.iterations > 0)
        times_[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations) * 1e9;
    ConsoleReporter::ReportRuns(runs);
  }
  void printRatios() const {
    auto ratio = [&](const char* what, const char* a, const char* b) {
      auto x = times_.find(a), y = times_.find(b);
      if (x != times_.end() && y != times_.end()) std::printf("  %-58s %6.2f\n", what, x->second / y->second);
    };
    std::printf("\nRatios (time of the first over the second):\n");
    ratio("options read XML: ours / libplist nodes only", "BM_OptionsRead_Xml", "BM_LibplistRead_Xml");
    ratio("options read binary: ours / libplist nodes only", "BM_OptionsRead_Binary", "BM_LibplistRead_Binary");
    ratio("archive edit 5000: ours / libplist parse+write", "BM_ArchiveEdit/5000", "BM_LibplistParseWrite/5000");
    ratio("archive edit 10000: ours / libplist parse+write", "BM_ArchiveEdit/10000", "BM_LibplistParseWrite/10000");
    ratio("archive edit 5000: ours / libplist parse alone", "BM_ArchiveEdit/5000", "BM_LibplistParse/5000");
    ratio("archive edit growth 10000 / 5000 (2.0 is linear)", "BM_ArchiveEdit/10000", "BM_ArchiveEdit/5000");
    ratio("libplist parse+write growth 10000 / 5000", "BM_LibplistParseWrite/10000", "BM_LibplistParseWrite/5000");
    std::printf("(bench/plistlib_compare.py %s runs the same reads and edits with plistlib.)\n",
                gDataDir.string().c_str());
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  gDataDir = fs::absolute(fs::path(argv[0])).parent_path() / "plist-data";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--data_dir=", 11) == 0) gDataDir = fs::absolute(argv[i] + 11);
  // Our own flag is not Google Benchmark's; take it out before it parses the rest.
  int kept = 1;
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--data_dir=", 11) != 0) argv[kept++] = argv[i];
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  prepareData();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
