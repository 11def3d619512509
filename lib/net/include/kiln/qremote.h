/// \file
/// The remote diagnostic output: every remote send of the diagnostic
/// outputs as one UDP datagram to a host named in the option file
/// "/tmp/kilnopt.txt" ("remotehost NAME" and "port N") or by the key
/// "dev.udp_out" (host:port) of a configuration tree.
#pragma once

class QInfo;

/// The remote send of one text; the diagnostic outputs call it.
void qdbg_udp_send(const char *text);
/// Sends to the host:port of the tree's "dev.udp_out".
void qdbg_setup(const QInfo &info);
/// Reads the option file; called by the first remote send.
void qdbg_read_options();
/// Closes the remote output; the next send reads the option file again.
void qdbg_udp_close();
