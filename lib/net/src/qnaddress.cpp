#include <kiln/qnaddress.h>

#include <kiln/qdebug.h>

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdio>
#include <cstring>

#include "net_internal.h"

QNAddress::QNAddress() : name(32) { Set(AF_INET, 0, 0); }

void QNAddress::Set(int family, uint32_t host, int port) {
  std::memset(&address, 0, sizeof address);
  address.sin_family = static_cast<sa_family_t>(family);
  address.sin_addr.s_addr = htonl(host);
  address.sin_port = htons(static_cast<uint16_t>(port));
}

bool QNAddress::GetByName(const char *host) {
  if (!host) return false;
  name = host;
  in_addr numeric;
  if (inet_aton(host, &numeric)) {
    address.sin_addr = numeric;
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_CANONNAME;
  addrinfo *found = nullptr;
  bool resolved = getaddrinfo(host, nullptr, &hints, &found) == 0;
  if (!resolved) {
    // Name services sometimes answer the second question only.
    resolved = getaddrinfo(host, nullptr, &hints, &found) == 0;
    if (resolved) qdbg("QNAddress::GetByName(%s)='%s'\n", host, found->ai_canonname ? found->ai_canonname : host);
  }
  if (!resolved || !found) {
    kiln::net::ReportError("QNAddress:GetByName(%s) failed", host);
    return false;
  }
  address.sin_addr = reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

void QNAddress::SetPort(int port) { address.sin_port = htons(static_cast<uint16_t>(port)); }

int QNAddress::GetPort() const { return ntohs(address.sin_port); }

const char *QNAddress::ToString() const {
  static char text[16];
  const auto *bytes = reinterpret_cast<const unsigned char *>(&address.sin_addr.s_addr);
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

void QNAddress::CopyFrom(const QNAddress &other) {
  std::memset(&address, 0, sizeof address);
  address.sin_family = other.address.sin_family;
  address.sin_port = other.address.sin_port;
  address.sin_addr = other.address.sin_addr;
  name = other.name.CStr();
}

void QNAddress::Renumber(int groupSize, int offset, int byteIndex) {
  if (groupSize <= 0) {
    qwarn("QNAddress:Renumber(); groupSize=%d; must be >=1", groupSize);
    return;
  }
  if (byteIndex != 2 && byteIndex != 3) {
    qwarn("QNAddress:Renumber(); byteIndex must be 2 or 3");
    return;
  }
  auto *bytes = reinterpret_cast<unsigned char *>(&address.sin_addr.s_addr);
  bytes[byteIndex] = static_cast<unsigned char>(offset + groupSize * (bytes[byteIndex] / groupSize));
}
