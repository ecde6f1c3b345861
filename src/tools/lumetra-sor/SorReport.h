#pragma once
// What lumetra-sor writes about one opened trace: a description for people, the samples as
// CSV and everything as one JSON object for scripts. Each appends to a text, so a command
// writes a whole file's output at once.

#include "core/SignalKind.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <string>

class CSignal;

// Takes the next piece of an export's text, in order: the text gathered before (which it
// leaves empty), then each piece as it is made, so a long export need not be held whole. What
// is left at the end stays in the text. Without one the text collects everything.
using TextFlush = std::function<void(const char* data, std::size_t size)>;

// "Bellcore GR-196-CORE", "Bellcore SR-4731", "Noyes M600"; "unknown" for another kind.
std::string KindName(SignalKind kind);

// Kind, the five parameter lines, points, range, the checksum verdict, the proprietary
// blocks and the events as the event list shows them.
void AppendInfo(const CSignal& signal, const std::string& path, std::string& text);

// A header line, then one line per sample: distance (km) and displayed level (dB, the stored
// level negated).
void AppendCsv(const CSignal& signal, std::string& text, const TextFlush& flush = {});

// One object and a newline: file, kind, format, parameters (the five lines as label/value
// pairs, and every field of the file's parameter blocks or M600 header), loadWarning,
// proprietaryBlocks, pointCount, startDistance, endDistance (km), events (every key event
// field) and samples (the stored levels in dB, in file order). Texts are UTF-8.
void AppendJson(const CSignal& signal, const std::string& path, std::string& text,
                const TextFlush& flush = {});

// The signal's key events, each as AppendJson writes it.
nlohmann::ordered_json EventsJson(const CSignal& signal);
