#pragma once
// Base of every Bellcore block record. Serialize both reads and writes, depending on the
// stream's mode, and returns the stream's byte counter; GetSize is what Serialize will write.

#include "formats/bellcore/CBellcoreStream.h"

#include <cstdint>
#include <string>

inline constexpr const char* kMsgBlockError = QT_TRANSLATE_NOOP("core", "Ошибка в блоке OTDR");

enum BlockKind : int {
    kBlockMap = 0,
    kBlockGenParams = 1,
    kBlockSupParams = 2,
    kBlockFxdParams = 3,
    kBlockKeyEvents = 4,
    kBlockLnkParams = 5,
    kBlockDataPts = 6,
    kBlockCksum = 7,
    kBlockProprietary = 255,
};

// Case-insensitive; 255 for a name that is not a known block.
int BlockKindFromName(const std::string& name);
// Empty for kinds above 7.
std::string BlockNameFromKind(int kind);
// The revision written for a known kind.
std::uint16_t BlockRevisionFromKind(int kind);

class CBellcoreBlock {
public:
    // Raises "Ошибка в блоке OTDR" for a kind above 7 without a name.
    explicit CBellcoreBlock(int kind, const std::string& name = {});
    virtual ~CBellcoreBlock() = default;

    virtual int Serialize(CBellcoreStream& stream) { return stream.GetCounter(); }
    virtual std::uint32_t GetSize() const { return 0; }
    virtual int GetKind() const { return kind_; }
    virtual std::uint16_t GetRevision() const { return revision_; }
    virtual std::string GetName() const { return name_; }
    virtual void SetRevision(std::uint16_t revision) { revision_ = revision; }
    virtual void SetName(const std::string& name) { name_ = name; }
    virtual void SetStoredSize(std::uint32_t size) { storedSize_ = size; }
    virtual std::uint32_t GetStoredSize() const { return storedSize_; }
    virtual bool IsPresent() const { return present_; }
    virtual bool HasData() const { return true; }
    virtual void SetPresent(bool present) { present_ = present; }
    virtual void Reset() {}
    // Revision, name and present flag from a block of the same kind with a name.
    virtual void CopyHeader(const CBellcoreBlock& other);

protected:
    CBellcoreBlock(const CBellcoreBlock&) = default;
    CBellcoreBlock& operator=(const CBellcoreBlock&) = default;

    // SR-4731 blocks open with their own name, compared exactly.
    void SerializeName(CBellcoreStream& stream) const;
    std::uint32_t NameSize() const { return static_cast<std::uint32_t>(name_.size() + 1); }

private:
    int kind_;
    std::uint16_t revision_;
    std::uint32_t storedSize_ = 0;
    bool present_ = true;
    std::string name_;
};

// A block the program does not interpret, kept byte for byte from load to save.
class CProprietaryBlock : public CBellcoreBlock {
public:
    CProprietaryBlock(const std::string& name, std::uint16_t revision);

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;
    void SetStoredSize(std::uint32_t size) override;
    void Assign(const CProprietaryBlock& other);

    const std::vector<std::uint8_t>& GetData() const { return data_; }
    void SetData(std::vector<std::uint8_t> data) { data_ = std::move(data); }

protected:
    // Bytes of the raw buffer for a stored block size.
    virtual std::uint32_t DataSizeFor(std::uint32_t storedSize) const { return storedSize; }
    void SerializeData(CBellcoreStream& stream);

    std::vector<std::uint8_t> data_;
    // Wanted buffer length; the buffer is sized when the bytes are actually there.
    std::uint32_t dataSize_ = 0;
};

// The SR-4731 form: the block starts with its own name.
class CProprietaryBlockSR : public CProprietaryBlock {
public:
    using CProprietaryBlock::CProprietaryBlock;

    int Serialize(CBellcoreStream& stream) override;
    std::uint32_t GetSize() const override;

protected:
    std::uint32_t DataSizeFor(std::uint32_t storedSize) const override;
};
