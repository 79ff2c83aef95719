// How keyed lists hash and compare their keys: integers and enumerations hash
// to their own value, pointers to their address, and String to the TextHash
// of its bytes with byte-exact equality.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/string.h"
#include "core/text_hash.h"

template <class K>
struct KeyTraits;  // a key type without traits does not compile as a key

template <class K>
  requires std::is_integral_v<K> || std::is_enum_v<K>
struct KeyTraits<K> {
  static std::uint32_t Hash(K key) { return static_cast<std::uint32_t>(key); }
  static bool Equal(K a, K b) { return a == b; }
};

template <class P>
struct KeyTraits<P*> {
  static std::uint32_t Hash(P* key) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key));
  }
  static bool Equal(P* a, P* b) { return a == b; }
};

// Text keys compare byte for byte, whatever the bytes encode.
template <>
struct KeyTraits<String> {
  static std::uint32_t Hash(const String& key) { return TextHash(key.bytes(), key.length()); }
  static bool Equal(const String& a, const String& b) { return a == b; }
};
