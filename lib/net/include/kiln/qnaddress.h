/// \file
/// QNAddress, an IPv4 socket address.
#pragma once

#include <netinet/in.h>

#include <cstdint>

#include <kiln/qstring.h>

/// An IPv4 socket address with the host name it was made from.
class QNAddress {
public:
  /// Any address (0.0.0.0), port 0, no name.
  QNAddress();
  /// A copy of the address, port and name.
  QNAddress(const QNAddress &other) { CopyFrom(other); }
  /// Takes the other's address, port and name.
  QNAddress &operator=(const QNAddress &other) {
    CopyFrom(other);
    return *this;
  }

  /// Address and port in host byte order.
  void Set(int family, uint32_t address, int port);
  /// A dotted address is taken as it is; a host name is resolved (its first
  /// address). The text is kept as the name.
  bool GetByName(const char *host);
  ///@{
  /// The port, in host byte order.
  void SetPort(int port);
  int GetPort() const;
  ///@}
  /// The dotted form, in a buffer shared by all calls.
  const char *ToString() const;
  /// Compares the addresses only.
  bool IsEqual(const QNAddress &other) const { return address.sin_addr.s_addr == other.address.sin_addr.s_addr; }
  /// Takes the other's address, port and name.
  void CopyFrom(const QNAddress &other);
  /// Byte 2 or 3 of the address becomes offset + groupSize * (byte / groupSize).
  void Renumber(int groupSize, int offset, int byteIndex);

  ///@{
  /// The address as the socket calls take it.
  const sockaddr_in &GetSocketAddress() const { return address; }
  sockaddr_in &GetSocketAddress() { return address; }
  ///@}
  /// The text it was made from by GetByName(), or "".
  const char *GetName() const { return name.CStr(); }

private:
  sockaddr_in address;
  qstring name;
};
