#include "package/program_file.h"

#include <cstring>

namespace {

bool ReadMemoryImage(void* context, uint64_t offset, void* out, size_t count) {
  const auto* image = static_cast<const ByteSpan*>(context);
  if (offset > image->length || count > image->length - offset) return false;
  if (count > 0) std::memcpy(out, image->data + offset, count);
  return true;
}

}  // namespace

bool ProgramFile::ReadAt(uint64_t offset, void* out, size_t count) const {
  if (read_at == nullptr) return false;
  if (offset > size || count > size - offset) return false;
  return read_at(context, offset, out, count);
}

ProgramFile MemoryProgramFile(const ByteSpan* image) {
  return ProgramFile{&ReadMemoryImage, const_cast<ByteSpan*>(image), image->length};
}
