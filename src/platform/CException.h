#pragma once
// Exception family of the models. Every failure the user may see carries its own text;
// the operation that started the work catches CException and shows GetErrorMessage().

#include <string>

class CException {
public:
    explicit CException(std::string message = {}) : message_(std::move(message)) {}
    virtual ~CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;

    // UTF-8 text for the user.
    virtual std::string GetErrorMessage() const { return message_; }

protected:
    std::string message_;
};

// Trace-file format and stream errors (Bellcore and M600).
class COtdrException : public CException {
public:
    using CException::CException;
};

// Other failed operations and bad data.
class CAbortException : public CException {
public:
    using CException::CException;
};

// Errors of the INI writer.
class CIniException : public CException {
public:
    using CException::CException;
};

// A network-share error: the system error code and the system's text for it.
class CNetException : public CException {
public:
    explicit CNetException(int code);
    CNetException(int code, std::string message);
    int GetCode() const { return code_; }

private:
    int code_;
};

// A disk error on a path, message from strerror.
class CFileException : public CException {
public:
    CFileException(int error, std::string path);
    // A failure the system has no text for ("Not a regular file"); error stays a code for it.
    CFileException(int error, std::string path, const std::string& text);
    int GetError() const { return error_; }
    const std::string& GetPath() const { return path_; }

private:
    int error_;
    std::string path_;
};
