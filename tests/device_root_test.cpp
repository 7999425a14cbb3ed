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

TEST(DeviceRoot, TextPathsMatchThePathsAndFollowTheRoot) {
  for (const char* root : {"/tmp/some-root", "/tmp/other-root/"}) {
    ns::setDeviceRoot(root);
    for (const char* device : {"/var/mobile/Library/x.plist", "var/mobile", "/var/./mobile/../root", "/"})
      EXPECT_EQ(ns::hostPathText(device).value(), ns::hostPath(device).value().native()) << device;
    EXPECT_FALSE(ns::hostPathText("/../etc/passwd").ok());
    EXPECT_FALSE(ns::hostPathText("").ok());
  }
  EXPECT_EQ(ns::hostPathText("/a").value(), "/tmp/other-root/a");
}
