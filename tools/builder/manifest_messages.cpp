// [messages] and [[language]]: replaced and added message texts, which keep
// the placeholders the installer fills in. A language named after a built-in
// one starts from its translation, else from English.
#include "builder/manifest_sections.h"

#include <set>
#include <string>
#include <utility>

#include "builder/builtin_languages.h"
#include "builder/default_messages.h"
#include "builder/file_names.h"
#include "package/languages.h"

namespace manifest_reading {

namespace {

// A message number key: decimal, below the message count limit.
int32_t MessageNumber(const std::string& key, const Origin& origin) {
  if (key.empty() || key.size() > 4 || key.find_first_not_of("0123456789") != std::string::npos) {
    Throw(origin, "a message is named by its number");
  }
  return std::stoi(key);
}

// What the installer passes for a message's placeholders ("folder, reason").
std::string PlaceholderMeaning(int32_t number) {
  for (const DefaultMessage& message : DefaultMessages()) {
    if (message.number == number) return message.arguments;
  }
  return std::string();
}

// Replaces messages of a language. A replacement keeps the placeholders of
// the default text, since the installer passes exactly those arguments.
void ReadMessages(Table messages, LanguageMessages* language) {
  const LanguageMessages english = DefaultEnglish();
  for (const std::string& key : messages.Keys()) {
    Origin origin = messages.At(key);
    int32_t number = MessageNumber(key, origin);
    std::string text;
    messages.Text(key, &text);
    String wide = Wide(text);
    if (static_cast<size_t>(number) < static_cast<size_t>(kDefaultMessageCount)) {
      const String& original = english.messages[static_cast<size_t>(number)];
      std::string expected = MessagePlaceholders(original.w_str());
      if (MessagePlaceholders(wide.w_str()) != expected) {
        Throw(origin, expected.empty() ? std::string("this message holds no placeholders; write % as %%")
                                       : "this message must hold the placeholders \"" + expected + "\" (" +
                                             PlaceholderMeaning(number) + "), in that order");
      }
    } else if (!MessagePlaceholders(wide.w_str()).empty()) {
      Throw(origin, "a message the installer does not format may not hold % placeholders");
    }
    if (language->messages.size() <= static_cast<size_t>(number)) {
      language->messages.resize(static_cast<size_t>(number) + 1);
    }
    language->messages[static_cast<size_t>(number)] = wide;
  }
}

}  // namespace

void ReadLanguages(Table& root, Product* out) {
  ReadMessages(root.Sub("messages"), &out->languages.front());
  const String first = Utf16ToUtf8(out->languages.front().name);
  std::set<std::u16string> names = {CaseFoldedPath(std::string(first.c_str(), static_cast<size_t>(first.length())))};
  for (Table& language : root.Each("language")) {
    std::string name;
    if (!language.Text("name", &name) || name.empty()) Throw(language.At("name"), "a language needs a name");
    const BuiltinLanguage* builtin = FindBuiltinLanguage(name);
    LanguageMessages messages = builtin ? builtin->messages : DefaultEnglish();
    if (!names.insert(CaseFoldedPath(name)).second) {
      Throw(language.At("name"), "a second language named \"" + name + "\"; give each [[language]] its own name");
    }
    messages.name = Wide(name);
    ReadMessages(language.Sub("messages"), &messages);
    language.RejectUnknown();
    out->languages.push_back(std::move(messages));
  }
  if (out->languages.size() > 200) Throw(root.At("language"), "at most 200 languages");
}

}  // namespace manifest_reading
