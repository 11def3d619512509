// Program states on the VCR tape against plain stdio (make bench runs it
// under xvfb-run).
//
// An application without BC and 100 states; 200,000 state changes, each
// recorded with 64 bytes of the program's data; then reversed back to the
// first record and played forwards to the end. The peer writes the same
// records with stdio (flushed one by one), reads them back by their
// trailing offsets and then forwards, looks the names up in an
// unordered_map and prints the same "new pos" line. Standard error goes to
// /dev/null for both. Recording compares the two files' bytes, playback the
// states and data each side entered, in order.
#include <benchmark/benchmark.h>

#include <kiln/qapp.h>
#include <kiln/qfile.h>
#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>
#include <kiln/qvcrtape.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ratio_reporter.h"

namespace {

constexpr int kStates = 100;
constexpr int kChanges = 200000;
constexpr int kFiller = 60;  // with the change's number: 64 bytes of data
constexpr int kRecord = QVCRTape::kNameBytes + 4 + kFiller + 4;

std::vector<std::string> names;

// The state entered by each change: never the one before.
int StateOf(int change) { return change * 7 % kStates; }

void Filler(int change, unsigned char *filler) {
  for (int i = 0; i < kFiller; ++i) filler[i] = static_cast<unsigned char>(change + i);
}

// What playback entered, in order: names and data mixed into one number.
uint64_t seen = 0;
void Mix(const char *name, int32_t value, unsigned char last) {
  for (const char *c = name; *c; ++c) seen = (seen ^ static_cast<unsigned char>(*c)) * 1099511628211u;
  seen = (seen ^ static_cast<uint32_t>(value)) * 1099511628211u;
  seen = (seen ^ last) * 1099511628211u;
}
double Seen() { return static_cast<double>(seen >> 12); }

double FileHash(const char *file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  uint64_t hash = 14695981039346656037u;
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  return bytes.size() == static_cast<std::size_t>(kChanges) * kRecord ? static_cast<double>(hash >> 12) : -1;
}

// ---- Kiln: the state manager on its tape.

QStateManager *manager = nullptr;
int change = 0;
int32_t readValue = 0;
unsigned char readLast = 0;

void WriteData(QFile *tape) {
  unsigned char filler[kFiller];
  Filler(change, filler);
  tape->WriteLE32(change);
  tape->Write(filler, kFiller);
}
void ReadData(QFile *tape) {
  unsigned char filler[kFiller] = {};
  tape->ReadLE32(&readValue);
  tape->Read(filler, kFiller);
  readLast = filler[kFiller - 1];
}
void Started(QState *state) { Mix(state->GetStateName(), readValue, readLast); }

std::vector<std::unique_ptr<QState>> states;

// The whole recording, its position at the end.
bool TapeAtEnd() {
  return manager->VCR_UseFile("temptape.vcr") && manager->GetTape().GetRecordCount() == kChanges;
}

void KilnRecord(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    manager->NewTape();
    state.ResumeTiming();
    for (change = 0; change < kChanges; ++change) manager->SetState(states[static_cast<std::size_t>(StateOf(change))].get());
  }
  kiln::bench::SetResult(state, FileHash("temptape.vcr"));
}

void KilnReverse(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    if (!TapeAtEnd()) {
      state.SkipWithError("no recording to reverse");
      break;
    }
    seen = 0;
    state.ResumeTiming();
    while (manager->GetTape().GetRecordIndex() > 1) {
      if (!manager->Reverse()) break;
    }
  }
  if (manager->GetTape().GetRecordIndex() != 1) state.SkipWithError("reversing stopped early");
  kiln::bench::SetResult(state, Seen());
}

void KilnPlay(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    if (!TapeAtEnd()) {
      state.SkipWithError("no recording to play");
      break;
    }
    while (manager->GetTape().GetRecordIndex() > 1) manager->StepBack();
    seen = 0;
    state.ResumeTiming();
    while (manager->Play()) {
    }
  }
  if (manager->GetTape().GetRecordIndex() != kChanges) state.SkipWithError("playing stopped early");
  kiln::bench::SetResult(state, Seen());
}

// ---- The peer: stdio and an unordered_map.

struct PeerState {
  const char *name;
};

class PeerTape {
public:
  ~PeerTape() { Close(); }
  bool Create(const char *name) {
    Close();
    file = std::fopen(name, "w+b");
    position = 0;
    index = 0;
    return file != nullptr;
  }
  bool Open(const char *name) {
    Close();
    file = std::fopen(name, "r+b");
    if (!file || std::fseek(file, 0, SEEK_END) != 0) return false;
    position = std::ftell(file);
    index = static_cast<int>(position / kRecord);
    return true;
  }
  void Close() {
    if (file) std::fclose(file);
    file = nullptr;
  }

  bool Record(const PeerState &state) {
    char name[QVCRTape::kNameBytes] = {};
    std::strncpy(name, state.name, sizeof name - 1);
    unsigned char filler[kFiller];
    Filler(change, filler);
    const bool written = std::fwrite(name, sizeof name, 1, file) == 1 && PutLE32(change) &&
                         std::fwrite(filler, kFiller, 1, file) == 1 && PutLE32(static_cast<int32_t>(position)) &&
                         std::fflush(file) == 0;
    position += kRecord;
    ++index;
    return written;
  }
  bool StepBack() {
    int32_t start = 0;
    if (position <= 0 || std::fseek(file, position - 4, SEEK_SET) != 0 || !GetLE32(&start)) return false;
    position = start;
    --index;
    return std::fseek(file, position, SEEK_SET) == 0;
  }
  bool PlayNext(const std::unordered_map<std::string, PeerState *> &byName) {
    char name[QVCRTape::kNameBytes + 1] = {};
    int32_t value = 0, start = 0;
    unsigned char filler[kFiller];
    if (std::fread(name, QVCRTape::kNameBytes, 1, file) != 1 || !GetLE32(&value) ||
        std::fread(filler, kFiller, 1, file) != 1 || !GetLE32(&start))
      return false;
    auto found = byName.find(name);
    if (found == byName.end()) return false;
    position = std::ftell(file);
    ++index;
    Mix(found->second->name, value, filler[kFiller - 1]);
    std::fprintf(stderr, "new pos=%d\n", static_cast<int>(position));
    return true;
  }
  bool AtEnd() const { return index >= kChanges; }
  int Index() const { return index; }

private:
  bool PutLE32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return std::fwrite(bytes, 4, 1, file) == 1;
  }
  bool GetLE32(int32_t *value) {
    unsigned char bytes[4];
    if (std::fread(bytes, 4, 1, file) != 1) return false;
    *value = static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24);
    return true;
  }

  FILE *file = nullptr;
  long position = 0;
  int index = 0;
};

std::vector<PeerState> peerStates;
std::unordered_map<std::string, PeerState *> peerByName;

void PeerRecord(benchmark::State &state) {
  PeerTape tape;
  for (auto _ : state) {
    state.PauseTiming();
    tape.Create("peertape.vcr");
    state.ResumeTiming();
    for (change = 0; change < kChanges; ++change) {
      if (!tape.Record(peerStates[static_cast<std::size_t>(StateOf(change))])) {
        state.SkipWithError("stdio could not write the tape");
        return;
      }
    }
  }
  tape.Close();
  kiln::bench::SetResult(state, FileHash("peertape.vcr"));
}

void PeerReverse(benchmark::State &state) {
  PeerTape tape;
  for (auto _ : state) {
    state.PauseTiming();
    if (!tape.Open("peertape.vcr")) {
      state.SkipWithError("no recording to reverse");
      return;
    }
    seen = 0;
    state.ResumeTiming();
    while (tape.Index() > 1) {
      if (!tape.StepBack() || !tape.StepBack() || !tape.PlayNext(peerByName)) break;
    }
  }
  if (tape.Index() != 1) state.SkipWithError("reversing stopped early");
  kiln::bench::SetResult(state, Seen());
}

void PeerPlay(benchmark::State &state) {
  PeerTape tape;
  for (auto _ : state) {
    state.PauseTiming();
    if (!tape.Open("peertape.vcr")) {
      state.SkipWithError("no recording to play");
      return;
    }
    while (tape.Index() > 1) tape.StepBack();
    seen = 0;
    state.ResumeTiming();
    while (!tape.AtEnd() && tape.PlayNext(peerByName)) {
    }
  }
  if (tape.Index() != kChanges) state.SkipWithError("playing stopped early");
  kiln::bench::SetResult(state, Seen());
}

BENCHMARK(KilnRecord)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(PeerRecord)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(KilnReverse)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(PeerReverse)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(KilnPlay)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(PeerPlay)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  if (!std::freopen("/dev/null", "w", stderr)) return 1;
  QApp application("bench_states", "Benchmark");
  application.NoBC();
  if (!application.Create() || !application.GetStateManager()) {
    std::printf("benchmark failed: the application and its state manager could not be made\n");
    return 1;
  }
  manager = application.GetStateManager();
  manager->SetIOProcs(ReadData, WriteData);
  for (int i = 0; i < kStates; ++i) names.push_back("state" + std::to_string(i));
  peerStates.reserve(kStates);
  for (const std::string &name : names) {
    states.push_back(std::make_unique<QState>(name.c_str(), nullptr, Started));
    peerStates.push_back(PeerState{name.c_str()});
    peerByName[name] = &peerStates.back();
  }
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("200,000 states recorded", "KilnRecord", "PeerRecord", "(goal: at most 1.25)");
  reporter.PrintRatio("reversed to the first", "KilnReverse", "PeerReverse", "(goal: at most 1.5)");
  reporter.PrintRatio("played to the end", "KilnPlay", "PeerPlay", "(goal: at most 1.5)");
  while (!states.empty()) states.pop_back();
  return 0;
}
