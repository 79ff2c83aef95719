#include "core/file_patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/codepage.h"

namespace {

// A folder tree in memory that answers the walk as the system's directory
// search would: names match without regard to case, the folder part of each
// answer is the one asked for, the file name is the stored one.
std::map<std::string, int64_t>* g_files;  // "C:\\dir\\Name.txt" -> size
std::string g_current = "C:\\cwd";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Utf8(const String& wide) {
  const String text = Utf16ToUtf8(wide);
  return std::string(text.c_str(), static_cast<size_t>(text.length()));
}

String Wide(const std::string& text) { return Utf8ToUtf16(text.c_str()); }

// The system's anchored pattern: '*' any run, '?' one character.
bool Glob(const char* pattern, const char* name) {
  if (!*pattern) return !*name;
  if (*pattern == '*') return Glob(pattern + 1, name) || (*name && Glob(pattern, name + 1));
  if (!*name) return false;
  return (*pattern == '?' || std::tolower(static_cast<unsigned char>(*pattern)) ==
                                 std::tolower(static_cast<unsigned char>(*name))) &&
         Glob(pattern + 1, name + 1);
}

int64_t FakeWalk(const char16_t* search_path, uint32_t, WalkVisitor visitor, void* context) {
  const WalkSpecification parts = SplitWalkSpecification(search_path);
  const std::string folder = Utf8(parts.folder);
  const std::string pattern = Utf8(parts.pattern);
  int64_t total = 0;
  for (const auto& [path, size] : *g_files) {
    if (Lower(path.substr(0, folder.size())) != Lower(folder)) continue;
    const std::string rest = path.substr(folder.size());
    const size_t slash = rest.rfind('\\');
    if (slash != std::string::npos && !parts.subfolders) continue;
    const std::string name = slash == std::string::npos ? rest : rest.substr(slash + 1);
    if (!Glob(pattern.c_str(), name.c_str())) continue;
    const String full = Wide(folder + rest);
    WalkEntry entry{&full, 0, size, 0, false};
    if (!visitor(entry, context)) return kWalkCancelled;
    total += size;
  }
  return total;
}

bool ExpandVariable(String& text) {
  std::string line = Utf8(text);
  const std::string name = "%DATA%";
  for (size_t at; (at = line.find(name)) != std::string::npos;) line.replace(at, name.size(), "C:\\data");
  text = Wide(line);
  return true;
}

bool FolderExists(const char16_t* path) {
  const std::string folder = Lower(Utf8(String(path)));
  const std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
  for (const auto& entry : *g_files) {
    if (Lower(entry.first).rfind(prefix, 0) == 0) return true;
  }
  return prefix == "c:\\empty\\";
}

String Current() { return Wide(g_current); }

const PatternSystem kFakeSystem = {FakeWalk, ExpandVariable, FolderExists, Current};

class FilePatterns : public ::testing::Test {
 public:
  void SetUp() override {
    files_ = {{"C:\\data\\a.txt", 10},          {"C:\\data\\B.TXT", 20},      {"C:\\data\\c.log", 5},
              {"C:\\data\\sub\\d.txt", 7},      {"C:\\data\\sub\\deep\\e.txt", 1},
              {"D:\\other\\f.txt", 100}};
    g_files = &files_;
  }
  void TearDown() override { g_files = nullptr; }

  int32_t Expand(const char* text, uint32_t options = 0, const char16_t* folder = nullptr) {
    lines_ = Wide(text);
    PatternRequest request;
    request.lines = &lines_;
    request.output = &output_;
    request.default_folder = folder;
    request.errors = &errors_;
    request.total_size = &total_;
    request.progress = progress_;
    request.on_file = on_file_;
    request.context = this;
    request.options = options;
    return ExpandFilePatterns(kFakeSystem, request);
  }

  std::vector<std::string> Output() const {
    std::vector<std::string> names;
    for (const String& name : output_) names.push_back(Utf8(name));
    return names;
  }
  std::string Errors() const { return Utf8(errors_); }

  std::map<std::string, int64_t> files_;
  String lines_;
  Array<String> output_;
  String errors_;
  int64_t total_ = -1;
  PatternProgress progress_ = nullptr;
  PatternFileCallback on_file_ = nullptr;
  std::vector<int32_t> progress_lines_;
  std::vector<std::string> callback_folders_;
};

using Names = std::vector<std::string>;

TEST_F(FilePatterns, WildcardsSeveralPerLineAndSubfolders) {
  EXPECT_EQ(Expand("C:\\data\\*.txt ; D:\\other\\f.txt\r\nC:\\data\\sub\\*.txt /s"), 5);
  EXPECT_EQ(Output(), (Names{"C:\\data\\B.TXT", "C:\\data\\a.txt", "D:\\other\\f.txt", "C:\\data\\sub\\d.txt",
                             "C:\\data\\sub\\deep\\e.txt"}));
  EXPECT_EQ(total_, 138);
  EXPECT_EQ(Errors(), "");
}

TEST_F(FilePatterns, MessagesForPatternsThatNameNothing) {
  Expand("C:\\data\\a.txt\r\n\r\nC:\\data\\*.doc\r\nC:\\data\\missing.txt\r\nC:\\nowhere\\\r\nrelative.txt");
  EXPECT_EQ(Errors(),
            "The file specification \"C:\\data\\*.doc\" on line 3 does not match any files.\r\n"
            "The file \"C:\\data\\missing.txt\" on line 4 does not exist.\r\n"
            "The folder \"C:\\nowhere\\\" on line 5 does not exist.\r\n"
            "The file specification \"relative.txt\" on line 6 is not an absolute path.  Please include the drive "
            "and directory.\r\n");
  EXPECT_EQ(Output(), (Names{"C:\\data\\a.txt"}));
}

TEST_F(FilePatterns, LineNumbersOnlyForSeveralLinesAndUnlessSuppressed) {
  Expand("C:\\data\\*.doc\r\n");
  EXPECT_EQ(Errors(), "The file specification \"C:\\data\\*.doc\" does not match any files.\r\n");
  errors_.Clear();
  Expand("C:\\data\\x?.txt\nC:\\data\\*.doc", kPatternNoLineNumbers);
  EXPECT_EQ(Errors(),
            "The file specification \"C:\\data\\x?.txt\" does not match any files.\r\n"
            "The file specification \"C:\\data\\*.doc\" does not match any files.\r\n");
  errors_.Clear();
  Expand("C:\\data\\*.doc\r\nC:\\data\\none.txt", kPatternQuietMissing);
  EXPECT_EQ(Errors(), "");
}

TEST_F(FilePatterns, DuplicatesAreKeptOnceAndReportedOnce) {
  EXPECT_EQ(Expand("C:\\data\\a.txt;C:\\DATA\\A.TXT\r\nC:\\data\\*.txt"), 2);
  EXPECT_EQ(Output(), (Names{"C:\\data\\a.txt", "C:\\data\\B.TXT"}));
  EXPECT_EQ(Errors(),
            "The file \"C:\\DATA\\a.txt\" occurs more than once.\r\n"
            "The file \"C:\\data\\a.txt\" occurs more than once.\r\n");
  EXPECT_EQ(total_, 30);
  errors_.Clear();
  EXPECT_EQ(Expand("C:\\data\\a.txt;C:\\DATA\\A.TXT", kPatternAllowDuplicates), 2);
  EXPECT_EQ(Errors(), "");
}

TEST_F(FilePatterns, DefaultFolderRelativeEntriesAndEmptyText) {
  EXPECT_EQ(Expand("*.log;sub\\d.txt", 0, u"C:\\data"), 2);
  EXPECT_EQ(Output(), (Names{"C:\\data\\c.log", "C:\\data\\sub\\d.txt"}));
  errors_.Clear();
  Expand("*.log", 0, u"C:\\gone");
  EXPECT_EQ(Errors(), "The default path \"C:\\gone\" does not exist.\r\n"
                      "The file specification \"*.log\" does not match any files.\r\n");
  errors_.Clear();
  EXPECT_EQ(Expand(" \r\n ", kPatternReportEmpty), 0);
  EXPECT_EQ(Errors(), "No files were specified.\r\n");
  errors_.Clear();
  EXPECT_EQ(Expand("", 0), 0);
  EXPECT_EQ(Errors(), "");
  // A folder that exists but is empty names no files, and that is no mistake.
  Expand("C:\\empty\\");
  EXPECT_EQ(Errors(), "");
}

TEST_F(FilePatterns, CommentsEnvironmentKeepAndOrder) {
  output_.Add(Wide("Z:\\kept.txt"));
  EXPECT_EQ(Expand("; C:\\data\\c.log\r\n%DATA%\\*.txt", kPatternComments | kPatternKeepOutput | kPatternSortDescending), 2);
  EXPECT_EQ(Output(), (Names{"Z:\\kept.txt", "C:\\data\\a.txt", "C:\\data\\B.TXT"}));
  EXPECT_EQ(Expand("C:\\data\\*.txt", kPatternSortAscending | kPatternSortNoCase | kPatternLowerCase), 2);
  EXPECT_EQ(Output(), (Names{"c:\\data\\a.txt", "c:\\data\\b.txt"}));
  EXPECT_EQ(Expand("C:\\data\\*.txt", kPatternSortAscending), 2);
  EXPECT_EQ(Output(), (Names{"C:\\data\\B.TXT", "C:\\data\\a.txt"}));
  // Without the comment option ';' only separates patterns.
  errors_.Clear();
  EXPECT_EQ(Expand("; C:\\data\\c.log"), 1);
}

TEST_F(FilePatterns, CallbacksHearLineAndFolderAndMayEndTheLine) {
  progress_ = [](int32_t line, void* context) {
    static_cast<FilePatterns*>(context)->progress_lines_.push_back(line);
    return true;
  };
  on_file_ = [](const String&, const String& folder, void* context) {
    auto* self = static_cast<FilePatterns*>(context);
    self->callback_folders_.push_back(Utf8(folder));
    return self->callback_folders_.size() != 3;  // the third file ends its line
  };
  EXPECT_EQ(Expand("C:\\data\\*.txt\r\nC:\\data\\c.log;D:\\other\\f.txt\r\nC:\\data\\sub\\d.txt", 0, u"C:\\base"), 4);
  EXPECT_EQ(Output(), (Names{"C:\\data\\B.TXT", "C:\\data\\a.txt", "C:\\data\\c.log", "C:\\data\\sub\\d.txt"}));
  EXPECT_EQ(progress_lines_, (std::vector<int32_t>{1, 1, 2, 3}));
  EXPECT_EQ(callback_folders_, (Names{"C:\\data", "C:\\data", "C:\\base", "C:\\data\\sub"}));
}

}  // namespace
