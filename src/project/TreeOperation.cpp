#include "project/TreeOperation.h"

#include "platform/CMessageTarget.h"

TreeItem SendTreeOperation(TreeOperation operation, const TreeRecord& record) {
    return SendToMain(kMsgTreeOperation, static_cast<std::uintptr_t>(operation),
                      reinterpret_cast<std::intptr_t>(&record));
}
