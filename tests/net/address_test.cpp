// Addresses, host entries of configuration trees and hardware addresses.
#include <gtest/gtest.h>

#include <kiln/qexit.h>
#include <kiln/qinfo.h>
#include <kiln/qnaddress.h>
#include <kiln/qnet.h>

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdio>
#include <memory>
#include <string>

#include "message_capture.h"
#include "net_internal.h"
#include "test_support.h"

using kiln::test::MessageCapture;

namespace {

TEST(NetAddress, NumbersNamesAndText) {
  QNAddress address;
  address.Set(AF_INET, 0xC0A80025, 4000);  // 192.168.0.37
  EXPECT_STREQ(address.ToString(), "192.168.0.37");
  EXPECT_EQ(address.GetPort(), 4000);
  EXPECT_EQ(ntohs(address.GetSocketAddress().sin_port), 4000);
  address.Renumber(10, 1, 3);
  EXPECT_STREQ(address.ToString(), "192.168.0.31");
  address.Renumber(4, 2, 2);
  EXPECT_STREQ(address.ToString(), "192.168.2.31");
  MessageCapture capture;
  address.Renumber(0, 1, 3);
  address.Renumber(10, 1, 1);
  EXPECT_EQ(capture.Take(),
            "QNAddress:Renumber(); groupSize=0; must be >=1\nQNAddress:Renumber(); byteIndex must be 2 or 3\n");
  EXPECT_STREQ(address.ToString(), "192.168.2.31");

  QNAddress numeric;
  ASSERT_TRUE(numeric.GetByName("10.1.2.250"));  // no name service needed
  EXPECT_STREQ(numeric.GetName(), "10.1.2.250");
  EXPECT_STREQ(numeric.ToString(), "10.1.2.250");
  QNAddress copy(numeric);
  EXPECT_TRUE(copy.IsEqual(numeric));
  EXPECT_STREQ(copy.GetName(), "10.1.2.250");
  QNAddress unknown;
  EXPECT_FALSE(unknown.GetByName("no-such-host.invalid"));
  EXPECT_NE(capture.Take().find("** Error: [QN] QNAddress:GetByName(no-such-host.invalid) failed ("), std::string::npos);
}

// Needs the machine to resolve "localhost", which a bare system may not.
TEST(NetAddress, LocalhostByName) {
  addrinfo hints{}, *found = nullptr;
  hints.ai_family = AF_INET;
  if (getaddrinfo("localhost", nullptr, &hints, &found) != 0) GTEST_SKIP() << "this machine does not resolve localhost";
  freeaddrinfo(found);
  QNAddress local;
  ASSERT_TRUE(local.GetByName("localhost"));
  EXPECT_STREQ(local.ToString(), "127.0.0.1");
}

class HostEntries : public ::testing::Test {
protected:
  void SetUp() override {
    dir.WriteFile("hosts.cfg",
                  "plus=+5\nboth=+5+3\nbothempty=+7+\nlone=+\ngroups=/4+1\nzero=/0+1\nnoplus=/4\nname=server.example\n");
    info = std::make_unique<QInfo>(dir.Path("hosts.cfg").c_str());
    qnInit();
    local = *kiln::net::LocalHost();
  }

  // The local address with its byte renumbered.
  std::string Expected(int group, int offset, int byteIndex, int group2 = 0, int offset2 = 0) {
    QNAddress address(local);
    address.Renumber(group, offset, byteIndex);
    if (group2) address.Renumber(group2, offset2, 2);
    return address.ToString();
  }

  kiln::test::TempDir dir;
  std::unique_ptr<QInfo> info;
  QNAddress local;
};

TEST_F(HostEntries, EveryForm) {
  char host[1024];
  ASSERT_TRUE(info->GetHost("plus", host));
  EXPECT_EQ(std::string(host), Expected(10, 5, 3));
  ASSERT_TRUE(info->GetHost("both", host));
  EXPECT_EQ(std::string(host), Expected(10, 5, 3, 10, 3));
  ASSERT_TRUE(info->GetHost("bothempty", host));
  EXPECT_EQ(std::string(host), Expected(10, 7, 3, 10, 0));
  ASSERT_TRUE(info->GetHost("lone", host));  // a one-character value: N is 0
  EXPECT_EQ(std::string(host), Expected(10, 0, 3));
  ASSERT_TRUE(info->GetHost("groups", host));
  EXPECT_EQ(std::string(host), Expected(4, 1, 3));
  MessageCapture capture;
  ASSERT_TRUE(info->GetHost("zero", host));  // group size 0: refused, never divided by
  EXPECT_EQ(std::string(host), std::string(local.ToString()));
  EXPECT_EQ(capture.Take(), "QNAddress:Renumber(); groupSize=0; must be >=1\n");
  EXPECT_FALSE(info->GetHost("noplus", host));
  EXPECT_STREQ(host, "127.0.0.1");
  EXPECT_EQ(capture.Take(), "QInfo:GetHost(); bad format of host IP (/4) for key 'noplus'\n");
  ASSERT_TRUE(info->GetHost("name", host));
  EXPECT_STREQ(host, "server.example");
  EXPECT_FALSE(info->GetHost("missing", host, "fallback"));
  EXPECT_STREQ(host, "");
  qstring text;
  EXPECT_TRUE(info->GetHost("name", text));
  EXPECT_STREQ(text.CStr(), "server.example");
  EXPECT_STREQ(info->GetHost("name"), "server.example");
}

TEST(HardwareAddresses, TextBothWaysAndStrictness) {
  QNHardwareAddress address;
  qnTextToHardwareAddress("00:1A-2b 3c:4D:5e", &address);
  EXPECT_STREQ(qnHardwareAddressToText(address), "00-1a-2b-3c-4d-5e");
  QNHardwareAddress shortText;
  qnTextToHardwareAddress("0a:0b", &shortText);  // never past the text
  EXPECT_STREQ(qnHardwareAddressToText(shortText), "0a-0b-00-00-00-00");
  QNHardwareAddress kept = address;
  EXPECT_FALSE(qnTextToHardwareAddressStrict("00:11:22:33:44:5", &kept));  // 16 characters
  EXPECT_STREQ(qnHardwareAddressToText(kept), "00-1a-2b-3c-4d-5e");
  EXPECT_TRUE(qnTextToHardwareAddressStrict("ff:ee:dd:cc:bb:aa", &kept));
  EXPECT_STREQ(qnHardwareAddressToText(kept), "ff-ee-dd-cc-bb-aa");
  EXPECT_TRUE(qnAddHardwareAddress(kept));
  EXPECT_TRUE(qnHasHardwareAddress(kept));
  EXPECT_FALSE(qnHasHardwareAddress(shortText));
}

TEST(NetworkLayer, StartsOnceAndStopsAtExit) {
  kiln::test::TempDir dir;
  auto run = kiln::test::RunInChild(
      [] {
        qnShutdown();  // whatever the parent did before the fork
        int first = qnInit();
        int second = qnInit();
        std::printf("%d %d %d", first, second, qnIsInitialised());
        std::fflush(stdout);
        qexit(0);  // runs the network shutdown
      },
      dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "1 0 1");
}

}  // namespace
