#pragma once
// A trace of a Bellcore file, in either layout. The file object keeps every block as read;
// the signal moves the levels and the key events between it and the trace.

#include "core/BellcoreTrace.h"
#include "core/CSignal.h"
#include "core/SignalDetails.h"
#include "platform/CException.h"

template <class File, SignalKind Kind> class CBellcoreSignal : public CSignal {
public:
    static constexpr SignalKind kKind = Kind;

    // Loads the file, then takes the levels (when "DataPts" holds any) in the frame of the
    // events (see BellcoreSampleFrame) and the events in position order. Errors are shown; false
    // leaves the signal empty.
    bool Open(const std::string& path) override {
        return OpenFile(path, [&] {
            file_.Load(path);
            const auto& points = file_.GetDataPts();
            if (points.HasData()) {
                // The block's levels themselves: neither copied nor held twice.
                const CSampleFrame frame = BellcoreSampleFrameOf(
                    file_.GetGenParams(), file_.GetFxdParams(), points.GetLevels().size());
                ShareLevels(points.GetSharedLevels(), static_cast<float>(frame.start),
                            static_cast<float>(frame.end));
            }
            FillEvents();
        });
    }
    // Asks before writing back unsaved edits (see CSignal::SaveFile).
    bool Save(const std::string& path) override {
        return SaveFile(
            path, [&] { WriteBack(); }, [&](const std::string& target) { file_.Save(target); });
    }
    void Clear() override {
        CSignal::Clear();
        file_.Clear();
    }
    SignalKind GetKind() const override { return kKind; }
    double GetGroupIndex() const override { return file_.GetFxdParams().GetGroupIndex(); }
    int GetDescriptionCount() const override { return 5; }
    bool GetDescription(int index, std::string& label, std::string& value) const override {
        // The instrument's range, whatever the samples span around the events' zero.
        const CFxdParams& fxd = file_.GetFxdParams();
        return Describe(index, BellcoreDescriptionValues(fxd.RangeKm(), fxd), label, value);
    }
    std::vector<CDetailLine> GetDetails() const override {
        return BellcoreDetails(file_.GetGenParams(), file_.GetSupParams(), file_.GetFxdParams(),
                               file_.GetKeyEvents());
    }
    std::string GetLoadWarning() const override { return file_.GetLoadWarning(); }

    File& GetFile() { return file_; }
    const File& GetFile() const { return file_; }

private:
    void FillEvents() {
        BeginEventRefill();
        try {
            const auto& block = file_.GetKeyEvents();
            if (!block.HasData())
                return;
            for (int i = 0; i < block.GetEventCount(); ++i)
                InsertEventSorted(KeyEventFromBellcore(block.GetEvent(i), i, file_.GetFxdParams(),
                                                       file_.IsSRLayout()));
        } catch (const CException&) {
            // The events read so far stay.
        }
    }

    void WriteBack() {
        if (levelsModified_) {
            const std::vector<float>& levels = GetLevels();
            file_.GetDataPts().SetLevels(static_cast<int>(levels.size()), levels.data());
        }
        if (eventsModified_) {
            CBellcoreRecords records(file_.GetKeyEvents(), file_.GetFxdParams());
            WriteEventsBack(records);
            FillEvents();
        }
    }

    File file_;
};
