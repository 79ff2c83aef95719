// The text of the out-of-memory report, kept apart from the path that ends
// the process so that its format can be checked on its own.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kOutOfMemoryStackWords = 80;
constexpr const char* kDefaultOutOfMemoryAdvice = "Make sure the hard drive is not full.";

// Writes the report for a failed request of `requested` bytes into out
// (always terminated when out_size > 0): the header with the advice and the
// size, then each stack word as eight hex digits, eight words to a line.
// Returns the length written (shorter than the full text when it was cut).
std::size_t FormatOutOfMemoryReport(char* out, std::size_t out_size, const char* advice,
                                    std::size_t requested, const std::uint32_t* words,
                                    int word_count);

// Copies `count` 32-bit words of the caller's stack, starting just above this
// function's own frame, so that the report shows the return addresses and
// locals of the failing call chain.
void ReadStackWords(std::uint32_t* out, int count);
