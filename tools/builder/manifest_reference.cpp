// The manifest's documentation, printed by `setup-builder --help`; the user
// guide's key reference follows it (a test keeps the two in step).
#include "builder/manifest.h"
#include "builder/manifest_actions.h"

const char kManifestReference[] = R"(The manifest is a TOML file. Only [product] name and version and [files]
source are required; every other key has the default shown. Paths are
relative to the manifest's folder. Texts may use <product>, <description>
and <os> (the Windows folder) where the installer shows them.

[product]
name = "..."                    # required; the product name
version = "..."                 # required; the product version
publisher = ""
description = ""                # default: the name
install_folder = ""             # default: the name, under Program Files; a
                                #   relative folder goes under Program Files
start_menu_folder = ""          # default: the name
uninstall_key = ""              # name under the Windows Uninstall key; default: the
                                #   name (at most 255 characters), with a warning: set a
                                #   key unique to you ("AcmeCorp.Notes"), or another
                                #   vendor's product of the same name takes the entry over
registry_key = ""               # Software\<this> is removed on uninstall
uninstall_subfolder = ""        # install-folder subfolder for the uninstaller
window_title = "<product> Setup"
shared_folder = ""              # default: the publisher, else the name
password = ""                   # non-empty: the password page is shown (at most 64)
no_downgrade_below = ""         # installed versions from this one on refuse older
                                #   ones (Uninstall value "NoDowngradeBelow")
bitness = "any"                 # "any", "64" (64-bit Windows only), "32"
shortcuts_for = "all-users"     # or "current-user"
extra_space = 0                 # bytes to require beyond the files
exit_codes = "classic"          # or "deployment": the installer and uninstaller end with
                                #   the codes deployment tools read (0, 3010, 1602, 1603,
                                #   1605, 1618, 1620, 1633, 1638, 1639; see "Shipping")
package_id = ""                 # the winget PackageIdentifier; default: publisher and
                                #   name joined by a point, without blanks

[package]
compress = true                 # zlib-compress the file data
file_data = "inside"            # "inside" the mapped section, or "after" it in the file
encipher = false                # Blowfish instead of scrambling
cipher_key = ""                 # 16 hex digits; default: derived from name and version
program_checksum = true         # the installer checks its own program image
uninstaller_copy = true         # keep the program without its package as uninstaller
block_size = 1048576            # plain bytes per file-data block (4096 and up)

[branding]                      # the installer's look in Explorer and in Windows' list of
                                #   programs; its version record also takes [product] name
                                #   ("ProductName"), publisher ("CompanyName"), version
                                #   ("ProductVersion" and the fixed product version) and
                                #   description ("FileDescription")
icon = ""                       # an .ico file: the installer's icon (its first icon group)
product_icon = ""               # default: icon; "product.ico" in the uninstall folder,
                                #   shown by the Uninstall value "DisplayIcon"
uninstaller_icon = ""           # default: icon; the uninstaller's icon group, and
                                #   "uninstall.ico" in the uninstall folder for its shortcuts
copyright = ""                  # version record "LegalCopyright"
side_picture = ""               # a .bmp file (uncompressed rows, up to 4096 x 4096 pixels):
                                #   the picture left of "side" and "full" style pages,
                                #   resource ZBITMAP 2 of installer and uninstaller; drawn
                                #   to fill 86 x 172 dialog units (about 1:2)
banner = ""                     # likewise: the banner across "banner" style pages,
                                #   resource ZBITMAP 3; 280 x 26 dialog units (about 6:1)
full_picture = ""               # likewise: the picture behind "full" style pages,
                                #   resource ZBITMAP 7; 194 x 180 dialog units
next_button_image = ""          # a .bmp file (as side_picture): the image on the Next button,
                                #   resource ZBITMAP 4; drawn at 10 x 10 pixels (96 DPI).
                                #   Giving any button image turns [wizard] button_images on
cancel_button_image = ""        # likewise on Cancel, resource ZBITMAP 5
browse_button_image = ""        # likewise on the folder pages' browse button, ZBITMAP 6
                                # the background window's bitmap: [background] bitmap

[wizard]
greeting = true                 # the greeting page
folder_page = true              # let the user choose the install folder
start_menu_page = true          # let the user choose the Start Menu folder
progress_page = true
confirm_install_over = true     # ask before installing over an earlier installation
ask_restart = false             # offer to restart Windows at the end
background_window = false       # the full-screen gradient window behind the pages
single_instance = true          # one installer at a time
automatic = "command-line"      # "on", "off-unless-silent", or as /a and /silent say
show_errors_when_automatic = false
button_images = false           # images on Next, Cancel and browse (ProductFlags2 bit 10):
                                #   ours, or [branding] next_button_image and the others
progress_position = "centre"    # where the progress page opens (package settings field 6),
                                #   over the background window when it is shown, else the
                                #   screen: "top-left", "top-centre", "top-right",
                                #   "bottom-left", "bottom-centre", "bottom-right"
status_time = 0                 # milliseconds each progress text stays (0..9999)
license = []                    # UTF-8 text files, one licence page each (up to 20)
readme = []                     # likewise, one readme page each
style = "side"                  # every page: "side" (picture), "plain", "banner", "full"
link = ""                       # an address: the greeting page shows message 105 as its link
greeting_sound = ""             # a .wav file played as the greeting opens
side_picture_frame = "none"     # "sunken", "border", "sunken-on-side-pages"
[wizard.styles]                 # one page: greeting, language, license, readme,
license = "banner"              #   folder, start_menu, progress, finish

[background]                    # the window behind the pages (background_window = true)
taskbar_text = ""               # its taskbar button; painted when title is blank
title = ""
title_font = "Tahoma"
title_size = 100                # percent of 26 points
title_color = "#FFFFFF"
title_shadow = 0                # shadow depth, 0: none
title_position = "none"         # "top-left", "top-centre", "top-right", "bottom-left", ...
top_color = "#000080"           # a vertical gradient; equal colours paint one plain colour
bottom_color = "#000080"
copyright = ""
copyright_font = "Tahoma"
copyright_size = 100            # percent of 16 points
copyright_color = "#FFFFFF"
copyright_position = "none"     # as title_position
bitmap = ""                     # a .bmp file (as side_picture): package settings field 40,
                                #   ProductFlags bit 15; kept for the uninstaller
bitmap_size = 0                 # percent of the window the bitmap takes ("BitmapSize", 0:
                                #   hidden); 100 when a bitmap is given without it
bitmap_stretch = "stretch"      # "StretchMode": "fit" (keeping its shape), "centre" (natural
                                #   size), "tile" (the whole window, natural size)

[finish]                        # options offered on the finish page
run = ""                        # a command line, e.g. "\"%InstallDir%\\app.exe\""
run_checked = false
document = ""                   # opened with the shell; relative to the install folder
document_checked = false
second_document = ""
second_document_checked = false
view_log = false                # offer to show the install log

[uninstall]
enabled = true                  # uninstall data, Uninstall entry, earlier-install detection
start_menu_shortcut = true      # an "Uninstall <product>" shortcut in the Start Menu
desktop_shortcut = false
keep_install_log = true         # Install.log in the install folder
check_version = true            # compare with the installed version
about_url = ""                  # Uninstall entry value "URLInfoAbout"
help_url = ""                   # "HelpLink"
update_url = ""                 # "URLUpdateInfo"
help_telephone = ""             # "HelpTelephone"
contact = ""                    # "Contact"
comments = ""                   # "Comments"
[[uninstall.value]]             # any other value of the product's Uninstall entry
name = "Sub\\Name"              # a backslash puts the value in a subkey
type = "string"                 # "string", "expandable" or "dword"
data = "%InstallDir%\\help.chm"  # variables are expanded; empty or 0 deletes the value
keep_log = false                # the uninstaller keeps Install.log
delete_folder_with_contents = false  # the uninstaller also removes what users left
completion_message = false      # a message when the uninstall has succeeded
support_offer = ""              # an address offered before anything is removed
batch_before = ""               # commands run before removal; they see %InstallDir%,
                                #   %UninstallDir%, %SharedDir% and %ProductName%
batch_after = ""                # commands run after a successful removal
batch_before_hidden = false     # without a console window (PAUSE lines are dropped)
batch_after_hidden = false

[[uninstall.close]]             # programs closed before removal (any number)
window_title = "*My Tool"       # exact, or "*" and a part the title contains
window_class = ""               # the same for the window class
program = "My Tool"             # its name in the question
action = "ask"                  # close | quit | ask | terminate

[[uninstall.delete]]            # files deleted by pattern (any number)
pattern = "logs\\*.log"          # relative to the install folder, %Variables% allowed
when = "uninstall"              # uninstall | install | both
condition = "always"            # always | date-equals | date-since | date-until |
                                #   size-equals | size-at-least | size-at-most
value = ""                      # "2024/03/05 07:08:10" or a size in bytes
at_restart = false              # never now: at the next restart
at_restart_on_failure = false   # at the next restart when it cannot go now

[files]
source = "files"                # required; every file below it is installed,
                                #   keeping its subfolders, in name order
exclude = []                    # patterns: "*.pdb", "docs/drafts/*"
dates = "modified"              # each file's modification time (UTC), or "none";
                                #   never after SOURCE_DATE_EPOCH when that is set
allow_empty = false             # an installer without files is meant

[[file]]                        # options of one file, by its path in source
path = "bin/tool.dll"
kind = "install"                # "install", "shared", "font", "startup", "system", "versioned",
                                #   or a component kind ([actions] below)
overwrite = "always"            # "never", "if-exists", "if-missing", "if-not-newer"
permanent = false               # left in place on uninstall
readonly = false
hidden = false
destination = ""                # another name, or a path relative to the install folder
version = ""                    # "versioned": the file's version; "font": its display name

[[shortcut]]                    # one per file of the install folder
target = "bin/app.exe"
name = ""                       # default: the file name; "Sub\\Name" makes a subfolder
start_menu = true
desktop = false
arguments = ""
working_folder = ""
icon = ""

[messages]                      # replace English messages by number
"42" = "<product> is ready.\r\n\r\nClick Finish to close Setup."

[[language]]                    # further languages; one named after a built-in
name = "Deutsch"                #   language ("Deutsch" or "German", "Français",
[language.messages]             #   "日本語", ...) starts from its translation, any
"49" = "Abbrechen"              #   other from English; messages given replace
                                #   those texts one by one

A replaced message keeps the printf placeholders (%s, %d, %c) of the
default text, in the same order.
)";

const char kActionsReference[] = R"(
[[registry]]                    # a registry key or value (any number), in words:
key = 'HKLM\Software\Acme'       # required; a key path as in the compact form; alone:
                                #   makes the key
name = ""                       # the value's name ("" the default value)
type = "string"                 # "string" (%Variables% expanded), "expandable",
                                #   "binary" (hexadecimal pairs, blanks allowed),
                                #   "dword", "qword" (a number, or decimal text)
value = ""
when = "always"                 # or "if-missing": an existing value stays as it is
uninstall = "remove"            # or "keep"; a deletion: "keep" (default) deletes once,
                                #   "remove" deletes again on uninstall
delete = false                  # true: delete the value instead of writing it

[registry]                      # the compact form instead of [[registry]] tables:
entries = []                    # one entry a line: "HKLM\\Software\\Acme" makes a key;
                                #   "HKLM\\Software\\Acme,Name,type,data,action" a value.
                                #   type: 1 text (%Variables% expanded), 2 expandable text,
                                #   3 bytes in hexadecimal, 4 DWORD, 11 QWORD (decimal).
                                #   action: 1 write, 3 write and remove on uninstall,
                                #   6 write when missing, 4 delete, 5 delete (also on
                                #   uninstall), 0 and 2 nothing now. "\\HKAU\\" in a
                                #   path: every user's hive. A field with a comma goes
                                #   in double quotes, a quote in it doubled:
                                #   'HKCU\Software\Acme,Hello,1,"Hi, ""you""",1'
merge_file = ""                 # a .reg file imported with "regedit /s"; the keys it
                                #   creates and the values it adds are removed on
                                #   uninstall, a value it changes keeps its new data,
                                #   and keys directly below a hive root are left alone

[[firewall]]                    # a firewall exception (any number), in words:
port = 8080                     # a port, 1 to 65535, or instead
program = ""                    #   a program: '%InstallDir%\acme.exe'
protocol = "tcp"                # a port's: "tcp", "udp" or "both"
name = ""                       # default: the product name
keep = false                    # true: left in place on uninstall

[[association]]                 # file associations (any number)
extension = ".acme"
prog_id = "Acme.Document"       # the file type; "" or "!": the type the extension
                                #   already has ("!": this one when it has none)
description = ""
verb = "open"
verb_label = ""
command = "\"%InstallDir%\\acme.exe\" \"%1\""
mode = "normal"                 # "default-verb" also makes the verb the default;
                                #   "open-with" only lists the program under Open With

[actions]
firewall = []                   # the compact form, beside any [[firewall]] tables:
                                #   "port or program;name;protocols;keep" a line:
                                #   "8080;Acme Server;1;0" opens TCP port 8080
                                #   (protocols 1 TCP, 2 UDP, 3 both);
                                #   "%InstallDir%\\acme.exe;Acme;0;0" allows a program;
                                #   keep "1": left in place on uninstall; an empty
                                #   name: the product name
add_to_path = false             # the install folder joins the machine-wide PATH
path_subfolder = ""             # that subfolder of it instead (or an absolute folder)
folder_rights = false           # every user may modify the install folder (never its
                                #   permissions); the builder warns: think twice
shared_folder_rights = false    # the same for the shared folder
restore_point = false           # a System Restore point before the files
pin_command = ""                # pinned to the taskbar on Windows 7 to 8.1:
                                #   "\"%InstallDir%\\acme.exe\" /x"
pin_name = ""                   # default: the product name
root_shortcut_command = ""      # installed on a removable drive: a shortcut at its root
root_shortcut_name = ""
desktop_folder = ""             # desktop shortcuts go into this folder on the desktop
desktop_folder_icon = ""        # that folder's .ico file
log_shortcut = false            # a Start Menu shortcut to Install.log
uninstall_folder_shortcut = false  # an uninstaller shortcut in the install folder

Component files are [[file]] kinds, each registered after the files:
"com" (a COM server, regsvr32), "type-library", "driver" (an INF file),
"msi" (msi_ui_level = 2..5, msi_remember = true: removed with the product)
and "control-panel" (class_id = "{...}" required; version = its name).
)";
