// The host of an http, https or file address, as the URL Standard's host
// parser reads it: an IPv6 address in brackets, an IPv4 address in any of its
// forms, or a domain made ASCII. Platform-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The host serialized ("[::1]", "10.0.0.1", "xn--fiq.example"); nothing when
// it is no host.
std::optional<std::string> ParseHost(std::u32string_view input);

// A domain's labels made ASCII (lower case, punycode for the others), as
// browsers do; nothing for a character it cannot map with confidence.
std::optional<std::string> DomainToAscii(std::u32string_view domain);
