#include "PreferencesApp.h"

#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSData.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSArray.h>
#include <foundation/NSNumber.h>
#include <foundation/NSString.h>
#include <foundation/RunLoop.h>
#include <objcface/Send.h>
#include <preferences/PSListController.h>
#include <preferences/PSSpecifier.h>
#include <preferences/PreferenceBundles.h>
#include <preferences/PreferenceRows.h>
#include <preferences/PreferenceValues.h>
#include <uikit/UIActionSheet.h>
#include <uikit/UIApplication.h>
#include <uikit/UIDevice.h>
#include <uikit/UIImagePickerController.h>
#include <uikit/Simulation.h>
#include <uikit/UIPopoverController.h>
#include <uikit/UIWindow.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace hosts::prefs {

using objc::send;
using objc::sel;

namespace {

constexpr const char* kSettingsBundleIdentifier = "com.apple.Preferences";
constexpr const char* kPreferredBundle = "NoctilSettings";
constexpr const char* kOptionsDomain = "com.trelmo.noctil";

objc::Status failure(const std::string& message) { return objc::makeError(message); }

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

std::string formatNumber(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

// A stored value as text: YES / NO, a number, the string, an array's elements
// joined by commas.
std::string valueText(id value) {
  if (!value) return "absent";
  if (ns::isNumber(value)) {
    if (ns::isBoolean(value)) return ns::numberAsLongLong(value) ? "YES" : "NO";
    return formatNumber(ns::numberAsDouble(value));
  }
  if (ns::isArray(value)) {
    std::string joined;
    for (id element : ns::elements(value)) joined += (joined.empty() ? "" : ",") + valueText(element);
    return joined;
  }
  return ns::utf8(send<id>(value, sel<"description">()));
}

std::optional<bool> parseBool(const std::string& text) {
  for (const char* yes : {"YES", "yes", "ON", "on", "true", "1"}) {
    if (text == yes) return true;
  }
  for (const char* no : {"NO", "no", "OFF", "off", "false", "0"}) {
    if (text == no) return false;
  }
  return std::nullopt;
}

std::optional<double> parseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool closeEnough(double a, double b) { return std::fabs(a - b) <= 1e-4 * std::max(1.0, std::fabs(b)); }

id property(id specifier, const char* key) { return send<id>(specifier, sel<"propertyForKey:">(), ns::str(key)); }

// Whether the options file lacks the key the row is bound to.
bool storedKeyAbsent(id specifier) {
  id domain = property(specifier, PSDefaultsKey);
  id key = property(specifier, PSKeyNameKey);
  if (!ns::isString(domain) || !ns::isString(key)) return true;
  auto stored = preferences::readDomain(ns::utf8View(domain));
  if (!stored || !stored->get()) return true;
  return send<id>(stored->get(), sel<"objectForKey:">(), key) == nil;
}

objc::Result<std::vector<std::uint8_t>> readHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return objc::makeError("cannot read " + path.string());
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The button of an action sheet that offers the source by name, or -1.
NSInteger sourceButton(id sheet, bool camera) {
  auto titles = uikit::actionSheetButtonTitles(sheet);
  const char* wanted = camera ? "Camera" : "Library";
  NSInteger index = -1;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    if (titles[i].find(wanted) != std::string::npos) index = static_cast<NSInteger>(i);
  }
  return index;
}

void printRow(std::ostream& out, const preferences::RowView& row) {
  out << "  ";
  switch (row.cellType) {
    case PSButtonCell:
      out << "[" << row.label << "]";
      break;
    case PSLinkCell:
      out << row.label << " >";
      break;
    case PSLinkListCell:
      out << row.label << ": " << row.value << " >";
      break;
    case PSEditTextCell:
    case PSSecureEditTextCell:
      out << row.label << ": " << inQuotes(row.value);
      break;
    case PSListItemCell:
      out << row.label << (row.chosen ? " \u2713" : "");
      break;
    default:
      out << row.label;
      if (row.showsValue) out << ": " << row.value;
  }
  out << '\n';
}

}  // namespace

SettingsApp::~SettingsApp() {
  // Letting go of the window and the stack frees the panes, whose releases may
  // autorelease.
  objc::AutoreleasePool pool;
  window_.reset();
  root_.reset();
}

objc::Result<std::unique_ptr<SettingsApp>> SettingsApp::launch(const AppConfig& config) {
  objc::AutoreleasePool pool;
  std::unique_ptr<SettingsApp> app(new SettingsApp);
  app->config_ = config;
  uikit::setSystemVersion(config.systemVersion);
  uikit::setUserInterfaceIdiom(config.pad ? 1 : 0);
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, config.camera);
  ns::setMainBundleIdentifier(kSettingsBundleIdentifier);

  auto entries = preferences::preferenceLoaderEntries();
  if (!entries) return entries.error();
  if (entries->empty()) {
    return objc::makeError("no preference bundle entry under " + std::string(preferences::kPreferenceLoaderFolder));
  }
  const preferences::LoaderEntry* chosen = &entries->front();
  for (const auto& entry : *entries) {
    if (entry.bundle == kPreferredBundle) chosen = &entry;
  }
  std::string bundlePath = std::string(preferences::kPreferenceBundlesFolder) + "/" + chosen->bundle + ".bundle";
  auto bundle = preferences::loadPreferenceBundle(bundlePath);
  if (!bundle) return bundle.error();

  auto entrySpec = preferences::specifierFromEntry(chosen->entry.get(), nil);
  if (!entrySpec) return objc::makeError(chosen->file + ": " + entrySpec.error().message);
  id rowSpecifier = entrySpec->specifier.get();
  if (send<Class>(rowSpecifier, sel<"detailControllerClass">()) == Nil) {
    id principal = send<id>(*bundle, sel<"objectForInfoDictionaryKey:">(), ns::str("NSPrincipalClass"));
    Class cls = ns::isString(principal) ? objc::classNamed(ns::utf8(principal).c_str()) : Nil;
    if (cls == Nil) return objc::makeError(bundlePath + " names no root pane class");
    send<void>(rowSpecifier, sel<"setDetailControllerClass:">(), cls);
  }

  id screen = send<id>(reinterpret_cast<id>(objc::classNamed("UIScreen")), sel<"mainScreen">());
  CGRect bounds = send<CGRect>(screen, sel<"bounds">());
  app->window_ = objc::Ref::adopt(send<id>(send<id>(reinterpret_cast<id>(uikit::UIWindowClass()), sel<"alloc">()),
                                           sel<"initWithFrame:">(), bounds));
  app->root_ = objc::Ref::adopt(objc::allocInit(preferences::PSRootControllerClass()));
  send<void>(app->window_.get(), sel<"setRootViewController:">(), app->root_.get());
  send<void>(app->window_.get(), sel<"makeKeyAndVisible">());

  auto pane = preferences::paneForLink(nil, rowSpecifier);
  if (!pane) return pane.error();
  send<void>(pane->get(), sel<"setRootController:">(), app->root_.get());
  send<void>(app->root_.get(), sel<"pushController:animated:">(), pane->get(), static_cast<BOOL>(NO));
  app->openedSeen_ = uikit::openedURLs().size();
  return app;
}

id SettingsApp::currentPane() const { return send<id>(root_.get(), sel<"topViewController">()); }

void SettingsApp::show(std::ostream& out) {
  objc::AutoreleasePool pool;
  id pane = currentPane();
  out << "== " << ns::utf8(send<id>(pane, sel<"navigationTitle">())) << " ==\n";
  for (const auto& group : preferences::paneGroups(pane)) {
    out << "--" << (group.header.empty() ? "" : " " + group.header + " --") << '\n';
    for (const auto& row : group.rows) printRow(out, row);
    if (!group.footer.empty()) out << "  (" << group.footer << ")\n";
  }
}

objc::Result<id> SettingsApp::rowLabelled(const std::string& label) const {
  for (id rowSpecifier : ns::elements(send<id>(currentPane(), sel<"specifiers">()))) {
    if (send<PSCellType>(rowSpecifier, sel<"cellType">()) == PSGroupCell) continue;
    if (ns::utf8(send<id>(rowSpecifier, sel<"name">())) == label) return rowSpecifier;
  }
  return objc::makeError("no row " + inQuotes(label) + " on this pane");
}

objc::Status SettingsApp::run(const Command& command, std::ostream& out) {
  objc::AutoreleasePool pool;
  objc::Status result = std::visit(
      [&](const auto& c) -> objc::Status {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, Show>) {
          show(out);
          return objc::Ok{};
        } else if constexpr (std::is_same_v<T, Open>) {
          return open(c, out);
        } else if constexpr (std::is_same_v<T, Back>) {
          return back(out);
        } else if constexpr (std::is_same_v<T, Set>) {
          return set(c, out);
        } else if constexpr (std::is_same_v<T, Press>) {
          return press(c, out);
        } else if constexpr (std::is_same_v<T, Pick>) {
          return pick(c, out);
        } else if constexpr (std::is_same_v<T, Source>) {
          return source(c, out);
        } else if constexpr (std::is_same_v<T, TapOutside>) {
          return tapOutside(out);
        } else if constexpr (std::is_same_v<T, Cancel>) {
          return cancel(out);
        } else if constexpr (std::is_same_v<T, Wait>) {
          ns::RunLoop::main().runUntil([] { return false; }, c.seconds);
          return objc::Ok{};
        } else if constexpr (std::is_same_v<T, ExpectValue>) {
          return expectValue(c);
        } else if constexpr (std::is_same_v<T, ExpectShown>) {
          return expectShown(c);
        } else if constexpr (std::is_same_v<T, ExpectTitle>) {
          return expectTitle(c);
        } else if constexpr (std::is_same_v<T, ExpectFile>) {
          return expectFile(c);
        } else {
          return expectOpened(c);
        }
      },
      command);
  ns::RunLoop::main().runUntilIdle();
  auto settled = settle(out);
  if (result.ok() && !settled.ok()) return settled;
  return result;
}

objc::Status SettingsApp::finish() {
  if (pending_) return failure("no image picker answered the pick of " + pending_->file);
  return objc::Ok{};
}

objc::Status SettingsApp::paneCovered() const {
  if (!uikit::visibleActionSheets().empty()) {
    return failure("an action sheet covers the pane: answer it with pick or cancel first");
  }
  for (id picker : uikit::shownImagePickers()) {
    bool inPopover = false;
    for (id popover : uikit::visiblePopovers()) {
      if (send<id>(popover, sel<"contentViewController">()) == picker) inPopover = true;
    }
    // A popover goes away at a tap beside it; a full-screen picker covers everything.
    if (!inPopover) return failure("an image picker covers the pane: answer it with pick or cancel first");
  }
  return objc::Ok{};
}

objc::Status SettingsApp::open(const Open& c, std::ostream& out) {
  if (auto covered = paneCovered(); !covered) return covered;
  auto rowSpecifier = rowLabelled(c.label);
  if (!rowSpecifier) return rowSpecifier.error();
  PSCellType type = send<PSCellType>(*rowSpecifier, sel<"cellType">());
  if (type != PSLinkCell && type != PSLinkListCell) return failure(inQuotes(c.label) + " is not a link");
  id parent = currentPane();
  auto pane = preferences::paneForLink(parent, *rowSpecifier);
  if (!pane) return pane.error();
  send<void>(parent, sel<"pushController:animate:">(), pane->get(), static_cast<BOOL>(NO));
  if (currentPane() != pane->get()) {
    send<void>(root_.get(), sel<"pushController:animated:">(), pane->get(), static_cast<BOOL>(NO));
  }
  show(out);
  return objc::Ok{};
}

objc::Status SettingsApp::back(std::ostream& out) {
  if (auto covered = paneCovered(); !covered) return covered;
  if (!send<id>(root_.get(), sel<"popControllerAnimated:">(), static_cast<BOOL>(NO))) {
    return failure("back: this is the first pane");
  }
  show(out);
  return objc::Ok{};
}

objc::Status SettingsApp::set(const Set& c, std::ostream& out) {
  if (auto covered = paneCovered(); !covered) return covered;
  auto found = rowForKeyAnywhere(c.key);
  if (!found) return found.error();
  auto changed = preferences::userChangesRow(found->specifier.get(), c.value);
  if (!changed) return changed;
  out << c.key << " = " << preferences::shownValue(found->specifier.get()) << '\n';
  return objc::Ok{};
}

objc::Status SettingsApp::press(const Press& c, std::ostream& out) {
  if (auto covered = paneCovered(); !covered) return covered;
  auto rowSpecifier = rowLabelled(c.label);
  if (!rowSpecifier) return rowSpecifier.error();
  auto pressed = preferences::userPressesButton(*rowSpecifier);
  if (!pressed) return pressed;
  auto opened = uikit::openedURLs();
  for (std::size_t i = openedSeen_; i < opened.size(); ++i) out << "opened " << opened[i] << '\n';
  openedSeen_ = opened.size();
  return objc::Ok{};
}

objc::Status SettingsApp::pick(const Pick& c, std::ostream&) {
  std::filesystem::path file = c.file;
  if (file.is_relative() && !config_.fileBase.empty() && std::filesystem::exists(config_.fileBase / file)) {
    file = config_.fileBase / file;
  }
  auto bytes = readHostFile(file);
  if (!bytes) return bytes.error();
  id image = send<id>(reinterpret_cast<id>(objc::classNamed("UIImage")), sel<"imageWithData:">(), ns::data(*bytes));
  if (!image) return failure(file.string() + " is not a picture");
  pending_ = PendingPick{objc::Ref::retain(image), c.camera, file.string()};
  return objc::Ok{};
}

objc::Status SettingsApp::source(const Source& c, std::ostream& out) {
  auto sheets = uikit::visibleActionSheets();
  if (sheets.empty()) return failure("source: no action sheet on screen");
  id sheet = sheets.back();
  NSInteger index = sourceButton(sheet, c.camera);
  if (index < 0) return failure(std::string("source: the action sheet offers no ") + (c.camera ? "camera" : "library"));
  out << "action sheet: " << uikit::actionSheetButtonTitles(sheet)[static_cast<std::size_t>(index)] << '\n';
  return uikit::tapActionSheetButton(sheet, index);
}

objc::Status SettingsApp::tapOutside(std::ostream& out) {
  auto popovers = uikit::visiblePopovers();
  if (popovers.empty()) return failure("tap-outside: no popover on screen");
  // The popover's delegate may let go of it when it closes; it stays readable here.
  objc::Ref popover = objc::Ref::retain(popovers.back());
  id panel = send<id>(send<id>(popover.get(), sel<"contentViewController">()), sel<"view">());
  id window = send<id>(panel, sel<"window">());
  if (!window) return failure("tap-outside: the popover is not in a window");
  CGRect screen = send<CGRect>(window, sel<"bounds">());
  CGRect covered = send<CGRect>(panel, sel<"convertRect:toView:">(), send<CGRect>(panel, sel<"bounds">()), window);
  // The first corner of the screen, a little inside it, that the panel leaves free.
  CGFloat right = screen.size.width - 2, bottom = screen.size.height - 2;
  for (CGPoint point : {CGPoint{2, 2}, CGPoint{right, 2}, CGPoint{2, bottom}, CGPoint{right, bottom}}) {
    if (CGRectContainsPoint(covered, point)) continue;
    auto tapped = uikit::sim::tap(window, point);
    if (!tapped) return tapped;
    bool stays = send<BOOL>(popover.get(), sel<"isPopoverVisible">());
    out << "popover: " << (stays ? "still shown" : "closed") << '\n';
    return objc::Ok{};
  }
  return failure("tap-outside: the popover covers the whole screen");
}

objc::Status SettingsApp::cancel(std::ostream& out) {
  auto sheets = uikit::visibleActionSheets();
  if (!sheets.empty()) {
    id sheet = sheets.back();
    NSInteger index = send<NSInteger>(sheet, sel<"cancelButtonIndex">());
    out << "action sheet: cancelled\n";
    return uikit::tapActionSheetButton(sheet, index);
  }
  auto pickers = uikit::shownImagePickers();
  if (!pickers.empty()) {
    out << "image picker: cancelled\n";
    return uikit::cancelImagePicker(pickers.back());
  }
  return failure("cancel: no action sheet or picker on screen");
}

objc::Status SettingsApp::settle(std::ostream& out) {
  for (int round = 0; round < 4; ++round) {
    ns::RunLoop::main().runUntilIdle();
    auto sheets = uikit::visibleActionSheets();
    auto pickers = uikit::shownImagePickers();
    // A sheet or picker that left the screen is forgotten, so a later one made at the
    // same address is still announced.
    if (sheets.empty()) lastSheet_ = nil;
    if (pickers.empty()) lastPicker_ = nil;
    if (!sheets.empty() && sheets.back() != lastSheet_) {
      lastSheet_ = sheets.back();
      std::string titles;
      for (const auto& title : uikit::actionSheetButtonTitles(lastSheet_)) titles += (titles.empty() ? "" : " | ") + title;
      out << "action sheet: " << titles << '\n';
    }
    if (!pickers.empty() && pickers.back() != lastPicker_) {
      lastPicker_ = pickers.back();
      bool camera = send<NSInteger>(lastPicker_, sel<"sourceType">()) == UIImagePickerControllerSourceTypeCamera;
      bool inPopover = false;
      for (id popover : uikit::visiblePopovers()) {
        if (send<id>(popover, sel<"contentViewController">()) == lastPicker_) inPopover = true;
      }
      out << "image picker: " << (camera ? "camera" : "photo library") << (inPopover ? ", in a popover" : ", full screen")
          << '\n';
    }
    if (!pending_) return objc::Ok{};
    if (!sheets.empty()) {
      // The sheet offers the sources by name; the pick says which one the user takes.
      id sheet = sheets.back();
      NSInteger index = sourceButton(sheet, pending_->camera);
      if (index < 0) {
        bool camera = pending_->camera;
        pending_.reset();
        return failure(std::string("the action sheet offers no ") + (camera ? "camera" : "library"));
      }
      auto tapped = uikit::tapActionSheetButton(sheet, index);
      if (!tapped) return tapped;
      continue;
    }
    if (!pickers.empty()) {
      id picker = pickers.back();
      bool camera = send<NSInteger>(picker, sel<"sourceType">()) == UIImagePickerControllerSourceTypeCamera;
      PendingPick answer = std::move(*pending_);
      pending_.reset();
      if (camera != answer.camera) {
        return failure(std::string("the picker on screen shows the ") + (camera ? "camera" : "photo library"));
      }
      auto picked = uikit::pickImage(picker, answer.image.get());
      if (!picked) return picked;
      out << "picked " << answer.file << '\n';
      continue;
    }
    return objc::Ok{};
  }
  return objc::Ok{};
}

objc::Result<preferences::FoundRow> SettingsApp::rowForKeyAnywhere(const std::string& key) const {
  auto found = preferences::findRowForKey(currentPane(), key);
  if (found) return found;
  // The first pane reaches every pane of the bundle, so a row that this pane cannot
  // reach (one on a pane above it in the stack) is still the row the user sees.
  auto panes = ns::elements(send<id>(root_.get(), sel<"viewControllers">()));
  if (panes.empty() || panes.front() == currentPane()) return found;
  return preferences::findRowForKey(panes.front(), key);
}

objc::Status SettingsApp::expectValue(const ExpectValue& c) const {
  auto found = rowForKeyAnywhere(c.key);
  if (!found) {
    // A key without a row (one the tweaks keep themselves) is read from the file.
    auto stored = preferences::readDomain(kOptionsDomain);
    if (!stored) return stored.error();
    id value = stored->get() ? send<id>(stored->get(), sel<"objectForKey:">(), ns::str(c.key)) : nil;
    std::string actual = valueText(value);
    std::string expected = c.value.value_or("absent");
    bool same = actual == expected;
    if (!same && value && ns::isNumber(value)) {
      if (auto b = parseBool(expected); b && ns::isBoolean(value)) same = *b == (ns::numberAsLongLong(value) != 0);
      if (auto n = parseNumber(expected); n && !ns::isBoolean(value)) same = closeEnough(ns::numberAsDouble(value), *n);
    }
    if (!same) return failure("value of " + c.key + ": expected " + expected + ", found " + actual);
    return objc::Ok{};
  }
  id rowSpecifier = found->specifier.get();
  if (!c.value) {
    if (storedKeyAbsent(rowSpecifier)) return objc::Ok{};
    return failure("value of " + c.key + ": expected absent, found " + valueText(preferences::rowValue(rowSpecifier)) +
                   " in the options file");
  }
  const std::string& expected = *c.value;
  id value = preferences::rowValue(rowSpecifier);
  std::string shown = preferences::shownValue(rowSpecifier);
  bool same = false;
  switch (send<PSCellType>(rowSpecifier, sel<"cellType">())) {
    case PSSwitchCell: {
      auto b = parseBool(expected);
      same = b && value && *b == (send<BOOL>(value, sel<"boolValue">()) != NO);
      break;
    }
    case PSSliderCell: {
      auto n = parseNumber(expected);
      same = n && value && closeEnough(send<double>(value, sel<"doubleValue">()), *n);
      break;
    }
    case PSLinkListCell:
    case PSSegmentCell:
      same = shown == expected || (value && valueText(value) == expected);
      break;
    default:
      same = shown == expected || (value && valueText(value) == expected);
  }
  if (!same) return failure("value of " + c.key + ": expected " + expected + ", found " + shown);
  return objc::Ok{};
}

objc::Status SettingsApp::expectShown(const ExpectShown& c) const {
  for (const auto& group : preferences::paneGroups(currentPane())) {
    if (!group.header.empty() && group.header == c.label) return objc::Ok{};
    for (const auto& row : group.rows) {
      if (row.label == c.label) return objc::Ok{};
    }
  }
  return failure("shown: no row " + inQuotes(c.label) + " on the pane " +
                 inQuotes(ns::utf8(send<id>(currentPane(), sel<"navigationTitle">()))));
}

objc::Status SettingsApp::expectTitle(const ExpectTitle& c) const {
  std::string title = ns::utf8(send<id>(currentPane(), sel<"navigationTitle">()));
  if (title != c.text) return failure("title: expected " + inQuotes(c.text) + ", found " + inQuotes(title));
  return objc::Ok{};
}

objc::Status SettingsApp::expectFile(const ExpectFile& c) const {
  auto host = ns::hostPath(c.path);
  if (!host) return host.error();
  std::error_code ec;
  bool exists = std::filesystem::is_regular_file(*host, ec);
  switch (c.state) {
    case ExpectFile::State::exists:
      if (!exists) return failure("file " + c.path + ": expected to exist, it is missing");
      break;
    case ExpectFile::State::missing:
      if (exists) return failure("file " + c.path + ": expected missing, it exists");
      break;
    case ExpectFile::State::jpeg: {
      auto bytes = readHostFile(*host);
      bool jpeg = exists && bytes && bytes->size() > 3 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xD8 && (*bytes)[2] == 0xFF;
      if (!jpeg) return failure("file " + c.path + ": expected JPEG data");
      break;
    }
  }
  return objc::Ok{};
}

objc::Status SettingsApp::expectOpened(const ExpectOpened& c) const {
  auto opened = uikit::openedURLs();
  if (opened.empty()) return failure("opened: nothing was opened");
  if (opened.back() != c.url) return failure("opened: expected " + c.url + ", found " + opened.back());
  return objc::Ok{};
}

}  // namespace hosts::prefs
