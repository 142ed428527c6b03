#pragma once
// The exception classes the run-time library and the toolkit raise. Every
// message is UTF-8; a class with a fixed text supplies it when constructed
// without arguments, so a raise site can write `throw ERangeError();`.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

class Exception : public std::exception {
public:
    explicit Exception(std::string_view Message);
    const char* what() const noexcept override;
    const std::string& Message() const noexcept;

private:
    // Shared so that copying an exception never throws.
    std::shared_ptr<const std::string> FMessage;
};

// Silent failure: the application's handler drops it without a message.
class EAbort : public Exception {
public:
    EAbort();
    explicit EAbort(std::string_view Message) : Exception(Message) {}
};

// Real arithmetic.
class EMathError : public Exception {
public:
    explicit EMathError(std::string_view Message) : Exception(Message) {}
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp();
    explicit EInvalidOp(std::string_view Message) : EMathError(Message) {}
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide();
    explicit EZeroDivide(std::string_view Message) : EMathError(Message) {}
};

class EOverflow : public EMathError {
public:
    EOverflow();
    explicit EOverflow(std::string_view Message) : EMathError(Message) {}
};

// Checked integer arithmetic.
class EIntError : public Exception {
public:
    explicit EIntError(std::string_view Message) : Exception(Message) {}
};

class ERangeError : public EIntError {
public:
    ERangeError();
    explicit ERangeError(std::string_view Message) : EIntError(Message) {}
};

class EIntOverflow : public EIntError {
public:
    EIntOverflow();
    explicit EIntOverflow(std::string_view Message) : EIntError(Message) {}
};

// The toolkit's failures; the raise site gives the message.
class EPrinter : public Exception {
public:
    explicit EPrinter(std::string_view Message) : Exception(Message) {}
};

class EInvalidGraphic : public Exception {
public:
    explicit EInvalidGraphic(std::string_view Message) : Exception(Message) {}
};

class EOutOfResources : public Exception {
public:
    explicit EOutOfResources(std::string_view Message) : Exception(Message) {}
};

// A failed Win32 call. SystemText is Windows' text for Code, captured by the
// raise site before anything can overwrite the last error. The message is
// "Win32 エラー。コード : <Code as signed decimal>.\n<SystemText>".
class EWin32Error : public Exception {
public:
    EWin32Error(std::uint32_t Code, std::string_view SystemText);
    std::uint32_t ErrorCode() const noexcept { return FErrorCode; }

private:
    std::uint32_t FErrorCode;
};
