// The dedicated matchers against PCRE2, a backtracking engine with Perl
// semantics, on a corpus of tricky cases and on many random inputs built from
// the patterns' own pieces. Every match, its attribute and its value must agree.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <random>
#include <string>
#include <vector>

#include "PatternMatchers.h"

namespace {

// The image tag pattern as the program knows it, and the same with the value
// captured, which changes nothing about what matches.
const char kImageTagPattern[] = "(?i)<(img|body|td|input|table)[^>]*(src|background)( )*=(\"|'| )*[^ >\\n\\r]*";
const char kImageTagWithValue[] = "(?i)<(img|body|td|input|table)[^>]*(src|background)( )*=(\"|'| )*([^ >\\n\\r]*)";
const char kHostPattern[] = "(?i)http://[^/]*/?";
// Where the matcher's first src= or background= of a match must be, searched
// within the match.
const char kFirstNamePattern[] = "(?i)(?:src|background)=";

class Pcre2 {
 public:
  explicit Pcre2(const char* pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, 0, &error, &offset, nullptr);
    // Without JIT, PCRE2 gives up on long tags with "match limit exceeded".
    if (code_) jit_ = pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE) == 0;
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    // A quote run of 100,000 characters needs more than the default 32 KB.
    stack_ = pcre2_jit_stack_create(32 * 1024, 256 * 1024 * 1024, nullptr);
    context_ = pcre2_match_context_create(nullptr);
    pcre2_jit_stack_assign(context_, nullptr, stack_);
  }
  ~Pcre2() {
    pcre2_match_context_free(context_);
    pcre2_jit_stack_free(stack_);
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  bool Ready() const { return code_ && jit_; }

  // Offsets of the match from `from` and of each group: 2 per group; -1 if unset.
  // Only the first `length` bytes of `text` are searched, when given.
  bool Match(const std::string& text, std::size_t from, std::vector<long>& offsets,
             std::size_t length = std::string::npos) const {
    if (length > text.size()) length = text.size();
    const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), length, from, 0, data_, context_);
    if (rc < 0) {
      EXPECT_EQ(rc, PCRE2_ERROR_NOMATCH) << "PCRE2 failed on input of size " << text.size();
      return false;
    }
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data_);
    const uint32_t pairs = pcre2_get_ovector_count(data_);
    offsets.assign(pairs * 2, -1);
    for (uint32_t i = 0; i < pairs * 2 && i < static_cast<uint32_t>(rc) * 2; ++i) {
      offsets[i] = vector[i] == PCRE2_UNSET ? -1 : static_cast<long>(vector[i]);
    }
    return true;
  }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
  pcre2_jit_stack* stack_ = nullptr;
  pcre2_match_context* context_ = nullptr;
  bool jit_ = false;
};

struct Engines {
  Pcre2 tag{kImageTagPattern};
  Pcre2 tagWithValue{kImageTagWithValue};
  Pcre2 host{kHostPattern};
  Pcre2 firstName{kFirstNamePattern};
};

Engines& engines() {
  static Engines instance;
  return instance;
}

// Matches compared so far, so that a generator that stops producing matches shows,
// and among them those the matcher took for repeats of the match before.
long comparedMatches = 0;
long comparedRepeats = 0;

// Compares every match of one input; returns false at the first disagreement.
// The matches are taken one call at a time and, from a second matcher, a few
// at a time: both must agree with PCRE2.
::testing::AssertionResult SameImageTagMatches(const std::string& text) {
  ImageTagMatcher matcher(text);
  ImageTagMatcher batchedMatcher(text);
  ImageTagMatch batch[3];
  std::size_t batchCount = 0;
  std::size_t batchNext = 0;
  ImageTagMatch ours;
  ImageTagMatch previous;
  std::vector<long> theirs;
  std::vector<long> withValue;
  std::vector<long> firstName;
  std::size_t from = 0;
  for (int n = 0;; ++n) {
    const bool pcreFound = engines().tag.Match(text, from, theirs);
    const bool weFound = matcher.Next(ours);
    if (batchNext == batchCount) {
      batchCount = batchedMatcher.NextMatches(batch, 3);
      batchNext = 0;
    }
    const bool batchFound = batchNext < batchCount;
    if (batchFound != weFound) {
      return ::testing::AssertionFailure() << "match " << n << ": a batch " << (batchFound ? "holds" : "lacks")
                                           << " it in \"" << text << "\"";
    }
    if (batchFound) {
      const ImageTagMatch& batched = batch[batchNext++];
      if (batched.start != ours.start || batched.end != ours.end || batched.attributeStart != ours.attributeStart ||
          batched.equalsSign != ours.equalsSign || batched.valueStart != ours.valueStart ||
          batched.firstNameEquals != ours.firstNameEquals || batched.repeatsPrevious != ours.repeatsPrevious) {
        return ::testing::AssertionFailure() << "match " << n << " differs in a batch in \"" << text << "\"";
      }
    }
    if (pcreFound != weFound) {
      return ::testing::AssertionFailure() << "match " << n << ": PCRE2 " << (pcreFound ? "found" : "did not find")
                                           << " one, we " << (weFound ? "did" : "did not") << " in \"" << text
                                           << "\"";
    }
    if (!pcreFound) return ::testing::AssertionSuccess();
    engines().tagWithValue.Match(text, from, withValue);
    const long expected[] = {theirs[0], theirs[1], theirs[4], withValue[10]};
    const long actual[] = {static_cast<long>(ours.start), static_cast<long>(ours.end),
                           static_cast<long>(ours.attributeStart), static_cast<long>(ours.valueStart)};
    for (int i = 0; i < 4; ++i) {
      if (expected[i] != actual[i]) {
        static const char* what[] = {"start", "end", "attribute", "value"};
        return ::testing::AssertionFailure() << "match " << n << " " << what[i] << ": PCRE2 " << expected[i]
                                             << ", we " << actual[i] << " in \"" << text << "\"";
      }
    }
    const long expectedFirstName = engines().firstName.Match(text, static_cast<std::size_t>(theirs[0]), firstName,
                                                             static_cast<std::size_t>(theirs[1]))
                                       ? firstName[1] - 1
                                       : -1;
    const long actualFirstName =
        ours.firstNameEquals == std::string_view::npos ? -1 : static_cast<long>(ours.firstNameEquals);
    if (expectedFirstName != actualFirstName) {
      return ::testing::AssertionFailure() << "match " << n << " first name's \"=\": PCRE2 " << expectedFirstName
                                           << ", we " << actualFirstName << " in \"" << text << "\"";
    }
    // A repeat must read as the match before and lie in it the same way.
    if (ours.repeatsPrevious) {
      const std::size_t length = ours.end - ours.start;
      if (n == 0 || previous.end - previous.start != length ||
          text.compare(previous.start, length, text, ours.start, length) != 0 ||
          previous.attributeStart - previous.start != ours.attributeStart - ours.start ||
          previous.valueStart - previous.start != ours.valueStart - ours.start) {
        return ::testing::AssertionFailure() << "match " << n << " is no repeat of the match before in \"" << text
                                             << "\"";
      }
      ++comparedRepeats;
    }
    previous = ours;
    ++comparedMatches;
    from = static_cast<std::size_t>(theirs[1]);
  }
}

::testing::AssertionResult SameHostPrefix(const std::string& address) {
  std::vector<long> theirs;
  std::size_t start = 0;
  std::size_t length = 0;
  const bool pcreFound = engines().host.Match(address, 0, theirs);
  const bool weFound = FindHostPrefix(address, start, length);
  if (pcreFound != weFound) return ::testing::AssertionFailure() << "found differs for \"" << address << "\"";
  if (pcreFound && (theirs[0] != static_cast<long>(start) || theirs[1] != static_cast<long>(start + length))) {
    return ::testing::AssertionFailure() << "span differs for \"" << address << "\"";
  }
  return ::testing::AssertionSuccess();
}

TEST(PatternDifferentialTest, EnginesAreReady) {
  ASSERT_TRUE(engines().tag.Ready());
  ASSERT_TRUE(engines().tagWithValue.Ready());
  ASSERT_TRUE(engines().host.Ready());
  ASSERT_TRUE(engines().firstName.Ready());
}

TEST(PatternDifferentialTest, TrickyCorpus) {
  const std::vector<std::string> corpus = {
      "",
      "<",
      "<img",
      "<img src",
      "<img src=",
      "<img src=a.gif>",
      "<IMG SRC=\"a.gif\">",
      "<img src=a lowsrc=b>",
      "<img src=a background=b>",
      "<td background=x src=y title=z>",
      "<img <img <img src=x>",
      "<img alt=x <img src=y",
      "<img alt=x> src=y <img src=z",
      "<imgsrc=a><tdsrc=b><tablesrc=c>",
      "<th src=a><tr src=b><table src=c>",
      "<img src  =  '\"  x y>",
      "<img src= \r\n x>",
      "<img\nsrc\n=\nx>",
      "<img src=a\rb>",
      "<img srcsrc=x>",
      "<img backgroundsrc=x>",
      "<img src=backgroundx=y>",
      "<img src=x=y=z>",
      "<img src==>",
      "<img =src=x>",
      "<<img src=x>",
      "<img<td src=x>",
      "<input src=\"a b\" src='c'>",
      "<BODY BACKGROUND=\"\xcd\xbc.jpg\">",
      "<img src=\x81<img src=\x81>",
      "<img src=\xff\xfe\x80>",
      "<img src=a>>>><img src=b>",
      "<img src=a\0b>",
      "<ImG sRc=x><tAbLe BaCkGrOuNd=y><InPuT sRc=z><BoDy bAcKgRoUnD=w><Td SrC=v>",
  };
  for (const std::string& text : corpus) EXPECT_TRUE(SameImageTagMatches(text));
  EXPECT_TRUE(SameImageTagMatches(std::string("<img src=a\0 src=b>", 19)));
  EXPECT_TRUE(SameImageTagMatches("<img " + std::string(100000, 'a') + " src=x"));
  EXPECT_TRUE(SameImageTagMatches("<img src=" + std::string(100000, '"') + "x"));

  const std::vector<std::string> hosts = {"", "http://", "http:/", "HTTP://a", "xhttp://a/b/c", "http://a/",
                                          "https://a/?u=http://b/c", "http:///", "hTtP://a\x81/b", "http//a/"};
  for (const std::string& address : hosts) EXPECT_TRUE(SameHostPrefix(address));
}

// Random texts from pieces that matter to the patterns.
class PieceGenerator {
 public:
  explicit PieceGenerator(unsigned seed) : random_(seed) {}

  std::string Text(std::size_t pieces) {
    static const std::vector<std::string> kPieces = {
        "<", ">", "=", " ", " ", "\"", "'", "\r", "\n", "\r\n", "img", "IMG", "Img", "body", "BoDy", "td", "TD",
        "input", "Input", "table", "TABLE", "tab", "im", "src", "SRC", "sRc", "background", "BACKGROUND",
        "backGround", "lowsrc", "alt", "a.gif", "x", "/", "#", "(", "@", "\x81", "\xb0\xa1", "\xcd\xbc", "\x81\\",
        "\x81@", "\xff", "\x80", "<img ", "<td ", " src=", "background=", "<table", "<input", std::string(1, '\0'),
        "http://", "HTTP://", "a/b",
        // The openings and attributes again, so that most inputs hold matches.
        "<img ", "<IMG ", "<Td ", "<body ", "<tAbLe ", "<input ", " src=", " SRC =", " background=", "src= '",
        "=\"", " lowsrc="};
    std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < pieces; ++i) text += kPieces[pick(random_)];
    return text;
  }

  std::size_t Length(std::size_t max) { return std::uniform_int_distribution<std::size_t>(0, max)(random_); }

 private:
  std::mt19937 random_;
};

TEST(PatternDifferentialTest, RandomImageTagInputs) {
  PieceGenerator generator(20261207);
  const long before = comparedMatches;
  for (int i = 0; i < 250000; ++i) {
    const std::string text = generator.Text(generator.Length(i % 100 == 0 ? 400 : 40));
    ASSERT_TRUE(SameImageTagMatches(text)) << "input " << i;
  }
  // About two matches in three inputs.
  EXPECT_GT(comparedMatches - before, 120000) << "the generator no longer produces matches";
}

TEST(PatternDifferentialTest, RepeatedTagInputs) {
  // A tag repeated byte for byte, and the same with one byte changed, added or
  // taken away, so that a tag wrongly taken for a repeat of the one before, or
  // a repeat wrongly read, shows. Tags of every length around those the
  // matcher remembers (4 to 64 bytes through the ">").
  PieceGenerator generator(20260115);
  std::mt19937 random(99);
  static const char kWords[][6] = {"img", "IMG", "td", "Td", "body", "input", "table"};
  static const char kBytes[] = "<>= \"'\r\nsSrRcCdDaAx/.\x81\xb0";
  auto pick = [&random](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
  const long before = comparedMatches;
  const long repeatsBefore = comparedRepeats;
  for (int i = 0; i < 40000; ++i) {
    const std::string tag =
        std::string("<") + kWords[pick(7)] + generator.Text(generator.Length(i % 4 == 0 ? 24 : 8)) + ">";
    std::string changed = tag;
    const std::size_t at = pick(tag.size());
    switch (pick(3)) {
      case 0:
        changed[at] = kBytes[pick(sizeof kBytes - 1)];
        break;
      case 1:
        changed.insert(at, 1, kBytes[pick(sizeof kBytes - 1)]);
        break;
      default:
        changed.erase(at, 1);
        break;
    }
    std::string text = generator.Text(generator.Length(3));
    for (int copy = 0, copies = 2 + static_cast<int>(pick(4)); copy < copies; ++copy) {
      text += pick(4) == 0 ? changed : tag;
      if (pick(3) == 0) text += generator.Text(1);
    }
    ASSERT_TRUE(SameImageTagMatches(text)) << "input " << i;
  }
  EXPECT_GT(comparedMatches - before, 40000) << "the generator no longer produces matches";
  EXPECT_GT(comparedRepeats - repeatsBefore, 10000) << "the generator no longer produces repeats";
}

TEST(PatternDifferentialTest, RandomHostInputs) {
  PieceGenerator generator(7);
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(SameHostPrefix(generator.Text(generator.Length(12)))) << i;
}

}  // namespace
