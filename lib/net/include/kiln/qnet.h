/// \file
/// The network layer: start and stop, the local address, hardware (MAC)
/// addresses and wake-on-LAN.
#pragma once

#include <cstdint>

#include <kiln/qnaddress.h>

class QInfo;

/// Starts the network layer: 1 when it did, 0 when it was running already.
/// The library's exit routine stops it.
int qnInit();
/// Stops the network layer; nothing when it isn't running.
void qnShutdown();
/// True while the network layer runs.
bool qnIsInitialised();

/// The IPv4 address of "eth1", or else "eth0", as "%d.%d.%d.%d"; `out` holds
/// at least 16 bytes. False (with a warning) when neither can be read.
bool qnGetLocalIP(char *out);

/// A hardware (MAC) address.
struct QNHardwareAddress {
  uint8_t bytes[6] = {};  ///< in the order they are written
};

/// "%02x-%02x-%02x-%02x-%02x-%02x", in a buffer shared by all calls.
const char *qnHardwareAddressToText(const QNHardwareAddress &address);
/// Six pairs of hex digits at positions 0, 3, 6, 9, 12 and 15 (any
/// separators); a text too short for them leaves the missing bytes 0.
void qnTextToHardwareAddress(const char *text, QNHardwareAddress *address);
/// The same for texts of exactly 17 characters; false, and the address as
/// it was, for any other.
bool qnTextToHardwareAddressStrict(const char *text, QNHardwareAddress *address);

/// Adds to the hardware addresses the network layer knows (up to 10);
/// false when they are full.
bool qnAddHardwareAddress(const QNHardwareAddress &address);
/// True when the address is among those known.
bool qnHasHardwareAddress(const QNHardwareAddress &address);

/// Sends the wake-on-LAN magic packet to each address by broadcast to port 9,
/// waiting `delayMilliseconds` after each.
void qnWakeUp(const QNHardwareAddress *addresses, int count, int delayMilliseconds);
/// The same for machines named by IP address: the hardware address of each
/// is the value of "<prefix>.ip<a_b_c_d>" in the configuration tree.
void qnWakeUp(const char *const *ips, int count, const QInfo &info, const char *prefix, int delayMilliseconds);
