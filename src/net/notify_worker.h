// The notification worker: a thread that requests notification addresses
// (HTTP GET) for the installer and the uninstaller. Callers never wait for a
// request and never see its result.
#pragma once

#include "core/string.h"

// Hands an address to the worker, starting it on first use. An empty address
// does nothing.
void PostNotification(const String& address);

// Called once, on the posting thread, just before the worker's first request:
// the installer lets its own program through the firewall there. Null: nothing.
// Setting the same hook again does not call it again.
void SetNotificationFirstUse(void (*first_use)());

// Tells the worker to stop and waits for it, for a bounded time so that a
// slow network never holds the process at its exit. Nothing when it never ran.
// A worker that did not end in time is waited for again by the next call.
void StopNotificationWorker();
