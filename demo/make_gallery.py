#!/usr/bin/env python3
"""Makes the demo page's gallery: coloured pictures with their names drawn on
them (.jpg, .gif and .png, with ImageMagick), and the page's markup, which
refers to them in every way Pixorra reads:
    python3 demo/make_gallery.py GALLERY ORIGIN
GALLERY is served as /gallery/ from ORIGIN ("http://127.0.0.1:PORT"). The
pictures are made once; the markup each time, since it names the server's port.
"""
import os
import subprocess
import sys

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# file, colour, name drawn on it
PICTURES = [
    ("red.jpg", "#d33", "红 red"),
    ("orange.jpg", "#e80", "橙 orange"),
    ("yellow.jpg", "#db0", "黄 yellow"),
    ("green.jpg", "#3a3", "绿 green"),
    ("blue.jpg", "#36c", "蓝 blue"),
    ("purple.jpg", "#84b", "紫 purple"),
    ("cyan.jpg", "#2bb", "青 cyan"),
    ("pink.gif", "#e7a", "粉 pink"),
    ("brown.gif", "#853", "棕 brown"),
    ("grey.gif", "#888", "灰 grey"),
    ("navy.png", "#228", "藏青 navy"),
    ("teal.png", "#177", "水鸭 teal"),
]

# The server answers 404 for this one: no such file in the gallery.
MISSING = "lost.jpg"

MARKUP = """<html><head><title>Pixorra 演示页</title></head>
<body background="blue.jpg">
<h1>Pixorra 演示页</h1>
<p>相对地址 relative:
<img src="red.jpg" alt="red"> <img src='orange.jpg' alt="orange"> <img src=pink.gif>
<img src="{missing}" alt="missing: the server answers 404"></p>
<p>以 / 开头 root-relative:
<img src="/gallery/yellow.jpg"> <img src="/gallery/brown.gif"></p>
<p>完整地址 absolute:
<img src="{origin}/gallery/green.jpg"> <img src="{origin}/gallery/navy.png"></p>
<table><tr><td background="purple.jpg">表格背景 td background</td>
<td><img src="grey.gif"></td><td><img src="teal.png"></td></tr></table>
<form><input type="image" src="cyan.jpg" alt="go"></form>
</body></html>
"""


def make_picture(path, colour, name):
    extension = os.path.splitext(path)[1]
    subprocess.run(
        ["convert", "-size", "160x120", "xc:" + colour, "-font", FONT, "-fill", "white",
         "-gravity", "center", "-pointsize", "24", "-annotate", "+0-12", name,
         "-pointsize", "18", "-annotate", "+0+22", extension, path],
        check=True)


def main():
    gallery, origin = sys.argv[1], sys.argv[2]
    os.makedirs(gallery, exist_ok=True)
    for file, colour, name in PICTURES:
        path = os.path.join(gallery, file)
        if not os.path.exists(path):
            make_picture(path + ".part" + os.path.splitext(file)[1], colour, name)
            os.replace(path + ".part" + os.path.splitext(file)[1], path)
    with open(os.path.join(gallery, "index.htm"), "w", encoding="utf-8") as page:
        page.write(MARKUP.format(origin=origin, missing=MISSING))


if __name__ == "__main__":
    main()
