// setup-builder inspect: what an installer holds, read as setup.exe reads it
// (installer_reader.h), as text or as one JSON document of a fixed shape
// (documented in docs/user-guide.md, "Shipping").
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builder/installer_reader.h"

struct JsonMember;

// A JSON value; the text form is rendered from the same tree, so the two
// always say the same.
struct JsonValue {
  enum Kind { kString, kNumber, kBool, kArray, kObject } kind = kString;
  std::string text;
  int64_t number = 0;
  bool flag = false;
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // in the order added

  static JsonValue Text(std::string text);
  static JsonValue Number(int64_t number);
  static JsonValue Bool(bool flag);
  static JsonValue Array();
  static JsonValue Object();
  JsonValue& Add(const std::string& key, JsonValue value);  // to an object
  JsonValue& Push(JsonValue value);                         // to an array
};

// One key and value of an object (a pair of its own: a std::pair of a type
// still being defined is not allowed).
struct JsonMember {
  std::string first;  // the key
  JsonValue second;
};

std::string RenderJson(const JsonValue& value);
std::string RenderText(const JsonValue& value);

// The document: product, entries, actions (the counts of a verify run come
// with it). On damage, what was read before it is still described.
ReadOutcome DescribeInstaller(const ProgramFile& file, const ByteSpan& image, JsonValue* document);
