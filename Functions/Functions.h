// Free routines of Pixorra that work on 8-bit ANSI text only. They take their
// arguments by value, return a new text, report failure by returning empty text
// and never throw on their own account.
#pragma once

#include <string>
#include <vector>

// `text` with every occurrence of `oldText` replaced by `newText`, left to right,
// without overlaps and without searching inserted text again. Matching is
// byte-exact; an occurrence that would begin on the trail byte of a double-byte
// character does not count. An empty `oldText` leaves the text unchanged.
std::string ReplaceAll(std::string oldText, std::string text, std::string newText);

// Every image address referenced by `markup`, made absolute against
// `pageAddress`: one line each, "\r\n" after every line, in markup order, each
// address once.
std::string ScanPageImages(std::string pageAddress, std::string markup);

// One raw reference cut from a tag, made absolute against `pageAddress`; empty
// when the reference is rejected. Enclosed in double quotes when the raw
// reference held one.
std::string ResolveImageLink(std::string pageAddress, std::string rawReference);

// `reference` unchanged when it starts with "HTTP" in any letter case, otherwise
// the page folder of `pageAddress` followed by it.
std::string MakeAbsoluteLink(std::string reference, std::string pageAddress);

// `pageAddress` without double quotes, up to and including its last "/"; empty
// when it has none.
std::string GetPageFolder(std::string pageAddress);

// The text after the last "/" of `address`; all of it when it has none.
std::string UrlFileName(std::string address);

// The lines of a list's text, split at "\r\n"; a final line break adds no line.
std::vector<std::string> SplitLines(const std::string& text);
