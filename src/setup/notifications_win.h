// The run's notifications: the worker's stop at exit, and the installer's
// own firewall entry, made before the worker's first request and removed by
// the common exit.
#pragma once

#include "core/string.h"

// Readies the worker for this run; nothing is made until the first address.
void PrepareNotifications();

// Hands `address` to the worker with every "%version%" replaced by `version`;
// an empty address does nothing.
void SendNotification(const String& address, const String& version);
