// Starting and stopping the network layer, the local address, hardware
// addresses and wake-on-LAN.
#include <kiln/qnet.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>
#include <kiln/qexit.h>
#include <kiln/qinfo.h>
#include <kiln/qnsocket.h>
#include <kiln/qtimer.h>
#include <kiln/qutil.h>

#include <enet/enet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net_internal.h"

namespace {

constexpr int kMaxHardwareAddresses = 10;
constexpr int kMaxWakeByIp = 100;
constexpr int kWakePort = 9;

bool initialised = false;
std::unique_ptr<std::vector<QNHardwareAddress>> hardwareAddresses;
std::unique_ptr<QTimer> timer;

QNAddress &LocalAddress() {
  static QNAddress *address = new QNAddress;
  return *address;
}

bool ReadInterfaceAddress(const char *interfaceName, char *out) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq request{};
  std::strncpy(request.ifr_name, interfaceName, IFNAMSIZ - 1);
  bool found = ioctl(fd, SIOCGIFADDR, &request) == 0;
  close(fd);
  if (!found) return false;
  const auto *address = reinterpret_cast<const sockaddr_in *>(&request.ifr_addr);
  const auto *bytes = reinterpret_cast<const unsigned char *>(&address->sin_addr.s_addr);
  std::snprintf(out, 16, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  return true;
}

void SendMagicPacket(const QNHardwareAddress &target) {
  QNSocket socket;
  if (!socket.Open(kWakePort, QNS_UDP, QNS_NO_BIND)) {
    qwarn("Can't open socket");
    return;
  }
  socket.SetBroadcast(true);
  QNAddress destination;
  destination.Set(AF_INET, 0, kWakePort);
  destination.GetByName("255.255.255.255");
  uint8_t packet[102];
  std::memset(packet, 0xFF, 6);
  for (int i = 0; i < 16; ++i) std::memcpy(packet + 6 + i * 6, target.bytes, 6);
  socket.Write(packet, sizeof packet, &destination);
}

}  // namespace

namespace kiln::net {

void ReportError(const char *format, ...) {
  int error = errno;
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  qerr("[QN] %s (%s)", message, std::strerror(error));
}

QNAddress *LocalHost() { return &LocalAddress(); }

}  // namespace kiln::net

int qnInit() {
  if (initialised) return 0;
  initialised = true;
  hardwareAddresses = std::make_unique<std::vector<QNHardwareAddress>>();
  char host[257] = {};
  if (gethostname(host, sizeof host - 1) == 0) LocalAddress().GetByName(host);
  timer = std::make_unique<QTimer>();
  timer->Start();
  ENetCallbacks callbacks{};
  if (enet_initialize_with_callbacks(ENET_VERSION, &callbacks) != 0) qerr("qnInit: can't initialize enet");
  qexit_add_hook(qnShutdown);
  return 1;
}

void qnShutdown() {
  if (!initialised) return;
  timer.reset();
  hardwareAddresses.reset();
  initialised = false;
  enet_deinitialize();
}

bool qnIsInitialised() { return initialised; }

bool qnGetLocalIP(char *out) {
  if (ReadInterfaceAddress("eth1", out) || ReadInterfaceAddress("eth0", out)) return true;
  qwarn("Bad socket");
  return false;
}

const char *qnHardwareAddressToText(const QNHardwareAddress &address) {
  static char text[18];
  const uint8_t *b = address.bytes;
  std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", b[0], b[1], b[2], b[3], b[4], b[5]);
  return text;
}

void qnTextToHardwareAddress(const char *text, QNHardwareAddress *address) {
  char copy[101] = {};
  if (text) std::strncpy(copy, text, 100);
  const std::size_t length = std::strlen(copy);
  for (int i = 0; i < 6; ++i) {
    std::size_t at = static_cast<std::size_t>(i) * 3;
    // Pairs beyond the text read as 0, never past its end.
    char pair[5] = {'0', 'x', at < length ? copy[at] : '0', at + 1 < length ? copy[at + 1] : '0', '\0'};
    address->bytes[i] = static_cast<uint8_t>(Eval(pair));
  }
}

bool qnTextToHardwareAddressStrict(const char *text, QNHardwareAddress *address) {
  if (!text || std::strlen(text) != 17) return false;
  qnTextToHardwareAddress(text, address);
  return true;
}

bool qnAddHardwareAddress(const QNHardwareAddress &address) {
  qnInit();
  if (static_cast<int>(hardwareAddresses->size()) >= kMaxHardwareAddresses) return false;
  hardwareAddresses->push_back(address);
  return true;
}

bool qnHasHardwareAddress(const QNHardwareAddress &address) {
  if (!hardwareAddresses) return false;
  for (const QNHardwareAddress &known : *hardwareAddresses) {
    if (std::memcmp(known.bytes, address.bytes, 6) == 0) return true;
  }
  return false;
}

void qnWakeUp(const QNHardwareAddress *addresses, int count, int delayMilliseconds) {
  qnInit();
  qnote("qnWakeUp(count=%d) by MAC", count);
  for (int i = 0; i < count; ++i) {
    qnote("Wake-on-LAN %s\n", qnHardwareAddressToText(addresses[i]));
    SendMagicPacket(addresses[i]);
    if (delayMilliseconds > 0) {
      QTimer wait;
      wait.Restart();
      wait.Wait(0, delayMilliseconds);
    }
  }
}

void qnWakeUp(const char *const *ips, int count, const QInfo &info, const char *prefix, int delayMilliseconds) {
  std::vector<QNHardwareAddress> collected;
  for (int i = 0; i < count; ++i) {
    std::string ip = ips[i] ? ips[i] : "";
    for (char &c : ip) {
      if (c == '.') c = '_';
    }
    std::string key = std::string(prefix ? prefix : "") + ".ip" + ip;
    char value[1024];
    info.GetString(key.c_str(), value, nullptr);
    if (!*value) {
      qwarn("qnWakeUp; no map from IP '%s' to MAC (%s)", ip.c_str(), key.c_str());
      continue;
    }
    if (static_cast<int>(collected.size()) == kMaxWakeByIp) {
      qwarn("qnWakeUp(ip); too many IP addresses in list; max=%d, %d provided", kMaxWakeByIp, count);
      break;
    }
    QNHardwareAddress address;
    qnTextToHardwareAddress(value, &address);
    collected.push_back(address);
  }
  qnWakeUp(collected.data(), static_cast<int>(collected.size()), delayMilliseconds);
}
