// Keeps the calling thread's windows alive during a long step (a folder walk,
// waiting for a child program): handles the messages already waiting, up to
// a limit so the step itself goes on.
#pragma once

// Handles at most `limit` pending messages. A quit request taken from the
// queue is put back for the program's own message loop, and ends the round.
void PumpPendingMessages(int limit);
