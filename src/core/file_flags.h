// The open flag word of the file object and the rules that follow from it:
// access, sharing, creation, name form and the retry policy of a refused open.
#pragma once

#include <cstdint>

enum OpenFlag : uint32_t {
  // Bits 0-1: creation.
  kOpenOrCreate = 0,
  kOpenExisting = 1,
  kOpenCreateNew = 2,
  kOpenCreateOrTruncate = 3,
  kOpenCreationMask = 3,

  kOpenNoRead = 0x8,
  kOpenNoWrite = 0x10,
  // Failure is fatal: "Failed to open required file".
  kOpenRequired = 0x20,
  // Any failure is retried once after 150 ms.
  kOpenRetryOnce = 0x40,
  // The whole file is loaded and reads are served from memory.
  kOpenLoadIntoMemory = 0x80,
  kOpenShareRead = 0x100,
  kOpenShareWrite = 0x200,
  kOpenTruncate = 0x400,
  // Opened and closed again at once: only tests that it can be opened.
  kOpenTestOnly = 0x800,
  // A sharing violation is final at once instead of waited out.
  kOpenNoSharingWait = 0x1000,
  // The name is UTF-16; otherwise 8-bit text in the ANSI code page.
  kOpenWideName = 0x2000,
  // Temporary forms only. The system deletes the file when its handle
  // closes, however the process ends (a kill included); other opens must
  // share deletion.
  kOpenDeleteOnClose = 0x4000,
  // Temporary forms only. As kOpenDeleteOnClose until File::Keep: a file
  // that is written whole before it is kept and given its real name.
  kOpenUntilKept = 0x8000,

  // Top three bits: how the name is formed.
  kOpenNameFormMask = 0xE0000000,
  kOpenNameAsGiven = 0,
  // A new temporary file in the temporary folder; no name needed.
  kOpenNewTemporary = 0x20000000,
  // A new temporary file in the folder given as the name.
  kOpenNewTemporaryIn = 0x40000000,
  // The given name inside the temporary folder.
  kOpenInTemporaryFolder = 0x60000000,
  // A new temporary file without prefix in the folder given as the name and
  // nowhere else: a file staged beside its destination, which a move at
  // the restart cannot take across volumes.
  kOpenNewTemporaryBeside = 0x80000000,
};

enum class OpenCreation { kOpenOrCreate, kOpenExisting, kCreateNew, kCreateOrTruncate };

// What an open asks of the system, decoded from the flag word.
struct OpenMode {
  bool read = false;
  bool write = false;
  bool share_read = false;
  bool share_write = false;
  OpenCreation creation = OpenCreation::kOpenOrCreate;
};

OpenMode DecodeOpenFlags(uint32_t flags);

// Whether the name form skips the empty-name check (any form with bit
// 0x20000000 set), and whether the top bits name a form this layer knows.
bool NameFormNeedsNoName(uint32_t flags);
bool IsKnownNameForm(uint32_t flags);

// Counts the retries of one open. NextOpenRetryDelay answers, after a failed
// attempt, how many milliseconds to wait before the next attempt, or -1 when
// the failure is final.
struct OpenRetryState {
  bool retried_once = false;
  int sharing_retries = 0;
};

constexpr int kRetryOnceDelayMs = 150;
constexpr int kSharingRetryDelayMs = 100;
constexpr int kMaxSharingRetries = 5;

int NextOpenRetryDelay(OpenRetryState& state, uint32_t flags, uint32_t os_error);
