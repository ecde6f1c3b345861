#include "formats/bellcore/CBellcoreBlock.h"

#include "platform/CException.h"

#include <array>
#include <strings.h>

namespace {
constexpr std::array<const char*, 8> kBlockNames = {
    "Map", "GenParams", "SupParams", "FxdParams", "KeyEvents", "LnkParams", "DataPts", "Cksum"};
constexpr std::array<std::uint16_t, 8> kBlockRevisions = {100, 110, 100, 110, 110, 110, 100, 100};
} // namespace

int BlockKindFromName(const std::string& name) {
    for (std::size_t kind = 0; kind < kBlockNames.size(); ++kind)
        if (::strcasecmp(name.c_str(), kBlockNames[kind]) == 0)
            return static_cast<int>(kind);
    return kBlockProprietary;
}

std::string BlockNameFromKind(int kind) {
    if (kind < 0 || kind >= static_cast<int>(kBlockNames.size()))
        return {};
    return kBlockNames[static_cast<std::size_t>(kind)];
}

std::uint16_t BlockRevisionFromKind(int kind) {
    if (kind < 0 || kind >= static_cast<int>(kBlockRevisions.size()))
        return 0;
    return kBlockRevisions[static_cast<std::size_t>(kind)];
}

CBellcoreBlock::CBellcoreBlock(int kind, const std::string& name)
    : kind_(kind), revision_(BlockRevisionFromKind(kind)), name_(name) {
    if (name_.empty()) {
        if (kind > 7 || kind < 0)
            throw COtdrException(kMsgBlockError);
        name_ = BlockNameFromKind(kind);
    }
}

void CBellcoreBlock::CopyHeader(const CBellcoreBlock& other) {
    if (other.GetKind() != GetKind() || other.GetName().empty())
        throw COtdrException(kMsgBlockError);
    revision_ = other.GetRevision();
    name_ = other.GetName();
    present_ = other.IsPresent();
}

void CBellcoreBlock::SerializeName(CBellcoreStream& stream) const {
    if (stream.GetMode() == CBellcoreStream::kWriting) {
        stream.WriteString(name_);
    } else if (stream.GetMode() == CBellcoreStream::kReading) {
        std::string read;
        stream.ReadString(read);
        if (read != name_)
            stream.Fail(kMsgBlockError);
    }
}

CProprietaryBlock::CProprietaryBlock(const std::string& name, std::uint16_t revision)
    : CBellcoreBlock(kBlockProprietary, name) {
    SetRevision(revision);
}

void CProprietaryBlock::SetStoredSize(std::uint32_t size) {
    CBellcoreBlock::SetStoredSize(size);
    dataSize_ = DataSizeFor(size);
}

void CProprietaryBlock::SerializeData(CBellcoreStream& stream) {
    if (stream.GetMode() == CBellcoreStream::kWriting) {
        stream.WriteBytes(data_.data(), data_.size());
    } else if (stream.GetMode() == CBellcoreStream::kReading) {
        // A size from the map is trusted only as far as the file has bytes for it.
        if (stream.GetRemaining() < dataSize_)
            stream.Fail(kMsgCannotRead);
        data_.resize(dataSize_);
        stream.ReadBytes(data_.data(), data_.size());
    }
}

int CProprietaryBlock::Serialize(CBellcoreStream& stream) {
    SerializeData(stream);
    return stream.GetCounter();
}

std::uint32_t CProprietaryBlock::GetSize() const {
    return static_cast<std::uint32_t>(data_.size());
}

void CProprietaryBlock::Assign(const CProprietaryBlock& other) {
    CopyHeader(other);
    data_ = other.data_;
    dataSize_ = other.dataSize_;
    CBellcoreBlock::SetStoredSize(other.GetStoredSize());
}

int CProprietaryBlockSR::Serialize(CBellcoreStream& stream) {
    SerializeName(stream);
    SerializeData(stream);
    return stream.GetCounter();
}

std::uint32_t CProprietaryBlockSR::GetSize() const {
    return NameSize() + static_cast<std::uint32_t>(data_.size());
}

std::uint32_t CProprietaryBlockSR::DataSizeFor(std::uint32_t storedSize) const {
    // A stored size too small for the name leaves no data; the size check then refuses it.
    return storedSize > NameSize() ? storedSize - NameSize() : 0;
}
