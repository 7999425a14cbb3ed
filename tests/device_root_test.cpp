// Device paths resolve under the device root and never outside it.
#include <foundation/DeviceRoot.h>

#include <gtest/gtest.h>

TEST(DeviceRoot, PathsResolveUnderTheRootAndNeverAbove) {
  ns::setDeviceRoot("/tmp/some-root");
  EXPECT_EQ(ns::hostPath("/var/mobile/Library/x.plist").value(), "/tmp/some-root/var/mobile/Library/x.plist");
  EXPECT_EQ(ns::hostPath("var/mobile").value(), "/tmp/some-root/var/mobile");
  EXPECT_EQ(ns::hostPath("/var/./mobile/../root").value(), "/tmp/some-root/var/root");
  EXPECT_EQ(ns::hostPath("/").value(), "/tmp/some-root");
  EXPECT_FALSE(ns::hostPath("/../etc/passwd").ok());
  EXPECT_FALSE(ns::hostPath("/var/../../etc").ok());
  EXPECT_FALSE(ns::hostPath("").ok());
  EXPECT_FALSE(ns::hostPath(std::string_view("/a\0b", 4)).ok());
}
