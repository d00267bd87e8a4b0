#include "PendingMessages.h"

namespace {
PendingMessagesHandler currentHandler = nullptr;
}

void SetPendingMessagesHandler(PendingMessagesHandler handler) { currentHandler = handler; }

void ProcessPendingMessages() {
  if (currentHandler) currentHandler();
}
