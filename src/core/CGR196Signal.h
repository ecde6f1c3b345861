#pragma once
// A trace of a Bellcore file in the GR-196-CORE layout (".sor").

#include "core/CBellcoreSignal.h"
#include "formats/bellcore/CGR196File.h"

class CGR196Signal : public CBellcoreSignal<CGR196File, SignalKind::GR196> {};
