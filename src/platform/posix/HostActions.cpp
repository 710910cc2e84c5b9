// The listener of the host's actions.
#include "platform/posix/HostActions.h"

namespace {

HostActionListener* activeListener = nullptr;

}  // namespace

void SetHostActionListener(HostActionListener* listener) { activeListener = listener; }

bool HostActionsHeard() { return activeListener != nullptr; }

void TellHostAction(const HostAction& action) {
    if (activeListener != nullptr) activeListener->HostActionDone(action);
}
