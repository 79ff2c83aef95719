#include "package/languages.h"

#include <cstring>

#include "core/codepage.h"

namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool EqualsText(const String& wide, const char16_t* text) {
  int32_t units = TextLengthW(text);
  return wide.wlength() == units &&
         std::memcmp(wide.w_str(), text, static_cast<size_t>(units) * 2) == 0;
}

bool StartsWithAt(const char16_t* text, int32_t length, int32_t at, const char16_t* word,
                  int32_t word_length) {
  return length - at >= word_length &&
         std::memcmp(text + at, word, static_cast<size_t>(word_length) * 2) == 0;
}

}  // namespace

int32_t LanguageTable::MessageCount() const {
  return names.IsEmpty() ? 0 : messages.Count() / names.Count();
}

int32_t DefaultLanguage(const Array<String>& names) {
  int32_t chosen = 0;
  for (int32_t i = 0; i < names.Count(); ++i) {
    if (EqualsText(names[i], u"English")) chosen = i;
  }
  return chosen;
}

void NormalizeLineBreaks(String& wide) {
  const char16_t* in = wide.w_str();
  int32_t length = wide.wlength();
  bool already = true;
  for (int32_t i = 0; i < length && already; ++i) {
    if (in[i] == kCr) {
      already = i + 1 < length && in[i + 1] == kLf;
      ++i;
    } else if (in[i] == kLf) {
      already = false;
    }
  }
  if (already) return;  // the usual case: nothing to copy

  String out;
  out.Reserve(length * 4 + 2);  // at worst every unit a lone break
  for (int32_t i = 0; i < length; ++i) {
    char16_t unit = in[i];
    if (unit != kCr && unit != kLf) {
      out.AppendW(unit);
      continue;
    }
    // A CR LF or LF CR pair is one break; either unit alone is one as well.
    char16_t partner = unit == kCr ? kLf : kCr;
    if (i + 1 < length && in[i + 1] == partner) ++i;
    out.AppendW(u"\r\n", 2);
  }
  wide = std::move(out);
}

String ReplacePlaceholders(const String& wide, const LanguageTable& table) {
  struct Placeholder {
    const char16_t* name;
    int32_t length;
    const String* value;
  };
  const Placeholder placeholders[] = {
      {u"<product>", 9, &table.product},
      {u"<description>", 13, &table.description},
      {u"<os>", 4, &table.windows_folder},
  };
  // One pass from left to right, so that a replacement that itself holds a
  // placeholder name is left as it is.
  const char16_t* text = wide.w_str();
  int32_t length = wide.wlength();
  String out;
  int32_t copied = 0;
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] != u'<') continue;
    for (const Placeholder& p : placeholders) {
      if (!StartsWithAt(text, length, i, p.name, p.length)) continue;
      out.AppendW(text + copied, i - copied);
      out.AppendW(p.value->w_str(), p.value->wlength());
      i += p.length - 1;
      copied = i + 1;
      break;
    }
  }
  if (copied == 0) return wide;
  out.AppendW(text + copied, length - copied);
  return out;
}

String MessageText(const LanguageTable& table, int32_t n) {
  int32_t languages = table.LanguageCount();
  if (n < 0 || n >= table.MessageCount()) return String();
  if (table.current < 0 || table.current >= languages) return String();
  const String* stored = table.messages.TryAt(n * languages + table.current);
  if (stored == nullptr) return String();
  return ReplacePlaceholders(*stored, table);
}

String MessageTextA(const LanguageTable& table, int32_t n) {
  return Utf16ToAnsi(MessageText(table, n));
}
