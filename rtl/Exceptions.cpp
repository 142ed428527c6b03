#include "rtl/Exceptions.h"

Exception::Exception(std::string_view Message)
    : FMessage(std::make_shared<const std::string>(Message))
{
}

const char* Exception::what() const noexcept { return FMessage->c_str(); }

const std::string& Exception::Message() const noexcept { return *FMessage; }

EAbort::EAbort() : Exception("操作は中止されました") {}

EInvalidOp::EInvalidOp() : EMathError("浮動小数点数の無効な演算") {}
EZeroDivide::EZeroDivide() : EMathError("浮動小数点数のゼロ除算") {}
EOverflow::EOverflow() : EMathError("浮動小数点数のオーバーフロー") {}

ERangeError::ERangeError() : EIntError("範囲チェックエラー") {}
EIntOverflow::EIntOverflow() : EIntError("整数のオーバーフロー") {}

namespace {

std::string Win32ErrorMessage(std::uint32_t Code, std::string_view SystemText)
{
    // The code is shown the way "%d" shows it: as a signed number.
    std::string Text = "Win32 エラー。コード : ";
    Text += std::to_string(static_cast<std::int32_t>(Code));
    Text += ".\n";
    Text += SystemText;
    return Text;
}

} // namespace

EWin32Error::EWin32Error(std::uint32_t Code, std::string_view SystemText)
    : Exception(Win32ErrorMessage(Code, SystemText)), FErrorCode(Code)
{
}
