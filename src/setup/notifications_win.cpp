#include "setup/notifications_win.h"

#include "actions/firewall.h"
#include "core/environment.h"
#include "net/notify_worker.h"
#include "setup/exit.h"
#include "setup/install_rules.h"

namespace {

constexpr char16_t kFirewallEntryName[] = u"Bastionix Setup Installer";

void RemoveFirewallEntry() { RemoveFirewallProgram(ProgramFilePath()); }

// Only an entry this run made is taken away again: one the user or an earlier
// run left stays as it was when adding it failed.
void AddFirewallEntry() {
  if (AddFirewallProgram(ProgramFilePath(), String(kFirewallEntryName)) == kFirewallOk) {
    TheExitHooks().remove_firewall_entry = RemoveFirewallEntry;
  }
}

}  // namespace

void PrepareNotifications() {
  SetNotificationFirstUse(AddFirewallEntry);
  TheExitHooks().stop_notification_worker = StopNotificationWorker;
}

void SendNotification(const String& address, const String& version) {
  PrepareNotifications();
  PostNotification(NotificationAddress(address, version));
}
