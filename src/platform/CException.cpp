#include "platform/CException.h"

#include <cstring>

namespace {
std::string SystemText(int code) {
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
}
} // namespace

CNetException::CNetException(int code) : CException(SystemText(code)), code_(code) {}

CNetException::CNetException(int code, std::string message)
    : CException(std::move(message)), code_(code) {}

CFileException::CFileException(int error, std::string path)
    : CException(SystemText(error) + (path.empty() ? "" : ": " + path)), error_(error),
      path_(std::move(path)) {}

CFileException::CFileException(int error, std::string path, const std::string& text)
    : CException(text + (path.empty() ? "" : ": " + path)), error_(error), path_(std::move(path)) {}
