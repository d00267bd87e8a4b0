#include "GeneratedPages.h"

#include <cstdio>
#include <random>

namespace {

std::string Repeat(const std::string& piece, std::size_t size) {
  std::string text;
  text.reserve(size + piece.size());
  while (text.size() < size) text += piece;
  return text;
}

}  // namespace

std::string RealisticPage(std::size_t size) {
  std::mt19937 random(42);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  std::string page = "<html><head><title>\xcd\xbc\xc6\xac</title>\n<script>\n";
  page += Repeat("var x = document.getElementById('a') + \"<b>\" + 1; if (a < b) { c(); }\n", 4000);
  page += "</script>\n<style>body { background: #fff; }</style></head>\n<body background=\"bg.jpg\">\n";
  std::size_t n = 0;
  while (page.size() < size) {
    ++n;
    if (chance(5)) {
      if (chance(50)) {
        page += "<img src=\"/images/photo" + std::to_string(n) + ".jpg\" alt=\"\xd5\xd5\xc6\xac\" width=120 height=90>";
      } else {
        page += "<IMG SRC=pic/" + std::to_string(n) + ".gif border=0>";
      }
    } else if (random() % 1000 < 2) {
      page += "<img src=\"data:image/png;base64," + std::string(2000 + random() % 6000, 'Q') + "\">";
    } else if (chance(2)) {
      page += "<!-- <td background=old" + std::to_string(n) + ".png> -->\n";
    } else if (chance(3)) {
      page += "<td class=\"cell\" background='t" + std::to_string(n % 50) + ".png'>";
    } else {
      page += chance(50) ? "<div class=\"item\"><a href=\"/p/" + std::to_string(n) + ".htm\">\xc9\xcc\xc6\xb7</a></div>\n"
                         : "<p>Lorem ipsum dolor sit amet, <span>consectetur</span> adipiscing elit.</p>\n";
    }
  }
  page += "</body></html>";
  return page;
}

std::string HostileDataUri() {
  return "<img src=\"data:image/png;base64," + std::string(1 << 20, 'A') + "\">";
}

std::string HostileUnclosedTag() { return "<img " + Repeat("src=a.gif alt=\"x\" ", 5 << 20); }

std::string HostileRepeatedAttribute() { return Repeat("<img alt=x ", 5 << 20); }

std::string HostileManyEmptyTags() { return Repeat("<img a>", 100000 * 7); }

std::string HostileManyBackgrounds() { return Repeat("<td background=x>", 200000 * 17); }

std::string DenseImageTags(std::size_t size) { return Repeat("<img src=spacer.gif>", size); }

std::string DenseDistinctImages(std::size_t size) {
  std::string page;
  page.reserve(size + 20);
  char tag[32];
  for (unsigned n = 0; page.size() < size; ++n) {
    std::snprintf(tag, sizeof tag, "<img src=%06u.gif>", n % 1000000);
    page += tag;
  }
  return page;
}
