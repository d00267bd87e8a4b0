#include "WideText.h"

#include <oleauto.h>

#include <limits>

std::string WideToAnsi(const wchar_t* text, std::size_t length) {
  if (!text || length == 0 || length > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::string();
  }
  const int wideLength = static_cast<int>(length);
  const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wideLength, &result[0], size, nullptr, nullptr);
  return result;
}

std::string WideToAnsi(const std::wstring& text) { return WideToAnsi(text.data(), text.size()); }

std::string BstrToAnsi(BSTR text) { return text ? WideToAnsi(text, SysStringLen(text)) : std::string(); }

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::wstring();
  }
  const int ansiLength = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), ansiLength, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), ansiLength, &result[0], size);
  return result;
}
