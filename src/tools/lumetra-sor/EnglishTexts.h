#pragma once
// The English of the marked texts below the toolkit, made at build time from the viewer's
// translation so that lumetra-sor and the viewer say the same.

// Null when the source text has no English.
const char* EnglishText(const char* source);
