#pragma once
// The remote test unit measures four fibres, indexed 0..3 here (fibre 1 first): the scanning
// record holds a block for each, and the scanning project an entry for each.

inline constexpr int kFiberCount = 4;
