#include "setup/command_line.h"

namespace {

// The program's own path plus the atoms that are looked at; later ones are ignored.
constexpr int kMaxAtoms = 19;

// The usage text is shown after the error line; the program's name goes between its two parts.
const char16_t kUsageHead[] = u"\r\n\r\nUsage:\r\n";
const char16_t kUsageBody[] =
    u" [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"] [/n:\"name\"] "
    u"[/u:\"name\"] [/r:\"program\"] [/silent]\r\n\r\n"
    u"/a                  \tAutomatic mode.\r\n"
    u"/d:\"dir\"        \tOverride installation path.\r\n"
    u"/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
    u"/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
    u"/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
    u"/n:\"name\"\tOverride product name.\r\n"
    u"/u:\"name\"\tUninstall product by name.\r\n"
    u"/r:\"program\"\tRun the specified program after a successful installation.\r\n"
    u"/silent\tDisplay no user interface.";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Atoms are ASCII words; letters compare without regard to case.
bool HasPrefix(const String& atom, const char16_t* prefix) {
  const char16_t* text = atom.w_str();
  int32_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= atom.wlength() || AsciiUpper(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool Is(const String& atom, const char16_t* word) {
  return HasPrefix(atom, word) && atom.wlength() == TextLengthW(word);
}

String Rest(const String& atom, int32_t from) { return String(atom.w_str() + from, atom.wlength() - from); }

// Removes one leading and one trailing double quote, as a quoted value comes.
String Unquoted(String text) {
  if (text.wlength() > 0 && text.w_str()[0] == u'"') text.DeleteW(0, 1);
  if (text.wlength() > 0 && text.w_str()[text.wlength() - 1] == u'"') text.DeleteW(text.wlength() - 1, 1);
  return text;
}

// A folder keeps what a lone quote leaves: only a pair around it is removed.
String WithoutSurroundingQuotes(String text) {
  const int32_t length = text.wlength();
  if (length >= 2 && text.w_str()[0] == u'"' && text.w_str()[length - 1] == u'"') {
    text.DeleteW(length - 1, 1);
    text.DeleteW(0, 1);
  }
  return text;
}

String WithoutTrailingQuote(String text) {
  if (text.wlength() > 0 && text.w_str()[text.wlength() - 1] == u'"') text.DeleteW(text.wlength() - 1, 1);
  return text;
}

// A backquote stands for a double quote, which cannot be typed inside a quoted atom.
void BackquotesToQuotes(String& text) {
  for (int32_t i = 0; i < text.wlength(); ++i) {
    if (text.wdata()[i] == u'`') text.wdata()[i] = u'"';
  }
}

// Batch commands: "~~" separates lines.
String BatchLines(const String& ansi) {
  String out;
  const char* text = ansi.c_str();
  for (int32_t i = 0; i < ansi.length(); ++i) {
    if (text[i] == '~' && i + 1 < ansi.length() && text[i + 1] == '~') {
      out.Append("\r\n");
      ++i;
    } else {
      out.Append(text[i]);
    }
  }
  return out;
}

bool ApplyAtom(const String& atom, AnsiConverter to_ansi, CommandLine& out) {
  if (Is(atom, u"A")) {
    out.automatic = true;
  } else if (HasPrefix(atom, u"D:")) {
    out.install_folder = WithoutSurroundingQuotes(Rest(atom, 2));
  } else if (HasPrefix(atom, u"N:")) {
    out.product_name = Unquoted(Rest(atom, 2));
  } else if (HasPrefix(atom, u"U")) {
    out.uninstall = true;
    if (atom.wlength() > 1 && atom.w_str()[1] == u':') out.uninstall_name = Unquoted(Rest(atom, 2));
  } else if (HasPrefix(atom, u"R:\"")) {
    out.run_after = WithoutTrailingQuote(Rest(atom, 3));
    BackquotesToQuotes(out.run_after);
  } else if (HasPrefix(atom, u"B1:\"") || HasPrefix(atom, u"B2:\"") || HasPrefix(atom, u"B3:\"")) {
    String commands = WithoutTrailingQuote(Rest(atom, 4));
    BackquotesToQuotes(commands);
    out.batch_additions[atom.w_str()[1] - u'1'] = BatchLines(to_ansi(commands));
  } else if (Is(atom, u"SILENT")) {
    out.automatic = true;
    out.silent = true;
  } else if (Is(atom, u"MIN")) {
    out.minimized = true;
  } else if (!atom.empty()) {
    return false;
  }
  return true;
}

}  // namespace

int SplitCommandLineTokens(const char16_t* command_line, String* tokens, int max_tokens) {
  int count = 0;
  const char16_t* p = command_line ? command_line : u"";
  while (count < max_tokens) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    const char16_t* start = p;
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
      if (*p == u'"') quoted = !quoted;
    }
    tokens[count++].AssignW(start, static_cast<int32_t>(p - start));
  }
  return count;
}

CommandLineResult ParseCommandLine(const char16_t* command_line, AnsiConverter to_ansi, CommandLine& out,
                                   String& offending) {
  String tokens[1 + kMaxAtoms];
  const int count = SplitCommandLineTokens(command_line, tokens, 1 + kMaxAtoms);
  for (int i = 1; i < count; ++i) {
    const String& token = tokens[i];
    const char16_t first = token.w_str()[0];
    if (first != u'/' && first != u'-') {
      offending = token;
      return CommandLineResult::kUnexpectedParameter;
    }
    const String atom = Rest(token, 1);
    if (!ApplyAtom(atom, to_ansi, out)) {
      offending = atom;
      return CommandLineResult::kIllegalAtom;
    }
  }
  return CommandLineResult::kOk;
}

String UsageErrorText(CommandLineResult error, const String& offending, const String& program_name) {
  String text(error == CommandLineResult::kUnexpectedParameter ? u"Unexpected command line parameter:\r\n"
                                                               : u"Illegal command line atom:\r\n");
  text.AppendW(offending.w_str(), offending.wlength());
  text.AppendW(kUsageHead);
  text.AppendW(program_name.w_str(), program_name.wlength());
  text.AppendW(kUsageBody);
  return text;
}
