// Sockets on loopback: UDP and TCP round trips, limits and failures.
#include <gtest/gtest.h>

#include <kiln/qnsocket.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "free_port.h"
#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

// A UDP socket bound to a free loopback port.
int OpenReceiver(QNSocket &socket) {
  return kiln::test::OpenOnFreePort([&](int port) { return socket.Open(port, QNS_UDP); });
}

int ListenOnFreePort(QNSocket &server, int salt) {
  return kiln::test::OpenOnFreePort([&](int port) { return server.Listen(port, 5, true); }, salt);
}

bool WaitReadable(const QNSocket &socket, int milliseconds = 2000) {
  pollfd wait{socket.GetDescriptor(), POLLIN, 0};
  return poll(&wait, 1, milliseconds) == 1;
}

TEST(UdpSockets, RoundTripOnLoopback) {
  QNSocket receiver, sender;
  int port = OpenReceiver(receiver);
  ASSERT_GT(port, 0);
  ASSERT_TRUE(sender.Open(port, QNS_UDP, 0, "127.0.0.1"));  // with a host: not bound
  EXPECT_EQ(sender.Write("hello", 5), 5);
  EXPECT_EQ(sender.Write("x", -1), 0);  // a negative length sends nothing
  ASSERT_TRUE(WaitReadable(receiver));
  EXPECT_EQ(receiver.GetReadable(), 5);
  char buffer[64] = {};
  QNAddress from;
  EXPECT_EQ(receiver.Read(buffer, sizeof buffer, &from), 5);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_STREQ(from.ToString(), "127.0.0.1");
  // Nothing else came: the non-blocking read gives 0.
  EXPECT_GE(receiver.SetNonBlocking(true), 0);
  EXPECT_EQ(receiver.Read(buffer, sizeof buffer), 0);
}

TEST(UdpSockets, ReadsAtMost4096BytesAndPacketsAt2000) {
  QNSocket receiver, sender;
  int port = OpenReceiver(receiver);
  ASSERT_GT(port, 0);
  ASSERT_TRUE(sender.Open(port, QNS_UDP, 0, "127.0.0.1"));
  std::string big(6000, 'b');
  ASSERT_EQ(sender.Write(big.data(), static_cast<int>(big.size())), 6000);
  ASSERT_TRUE(WaitReadable(receiver));
  std::vector<char> buffer(10000);
  EXPECT_EQ(receiver.Read(buffer.data(), 10000), 4096);
  ASSERT_EQ(sender.Write(big.data(), 3000), 3000);
  ASSERT_TRUE(WaitReadable(receiver));
  auto packet = std::make_unique<QNPacket>();
  EXPECT_EQ(receiver.ReadPacket(packet.get()), 2000);
  EXPECT_EQ(packet->length, 2000);
  EXPECT_STREQ(packet->sender.ToString(), "127.0.0.1");
}

TEST(UdpSockets, OpeningFailures) {
  MessageCapture capture;
  QNSocket unknown;
  EXPECT_FALSE(unknown.Open(9999, QNS_UDP, 0, "no-such-host.invalid"));
  EXPECT_FALSE(unknown.IsOpen());
  QNSocket bad;
  EXPECT_FALSE(bad.Open(9999, 7));
  EXPECT_NE(capture.Take().find("** Error: [QN] QNSocket:Open(); unknown type 7 ("), std::string::npos);
  QNSocket first, second;
  int port = OpenReceiver(first);
  ASSERT_GT(port, 0);
  EXPECT_FALSE(second.Open(port, QNS_UDP));  // the port is taken
  EXPECT_NE(capture.Take().find("QNSocket:Bind(); can't bind to address 0.0.0.0"), std::string::npos);
  QNSocket sendOnly;
  EXPECT_TRUE(sendOnly.Open(port, QNS_UDP, QNS_NO_BIND));  // not bound: no clash
}

TEST(Sockets, ClosedSocketsNeverTouchStandardInput) {
  MessageCapture capture;
  QNSocket never;
  EXPECT_FALSE(never.IsOpen());
  EXPECT_EQ(never.GetDescriptor(), -1);
  char byte;
  EXPECT_EQ(never.Read(&byte, 1), -1);
  EXPECT_EQ(never.GetReadable(), -1);
  EXPECT_EQ(never.SetBroadcast(true), -1);
  EXPECT_EQ(never.SetNoDelay(true), -1);
  never.Close();
  EXPECT_NE(fcntl(0, F_GETFD), -1);  // descriptor 0 is still open
}

TEST(TcpSockets, ServerAcceptsAndBothTalk) {
  QNSocket server;
  int port = ListenOnFreePort(server, 1);
  ASSERT_GT(port, 0);
  EXPECT_EQ(server.Accept(20000), nullptr);  // nobody there: the wait ends
  QNSocket client;
  ASSERT_TRUE(client.Open(port, QNS_TCP, QNS_NO_DELAY | QNS_KEEP_ALIVE, "127.0.0.1"));
  std::unique_ptr<QNSocket> peer(server.Accept(2000000));
  ASSERT_TRUE(peer);
  EXPECT_STREQ(peer->GetPeerText(), "127.0.0.1");
  EXPECT_EQ(client.Write("ping", 4), 4);
  char buffer[16] = {};
  ASSERT_TRUE(WaitReadable(*peer));
  EXPECT_EQ(peer->Read(buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "ping");
  EXPECT_EQ(peer->Write("pong!", 5), 5);
  ASSERT_TRUE(WaitReadable(client));
  EXPECT_EQ(client.Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "pong!");
  MessageCapture capture;
  QNSocket refused;
  peer.reset();
  server.Close();
  EXPECT_FALSE(refused.Open(port, QNS_TCP, 0, "127.0.0.1"));
  EXPECT_EQ(capture.Take(), "QSocket::Open(); can't connect to '127.0.0.1'\n");
}

TEST(TcpSockets, AcceptWaitsOnDescriptorsAbove1024) {
  rlimit limit;
  getrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_max < 1200) GTEST_SKIP() << "can't have descriptors above 1024";
  rlimit raised = limit;
  raised.rlim_cur = limit.rlim_max < 4096 ? limit.rlim_max : 4096;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &raised), 0);
  // Fill the low descriptors so that the server's lands above 1024.
  std::vector<int> fillers;
  while (true) {
    int fd = dup(2);
    if (fd < 0) break;
    fillers.push_back(fd);
    if (fd > 1100) break;
  }
  QNSocket server;
  int port = ListenOnFreePort(server, 2);
  for (int fd : fillers) close(fd);
  ASSERT_GT(port, 0);
  EXPECT_GT(server.GetDescriptor(), 1024);
  QNSocket client;
  ASSERT_TRUE(client.Open(port, QNS_TCP, 0, "127.0.0.1"));
  std::unique_ptr<QNSocket> peer(server.Accept(2000000));
  EXPECT_TRUE(peer);
  setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace
