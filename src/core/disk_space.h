// Free and total space of a drive.
#pragma once

#include <cstdint>

// Answers for paths that start with a drive letter and colon: the bytes free
// for this user on that drive and its total size. Other paths fail with
// ERROR_BAD_PATHNAME; a drive the system cannot answer for fails with the
// system's error.
bool DiskSpace(const char16_t* path, uint64_t& free_bytes, uint64_t& total_bytes);
