// Darwin-notification delivery between processes: posts reach every observing
// process of the device root (the poster's own included), bursts fold into few
// deliveries without losing a name, dead observers are cleaned away, and the list of
// observers is kept between posts until the run folder changes.
#include <corefoundation/NotifyDelivery.h>

#include "PortsTest.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

using namespace cf::notify;
using testing_support::DeviceRootTest;

namespace {

std::size_t observerSockets(const std::filesystem::path& root) {
  std::size_t count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(root / "var/run/noctil-notify", ec))
    count += entry.path().extension() == ".sock";
  return count;
}

bool readable(int fd, int milliseconds) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, milliseconds) == 1;
}

}  // namespace

TEST(NotifyDatagram, CarriesOneNameAndRejectsEverythingElse) {
  auto datagram = encodeDatagram("com.example.changed");
  ASSERT_TRUE(decodeDatagram(datagram));
  EXPECT_EQ(decodeDatagram(datagram)->name, "com.example.changed");
  EXPECT_FALSE(decodeDatagram(datagram)->lookAtMarkers);
  EXPECT_TRUE(decodeDatagram(encodeDatagram("x", true))->lookAtMarkers);
  auto wrongVersion = datagram;
  wrongVersion[4] = 9;
  EXPECT_FALSE(decodeDatagram(wrongVersion));
  auto unknownFlag = datagram;
  unknownFlag[5] = 4;
  EXPECT_FALSE(decodeDatagram(unknownFlag));
  EXPECT_FALSE(decodeDatagram(encodeDatagram("")));
  EXPECT_FALSE(decodeDatagram(encodeDatagram(std::string("a\0b", 3))));
  EXPECT_FALSE(decodeDatagram(encodeDatagram(std::string(kMaxNotificationNameLength + 1, 'n'))));
  std::vector<std::uint8_t> junk{'N', 'C'};
  EXPECT_FALSE(decodeDatagram(junk));
}

class Notify : public DeviceRootTest {};

TEST_F(Notify, APostReachesThePostingProcessOnceForRepeatedNames) {
  EXPECT_EQ(post("com.example.nobody").value().delivered, 0u);  // no observer yet: fine
  auto receiver = NotifyReceiver::open();
  ASSERT_TRUE(receiver.ok()) << receiver.error().message;
  EXPECT_TRUE((*receiver)->drain().empty());
  EXPECT_EQ(post("com.example.a").value().delivered, 1u);
  ASSERT_TRUE(post("com.example.b").ok());
  ASSERT_TRUE(post("com.example.a").ok());
  ASSERT_TRUE(readable((*receiver)->fd(), 1000));
  EXPECT_EQ((*receiver)->drain(), (std::vector<std::string>{"com.example.a", "com.example.b"}));
  EXPECT_TRUE((*receiver)->drain().empty());

  EXPECT_FALSE(post("").ok());
  EXPECT_FALSE(post(std::string(kMaxNotificationNameLength + 1, 'x')).ok());
  EXPECT_FALSE(post(std::string("a\0b", 3)).ok());

  auto socket = (*receiver)->socketPath();
  receiver->reset();
  EXPECT_FALSE(std::filesystem::exists(socket));
}

TEST_F(Notify, AFullQueueLosesNoName) {
  auto receiver = NotifyReceiver::open();
  ASSERT_TRUE(receiver.ok());
  // Far more posts than a datagram queue holds, with other names in between.
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(post("com.example.burst").ok());
    if (i % 100 == 50) {
      ASSERT_TRUE(post("com.example.rare" + std::to_string(i)).ok());
    }
  }
  auto names = (*receiver)->drain();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"com.example.burst", "com.example.rare150", "com.example.rare250",
                                             "com.example.rare50"}));
  EXPECT_TRUE((*receiver)->drain().empty());
}

TEST_F(Notify, ObserversWithFullQueuesDoNotStarveTheOthers) {
  // Long names make large datagrams; the ones waiting at slow observers count
  // against the socket that sent them.
  const std::string flood(kMaxNotificationNameLength, 'f');
  std::vector<std::unique_ptr<NotifyReceiver>> slow;
  for (int i = 0; i < 16; ++i) slow.push_back(std::move(NotifyReceiver::open().value()));
  auto prompt = std::move(NotifyReceiver::open().value());
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(post(flood).ok());
  EXPECT_EQ(prompt->drain(), std::vector<std::string>{flood});
  ASSERT_TRUE(post("com.example.after").ok());
  ASSERT_TRUE(readable(prompt->fd(), 1000)) << "the prompt observer was not woken";
  EXPECT_EQ(prompt->drain(), std::vector<std::string>{"com.example.after"});
  for (auto& receiver : slow) {
    auto names = receiver->drain();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"com.example.after", flood}));
  }
}

TEST_F(Notify, APostInOneProcessReachesAnObserverInAnother) {
  auto observer = helper({"observe", "com.example.changed"});
  ASSERT_EQ(observer->readLine(), "ready");
  ASSERT_TRUE(post("com.example.unrelated").ok());
  ASSERT_TRUE(post("com.example.changed").ok());
  EXPECT_EQ(observer->readLine(), "notified com.example.changed");

  // Helper to helper, as between two host programs.
  auto poster = helper({"post", "com.example.changed", "1"});
  EXPECT_EQ(poster->readLine(), "posted");
  EXPECT_EQ(observer->readLine(), "notified com.example.changed");
  ASSERT_TRUE(observer->writeLine("count"));
  EXPECT_EQ(observer->readLine(), "count 2");
}

TEST_F(Notify, ABurstOfPostsCoalescesIntoFewCallbacks) {
  auto observer = helper({"observe", "com.example.burst,com.example.other", "wait"});
  ASSERT_EQ(observer->readLine(), "ready");
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(post("com.example.burst").ok());
    if (i == 60) {
      ASSERT_TRUE(post("com.example.other").ok());  // lands while the queue is full
    }
  }
  ASSERT_TRUE(observer->writeLine("go"));
  ASSERT_TRUE(observer->writeLine("count"));
  std::vector<std::string> lines;
  for (;;) {
    auto line = observer->readLine();
    ASSERT_TRUE(line.has_value());
    if (line->starts_with("count ")) {
      int count = std::stoi(line->substr(6));
      EXPECT_GE(count, 2);  // each name at least once
      EXPECT_LE(count, 6);  // and far fewer than 101
      break;
    }
    lines.push_back(*line);
  }
  EXPECT_NE(std::find(lines.begin(), lines.end(), "notified com.example.burst"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "notified com.example.other"), lines.end());
}

TEST_F(Notify, DeadObserversAreRemovedByTheNextPost) {
  auto observer = helper({"observe", "com.example.x"});
  ASSERT_EQ(observer->readLine(), "ready");
  auto survivor = NotifyReceiver::open();
  ASSERT_TRUE(survivor.ok());
  EXPECT_EQ(observerSockets(root_.path()), 2u);
  observer->kill(SIGKILL);
  EXPECT_EQ(observerSockets(root_.path()), 2u);  // a killed process cleans nothing

  auto report = post("com.example.x").value();
  EXPECT_EQ(report.removedStale, 1u);
  EXPECT_EQ(report.delivered, 1u);
  EXPECT_EQ(observerSockets(root_.path()), 1u);
  std::size_t folders = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root_.path() / "var/run/noctil-notify"))
    folders += entry.is_directory();
  EXPECT_EQ(folders, 1u);  // the dead observer's pending folder went too
  report = post("com.example.x").value();
  EXPECT_EQ(report.removedStale, 0u);
  EXPECT_EQ((*survivor)->drain(), std::vector<std::string>{"com.example.x"});
}

TEST_F(Notify, PostsKeepTheObserverListUntilTheFolderChanges) {
  auto first = NotifyReceiver::open();
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(post("com.example.one").value().delivered, 1u);
  const std::size_t listed = observerListings();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(post("com.example.one").value().delivered, 1u);
  EXPECT_EQ(observerListings(), listed);  // nothing changed: no listing

  // A new observer is seen by the next post.
  {
    auto second = NotifyReceiver::open();
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(post("com.example.two").value().delivered, 2u);
    EXPECT_EQ(observerListings(), listed + 1);
    EXPECT_EQ((*second)->drain(), std::vector<std::string>{"com.example.two"});
  }
  // One that went away cleanly is not sent to, and nothing counts as stale.
  auto report = post("com.example.three").value();
  EXPECT_EQ(report.delivered, 1u);
  EXPECT_EQ(report.removedStale, 0u);

  // A socket left behind by an observer that died is removed by the next post, once.
  std::filesystem::path folder = root_.path() / "var/run/noctil-notify";
  std::filesystem::path left = folder / "99999.0000000000000001.sock";
  int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, left.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  report = post("com.example.four").value();
  EXPECT_EQ(report.removedStale, 1u);
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_EQ(post("com.example.five").value().removedStale, 0u);
  EXPECT_EQ((*first)->drain(), (std::vector<std::string>{"com.example.one", "com.example.two", "com.example.three",
                                                          "com.example.four", "com.example.five"}));

  // The run folder removed and made again (a device root laid afresh) is watched anew.
  first->reset();
  std::filesystem::remove_all(folder);
  EXPECT_EQ(post("com.example.nobody").value().delivered, 0u);
  auto again = NotifyReceiver::open();
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(post("com.example.back").value().delivered, 1u);
  EXPECT_EQ((*again)->drain(), std::vector<std::string>{"com.example.back"});
}
