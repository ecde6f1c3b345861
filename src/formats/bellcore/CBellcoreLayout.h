#pragma once
// The six known blocks of one layout, held by value in kind order, with what both file
// classes do with them alike.

#include "formats/bellcore/CBellcoreFile.h"
#include "platform/CException.h"

template <class GenParams, class SupParams, class FxdParams, class KeyEvents, class LnkParams,
          class DataPts>
class CBellcoreLayout : public CBellcoreFile {
public:
    CBellcoreBlock& GetBlock(int kind) override {
        switch (kind) {
        case kBlockGenParams:
            return genParams_;
        case kBlockSupParams:
            return supParams_;
        case kBlockFxdParams:
            return fxdParams_;
        case kBlockKeyEvents:
            return keyEvents_;
        case kBlockLnkParams:
            return lnkParams_;
        case kBlockDataPts:
            return dataPts_;
        default:
            throw COtdrException(kMsgNoSuchBlock);
        }
    }
    using CBellcoreFile::GetBlock;

    // Every block and the proprietary list of another file of this layout.
    void Assign(const CBellcoreLayout& other) {
        if (&other == this)
            return;
        genParams_.Assign(other.genParams_);
        supParams_.Assign(other.supParams_);
        fxdParams_.Assign(other.fxdParams_);
        keyEvents_.Assign(other.keyEvents_);
        lnkParams_.Assign(other.lnkParams_);
        dataPts_.Assign(other.dataPts_);
        CopyProprietaryBlocks(other.GetProprietaryBlocks());
    }

    GenParams& GetGenParams() { return genParams_; }
    const GenParams& GetGenParams() const { return genParams_; }
    SupParams& GetSupParams() { return supParams_; }
    const SupParams& GetSupParams() const { return supParams_; }
    FxdParams& GetFxdParams() { return fxdParams_; }
    const FxdParams& GetFxdParams() const { return fxdParams_; }
    KeyEvents& GetKeyEvents() { return keyEvents_; }
    const KeyEvents& GetKeyEvents() const { return keyEvents_; }
    LnkParams& GetLnkParams() { return lnkParams_; }
    const LnkParams& GetLnkParams() const { return lnkParams_; }
    DataPts& GetDataPts() { return dataPts_; }
    const DataPts& GetDataPts() const { return dataPts_; }

protected:
    using CBellcoreFile::CBellcoreFile;

    GenParams genParams_;
    SupParams supParams_;
    FxdParams fxdParams_;
    KeyEvents keyEvents_;
    LnkParams lnkParams_;
    DataPts dataPts_;
};
