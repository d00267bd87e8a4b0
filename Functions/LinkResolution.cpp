// Plain text rules, no address parser: no percent-decoding, no "." or ".."
// folding, and only schemes starting with "HTTP" count as absolute.
#include "LinkResolution.h"

#include "CodePage.h"
#include "Functions.h"
#include "PatternMatchers.h"

std::string GetPageFolder(std::string pageAddress) {
  const std::string address = ReplaceAll("\"", std::move(pageAddress), "");
  const std::size_t slash = address.rfind('/');
  if (slash == std::string::npos) return std::string();
  return address.substr(0, slash + 1);
}

namespace {

bool IsAbsolute(std::string_view reference) {
  // Upper-casing makes an "H" only of "h" or "H": anything else needs no look.
  if (reference.size() < 4 || (reference[0] != 'h' && reference[0] != 'H')) return false;
  return codepage::UpperCase(std::string(reference.substr(0, 4))) == "HTTP";
}

bool HasRejectedCharacter(std::string_view text) {
  for (char rejected : {'@', '(', ')'}) {
    if (text.find(rejected) != std::string_view::npos) return true;
  }
  return false;
}

// Which of the characters that resolution removes or rejects a reference holds.
struct ReferenceTraits {
  bool quoted = false;
  bool hasRemoved = false;
  bool hasRejected = false;
};

ReferenceTraits InspectReference(std::string_view reference) {
  ReferenceTraits traits;
  // A long reference (an inline image) is searched with memchr, once per character.
  constexpr std::size_t kLongReference = 256;
  if (reference.size() > kLongReference) {
    auto has = [&reference](char c) { return reference.find(c) != std::string_view::npos; };
    traits.quoted = has('"');
    traits.hasRemoved = traits.quoted || has('<') || has('>') || has('\'');
    traits.hasRejected = has('@') || has('(') || has(')');
    return traits;
  }
  for (char c : reference) {
    switch (c) {
      case '"':
        traits.quoted = true;
        traits.hasRemoved = true;
        break;
      case '<':
      case '>':
      case '\'':
        traits.hasRemoved = true;
        break;
      case '@':
      case '(':
      case ')':
        traits.hasRejected = true;
        break;
      default:
        break;
    }
  }
  return traits;
}

}  // namespace

std::string MakeAbsoluteLink(std::string reference, std::string pageAddress) {
  if (IsAbsolute(reference)) return reference;
  return GetPageFolder(std::move(pageAddress)) + reference;
}

PageLinkBase::PageLinkBase(const std::string& pageAddress) : folder(GetPageFolder(pageAddress)) {
  std::size_t start = 0;
  std::size_t length = 0;
  hasHost = FindHostPrefix(pageAddress, start, length);
  if (hasHost) host = pageAddress.substr(start, length);
  hostHasRejected = HasRejectedCharacter(host);
}

bool AppendImageLink(const PageLinkBase& base, std::string_view rawReference, std::string& out) {
  // A bare in-page anchor; a quoted one is not caught here.
  if (!rawReference.empty() && rawReference[0] == '#') return false;

  // One look at the reference instead of a search per character.
  const ReferenceTraits traits = InspectReference(rawReference);
  std::string cleaned;
  std::string_view reference = rawReference;
  if (traits.hasRemoved) {
    cleaned = ReplaceAll("<", std::string(rawReference), "");
    cleaned = ReplaceAll(">", std::move(cleaned), "");
    cleaned = ReplaceAll("'", std::move(cleaned), "");
    cleaned = ReplaceAll("\"", std::move(cleaned), "");
    reference = cleaned;
  }

  // A root-relative reference goes behind the page's host; without an http://
  // host it falls back to the page folder.
  const bool rootRelative = !reference.empty() && reference[0] == '/';
  if (rootRelative) reference.remove_prefix(1);
  const bool behindHost = rootRelative && base.hasHost;

  // Plain byte searches on purpose, host prefix included. Removing quotes and
  // angle brackets adds no such character, so the first look still holds.
  if (traits.hasRejected || (behindHost && base.hostHasRejected)) return false;

  if (traits.quoted) out += '"';
  if (behindHost) {
    out.append(base.host).append(reference);  // starts with "http://": absolute
  } else if (IsAbsolute(reference)) {
    out.append(reference);
  } else {
    out.append(base.folder).append(reference);
  }
  if (traits.quoted) out += '"';
  return true;
}

std::string ResolveImageLink(std::string pageAddress, std::string rawReference) {
  std::string address;
  AppendImageLink(PageLinkBase(pageAddress), rawReference, address);
  return address;
}
