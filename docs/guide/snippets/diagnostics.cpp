// The guide's samples of the diagnostic outputs.
#include <kiln/kiln.h>

#include <cstdio>

// [outputs]
void Report(int frame, const char *file) {
  qdbg("frame %d\n", frame);                  // debug: standard error, remote output, trace
  qwarn("'%s' is larger than expected", file);  // a warning (a newline is added): standard error, the log
  qerr("can't read '%s'", file);               // an error: the log, the console, remote output
  qnote("level loaded");                        // the log, when notices are on
  qout("score: %d\n", frame * 10);              // plain text: standard error, remote output
}
// [outputs]

// [callbacks]
// A program's own handling of warnings and errors: here counted and shown
// in its status line. A callback takes the message instead of the usual
// destinations.
int problems = 0;
void CountProblem(const char *text) {
  ++problems;
  std::fputs(text, stderr);
}
void TakeProblems() {
  qwarn_set_callback(CountProblem);
  qerr_set_callback(CountProblem);
  qlog_set_mask(qlog_get_mask() | QLOG_MASK_NOTE);  // notices into QLOG.txt too
}
// [callbacks]

// [trace]
// The developer trace file: what the mask selects, with time stamps, and
// calls indented between enter and leave.
void TraceLoading() {
  qtrace_open("trace.txt");
  qtrace_set_mask(QTRACE_WARN | QTRACE_ERR | QTRACE_TIME);
  qtrace_enter("Loader", "Load", QTRACE_NO_OBJECT);
  qtrace("reading %s", "level1.dof");
  qtrace_leave("Loader", "Load", QTRACE_NO_OBJECT);
  qtrace_open(nullptr);
}
// [trace]

// [remote]
// Everything qdbg() and qout() print, as UDP datagrams to the host and
// port of "dev.udp_out" in the program's configuration.
void SendDiagnosticsFrom(const QInfo &config) { qdbg_setup(config); }
// [remote]
