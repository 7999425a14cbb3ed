// Kills the real iOS 7 home screen at random moments while it rewrites files, and
// checks after every kill that each file still parses and holds either its old or
// its new content with every other entry intact.
//
//   crash_rewrite --hosts-dir DIR --tweak LIBRARY --filter PLIST --root DIR
//                 [--kills N] [--seed S] [--deadline SECONDS]
//
// The device root gets the tweak library and its filter list where the tweak loader
// looks ("/Library/MobileSubstrate/DynamicLibraries/Noctil7.dylib" and ".plist") and
// the settings bundle's folder, whose string table the menu titles fall back from.
// Each round starts springboard on it with commands on standard input that rewrite
// three files over and over: header taps (the tweak's fold write-back of the options
// file), `set` (the host's own option write of the same file) and deletions of Mail
// and chat notifications (the tweak's edits of the Mail notification archive and of
// a push store).  Once the program has started, it is killed with SIGKILL after a
// random delay, and the files are checked:
//   - the options file is a dictionary whose 40 filler entries and picture data are
//     exactly as first written, "BlurValue" one of the values written, and
//     "foldedSections" absent or a list naming only the Messages section;
//   - the Mail archive decodes, keeps its other root entries, and holds a subset of
//     its first 32 entries, each unchanged;
//   - the push store decodes to an in-order subset of its first 24 entries.
// Temporary files left by killed writers are counted; a final clean round must
// leave none.  Prints "<corrupt>/<total> corrupt" and exits 1 when any round was
// corrupt, a temporary outlived the final round, or the program failed to run.
#include <foundation/Foundation.h>
#include <foundation/KeyedArchiver.h>
#include <foundation/Plist.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using objc::send;
using objc::sel;

constexpr const char* kOptions = "/var/mobile/Library/Preferences/com.trelmo.noctil.plist";
constexpr const char* kMailArchive = "/var/mobile/Library/Mail/Bulletins";
constexpr const char* kPushStore = "/var/mobile/Library/SpringBoard/PushStore/com.example.chat.pushstore";
constexpr int kFillers = 40;
constexpr int kMails = 32;
constexpr int kChats = 24;
constexpr int kMaxBlur = 40;

struct Options {
  fs::path hostsDir, tweak, filter, root;
  int kills = 50;
  unsigned seed = 1;
  double deadline = 120;
};

// A program with its standard input on a pipe and its standard output read line by
// line; standard error goes to a log file.  Killed and reaped when it goes away.
class Host {
 public:
  Host(const fs::path& program, const std::vector<std::string>& args, const fs::path& log) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, words[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (err >= 0) ::close(err);
    input_ = in[1];
    output_ = out[0];
  }
  ~Host() {
    kill();
    if (input_ >= 0) ::close(input_);
    if (output_ >= 0) ::close(output_);
  }
  bool started() const { return pid_ > 0; }

  bool write(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
      ssize_t n = ::write(input_, text.data() + done, text.size() - done);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  void closeInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
  }
  // Reads output until a line equals `line`; false at the deadline or the end.
  bool waitForLine(const std::string& line, Clock::time_point deadline) {
    char chunk[4096];
    for (;;) {
      for (std::size_t nl; (nl = buffered_.find('\n')) != std::string::npos;) {
        std::string got = buffered_.substr(0, nl);
        buffered_.erase(0, nl + 1);
        if (got == line) return true;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{output_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
      ssize_t n = ::read(output_, chunk, sizeof chunk);
      if (n <= 0) return false;
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  // The wait status once the program has ended, or none at the deadline.
  std::optional<int> wait(Clock::time_point deadline) {
    while (!reaped_) {
      if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
        reaped_ = true;
        break;
      }
      if (Clock::now() >= deadline) return std::nullopt;
      ::usleep(2000);
    }
    return status_;
  }
  void kill() {
    if (pid_ <= 0 || reaped_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
    reaped_ = true;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffered_;
  bool reaped_ = false;
  int status_ = 0;
};

id str(const std::string& s) { return ns::str(s); }
id number(long long n) { return ns::numberWithLongLong(n); }
id mutableDictionary() { return send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">()); }
void put(id dictionary, const std::string& key, id value) {
  send<void>(dictionary, sel<"setObject:forKey:">(), value, str(key));
}
id get(id dictionary, const std::string& key) { return send<id>(dictionary, sel<"objectForKey:">(), str(key)); }
bool equal(id a, id b) { return a != nil && b != nil && send<BOOL>(a, sel<"isEqual:">(), b); }

std::vector<std::uint8_t> pictureBytes() {
  std::vector<std::uint8_t> bytes(64 * 1024);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return bytes;
}

// What the files hold when they are first written (the reference of every check).
id fillerValue(int i) { return i % 2 == 0 ? str("value " + std::to_string(i)) : number(i * 1000 + 7); }
id mailEntry(int i) {
  id entry = mutableDictionary();
  put(entry, "subject", str("Subject " + std::to_string(i)));
  put(entry, "sender", str("sender" + std::to_string(i) + "@example.invalid"));
  put(entry, "size", number(1000 + i));
  return entry;
}
id chatEntry(int i) {
  id entry = mutableDictionary();
  put(entry, "AppNotificationMessage", str("Message " + std::to_string(i)));
  put(entry, "AppNotificationBadge", number(i));
  return entry;
}

bool writeArchive(id root, const char* path) {
  return send<BOOL>(objc_lookUpClass("NSKeyedArchiver"), sel<"archiveRootObject:toFile:">(), root, str(path)) == YES;
}

bool writeOptionsFile() {
  id options = mutableDictionary();
  for (int i = 0; i < kFillers; ++i) put(options, "Filler" + std::to_string(i), fillerValue(i));
  put(options, "Collapsible", ns::numberWithBool(YES));
  put(options, "BlurValue", number(0));
  put(options, "Picture", ns::data(pictureBytes()));
  return send<BOOL>(options, sel<"writeToFile:atomically:">(), str(kOptions), BOOL{YES}) == YES;
}

bool writeStores() {
  id bulletins = mutableDictionary();
  for (int i = 0; i < kMails; ++i) put(bulletins, "mail-" + std::to_string(i), mailEntry(i));
  id root = mutableDictionary();
  put(root, "bulletins", bulletins);
  put(root, "version", number(3));
  put(root, "note", str("kept as it is"));
  id chats = send<id>(objc_lookUpClass("NSMutableArray"), sel<"array">());
  for (int i = 0; i < kChats; ++i) send<void>(chats, sel<"addObject:">(), chatEntry(i));
  return writeArchive(root, kMailArchive) && writeArchive(chats, kPushStore);
}

// ---- Checks ---------------------------------------------------------------------------

std::optional<std::string> checkOptions() {
  auto read = ns::readPropertyListFile(kOptions);
  if (!read.ok()) return "the options file does not parse: " + read.error().message;
  id options = read.value().get();
  if (!ns::isDictionary(options)) return "the options file is not a dictionary";
  for (int i = 0; i < kFillers; ++i)
    if (!equal(get(options, "Filler" + std::to_string(i)), fillerValue(i)))
      return "Filler" + std::to_string(i) + " was lost or changed";
  if (!equal(get(options, "Picture"), ns::data(pictureBytes()))) return "the picture data was lost or changed";
  if (!equal(get(options, "Collapsible"), ns::numberWithBool(YES))) return "Collapsible was lost";
  id blur = get(options, "BlurValue");
  long long b = ns::isNumber(blur) ? ns::numberAsLongLong(blur) : -1;
  if (b < 0 || b > kMaxBlur) return "BlurValue is not a value that was written";
  if (id folded = get(options, "foldedSections")) {
    if (!ns::isArray(folded)) return "foldedSections is not a list";
    for (id item : ns::elements(folded))
      if (!equal(item, str("com.apple.MobileSMS"))) return "foldedSections holds a stranger";
  }
  return std::nullopt;
}

objc::Result<objc::Ref> readArchive(const char* path) {
  auto bytes = ns::readFile(path);
  if (!bytes.ok()) return bytes.error();
  return ns::unarchiveData(bytes.value());
}

std::optional<std::string> checkMailArchive() {
  auto read = readArchive(kMailArchive);
  if (!read.ok()) return "the Mail archive does not decode: " + read.error().message;
  id root = read.value().get();
  if (!ns::isDictionary(root)) return "the Mail archive's root is not a dictionary";
  if (!equal(get(root, "version"), number(3)) || !equal(get(root, "note"), str("kept as it is")))
    return "the Mail archive lost its other root entries";
  id bulletins = get(root, "bulletins");
  if (!ns::isDictionary(bulletins)) return "the Mail archive lost its bulletins";
  for (auto [key, value] : ns::entries(bulletins)) {
    std::string name = ns::isString(key) ? ns::utf8(key) : "";
    int index = name.rfind("mail-", 0) == 0 ? std::atoi(name.c_str() + 5) : -1;
    if (index < 0 || index >= kMails || !equal(value, mailEntry(index))) return "the Mail archive entry " + name + " is not one written";
  }
  return std::nullopt;
}

std::optional<std::string> checkPushStore() {
  auto read = readArchive(kPushStore);
  if (!read.ok()) return "the push store does not decode: " + read.error().message;
  id list = read.value().get();
  if (!ns::isArray(list)) return "the push store is not a list";
  int next = 0;
  for (id entry : ns::elements(list)) {
    while (next < kChats && !equal(entry, chatEntry(next))) ++next;
    if (next == kChats) return "the push store holds an entry out of order or not written";
    ++next;
  }
  return std::nullopt;
}

// The modification times of the three files, to tell whether a round rewrote any.
std::vector<fs::file_time_type> writeTimes(const fs::path& root) {
  std::vector<fs::file_time_type> times;
  for (const char* path : {kOptions, kMailArchive, kPushStore}) {
    std::error_code ec;
    times.push_back(fs::last_write_time(root / fs::path(path).relative_path(), ec));
  }
  return times;
}

// Temporary files of the atomic writer beside the three files.
int temporaries(const fs::path& root) {
  int count = 0;
  for (const char* path : {kOptions, kMailArchive, kPushStore}) {
    fs::path file = root / fs::path(path).relative_path();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(file.parent_path(), ec)) {
      std::string name = entry.path().filename().string();
      std::string prefix = "." + file.filename().string() + ".";
      if (name.size() == prefix.size() + 6 && name.rfind(prefix, 0) == 0) ++count;
    }
  }
  return count;
}

// The commands of one round: many rewrites of each file, in a random order.
std::string workload(std::mt19937& random, int round) {
  std::string lines = "post com.apple.MobileSMS message=\"hello\" record=1\nnc show\necho started\n";
  std::uniform_int_distribution<int> pick(0, 2), blur(0, kMaxBlur), mail(0, kMails - 1), chat(0, kChats - 1);
  for (int i = 0; i < 120; ++i) {
    switch (pick(random)) {
      case 0:
        lines += "tap-header com.apple.MobileSMS\n";
        break;
      case 1:
        lines += "set BlurValue " + std::to_string(blur(random)) + "\n";
        break;
      default:
        if (i % 2 == 0) {
          lines += "post com.apple.mobilemail message=\"mail\" record=mail-" + std::to_string(mail(random)) + " id=m" +
                   std::to_string(round) + "-" + std::to_string(i) + "\n";
          lines += "longpress nc com.apple.mobilemail 0\nmenu \"Delete\"\n";
        } else {
          lines += "post com.example.chat message=\"Message " + std::to_string(chat(random)) + "\" id=c" +
                   std::to_string(round) + "-" + std::to_string(i) + "\n";
          lines += "longpress nc com.example.chat 0\nmenu \"Delete\"\n";
        }
        break;
    }
  }
  return lines;
}

int fail(const std::string& message) {
  std::cerr << "crash_rewrite: " << message << '\n';
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--hosts-dir") o.hostsDir = next();
    else if (a == "--tweak") o.tweak = next();
    else if (a == "--filter") o.filter = next();
    else if (a == "--root") o.root = next();
    else if (a == "--kills") o.kills = std::atoi(next().c_str());
    else if (a == "--seed") o.seed = static_cast<unsigned>(std::strtoul(next().c_str(), nullptr, 10));
    else if (a == "--deadline") o.deadline = std::atof(next().c_str());
    else return fail("unexpected argument " + a);
  }
  if (o.hostsDir.empty() || o.tweak.empty() || o.filter.empty() || o.root.empty() || o.kills <= 0 || o.deadline <= 0)
    return fail("usage: crash_rewrite --hosts-dir DIR --tweak LIBRARY --filter PLIST --root DIR [--kills N] "
                "[--seed S] [--deadline SECONDS]");
  ::signal(SIGPIPE, SIG_IGN);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.deadline));
  objc::AutoreleasePool pool;

  std::error_code ec;
  fs::remove_all(o.root, ec);
  for (const char* path : {kOptions, kMailArchive, kPushStore})
    fs::create_directories(o.root / fs::path(path).relative_path().parent_path(), ec);
  if (ec) return fail("cannot make the device root " + o.root.string() + ": " + ec.message());
  const fs::path tweaks = o.root / "Library/MobileSubstrate/DynamicLibraries";
  fs::create_directories(tweaks, ec);
  fs::create_directories(o.root / "Library/PreferenceBundles/NoctilSettings.bundle", ec);
  fs::copy_file(o.tweak, tweaks / "Noctil7.dylib", fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::copy_file(o.filter, tweaks / "Noctil7.plist", fs::copy_options::overwrite_existing, ec);
  if (ec) return fail("cannot install the tweak: " + ec.message());
  ns::setDeviceRoot(o.root);
  if (!writeOptionsFile()) return fail("cannot write the options file");

  std::mt19937 random(o.seed);
  const fs::path springboard = o.hostsDir / "springboard";
  const fs::path log = o.root / "springboard.log";
  const std::vector<std::string> args{"--ios", "7.x", "--device", o.root.string(), "--quiet"};
  int corrupt = 0, rounds = 0, temporariesSeen = 0, rewriting = 0;
  for (; rounds < o.kills && Clock::now() < deadline; ++rounds) {
    objc::AutoreleasePool roundPool;
    if (!writeStores()) return fail("cannot write the stores");
    const auto before = writeTimes(o.root);
    Host host(springboard, args, log);
    if (!host.started()) return fail("cannot start " + springboard.string());
    if (!host.write(workload(random, rounds))) return fail("springboard took no commands");
    if (!host.waitForLine("started", std::min(deadline, Clock::now() + std::chrono::seconds(30))))
      return fail("springboard did not start within 30 s (see " + log.string() + ")");
    // Rewrites begin now; the kill lands anywhere from 50 to 450 ms later.
    std::uniform_int_distribution<int> delay(50000, 450000);
    ::usleep(static_cast<useconds_t>(delay(random)));
    host.kill();
    if (writeTimes(o.root) != before) ++rewriting;

    int seen = temporaries(o.root);
    temporariesSeen += seen;
    std::vector<std::string> problems;
    for (auto check : {checkOptions, checkMailArchive, checkPushStore})
      if (auto problem = check()) problems.push_back(*problem);
    if (!problems.empty()) {
      ++corrupt;
      for (const auto& p : problems) std::cerr << "crash_rewrite: round " << rounds << ": " << p << '\n';
      // Start the next round from whole files again.
      writeOptionsFile();
    }
  }

  // A last round that ends by itself: every file is written once more, which clears
  // what the killed writers left.
  int left = -1;
  {
    if (!writeStores()) return fail("cannot write the stores");
    Host host(springboard, args, log);
    if (!host.started()) return fail("cannot start " + springboard.string());
    host.write("post com.apple.MobileSMS message=\"hello\"\nnc show\ntap-header com.apple.MobileSMS\n"
               "post com.apple.mobilemail message=\"mail\" record=mail-1\nlongpress nc com.apple.mobilemail 0\n"
               "menu \"Delete\"\npost com.example.chat message=\"Message 1\"\nlongpress nc com.example.chat 0\n"
               "menu \"Delete\"\necho done\n");
    host.closeInput();
    bool done = host.waitForLine("done", std::min(deadline + std::chrono::seconds(30), Clock::now() + std::chrono::seconds(30)));
    host.wait(Clock::now() + std::chrono::seconds(10));
    if (!done) return fail("the final round did not finish");
    left = temporaries(o.root);
  }

  std::cout << "crash_rewrite: " << corrupt << "/" << rounds << " corrupt (" << rewriting
            << " rounds rewrote files before the kill); temporaries seen after kills: " << temporariesSeen
            << ", left after the final round: " << left << '\n';
  if (rounds < o.kills) std::cout << "crash_rewrite: the deadline came after " << rounds << " of " << o.kills << " kills\n";
  return corrupt == 0 && left == 0 ? 0 : 1;
}
