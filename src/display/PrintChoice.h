#pragma once

// Which traces the printed plot shows, as the print dialog offers them.
enum class PrintChoice { AllSignals, ActiveProject, ActiveSignal };
