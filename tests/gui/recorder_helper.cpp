// A program that records state changes on the VCR tape, for the tests that
// kill it or its X server while it records.
//   recorder record [--every MS]  records without end in its directory's
//                                 "temptape.vcr", resting a millisecond
//                                 every ten records; with --every it says
//                                 "recorded N" after each record and waits
//   recorder use FILE             VCR_UseFile: "records N entered NAME:I"
// Record i (from 1) is state "odd" or "even" with data: i as 32 bits, then
// DataLength(i) bytes of i & 0xFF: records differ in length, and every
// seventh is longer than the stream's buffer, so that it reaches the file
// in several writes.
#include <kiln/qapp.h>
#include <kiln/qfile.h>
#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>
#include <kiln/qutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int counter = 0, lastRead = -1;

long DataLength(int i) { return i % 7 == 0 ? 9000 + i % 97 : i % 97; }

void WriteData(QFile *tape) {
  tape->WriteLE32(counter);
  const std::string filler(static_cast<std::size_t>(DataLength(counter)), static_cast<char>(counter & 0xFF));
  tape->Write(filler.data(), static_cast<long>(filler.size()));
}

void ReadData(QFile *tape) {
  int32_t value = -1;
  if (tape->ReadLE32(&value) != 4 || value <= 0) return;
  std::string filler(static_cast<std::size_t>(DataLength(value)), '\0');
  tape->Read(filler.data(), static_cast<long>(filler.size()));
  lastRead = value;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) return 2;
  QApp app("recorder", "Recorder");
  app.NoBC();
  if (!app.Create()) return 1;
  QStateManager *manager = app.GetStateManager();
  manager->SetIOProcs(ReadData, WriteData);
  QState odd("odd"), even("even");
  if (std::strcmp(argv[1], "use") == 0 && argc == 3) {
    const bool used = manager->VCR_UseFile(argv[2]);
    const QState *entered = manager->GetState();
    std::printf("records %d entered %s:%d\n", manager->GetTape().GetRecordCount(),
                entered ? entered->GetStateName() : "none", used ? lastRead : -1);
    return used ? 0 : 1;
  }
  const int every = argc == 4 && std::strcmp(argv[2], "--every") == 0 ? std::atoi(argv[3]) : -1;
  for (;;) {
    ++counter;
    manager->SetState(counter % 2 ? &odd : &even);
    if (every < 0) {
      if (counter % 10 == 0) QWaitMilli(1);
      continue;
    }
    std::printf("recorded %d\n", counter);
    std::fflush(stdout);
    // Events keep the connection in use, as a program's loop does.
    while (app.ProcessEvent() != 2) {
    }
    QWaitMilli(every);
  }
}
