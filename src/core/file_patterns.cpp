#include "core/file_patterns.h"

#include "core/format.h"
#include "core/keyed_list.h"
#include "core/path_rules.h"
#include "core/string_compare.h"

namespace {

// The duplicate check's set of lower-cased names.
constexpr int32_t kDuplicateSetSize = 81;

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// The lines of a text; CR LF, LF and CR each end a line, and a final line
// break does not start another line.
Array<String> Lines(const String& text) {
  Array<String> lines;
  const int32_t units = text.wlength();
  int32_t start = 0;
  for (int32_t i = 0; i < units; ++i) {
    if (!IsLineBreak(text.AtW(i))) continue;
    lines.Add(String(text.w_str() + start, i - start));
    if (text.AtW(i) == u'\r' && i + 1 < units && text.AtW(i + 1) == u'\n') ++i;
    start = i + 1;
  }
  if (start < units) lines.Add(String(text.w_str() + start, units - start));
  return lines;
}

// Removes a trailing " /s" (either case); answers whether there was one.
bool TakeSubfolderSwitch(String& line) {
  const int32_t units = line.wlength();
  if (units < 3 || !line.EndsWithW(u" /s", true)) return false;
  line.TruncateAtW(units - 3);
  line.TrimW();
  return true;
}

bool HasWildcard(const String& item) { return item.FindW(u'*') >= 0 || item.FindW(u'?') >= 0; }

bool EndsWithBackslash(const String& text) { return !text.empty() && text.AtW(text.wlength() - 1) == u'\\'; }

// The folder a line names for its relative entries: the text before its
// last backslash, when the line ends in a backslash or holds only one
// file pattern, and that text is an absolute folder without wildcards.
String LineFolder(const String& line) {
  if (line.FindW(u';') >= 0 && !EndsWithBackslash(line)) return String();
  const int32_t cut = line.FindLastW(u'\\');
  if (cut < 0) return String();
  String folder(line.w_str(), cut);
  if (folder.FindW(u';') >= 0 || HasWildcard(folder)) return String();
  if (folder.wlength() == 2 && folder.AtW(1) == u':') folder.AppendW(u'\\');
  return IsAbsolutePathW(folder.w_str()) ? folder : String();
}

bool LessPath(const String& a, const String& b) { return CompareW(a, b) < 0; }
bool LessPathNoCase(const String& a, const String& b) { return CompareNoCaseW(a, b) < 0; }
bool MorePath(const String& a, const String& b) { return CompareW(b, a) < 0; }
bool MorePathNoCase(const String& a, const String& b) { return CompareNoCaseW(b, a) < 0; }

class Expander {
 public:
  Expander(const PatternSystem& system, const PatternRequest& request)
      : system_(system), request_(request), options_(request.options), seen_(kDuplicateSetSize) {}

  int32_t Run() {
    if (request_.output && !(options_ & kPatternKeepOutput)) request_.output->RemoveAll();
    if (request_.total_size) *request_.total_size = 0;
    if (request_.output && !(options_ & kPatternAllowDuplicates)) {
      for (const String& kept : *request_.output) Remember(kept);
    }
    const String default_folder(request_.default_folder ? request_.default_folder : u"");
    if (!default_folder.empty() && !system_.folder_exists(default_folder.w_str())) {
      Report(u"The default path \"");
      Report(default_folder);
      Report(u"\" does not exist.\r\n");
    }
    String text = request_.lines ? *request_.lines : String();
    text.TrimW();
    if (text.empty()) {
      if (options_ & kPatternReportEmpty) Report(u"No files were specified.\r\n");
      return 0;
    }
    default_folder_ = default_folder;
    working_folder_ = default_folder.empty() ? system_.current_folder() : default_folder;
    const Array<String> lines = Lines(*request_.lines);
    multiple_lines_ = lines.Count() > 1;
    for (int32_t i = 0; i < lines.Count(); ++i) {
      if (!Line(lines[i], i + 1)) return kPatternCancelled;
    }
    Finish();
    return added_;
  }

 private:
  void Report(const char16_t* text) {
    if (request_.errors) request_.errors->AppendW(text);
  }
  void Report(const String& text) {
    if (request_.errors) request_.errors->Append(text);
  }
  void ReportLineNumber() {
    if (multiple_lines_ && !(options_ & kPatternNoLineNumbers) && request_.errors) {
      AppendFormatW(*request_.errors, u"on line %d ", line_number_);
    }
  }

  // Answers whether the name was already there.
  bool Remember(const String& name) {
    String key = name;
    key.ToLowerW();
    bool& known = seen_.FindOrAdd(key);
    const bool before = known;
    known = true;
    return before;
  }

  // Returns false when a walk was cancelled.
  bool Line(const String& raw, int32_t number) {
    String line = raw;
    line.TrimW();
    if (line.empty()) return true;
    if ((options_ & kPatternComments) && line.AtW(0) == u';') return true;
    line_number_ = number;
    subfolders_ = TakeSubfolderSwitch(line);
    system_.expand_environment(line);
    const String named = LineFolder(line);
    applies_ = named.empty() ? default_folder_ : named;
    line_folder_ = named.empty() ? working_folder_ : named;
    line_stopped_ = false;
    while (!line.empty() && !line_stopped_) {
      String item = line.TakeUpToW(u';');
      item.TrimW();
      if (item.empty()) continue;
      if (!ExpandOne(item)) return false;
    }
    return true;
  }

  bool ExpandOne(const String& item) {
    String full;
    if (IsAbsolutePathW(item.w_str())) {
      full = item;
    } else if (!applies_.empty()) {
      full = JoinPath(applies_, item.w_str());
    } else {
      Report(u"The file specification \"");
      Report(item);
      Report(u"\" ");
      ReportLineNumber();
      Report(u"is not an absolute path.  Please include the drive and directory.\r\n");
      return true;
    }
    // A folder stands for every file in it.
    const bool folder = EndsWithBackslash(item);
    const String target = full;
    if (folder) full.AppendW(u"*");
    if (subfolders_) full.AppendW(u" /s");
    matches_ = 0;
    const int64_t result =
        system_.walk(full.w_str(), options_ & kWalkOptionMask, &Expander::Visit, this);
    if (result == kWalkCancelled && !line_stopped_) return false;
    if (matches_ == 0) ReportMissing(item, folder ? &target : nullptr);
    return true;
  }

  // `folder` is the full path of a folder named by a file pattern, else null.
  void ReportMissing(const String& item, const String* folder) {
    if (options_ & kPatternQuietMissing) return;
    // An empty folder that exists names no files, which is no mistake.
    if (folder && system_.folder_exists(folder->w_str())) return;
    const bool wildcard = HasWildcard(item);
    Report(folder ? u"The folder" : u"The file");
    if (wildcard) Report(u" specification");
    Report(u" \"");
    Report(item);
    Report(u"\" ");
    ReportLineNumber();
    Report(wildcard ? u"does not match any files.\r\n" : u"does not exist.\r\n");
  }

  static bool Visit(const WalkEntry& entry, void* context) {
    return static_cast<Expander*>(context)->Found(entry);
  }

  bool Found(const WalkEntry& entry) {
    ++matches_;
    const String& name = *entry.path;
    if (!(options_ & kPatternAllowDuplicates) && Remember(name)) {
      Report(u"The file \"");
      Report(name);
      Report(u"\" occurs more than once.\r\n");
      return true;
    }
    if (request_.output) request_.output->Add(name);
    ++added_;
    if (request_.total_size) *request_.total_size += entry.size;
    const bool go_on = (!request_.progress || request_.progress(line_number_, request_.context)) &&
                       (!request_.on_file || request_.on_file(name, line_folder_, request_.context));
    if (!go_on) line_stopped_ = true;
    return go_on;
  }

  void Finish() {
    Array<String>* output = request_.output;
    if (!output) return;
    const bool no_case = options_ & kPatternSortNoCase;
    if (options_ & kPatternSortAscending) {
      output->Sort(no_case ? LessPathNoCase : LessPath);
    } else if (options_ & kPatternSortDescending) {
      output->Sort(no_case ? MorePathNoCase : MorePath);
    }
    if (!(options_ & (kPatternLowerCase | kPatternUpperCase))) return;
    for (String& name : *output) {
      if (options_ & kPatternLowerCase) {
        name.ToLowerW();
      } else {
        name.ToUpperW();
      }
    }
  }

  const PatternSystem& system_;
  const PatternRequest& request_;
  const uint32_t options_;
  List<Bucket<bool, String>> seen_;
  String default_folder_;
  String working_folder_;
  String applies_;      // the folder for the line's relative patterns
  String line_folder_;  // the folder the per-file callback is told
  bool multiple_lines_ = false;
  int32_t line_number_ = 0;
  bool subfolders_ = false;
  bool line_stopped_ = false;
  int32_t matches_ = 0;
  int32_t added_ = 0;
};

}  // namespace

int32_t ExpandFilePatterns(const PatternSystem& system, const PatternRequest& request) {
  return Expander(system, request).Run();
}
