// Property lists and keyed archives, measured side by side in one run:
//   - reading a 40-key options file (XML and binary) through dictionaryWithContentsOfFile:,
//     against libplist reading the same file into its own nodes, and against Python's
//     plistlib reading it (timed by a plistlib process of this run, bench/plistlib_server.py);
//   - the Mail archive edit of the removal path (decode the keyed archive, remove one
//     entry from "bulletins", re-encode and write it atomically with its fsyncs) at
//     5,000 and 20,000 entries, against plistlib doing the same edit with the same fsync
//     policy on the same file; the write alone, with and without its fsyncs, shows
//     their share;
//   - the push-store edit (an array of N dictionaries, one removed) at N = 5,000 and
//     10,000, against libplist parsing and writing the same file alone.
// The files are written to a data folder (default: plist-data next to this program;
// --data_dir=DIR to choose) so that bench/plistlib_compare.py can run the same reads
// and edits with Python's plistlib on the very same files.  The ratios are printed at
// the end of the run.
#include "PlistNode.h"
#include "RatioReporter.h"

#include <foundation/DeviceRoot.h>
#include <foundation/FileIO.h>
#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>
#include <foundation/Plist.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

extern char** environ;

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

// Python's plistlib in a process of its own for the whole run (bench/plistlib_server.py):
// one command a line, one answer a line.
class Plistlib {
 public:
  bool start() {
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::string script = std::string(NOCTIL_SOURCE_DIR) + "/bench/plistlib_server.py";
    std::vector<char*> argv{const_cast<char*>("python3"), script.data(), nullptr};
    const int rc = ::posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (rc != 0) {
      ::close(toChild[1]);
      ::close(fromChild[0]);
      pid_ = -1;
      return false;
    }
    in_ = ::fdopen(toChild[1], "w");
    out_ = ::fdopen(fromChild[0], "r");
    return true;
  }
  ~Plistlib() {
    if (in_) std::fclose(in_);  // the server ends at the end of its input
    if (out_) std::fclose(out_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  bool running() const { return pid_ > 0; }
  // The answer to one command; nullopt when the process is gone.
  std::optional<std::string> ask(const std::string& command) {
    if (!in_ || !out_) return std::nullopt;
    std::fprintf(in_, "%s\n", command.c_str());
    std::fflush(in_);
    char line[256];
    if (!std::fgets(line, sizeof line, out_)) return std::nullopt;
    std::string answer(line);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    return answer;
  }
  // The seconds the command took, as plistlib timed it; negative on failure.
  double timed(const std::string& command) {
    auto answer = ask(command);
    if (!answer) return -1;
    char* end = nullptr;
    double seconds = std::strtod(answer->c_str(), &end);
    return end != answer->c_str() ? seconds : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
};
Plistlib gPlistlib;

std::string mailName(int entries) {
  std::string name = "mail_";
  name += std::to_string(entries);
  name += ".archive";
  return name;
}

std::string middleRecord(int entries) {
  std::string key = "mail-record-";
  key += std::to_string(entries / 2);
  return key;
}

void prepareData() {
  fs::create_directories(gDataDir);
  ns::setDeviceRoot(gDataDir);
  const fs::path source = fs::path(NOCTIL_SOURCE_DIR) / "tests/data/plist";
  fs::copy_file(source / "options.xml", gDataDir / "options.xml", fs::copy_options::overwrite_existing);
  fs::copy_file(source / "options.bin", gDataDir / "options.bin", fs::copy_options::overwrite_existing);
  for (int n : {5000, 10000}) writePushStore(n);
  // The Mail archives come from plistlib, an encoder other than the platform's.
  if (gPlistlib.start()) {
    for (int n : {5000, 20000}) {
      auto answer = gPlistlib.ask("mail-write " + (gDataDir / mailName(n)).string() + " " + std::to_string(n));
      if (answer != "ok") std::fprintf(stderr, "bench_plist: plistlib could not write %s\n", mailName(n).c_str());
    }
  } else {
    std::fprintf(stderr, "bench_plist: python3 did not start; the plistlib comparisons are skipped\n");
  }
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

// plistlib reading the same options file, timed in its own process.
void plistlibTimed(benchmark::State& state, const std::string& command) {
  if (!gPlistlib.running()) return state.SkipWithError("no plistlib process");
  for (auto _ : state) {
    const double seconds = gPlistlib.timed(command);
    if (seconds < 0) {
      state.SkipWithError("plistlib failed");
      break;
    }
    state.SetIterationTime(seconds);
  }
}
void BM_PlistlibRead_Xml(benchmark::State& state) { plistlibTimed(state, "read " + (gDataDir / "options.xml").string()); }
void BM_PlistlibRead_Binary(benchmark::State& state) {
  plistlibTimed(state, "read " + (gDataDir / "options.bin").string());
}

// The Mail archive edit as the removal path makes it: unarchive, a mutable copy of the
// root, the entry removed from "bulletins", the new root archived to the same path.
void BM_MailEdit(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  id source = ns::str(devicePath(mailName(entries)));
  id target = ns::str(devicePath("edited_" + mailName(entries)));
  id bulletinsKey = ns::str("bulletins");
  id record = ns::str(middleRecord(entries));
  for (auto _ : state) {
    objc::AutoreleasePool pool;
    id root = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), source);
    id copy = send<id>(ns::NSMutableDictionaryClass(), sel<"dictionaryWithDictionary:">(), root);
    id bulletins = send<id>(copy, sel<"objectForKey:">(), bulletinsKey);
    if (send<NSUInteger>(bulletins, sel<"count">()) != static_cast<NSUInteger>(entries)) {
      state.SkipWithError("archive did not read");
      break;
    }
    send<void>(bulletins, sel<"removeObjectForKey:">(), record);
    send<void>(copy, sel<"setObject:forKey:">(), bulletins, bulletinsKey);
    if (!send<BOOL>(ns::NSKeyedArchiverClass(), sel<"archiveRootObject:toFile:">(), copy, target))
      state.SkipWithError("archive did not write");
  }
}

void BM_PlistlibMailEdit(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  plistlibTimed(state, "mail-edit " + (gDataDir / mailName(entries)).string() + " " +
                           (gDataDir / ("plistlib_edited_" + mailName(entries))).string() + " " +
                           middleRecord(entries));
}

// The write at the end of the edit alone: the edited archive's bytes written
// atomically (temporary file, fsync, rename, fsync of the folder), and the same
// without the two fsyncs; their difference is the fsyncs' share of the edit.
std::vector<std::uint8_t> editedMailBytes(int entries) {
  objc::AutoreleasePool pool;
  id root = send<id>(ns::NSKeyedUnarchiverClass(), sel<"unarchiveObjectWithFile:">(), ns::str(devicePath(mailName(entries))));
  auto bytes = ns::archivedData(root);
  return bytes.ok() ? bytes.value() : std::vector<std::uint8_t>{};
}
void BM_MailWrite(benchmark::State& state) {
  const auto bytes = editedMailBytes(static_cast<int>(state.range(0)));
  const std::string target = devicePath("written_" + mailName(static_cast<int>(state.range(0))));
  for (auto _ : state)
    if (!ns::writeFileAtomically(target, bytes).ok()) state.SkipWithError("write failed");
}
void BM_MailWriteWithoutFsync(benchmark::State& state) {
  const auto bytes = editedMailBytes(static_cast<int>(state.range(0)));
  const fs::path target = gDataDir / ("written_" + mailName(static_cast<int>(state.range(0))));
  for (auto _ : state) writeAtomically(target, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

BENCHMARK(BM_OptionsRead_Xml)->Repetitions(3);
BENCHMARK(BM_PlistlibRead_Xml)->UseManualTime()->Repetitions(3);
BENCHMARK(BM_PlistlibRead_Binary)->UseManualTime()->Repetitions(3);
// The compared benchmarks are repeated and compared by their medians, which one slow
// spell of a shared machine does not move (a 60 ms edit runs only about ten times a
// repetition).
BENCHMARK(BM_MailEdit)->Arg(5000)->Arg(20000)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistlibMailEdit)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MailWrite)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MailWriteWithoutFsync)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibplistRead_Xml);
BENCHMARK(BM_OptionsRead_Binary)->Repetitions(3);
BENCHMARK(BM_LibplistRead_Binary);
BENCHMARK(BM_ArchiveEdit)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibplistParseWrite)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibplistParse)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

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
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string edit5000 = "BM_MailEdit/5000/repeats:5", edit20000 = "BM_MailEdit/20000/repeats:5";
  reporter.heading("Speed-ups over Python's plistlib, timed in the same run:");
  reporter.speedup("options read XML: plistlib / ours", "BM_OptionsRead_Xml/repeats:3", "BM_PlistlibRead_Xml/repeats:3/manual_time", 6);
  reporter.speedup("options read binary: plistlib / ours", "BM_OptionsRead_Binary/repeats:3", "BM_PlistlibRead_Binary/repeats:3/manual_time",
                   6);
  reporter.speedup("Mail archive edit 5000: plistlib / ours", edit5000, "BM_PlistlibMailEdit/5000/manual_time",
                   15);
  reporter.heading("Ratios (time of the first over the second):");
  reporter.ratio("Mail archive edit growth 20000 / 5000 (4.0 is linear)", edit20000, edit5000, 4.3);
  const double edit = reporter.nanoseconds(edit5000), write = reporter.nanoseconds("BM_MailWrite/5000"),
               unsynced = reporter.nanoseconds("BM_MailWriteWithoutFsync/5000");
  if (edit > 0 && write > 0 && unsynced > 0)
    std::printf("  %-62s %6.1f%% (the whole write %.1f%%)\n", "Mail archive edit 5000: share of the fsyncs",
                100 * (write - unsynced) / edit, 100 * write / edit);
  reporter.ratio("options read XML: ours / libplist nodes only", "BM_OptionsRead_Xml/repeats:3", "BM_LibplistRead_Xml");
  reporter.ratio("options read binary: ours / libplist nodes only", "BM_OptionsRead_Binary/repeats:3", "BM_LibplistRead_Binary");
  reporter.ratio("push-store edit 5000: ours / libplist parse+write", "BM_ArchiveEdit/5000", "BM_LibplistParseWrite/5000");
  reporter.ratio("push-store edit 10000: ours / libplist parse+write", "BM_ArchiveEdit/10000",
                 "BM_LibplistParseWrite/10000");
  reporter.ratio("push-store edit 5000: ours / libplist parse alone", "BM_ArchiveEdit/5000", "BM_LibplistParse/5000");
  reporter.ratio("push-store edit growth 10000 / 5000 (2.0 is linear)", "BM_ArchiveEdit/10000", "BM_ArchiveEdit/5000");
  reporter.ratio("libplist parse+write growth 10000 / 5000", "BM_LibplistParseWrite/10000",
                 "BM_LibplistParseWrite/5000");
  std::printf("(bench/plistlib_compare.py %s runs the push-store edits with plistlib too.)\n",
              gDataDir.string().c_str());
  benchmark::Shutdown();
  return 0;
}
