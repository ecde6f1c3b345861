#pragma once
// A trace of a Bellcore file in the SR-4731 layout (".tra").

#include "core/CBellcoreSignal.h"
#include "formats/bellcore/CSR4731File.h"

class CSR4731Signal : public CBellcoreSignal<CSR4731File, SignalKind::SR4731> {};
