// The program's own file, read by position. A plain record of a function and
// its context, so that the run-time file, a memory image in a test and a
// fuzzer's input all serve alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/reader.h"

struct ProgramFile {
  // Reads exactly count bytes at offset into out; false on any shortfall.
  bool (*read_at)(void* context, uint64_t offset, void* out, size_t count);
  void* context;
  uint64_t size;  // bytes in the file

  bool ReadAt(uint64_t offset, void* out, size_t count) const;
};

// A whole program image held in memory, read through ProgramFile. The bytes
// must outlive the returned record.
ProgramFile MemoryProgramFile(const ByteSpan* image);
