// Free routines of Pixorra that work on 8-bit ANSI text only. They take their
// arguments by value, return a new text, report failure by returning empty text
// and never throw on their own account.
#pragma once

#include <string>

#include "TextRoutines.h"

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
