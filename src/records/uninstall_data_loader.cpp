#include <cstdint>
#include <utility>

#include "core/codepage.h"
#include "core/csv.h"
#include "core/file_errors.h"
#include "core/format.h"
#include "records/uninstall_data.h"

namespace {

enum class Section { kRecords, kStrings, kAutoClose, kAssociations, kFirewall, kInf, kMsi, kRegistry, kDeletions };

struct Header {
  const char* text;
  Section section;
};

constexpr Header kHeaders[] = {
    {kStringsHeader, Section::kStrings},
    {kAutoCloseHeader, Section::kAutoClose},
    {kAssociationsHeader, Section::kAssociations},
    {kFirewallHeader, Section::kFirewall},
    {kInfHeader, Section::kInf},
    {kMsiHeader, Section::kMsi},
    {kRegistryHeader, Section::kRegistry},
    {kConditionalDeleteHeader, Section::kDeletions},
};

constexpr char kAssociationSeparator[] = "~!~";

// One line of the file: its bytes without the line break, and where the
// next line begins. CR, LF, CR LF and LF CR each end a line.
struct Line {
  int32_t start = 0;
  int32_t end = 0;
  int32_t next = 0;
};

bool ReadLine(const String& bytes, int32_t position, Line* line) {
  const int32_t length = bytes.length();
  if (position >= length) return false;
  const char* text = bytes.c_str();
  int32_t end = position;
  while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
  int32_t next = end;
  if (next < length) {
    const char partner = text[next] == '\r' ? '\n' : '\r';
    next += (next + 1 < length && text[next + 1] == partner) ? 2 : 1;
  }
  *line = Line{position, end, next};
  return true;
}

String Trimmed(const String& bytes, const Line& line) {
  String text(bytes.c_str() + line.start, line.end - line.start);
  text.Trim();
  return text;
}

const Header* HeaderNamed(const String& trimmed) {
  for (const Header& header : kHeaders) {
    if (trimmed.Equals(header.text)) return &header;
  }
  return nullptr;
}

bool StartsWithHeader(const String& trimmed) {
  for (const Header& header : kHeaders) {
    if (trimmed.StartsWith(header.text)) return true;
  }
  return false;
}

// The decimal number at the start of `text` (after blanks, with an optional
// sign), as the C library reads it; 0 when there is none. Saturates instead
// of overflowing.
int64_t LeadingNumber(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value < INT32_MAX) value = value * 10 + (*text - '0');
  }
  return negative ? -value : value;
}

uint8_t ByteNumber(const String& text) {
  const int64_t value = LeadingNumber(text.c_str());
  return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

void SetMessage(LanguageTable& languages, int32_t n, String wide) {
  if (languages.names.IsEmpty()) {
    languages.names.Add(String());
    languages.current = 0;
  }
  const int32_t count = languages.LanguageCount();
  if (languages.current < 0 || languages.current >= count) languages.current = 0;
  // Messages of one number lie side by side for every language, so growing
  // by whole rows at the end moves nothing.
  const int32_t needed = (n + 1) * count;
  if (languages.messages.Count() < needed) languages.messages.Resize(needed);
  languages.messages[n * count + languages.current] = std::move(wide);
}

bool FieldsOf(const String& line, Array<String>& fields) {
  int32_t position = 0;
  return ReadCsvRecord(line, &position, &fields);
}

class Loader {
 public:
  Loader(const String& bytes, UninstallDataLists& lists, ProductSettings& settings, LanguageTable& languages)
      : bytes_(bytes), lists_(lists), settings_(settings), languages_(languages) {}

  void Run() {
    lists_ = UninstallDataLists();
    settings_.ProgramsToClose.RemoveAll();
    settings_.RegistryEntries.Clear();
    settings_.FileDeletions.RemoveAll();
    Line line;
    int32_t position = 0;
    while (ReadLine(bytes_, position, &line)) position = Handle(line);
  }

 private:
  // Handles one line and returns where reading goes on.
  int32_t Handle(const Line& line) {
    const String trimmed = Trimmed(bytes_, line);
    if (const Header* header = HeaderNamed(trimmed)) {
      section_ = header->section;
      return line.next;
    }
    switch (section_) {
      case Section::kRecords:
        lists_.records.Add(trimmed);
        break;
      case Section::kStrings:
        if (trimmed.StartsWith("~")) return TakeString(trimmed, line.next);
        break;
      case Section::kAutoClose:
        AddCloseRule(trimmed);
        break;
      case Section::kAssociations:
        AddAssociation(trimmed);
        break;
      case Section::kFirewall:
        AddNonEmpty(lists_.firewall, trimmed);
        break;
      case Section::kInf:
        AddNonEmpty(lists_.inf, trimmed);
        break;
      case Section::kMsi:
        AddNonEmpty(lists_.msi, trimmed);
        break;
      case Section::kRegistry:
        AddRegistryLine(trimmed);
        break;
      case Section::kDeletions:
        AddDeletion(trimmed);
        break;
    }
    return line.next;
  }

  // "~N" and the raw lines after it up to the next "~" line, header or the
  // end; returns the position of the line that ended the text.
  int32_t TakeString(const String& trimmed, int32_t text_start) {
    const int64_t n = LeadingNumber(trimmed.c_str() + 1);
    if (n < kLowestStringNumber || n > kHighestStringNumber) return text_start;
    int32_t position = text_start;
    Line line;
    while (ReadLine(bytes_, position, &line)) {
      const String next = Trimmed(bytes_, line);
      if (next.StartsWith("~") || StartsWithHeader(next)) break;
      position = line.next;
    }
    String text(bytes_.c_str() + text_start, position - text_start);
    text.TrimEnd();
    String wide = Utf8ToUtf16(text);
    if (n == kWindowTitleNumber) {
      settings_.WindowTitle = std::move(wide);
    } else {
      SetMessage(languages_, static_cast<int32_t>(n), std::move(wide));
    }
    return position;
  }

  void AddCloseRule(const String& trimmed) {
    if (!FieldsOf(trimmed, fields_) || fields_.Count() != 4) return;
    CloseRule& rule = settings_.ProgramsToClose.Emplace();
    rule.window_class = std::move(fields_[0]);
    rule.window_title = std::move(fields_[1]);
    rule.display_name = std::move(fields_[2]);
    rule.action = ByteNumber(fields_[3]);
  }

  void AddAssociation(const String& trimmed) {
    RecordedAssociation entry;
    String* parts[] = {&entry.extension, &entry.file_type, &entry.verb};
    int32_t from = 0;
    for (String* part : parts) {
      const int32_t at = trimmed.Find(kAssociationSeparator, from);
      const int32_t end = at < 0 ? trimmed.length() : at;
      part->Assign(trimmed.c_str() + from, end - from);
      from = at < 0 ? trimmed.length() : at + 3;
    }
    entry.icon.Assign(trimmed.c_str() + from, trimmed.length() - from);
    for (String* part : parts) {
      String blank_test(*part);
      blank_test.Trim();
      if (blank_test.empty()) return;
    }
    lists_.associations.Add(std::move(entry));
  }

  static void AddNonEmpty(Array<String>& list, const String& trimmed) {
    if (!trimmed.empty()) list.Add(trimmed);
  }

  void AddRegistryLine(const String& trimmed) {
    if (trimmed.empty()) return;
    String& entries = settings_.RegistryEntries;
    entries.Append(Utf8ToUtf16(trimmed));
    entries.AppendW(u"\r\n");
  }

  void AddDeletion(const String& trimmed) {
    if (!FieldsOf(trimmed, fields_) || fields_.Count() != 4) return;
    FileDeletion& entry = settings_.FileDeletions.Emplace();
    entry.name = std::move(fields_[0]);
    entry.mode = ByteNumber(fields_[1]);
    entry.path = std::move(fields_[2]);
    entry.flags = ByteNumber(fields_[3]);
  }

  const String& bytes_;
  UninstallDataLists& lists_;
  ProductSettings& settings_;
  LanguageTable& languages_;
  Section section_ = Section::kRecords;
  Array<String> fields_;
};

}  // namespace

void ParseUninstallData(const String& bytes, UninstallDataLists& lists, ProductSettings& settings,
                        LanguageTable& languages) {
  Loader(bytes, lists, settings, languages).Run();
}

String UninstallDataLoadMessage(const String& product, const String& path, int code) {
  return FormatW(u"The uninstall information for %s could not be loaded.\r\n\r\nFilepath: %s\r\nCode %d: %s",
                 product.w_str(), path.w_str(), code, ErrorString(code).w_str());
}
