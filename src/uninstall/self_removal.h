// Self-removal after a successful uninstall: the uninstaller lies in the
// product's own uninstall data folder and cannot delete itself while it
// runs, so a small batch file, started hidden, waits for it to end and then
// deletes it, the uninstall data folder and the product folder (each only
// when empty), and itself.
#pragma once

#include "core/string.h"
#include "core/vector.h"

// Starting a process waits until the new process has come up, which takes a
// good part of a second on a slow machine. So the batch's interpreter is
// started early, suspended, on a thread of its own while the product is
// being removed: the batch file is made (empty, held so that nobody else can
// write it) and the interpreter waits for it. A run that dies before the end
// takes the waiting interpreter with it.
void PrepareSelfRemoval();

// Writes the batch into the user's temporary folder under a new name nobody
// can predict and lets its interpreter run (the prepared one, or one started
// now): it removes the program, then each of `folders` that is empty. True
// when it was started.
bool StartSelfRemoval(const Array<String>& folders);

// The run failed or was declined: a prepared interpreter is ended and its
// batch file deleted.
void AbandonSelfRemoval();
