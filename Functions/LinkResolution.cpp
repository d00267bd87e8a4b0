// A reference resolved as a browser resolves it: the URL Standard's parser
// against the document's base, and only what a browser fetches an image by.
#include "LinkResolution.h"

#include "CodePage.h"
#include "Functions.h"

namespace {

bool IsSchemeCharacter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
         c == '.';
}

// The scheme `text` names, lower-cased, as the parser reads it (leading
// controls and spaces, tabs and line breaks aside); empty when it names none.
std::string SchemeOf(std::u32string_view text) {
  std::string scheme;
  std::size_t at = 0;
  while (at < text.size() && text[at] <= 0x20) ++at;
  for (; at < text.size(); ++at) {
    const char32_t c = text[at];
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (c == ':') return scheme;
    if (!IsSchemeCharacter(c) || (scheme.empty() && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z'))) break;
    scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
  }
  return std::string();
}

// Names nothing: empty, or an anchor in the page itself.
bool NamesThePageItself(std::u32string_view value) {
  std::size_t at = 0;
  while (at < value.size() && value[at] <= 0x20) ++at;
  return at == value.size() || value[at] == '#';
}

}  // namespace

PageLinkBase::PageLinkBase(const std::string& pageAddress)
    : page_(ParseUrl(codepage::Decode(pageAddress), nullptr)), base_(page_) {}

void PageLinkBase::SetBaseHref(std::u32string_view href) {
  std::optional<ParsedUrl> base = ParseUrl(href, page_ ? &*page_ : nullptr);
  if (base) {
    base_ = std::move(base);
    return;
  }
  // A base of another scheme that a browser keeps (ftp:, say) leaves nothing
  // relative to fetch: as no base at all. A failed one, data: and
  // javascript: leave the page address.
  const std::string scheme = SchemeOf(href);
  if (!scheme.empty() && scheme != "http" && scheme != "https" && scheme != "file" && scheme != "data" &&
      scheme != "javascript") {
    base_.reset();
  }
}

bool PageLinkBase::AppendImageLink(std::u32string_view value, std::string& out) const {
  if (NamesThePageItself(value)) return false;
  const std::optional<ParsedUrl> address = ParseUrl(value, base_ ? &*base_ : nullptr);
  // A page opened from a file keeps its file: images; no other page has them.
  if (!address || (address->scheme == "file" && !(page_ && page_->scheme == "file"))) return false;
  out += SerializeUrl(*address);
  return true;
}

std::string ResolveImageLink(std::string pageAddress, std::string value) {
  std::string address;
  PageLinkBase(pageAddress).AppendImageLink(codepage::Decode(value), address);
  return address;
}

std::string RequestedAddress(std::string line) {
  const std::optional<ParsedUrl> address = ParseUrl(codepage::Decode(line), nullptr);
  return address ? SerializeUrl(*address) : line;
}
