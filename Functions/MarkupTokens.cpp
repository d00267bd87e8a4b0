// The HTML tokenizer's states, as far as they decide where a tag begins and
// ends and what its attributes hold. Every search moves forwards only, so no
// page (one without a ">", an unclosed comment or script) costs more than a
// pass or two over its bytes.
#include "MarkupTokens.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "CodePage.h"

namespace {

constexpr int kEnd = -1;

// What a byte is to the tag states, looked up once instead of compared
// five ways: white space ends a name and an unquoted value, and so do the
// others marked here.
enum : unsigned char { kSpace = 1, kEndsName = 2, kEndsValue = 4, kEndsTagName = 8 };

struct ByteClasses {
  unsigned char of[256] = {};
  constexpr ByteClasses() {
    for (unsigned char c : {' ', '\t', '\n', '\f', '\r'}) of[c] = kSpace | kEndsName | kEndsValue | kEndsTagName;
    of[static_cast<unsigned char>('>')] = kEndsName | kEndsValue | kEndsTagName;
    of[static_cast<unsigned char>('/')] = kEndsName | kEndsTagName;
    of[static_cast<unsigned char>('=')] = kEndsName;
  }
};
constexpr ByteClasses kClasses;

bool IsSpace(int c) { return c >= 0 && (kClasses.of[c] & kSpace) != 0; }
bool IsAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

bool IsWord(std::string_view text, std::string_view lowerWord) {
  if (text.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// The tags whose text holds no tags, and how their end is found.
enum class Content { Markup, RawText, Script, PlainText };

using namespace std::string_view_literals;

Content ContentOf(std::string_view name) {
  static constexpr std::string_view kRawText[] = {"style"sv,  "textarea"sv, "title"sv,   "xmp"sv,
                                                  "iframe"sv, "noembed"sv,  "noframes"sv};
  if (name.size() < 3 || name.size() > 9) return Content::Markup;
  if (IsWord(name, "script"sv)) return Content::Script;
  if (IsWord(name, "plaintext"sv)) return Content::PlainText;
  for (std::string_view raw : kRawText) {
    if (IsWord(name, raw)) return Content::RawText;
  }
  return Content::Markup;
}

bool IsImageTag(std::string_view name) {
  static constexpr std::string_view kImageTags[] = {"img"sv, "body"sv, "td"sv, "input"sv, "table"sv};
  if (name.size() < 2 || name.size() > 5) return false;
  for (std::string_view tag : kImageTags) {
    if (IsWord(name, tag)) return true;
  }
  return false;
}

class Tokenizer {
 public:
  Tokenizer(std::string_view markup, PendingMessagesPacer& pacer) : text_(markup), pacer_(pacer) {}

  ImageAttributes Run() {
    while (at_ < text_.size()) {
      const void* open = std::memchr(text_.data() + at_, '<', text_.size() - at_);
      if (!open) break;
      at_ = static_cast<std::size_t>(static_cast<const char*>(open) - text_.data()) + 1;
      const int c = Peek(0);
      if (IsAlpha(c)) {
        // A tag that reads byte for byte as the image tag before it (a
        // spacer repeated down the page) names what that one named: its
        // values are in already.
        if (lastImageTagLength_ != 0 && text_[lastImageTag_ + 1] == static_cast<char>(c) &&
            text_.size() - at_ + 1 >= lastImageTagLength_ &&
            std::memcmp(text_.data() + at_ - 1, text_.data() + lastImageTag_, lastImageTagLength_) == 0) {
          at_ += lastImageTagLength_ - 1;
          pacer_.Step();
          continue;
        }
        const std::size_t tagStart = at_ - 1;
        const Content content = Tag();
        if (content != Content::Markup) SkipText(content);
        if (lastTagWasImage_) {
          lastImageTag_ = tagStart;
          lastImageTagLength_ = at_ - tagStart <= kLongestRemembered ? at_ - tagStart : 0;
        }
      } else if (c == '/') {
        if (IsAlpha(Peek(1))) {
          ++at_;
          Tag();
        } else if (Peek(1) == '>') {
          at_ += 2;
        } else if (Peek(1) != kEnd) {
          SkipPast('>');  // a bogus comment
        }
      } else if (c == '!') {
        if (Peek(1) == '-' && Peek(2) == '-') {
          at_ += 3;
          SkipComment();
        } else {
          SkipPast('>');  // a doctype, or a bogus comment
        }
      } else if (c == '?') {
        SkipPast('>');
      }
    }
    return std::move(found_);
  }

 private:
  int Peek(std::size_t ahead) const {
    return at_ + ahead < text_.size() ? static_cast<unsigned char>(text_[at_ + ahead]) : kEnd;
  }

  void SkipPast(char c) {
    const std::size_t found = text_.find(c, at_);
    at_ = found == std::string_view::npos ? text_.size() : found + 1;
  }

  void SkipSpaces() {
    while (at_ < text_.size() && IsSpace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }

  // After "<!--": to "-->" or "--!>", or the abrupt "<!-->" and "<!--->".
  void SkipComment() {
    if (Peek(0) == '>') {
      ++at_;
      return;
    }
    if (Peek(0) == '-' && Peek(1) == '>') {
      at_ += 2;
      return;
    }
    for (std::size_t dashes = text_.find("--"sv, at_); dashes != std::string_view::npos;
         dashes = text_.find("--"sv, dashes + 1)) {
      at_ = dashes;
      if (Peek(2) == '>') {
        at_ += 3;
        return;
      }
      if (Peek(2) == '!' && Peek(3) == '>') {
        at_ += 4;
        return;
      }
    }
    at_ = text_.size();
  }

  // Whether "</" + `name` + a space, "/" or ">" stands at `from`.
  bool EndTagAt(std::size_t from, std::string_view name) const {
    if (from + 2 + name.size() >= text_.size() || text_[from + 1] != '/') return false;
    if (!IsWord(text_.substr(from + 2, name.size()), name)) return false;
    const int after = static_cast<unsigned char>(text_[from + 2 + name.size()]);
    return IsSpace(after) || after == '/' || after == '>';
  }

  // The text of the tag just read, up to its end tag, which is then read as a
  // tag; the rest of the page when there is none.
  void SkipText(Content content) {
    if (content == Content::PlainText) {
      at_ = text_.size();
      return;
    }
    const std::string name = lastName_;
    std::size_t end = at_;
    if (content == Content::Script) {
      end = ScriptEnd();
    } else {
      for (end = text_.find('<', at_); end != std::string_view::npos && !EndTagAt(end, name);
           end = text_.find('<', end + 1)) {
      }
    }
    if (end == std::string_view::npos) {
      at_ = text_.size();
      return;
    }
    at_ = end + 2;
    Tag();
  }

  // Where "</script" ends a script's text, through the states that a
  // "<!--" and a "<script" inside it open.
  std::size_t ScriptEnd() const {
    enum { Data, Escaped, DoubleEscaped } state = Data;
    int dashes = 0;
    for (std::size_t i = at_; i < text_.size(); ++i) {
      const char c = text_[i];
      if (state == Data) {
        const std::size_t open = text_.find('<', i);
        if (open == std::string_view::npos) return open;
        i = open;
        if (EndTagAt(i, "script")) return i;
        if (text_.compare(i, 4, "<!--"sv) == 0) {
          state = Escaped;
          dashes = 2;
          i += 3;
        }
        continue;
      }
      if (c == '-') {
        ++dashes;
        continue;
      }
      if (c == '>' && dashes >= 2) {
        state = Data;
      } else if (c == '<') {
        if (state == Escaped && EndTagAt(i, "script")) return i;
        const bool opens = state == Escaped && i + 7 < text_.size() && IsWord(text_.substr(i + 1, 6), "script") &&
                           (IsSpace(static_cast<unsigned char>(text_[i + 7])) || text_[i + 7] == '/' ||
                            text_[i + 7] == '>');
        const bool closes = state == DoubleEscaped && EndTagAt(i, "script");
        if (opens || closes) {
          state = opens ? DoubleEscaped : Escaped;
          i += opens ? 7 : 8;  // the character after the name is text
        }
      }
      dashes = 0;
    }
    return std::string_view::npos;
  }

  // A tag from its name on: its attributes, and the values the scan takes
  // once its ">" came. What content follows it.
  Content Tag() {
    const bool endTag = at_ >= 2 && text_[at_ - 1] == '/' && text_[at_ - 2] == '<';
    const std::size_t nameStart = at_;
    while (at_ < text_.size() && !(kClasses.of[static_cast<unsigned char>(text_[at_])] & kEndsTagName)) ++at_;
    const std::string_view name = text_.substr(nameStart, at_ - nameStart);
    const bool image = !endTag && IsImageTag(name);
    lastTagWasImage_ = false;
    const bool base = !endTag && !found_.baseHref && IsWord(name, "base"sv);
    pacer_.Step();
    const std::size_t valuesBefore = found_.values.size();
    std::optional<MarkupValue> href;
    if (image || base) {
      tagNames_.clear();
      if (!seenMany_.empty()) seenMany_.clear();
    }
    for (;;) {
      SkipSpaces();
      const int c = Peek(0);
      if (c == kEnd) {
        found_.values.resize(valuesBefore);  // never ended: no tag
        return Content::Markup;
      }
      if (c == '>') {
        ++at_;
        break;
      }
      if (c == '/') {
        ++at_;
        continue;
      }
      const std::size_t attributeStart = at_++;  // even "=": it starts the name
      while (at_ < text_.size() && !(kClasses.of[static_cast<unsigned char>(text_[at_])] & kEndsName)) ++at_;
      const std::string_view attribute = text_.substr(attributeStart, at_ - attributeStart);
      MarkupValue value{at_, at_};
      SkipSpaces();
      if (Peek(0) == '=') {
        ++at_;
        SkipSpaces();
        const int quote = Peek(0);
        if (quote == '"' || quote == '\'') {
          const void* close = std::memchr(text_.data() + at_ + 1, quote, text_.size() - at_ - 1);
          if (!close) {
            at_ = text_.size();
            found_.values.resize(valuesBefore);
            return Content::Markup;
          }
          const std::size_t closeAt = static_cast<std::size_t>(static_cast<const char*>(close) - text_.data());
          value = {at_ + 1, closeAt};
          at_ = closeAt + 1;
        } else if (quote != '>' && quote != kEnd) {
          value.start = at_;
          while (at_ < text_.size() && !(kClasses.of[static_cast<unsigned char>(text_[at_])] & kEndsValue)) ++at_;
          value.end = at_;
        }
      }
      if (image || base) Take(attribute, value, image, href);
    }
    if (base && href) found_.baseHref = href;
    lastTagWasImage_ = image;
    if (endTag) return Content::Markup;
    const Content content = ContentOf(name);
    if (content != Content::Markup) {
      lastName_.clear();
      for (char c : name) lastName_ += Lower(c);
    }
    return content;
  }

  // The tokenizer keeps the first attribute of each name; only the names
  // the scan takes need telling apart.
  void Take(std::string_view attribute, const MarkupValue& value, bool image, std::optional<MarkupValue>& href) {
    const bool taken = image ? IsWord(attribute, "background"sv) || EndsInSrc(attribute) : IsWord(attribute, "href"sv);
    if (!taken) return;
    for (std::string_view seen : tagNames_) {
      if (SameName(seen, attribute)) return;
    }
    if (tagNames_.size() < kNamesKept) {
      tagNames_.push_back(attribute);
    } else {
      std::string lower;
      for (char c : attribute) lower += Lower(c);
      if (!seenMany_.insert(lower).second) return;
    }
    if (image) {
      found_.values.push_back(value);
    } else {
      href = value;
    }
  }

  // "src" as the name's last three characters, not the tail of a
  // double-byte character.
  static bool EndsInSrc(std::string_view name) {
    if (name.size() < 3 || !IsWord(name.substr(name.size() - 3), "src"sv)) return false;
    std::size_t at = 0;
    while (at < name.size() - 3) at += codepage::IsLeadByte(static_cast<unsigned char>(name[at])) ? 2 : 1;
    return at == name.size() - 3;
  }

  // A tag with thousands of attributes looks its names up in a set.
  static constexpr std::size_t kNamesKept = 16;

  // Longer tags are rarely repeated, and comparing them would cost more.
  static constexpr std::size_t kLongestRemembered = 128;

  std::string_view text_;
  PendingMessagesPacer& pacer_;
  std::size_t at_ = 0;
  ImageAttributes found_;
  std::vector<std::string_view> tagNames_;
  std::unordered_set<std::string> seenMany_;
  std::string lastName_;
  bool lastTagWasImage_ = false;        // the tag just read was an image tag, ended by its ">"
  std::size_t lastImageTag_ = 0;        // the last image tag's "<"
  std::size_t lastImageTagLength_ = 0;  // through its ">"; 0 for none to compare with
};

}  // namespace

ImageAttributes FindImageAttributes(std::string_view markup, PendingMessagesPacer& pacer) {
  return Tokenizer(markup, pacer).Run();
}
