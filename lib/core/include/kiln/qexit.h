/// \file
/// The library's exit routine. Layers that hold process-wide resources (the
/// network, the remote output) register a shutdown hook; qexit() runs the
/// hooks in the order they were added and then ends the process.
#pragma once

/// A shutdown hook: called by qexit() before the process ends.
using QShutdownHook = void (*)();

/// Adds a hook (a hook already present is not added twice). False when the
/// table of hooks is full.
bool qexit_add_hook(QShutdownHook hook);
/// Removes a hook; false when it was not registered.
bool qexit_remove_hook(QShutdownHook hook);

/// Runs the shutdown hooks, then ends the process with the status.
[[noreturn]] void qexit(int status);
/// Runs the shutdown hooks, flushes the standard streams and ends the
/// process at once: no static object is destroyed and no atexit function
/// runs. For a process whose outside resources are gone (its X server
/// died), where their destructors could only fail.
[[noreturn]] void qexit_now(int status);
