#pragma once
// Opening a trace file as a signal of the kind its content shows, and turning a signal into
// another kind for saving in another format.

#include "core/CSignal.h"
#include "platform/Translation.h"

#include <string>

inline constexpr const char* kMsgWrongFileType =
    QT_TRANSLATE_NOOP("core", "Неправильный тип файла");

// Recognises the file by content: the GR-196-CORE map, then the SR-4731 map, then the M600
// signature (first u16 169). Returns a new signal (reference count 0, the caller takes the
// first reference) or null when its Open failed, after the error was shown. Throws
// CAbortException "Неправильный тип файла" for content of no known kind, and passes on the
// errors of the map tests for a file that cannot be opened or is too short to hold a map
// ("Не могу прочесть файл" for an empty file); a file with the M600 signature that is no
// Bellcore map always goes to the M600 reader.
CSignal* OpenSignal(const std::string& path);

// A new signal of kind GR-196-CORE, SR-4731 or Noyes M600 with the curve, events,
// selection, change flags and file name of the given one, and its file object built from the
// given signal's. Null when either kind is not one of the three. The conversions' errors
// (COtdrException) are passed on.
CSignal* ConvertSignal(const CSignal& signal, SignalKind kind);
