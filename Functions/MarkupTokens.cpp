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

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

bool IsWord(std::string_view text, std::string_view lowerWord) {
  if (text.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

// The tags whose text holds no tags, and how their end is found.
enum class Content { Markup, RawText, Script, PlainText };

Content ContentOf(std::string_view name) {
  if (IsWord(name, "script")) return Content::Script;
  if (IsWord(name, "plaintext")) return Content::PlainText;
  for (std::string_view raw : {"style", "textarea", "title", "xmp", "iframe", "noembed", "noframes"}) {
    if (IsWord(name, raw)) return Content::RawText;
  }
  return Content::Markup;
}

bool IsImageTag(std::string_view name) {
  for (std::string_view tag : {"img", "body", "td", "input", "table"}) {
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
        const Content content = Tag();
        if (content != Content::Markup) SkipText(content);
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
    for (std::size_t dashes = text_.find("--", at_); dashes != std::string_view::npos;
         dashes = text_.find("--", dashes + 1)) {
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
        if (text_.compare(i, 4, "<!--") == 0) {
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
    while (at_ < text_.size()) {
      const int c = static_cast<unsigned char>(text_[at_]);
      if (IsSpace(c) || c == '/' || c == '>') break;
      ++at_;
    }
    const std::string_view name = text_.substr(nameStart, at_ - nameStart);
    const bool image = !endTag && IsImageTag(name);
    const bool base = !endTag && !found_.baseHref && IsWord(name, "base");
    pacer_.Step();
    tagValues_.clear();
    tagNames_.clear();
    if (!seenMany_.empty()) seenMany_.clear();
    std::optional<MarkupValue> href;
    for (;;) {
      SkipSpaces();
      const int c = Peek(0);
      if (c == kEnd) return Content::Markup;  // never ended: no tag
      if (c == '>') {
        ++at_;
        break;
      }
      if (c == '/') {
        ++at_;
        continue;
      }
      const std::size_t attributeStart = at_++;  // even "=": it starts the name
      while (at_ < text_.size()) {
        const int n = static_cast<unsigned char>(text_[at_]);
        if (IsSpace(n) || n == '/' || n == '>' || n == '=') break;
        ++at_;
      }
      const std::string_view attribute = text_.substr(attributeStart, at_ - attributeStart);
      MarkupValue value{at_, at_};
      SkipSpaces();
      if (Peek(0) == '=') {
        ++at_;
        SkipSpaces();
        const int quote = Peek(0);
        if (quote == kEnd) return Content::Markup;
        if (quote == '"' || quote == '\'') {
          const std::size_t close = text_.find(static_cast<char>(quote), at_ + 1);
          if (close == std::string_view::npos) {
            at_ = text_.size();
            return Content::Markup;
          }
          value = {at_ + 1, close};
          at_ = close + 1;
        } else if (quote != '>') {
          value.start = at_;
          while (at_ < text_.size() && !IsSpace(static_cast<unsigned char>(text_[at_])) && text_[at_] != '>') ++at_;
          if (at_ == text_.size()) return Content::Markup;
          value.end = at_;
        }
      }
      if (image || base) Take(attribute, value, image, href);
    }
    if (image) found_.values.insert(found_.values.end(), tagValues_.begin(), tagValues_.end());
    if (base && href) found_.baseHref = href;
    if (endTag) return Content::Markup;
    lastName_.clear();
    for (char c : name) lastName_ += Lower(c);
    return ContentOf(name);
  }

  // The tokenizer keeps the first attribute of each name.
  void Take(std::string_view attribute, const MarkupValue& value, bool image, std::optional<MarkupValue>& href) {
    std::string name(attribute);
    for (char& c : name) c = Lower(c);
    for (const std::string& seen : tagNames_) {
      if (seen == name) return;
    }
    if (tagNames_.size() < kNamesKept) {
      tagNames_.push_back(name);
    } else if (!seenMany_.insert(name).second) {
      return;
    }
    if (!image) {
      if (name == "href") href = value;
      return;
    }
    if (name == "background" || EndsInSrc(name)) tagValues_.push_back(value);
  }

  // "src" as the name's last three characters, not the tail of a
  // double-byte character.
  static bool EndsInSrc(const std::string& name) {
    if (name.size() < 3 || name.compare(name.size() - 3, 3, "src") != 0) return false;
    std::size_t at = 0;
    while (at < name.size() - 3) at += codepage::IsLeadByte(static_cast<unsigned char>(name[at])) ? 2 : 1;
    return at == name.size() - 3;
  }

  // A tag with thousands of attributes looks its names up in a set.
  static constexpr std::size_t kNamesKept = 16;

  std::string_view text_;
  PendingMessagesPacer& pacer_;
  std::size_t at_ = 0;
  ImageAttributes found_;
  std::vector<MarkupValue> tagValues_;
  std::vector<std::string> tagNames_;
  std::unordered_set<std::string> seenMany_;
  std::string lastName_;
};

}  // namespace

ImageAttributes FindImageAttributes(std::string_view markup, PendingMessagesPacer& pacer) {
  return Tokenizer(markup, pacer).Run();
}
