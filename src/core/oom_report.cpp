#include "core/oom_report.h"

#include "core/format_engine.h"

namespace {

// Appends with snprintf semantics, keeping `length` at the end of what fits.
void Append(char* out, std::size_t out_size, std::size_t& length, const char* format,
            unsigned value) {
  if (length + 1 >= out_size) return;
  int64_t written = FormatTerminated(out + length, static_cast<int64_t>(out_size - length), format, value);
  if (written < 0) return;
  std::size_t room = out_size - length - 1;
  length += static_cast<std::size_t>(written) < room ? static_cast<std::size_t>(written) : room;
}

}  // namespace

std::size_t FormatOutOfMemoryReport(char* out, std::size_t out_size, const char* advice,
                                    std::size_t requested, const std::uint32_t* words,
                                    int word_count) {
  if (out == nullptr || out_size == 0) return 0;
  int64_t written = FormatTerminated(out, static_cast<int64_t>(out_size),
                              "%s.\r\nAdvice: %s\r\nRequested size = %zu (0x%08zX)\r\n\r\n"
                              "Stack contents:",
                              "Out Of Memory", advice ? advice : "", requested, requested);
  if (written < 0) {
    out[0] = '\0';
    return 0;
  }
  std::size_t length = static_cast<std::size_t>(written);
  if (length >= out_size) return out_size - 1;
  for (int i = 0; i < word_count; ++i) {
    // A line break before every eighth word, a space between the others.
    Append(out, out_size, length, i % 8 == 0 ? "\r%08X" : " %08X", words[i]);
  }
  return length;
}

// The words above this frame belong to other functions, and under
// AddressSanitizer some of them are red zones; reading them is the purpose
// here, so this one function is left uninstrumented and reads word by word
// through a volatile pointer (a memcpy would be intercepted and checked).
__attribute__((noinline, no_sanitize_address)) void ReadStackWords(std::uint32_t* out,
                                                                    int count) {
  const volatile std::uint32_t* stack =
      static_cast<const volatile std::uint32_t*>(__builtin_frame_address(0));
  for (int i = 0; i < count; ++i) out[i] = stack[i];
}
