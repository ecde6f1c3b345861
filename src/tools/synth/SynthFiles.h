#pragma once
// A synthesized trace as a file of any of the three formats: the acquisition parameters
// (pulse width entry, group index, a range that matches points × spacing), the general and
// supplier texts naming this program, the key events of the synthesized fibre and the samples.

#include <string>

class CTraceSynthesizer;
class CGR196File;
class CSR4731File;
class CM600File;

// File kinds, numbered as the signals number them.
inline constexpr int kSynthGR196 = 1;
inline constexpr int kSynthSR4731 = 2;
inline constexpr int kSynthM600 = 3;

// Replaces the file object's contents by the trace.
void FillTraceFile(const CTraceSynthesizer& trace, CGR196File& file);
void FillTraceFile(const CTraceSynthesizer& trace, CSR4731File& file);
// CAbortException for a trace of more samples than the format's 16-bit count holds.
void FillTraceFile(const CTraceSynthesizer& trace, CM600File& file);

// Writes the trace as a file of the kind (1 GR-196-CORE, 2 SR-4731, 3 Noyes M600), atomically;
// the file objects' errors pass on, CAbortException for another kind.
void WriteSynthTrace(const CTraceSynthesizer& trace, int kind, const std::string& path);
