#pragma once
// What the two Bellcore layouts share: the map, the block order, load, save and the
// proprietary-block list. CGR196File and CSR4731File hold the block records of their layout.

#include "formats/bellcore/CBellcoreBlock.h"

#include <memory>
#include <string>
#include <vector>

inline constexpr const char* kMsgWrongHeader = QT_TRANSLATE_NOOP(
    "core", "Не могу загрузить данные в формате Bellcore (неправильный блок заголовка)");
inline constexpr const char* kMsgCannotLoadData =
    QT_TRANSLATE_NOOP("core", "Не могу загрузить данные в формате Bellcore");
inline constexpr const char* kMsgNotSR4731 =
    QT_TRANSLATE_NOOP("core", "Формат файла не является OTDR SR-4731");
inline constexpr const char* kMsgNoSuchBlock =
    QT_TRANSLATE_NOOP("core", "Запрашиваемый блок OTDR не существует");
inline constexpr const char* kMsgNoCksumName =
    QT_TRANSLATE_NOOP("core", "Формат файла не является OTDR SR- (ошибка CRC)");
inline constexpr const char* kMsgCannotSaveHeader =
    QT_TRANSLATE_NOOP("core", "Не могу сохранить данные в формате Bellcore (блок заголовка)");
inline constexpr const char* kMsgCannotSaveData =
    QT_TRANSLATE_NOOP("core", "Не могу сохранить данные в формате Bellcore");

class CBellcoreFile {
public:
    using ProprietaryList = std::vector<std::unique_ptr<CProprietaryBlock>>;

    virtual ~CBellcoreFile() = default;
    CBellcoreFile(const CBellcoreFile&) = delete;
    CBellcoreFile& operator=(const CBellcoreFile&) = delete;

    // No trace comes near this: the synthesizer's largest, 100 M points, takes 200 MB.
    static constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

    // Replaces the contents by the file's; COtdrException on any error. A stored checksum
    // that differs, or a block shorter than its map entry, loads and is noted (see below).
    // Only the bytes the map accounts for are read; a file over kMaxFileBytes is refused.
    virtual void Load(const std::string& path);
    void Load(std::vector<std::uint8_t> bytes);
    // Writes the contents, replacing the file only when all of it was written.
    virtual void Save(const std::string& path);
    std::vector<std::uint8_t> SaveToBytes();
    // Empties the list blocks and drops every proprietary block.
    virtual void Clear();

    bool IsSRLayout() const { return srLayout_; }

    // What the last load tolerated: the stored checksum differed from the computed one;
    // blocks whose map entry was longer than their contents (the rest was skipped).
    bool HasChecksumMismatch() const { return checksumMismatch_; }
    const std::vector<std::string>& GetPaddedBlocks() const { return paddedBlocks_; }
    // The same, as text for the user; empty when the file was sound.
    std::string GetLoadWarning() const;

    const ProprietaryList& GetProprietaryBlocks() const { return proprietaryBlocks_; }
    ProprietaryList& GetProprietaryBlocks() { return proprietaryBlocks_; }

    // The file object's own block of a known kind (1 to 6).
    virtual CBellcoreBlock& GetBlock(int kind) = 0;
    const CBellcoreBlock& GetBlock(int kind) const {
        return const_cast<CBellcoreFile*>(this)->GetBlock(kind);
    }

protected:
    explicit CBellcoreFile(bool srLayout) : srLayout_(srLayout) {}

    virtual std::unique_ptr<CProprietaryBlock>
    NewProprietaryBlock(const std::string& name, std::uint16_t revision) const = 0;
    // Replaces the proprietary list by copies of another file's blocks, in this layout.
    void CopyProprietaryBlocks(const ProprietaryList& source);

private:
    void LoadFrom(CBellcoreStream& stream);
    void SaveTo(CBellcoreStream& stream);
    // The blocks a save writes, in file order.
    std::vector<CBellcoreBlock*> BlocksToWrite();
    CBellcoreBlock* BlockForEntry(CBellcoreStream& stream, const std::string& name,
                                  std::uint16_t revision);

    bool srLayout_;
    ProprietaryList proprietaryBlocks_;
    bool checksumMismatch_ = false;
    std::vector<std::string> paddedBlocks_;
};

// Layout recognition: the map must be well formed and, in the GR-196-CORE layout, end at its
// announced size. Raise the stream's errors for a file that cannot be opened or ends inside
// the map.
bool IsGR196File(const std::string& path);
bool IsSR4731File(const std::string& path);
