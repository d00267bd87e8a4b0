#include <gtest/gtest.h>

#include "Functions.h"

namespace {

struct RequestCase {
  const char* name;
  std::string line;
  std::string requested;
};

class RequestedAddressTest : public testing::TestWithParam<RequestCase> {};

// A line the user typed or pasted goes out as a browser sends it.
TEST_P(RequestedAddressTest, AsABrowserSendsIt) { EXPECT_EQ(RequestedAddress(GetParam().line), GetParam().requested); }

INSTANTIATE_TEST_SUITE_P(
    Cases, RequestedAddressTest,
    testing::Values(
        RequestCase{"ChineseTypedInGbk", "http://127.0.0.1:8/\xcd\xbc\xc6\xac.gif?\xc3\xfb=1",
                    "http://127.0.0.1:8/%E5%9B%BE%E7%89%87.gif?%E5%90%8D=1"},
        RequestCase{"TrailBackslashStaysInItsCharacter", "http://h/\x81\\.gif", "http://h/%E4%B9%97.gif"},
        RequestCase{"FragmentNotSent", "HTTP://H.example:80/a b.gif#x", "http://h.example/a%20b.gif"},
        RequestCase{"AlreadyAsSentStaysSo", "https://h/%E5%9B%BE.gif?a=1&b=2", "https://h/%E5%9B%BE.gif?a=1&b=2"},
        RequestCase{"NoAddressStaysAsTyped", "C:\\pics\\a.gif", "C:\\pics\\a.gif"},
        RequestCase{"NoSchemeStaysAsTyped", "www.example/a.gif", "www.example/a.gif"}),
    [](const testing::TestParamInfo<RequestCase>& info) { return info.param.name; });

}  // namespace
