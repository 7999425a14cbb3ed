#include "HostProgram.h"

#include "FilterList.h"
#include "PlatformHost.h"
#include "ScenarioRunner.h"
#include "StdinDriver.h"
#include "Termination.h"
#include "TweakLoader.h"

#include <chatkit/ChatKit.h>
#include <chatkit/MessageStore.h>
#include <corefoundation/LaunchApplication.h>
#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/RunLoop.h>
#include <objcface/NSObject.h>

#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>

namespace hosts {
namespace {

constexpr const char* kSpringBoardBundle = "com.apple.springboard";
constexpr const char* kMobileSMSBundle = "com.apple.MobileSMS";

// Scripts are a few kilobytes; a huge file is not a script.
constexpr std::uintmax_t kMaximumScriptSize = 4 << 20;

const char* programName(HostProgram program) {
  return program == HostProgram::springboard ? "springboard" : "mobilesms";
}

std::filesystem::path ownDirectory(const char* argv0) {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv0, ec);
  return self.parent_path();
}

objc::Result<std::string> readScript(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return objc::makeError("no script file " + path.string());
  if (std::filesystem::file_size(path, ec) > kMaximumScriptSize) {
    return objc::makeError(path.string() + " is too large for a scenario script");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return objc::makeError("cannot read " + path.string());
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The program's own start-up after the device root is set: its classes and what
// they need, up to (not including) the tweak loader.
objc::Status prepareProgram(HostProgram program, HomeScreen* homeScreen, const std::filesystem::path& ownDir) {
  if (program == HostProgram::springboard) {
    homeScreen->registerClasses();
    // The Messages app this home screen launches in the background.
    ns::registerApplication(kMobileSMSBundle, ownDir / "mobilesms");
    return objc::Ok{};
  }
  // ChatKit's classes are registered when its library loads; naming one keeps the
  // library linked.  The store is created if the device has none.
  (void)ck::CKConversationListClass();
  auto store = ck::MessageStore::open();
  if (!store) return objc::makeError("cannot open the message store: " + store.error().message);
  return objc::Ok{};
}

}  // namespace

int runHostProgram(HostProgram program, int argc, char** argv) {
  const char* name = programName(program);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  auto options = parseHostOptions(program, arguments);
  if (!options) {
    std::cerr << name << ": " << options.error().message << '\n' << usage(program);
    return kExitBadInput;
  }
  if (options->help) {
    std::cout << usage(program);
    return kExitSuccess;
  }

  std::unique_ptr<HomeScreen> homeScreen;
  if (program == HostProgram::springboard) {
    HomeScreenSettings settings;
    settings.iosMajor = options->iosMajor;
    settings.ipad = options->ipad;
    settings.passcode = options->passcode;
    settings.startLocked = options->startLocked;
    auto made = makeHomeScreen(settings);
    if (!made) {
      std::cerr << name << ": " << made.error().message << '\n';
      return kExitBadInput;
    }
    homeScreen = std::move(*made);
  }

  // A script is read and checked before anything starts, so a bad one changes nothing.
  scenario::ParsedScript script;
  std::string scriptName = "stdin";
  if (options->input == HostOptions::Input::file) {
    auto text = readScript(options->script);
    if (!text) {
      std::cerr << name << ": " << text.error().message << '\n';
      return kExitBadInput;
    }
    scriptName = options->script.filename().string();
    script = scenario::parseScript(*text);
    if (!script.errors.empty()) {
      for (const auto& error : script.errors) {
        std::cerr << options->script.string() << ":" << error.line << ": error: " << error.message << "\n    "
                  << error.source << '\n';
      }
      std::cerr << name << ": " << script.errors.size() << " bad line" << (script.errors.size() == 1 ? "" : "s")
                << " in " << options->script.string() << "; nothing was run\n";
      return kExitBadInput;
    }
  }

  std::error_code ec;
  if (options->screenshots) {
    std::filesystem::create_directories(*options->screenshots, ec);
    if (ec) {
      std::cerr << name << ": cannot use the screenshot folder " << options->screenshots->string() << ": "
                << ec.message() << '\n';
      return kExitBadInput;
    }
  }
  std::filesystem::create_directories(options->deviceRoot, ec);
  if (ec) {
    std::cerr << name << ": cannot use the device root " << options->deviceRoot.string() << ": " << ec.message() << '\n';
    return kExitBadInput;
  }
  ns::setDeviceRoot(options->deviceRoot);

  const char* bundle = program == HostProgram::springboard ? kSpringBoardBundle : kMobileSMSBundle;
  auto claimed = ns::claimApplicationInstance(bundle);
  if (!claimed || !*claimed) {
    std::cerr << name << ": another " << name << " is running on the device root " << ns::deviceRoot().string()
              << (claimed ? "" : " (" + claimed.error().message + ")") << '\n';
    return kExitFailed;
  }

  objc::AutoreleasePool pool;
  watchForTermination();
  ns::setMainBundleIdentifier(bundle);
  if (auto prepared = prepareProgram(program, homeScreen.get(), ownDirectory(argv[0])); !prepared) {
    std::cerr << name << ": " << prepared.error().message << '\n';
    return kExitFailed;
  }

  // The Messages app played is iOS 7's; springboard plays the iOS of --ios.
  const bool ios6 = program == HostProgram::springboard && options->iosMajor == 6;
  auto tweaks = loadTweaks(bundle, std::cerr, ios6 ? kCoreFoundationVersionIOS6 : kCoreFoundationVersionIOS7);
  if (!options->quiet) {
    for (const auto& library : tweaks.loaded) std::cout << name << ": loaded " << library << '\n';
    std::cout << std::flush;
  }

  if (homeScreen) {
    if (auto launched = homeScreen->launch(); !launched) {
      std::cerr << name << ": the " << homeScreen->name() << " home screen did not launch: "
                << launched.error().message << '\n';
      return kExitFailed;
    }
  }

  PlatformHost host(name, homeScreen.get());
  host.settle();
  ScenarioRunner runner(host, std::cout, std::cerr, scriptName, !options->quiet);
  if (options->screenshots) runner.takeScreenshotsInto(*options->screenshots);
  switch (options->input) {
    case HostOptions::Input::file:
      for (const auto& line : script.lines) {
        if (terminationRequested()) break;
        runner.runLine(line);
      }
      break;
    case HostOptions::Input::standardInput:
      runStandardInput(runner);
      break;
    case HostOptions::Input::none:
      if (!options->quiet) std::cout << name << ": serving until terminated\n" << std::flush;
      while (!terminationRequested()) ns::RunLoop::main().runUntil([] { return terminationRequested(); }, 3600);
      if (!options->quiet) std::cout << name << ": terminated\n";
      return kExitSuccess;
  }
  if (terminationRequested() && !options->quiet) std::cout << name << ": terminated\n";
  return runner.finish();
}

}  // namespace hosts
