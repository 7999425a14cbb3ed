// The scenario language: words and quoting, comments, every command's form, and
// the errors a bad line gives (with its line number).
#include "ScriptLexer.h"
#include "ScriptParser.h"

#include <gtest/gtest.h>

using namespace scenario;

namespace {

std::vector<std::string> texts(std::string_view line) {
  auto words = splitWords(line);
  EXPECT_TRUE(words.ok()) << (words.ok() ? "" : words.error().message);
  std::vector<std::string> out;
  if (words.ok()) {
    for (const Word& w : *words) out.push_back(w.text);
  }
  return out;
}

template <class T>
T parseOne(std::string_view line) {
  ParsedLine parsed = parseLine(line, 1);
  if (auto* error = std::get_if<ParseError>(&parsed)) {
    ADD_FAILURE() << error->describe();
    return T{};
  }
  if (!std::holds_alternative<ScriptLine>(parsed)) {
    ADD_FAILURE() << "no command in: " << line;
    return T{};
  }
  const Command& command = std::get<ScriptLine>(parsed).command;
  if (!std::holds_alternative<T>(command)) {
    ADD_FAILURE() << "wrong command kind " << commandName(command) << " for: " << line;
    return T{};
  }
  return std::get<T>(command);
}

std::string errorOf(std::string_view line) {
  ParsedLine parsed = parseLine(line, 12);
  if (auto* error = std::get_if<ParseError>(&parsed)) {
    EXPECT_EQ(error->line, 12);
    return error->message;
  }
  ADD_FAILURE() << "no error for: " << line;
  return {};
}

}  // namespace

TEST(ScriptLexer, QuotesGroupAndJoinWithTheirWord) {
  EXPECT_EQ(texts("post  com.apple.MobileSMS\ttitle=\"Two words\" message=\"say \\\"hi\\\" \\\\ bye\""),
            (std::vector<std::string>{"post", "com.apple.MobileSMS", "title=Two words", "message=say \"hi\" \\ bye"}));
  // A backslash outside quotes, or before another character, stays as written.
  EXPECT_EQ(texts(R"(echo a\b "c\d")"), (std::vector<std::string>{"echo", "a\\b", "c\\d"}));
  // An empty quoted value is a word of its own.
  EXPECT_EQ(texts(R"(set ColorTint "")"), (std::vector<std::string>{"set", "ColorTint", ""}));
  auto words = splitWords(R"(menu "Clear All" x)");
  ASSERT_TRUE(words.ok());
  EXPECT_TRUE((*words)[1].quoted);
  EXPECT_FALSE((*words)[2].quoted);
}

TEST(ScriptLexer, CommentsStartAWordOutsideQuotes) {
  EXPECT_TRUE(texts("   # a comment").empty());
  EXPECT_TRUE(texts("").empty());
  EXPECT_TRUE(texts(" \t \r").empty());
  EXPECT_EQ(texts("lock # and a note"), (std::vector<std::string>{"lock"}));
  EXPECT_EQ(texts(R"(menu "a # b")"), (std::vector<std::string>{"menu", "a # b"}));
  EXPECT_EQ(texts("echo issue#4"), (std::vector<std::string>{"echo", "issue#4"}));
}

TEST(ScriptLexer, UnterminatedQuoteIsAnError) {
  auto words = splitWords(R"(menu "Clear All)");
  ASSERT_FALSE(words.ok());
  EXPECT_NE(words.error().message.find("column 6"), std::string::npos) << words.error().message;
}

TEST(ScriptLexer, QuoteWordRoundTrips) {
  for (std::string s : {"plain", "two words", "say \"hi\"", "back\\slash", "", "#hash", "tab\there"}) {
    auto words = splitWords("echo " + quoteWord(s));
    ASSERT_TRUE(words.ok()) << s;
    ASSERT_EQ(words->size(), 2u) << s;
    EXPECT_EQ((*words)[1].text, s);
  }
}

TEST(ScriptParser, MessagesPostsAndBadges) {
  auto m = parseOne<PutMessage>(R"(message +15550100 7 "See you at 8")");
  EXPECT_EQ(m.chat, "+15550100");
  EXPECT_EQ(m.rowID, 7);
  EXPECT_EQ(m.text, "See you at 8");

  auto p = parseOne<PostBulletin>(R"(post com.apple.MobileSMS title="Anna" message="Hi there" record=7 id=b1)");
  EXPECT_EQ(p.sectionID, "com.apple.MobileSMS");
  EXPECT_EQ(p.title, "Anna");
  EXPECT_EQ(p.message, "Hi there");
  EXPECT_EQ(p.recordID, "7");
  EXPECT_EQ(p.bulletinID, "b1");
  EXPECT_FALSE(p.url.has_value());
  // A value may itself hold '=' (URLs do).
  EXPECT_EQ(parseOne<PostBulletin>("post com.x url=sms:+1?body=a").url, "sms:+1?body=a");

  EXPECT_EQ(parseOne<SetBadge>("badge com.apple.MobileSMS 5").value, 5);
  EXPECT_FALSE(parseOne<SetBadge>("badge com.apple.MobileSMS none").value.has_value());
  EXPECT_EQ(parseOne<ExpectBadge>("expect badge com.apple.mobilemail 0").value, 0);
}

TEST(ScriptParser, NavigationWaitAndTouches) {
  EXPECT_EQ(parseOne<Navigate>("lock").what, Navigation::lock);
  EXPECT_EQ(parseOne<Navigate>("nc show").what, Navigation::showNotificationCenter);
  EXPECT_EQ(parseOne<Navigate>("nc hide").what, Navigation::hideNotificationCenter);
  EXPECT_EQ(parseOne<Navigate>("home").what, Navigation::home);
  EXPECT_DOUBLE_EQ(parseOne<Wait>("wait 0.25").seconds, 0.25);

  auto lp = parseOne<LongPress>("longpress lock com.apple.MobileSMS 2");
  EXPECT_EQ(lp.list, ListKind::lockScreen);
  EXPECT_EQ(lp.row, 2);
  EXPECT_EQ(parseOne<PerformMenuItem>(R"(menu "Clear All")").title, "Clear All");
  EXPECT_EQ(parseOne<TapHeader>("tap-header com.apple.mobilemail").sectionID, "com.apple.mobilemail");
  EXPECT_EQ(parseOne<ClearSection>("clear-section com.apple.mobilemail").sectionID, "com.apple.mobilemail");
}

TEST(ScriptParser, SetTypesItsValue) {
  EXPECT_EQ(parseOne<SetOption>("set Enabled NO").value, OptionValue(false));
  EXPECT_EQ(parseOne<SetOption>("set Enabled YES").value, OptionValue(true));
  EXPECT_EQ(parseOne<SetOption>("set BlurValue 12").value, OptionValue(12LL));
  EXPECT_EQ(parseOne<SetOption>("set BlurValue 12.5").value, OptionValue(12.5));
  EXPECT_EQ(parseOne<SetOption>("set BlurValue -3").value, OptionValue(-3LL));
  EXPECT_EQ(parseOne<SetOption>("set ColorTint hotpink").value, OptionValue(std::string("hotpink")));
  // Quoted values are always strings; 0x10 and inf are not numbers here.
  EXPECT_EQ(parseOne<SetOption>(R"(set ColorTint "YES")").value, OptionValue(std::string("YES")));
  EXPECT_EQ(parseOne<SetOption>(R"(set Text "12")").value, OptionValue(std::string("12")));
  EXPECT_EQ(parseOne<SetOption>("set Text 0x10").value, OptionValue(std::string("0x10")));
  EXPECT_EQ(parseOne<SetOption>("set Text inf").value, OptionValue(std::string("inf")));
  // The list options are arrays; brackets make an array of any key.
  using List = std::vector<std::string>;
  EXPECT_EQ(parseOne<SetOption>("set foldedSections com.a,com.b").value, OptionValue(List{"com.a", "com.b"}));
  EXPECT_EQ(parseOne<SetOption>("set foldedSections com.a").value, OptionValue(List{"com.a"}));
  EXPECT_EQ(parseOne<SetOption>(R"(set foldedSections "")").value, OptionValue(List{}));
  EXPECT_EQ(parseOne<SetOption>("set foldedSections []").value, OptionValue(List{}));
  EXPECT_EQ(parseOne<SetOption>("set Other [x,,y]").value, OptionValue(List{"x", "", "y"}));
  EXPECT_EQ(parseOne<SetOption>(R"(set Other "[x]")").value, OptionValue(std::string("[x]")));
  EXPECT_EQ(parseOne<UnsetOption>("unset ColorTint").key, "ColorTint");
  EXPECT_TRUE(parseOne<SetActionMenu>("actionmenu on").on);
  EXPECT_FALSE(parseOne<SetActionMenu>("actionmenu off").on);
}

TEST(ScriptParser, Expectations) {
  auto menu = parseOne<ExpectMenu>(R"(expect menu "Delete" "Clear All")");
  EXPECT_EQ(menu.titles, (std::vector<std::string>{"Delete", "Clear All"}));
  EXPECT_TRUE(parseOne<ExpectMenu>("expect menu").titles.empty());

  auto row = parseOne<ExpectRow>("expect row nc com.apple.MobileSMS 0 hidden height=0");
  EXPECT_EQ(row.list, ListKind::notificationCenter);
  EXPECT_EQ(row.state, RowState::hidden);
  EXPECT_EQ(row.height, 0.0);
  EXPECT_FALSE(parseOne<ExpectRow>("expect row lock com.x 3 absent").height.has_value());

  EXPECT_EQ(parseOne<ExpectHeader>(R"x(expect header com.apple.MobileSMS "Messages (3)")x").title, "Messages (3)");
  auto option = parseOne<ExpectOption>("expect option ColorTint absent");
  EXPECT_FALSE(option.value.has_value());
  option = parseOne<ExpectOption>(R"(expect option ColorTint "absent")");
  EXPECT_EQ(option.value, "absent");
  EXPECT_TRUE(option.quoted);
  EXPECT_TRUE(option.file.empty());
  option = parseOne<ExpectOption>("expect option AMEnabled NO in=/var/mobile/Library/Preferences/x.plist");
  EXPECT_EQ(option.value, "NO");
  EXPECT_EQ(option.file, "/var/mobile/Library/Preferences/x.plist");
  EXPECT_TRUE(parseOne<ExpectRead>("expect read 7 yes").read);
  EXPECT_FALSE(parseOne<ExpectRead>("expect read 7 no").read);
  auto file = parseOne<ExpectFile>(R"(expect file "/var/mobile/Library/Noctil" exists)");
  EXPECT_EQ(file.path, "/var/mobile/Library/Noctil");
  EXPECT_TRUE(file.exists);
}

TEST(ScriptParser, PicturesAndPixels) {
  auto picture = parseOne<WritePicture>("picture /var/mobile/Library/Noctil/CustomBGImage.png 640 1136 jpeg rgb=200,40,0");
  EXPECT_EQ(picture.path, "/var/mobile/Library/Noctil/CustomBGImage.png");
  EXPECT_EQ(picture.width, 640);
  EXPECT_EQ(picture.height, 1136);
  EXPECT_TRUE(picture.jpeg);
  EXPECT_EQ(picture.rgb[0], 200);
  EXPECT_EQ(picture.rgb[1], 40);
  EXPECT_EQ(picture.rgb[2], 0);
  EXPECT_FALSE(parseOne<WritePicture>("picture /a.png 2 2 png").jpeg);

  auto pixel = parseOne<ExpectPixel>("expect pixel 160.5 540 100,20,20 tolerance=3");
  EXPECT_EQ(pixel.x, 160.5);
  EXPECT_EQ(pixel.y, 540);
  EXPECT_EQ(pixel.rgb[0], 100);
  EXPECT_EQ(pixel.tolerance, 3);
  EXPECT_EQ(parseOne<ExpectPixel>("expect pixel 0 0 0,0,0").tolerance, 8);

  auto has = [](const std::string& message, const char* part) { return message.find(part) != std::string::npos; };
  EXPECT_TRUE(has(errorOf("picture /a.png 0 10 jpeg"), "width must be at least 1"));
  EXPECT_TRUE(has(errorOf("picture /a.png 9000 10 jpeg"), "at most 8192"));
  EXPECT_TRUE(has(errorOf("picture /a.png 10 10 gif"), "expected jpeg|png"));
  EXPECT_TRUE(has(errorOf("picture /a.png 10 10 png rgb=1,2"), "colour r,g,b"));
  EXPECT_TRUE(has(errorOf("picture /a.png 10 10 png rgb=1,2,256"), "colour r,g,b"));
  EXPECT_TRUE(has(errorOf("picture /a.png 10 10 png red"), "rgb="));
  EXPECT_TRUE(has(errorOf("expect pixel 1 2"), "missing colour"));
  EXPECT_TRUE(has(errorOf("expect pixel x 2 1,2,3"), "number for the point"));
  EXPECT_TRUE(has(errorOf("expect pixel 1 2 1,2,3 tolerance=-1"), "tolerance="));
}

TEST(ScriptParser, ReflectionPathsAndExpectedValues) {
  auto e = parseOne<ExpectValue>("expect SBNotificationCenterController sharedInstance isVisible == YES");
  EXPECT_EQ(e.className, "SBNotificationCenterController");
  EXPECT_EQ(e.tokens, (std::vector<std::string>{"sharedInstance", "isVisible"}));
  EXPECT_EQ(e.expected.kind, ExpectedValue::Kind::boolean);
  EXPECT_TRUE(e.expected.boolean);

  EXPECT_EQ(parseOne<ExpectValue>("expect A b == nil").expected.kind, ExpectedValue::Kind::nilValue);
  auto number = parseOne<ExpectValue>("expect A b _c == -0.5").expected;
  EXPECT_EQ(number.kind, ExpectedValue::Kind::number);
  EXPECT_DOUBLE_EQ(number.number, -0.5);
  auto quoted = parseOne<ExpectValue>(R"(expect A b == "12")").expected;
  EXPECT_EQ(quoted.kind, ExpectedValue::Kind::string);
  EXPECT_EQ(quoted.text, "12");
  EXPECT_EQ(parseOne<ExpectValue>("expect A b == darkGray").expected.kind, ExpectedValue::Kind::string);
  // The class object itself may be compared.
  EXPECT_TRUE(parseOne<ExpectValue>("expect A == A").tokens.empty());

  auto eval = parseOne<Evaluate>("eval SBIconModel sharedInstance _badges");
  EXPECT_EQ(eval.className, "SBIconModel");
  EXPECT_EQ(eval.tokens.size(), 2u);
  EXPECT_EQ(parseOne<Echo>(R"(echo "step one:" locked)").text, "step one: locked");
  parseOne<Dump>("dump");
}

TEST(ScriptParser, ExpectationsMayWaitWithin) {
  ParsedLine parsed = parseLine("expect read 7 yes within 5", 1);
  ASSERT_TRUE(std::holds_alternative<ScriptLine>(parsed));
  EXPECT_EQ(std::get<ScriptLine>(parsed).within, 5.0);
  EXPECT_TRUE(std::get<ExpectRead>(std::get<ScriptLine>(parsed).command).read);
  parsed = parseLine("expect SBFoo bar == 2 within 0.5", 1);
  EXPECT_EQ(std::get<ScriptLine>(parsed).within, 0.5);
  EXPECT_EQ(std::get<ExpectValue>(std::get<ScriptLine>(parsed).command).expected.number, 2);
  // A quoted "within" is a menu title, and other commands have no within.
  parsed = parseLine(R"(expect menu "within" "2")", 1);
  EXPECT_FALSE(std::get<ScriptLine>(parsed).within.has_value());
  EXPECT_EQ(std::get<ExpectMenu>(std::get<ScriptLine>(parsed).command).titles.size(), 2u);
  EXPECT_NE(errorOf("expect read 7 yes within soon").find("within <seconds"), std::string::npos);
  EXPECT_EQ(parseOne<Echo>("echo a within 2").text, "a within 2");
}

TEST(ScriptParser, BadLinesSayWhatIsWrong) {
  auto has = [](const std::string& message, const char* part) {
    return message.find(part) != std::string::npos;
  };
  EXPECT_TRUE(has(errorOf("fly away"), "unknown command \"fly\"") || has(errorOf("fly away"), "unknown command fly"));
  EXPECT_TRUE(has(errorOf("badge com.x lots"), "expected a number from 0 up or none"));
  EXPECT_TRUE(has(errorOf("badge com.x -1"), "expected a number from 0 up or none"));
  EXPECT_TRUE(has(errorOf("badge com.x"), "missing badge value"));
  EXPECT_TRUE(has(errorOf("lock now"), "too many values"));
  EXPECT_TRUE(has(errorOf("nc open"), "expected show|hide"));
  EXPECT_TRUE(has(errorOf("wait -1"), "seconds"));
  EXPECT_TRUE(has(errorOf("wait 1e9"), "seconds"));
  EXPECT_TRUE(has(errorOf("longpress banner com.x 0"), "expected nc|lock"));
  EXPECT_TRUE(has(errorOf("longpress nc com.x -2"), "row must be at least 0"));
  EXPECT_TRUE(has(errorOf("longpress nc com.x \"1\""), "expected a whole number for row"));
  EXPECT_TRUE(has(errorOf("post com.x colour=red"), "unknown field colour"));
  EXPECT_TRUE(has(errorOf("post com.x title=a title=b"), "given twice"));
  EXPECT_TRUE(has(errorOf("post com.x hello"), "expected key=value"));
  EXPECT_TRUE(has(errorOf("message +1 0 hi"), "message row ID must be at least 1"));
  EXPECT_TRUE(has(errorOf("message +1 7"), "missing message text"));
  EXPECT_TRUE(has(errorOf("expect row nc com.x 0 shown"), "visible|hidden|absent"));
  EXPECT_TRUE(has(errorOf("expect row nc com.x 0 visible tall"), "height="));
  EXPECT_TRUE(has(errorOf("expect read 3 maybe"), "yes|no"));
  EXPECT_TRUE(has(errorOf("expect SBFoo bar"), "== <value>"));
  EXPECT_TRUE(has(errorOf("expect SBFoo bar == 1 2"), "exactly one value"));
  EXPECT_TRUE(has(errorOf("expect SBFoo setBar: == 1"), "message or instance variable name"));
  EXPECT_TRUE(has(errorOf("eval"), "missing class name"));
  EXPECT_TRUE(has(errorOf("\"lock\""), "never quoted"));
  EXPECT_TRUE(has(errorOf("menu \"Delete"), "unterminated quote"));
  EXPECT_TRUE(has(errorOf("set Enabled"), "missing value"));
  EXPECT_TRUE(has(errorOf("tap-header \"\""), "section ID is empty"));
  EXPECT_TRUE(has(errorOf("expect option AMEnabled NO in=relative.plist"), "in=<device path>"));
  EXPECT_TRUE(has(errorOf("expect option AMEnabled NO in=/a.plist in=/b.plist"), "at most once"));
  EXPECT_TRUE(has(errorOf("expect option AMEnabled NO YES"), "in=<device path>"));
}

TEST(ScriptParser, ScriptsKeepLineNumbersAndReportEveryBadLine) {
  ParsedScript script = parseScript("# stock\r\nlock\n\n  nc show  # open\nbadge x\nwait 1\nfly\n");
  ASSERT_EQ(script.lines.size(), 3u);
  EXPECT_EQ(script.lines[0].number, 2);
  EXPECT_EQ(script.lines[1].number, 4);
  EXPECT_EQ(script.lines[1].source, "  nc show  # open");
  EXPECT_EQ(script.lines[2].number, 6);
  ASSERT_EQ(script.errors.size(), 2u);
  EXPECT_EQ(script.errors[0].line, 5);
  EXPECT_EQ(script.errors[1].line, 7);
  EXPECT_EQ(script.errors[0].describe(), "line 5: badge: missing badge value (a number or none)\n    badge x");
  // A last line without a newline is read too.
  EXPECT_EQ(parseScript("lock\nunlock").lines.size(), 2u);
}

TEST(ScriptParser, DeviceButtonsPasscodeAndSystemEvents) {
  EXPECT_EQ(parseOne<Navigate>("sleep").what, Navigation::sleep);
  EXPECT_EQ(parseOne<Navigate>("wake").what, Navigation::wake);
  EXPECT_EQ(parseOne<SetPasscode>("passcode 1234").code, "1234");
  EXPECT_FALSE(parseOne<SetPasscode>("passcode none").code.has_value());
  EXPECT_EQ(parseOne<SetPasscode>(R"(passcode "none")").code, "none");  // quoted: a passcode, not the keyword
  EXPECT_EQ(parseOne<UseKeypad>("keypad 0000").code, "0000");
  EXPECT_FALSE(parseOne<UseKeypad>("keypad cancel").code.has_value());
  EXPECT_EQ(parseOne<UseKeypad>(R"(keypad "cancel")").code, "cancel");
  EXPECT_EQ(parseOne<Rotate>("rotate portrait").orientation, Orientation::portrait);
  EXPECT_EQ(parseOne<Rotate>("rotate upside-down").orientation, Orientation::upsideDown);
  EXPECT_EQ(parseOne<Rotate>("rotate landscape-left").orientation, Orientation::landscapeLeft);
  EXPECT_EQ(static_cast<int>(Orientation::landscapeLeft), 4);  // UIInterfaceOrientationLandscapeLeft
  EXPECT_EQ(parseOne<Rotate>("rotate landscape-right").orientation, Orientation::landscapeRight);
  EXPECT_EQ(parseOne<OpenApplication>("open com.apple.MobileSMS").bundleID, "com.apple.MobileSMS");
  EXPECT_EQ(parseOne<Happen>("call incoming").event, SystemEvent::incomingCall);
  EXPECT_EQ(parseOne<Happen>("call ended").event, SystemEvent::callEnded);
  EXPECT_EQ(parseOne<Happen>("camera on").event, SystemEvent::cameraOn);
  EXPECT_EQ(parseOne<Happen>("camera off").event, SystemEvent::cameraOff);
  EXPECT_EQ(parseOne<Happen>("alert on").event, SystemEvent::alertOn);
  EXPECT_EQ(parseOne<Happen>("alert off").event, SystemEvent::alertOff);
  EXPECT_EQ(commandName(parseOne<Happen>("camera off")), "camera");
  EXPECT_EQ(commandName(Command{Navigate{Navigation::sleep}}), "sleep");
}

TEST(ScriptParser, DragsSwipesTapsAndScrolls) {
  auto d = parseOne<Drag>("drag statusbar 160,5 160,300");
  EXPECT_EQ(d.window, DragWindow::statusBar);
  EXPECT_EQ(d.from.x, 160);
  EXPECT_EQ(d.from.y, 5);
  EXPECT_EQ(d.to.y, 300);
  EXPECT_EQ(d.seconds, 0.3);  // the defaults
  EXPECT_EQ(d.steps, 10);
  EXPECT_EQ(d.end, TouchEnd::ended);
  EXPECT_EQ(d.touches, 1);
  d = parseOne<Drag>("drag lockscreen 20.5,-4 300,440.25 touches=2 end=cancelled steps=3 seconds=1.5");
  EXPECT_EQ(d.window, DragWindow::lockScreen);
  EXPECT_EQ(d.from.x, 20.5);
  EXPECT_EQ(d.from.y, -4);
  EXPECT_EQ(d.to.y, 440.25);
  EXPECT_EQ(d.seconds, 1.5);
  EXPECT_EQ(d.steps, 3);
  EXPECT_EQ(d.end, TouchEnd::cancelled);
  EXPECT_EQ(d.touches, 2);
  EXPECT_EQ(parseOne<Drag>("drag list 1,1 2,2 end=none").end, TouchEnd::none);
  EXPECT_EQ(parseOne<Drag>("drag banner 1,1 2,2").window, DragWindow::banner);

  auto s = parseOne<Swipe>("swipe nc com.apple.MobileSMS 1 left 120");
  EXPECT_EQ(s.list, ListKind::notificationCenter);
  EXPECT_EQ(s.row, 1);
  EXPECT_TRUE(s.left);
  EXPECT_EQ(s.distance, 120);
  EXPECT_EQ(s.seconds, 0.3);
  EXPECT_FALSE(s.fromX.has_value());
  s = parseOne<Swipe>("swipe lock com.apple.mobilemail 0 right 80.5 from=30 seconds=0.1");
  EXPECT_EQ(s.list, ListKind::lockScreen);
  EXPECT_FALSE(s.left);
  EXPECT_EQ(s.distance, 80.5);
  EXPECT_EQ(s.fromX, 30.0);
  EXPECT_EQ(s.seconds, 0.1);

  auto t = parseOne<TapRow>("tap lock com.apple.MobileSMS 2");
  EXPECT_EQ(t.list, ListKind::lockScreen);
  EXPECT_EQ(t.sectionID, "com.apple.MobileSMS");
  EXPECT_EQ(t.row, 2);
  parseOne<ConfirmDelete>("confirm-delete");
  EXPECT_EQ(parseOne<TapWidget>("tap-widget com.apple.weather").sectionID, "com.apple.weather");
  auto b = parseOne<TapBanner>("tap-banner 100,20");
  EXPECT_EQ(b.point.x, 100);
  EXPECT_EQ(b.point.y, 20);
  EXPECT_EQ(parseOne<ScrollList>("scroll nc 240").offset, 240);
  EXPECT_EQ(parseOne<ScrollList>("scroll nc -30").offset, -30);
}

TEST(ScriptParser, ReadBacksOfTheDeviceAndScreenshots) {
  auto state = [](std::string_view line) { return parseOne<ExpectState>(line); };
  EXPECT_EQ(state("expect list shown").what, DeviceState::list);
  EXPECT_TRUE(state("expect list shown").value);
  EXPECT_FALSE(state("expect list hidden").value);
  EXPECT_EQ(state("expect locked yes").what, DeviceState::locked);
  EXPECT_FALSE(state("expect locked no").value);
  EXPECT_EQ(state("expect keypad shown").what, DeviceState::keypad);
  EXPECT_FALSE(state("expect keypad hidden").value);
  EXPECT_EQ(state("expect statusbar time").what, DeviceState::statusBar);
  EXPECT_TRUE(state("expect statusbar time").value);
  EXPECT_FALSE(state("expect statusbar lock").value);
  EXPECT_EQ(state("expect banner none").what, DeviceState::banner);
  EXPECT_FALSE(state("expect banner none").value);
  EXPECT_TRUE(state("expect banner shown within 2").value);
  EXPECT_EQ(commandName(state("expect statusbar lock")), "expect statusbar");

  EXPECT_EQ(parseOne<ExpectOpened>("expect opened sms:+15551234567").what, "sms:+15551234567");
  EXPECT_EQ(parseOne<ExpectOpened>("expect opened com.apple.mobilemail").what, "com.apple.mobilemail");
  EXPECT_FALSE(parseOne<ExpectOpened>("expect opened none").what.has_value());
  EXPECT_EQ(parseOne<ExpectOpened>(R"(expect opened "none")").what, "none");
  EXPECT_EQ(parseOne<ExpectSounds>(R"(expect sounds "unlock" lock)").names,
            (std::vector<std::string>{"unlock", "lock"}));
  EXPECT_TRUE(parseOne<ExpectSounds>("expect sounds").names.empty());
  auto a = parseOne<ExpectAnimation>("expect animation easeOut 0.25");
  EXPECT_EQ(a.curve, 2);
  EXPECT_EQ(a.seconds, 0.25);
  EXPECT_EQ(parseOne<ExpectAnimation>("expect animation linear 1").curve, 3);
  EXPECT_EQ(parseOne<ExpectAnimation>("expect animation 0 0.3").curve, 0);
  EXPECT_EQ(parseOne<Screenshot>("screenshot shots/after-unlock.png").path, "shots/after-unlock.png");
  EXPECT_EQ(parseOne<Screenshot>(R"(screenshot "two words.PNG")").path, "two words.PNG");
}

TEST(ScriptParser, BadDeviceLinesSayWhatIsWrong) {
  auto has = [](const std::string& message, const char* part) { return message.find(part) != std::string::npos; };
  EXPECT_TRUE(has(errorOf("sleep now"), "too many values"));
  EXPECT_TRUE(has(errorOf("passcode"), "missing passcode"));
  EXPECT_TRUE(has(errorOf(R"(passcode "")"), "passcode is empty"));
  EXPECT_TRUE(has(errorOf("passcode 12 34"), "too many values"));
  EXPECT_TRUE(has(errorOf("keypad"), "missing passcode to type"));
  EXPECT_TRUE(has(errorOf("rotate sideways"), "expected portrait|upside-down|landscape-left|landscape-right"));
  EXPECT_TRUE(has(errorOf("open"), "missing bundle ID"));
  EXPECT_TRUE(has(errorOf("call missed"), "expected incoming|ended"));
  EXPECT_TRUE(has(errorOf("camera yes"), "expected on|off"));
  EXPECT_TRUE(has(errorOf("alert"), "missing on or off"));

  EXPECT_TRUE(has(errorOf("drag window 1,1 2,2"), "expected statusbar|lockscreen|list|banner"));
  EXPECT_TRUE(has(errorOf("drag list 1,1"), "missing the second point"));
  EXPECT_TRUE(has(errorOf("drag list 1;1 2,2"), "expected a point <x>,<y> for the first point, found 1;1"));
  EXPECT_TRUE(has(errorOf("drag list 1,y 2,2"), "expected a point"));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 steps=0"), "whole number from 1 to 1000 for steps="));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 steps=2.5"), "whole number"));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 touches=12"), "from 1 to 11 for touches="));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 seconds=-1"), "from 0 to 60 for seconds="));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 end=lifted"), "expected end=ended|cancelled|none"));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 speed=3"), "expected seconds=<value>, steps=<value>, end=<value> or touches=<value>, found speed=3"));
  EXPECT_TRUE(has(errorOf("drag list 1,1 2,2 steps=2 steps=3"), "steps= given twice"));

  EXPECT_TRUE(has(errorOf("swipe nc com.x 0 up 10"), "expected left|right"));
  EXPECT_TRUE(has(errorOf("swipe nc com.x 0 left 0"), "more than 0 points"));
  EXPECT_TRUE(has(errorOf("swipe nc com.x 0 left -5"), "for distance"));
  EXPECT_TRUE(has(errorOf("swipe banner com.x 0 left 5"), "expected nc|lock"));
  EXPECT_TRUE(has(errorOf("swipe nc com.x 0 left 5 from=x"), "for from="));
  EXPECT_TRUE(has(errorOf("tap nc com.x"), "missing row"));
  EXPECT_TRUE(has(errorOf("confirm-delete now"), "too many values"));
  EXPECT_TRUE(has(errorOf("tap-widget"), "missing section ID"));
  EXPECT_TRUE(has(errorOf("tap-banner 10"), "expected a point"));
  EXPECT_TRUE(has(errorOf("scroll lock 10"), "expected nc"));
  EXPECT_TRUE(has(errorOf("scroll nc far"), "for content offset"));

  EXPECT_TRUE(has(errorOf("expect list open"), "expected shown|hidden"));
  EXPECT_TRUE(has(errorOf("expect locked"), "missing state"));
  EXPECT_TRUE(has(errorOf("expect statusbar clock"), "expected time|lock"));
  EXPECT_TRUE(has(errorOf("expect banner hidden"), "expected shown|none"));
  EXPECT_TRUE(has(errorOf("expect keypad shown now"), "too many values"));
  EXPECT_TRUE(has(errorOf("expect opened"), "missing URL or bundle ID"));
  EXPECT_TRUE(has(errorOf("expect animation bounce 0.3"), "expected a curve easeInOut|easeIn|easeOut|linear"));
  EXPECT_TRUE(has(errorOf("expect animation easeIn"), "missing seconds"));
  EXPECT_TRUE(has(errorOf("expect animation easeIn -1"), "for seconds"));
  EXPECT_TRUE(has(errorOf("expect nothing"), "list, locked, keypad, statusbar, banner"));
  EXPECT_TRUE(has(errorOf("screenshot shot.jpg"), "must end in .png"));
  EXPECT_TRUE(has(errorOf("screenshot"), "missing picture file"));
}
