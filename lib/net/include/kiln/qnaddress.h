// An IPv4 socket address with the host name it was made from.
#pragma once

#include <netinet/in.h>

#include <cstdint>

#include <kiln/qstring.h>

class QNAddress {
public:
  QNAddress();
  QNAddress(const QNAddress &other) { CopyFrom(other); }
  QNAddress &operator=(const QNAddress &other) {
    CopyFrom(other);
    return *this;
  }

  // Address and port in host byte order.
  void Set(int family, uint32_t address, int port);
  // A dotted address is taken as it is; a host name is resolved (its first
  // address). The text is kept as the name.
  bool GetByName(const char *host);
  void SetPort(int port);
  int GetPort() const;
  // The dotted form, in a buffer shared by all calls.
  const char *ToString() const;
  // Compares the addresses only.
  bool IsEqual(const QNAddress &other) const { return address.sin_addr.s_addr == other.address.sin_addr.s_addr; }
  void CopyFrom(const QNAddress &other);
  // Byte 2 or 3 of the address becomes offset + groupSize * (byte / groupSize).
  void Renumber(int groupSize, int offset, int byteIndex);

  const sockaddr_in &GetSocketAddress() const { return address; }
  sockaddr_in &GetSocketAddress() { return address; }
  const char *GetName() const { return name.CStr(); }

private:
  sockaddr_in address;
  qstring name;
};
