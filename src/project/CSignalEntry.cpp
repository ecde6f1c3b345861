#include "project/CSignalEntry.h"

#include "core/CSignal.h"
#include "core/SignalFactory.h"
#include "platform/CPrompts.h"
#include "platform/MainMessages.h"
#include "project/TraceColours.h"

#include <utility>

namespace {

constexpr const char* kFiberName = "Волокно %d";

// The first count characters of a UTF-8 text (continuation bytes do not count).
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == count)
            return text.substr(0, i);
    }
    return text;
}

void SendSelectionChanged() {
    NotifySelectionChangedNow();
}

} // namespace

CSignalRef::CSignalRef(CSignal* signal) : signal_(signal) {
    if (signal_)
        signal_->AddRef();
}

void CSignalRef::Reset() {
    if (signal_ && !signal_->Release())
        delete signal_;
    signal_ = nullptr;
}

CSignalEntry::CSignalEntry(const std::string& path) {
    OpenTrace(path);
}

CSignalEntry::CSignalEntry(const CSignalEntry& other)
    : fiberNumber_(other.fiberNumber_), colour_(other.colour_), hasColour_(other.hasColour_),
      displayName_(other.displayName_), sourcePath_(other.sourcePath_), trace_(other.trace_) {}

CSignalEntry& CSignalEntry::operator=(const CSignalEntry& other) {
    if (this != &other)
        *this = CSignalEntry(other);
    return *this;
}

CSignalEntry::CSignalEntry(CSignalEntry&& other) noexcept
    : id_(std::exchange(other.id_, NewWorkspaceId())),
      observer_(std::exchange(other.observer_, nullptr)), fiberNumber_(other.fiberNumber_),
      colour_(other.colour_), hasColour_(other.hasColour_),
      displayName_(std::move(other.displayName_)), sourcePath_(std::move(other.sourcePath_)),
      trace_(std::move(other.trace_)) {}

CSignalEntry& CSignalEntry::operator=(CSignalEntry&& other) noexcept {
    if (this == &other)
        return *this;
    LeaveTree();
    fiberNumber_ = other.fiberNumber_;
    colour_ = other.colour_;
    hasColour_ = other.hasColour_;
    id_ = std::exchange(other.id_, NewWorkspaceId());
    observer_ = std::exchange(other.observer_, nullptr);
    displayName_ = std::move(other.displayName_);
    sourcePath_ = std::move(other.sourcePath_);
    trace_ = std::move(other.trace_);
    return *this;
}

CSignalEntry::~CSignalEntry() {
    LeaveTree();
}

void CSignalEntry::LeaveTree() {
    if (observer_)
        std::exchange(observer_, nullptr)->EntryRemoved(id_);
}

void CSignalEntry::OpenTrace(const std::string& path) {
    const CLoadMessageScope naming(path);
    trace_.Reset();
    sourcePath_ = path;
    trace_ = CSignalRef(OpenSignal(path));
    NameFromPath(path);
    RefreshTreeItem();
}

void CSignalEntry::ReloadTrace(const std::string& path) {
    if (!trace_) {
        OpenTrace(path);
        return;
    }
    sourcePath_ = path;
    const CLoadMessageScope naming(path);
    trace_.Get()->Open(path);
    NameFromPath(path);
    RefreshTreeItem();
}

bool CSignalEntry::ConvertTrace(SignalKind kind) {
    if (!trace_ || trace_.Get()->GetKind() == kind)
        return true;
    CSignalRef converted(ConvertSignal(*trace_.Get(), kind));
    if (!converted)
        return false;
    trace_ = std::move(converted);
    return true;
}

void CSignalEntry::SetFiberNumber(int fiber) {
    fiberNumber_ = fiber;
    if (fiber >= 0)
        displayName_ = FormatText(kFiberName, fiber + 1);
}

void CSignalEntry::SetDisplayName(const std::string& name) {
    displayName_ = name;
    RefreshTreeItem();
}

void CSignalEntry::NameFromPath(const std::string& path) {
    if (fiberNumber_ >= 0) {
        displayName_ = FormatText(kFiberName, fiberNumber_ + 1);
        return;
    }
    // Only '/' separates folders here; '\\' still does for paths written on Windows. A ':'
    // is an ordinary character of a Linux file name (time stamps).
    const std::size_t slash = path.find_last_of("/\\");
    const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    displayName_ = FirstCharacters(last, kMaxNameLength);
}

void CSignalEntry::SetStored(const std::string& name, const std::string& path) {
    displayName_ = name;
    sourcePath_ = path;
}

void CSignalEntry::AddToTree(CWorkspaceObserver* observer, WorkspaceId project,
                             std::optional<std::uint32_t> colour) {
    if (!observer_) {
        colour_ = colour ? *colour : TakeTraceColour();
        hasColour_ = true;
        observer_ = observer;
        if (observer_)
            observer_->EntryInserted(project, id_, GetTraceKind(), colour_, displayName_);
    }
    SendSelectionChanged();
}

void CSignalEntry::RefreshTreeItem() {
    if (observer_)
        observer_->EntryChanged(id_, GetTraceKind(), colour_, displayName_);
    SendSelectionChanged();
}

void CSignalEntry::SelectInTree() {
    if (observer_)
        observer_->EntrySelected(id_);
}

SignalKind CSignalEntry::GetTraceKind() const {
    return trace_ ? trace_.Get()->GetKind() : SignalKind::None;
}

std::string CSignalEntry::GetTracePath() const {
    if (trace_ && !trace_.Get()->GetFileName().empty())
        return trace_.Get()->GetFileName();
    return sourcePath_;
}
