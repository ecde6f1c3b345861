#pragma once
// The workspace tree as the project model sees it: operations sent to the main frame with the
// tree message (SendTreeOperation in project/FrameMessages.h), each with one record, answered
// with an item handle where one is created.

#include "core/SignalKind.h"

#include <cstdint>
#include <string>

// An item of the workspace tree; kNoTreeItem when there is none.
using TreeItem = std::intptr_t;
inline constexpr TreeItem kNoTreeItem = 0;

// The first parameter of the tree message.
enum class TreeOperation : unsigned {
    InsertProject = 100,  // text; answers the new top-level item
    SetProjectText = 101, // item, text
    DeleteProject = 102,  // item
    InsertEntry = 103,    // parent, kind, colour, text; answers the new child item
    UpdateEntry = 104,    // item, kind, colour, text
    SelectItem = 105,     // item
    DeleteEntry = 106,    // item
};

// The second parameter of the tree message points to one of these; it lives only as long as
// the send, so the frame copies what it keeps.
struct TreeRecord {
    TreeItem item = kNoTreeItem;        // the item, or the parent of a child to insert
    SignalKind kind = SignalKind::None; // an entry's trace; the tree picks its icon by it
    std::uint32_t colour = 0;           // 0x00BBGGRR
    std::string text;                   // UTF-8
};
