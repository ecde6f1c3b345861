#include "platform/CMessageTarget.h"

#include <atomic>

namespace {
std::atomic<CMessageTarget*> mainTarget{nullptr};
}

CMessageTarget* GetMainTarget() {
    return mainTarget.load();
}

void SetMainTarget(CMessageTarget* target) {
    mainTarget.store(target);
}

void PostToMain(unsigned message, std::uintptr_t w, std::intptr_t l) {
    if (CMessageTarget* target = mainTarget.load())
        target->Post(message, w, l);
}

std::intptr_t SendToMain(unsigned message, std::uintptr_t w, std::intptr_t l) {
    if (CMessageTarget* target = mainTarget.load())
        return target->Send(message, w, l);
    return 0;
}
