#pragma once
// A trace of a Noyes M600 file. The file object keeps the whole file as read; the signal
// moves the samples and the key events between it and the trace.

#include "core/CSignal.h"
#include "formats/m600/CM600File.h"

class CM600Signal : public CSignal {
public:
    static constexpr SignalKind kKind = SignalKind::M600;

    // Loads the file, then takes the samples over the acquisition range and the events in
    // position order. Errors are shown; false leaves the signal empty.
    bool Open(const std::string& path) override;
    // Asks before writing back unsaved edits (see CSignal::SaveFile). Events are written with
    // the codes 2 (loss), 3 (reflective), 7 (loss at the end) and 8 (reflective at the end).
    bool Save(const std::string& path) override;
    void Clear() override;
    SignalKind GetKind() const override { return kKind; }
    double GetGroupIndex() const override { return file_.GetGroupIndex(); }
    int GetDescriptionCount() const override { return 5; }
    // The backscatter line shows the stored value as tenths of a dB, negated, as the
    // conversions from and to Bellcore store it.
    bool GetDescription(int index, std::string& label, std::string& value) const override;
    std::vector<CDetailLine> GetDetails() const override;
    std::string GetLoadWarning() const override;

    CM600File& GetFile() { return file_; }
    const CM600File& GetFile() const { return file_; }

private:
    void FillEvents();
    void WriteBack();

    CM600File file_;
};
