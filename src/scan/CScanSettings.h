#pragma once
// The scanning properties: how to reach the remote test unit and how each of its four fibres
// is measured. Held as the 6360-byte little-endian record that the settings file embeds and a
// .spr file consists of, so padding and reserved bytes survive a round trip unchanged.
// Texts are Windows-1251 bytes in fixed 256-byte fields (at most 255 bytes and a NUL); a
// longer text is cut at 255 bytes. Fibre indexes run 0..3 (fibre 1 first); an index outside
// reads as zero, false or empty and writing it does nothing.

#include "platform/Fibres.h"
#include "platform/TextCodec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CScanSettings {
public:
    static constexpr std::size_t kSize = 6360;
    static constexpr std::size_t kTextSize = 256;

    // Fibre states (dataFlag).
    static constexpr int kStateNew = 0;
    static constexpr int kStateSplice = 1;
    static constexpr int kStateOther = 2;

    // Starts with the reset values.
    CScanSettings() { ResetToDefaults(); }

    // Every byte zero, then the default texts, wavelengths, group index and averaging.
    void ResetToDefaults();

    // Connection.
    bool GetUseIp() const;
    void SetUseIp(bool useIp);
    // Octet 0 is the first, most significant one.
    int GetIpOctet(int index) const;
    void SetIpOctet(int index, int value); // clamped into 0..255
    // octet0 << 24 | octet1 << 16 | octet2 << 8 | octet3, as an address control takes it.
    std::uint32_t GetIpAddress() const;
    void SetIpAddress(std::uint32_t address);
    Cp1251String GetRtuName() const;
    void SetRtuName(Cp1251View name);
    // None when the stored password is empty.
    std::optional<Cp1251String> GetPassword() const;
    void SetPassword(Cp1251View password);

    // Texts common to all fibres.
    Cp1251String GetOriginalLocation() const;
    void SetOriginalLocation(Cp1251View text);
    Cp1251String GetSupplierName() const;
    void SetSupplierName(Cp1251View text);
    Cp1251String GetMainframeId() const;
    void SetMainframeId(Cp1251View text);
    Cp1251String GetMainframeSn() const;
    void SetMainframeSn(Cp1251View text);
    Cp1251String GetOperatorName() const;
    void SetOperatorName(Cp1251View text);
    Cp1251String GetComment() const;
    void SetComment(Cp1251View text);

    // Per fibre.
    bool IsFiberEnabled(int fiber) const;
    void SetFiberEnabled(int fiber, bool enabled);
    bool GetFilter(int fiber) const;
    void SetFilter(int fiber, bool filter);
    // The stored byte: a record from elsewhere may hold more than 0 or 1, and the unit is
    // given what was stored.
    int GetFilterValue(int fiber) const;
    int GetDataFlag(int fiber) const;
    void SetDataFlag(int fiber, int state);
    int GetAveraging(int fiber) const;
    void SetAveraging(int fiber, int averaging);
    int GetDistanceIndex(int fiber) const;
    void SetDistanceIndex(int fiber, int index);
    // Range in km: 20, 40, 80, 160 for indexes 0..3, 20 for any other.
    int GetDistanceKm(int fiber) const;
    int GetPulseIndex(int fiber) const;
    void SetPulseIndex(int fiber, int index);
    // Pulse width in ns: 25 ... 20000 for indexes 0..7, 25 for any other.
    int GetPulseNs(int fiber) const;
    double GetNominalWavelength(int fiber) const; // nm
    void SetNominalWavelength(int fiber, double nm);
    double GetActualWavelength(int fiber) const; // nm
    void SetActualWavelength(int fiber, double nm);
    double GetGroupIndex(int fiber) const;
    void SetGroupIndex(int fiber, double index);
    Cp1251String GetFiberId(int fiber) const;
    void SetFiberId(int fiber, Cp1251View text);
    Cp1251String GetCableId(int fiber) const;
    void SetCableId(int fiber, Cp1251View text);
    Cp1251String GetCableCode(int fiber) const;
    void SetCableCode(int fiber, Cp1251View text);
    Cp1251String GetTerminatingLocation(int fiber) const;
    void SetTerminatingLocation(int fiber, Cp1251View text);

    static int DistanceKmOf(int index);
    static int PulseNsOf(int index);

    // The record as stored.
    const std::array<std::uint8_t, kSize>& GetBytes() const { return bytes_; }
    // Replaces the leading bytes (at most kSize); the rest keeps its content.
    void SetBytes(const std::uint8_t* data, std::size_t size);

    // The .spr file is the bare record. A file error is shown as a message and gives false;
    // loading takes at most the first kSize bytes, and a shorter file replaces only as many
    // leading bytes as it holds. Values are not checked.
    bool SaveToFile(const std::string& path) const;
    bool LoadFromFile(const std::string& path);

    friend bool operator==(const CScanSettings&, const CScanSettings&) = default;

private:
    // Start of a fibre's field, null for an index outside 0..3.
    std::uint8_t* FiberField(int fiber, std::size_t offset);
    const std::uint8_t* FiberField(int fiber, std::size_t offset) const;
    int GetFiberInt(int fiber, std::size_t offset) const;
    void SetFiberInt(int fiber, std::size_t offset, int value);
    double GetFiberDouble(int fiber, std::size_t offset) const;
    void SetFiberDouble(int fiber, std::size_t offset, double value);
    Cp1251String GetFiberText(int fiber, std::size_t offset) const;
    void SetFiberText(int fiber, std::size_t offset, Cp1251View text);
    Cp1251String GetText(std::size_t offset) const;
    void SetText(std::size_t offset, Cp1251View text);

    std::array<std::uint8_t, kSize> bytes_{};
};
