#include "formats/bellcore/CBellcoreFile.h"

#include "platform/CException.h"
#include "platform/TextFill.h"
#include "platform/Translation.h"

#include <algorithm>
#include <climits>

namespace {

constexpr const char* kMapName = "Map";
constexpr const char* kChecksumName = "Cksum";
// The map's entry count is 16 bits wide and includes the map and the checksum.
constexpr std::size_t kMaxMapCount = 0xFFFF;
// Recognition and the map's bound read this much of the head first.
constexpr std::size_t kHeadBytes = 64 * 1024;

// A map entry: name, revision, size.
struct MapEntry {
    std::string name;
    std::uint16_t revision = 0;
    std::uint32_t size = 0;
};

MapEntry ReadEntry(CBellcoreStream& stream) {
    MapEntry entry;
    stream.ReadString(entry.name);
    stream.ReadU16(entry.revision);
    stream.ReadU32(entry.size);
    return entry;
}

bool IsBellcoreMap(CBellcoreStream& stream, bool srLayout) {
    stream.ResetCounter();
    if (srLayout) {
        std::string tag;
        stream.ReadString(tag);
        if (tag != kMapName)
            return false;
    }
    std::uint16_t revision = 0, count = 0;
    std::uint32_t mapSize = 0;
    stream.ReadU16(revision);
    stream.ReadU32(mapSize);
    stream.ReadU16(count);
    if (static_cast<std::int16_t>(revision) < 100 || static_cast<std::int16_t>(count) <= 0)
        return false;
    for (int i = 0; i < count - 1; ++i) {
        const MapEntry entry = ReadEntry(stream);
        if (entry.name.empty() || entry.revision < 100)
            return false;
    }
    const bool sized = static_cast<std::uint32_t>(stream.GetCounter()) == mapSize;
    stream.Close();
    return sized;
}

// Recognition reads the head of the file, where the map is; only a map that runs past the
// head, or a file that ends inside it, needs the whole file to give the same answer.
bool IsBellcoreMap(const std::string& path, bool srLayout) {
    {
        CBellcoreStream head;
        head.OpenForRead(path, kHeadBytes, CBellcoreFile::kMaxFileBytes);
        const bool partial = head.IsPartial();
        try {
            return IsBellcoreMap(head, srLayout);
        } catch (const COtdrException&) {
            if (!partial)
                throw;
        }
    }
    CBellcoreStream whole;
    whole.OpenForRead(path, SIZE_MAX, CBellcoreFile::kMaxFileBytes);
    return IsBellcoreMap(whole, srLayout);
}

// The bytes the map accounts for: its own and every listed block's, the checksum's included.
// Throws the stream's error where the bytes end inside the map.
std::uint64_t MapTotal(CBellcoreStream& stream, bool srLayout) {
    if (srLayout) {
        std::string tag;
        stream.ReadString(tag);
    }
    std::uint16_t revision = 0, count = 0;
    std::uint32_t mapSize = 0;
    stream.ReadU16(revision);
    stream.ReadU32(mapSize);
    stream.ReadU16(count);
    std::uint64_t total = mapSize;
    for (int i = 0; i < count - 1; ++i)
        total += ReadEntry(stream).size;
    return total;
}

// How much of the file a load reads: what the map accounts for, as nothing beyond is read.
// A file longer than kMaxFileBytes is refused here, before anything is allocated for it.
std::size_t LoadBytes(const std::string& path, bool srLayout) {
    CBellcoreStream head;
    head.OpenForRead(path, kHeadBytes, CBellcoreFile::kMaxFileBytes);
    const bool partial = head.IsPartial();
    try {
        return static_cast<std::size_t>(
            std::min<std::uint64_t>(MapTotal(head, srLayout), CBellcoreFile::kMaxFileBytes));
    } catch (const COtdrException&) {
        // A map longer than the head needs the whole file; a file that ends inside its map
        // fails the load over these same bytes.
        return partial ? CBellcoreFile::kMaxFileBytes : kHeadBytes;
    }
}

} // namespace

bool IsGR196File(const std::string& path) {
    return IsBellcoreMap(path, false);
}

bool IsSR4731File(const std::string& path) {
    return IsBellcoreMap(path, true);
}

void CBellcoreFile::Load(const std::string& path) {
    CBellcoreStream stream;
    stream.OpenForRead(path, LoadBytes(path, srLayout_), kMaxFileBytes);
    LoadFrom(stream);
}

void CBellcoreFile::Load(std::vector<std::uint8_t> bytes) {
    CBellcoreStream stream;
    stream.OpenForRead(std::move(bytes));
    LoadFrom(stream);
}

void CBellcoreFile::Save(const std::string& path) {
    CBellcoreStream stream;
    stream.OpenForWrite(path);
    SaveTo(stream);
}

std::vector<std::uint8_t> CBellcoreFile::SaveToBytes() {
    CBellcoreStream stream;
    stream.OpenForWriteMemory();
    SaveTo(stream);
    return stream.GetWrittenBytes();
}

void CBellcoreFile::Clear() {
    for (int kind = kBlockGenParams; kind <= kBlockDataPts; ++kind)
        GetBlock(kind).Reset();
    proprietaryBlocks_.clear();
}

std::string CBellcoreFile::GetLoadWarning() const {
    std::string warning;
    // A lone checksum message stays the marked text, which the callers look up; a list is put
    // together here from texts looked up one by one, as a whole it has no translation.
    if (checksumMismatch_)
        warning = QT_TRANSLATE_NOOP("core", "Контрольная сумма файла не совпадает");
    if (paddedBlocks_.empty())
        return warning;
    if (!warning.empty())
        warning = Translate(warning.c_str());
    for (const std::string& name : paddedBlocks_)
        warning +=
            (warning.empty() ? "" : "; ") +
            FillText(Translate(QT_TRANSLATE_NOOP("core", "Блок %1 короче записи в заголовке")),
                     {name});
    return warning;
}

void CBellcoreFile::CopyProprietaryBlocks(const ProprietaryList& source) {
    proprietaryBlocks_.clear();
    for (const auto& block : source) {
        auto copy = NewProprietaryBlock(block->GetName(), block->GetRevision());
        copy->SetPresent(block->IsPresent());
        copy->SetData(block->GetData());
        proprietaryBlocks_.push_back(std::move(copy));
    }
}

CBellcoreBlock* CBellcoreFile::BlockForEntry(CBellcoreStream& stream, const std::string& name,
                                             std::uint16_t revision) {
    const int kind = BlockKindFromName(name);
    if (kind >= kBlockGenParams && kind <= kBlockDataPts) {
        CBellcoreBlock& block = GetBlock(kind);
        block.SetPresent(true);
        return &block;
    }
    if (kind == kBlockProprietary) {
        proprietaryBlocks_.push_back(NewProprietaryBlock(name, revision));
        return proprietaryBlocks_.back().get();
    }
    stream.Fail(kMsgNoSuchBlock);
}

void CBellcoreFile::LoadFrom(CBellcoreStream& stream) {
    Clear();
    checksumMismatch_ = false;
    paddedBlocks_.clear();
    // The byte counter is an int; no real trace comes near that size.
    if (stream.GetRemaining() > INT_MAX)
        stream.Fail(kMsgCannotLoadData);
    stream.ResetCounter();
    if (srLayout_) {
        std::string tag;
        stream.ReadString(tag);
        if (tag != kMapName)
            stream.Fail(kMsgNotSR4731);
    }
    std::uint16_t mapRevision = 0, count = 0;
    std::uint32_t mapSize = 0;
    stream.ReadU16(mapRevision);
    stream.ReadU32(mapSize);
    stream.ReadU16(count);

    std::vector<CBellcoreBlock*> readList;
    for (int i = 0; i < count - 1; ++i) {
        const MapEntry entry = ReadEntry(stream);
        if (BlockKindFromName(entry.name) == kBlockCksum)
            continue;
        CBellcoreBlock* block = BlockForEntry(stream, entry.name, entry.revision);
        block->SetStoredSize(entry.size);
        readList.push_back(block);
    }
    if (!srLayout_ && static_cast<std::uint32_t>(stream.GetCounter()) != mapSize)
        stream.Fail(kMsgWrongHeader);

    for (CBellcoreBlock* block : readList) {
        const std::uint32_t stored = block->GetStoredSize();
        // Several makers list a block with size 0 and write nothing: it is absent.
        if (stored == 0)
            continue;
        stream.ResetCounter();
        const auto used = static_cast<std::uint32_t>(block->Serialize(stream));
        if (used > stored)
            stream.Fail(kMsgCannotLoadData);
        if (used < stored) {
            // Complete by its own counts, followed by bytes the entry announced: skip them.
            if (block->GetKind() == kBlockProprietary)
                stream.Fail(kMsgCannotLoadData);
            stream.Skip(stored - used);
            paddedBlocks_.push_back(block->GetName());
        }
    }
    // An empty proprietary entry cannot be written back in either layout's form.
    std::erase_if(proprietaryBlocks_,
                  [](const auto& block) { return block->GetStoredSize() == 0; });
    // A map whose blocks leave no room for the map's own entry and the checksum's could be
    // read but never saved.
    if (BlocksToWrite().size() + 2 > kMaxMapCount)
        stream.Fail(kMsgWrongHeader);

    if (srLayout_) {
        std::string tag;
        stream.ReadString(tag);
        if (tag != kChecksumName)
            stream.Fail(kMsgNoCksumName);
    }
    checksumMismatch_ = !stream.VerifyChecksum();
    stream.Close();
}

std::vector<CBellcoreBlock*> CBellcoreFile::BlocksToWrite() {
    std::vector<CBellcoreBlock*> writeList;
    for (int kind : {kBlockGenParams, kBlockSupParams, kBlockFxdParams})
        if (GetBlock(kind).IsPresent())
            writeList.push_back(&GetBlock(kind));
    for (int kind : {kBlockKeyEvents, kBlockLnkParams, kBlockDataPts})
        if (GetBlock(kind).IsPresent() && GetBlock(kind).HasData())
            writeList.push_back(&GetBlock(kind));
    for (const auto& block : proprietaryBlocks_)
        if (block->IsPresent())
            writeList.push_back(block.get());
    return writeList;
}

void CBellcoreFile::SaveTo(CBellcoreStream& stream) {
    const std::vector<CBellcoreBlock*> writeList = BlocksToWrite();
    std::uint32_t mapSize = srLayout_ ? 12 : 8;
    for (const CBellcoreBlock* block : writeList)
        mapSize += static_cast<std::uint32_t>(block->GetName().size()) + 7;
    mapSize += 12;

    if (writeList.size() + 2 > kMaxMapCount)
        stream.Fail(kMsgCannotSaveHeader);
    stream.ResetCounter();
    if (srLayout_)
        stream.WriteString(kMapName);
    stream.WriteU16(100);
    stream.WriteU32(mapSize);
    stream.WriteU16(static_cast<std::uint16_t>(writeList.size() + 2));
    for (const CBellcoreBlock* block : writeList) {
        stream.WriteString(block->GetName());
        stream.WriteU16(block->GetRevision());
        stream.WriteU32(block->GetSize());
    }
    stream.WriteString(kChecksumName);
    stream.WriteU16(100);
    stream.WriteU32(srLayout_ ? 8 : 2);
    if (static_cast<std::uint32_t>(stream.GetCounter()) != mapSize)
        stream.Fail(kMsgCannotSaveHeader);

    for (CBellcoreBlock* block : writeList) {
        stream.ResetCounter();
        if (static_cast<std::uint32_t>(block->Serialize(stream)) != block->GetSize())
            stream.Fail(kMsgCannotSaveData);
    }
    if (srLayout_)
        stream.WriteString(kChecksumName);
    stream.Checksum();
    stream.Close();
}
