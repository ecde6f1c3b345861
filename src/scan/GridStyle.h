#pragma once

// The plot's grid. The numbers are what the settings file stores.
enum class GridStyle { Solid = 0, Dashes = 1, Dots = 2, Broken = 3, None = 4 };
