// Whether what a server answered with success is the image a line asks for.
// A server that has lost a picture, refuses hotlinking or wants a login often
// answers 200 with a small page: saved under the image's name and marked
// done, it would be a failure reported as success. Platform-free.
#pragma once

#include <cstddef>
#include <string_view>

// How much of a file's start the judgement reads.
constexpr std::size_t kImageSniffBytes = 512;

// False when `start` (the first kImageSniffBytes bytes of what came, or all
// of it) is empty, or when `address` asks for an image (the extension of its
// path is an image's) and what came is clearly a page:
//  - it does not start with an image format's signature (GIF, PNG, JPEG, BMP,
//    ICO, CUR, WebP, TIFF, AVIF/HEIF, JPEG XL, JPEG 2000), and
//  - after a byte-order mark and white space it is markup: "<" and then a
//    letter, "!" or "?" (a tag, a doctype, a comment, an XML declaration);
//    an SVG document where the address asks for ".svg" is no page, unless
//    its first element, after the prolog, is not "svg"; or
//  - it is text (no control byte but white space) and `declaredType`, the
//    type its server gave, is HTML.
// Anything else counts: an image under a wrong or missing type, a format this
// does not know, whatever comes for an address that asks for no image.
bool IsImageContent(std::string_view declaredType, std::string_view start, std::string_view address);
