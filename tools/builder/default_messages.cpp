#include "builder/default_messages.h"

#include <string>

const std::vector<DefaultMessage>& DefaultMessages() {
  static const std::vector<DefaultMessage> messages = {
      // Wizard caption and greeting.
      {0, u"<product> Setup", ""},
      {1,
       u"This wizard will install <product> on your computer.\r\n\r\n"
       u"It is recommended that you close all other applications before continuing.\r\n\r\n"
       u"Click Next to continue, or Cancel to exit Setup.",
       ""},
      // Installing over an earlier installation: the question joins the text
      // of the install type (3 to 6), the folder found and message 7.
      {2, u"Existing Installation Found", ""},
      {3, u"<product> is already installed in this folder:", ""},
      {4, u"This version of <product> is already installed in this folder:", ""},
      {5, u"An older version of <product> is installed in this folder:", ""},
      {6, u"A newer version of <product> is installed in this folder:", ""},
      {7, u"Do you want to install <product> over the existing installation?", ""},
      {8, u"Preparing files...", ""},
      {9,
       u"The installed version of <product> must be removed before this version can be installed.\r\n\r\n"
       u"Click Uninstall to remove it now. Setup starts again when the removal is complete.",
       ""},
      {10, u"Some parts of <product> could not be removed:\r\n\r\n%s", "failure summary"},
      {11,
       u"Setup will install <product> in the following folder. To install in a different folder, "
       u"click Browse and select another folder.",
       ""},
      {12, u"<product> requires %s, which is not installed on this computer. Please install it first.",
       "required product name"},
      {13,
       u"This installation program is corrupt.  This is usually caused by a faulty download, but it "
       u"can also be caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
       u"Delete the corrupted installer (to prevent caching), then re-download it.  If the problem "
       u"persists, check your system for viruses.\r\n\r\nError code: %d",
       "error number"},
      {14, u"The folder name is not valid. Please enter a full path, such as C:\\Programs\\<product>.", ""},
      {15, u"Uninstall Complete", ""},
      {16, u"Drive %c: does not exist. Please choose a folder on another drive.", "drive letter"},
      {17, u"<product> cannot be installed in the root folder of a drive. Please choose a folder.", ""},
      {18, u"<product> cannot be installed directly in %s. Please choose a folder inside it.", "folder"},
      {19,
       u"There is not enough free space: %s is free, but <product> needs %s on drive %s.\r\n\r\n"
       u"Do you want to install there anyway?",
       "free space, required space, drive"},
      {20, u"<product> Setup", ""},
      {21, u"Error", ""},
      {22, u"The folder %s already exists.\r\n\r\nDo you want to install <product> in this folder?", "folder"},
      {23, u"The folder %s does not exist.\r\n\r\nDo you want Setup to create it?", "folder"},
      {24, u"Choose Install Location", ""},
      {25, u"The folder %s could not be created.\r\n\r\n%s", "folder, reason"},
      {27, u"&Password:", ""},
      {28, u"Are you sure you want to cancel the installation of <product>?", ""},
      {29, u"Extracting files...", ""},
      {30, u"Removing shortcuts...", ""},
      // Message 31 and message 58 begin a line of the failure summary that
      // continues with a path.
      {31, u"Could not write:", ""},
      {32, u"Updating system settings...", ""},
      {33, u"Uninstall <product>", ""},
      {34, u"<product> was successfully removed from your computer.", ""},
      {35, u"Remove Shared File", ""},
      {36, u"Installation complete.", ""},
      {37, u"Windows must be restarted to finish the installation of <product>.\r\n\r\nRestart now?", ""},
      {38, u"%s", "target file name"},
      {39, u"Please wait while <product> is installed on your computer.", ""},
      {40,
       u"Setup could not complete every step of the installation of <product>. The details are in "
       u"the install log:\r\n\r\n%s\r\n\r\nDo you want to view the log now?",
       "install log path"},
      {41, u"Installation Incomplete", ""},
      {42, u"<product> has been installed on your computer.\r\n\r\nClick Finish to close Setup.", ""},
      {43, u"Installation Complete", ""},
      {44, u"License Agreement", ""},
      {45, u"I &Agree", ""},
      {46, u"&Decline", ""},
      {47,
       u"Please read the following license agreement. You must accept its terms before installing "
       u"<product>.",
       ""},
      {48, u"&Next >", ""},
      {49, u"Cancel", ""},
      {50, u"Read Me", ""},
      {51, u"Please read the following information before continuing.", ""},
      {52, u"B&rowse...", ""},
      {53, u"Do you want to completely remove <product> and all of its components?", ""},
      {54, u"Installing", ""},
      {55, u"Uninstall <product>", ""},
      {56, u"Remove the font %s from your computer?", "font name"},
      {57, u"Remove Font", ""},
      {58, u"Could not remove:", ""},
      {59,
       u"The shared file\r\n\r\n%s\r\n\r\nis no longer used by any program. Removing it is normally "
       u"safe.\r\n\r\nDo you want to remove it?",
       "file path"},
      {61, u"<product> cannot be installed on %s.", "operating system name"},
      {62, u"Verifying files...", ""},
      // 63 and 64, when not empty, are shown as an extra first licence and
      // readme page; by default there is none.
      {63, u"", ""},
      {64, u"", ""},
      {65, u"Welcome to <product> Setup", ""},
      {66, u"<product> cannot be installed on a network drive. Please choose a folder on a local drive.", ""},
      {67, u"Removing fonts...", ""},
      {68, u"Removing the install log...", ""},
      {69, u"Removing registry entries...", ""},
      {70, u"Preparing to uninstall...", ""},
      {71, u"Please wait while <product> is removed from your computer.", ""},
      {73, u"Setup cannot write to the folder %s. Please choose another folder.", "folder"},
      {74, u"Windows must be restarted to finish removing <product>.\r\n\r\nRestart now?", ""},
      {75, u"Password Required", ""},
      {76, u"This installation is protected by a password. Please enter the password to continue.", ""},
      {77, u"Installing <file>...", ""},
      {78, u"Writing registry entries...", ""},
      {79, u"Removing files...", ""},
      {80, u"Removing folders...", ""},
      {81,
       u"This edition of <product> is not made for this version of Windows. Please use the "
       u"installer for your system (32-bit or 64-bit).",
       ""},
      {82, u"Please select the language to use during the installation.", ""},
      {83, u"&Open the documentation", ""},
      {84, u"&Launch <product>", ""},
      {85, u"View the install &log", ""},
      {86, u"Install Log", ""},
      {87, u"View the release &notes", ""},
      {88, u"Setup will create the program's shortcuts in the following Start Menu folder.", ""},
      {89, u"Choose Start Menu Folder", ""},
      {90, u"&Install", ""},
      {91, u"Another installation is already running. Please wait until it has finished, then try again.", ""},
      {92, u"Space required:", ""},
      {93, u"Space available:", ""},
      {94, u"Select Setup Language", ""},
      {95, u"&Finish", ""},
      {96, u"Setup cannot install on this drive. Please choose a folder on another drive.", ""},
      {97, u"Creating a system restore point...", ""},
      {98, u"The installation was cancelled.", ""},
      {99, u"%s is running. Please close it, then click Retry to continue.", "program name"},
      {100, u"Removing drivers...", ""},
      {101, u"The removal was cancelled.", ""},
      {102, u"The password is not correct. Please try again.", ""},
      {103, u"Welcome to the <product> Setup Wizard", ""},
      {104, u"&Uninstall", ""},
      {105, u"Visit the <a><product> website</a>", ""},
      {106,
       u"The installed version of <product> can only be replaced by version %s or later. "
       u"Setup cannot continue.",
       "lowest version allowed"},
      {107, u"%s is running. Please close it, then click Retry to continue.", "program name"},
      {108, u"Removing Windows Installer packages...", ""},
      {109, u"Removing firewall exceptions...", ""},
      {110, u"Removing file associations...", ""},
      {111, u"Cancelled", ""},
      {112, u"<product> requires %s version %s or later. Please update it first.",
       "required product name, minimum version"},
      {113, u"Preparing the installation...", ""},
  };
  return messages;
}

std::string MessagePlaceholders(const char16_t* text) {
  std::string conversions;
  for (const char16_t* p = text; *p; ++p) {
    if (*p != u'%') continue;
    ++p;
    if (*p == u'%') continue;
    // Flags, width and precision come before the conversion letter.
    while (*p && (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'.' ||
                  (*p >= u'0' && *p <= u'9') || *p == u'l' || *p == u'h')) {
      ++p;
    }
    if (*p == 0) break;
    conversions += '%';
    conversions += static_cast<char>(*p);
  }
  return conversions;
}

LanguageMessages DefaultEnglish() {
  LanguageMessages english;
  english.name = String(u"English");
  english.messages.resize(kDefaultMessageCount);
  for (const DefaultMessage& message : DefaultMessages()) {
    english.messages[static_cast<size_t>(message.number)] = String(message.text);
  }
  return english;
}

LanguageTable MakeLanguageTable(const std::vector<LanguageMessages>& languages) {
  LanguageTable table;
  size_t count = 0;
  for (const LanguageMessages& language : languages) {
    table.names.Add(language.name);
    if (language.messages.size() > count) count = language.messages.size();
  }
  for (size_t m = 0; m < count; ++m) {
    for (const LanguageMessages& language : languages) {
      table.messages.Add(m < language.messages.size() ? language.messages[m] : String());
    }
  }
  table.current = DefaultLanguage(table.names);
  return table;
}
