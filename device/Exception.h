#pragma once
// The program's own exception family. It deliberately does not derive from std::exception, so a
// handler for standard exceptions never swallows a printer that is present but gives no revision:
// only the printer selection catches it, by reference to vork::Exception.
#include <string>
#include <utility>

namespace vork {

class Exception {
public:
    Exception(std::wstring message, std::wstring source)
        : message_(std::move(message)), source_(std::move(source)) {}
    virtual ~Exception() = default;
    virtual std::wstring GetTypeName() const { return L"Exception"; }

    const std::wstring& Message() const { return message_; }
    const std::wstring& Source() const { return source_; }

private:
    std::wstring message_;  // what failed
    std::wstring source_;   // the operation that failed, with its class
};

// A printer counted on the USB bus that does not deliver its 10-byte revision: it is in program
// mode already, or its interface cannot be reached.
class InvalidModeException : public Exception {
public:
    InvalidModeException(std::wstring message, std::wstring source)
        : Exception(std::move(message), std::move(source)) {}
    std::wstring GetTypeName() const override { return L"InvalidModeException"; }
};

}  // namespace vork
