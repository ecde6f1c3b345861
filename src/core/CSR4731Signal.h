#pragma once
// A trace of a Bellcore file in the SR-4731 layout (".tra"). The file object keeps every
// block as read; the signal moves the levels and the key events between it and the trace.

#include "core/CSignal.h"
#include "formats/bellcore/CSR4731File.h"

class CSR4731Signal : public CSignal {
public:
    static constexpr int kKind = 2;

    // Loads the file, then takes the levels (when "DataPts" holds any) over the acquisition
    // range and the events in position order. Errors are shown; false leaves the signal empty.
    bool Open(const std::string& path) override;
    // Asks before writing back unsaved edits (see CSignal::SaveFile).
    bool Save(const std::string& path) override;
    void Clear() override;
    int GetKind() const override { return kKind; }
    int GetBitmapId() const override { return 137; }
    double GetGroupIndex() const override;
    int GetDescriptionCount() const override { return 5; }
    bool GetDescription(int index, std::string& label, std::string& value) const override;
    std::string GetLoadWarning() const override { return file_.GetLoadWarning(); }

    CSR4731File& GetFile() { return file_; }
    const CSR4731File& GetFile() const { return file_; }

private:
    void FillEvents();
    void WriteBack();

    CSR4731File file_;
};
