#include "builder/file_names.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/codepage.h"
#include "core/string.h"

namespace {

// Bytes a lead byte announces, or 0 for a byte that cannot lead.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsReservedDeviceName(const std::string& name) {
  // The part before the first dot decides, blanks before it included.
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  for (const char* reserved : {"CON", "PRN", "AUX", "NUL"}) {
    if (base == reserved) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

char16_t UpperCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
  const auto* b = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    const int length = SequenceLength(b[i]);
    if (length == 0 || i + static_cast<size_t>(length) > text.size()) return false;
    for (int k = 1; k < length; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) return false;
    }
    // Overlong three- and four-byte forms, surrogates, beyond U+10FFFF.
    if ((b[i] == 0xE0 && b[i + 1] < 0xA0) || (b[i] == 0xED && b[i + 1] >= 0xA0) ||
        (b[i] == 0xF0 && b[i + 1] < 0x90) || (b[i] == 0xF4 && b[i + 1] >= 0x90)) {
      return false;
    }
    i += static_cast<size_t>(length);
  }
  return true;
}

std::string WindowsNameProblem(const std::string& name) {
  if (name.empty()) return "an empty name";
  if (!IsValidUtf8(name)) return "the name is not UTF-8; rename it, or convert it with convmv";
  for (unsigned char c : name) {
    if (c < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr) {
      return c < 0x20 ? "a control character, which Windows refuses in file names"
                      : std::string("the character ") + static_cast<char>(c) + ", which Windows refuses in file names";
    }
  }
  if (name.back() == '.' || name.back() == ' ') return "a trailing dot or blank, which Windows drops";
  if (IsReservedDeviceName(name)) return "a device name Windows reserves (CON, PRN, AUX, NUL, COM1-9, LPT1-9)";
  return std::string();
}

std::string WindowsPathProblem(const std::string& path, const char* separators) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(separators, start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (name == "." || name == "..") return "\"" + name + "\" would leave the folder it belongs in";
    const std::string problem = WindowsNameProblem(name);
    if (!problem.empty()) return "\"" + name + "\": " + problem;
    start = end + 1;
  }
  return std::string();
}

std::string WindowsFolderProblem(const std::string& folder) {
  // The installer's own placeholders stand for names; "x" stands in for each.
  std::string rest;
  for (size_t i = 0; i < folder.size();) {
    size_t token = 0;
    for (const char* name : {"<product>", "<description>", "<os>"}) {
      if (folder.compare(i, std::strlen(name), name) == 0) token = std::strlen(name);
    }
    rest += token ? 'x' : folder[i];
    i += token ? token : 1;
  }
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    rest.erase(0, rest.size() > 2 && (rest[2] == '\\' || rest[2] == '/') ? 3 : 2);
  } else if (rest.compare(0, 2, "\\\\") == 0) {
    const size_t share = rest.find('\\', rest.find('\\', 2) + 1);  // after \\server\share
    rest.erase(0, share == std::string::npos ? rest.size() : share + 1);
  }
  while (!rest.empty() && (rest.back() == '\\' || rest.back() == '/')) rest.pop_back();
  return rest.empty() ? std::string() : WindowsPathProblem(rest);
}

std::string RegistryKeyProblem(const std::string& subkey) {
  std::string names = subkey;
  while (!names.empty() && names.back() == '\\') names.pop_back();
  std::replace(names.begin(), names.end(), '/', '_');
  for (size_t at = 0; (at = names.find('*', at)) != std::string::npos; ++at) {
    const bool whole = (at == 0 || names[at - 1] == '\\') && (at + 1 == names.size() || names[at + 1] == '\\');
    if (whole) names[at] = '_';
  }
  return names.empty() ? std::string() : WindowsPathProblem(names, "\\");
}

std::u16string CaseFoldedPath(const std::string& path) {
  String wide = Utf8ToUtf16(path.c_str(), static_cast<int32_t>(path.size()));
  std::u16string folded(wide.w_str(), static_cast<size_t>(wide.wlength()));
  for (char16_t& c : folded) c = c == u'/' ? u'\\' : UpperCase(c);
  return folded;
}
