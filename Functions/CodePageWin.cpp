// The ANSI code page as the running Windows system has it.
#include "CodePage.h"

#include <windows.h>

#include <limits>

namespace codepage {

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string UpperCase(std::string text) {
  // CharUpperBuffA takes a DWORD count; texts past that size are not pages.
  if (!text.empty() && text.size() <= std::numeric_limits<DWORD>::max()) {
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  }
  return text;
}

}  // namespace codepage
