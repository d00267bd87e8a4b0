// Free routines of Pixorra that work on 8-bit ANSI text only. They take their
// arguments by value, return a new text, report failure by returning empty text
// and never throw on their own account.
#pragma once

#include <string>

#include "TextRoutines.h"

// Every image a browser fetches for `markup` at `pageAddress`: the src and
// background of img, body, td, input and table tags, and their attributes
// whose names end in "src", each resolved against the document's base as a
// browser resolves it. One address a line, as the browser requests it (ASCII),
// "\r\n" after every line, in markup order, each address once.
std::string ScanPageImages(std::string pageAddress, std::string markup);

// The address a browser requests for an attribute's value (character
// references already decoded) on the page at `pageAddress`, with no base of
// the page's own; empty when it requests nothing: an empty value, an anchor,
// a scheme other than http and https (file: on a page from a file too), or
// no address at all.
std::string ResolveImageLink(std::string pageAddress, std::string value);

// A line of the list as a browser requests it: an http, https or file address
// serialized as the parser reads it, anything else as it stands.
std::string RequestedAddress(std::string line);
