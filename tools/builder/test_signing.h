// What a signing tool does to an installer, for the builder's tests.
#pragma once

#include <cstddef>

#include "builder/test_stub.h"
#include "core/string.h"
#include "package/byte_order.h"
#include "package/locator.h"

// Zeros up to an 8-byte boundary (and extra_gap more), a certificate table
// there, the Security entry pointing at it, a new CheckSum.
inline String FakeSigned(const String& image, size_t extra_gap = 0) {
  String signed_image = image;
  size_t at = static_cast<size_t>(image.length());
  at = (at + 7) / 8 * 8 + extra_gap;
  signed_image.SetLength(static_cast<int32_t>(at));
  const char table[] = "certificate table of forty bytes.......";
  signed_image.Append(table, sizeof table);
  StoreLe32(signed_image.data() + kTestStubPe + kPeSecurityEntryOffset, static_cast<uint32_t>(at));
  StoreLe32(signed_image.data() + kTestStubPe + kPeSecurityEntryOffset + 4, sizeof table);
  StoreLe32(signed_image.data() + kTestStubPe + kPeCheckSumFieldOffset, 0x12345678);
  return signed_image;
}
