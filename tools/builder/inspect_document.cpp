// The inspect document's tree and its two renderings.
#include "builder/inspect.h"

#include <cstdio>

JsonValue JsonValue::Text(std::string text) {
  JsonValue v;
  v.text = std::move(text);
  return v;
}

JsonValue JsonValue::Number(int64_t number) {
  JsonValue v;
  v.kind = kNumber;
  v.number = number;
  return v;
}

JsonValue JsonValue::Bool(bool flag) {
  JsonValue v;
  v.kind = kBool;
  v.flag = flag;
  return v;
}

JsonValue JsonValue::Array() {
  JsonValue v;
  v.kind = kArray;
  return v;
}

JsonValue JsonValue::Object() {
  JsonValue v;
  v.kind = kObject;
  return v;
}

JsonValue& JsonValue::Add(const std::string& key, JsonValue value) {
  members.push_back(JsonMember{key, std::move(value)});
  return members.back().second;
}

JsonValue& JsonValue::Push(JsonValue value) {
  items.push_back(std::move(value));
  return items.back();
}

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Scalar(const JsonValue& value, bool json) {
  switch (value.kind) {
    case JsonValue::kNumber: return std::to_string(value.number);
    case JsonValue::kBool: return value.flag ? "true" : "false";
    default: return json ? Quoted(value.text) : value.text;
  }
}

bool IsScalar(const JsonValue& value) { return value.kind != JsonValue::kArray && value.kind != JsonValue::kObject; }

// What the text form leaves out: empty texts and lists, and objects of them.
bool Blank(const JsonValue& value) {
  switch (value.kind) {
    case JsonValue::kString: return value.text.empty();
    case JsonValue::kArray: return value.items.empty();
    case JsonValue::kObject:
      for (const auto& member : value.members) {
        if (!Blank(member.second)) return false;
      }
      return true;
    default: return false;
  }
}

void Json(const JsonValue& value, const std::string& indent, std::string* out) {
  if (IsScalar(value)) {
    *out += Scalar(value, true);
    return;
  }
  const bool object = value.kind == JsonValue::kObject;
  const size_t count = object ? value.members.size() : value.items.size();
  if (count == 0) {
    *out += object ? "{}" : "[]";
    return;
  }
  *out += object ? "{\n" : "[\n";
  const std::string inner = indent + "  ";
  for (size_t i = 0; i < count; ++i) {
    *out += inner;
    if (object) *out += Quoted(value.members[i].first) + ": ";
    Json(object ? value.members[i].second : value.items[i], inner, out);
    *out += i + 1 < count ? ",\n" : "\n";
  }
  *out += indent + (object ? "}" : "]");
}

// Indented "key: value" lines; array items start with "- ", a list of
// scalars stays on one line. `lead` replaces the indent of an object's first
// line (the "- " of the array item it is).
void Text(const JsonValue& value, const std::string& indent, std::string* out, const char* lead = nullptr) {
  if (value.kind == JsonValue::kObject) {
    for (const auto& [key, member] : value.members) {
      if (Blank(member)) continue;
      out->append(lead ? lead : indent.c_str());
      lead = nullptr;
      out->append(key).append(":");
      // A list of plain words stays on one line; texts with commas get a line each.
      bool flat = member.kind == JsonValue::kArray;
      for (const JsonValue& item : member.items) flat = flat && IsScalar(item) && item.text.find(',') == std::string::npos;
      if (IsScalar(member)) {
        out->append(" ").append(Scalar(member, false)).append("\n");
      } else if (flat) {
        for (size_t i = 0; i < member.items.size(); ++i) out->append(i ? ", " : " ").append(Scalar(member.items[i], false));
        out->append("\n");
      } else {
        out->append("\n");
        Text(member, indent + "  ", out);
      }
    }
    return;
  }
  const std::string item_lead = indent + "- ";
  for (const JsonValue& item : value.items) {
    if (IsScalar(item)) {
      out->append(item_lead).append(Scalar(item, false)).append("\n");
    } else {
      Text(item, indent + "  ", out, item_lead.c_str());
    }
  }
}

}  // namespace

std::string RenderJson(const JsonValue& value) {
  std::string out;
  Json(value, "", &out);
  return out + "\n";
}

std::string RenderText(const JsonValue& value) {
  std::string out;
  Text(value, "", &out);
  return out;
}
