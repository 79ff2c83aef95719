#include "core/csv.h"

#include <utility>

namespace {

void Put(String& out, char c) { out.Append(c); }
void Put(String& out, char16_t c) { out.AppendW(c); }
void Put(String& out, const char* text) { out.Append(text); }
void Put(String& out, const char16_t* text) { out.AppendW(text); }
int32_t Measure(const char* text) { return TextLength(text); }
int32_t Measure(const char16_t* text) { return TextLengthW(text); }
const char* Units(const String& s, char) { return s.c_str(); }
const char16_t* Units(const String& s, char16_t) { return s.w_str(); }
int32_t UnitCount(const String& s, char) { return s.length(); }
int32_t UnitCount(const String& s, char16_t) { return s.wlength(); }

template <class Char>
bool IsOneOf(Char c, const char* set) {
  for (; *set; ++set) {
    if (c == static_cast<Char>(*set)) return true;
  }
  return false;
}

template <class Char>
bool NeedsQuotes(const Char* field, int32_t n, uint32_t options) {
  if (options & kCsvAlwaysQuote) return true;
  if (n == 0) return false;
  if (IsOneOf(field[0], " '#") || field[n - 1] == ' ') return true;
  for (int32_t i = 0; i < n; ++i) {
    if (IsOneOf(field[i], ",\"\t\r\n;|")) return true;
  }
  return false;
}

template <class Char>
void WriteField(String& out, const Char* field, int32_t n, uint32_t options, const Char* line_break) {
  if (!field) n = 0;
  else if (n == String::kToEnd || n < 0) n = Measure(field);
  const bool quoted = NeedsQuotes(field, n, options);
  if (quoted) Put(out, Char('"'));
  for (int32_t i = 0; i < n; ++i) {
    const Char c = field[i];
    if (line_break && (c == '\r' || c == '\n')) {
      const Char pair = c == '\r' ? Char('\n') : Char('\r');
      if (i + 1 < n && field[i + 1] == pair) ++i;  // CR LF or LF CR as one break
      Put(out, line_break);
      continue;
    }
    Put(out, c);
    if (c == '"' || (c == '\\' && (options & kCsvDoubleBackslashes))) Put(out, c);
  }
  if (quoted) Put(out, Char('"'));
}

bool IsBlank(uint32_t c) { return c == ' ' || c == '\t'; }

// One field under construction: blanks outside quotes count only between
// other characters.
class FieldBuilder {
 public:
  template <class Char>
  void Add(Char c, bool significant) {
    Put(field_, c);
    if (significant) kept_ = field_.length();
  }
  bool empty() const { return field_.empty(); }
  String Take() {
    field_.TruncateAt(kept_);
    kept_ = 0;
    String done = std::move(field_);
    field_.Clear();
    return done;
  }

 private:
  String field_;
  int32_t kept_ = 0;
};

template <class Char>
bool ReadRecord(const String& text, int32_t* position, Array<String>* fields, uint32_t options) {
  const Char* s = Units(text, Char());
  const int32_t n = UnitCount(text, Char());
  int32_t p = *position < 0 ? 0 : *position;
  while ((options & kCsvComments) && p < n && s[p] == '#') {
    while (p < n && s[p] != '\r' && s[p] != '\n') ++p;
    p += (p < n && s[p] == '\r' && p + 1 < n && s[p + 1] == '\n') ? 2 : (p < n ? 1 : 0);
  }
  if (p >= n) {
    *position = n;
    return false;
  }
  fields->RemoveAll();
  FieldBuilder field;
  bool quoted = false;
  bool started = false;  // the field has content or has seen quotes
  while (p < n) {
    const Char c = s[p];
    if (c == '\\' && (options & kCsvDoubleBackslashes) && p + 1 < n && s[p + 1] == '\\') {
      field.Add(c, true);
      started = true;
      p += 2;
      continue;
    }
    if (quoted) {
      if (c == '"' && p + 1 < n && s[p + 1] == '"') {
        field.Add(c, true);
        p += 2;
      } else if (c == '"') {
        quoted = false;
        ++p;
      } else {
        field.Add(c, true);
        ++p;
      }
      continue;
    }
    if (c == ',' || c == '\r' || c == '\n') {
      fields->Add(field.Take());
      started = false;
      ++p;
      if (c == ',') continue;
      if (c == '\r' && p < n && s[p] == '\n') ++p;
      *position = p;
      return true;
    }
    if (c == '"' && !started) {
      quoted = true;
      started = true;
    } else if (!(IsBlank(c) && !started)) {
      field.Add(c, !IsBlank(c));
      started = true;
    }
    ++p;
  }
  fields->Add(field.Take());
  *position = p;
  return true;
}

}  // namespace

void AppendCsvField(String& out, const char* field, int32_t bytes, uint32_t options, const char* line_break) {
  WriteField(out, field, bytes, options, line_break);
}

void AppendCsvFieldW(String& out, const char16_t* field, int32_t units, uint32_t options,
                     const char16_t* line_break) {
  WriteField(out, field, units, options, line_break);
}

bool ReadCsvRecord(const String& text, int32_t* position, Array<String>* fields, uint32_t options) {
  return ReadRecord<char>(text, position, fields, options);
}

bool ReadCsvRecordW(const String& text, int32_t* position, Array<String>* fields, uint32_t options) {
  return ReadRecord<char16_t>(text, position, fields, options);
}
