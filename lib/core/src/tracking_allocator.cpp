// The tracking allocator. A block is laid out as
//   header (links, size, flags, line, file) | "HEAD" | user bytes | "TRAL"
// with the user's bytes 16-byte aligned and the guards right beside them.
#include <kiln/qalloc.h>

#include <kiln/qassert.h>
#include <kiln/qdebug.h>
#include <kiln/qutil.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace {

// The header's fields below, before the padding; their size differs with
// the word size, the padding makes it up.
constexpr std::size_t kFieldBytes = 3 * sizeof(void *) + sizeof(int32_t) + 2 * sizeof(int16_t);

struct BlockHeader {
  BlockHeader *newer;
  BlockHeader *older;
  int32_t size;
  int16_t flags;
  int16_t line;
  const char *file;
  char padding[(16 - (kFieldBytes + 4) % 16) % 16];  // the user's bytes aligned, the guard beside them
  char frontGuard[4];
};
static_assert(sizeof(BlockHeader) % 16 == 0, "user bytes must stay 16-byte aligned");
static_assert(offsetof(BlockHeader, frontGuard) + 4 == sizeof(BlockHeader), "guard must touch the user bytes");

constexpr char kFrontGuard[4] = {'H', 'E', 'A', 'D'};
constexpr char kRearGuard[4] = {'T', 'R', 'A', 'L'};
constexpr int kOverhead = static_cast<int>(sizeof(BlockHeader)) + 4;
constexpr std::size_t kDumpLength = 16;

BlockHeader *newest = nullptr;
int liveCount = 0;
long long liveTotal = 0;

// The live blocks and their sizes: whether a pointer may be released is
// decided here, never by reading memory that may already be gone.
std::unordered_map<const BlockHeader *, int32_t> &LiveBlocks() {
  static auto *blocks = new std::unordered_map<const BlockHeader *, int32_t>;
  return *blocks;
}

BlockHeader *HeaderOf(void *pointer) {
  return reinterpret_cast<BlockHeader *>(static_cast<char *>(pointer) - sizeof(BlockHeader));
}

char *UserBytes(BlockHeader *block) { return reinterpret_cast<char *>(block + 1); }

bool FrontGuardIntact(BlockHeader *block) { return std::memcmp(block->frontGuard, kFrontGuard, 4) == 0; }

bool RearGuardIntact(BlockHeader *block, int32_t size) {
  return std::memcmp(UserBytes(block) + size, kRearGuard, 4) == 0;
}

void Describe(BlockHeader *block, int index) {
  char text[1024];
  int length = std::snprintf(text, sizeof text, "%s(%d): %s(%d)", block->file, block->line,
                             (block->flags & QALLOC_OBJECT) ? "new" : "qcalloc", block->size);
  if (length < 0 || length >= static_cast<int>(sizeof text)) length = static_cast<int>(std::strlen(text));
  if (index < 0) {
    std::snprintf(text + length, sizeof text - length, " at 0x%p:", static_cast<void *>(UserBytes(block)));
  } else {
    std::snprintf(text + length, sizeof text - length, " at 0x%p [#%d]", static_cast<void *>(UserBytes(block)), index);
  }
  qdbg("%s\n", text);
  qshow_source_line(block->file, block->line);
}

int CheckBlock(BlockHeader *block, int32_t size) {
  bool frontIntact = FrontGuardIntact(block);
  bool rearIntact = RearGuardIntact(block, size);
  if (frontIntact && rearIntact) return 0;
  Describe(block, -1);
  if (!frontIntact) qdbg("  ^^^ Bytes trashed in front of allocation!\n");
  if (!rearIntact) qdbg("  ^^^ Bytes trashed behind end of allocation!\n");
  qshow_source_line(block->file, block->line);
  // Never past the rear guard: a small block has fewer than 16 bytes.
  std::size_t blockBytes = 4 + static_cast<std::size_t>(size) + 4;
  QHexDump(block->frontGuard, static_cast<int>(blockBytes < kDumpLength ? blockBytes : kDumpLength));
  return 1;
}

bool LinksConsistent(const BlockHeader *block) {
  const auto &live = LiveBlocks();
  if (block->newer ? !live.count(block->newer) || block->newer->older != block : newest != block) return false;
  if (block->older && (!live.count(block->older) || block->older->newer != block)) return false;
  return true;
}

void ForEachLive(void (*visit)(BlockHeader *, int32_t)) {
  const auto &live = LiveBlocks();
  for (BlockHeader *block = newest; block; block = block->older) visit(block, live.at(block));
}

}  // namespace

void *qalloc(int size, const char *file, int line, int flags) {
  if (size < 1) {
    qdbg("# Bad allocation length (%d) in '%s', line %d\n", size, file, line);
    qshow_source_line(file, line);
    return nullptr;
  }
  BlockHeader *block = size <= INT_MAX - kOverhead ? static_cast<BlockHeader *>(std::malloc(size + kOverhead)) : nullptr;
  if (!block) {
    qdbg("# Allocation failed; %d bytes in '%s', line %d\n", size, file, line);
    qshow_source_line(file, line);
    return nullptr;
  }
  std::memset(block->padding, 0, sizeof block->padding);
  std::memcpy(block->frontGuard, kFrontGuard, 4);
  std::memcpy(UserBytes(block) + size, kRearGuard, 4);
  block->file = file;
  block->size = size;
  block->line = static_cast<int16_t>(static_cast<uint16_t>(line));
  block->flags = static_cast<int16_t>(flags);

  block->older = newest;
  block->newer = nullptr;
  if (newest) newest->newer = block;
  newest = block;
  LiveBlocks()[block] = size;

  int fill = (flags & QALLOC_ZERO) ? 0x00 : (flags & QALLOC_OBJECT) ? 0xCC : 0xBA;
  std::memset(UserBytes(block), fill, size);
  ++liveCount;
  liveTotal += size;
  return UserBytes(block);
}

void *qcalloc(int size, const char *file, int line) { return qalloc(size, file, line, QALLOC_ZERO); }

char *qstrdup(const char *text, const char *file, int line) {
  if (!text) return nullptr;
  std::size_t length = std::strlen(text);
  if (length >= static_cast<std::size_t>(INT_MAX)) return nullptr;
  char *copy = static_cast<char *>(qalloc(static_cast<int>(length + 1), file, line, 0));
  if (copy) std::memcpy(copy, text, length + 1);
  return copy;
}

void *qcalloc_or_abort(int size, const char *file, int line) {
  void *pointer = qcalloc(size, file, line);
  if (!pointer) std::abort();
  return pointer;
}

void qfree(void *pointer) {
  if (!pointer) return;
  BlockHeader *block = HeaderOf(pointer);
  auto &live = LiveBlocks();
  auto found = live.find(block);
  if (found == live.end()) {
    qdbg("# qfree(); 0x%p is no live block (freed twice, or not made here)\n", pointer);
    return;
  }
  int32_t size = found->second;
  if (!FrontGuardIntact(block)) {
    CheckBlock(block, size);
    if (!LinksConsistent(block)) {
      qdbg("# qfree(); links of 0x%p are trashed; the block is not released\n", pointer);
      return;
    }
  }
  liveTotal -= size;
  --liveCount;
  if (newest == block) newest = block->older;
  if (block->newer) block->newer->older = block->older;
  if (block->older) block->older->newer = block->newer;
  live.erase(found);
  std::memset(UserBytes(block), 0xFA, size);
  std::free(block);
}

int qmem_count() { return liveCount; }

long long qmem_total() { return liveTotal; }

int qcheck_block(void *pointer) {
  if (!pointer) return 0;
  BlockHeader *block = HeaderOf(pointer);
  auto found = LiveBlocks().find(block);
  if (found == LiveBlocks().end()) {
    qdbg("# qcheck_block(); 0x%p is no live block\n", pointer);
    return 1;
  }
  return CheckBlock(block, found->second);
}

void qcheck_all() {
  ForEachLive([](BlockHeader *block, int32_t size) { CheckBlock(block, size); });
}

void qmem_report(int flags) {
  if (!newest) {
    qdbg("### Kiln Memory Report - no allocations ###\n");
    return;
  }
  qdbg("### Kiln Memory Report ###\n");
  qdbg("Number of allocations: %d, total allocated memory: %lld\n", liveCount, liveTotal);
  const auto &live = LiveBlocks();
  if (flags & QMEM_REPORT_NEW) {
    qdbg("(New) allocations:\n");
    int listed = 0;
    for (BlockHeader *block = newest; block; block = block->older) {
      if (!(block->flags & QALLOC_LISTED)) {
        Describe(block, listed++);
        block->flags |= QALLOC_LISTED;
      }
      CheckBlock(block, live.at(block));
    }
    qdbg("Totalling %d new allocations.\n", listed);
  } else if (flags & QMEM_REPORT_ALL) {
    qdbg("All allocations:\n");
    for (BlockHeader *block = newest; block; block = block->older) {
      Describe(block, -1);
      block->flags |= QALLOC_LISTED;
      CheckBlock(block, live.at(block));
    }
  } else {
    for (BlockHeader *block = newest; block; block = block->older) {
      block->flags |= QALLOC_LISTED;
      CheckBlock(block, live.at(block));
    }
  }
  qdbg("############################################\n");
  qcheck_all();
}
