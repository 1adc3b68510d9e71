#!/usr/bin/python3
"""Checks the artwork files of Zefra INDIR, independently of the generator.

    /usr/bin/python3 tools/artwork/check_artwork.py [folder]

Reads the files in `folder` (default: app/resources/ of this tree) with the
standard library and PIL only, and checks formats, pixel sizes, the GIF's
transparent index, the 23 images of app.ico (sizes, bit depths, PNG or DIB,
directory fields, sizes and offsets) and the two monochrome cursors (size,
bit depth, hot spots).  Prints one line per file; on the first mismatch it
prints what is wrong and exits with status 1.
"""

import io
import os
import struct
import sys

from PIL import Image


class Mismatch(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise Mismatch(msg)


# the icon's images, in file order: (pixels, bits per pixel)
ICON_IMAGES = ([(s, 1) for s in (48, 32, 16)]
               + [(s, 4) for s in (256, 48, 32, 24, 16)]
               + [(s, 8) for s in (256, 48, 32, 24, 16)]
               + [(s, 32) for s in (256, 128, 96, 80, 72, 64, 48, 32, 24, 16)])

PNG_SIG = b"\x89PNG\r\n\x1a\n"


def luminance(rgb):
    r, g, b = rgb[:3]
    return (299 * r + 587 * g + 114 * b) / 1000.0


# --------------------------------------------------------------------------
# ICO / CUR parsing


def read_dir(data, name, kind):
    need(len(data) >= 6, "%s: shorter than an ICONDIR" % name)
    reserved, typ, count = struct.unpack_from("<HHH", data, 0)
    need(reserved == 0, "%s: ICONDIR reserved is %d, not 0" % (name, reserved))
    need(typ == kind, "%s: ICONDIR type is %d, not %d" % (name, typ, kind))
    need(len(data) >= 6 + 16 * count, "%s: directory runs past the end of the file" % name)
    entries = []
    for i in range(count):
        w, h, cc, res, a, b, nbytes, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append(dict(width=w or 256, height=h or 256, raw_width=w, raw_height=h,
                            colours=cc, reserved=res, planes=a, bits=b, nbytes=nbytes,
                            offset=off, index=i))
    return count, entries


def check_layout(data, name, entries):
    """Image data must follow the directory back to back, to the end."""
    pos = 6 + 16 * len(entries)
    for e in entries:
        need(e["offset"] == pos, "%s: image %d starts at %d, expected %d"
             % (name, e["index"], e["offset"], pos))
        need(e["nbytes"] > 0, "%s: image %d has no bytes" % (name, e["index"]))
        pos += e["nbytes"]
    need(pos == len(data), "%s: images end at %d but the file has %d bytes" % (name, pos, len(data)))


def parse_dib(blob, name, what):
    """Checks a BITMAPINFOHEADER DIB as ICO/CUR want it; returns a dict with
    the header fields, palette, and decoded XOR values and AND bits
    (top-down lists of rows)."""
    need(len(blob) >= 40, "%s: %s: shorter than a BITMAPINFOHEADER" % (name, what))
    (size, w, h2, planes, bpp, comp, size_image, _xppm, _yppm, clr_used,
     _clr_imp) = struct.unpack_from("<IiiHHIIiiII", blob, 0)
    need(size == 40, "%s: %s: biSize is %d, not 40" % (name, what, size))
    need(h2 == 2 * w, "%s: %s: biHeight %d is not twice biWidth %d" % (name, what, h2, w))
    need(planes == 1, "%s: %s: biPlanes is %d" % (name, what, planes))
    need(bpp in (1, 4, 8, 24, 32), "%s: %s: biBitCount %d" % (name, what, bpp))
    need(comp == 0, "%s: %s: compressed (biCompression %d)" % (name, what, comp))
    h = h2 // 2
    if bpp <= 8:
        ncol = clr_used or (1 << bpp)
        need(ncol <= (1 << bpp), "%s: %s: %d palette entries for %d bpp" % (name, what, ncol, bpp))
    else:
        need(clr_used == 0, "%s: %s: palette on a %d bpp image" % (name, what, bpp))
        ncol = 0
    stride = ((w * bpp + 31) // 32) * 4
    mstride = ((w + 31) // 32) * 4
    expect = 40 + 4 * ncol + stride * h + mstride * h
    need(len(blob) == expect, "%s: %s: %d bytes, a %dx%d %d bpp DIB with XOR and AND needs %d"
         % (name, what, len(blob), w, h, bpp, expect))
    need(size_image in (0, stride * h, stride * h + mstride * h),
         "%s: %s: biSizeImage %d fits neither XOR nor XOR+AND" % (name, what, size_image))
    pal = []
    for i in range(ncol):
        b, g, r, _ = struct.unpack_from("<BBBB", blob, 40 + 4 * i)
        pal.append((r, g, b))
    xor_at = 40 + 4 * ncol
    and_at = xor_at + stride * h
    xor_rows, and_rows = [], []
    for y in range(h):
        row = blob[xor_at + (h - 1 - y) * stride:xor_at + (h - y) * stride]
        if bpp == 32:
            vals = [tuple(row[4 * x:4 * x + 4]) for x in range(w)]  # B, G, R, A
        elif bpp == 24:
            vals = [tuple(row[3 * x:3 * x + 3]) for x in range(w)]
        else:
            per = 8 // bpp
            vals = [(row[x // per] >> (8 - bpp * (x % per + 1))) & ((1 << bpp) - 1)
                    for x in range(w)]
            need(max(vals) < ncol, "%s: %s: pixel index beyond the palette" % (name, what))
        xor_rows.append(vals)
        mrow = blob[and_at + (h - 1 - y) * mstride:and_at + (h - y) * mstride]
        and_rows.append([(mrow[x // 8] >> (7 - x % 8)) & 1 for x in range(w)])
    return dict(width=w, height=h, bpp=bpp, palette=pal, xor=xor_rows, mask=and_rows)


def dib_to_rgba(d):
    """RGBA picture of a decoded DIB (for looking at it)."""
    out = []
    for vrow, mrow in zip(d["xor"], d["mask"]):
        for v, m in zip(vrow, mrow):
            if d["bpp"] == 32:
                b, g, r, a = v
                out.append((r, g, b, a))
            elif m:
                out.append((0, 0, 0, 0))
            else:
                out.append(tuple(d["palette"][v]) + (255,))
    im = Image.new("RGBA", (d["width"], d["height"]))
    im.putdata(out)
    return im


def parse_png(blob, name, what):
    need(blob[:8] == PNG_SIG, "%s: %s: not a PNG" % (name, what))
    length, ctype = struct.unpack_from(">I4s", blob, 8)
    need(ctype == b"IHDR" and length == 13, "%s: %s: PNG without IHDR first" % (name, what))
    w, h, depth, colour_type = struct.unpack_from(">IIBB", blob, 16)
    return dict(width=w, height=h, depth=depth, colour_type=colour_type)


def check_icon(path):
    name = os.path.basename(path)
    with open(path, "rb") as f:
        data = f.read()
    count, entries = read_dir(data, name, 1)
    need(count == len(ICON_IMAGES), "%s: %d images, expected %d" % (name, count, len(ICON_IMAGES)))
    check_layout(data, name, entries)
    pictures = []
    for e, (size, bpp) in zip(entries, ICON_IMAGES):
        what = "image %d (%dx%d, %d bpp)" % (e["index"], size, size, bpp)
        need((e["width"], e["height"]) == (size, size),
             "%s: image %d is %dx%d, expected %dx%d" % (name, e["index"], e["width"], e["height"], size, size))
        if size == 256:
            need(e["raw_width"] == 0 and e["raw_height"] == 0,
                 "%s: %s: width/height bytes must be 0 for 256" % (name, what))
        need(e["bits"] == bpp, "%s: %s: entry bit count is %d" % (name, what, e["bits"]))
        need(e["planes"] == 1, "%s: %s: entry planes is %d, not 1" % (name, what, e["planes"]))
        need(e["reserved"] == 0, "%s: %s: entry reserved byte is %d" % (name, what, e["reserved"]))
        want_cc = {1: 2, 4: 16}.get(bpp, 0)
        need(e["colours"] == want_cc, "%s: %s: colour count is %d, expected %d"
             % (name, what, e["colours"], want_cc))
        blob = data[e["offset"]:e["offset"] + e["nbytes"]]
        if size == 256:
            p = parse_png(blob, name, what)
            need((p["width"], p["height"]) == (256, 256), "%s: %s: PNG is %dx%d"
                 % (name, what, p["width"], p["height"]))
            want = {4: (4, 3), 8: (8, 3), 32: (8, 6)}[bpp]
            need((p["depth"], p["colour_type"]) == want,
                 "%s: %s: PNG bit depth %d, colour type %d; expected %d, %d"
                 % (name, what, p["depth"], p["colour_type"], want[0], want[1]))
            im = Image.open(io.BytesIO(blob))
            im.load()
            need(im.mode == "RGBA" or "transparency" in im.info,
                 "%s: %s: PNG without transparency" % (name, what))
            pic = im.convert("RGBA")
        else:
            need(blob[:8] != PNG_SIG, "%s: %s: should be a DIB, is a PNG" % (name, what))
            d = parse_dib(blob, name, what)
            need((d["width"], d["height"], d["bpp"]) == (size, size, bpp),
                 "%s: %s: DIB says %dx%d, %d bpp" % (name, what, d["width"], d["height"], d["bpp"]))
            if bpp == 1:
                need(d["palette"] == [(0, 0, 0), (255, 255, 255)],
                     "%s: %s: palette is not black, white" % (name, what))
            if bpp <= 8:
                for vrow, mrow in zip(d["xor"], d["mask"]):
                    for v, m in zip(vrow, mrow):
                        need(not m or d["palette"][v] == (0, 0, 0),
                             "%s: %s: transparent pixel (AND 1) with a non-black XOR colour"
                             % (name, what))
            pic = dib_to_rgba(d)
        alphas = pic.getchannel("A").getextrema()
        need(alphas == (0, 255), "%s: %s: needs both transparent and opaque pixels, alpha range %s"
             % (name, what, alphas))
        pictures.append(((size, bpp), pic))
    return "%d images, %d bytes" % (count, len(data)), pictures


def check_cursor(path, hotspot):
    name = os.path.basename(path)
    with open(path, "rb") as f:
        data = f.read()
    count, entries = read_dir(data, name, 2)
    need(count == 1, "%s: %d images, expected 1" % (name, count))
    check_layout(data, name, entries)
    e = entries[0]
    need((e["width"], e["height"]) == (32, 32), "%s: entry is %dx%d, expected 32x32"
         % (name, e["width"], e["height"]))
    need((e["planes"], e["bits"]) == hotspot, "%s: hot spot is (%d, %d), expected (%d, %d)"
         % (name, e["planes"], e["bits"], hotspot[0], hotspot[1]))
    need(e["colours"] in (0, 2), "%s: colour count %d" % (name, e["colours"]))
    blob = data[e["offset"]:e["offset"] + e["nbytes"]]
    d = parse_dib(blob, name, "cursor image")
    need((d["width"], d["height"], d["bpp"]) == (32, 32, 1),
         "%s: DIB is %dx%d at %d bpp, expected 32x32 at 1 bpp" % (name, d["width"], d["height"], d["bpp"]))
    need(d["palette"] == [(0, 0, 0), (255, 255, 255)], "%s: palette is not black, white" % name)
    hx, hy = hotspot
    need(d["mask"][hy][hx] == 0, "%s: the hot spot (%d, %d) is on a transparent pixel" % (name, hx, hy))
    ntrans = sum(m for row in d["mask"] for m in row)
    need(0 < ntrans < 32 * 32, "%s: AND mask is all %s" % (name, "opaque" if not ntrans else "transparent"))
    return "32x32, 1 bpp, hot spot (%d, %d)" % hotspot, dib_to_rgba(d)


# --------------------------------------------------------------------------
# the bitmaps


def open_image(path, fmt, size):
    name = os.path.basename(path)
    im = Image.open(path)
    need(im.format == fmt, "%s: format %s, expected %s" % (name, im.format, fmt))
    need(im.size == size, "%s: %dx%d, expected %dx%d" % ((name,) + im.size + size))
    im.load()
    return im


def check_jpegs(folder):
    out = []
    im = open_image(os.path.join(folder, "strip.jpg"), "JPEG", (13, 36))
    need(max(luminance(p) for p in im.convert("RGB").getdata()) < 128,
         "strip.jpg: should be dark (charcoal)")
    out.append(("strip.jpg", "JPEG 13x36"))

    im = open_image(os.path.join(folder, "illustration.jpg"), "JPEG", (300, 100)).convert("RGB")
    for xy in ((0, 0), (299, 0), (0, 99), (299, 99), (150, 2)):
        need(luminance(im.getpixel(xy)) >= 245,
             "illustration.jpg: background at %s is %s, not white for the light panel"
             % (xy, im.getpixel(xy)))
    out.append(("illustration.jpg", "JPEG 300x100"))

    im = open_image(os.path.join(folder, "wordmark.jpg"), "JPEG", (120, 41)).convert("RGB")
    need(luminance(im.getpixel((1, 1))) < 110, "wordmark.jpg: background should be dark grey")
    need(max(luminance(p) for p in im.getdata()) > 200, "wordmark.jpg: no light letters")
    out.append(("wordmark.jpg", "JPEG 120x41"))
    return out


def check_gif(folder):
    path = os.path.join(folder, "folder.gif")
    im = open_image(path, "GIF", (20, 20))
    need(im.mode == "P", "folder.gif: mode %s, expected a palette image" % im.mode)
    t = im.info.get("transparency")
    need(isinstance(t, int), "folder.gif: no transparent colour index")
    with open(path, "rb") as f:
        raw = f.read()
    need(raw.count(b"\x21\xf9\x04") == 1, "folder.gif: expected one graphic control extension")
    px = list(im.getdata())
    need(px[0] == t, "folder.gif: the top left corner should be transparent")
    pal = im.getpalette()
    key = tuple(pal[3 * t:3 * t + 3])
    for i in sorted(set(px)):
        need(i == t or tuple(pal[3 * i:3 * i + 3]) != key,
             "folder.gif: opaque index %d has the transparent colour %s" % (i, key))
    ntrans = px.count(t)
    need(0 < ntrans < len(px), "folder.gif: transparent index %d used by %d pixels" % (t, ntrans))
    return "GIF 20x20, transparent index %d" % t, im.convert("RGBA")


# --------------------------------------------------------------------------


def run(folder):
    lines = []
    for name, msg in check_jpegs(folder):
        lines.append("%-17s %s" % (name, msg))
    msg, _ = check_gif(folder)
    lines.append("%-17s %s" % ("folder.gif", msg))
    msg, _ = check_icon(os.path.join(folder, "app.ico"))
    lines.append("%-17s %s" % ("app.ico", msg))
    for name, hs in (("hand.cur", (4, 0)), ("move.cur", (14, 14))):
        msg, _ = check_cursor(os.path.join(folder, name), hs)
        lines.append("%-17s %s" % (name, msg))
    return lines


def main(argv):
    folder = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app", "resources")
    try:
        lines = run(folder)
    except Mismatch as e:
        print("check_artwork: FAILED: %s" % e)
        return 1
    except (OSError, struct.error) as e:
        print("check_artwork: FAILED: %s" % e)
        return 1
    for line in lines:
        print(line)
    print("check_artwork: all artwork files are as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
