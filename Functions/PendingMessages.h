// Long routines keep the window alive by letting the windowing layer dispatch
// every queued message between their steps. The layer installs its pump here;
// without one (tests, builds without a window system) the call does nothing.
#pragma once

using PendingMessagesHandler = void (*)();

void SetPendingMessagesHandler(PendingMessagesHandler handler);
void ProcessPendingMessages();
