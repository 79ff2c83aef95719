// The notification worker: a thread that requests notification addresses
// (HTTP GET) for the installer and the uninstaller. Callers never wait for a
// request and never see its result.
#pragma once

#include "core/string.h"

// Hands an address to the worker, starting it on first use. An empty address
// does nothing.
void PostNotification(const String& address);

// Tells the worker to stop and waits for it, for a bounded time so that a
// slow network never holds the process at its exit. Nothing when it never ran.
void StopNotificationWorker();
