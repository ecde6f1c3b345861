#pragma once
// Helpers for block tests: fixtures laid out byte by byte, and one block read or written
// through an in-memory stream.

#include "formats/bellcore/CBellcoreStream.h"
#include "platform/CException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Little-endian fixture bytes.
struct CBytes {
    std::vector<std::uint8_t> data;
    CBytes& U16(unsigned v) {
        data.push_back(static_cast<std::uint8_t>(v));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    CBytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    // Characters without a NUL (codes).
    CBytes& Chars(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    CBytes& Str(const std::string& s) {
        Chars(s);
        data.push_back(0);
        return *this;
    }
};

// The block's bytes; what it writes must be what GetSize announced.
template <class Block> std::vector<std::uint8_t> WriteBlock(Block& block) {
    CBellcoreStream stream;
    stream.OpenForWriteMemory();
    const auto size = block.GetSize();
    EXPECT_EQ(block.Serialize(stream), static_cast<int>(size));
    stream.Close();
    return stream.GetWrittenBytes();
}

// The error text, or "" when the block read every byte without one. A failure closes the
// stream.
template <class Block> std::string ReadBlock(Block& block, std::vector<std::uint8_t> bytes) {
    const auto size = static_cast<int>(bytes.size());
    CBellcoreStream stream;
    stream.OpenForRead(std::move(bytes));
    try {
        EXPECT_EQ(block.Serialize(stream), size);
    } catch (const COtdrException& e) {
        EXPECT_EQ(stream.GetMode(), CBellcoreStream::kClosed);
        return e.GetErrorMessage();
    }
    return {};
}

// Every proper prefix of the bytes fails to read as an unreadable file.
template <class Block> void ExpectEveryPrefixUnreadable(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        Block block;
        EXPECT_EQ(ReadBlock(block, {bytes.begin(), bytes.begin() + length}), kMsgCannotRead)
            << "cut at " << length;
    }
}
