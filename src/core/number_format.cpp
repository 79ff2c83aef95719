#include "core/number_format.h"

#include "core/format.h"

namespace {

const char* const kSmall[] = {"zero",    "one",     "two",       "three",    "four",     "five",    "six",
                              "seven",   "eight",   "nine",      "ten",      "eleven",   "twelve",  "thirteen",
                              "fourteen", "fifteen", "sixteen",  "seventeen", "eighteen", "nineteen"};
const char* const kTens[] = {"", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
const char* const kGroups[] = {"", " thousand", " million", " billion", " trillion", " quadrillion", " quintillion"};

// Words for 1..999.
void AppendHundreds(String& out, unsigned n) {
  if (n >= 100) {
    out.Append(kSmall[n / 100]);
    out.Append(" hundred");
    n %= 100;
    if (n == 0) return;
    out.Append(' ');
  }
  if (n < 20) {
    out.Append(kSmall[n]);
    return;
  }
  out.Append(kTens[n / 10]);
  if (n % 10) {
    out.Append('-');
    out.Append(kSmall[n % 10]);
  }
}

void AppendWords(String& out, uint64_t n, int group) {
  if (n >= 1000) {
    AppendWords(out, n / 1000, group + 1);
    if (n % 1000 == 0) return;
    out.Append(' ');
  }
  AppendHundreds(out, static_cast<unsigned>(n % 1000));
  out.Append(kGroups[group]);
}

// "-0.00" and the like: only a sign, zeros and a point.
bool IsNegativeZero(const String& text) {
  if (text.length() < 2 || text.c_str()[0] != '-') return false;
  for (int32_t i = 1; i < text.length(); ++i) {
    if (text.c_str()[i] != '0' && text.c_str()[i] != '.') return false;
  }
  return true;
}

}  // namespace

String IntToText(int64_t value) { return Format("%I64d", value); }
String UIntToText(uint64_t value) { return Format("%I64u", value); }
String IntToTextW(int64_t value) { return FormatW(u"%I64d", value); }
String UIntToTextW(uint64_t value) { return FormatW(u"%I64u", value); }

String RealToText(double value, int precision) {
  String text = precision >= 0 ? Format("%.*f", precision, value) : Format("%.6f", value);
  if (precision < 0 && text.Find('.') >= 0) {
    text.TrimEnd("0");
    text.TrimEnd(".");
  }
  if (IsNegativeZero(text)) text.Delete(0, 1);
  return text;
}

String RealToTextW(double value, int precision) { return WidenAscii(RealToText(value, precision)); }

String ByteSizeToText(int64_t bytes) {
  if (bytes < 1024) return Format("%I64d bytes", bytes);
  const double n = static_cast<double>(bytes);
  if (bytes < (int64_t{1} << 20)) return Format("%.2f KB", n / 1024.0);
  if (bytes < (int64_t{1} << 30)) return Format("%.2f MB", n / (1024.0 * 1024.0));
  if (bytes < (int64_t{1} << 40)) return Format("%.2f GB", n / (1024.0 * 1024.0 * 1024.0));
  return Format("%.2f TB", n / (1024.0 * 1024.0 * 1024.0 * 1024.0));
}

String ByteSizeToTextW(int64_t bytes) { return WidenAscii(ByteSizeToText(bytes)); }

const char* OrdinalSuffix(int64_t n) {
  const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  const unsigned last_two = static_cast<unsigned>(magnitude % 100);
  if (last_two >= 4 && last_two <= 20) return "th";
  switch (last_two % 10) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    default: return "th";
  }
}

String OrdinalText(int64_t n) { return Format("%I64d%s", n, OrdinalSuffix(n)); }

String NumberInWords(int64_t n) {
  String out;
  if (n == 0) return String("zero");
  if (n < 0) out.Append("minus ");
  AppendWords(out, n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n), 0);
  return out;
}

String OrdinalInWords(int64_t n) {
  static const struct {
    const char* cardinal;
    const char* ordinal;
  } kIrregular[] = {{"one", "first"}, {"two", "second"}, {"three", "third"}, {"five", "fifth"},
                    {"eight", "eighth"}, {"nine", "ninth"}, {"twelve", "twelfth"}};
  String words = NumberInWords(n);
  for (const auto& word : kIrregular) {
    if (words.EndsWith(word.cardinal)) {
      // Only a whole last word: "twenty-one" but not "nineteen" for "nine".
      const int32_t at = words.length() - TextLength(word.cardinal);
      const char before = at > 0 ? words.c_str()[at - 1] : ' ';
      if (before == ' ' || before == '-') {
        words.TruncateAt(at);
        words.Append(word.ordinal);
        return words;
      }
    }
  }
  if (words.EndsWith("y")) {
    words.TruncateAt(words.length() - 1);
    words.Append("ieth");
    return words;
  }
  words.Append("th");
  return words;
}

String WidenAscii(const String& text) {
  String wide;
  wide.SetLengthExact(text.length() * 2);
  for (int32_t i = 0; i < text.length(); ++i) wide.wdata()[i] = static_cast<uint8_t>(text.c_str()[i]);
  return wide;
}
