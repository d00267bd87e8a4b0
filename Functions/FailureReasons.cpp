#include "FailureReasons.h"

#include <algorithm>

namespace {

constexpr std::size_t kCausesNamed = 2;

std::wstring Hex(unsigned long code) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(code >> shift) & 0xF];
  return text;
}

// A cause as the end label counts it: the reason's words without what the
// caret adds, so that, say, every code of another error counts as one.
std::wstring CauseWords(const FailureReason& reason) {
  if (reason.kind == Failure::NotAnImage) return L"不是图片";
  if (reason.kind == Failure::Other) return L"其他错误";
  return ReasonWords(reason);
}

}  // namespace

std::wstring ReasonWords(const FailureReason& reason) {
  // In the order of Failure.
  static const wchar_t* const kWords[] = {
      L"服务器答复 ", L"不是图片（服务器给了网页）", L"下载不完整", L"服务器没有响应", L"连不上服务器", L"重定向过多",
      L"磁盘已满",    L"没有写入权限",               L"文件夹无效", L"文件名过长",     L"已停止",       L"其他错误（"};
  const std::wstring words = kWords[static_cast<std::size_t>(reason.kind)];
  if (reason.kind == Failure::ServerStatus) return words + std::to_wstring(reason.code);
  if (reason.kind == Failure::Other) return words + Hex(reason.code) + L"）";
  return words;
}

std::vector<std::wstring> CauseListings(const std::vector<FailureReason>& reasons) {
  // Each cause with its count, in the order first met: the tie-break.
  std::vector<std::pair<std::wstring, std::size_t>> causes;
  for (const FailureReason& reason : reasons) {
    const std::wstring words = CauseWords(reason);
    const auto known = std::find_if(causes.begin(), causes.end(), [&](const auto& c) { return c.first == words; });
    if (known == causes.end()) {
      causes.emplace_back(words, 1);
    } else {
      ++known->second;
    }
  }
  std::stable_sort(causes.begin(), causes.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  const std::size_t named = (std::min)(causes.size(), kCausesNamed);
  std::vector<std::wstring> listings;
  if (named == 0) return listings;
  std::wstring listing;
  for (std::size_t i = 0; i < named; ++i) {
    listings.push_back(listing + (i > 0 ? L"，…" : L"…"));
    listing += (i > 0 ? L"，" : L"") + causes[i].first + L" ×" + std::to_wstring(causes[i].second);
  }
  if (causes.size() > named) listing += L" 等";
  listings.push_back(listing);
  std::reverse(listings.begin(), listings.end());
  return listings;
}
