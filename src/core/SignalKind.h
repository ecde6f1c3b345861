#pragma once
// The file formats a signal is read from and written to. The numbers are part of what users
// see: the save dialog's filter index and the "kind" of lumetra-sor's reports.

enum class SignalKind : int { None = 0, GR196 = 1, SR4731 = 2, M600 = 3 };

constexpr int KindNumber(SignalKind kind) {
    return static_cast<int>(kind);
}

// The kind a number names; None for any other number.
constexpr SignalKind KindFromNumber(int number) {
    return number >= KindNumber(SignalKind::GR196) && number <= KindNumber(SignalKind::M600)
               ? static_cast<SignalKind>(number)
               : SignalKind::None;
}
