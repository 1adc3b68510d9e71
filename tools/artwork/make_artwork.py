#!/usr/bin/python3
"""Draws the artwork of Zefra INDIR, the updater of Zefra VUNO (by Ovantis).

Run with Debian's Python and python3-pil, from anywhere:

    /usr/bin/python3 tools/artwork/make_artwork.py

It writes, into app/resources/ of this tree:

    strip.jpg         13 x 36   charcoal texture for the header and footer bands
    illustration.jpg  300 x 100 globe -> arrow -> laptop, on the white panel
    wordmark.jpg      120 x 41  "OVANTIS", light letters on dark grey
    folder.gif        20 x 20   folder, one transparent palette index
    app.ico           23 images (1, 4, 8 and 32 bits per pixel)
    hand.cur          32 x 32   monochrome hand, hot spot (4, 0)
    move.cur          32 x 32   monochrome four-headed arrow, hot spot (14, 14)

Everything is drawn from code (no fonts, no downloads, no randomness other
than a seeded generator), so every run writes the same bytes.  Shapes are
drawn at SS times the final size and reduced with a Lanczos filter.
tools/artwork/check_artwork.py checks the files independently.
"""

import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageMath

RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app", "resources")
SS = 4  # supersampling factor

# --------------------------------------------------------------------------
# small helpers


def clamp8(v):
    v = int(round(v))
    return 0 if v < 0 else 255 if v > 255 else v


def interp_stops(stops, t):
    """stops: [(position 0..1, colour), ...] in increasing position."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            u = (t - p0) / (p1 - p0) if p1 > p0 else 0.0
            return tuple(a + (b - a) * u for a, b in zip(c0, c1))
    return stops[-1][1]


def colorize(gray, stops):
    """L image -> RGB image, mapping 0..255 through the colour stops."""
    luts = [[clamp8(interp_stops(stops, i / 255.0)[ch]) for i in range(256)]
            for ch in range(3)]
    return Image.merge("RGB", [gray.point(lut) for lut in luts])


def coord_images(size):
    """Two F images holding each pixel's x and y (pixel centres)."""
    w, h = size
    xs = Image.new("F", (w, 1))
    xs.putdata([x + 0.5 for x in range(w)])
    ys = Image.new("F", (1, h))
    ys.putdata([y + 0.5 for y in range(h)])
    return xs.resize((w, h), Image.NEAREST), ys.resize((w, h), Image.NEAREST)


def linear_ramp(size, p0, p1):
    """L image: 0 at p0 rising to 255 at p1 (clipped beyond)."""
    X, Y = coord_images(size)
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    l2 = float(dx * dx + dy * dy)
    a, b = 255.0 * dx / l2, 255.0 * dy / l2
    c = -(a * p0[0] + b * p0[1])
    return ImageMath.eval("convert(X*a + Y*b + c, 'L')", X=X, Y=Y, a=a, b=b, c=c)


_RADIAL = None


def _radial_tile():
    """512 x 512 L tile: distance from the centre, 255 at radius 256."""
    global _RADIAL
    if _RADIAL is None:
        n = 512
        data = []
        for y in range(n):
            dy = (y + 0.5 - n / 2) ** 2
            for x in range(n):
                d = math.sqrt((x + 0.5 - n / 2) ** 2 + dy) / (n / 2)
                data.append(min(255, int(d * 255 + 0.5)))
        _RADIAL = Image.new("L", (n, n))
        _RADIAL.putdata(data)
    return _RADIAL


def radial_ramp(size, centre, rx, ry=None):
    """L image: 0 at centre rising to 255 at the ellipse of radii rx, ry."""
    ry = rx if ry is None else ry
    out = Image.new("L", size, 255)
    w, h = max(1, int(round(2 * rx))), max(1, int(round(2 * ry)))
    tile = _radial_tile().resize((w, h), Image.BILINEAR)
    out.paste(tile, (int(round(centre[0] - w / 2)), int(round(centre[1] - h / 2))))
    return out


def scale_mask(mask, factor):
    return mask.point(lambda v: clamp8(v * factor))


def solid(size, colour, mode="RGB"):
    return Image.new(mode, size, colour)


def layer_from(rgb, alpha):
    """RGBA layer from an RGB image (or colour) and an L alpha mask."""
    if not isinstance(rgb, Image.Image):
        rgb = solid(alpha.size, rgb)
    out = rgb.convert("RGBA")
    out.putalpha(alpha)
    return out


def shape_mask(size, draw_fn):
    m = Image.new("L", size, 0)
    draw_fn(ImageDraw.Draw(m))
    return m


def soft_shadow(size, draw_fn, blur, strength):
    m = shape_mask(size, draw_fn).filter(ImageFilter.GaussianBlur(blur))
    return layer_from((0, 0, 0), scale_mask(m, strength))


def over(base, layer):
    """Alpha-composite layer over base (both RGBA, same size)."""
    return Image.alpha_composite(base, layer)


# --------------------------------------------------------------------------
# the globe (shared by the illustration and the icon)
#
# Coarse coastlines (longitude, latitude in degrees), enough for a small
# picture.  The view is centred near Anatolia.

AFRICA = [(-17, 21), (-13, 27), (-10, 30), (-9, 33), (-6, 36), (0, 36),
          (10, 37), (11, 33), (15, 32), (20, 31), (25, 32), (32, 31),
          (34, 28), (37, 22), (39, 16), (43, 12), (51, 12), (51, 10),
          (48, 5), (42, -1), (40, -10), (40, -16), (35, -24), (33, -27),
          (28, -33), (20, -35), (18, -32), (15, -27), (12, -17), (13, -10),
          (12, -5), (9, -1), (9, 4), (5, 6), (0, 5), (-5, 5), (-8, 4),
          (-12, 7), (-15, 11), (-17, 15)]
MADAGASCAR = [(44, -25), (47, -25), (50, -15), (49, -12), (44, -17)]
EURASIA = [(-9, 37), (-9, 43), (-2, 43.5), (-1, 46), (-4, 48), (-1, 49),
           (2, 51), (5, 53), (8, 54), (8, 57), (10, 57.5), (10.5, 56),
           (12, 54.5), (14, 54), (19, 54.5), (21, 57), (24, 59), (30, 60),
           (23, 60), (21, 61), (22, 65), (25, 65.5), (21, 63), (17, 61),
           (18, 59), (16, 56), (13, 55.5), (11, 59), (6, 58), (5, 61),
           (8, 63), (13, 66), (16, 69), (22, 70.5), (28, 71), (33, 69.5),
           (40, 67), (44, 68), (53, 68), (60, 69), (70, 73), (80, 73),
           (100, 77), (115, 73), (130, 72), (140, 72), (160, 70), (180, 68),
           (180, 65), (160, 60), (142, 52), (135, 43), (128, 38), (122, 31),
           (121, 25), (110, 20), (108, 12), (105, 9), (100, 13), (98, 8),
           (100, 3), (98, 16), (94, 17), (90, 22), (86, 20), (80, 15),
           (78, 8), (76, 11), (73, 18), (72, 21), (68, 24), (62, 25),
           (57, 25), (59, 22), (57, 18), (52, 16), (45, 13), (43, 13),
           (39, 21), (35, 28), (34, 31), (35, 33), (36, 36), (33, 36),
           (30, 36.5), (28, 37), (26, 40), (23, 40), (23, 38), (22, 37),
           (21, 38), (20, 40), (19, 42), (16, 44), (13, 46), (12, 44),
           (16, 41), (18, 40), (16, 38), (15, 40), (12, 42), (9, 44),
           (6, 43), (3, 43), (3, 42), (0, 39), (-1, 37), (-5, 36)]
BRITAIN = [(-5, 50), (1, 51), (2, 53), (-2, 56), (-2, 58), (-5, 58.5),
           (-6, 56), (-5, 54), (-3, 53.5), (-5, 52), (-4, 51.5)]
IRELAND = [(-10, 52), (-6, 52), (-6, 55), (-8, 55), (-10, 54)]
LAND = [AFRICA, MADAGASCAR, EURASIA, BRITAIN, IRELAND]
BLACK_SEA = [(28, 41), (28, 43), (30, 45), (33, 46), (35, 45), (38, 47),
             (40, 43), (41.5, 41.5), (36, 41.5), (32, 42), (29, 41)]
CASPIAN = [(47, 44), (50, 47), (53, 45), (52, 41), (54, 37), (50, 37), (49, 40)]
WATER = [BLACK_SEA, CASPIAN]

VIEW_LON, VIEW_LAT, VIEW_TILT = 28.0, 24.0, -14.0


def project(lon, lat):
    """Orthographic projection: (x, y right/up in -1..1, z towards us)."""
    l0, p0 = math.radians(VIEW_LON), math.radians(VIEW_LAT)
    lo, la = math.radians(lon), math.radians(lat)
    x = math.cos(la) * math.sin(lo - l0)
    y = math.cos(p0) * math.sin(la) - math.sin(p0) * math.cos(la) * math.cos(lo - l0)
    z = math.sin(p0) * math.sin(la) + math.cos(p0) * math.cos(la) * math.cos(lo - l0)
    t = math.radians(VIEW_TILT)
    x, y = x * math.cos(t) - y * math.sin(t), x * math.sin(t) + y * math.cos(t)
    return x, y, z


def densify(poly, step=1.5):
    out = []
    for (a, b), (c, d) in zip(poly, poly[1:] + poly[:1]):
        n = max(1, int(math.ceil(max(abs(c - a), abs(d - b)) / step)))
        for i in range(n):
            out.append((a + (c - a) * i / n, b + (d - b) * i / n))
    return out


def to_screen(x, y, R):
    return (R + x * R, R - y * R)


def polygon_on_globe(poly, R):
    pts = []
    for lon, lat in densify(poly):
        x, y, z = project(lon, lat)
        if z < 0:  # behind: pull it onto the rim
            n = math.hypot(x, y) or 1.0
            x, y = x / n, y / n
        pts.append(to_screen(x, y, R))
    return pts


def grid_runs(R, step_deg=30):
    """Visible pieces of the meridians and parallels, as point lists."""
    lines = []
    for k in range(360 // step_deg):
        lon = VIEW_LON + k * step_deg
        lines.append([(lon, lat) for lat in range(-88, 89, 2)])
    for lat in range(-90 + step_deg, 90, step_deg):
        lines.append([(lon, lat) for lon in range(-180, 181, 2)])
    runs = []
    for line in lines:
        run = []
        for lon, lat in line:
            x, y, z = project(lon, lat)
            if z > 0.04:
                run.append(to_screen(x, y, R))
            else:
                if len(run) > 1:
                    runs.append(run)
                run = []
        if len(run) > 1:
            runs.append(run)
    return runs


LAND_VGA = (0, 255, 255)
GLOBE_BLUE = dict(ocean=(84, 160, 248), land=(176, 226, 255), grid=(255, 255, 255),
                  grid_alpha=0.30, rim=(14, 52, 128), shade=0.62, specular=0.55,
                  glow=(120, 200, 255))
GLOBE_GREY = dict(ocean=(176, 182, 190), land=(232, 235, 239), grid=(255, 255, 255),
                  grid_alpha=0.45, rim=(112, 118, 126), shade=0.50, specular=0.60,
                  glow=(220, 225, 232))
GLOBE_VGA = dict(ocean=(0, 0, 255), land=LAND_VGA, rim=(0, 0, 110), shade=0.55, specular=0.0,
                 glow=(0, 40, 255), glow_k=0.0)
GLOBE_MONO = dict(ocean=(255, 255, 255), land=(128, 128, 128), rim=(0, 0, 0))
GLOBE_MONO_LINES = dict(ocean=(255, 255, 255), land=(255, 255, 255), rim=(0, 0, 0),
                        grid=(0, 0, 0), grid_alpha=1.0, grid_step=90)


def render_globe(D, style, grid_w=0.0, rim_w=0.0, flat=False):
    """RGBA image D x D of the globe.  grid_w/rim_w: line widths in pixels
    of this image (0: none).  flat: no shading (for the monochrome icon)."""
    R = D / 2.0
    img = solid((D, D), style["ocean"])
    dr = ImageDraw.Draw(img)
    for poly in LAND:
        dr.polygon(polygon_on_globe(poly, R), fill=style["land"])
    for poly in WATER:
        dr.polygon(polygon_on_globe(poly, R), fill=style["ocean"])
    if grid_w > 0:
        gm = Image.new("L", (D, D), 0)
        gd = ImageDraw.Draw(gm)
        for run in grid_runs(R, style.get("grid_step", 30)):
            gd.line(run, fill=clamp8(255 * style["grid_alpha"]),
                    width=max(1, int(round(grid_w))), joint="curve")
        img = Image.composite(solid((D, D), style["grid"]), img, gm)
    if not flat:
        # diffuse light from the upper left
        t = radial_ramp((D, D), (R * 0.62, R * 0.52), R * 1.75)
        k = style["shade"]
        lut = [clamp8(255 * (1.0 - k * (i / 255.0) ** 1.6)) for i in range(256)]
        sh = t.point(lut)
        img = ImageChops.multiply(img, Image.merge("RGB", [sh, sh, sh]))
        # light bounced back at the lower right rim
        rimt = radial_ramp((D, D), (R * 0.85, R * 0.85), R * 1.12)
        glow = rimt.point([clamp8(255 * style.get("glow_k", 0.45) * max(0.0, (i / 255.0 - 0.78) / 0.22) ** 2)
                           for i in range(256)])
        img = Image.composite(solid((D, D), style["glow"]), img, glow)
        # soft specular highlight
        shine = radial_ramp((D, D), (R * 0.62, R * 0.50), R * 0.55, R * 0.42)
        shine = shine.point([clamp8(255 * style["specular"] * max(0.0, 1 - i / 255.0) ** 2)
                           for i in range(256)])
        img = Image.composite(solid((D, D), (255, 255, 255)), img, shine)
    alpha = shape_mask((D, D), lambda d: d.ellipse((0, 0, D - 1, D - 1), fill=255))
    if rim_w > 0:
        ring = shape_mask((D, D), lambda d: d.ellipse((0, 0, D - 1, D - 1),
                                                      outline=255, width=max(1, int(round(rim_w)))))
        img = Image.composite(solid((D, D), style["rim"]), img, ring)
    return layer_from(img, alpha)


# --------------------------------------------------------------------------
# the application icon: blue globe, green badge with a white down arrow


def draw_icon(size, style="color", reduce=True):
    """The master drawing at size x size (RGBA), drawn at SS x and reduced
    (reduce=False: the drawing at SS x, for the palette images).

    style "color": full colour, for 8 and 32 bits per pixel;
    "vga": the same drawing in colours close to the 16 VGA colours, without
    soft shadows and gloss, so that it maps cleanly onto 4 bits per pixel;
    "mono": black, white and grey (grey becomes a checker pattern in 1 bpp).
    """
    H = size * SS
    px = float(SS)  # one final pixel in drawing units
    canvas = Image.new("RGBA", (H, H), (0, 0, 0, 0))
    full = style == "color"

    small = size <= 24
    gsize = int(round(H * (0.90 if small else 0.88)))
    goff = int(round(H * (0.01 if small else 0.02)))
    rim_w = px * (0.9 if size <= 32 else 1.0) * max(1.0, size / 96.0)
    if style == "mono" and size <= 16:
        globe = render_globe(gsize, GLOBE_MONO_LINES, grid_w=px, rim_w=px, flat=True)
    elif style == "mono":
        globe = render_globe(gsize, GLOBE_MONO, rim_w=px * 1.0, flat=True)
    elif style == "vga":
        globe = render_globe(gsize, GLOBE_VGA, rim_w=max(px, rim_w))
    else:
        grid_w = 0.0 if size < 32 else px * (0.55 if size < 64 else 0.45) * max(1.0, size / 96.0)
        globe = render_globe(gsize, GLOBE_BLUE, grid_w=grid_w, rim_w=rim_w)
    canvas.paste(globe, (goff, goff), globe)

    # badge geometry; at 16 and 24 pixels in whole final pixels, so that the
    # arrow keeps crisp edges
    if size == 16:
        cx = cy = 10.0 * px
        r = 5.9 * px
    elif size == 24:
        cx = cy = 16.0 * px
        r = 7.6 * px
    else:
        r = H * 0.265
        cx = cy = H - r - H * 0.02
    if size == 16 and style != "color":
        outline_w = 0.0
    elif size <= 24:
        outline_w = px * 0.6 if full else px * 0.8
    else:
        outline_w = px * (0.8 if full else 1.0) * max(1.0, size / 128.0)
    ring_w = max(px * 1.0, H * 0.035)

    def disc(rad):
        return (cx - rad, cy - rad, cx + rad, cy + rad)

    if full and size >= 32:
        # the badge casts a soft shadow onto the globe only
        sh = shape_mask((H, H), lambda d: d.ellipse(
            (cx - r + H * 0.01, cy - r + H * 0.025, cx + r + H * 0.01, cy + r + H * 0.025), fill=255))
        sh = sh.filter(ImageFilter.GaussianBlur(H * 0.025))
        sh = ImageChops.multiply(sh, canvas.getchannel("A"))
        canvas = over(canvas, layer_from((0, 20, 60), scale_mask(sh, 0.45)))

    dark = {"color": (22, 92, 30), "vga": (0, 40, 0), "mono": (0, 0, 0)}[style]
    canvas = over(canvas, layer_from(dark, shape_mask((H, H), lambda d: d.ellipse(disc(r), fill=255))))
    canvas = over(canvas, layer_from((255, 255, 255), shape_mask(
        (H, H), lambda d: d.ellipse(disc(r - outline_w), fill=255))))
    inner = r - outline_w - ring_w
    inner_mask = shape_mask((H, H), lambda d: d.ellipse(disc(inner), fill=255))
    g = linear_ramp((H, H), (cx, cy - inner), (cx, cy + inner))
    if style == "mono":
        fill = solid((H, H), (0, 0, 0))
    elif style == "vga":
        fill = colorize(g, [(0.0, (0, 230, 0)), (0.42, (0, 200, 0)), (0.58, (0, 150, 0)),
                            (1.0, (0, 120, 0))])
    else:
        fill = colorize(g, [(0.0, (142, 222, 96)), (0.45, (66, 176, 58)), (1.0, (24, 118, 34))])
    canvas = over(canvas, layer_from(fill, inner_mask))
    if full and size >= 32:
        # gloss on the upper half of the badge
        gl = shape_mask((H, H), lambda d: d.ellipse(
            (cx - inner * 0.80, cy - inner * 0.95, cx + inner * 0.80, cy + inner * 0.15), fill=255))
        gl = ImageChops.multiply(gl, scale_mask(ImageChops.invert(linear_ramp(
            (H, H), (cx, cy - inner), (cx, cy + inner * 0.15))), 0.55))
        canvas = over(canvas, layer_from((255, 255, 255), gl))

    # the white arrow pointing down
    if size == 16:
        sw, hw, top, neck, tip = 2 * px, 6 * px, cy - 3.5 * px, cy, cy + 3.5 * px
    elif size == 24:
        sw, hw, top, neck, tip = 2 * px, 7 * px, cy - 4.5 * px, cy + 0.0 * px, cy + 4.0 * px
    else:
        sw = inner * 0.36        # shaft width
        hw = inner * 1.04        # head width
        top = cy - inner * 0.62
        neck = cy + inner * 0.02
        tip = cy + inner * 0.66
    arrow = [(cx - sw / 2, top), (cx + sw / 2, top), (cx + sw / 2, neck),
             (cx + hw / 2, neck), (cx, tip), (cx - hw / 2, neck), (cx - sw / 2, neck)]
    if full and size >= 32:
        ash = shape_mask((H, H), lambda d: d.polygon([(x, y + H * 0.012) for x, y in arrow], fill=255))
        ash = ImageChops.multiply(ash.filter(ImageFilter.GaussianBlur(H * 0.01)), inner_mask)
        canvas = over(canvas, layer_from((0, 60, 0), scale_mask(ash, 0.5)))
    canvas = over(canvas, layer_from((255, 255, 255), shape_mask((H, H), lambda d: d.polygon(arrow, fill=255))))
    if not reduce:
        return canvas
    return canvas.resize((size, size), Image.LANCZOS)


# --------------------------------------------------------------------------
# palettes and quantisation

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
         (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
         (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
         (0, 255, 255), (255, 255, 255)]
VGA_SPARE = 5  # dark magenta: unused by the icon, the PNG's transparent index


def block_mode(classes, size, transparent=-1):
    """Reduce a SS x drawing, given as one class number per drawing pixel,
    to size x size: a pixel is transparent where at least half of its
    samples are, else it takes its most frequent opaque class.  This gives
    clean, hard edges in the few colours of a palette image (a blend of two
    palette colours would map to an unrelated third one)."""
    H = size * SS
    out = []
    half = SS * SS / 2.0
    for by in range(size):
        rows = [classes[(by * SS + j) * H + 0:(by * SS + j + 1) * H] for j in range(SS)]
        for bx in range(size):
            counts = {}
            for row in rows:
                for v in row[bx * SS:(bx + 1) * SS]:
                    counts[v] = counts.get(v, 0) + 1
            if counts.get(transparent, 0) >= half:
                out.append(transparent)
                continue
            best = max((n, -v) for v, n in counts.items() if v != transparent)
            out.append(-best[1])
    return out


def quantise_vga(size):
    """4-bit image of the icon: the "vga" drawing mapped at SS x onto the
    16 VGA colours (less the spare one) and reduced by block_mode.
    Returns (indices, opaque flags); transparent pixels get index 0."""
    hi = draw_icon(size, "vga", reduce=False)
    allowed = [i for i in range(16) if i != VGA_SPARE]
    pal_im = Image.new("P", (1, 1))
    pal_im.putpalette([v for i in allowed for v in VGA16[i]])
    q = hi.convert("RGB").quantize(palette=pal_im, dither=Image.Dither.NONE)
    classes = [allowed[i] if a >= 128 else -1 for i, a in zip(q.getdata(), hi.getchannel("A").getdata())]
    out = block_mode(classes, size)
    return [max(v, 0) for v in out], [v >= 0 for v in out]


def quantise_mono(size):
    """1-bit image of the icon: the "mono" drawing classed at SS x into
    black, white and grey, reduced by block_mode; grey becomes a checker
    pattern.  Returns (indices 0 black / 1 white, opaque flags)."""
    hi = draw_icon(size, "mono", reduce=False)
    classes = []
    for r, g, b, a in hi.getdata():
        if a < 128:
            classes.append(-1)
            continue
        lum = (299 * r + 587 * g + 114 * b) / 1000.0
        classes.append(0 if lum < 80 else 1 if lum > 180 else 2)
    out = block_mode(classes, size)
    idx = []
    for i, v in enumerate(out):
        if v == 2:
            v = (i % size + i // size) % 2
        idx.append(max(v, 0))
    return idx, [v >= 0 for v in out]


def quantise_adaptive(rgba, ncolours=255, threshold=128):
    """Adaptive palette (median cut, Floyd-Steinberg) for opaque pixels.
    Returns (palette of ncolours+1 entries, indices, opaque flags); the last
    palette entry is black and is used for the transparent pixels."""
    w, h = rgba.size
    alpha = rgba.getchannel("A")
    opaque_mask = alpha.point(lambda v: 255 if v >= threshold else 0)
    # fill the transparent part with the mean opaque colour, so it doesn't
    # take palette entries of its own
    rgb = rgba.convert("RGB")
    data = [p for p, a in zip(rgb.getdata(), opaque_mask.getdata()) if a]
    mean = tuple(sum(c[k] for c in data) // len(data) for k in range(3))
    filled = Image.composite(rgb, solid((w, h), mean), opaque_mask)
    q = filled.quantize(colors=ncolours, method=Image.Quantize.MEDIANCUT,
                        dither=Image.Dither.FLOYDSTEINBERG)
    raw = q.getpalette()[:3 * ncolours]
    pal = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    pal += [(0, 0, 0)] * (ncolours - len(pal))
    pal.append((0, 0, 0))
    opaque = [a == 255 for a in opaque_mask.getdata()]
    idx = [i if o else ncolours for i, o in zip(q.getdata(), opaque)]
    return pal, idx, opaque


# --------------------------------------------------------------------------
# DIBs, ICO and CUR files


def pack_row(values, bpp):
    out = bytearray()
    if bpp == 32:
        for v in values:
            out += bytes(v)
    else:
        per = 8 // bpp
        for i in range(0, len(values), per):
            byte = 0
            chunk = values[i:i + per]
            for j, v in enumerate(chunk):
                byte |= v << (8 - bpp * (j + 1))
            out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def make_dib(width, height, bpp, rows_xor, and_rows, palette=None):
    """rows_xor: top-down list of per-pixel values (indices, or BGRA tuples);
    and_rows: top-down list of 0/1 (1 = transparent)."""
    xor = b"".join(pack_row(r, bpp) for r in reversed(rows_xor))
    mask = b"".join(pack_row(r, 1) for r in reversed(and_rows))
    ncol = len(palette) if palette else 0
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, ncol if bpp < 8 or ncol < 256 else 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in (palette or []))
    return header + pal + xor + mask


def rows_of(values, width):
    return [values[i:i + width] for i in range(0, len(values), width)]


def png_bytes(im, transparency=None):
    buf = io.BytesIO()
    kw = {"optimize": True}
    if transparency is not None:
        kw["transparency"] = transparency
    im.save(buf, format="PNG", **kw)
    return buf.getvalue()


def write_icon_dir(path, kind, entries):
    """entries: (width, height, colour_count, planes_or_hx, bits_or_hy, data)."""
    out = bytearray(struct.pack("<HHH", 0, kind, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, cc, a, b, data in entries:
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, cc, 0, a, b, len(data), offset)
        offset += len(data)
    for e in entries:
        out += e[5]
    with open(path, "wb") as f:
        f.write(bytes(out))


def icon_image(size, bpp, as_png):
    """One icon image: (colour_count, data)."""
    if bpp == 1:
        idx, opaque = quantise_mono(size)
        and_rows = rows_of([0 if o else 1 for o in opaque], size)
        return 2, make_dib(size, size, 1, rows_of(idx, size), and_rows, [(0, 0, 0), (255, 255, 255)])
    if bpp == 4:
        idx, opaque = quantise_vga(size)
        if as_png:
            im = Image.new("P", (size, size))
            im.putpalette([v for c in VGA16 for v in c])
            im.putdata([i if o else VGA_SPARE for i, o in zip(idx, opaque)])
            return 16, png_bytes(im, transparency=VGA_SPARE)
        idx = [i if o else 0 for i, o in zip(idx, opaque)]
        and_rows = rows_of([0 if o else 1 for o in opaque], size)
        return 16, make_dib(size, size, 4, rows_of(idx, size), and_rows, VGA16)
    master = draw_icon(size)
    if bpp == 8:
        pal, idx, opaque = quantise_adaptive(master)
        if as_png:
            im = Image.new("P", (size, size))
            im.putpalette([v for c in pal for v in c])
            im.putdata(idx)
            return 0, png_bytes(im, transparency=255)
        and_rows = rows_of([0 if o else 1 for o in opaque], size)
        return 0, make_dib(size, size, 8, rows_of(idx, size), and_rows, pal)
    # 32 bits: straight (not premultiplied) BGRA
    if as_png:
        return 0, png_bytes(master)
    px = [(b, g, r, a) if a else (0, 0, 0, 0) for r, g, b, a in master.getdata()]
    and_rows = rows_of([1 if p[3] == 0 else 0 for p in px], size)
    return 0, make_dib(size, size, 32, rows_of(px, size), and_rows)


ICON_LAYOUT = ([(s, 1) for s in (48, 32, 16)]
               + [(s, 4) for s in (256, 48, 32, 24, 16)]
               + [(s, 8) for s in (256, 48, 32, 24, 16)]
               + [(s, 32) for s in (256, 128, 96, 80, 72, 64, 48, 32, 24, 16)])


def make_icon(path):
    entries = []
    for size, bpp in ICON_LAYOUT:
        cc, data = icon_image(size, bpp, as_png=(size == 256))
        entries.append((size, size, cc, 1, bpp, data))
    write_icon_dir(path, 1, entries)


# --------------------------------------------------------------------------
# cursors ('#' black, '.' white, anything else transparent)

HAND = """
    ##
   #..#
   #..#
   #..#
   #..#
   #..###
   #..#..###
   #..#..#..###
 ###..#..#..#..#
#..#..#..#..#..#
#..#..#..#..#..#
#..............#
#..............#
 #.............#
  #............#
  #...........#
   #..........#
   #.........#
    #........#
    #........#
    ##########
"""


def parse_art(art, width=32, height=32):
    lines = art.strip("\n").split("\n")
    grid = [[" "] * width for _ in range(height)]
    for y, line in enumerate(lines):
        for x, ch in enumerate(line):
            grid[y][x] = ch
    return grid


def hand_grid():
    return parse_art(HAND)


def move_grid():
    c = 14
    black = set()
    for d in range(-10, 11):
        a = abs(d)
        half = 10 - a if a >= 7 else 0
        for s in range(-half, half + 1):
            black.add((c + d, c + s))
            black.add((c + s, c + d))
    out = [[" "] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            if (x, y) in black:
                out[y][x] = "#"
            elif any((x + dx, y + dy) in black for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                out[y][x] = "."
    return out


def make_cursor(path, grid, hotspot):
    xor_rows, and_rows = [], []
    for row in grid:
        xor_rows.append([1 if ch == "." else 0 for ch in row])
        and_rows.append([0 if ch in "#." else 1 for ch in row])
    data = make_dib(32, 32, 1, xor_rows, and_rows, [(0, 0, 0), (255, 255, 255)])
    write_icon_dir(path, 2, [(32, 32, 2, hotspot[0], hotspot[1], data)])


# --------------------------------------------------------------------------
# the bitmaps

STRIP_W, STRIP_H = 13, 36
CHARCOAL = [(0.0, (72, 74, 78)), (0.55, (54, 55, 59)), (1.0, (40, 41, 44))]


def strip_row(y):
    """Colour (floats) of row y of the strip, without its texture."""
    base = interp_stops(CHARCOAL, y / (STRIP_H - 1.0))
    if y == 0:
        return (104.0, 106.0, 111.0)       # light top edge
    if y == 1:
        return tuple(v + 8 for v in base)
    if y == STRIP_H - 1:
        return (26.0, 27.0, 29.0)          # dark bottom edge
    return base


def strip_at(yf):
    """The strip's colour at a fractional row (linear between rows)."""
    yf = min(max(yf, 0.0), STRIP_H - 1.0)
    y0 = int(math.floor(yf))
    y1 = min(y0 + 1, STRIP_H - 1)
    return tuple(a + (b - a) * (yf - y0) for a, b in zip(strip_row(y0), strip_row(y1)))


def make_strip(path):
    rnd = random.Random(20240613)
    # texture mostly along the rows: stretched sideways it reads as brushed metal
    row_noise = [rnd.uniform(-2.2, 2.2) for _ in range(STRIP_H)]
    im = Image.new("RGB", (STRIP_W, STRIP_H))
    data = []
    for y in range(STRIP_H):
        base = strip_row(y)
        edge = y in (0, STRIP_H - 1)
        for x in range(STRIP_W):
            n = 0.0 if edge else row_noise[y] + rnd.uniform(-0.8, 0.8)
            data.append(tuple(clamp8(v + n) for v in base))
    im.putdata(data)
    im.save(path, "JPEG", quality=95, subsampling=0, optimize=True)


def make_illustration(path):
    W, H = 300 * SS, 100 * SS
    s = float(SS)
    canvas = Image.new("RGBA", (W, H), (255, 255, 255, 255))

    # globe with its ground shadow
    gcx, gcy, gr = 56 * s, 47 * s, 37 * s
    canvas = over(canvas, soft_shadow((W, H), lambda d: d.ellipse(
        (gcx - gr * 0.72, 86 * s, gcx + gr * 0.72, 91.5 * s), fill=255), 2.2 * s, 0.30))
    D = int(round(2 * gr))
    globe = render_globe(D, GLOBE_GREY, grid_w=0.8 * s, rim_w=0.9 * s)
    layer = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    layer.paste(globe, (int(round(gcx - gr)), int(round(gcy - gr))))
    canvas = over(canvas, layer)

    # arrow pointing right
    ay = 48 * s
    x0, xn, xt = 106 * s, 146 * s, 172 * s
    sh_h, hd_h = 7.5 * s, 19 * s
    arrow = [(x0, ay - sh_h), (xn, ay - sh_h), (xn, ay - hd_h), (xt, ay),
             (xn, ay + hd_h), (xn, ay + sh_h), (x0, ay + sh_h)]
    canvas = over(canvas, soft_shadow((W, H), lambda d: d.polygon(
        [(x + 1.5 * s, y + 3.5 * s) for x, y in arrow], fill=255), 2.2 * s, 0.22))
    amask = shape_mask((W, H), lambda d: d.polygon(arrow, fill=255))
    g = linear_ramp((W, H), (0, ay - hd_h), (0, ay + hd_h))
    fill = colorize(g, [(0.0, (132, 196, 252)), (0.42, (60, 142, 232)), (1.0, (22, 84, 186))])
    canvas = over(canvas, layer_from((20, 72, 160), amask))
    inner = amask.filter(ImageFilter.MinFilter(int(2 * s) + 1))
    canvas = over(canvas, layer_from(fill, inner))
    # gloss on the upper half
    gloss = ImageChops.multiply(inner, shape_mask((W, H), lambda d: d.rectangle(
        (0, 0, W, ay - 0.5 * s), fill=255)))
    gl_ramp = ImageChops.invert(linear_ramp((W, H), (0, ay - hd_h), (0, ay)))
    canvas = over(canvas, layer_from((255, 255, 255), ImageChops.multiply(gloss, scale_mask(gl_ramp, 0.45))))

    # laptop
    lx0, ly0, lx1, ly1 = 190 * s, 13 * s, 276 * s, 72 * s
    bx_top0, bx_top1, bx_bot0, bx_bot1 = 184 * s, 282 * s, 178 * s, 288 * s
    by0, by1 = 72 * s, 81 * s
    canvas = over(canvas, soft_shadow((W, H), lambda d: d.ellipse(
        (bx_bot0 + 2 * s, by1 - 1 * s, bx_bot1 - 2 * s, by1 + 6 * s), fill=255), 2.5 * s, 0.35))
    # lid
    lid = shape_mask((W, H), lambda d: d.rounded_rectangle((lx0, ly0, lx1, ly1), radius=4 * s, fill=255))
    canvas = over(canvas, layer_from((58, 62, 68), lid))
    lid_in = shape_mask((W, H), lambda d: d.rounded_rectangle(
        (lx0 + 0.9 * s, ly0 + 0.9 * s, lx1 - 0.9 * s, ly1), radius=3.2 * s, fill=255))
    g = linear_ramp((W, H), (0, ly0), (0, ly1))
    canvas = over(canvas, layer_from(colorize(g, [(0.0, (86, 91, 98)), (1.0, (36, 39, 44))]), lid_in))
    # screen: blue field
    sx0, sy0, sx1, sy1 = lx0 + 5 * s, ly0 + 5 * s, lx1 - 5 * s, ly1 - 4 * s
    scr = shape_mask((W, H), lambda d: d.rectangle((sx0, sy0, sx1, sy1), fill=255))
    g = linear_ramp((W, H), (sx0, sy0), (sx1, sy1))
    blue = colorize(g, [(0.0, (78, 160, 238)), (0.55, (36, 112, 212)), (1.0, (18, 66, 160))])
    canvas = over(canvas, layer_from(blue, scr))
    # faint light rays on the field
    rays = shape_mask((W, H), lambda d: [d.polygon(
        [(sx0 + (cxr - 14) * s, sy1), (sx0 + (cxr + 4) * s, sy1), (sx0 + (cxr + 36) * s, sy0),
         (sx0 + (cxr + 26) * s, sy0)], fill=255) for cxr in (-20, 30, 58)])
    canvas = over(canvas, layer_from((255, 255, 255), scale_mask(ImageChops.multiply(rays, scr), 0.06)))
    # the round emblem
    ex, ey, er = (sx0 + sx1) / 2, (sy0 + sy1) / 2, 15 * s
    canvas = over(canvas, soft_shadow((W, H), lambda d: d.ellipse(
        (ex - er, ey - er + 1.5 * s, ex + er, ey + er + 1.5 * s), fill=255), 1.6 * s, 0.35))
    canvas = over(canvas, layer_from((255, 255, 255), shape_mask(
        (W, H), lambda d: d.ellipse((ex - er, ey - er, ex + er, ey + er), fill=255))))
    ir = er - 2.6 * s
    g = linear_ramp((W, H), (ex, ey - ir), (ex, ey + ir))
    ecol = colorize(g, [(0.0, (70, 150, 236)), (1.0, (20, 76, 176))])
    canvas = over(canvas, layer_from(ecol, shape_mask(
        (W, H), lambda d: d.ellipse((ex - ir, ey - ir, ex + ir, ey + ir), fill=255))))
    canvas = over(canvas, layer_from((255, 255, 255), shape_mask(
        (W, H), lambda d: d.ellipse((ex - ir + 1.6 * s, ey - ir + 1.6 * s, ex + ir - 1.6 * s,
                                     ey + ir - 1.6 * s), outline=255, width=int(0.9 * s)))))
    canvas = over(canvas, layer_from((255, 255, 255), shape_mask(
        (W, H), lambda d: d.polygon(v_glyph(ex, ey + 0.4 * s, 13 * s, 12 * s, 3.2 * s), fill=255))))
    # emblem gloss
    eg = shape_mask((W, H), lambda d: d.ellipse((ex - ir * 0.8, ey - ir * 0.95, ex + ir * 0.8, ey + ir * 0.05), fill=255))
    eg = ImageChops.multiply(eg, ImageChops.invert(linear_ramp((W, H), (0, ey - ir), (0, ey + ir * 0.05))))
    canvas = over(canvas, layer_from((255, 255, 255), scale_mask(eg, 0.22)))
    # base (keyboard deck), in slight perspective
    base = [(bx_top0, by0), (bx_top1, by0), (bx_bot1, by1 - 1.5 * s), (bx_bot1 - 1.5 * s, by1),
            (bx_bot0 + 1.5 * s, by1), (bx_bot0, by1 - 1.5 * s)]
    bmask = shape_mask((W, H), lambda d: d.polygon(base, fill=255))
    canvas = over(canvas, layer_from((140, 144, 150), bmask))
    bin_ = bmask.filter(ImageFilter.MinFilter(int(1 * s) + 1))
    g = linear_ramp((W, H), (0, by0), (0, by1))
    canvas = over(canvas, layer_from(colorize(g, [(0.0, (246, 247, 249)), (0.7, (212, 215, 220)),
                                                  (1.0, (176, 180, 186))]), bin_))
    # keys: three rows in perspective
    keys = Image.new("L", (W, H), 0)
    kd = ImageDraw.Draw(keys)
    for row in range(3):
        ky0 = by0 + (1.6 + row * 1.9) * s
        ky1 = ky0 + 1.2 * s
        f0, f1 = (ky0 - by0) / (by1 - by0), (ky1 - by0) / (by1 - by0)
        xl0 = bx_top0 + (bx_bot0 - bx_top0) * f0 + 12 * s
        xr0 = bx_top1 + (bx_bot1 - bx_top1) * f0 - 12 * s
        xl1 = bx_top0 + (bx_bot0 - bx_top0) * f1 + 12 * s
        xr1 = bx_top1 + (bx_bot1 - bx_top1) * f1 - 12 * s
        n = 17
        for k in range(n):
            a0, a1 = k / n, (k + 0.78) / n
            kd.polygon([(xl0 + (xr0 - xl0) * a0, ky0), (xl0 + (xr0 - xl0) * a1, ky0),
                        (xl1 + (xr1 - xl1) * a1, ky1), (xl1 + (xr1 - xl1) * a0, ky1)], fill=255)
    canvas = over(canvas, layer_from((120, 125, 132), scale_mask(keys, 0.75)))
    # hinge shadow line under the lid
    canvas = over(canvas, layer_from((90, 94, 100), shape_mask((W, H), lambda d: d.rectangle(
        (bx_top0 + 2 * s, by0, bx_top1 - 2 * s, by0 + 0.6 * s), fill=255))))

    out = canvas.convert("RGB").resize((300, 100), Image.LANCZOS)
    out.save(path, "JPEG", quality=93, subsampling=0, optimize=True)


def v_glyph(cx, cy, w, h, stroke):
    """Polygon of a 'V' centred at (cx, cy), w wide, h high."""
    top, bot = cy - h / 2, cy + h / 2
    half = w / 2
    ang = math.atan2(h, half)
    dx = stroke / math.sin(ang)  # horizontal thickness of a slanted stroke
    return [(cx - half, top), (cx - half + dx, top), (cx, bot - dx * math.tan(ang)),
            (cx + half - dx, top), (cx + half, top), (cx + dx / 2, bot), (cx - dx / 2, bot)]


# --------------------------------------------------------------------------
# wordmark: geometric capitals drawn from strokes


def draw_letters(text, cap, stroke, track):
    """Mask of the word, cap height `cap`, returns (mask, width)."""
    widths = {"O": 1.06 * cap, "V": 0.92 * cap, "A": 0.94 * cap, "N": 0.80 * cap,
              "T": 0.78 * cap, "I": stroke, "S": 0.70 * cap}
    total = sum(widths[c] for c in text) + track * (len(text) - 1)
    pad = int(stroke * 2)
    Wm, Hm = int(math.ceil(total)) + 2 * pad, int(math.ceil(cap)) + 2 * pad
    mask = Image.new("L", (Wm, Hm), 0)
    x = float(pad)
    top, bot = float(pad), float(pad) + cap
    for ch in text:
        w = widths[ch]
        letter = Image.new("L", (Wm, Hm), 0)
        d = ImageDraw.Draw(letter)
        if ch == "O":
            d.ellipse((x, top - cap * 0.015, x + w, bot + cap * 0.015), outline=255,
                      width=int(round(stroke * 1.04)))
        elif ch == "I":
            d.rectangle((x, top, x + stroke, bot), fill=255)
        elif ch == "T":
            d.rectangle((x, top, x + w, top + stroke * 0.94), fill=255)
            d.rectangle((x + w / 2 - stroke / 2, top, x + w / 2 + stroke / 2, bot), fill=255)
        elif ch == "N":
            d.rectangle((x, top, x + stroke * 0.92, bot), fill=255)
            d.rectangle((x + w - stroke * 0.92, top, x + w, bot), fill=255)
            d.polygon([(x, top), (x + stroke * 1.15, top), (x + w, bot), (x + w - stroke * 1.15, bot)], fill=255)
        elif ch in "VA":
            half = w / 2
            ang = math.atan2(cap, half)
            dx = stroke / math.sin(ang)
            if ch == "V":
                d.polygon([(x, top), (x + dx, top), (x + half, bot - dx * math.tan(ang)),
                           (x + w - dx, top), (x + w, top), (x + half + dx / 2, bot),
                           (x + half - dx / 2, bot)], fill=255)
            else:
                d.polygon([(x, bot), (x + dx, bot), (x + half, top + dx * math.tan(ang)),
                           (x + w - dx, bot), (x + w, bot), (x + half + dx / 2, top),
                           (x + half - dx / 2, top)], fill=255)
                yb = top + cap * 0.64
                d.rectangle((x + half * (1 - (yb - top) / cap) + dx * 0.5, yb - stroke * 0.42,
                             x + w - half * (1 - (yb - top) / cap) - dx * 0.5, yb + stroke * 0.42),
                            fill=255)
        elif ch == "S":
            hb = cap / 2 + stroke / 2
            sw = int(round(stroke * 0.98))
            d.arc((x, top, x + w, top + hb), start=86, end=322, fill=255, width=sw)
            d.arc((x, bot - hb, x + w, bot), start=-94, end=142, fill=255, width=sw)
        # keep each letter inside its cap band (clips the V and A points)
        band = shape_mask((Wm, Hm), lambda dd: dd.rectangle((0, top, Wm, bot), fill=255))
        mask = ImageChops.lighter(mask, ImageChops.multiply(letter, band) if ch in "VA" else letter)
        x += w + track
    return mask


def make_wordmark(path):
    W, H = 120 * 8, 41 * 8
    s = 8.0
    # The window shows the wordmark on its footer band (the strip stretched
    # to 44 rows), from the band's third row on: paint the same colours.
    band_h, band_row0 = 44, 2
    col = Image.new("RGB", (1, 41))
    col.putdata([tuple(clamp8(v) for v in strip_at((j + band_row0 + 0.5) * STRIP_H / band_h - 0.5))
                 for j in range(41)])
    bg = col.resize((W, H), Image.BILINEAR)
    cap, stroke, track = 13.0 * s, 2.05 * s, 3.6 * s
    mask = draw_letters("OVANTIS", cap, stroke, track)
    pad = int(stroke * 2)
    word_w = mask.size[0] - 2 * pad
    x = int(round((W - word_w) / 2)) - pad
    y = int(round(11.5 * s)) - pad
    full = Image.new("L", (W, H), 0)
    full.paste(mask, (x, y))
    img = bg.copy()
    # a faint shadow under the letters, then the letters
    shadow = Image.new("L", (W, H), 0)
    shadow.paste(mask, (x, y + int(0.8 * s)))
    img = Image.composite(solid((W, H), (24, 25, 28)), img, scale_mask(shadow.filter(
        ImageFilter.GaussianBlur(0.6 * s)), 0.7))
    lg = linear_ramp((W, H), (0, y + pad), (0, y + pad + cap))
    letters = colorize(lg, [(0.0, (250, 250, 251)), (1.0, (214, 218, 224))])
    img = Image.composite(letters, img, full)
    # thin accent rule under the word, blue in the middle fading out
    ry0, ry1 = int(round(30.0 * s)), int(round(30.9 * s))
    rx0, rx1 = x + pad, x + pad + word_w
    rule = shape_mask((W, H), lambda d: d.rectangle((rx0, ry0, rx1, ry1), fill=255))
    fade_row = Image.new("L", (W, 1))
    mid, half = (rx0 + rx1) / 2.0, (rx1 - rx0) / 2.0
    fade_row.putdata([clamp8(255 * max(0.0, 1 - abs(xx + 0.5 - mid) / half) ** 0.7) for xx in range(W)])
    fade = fade_row.resize((W, H), Image.NEAREST)
    img = Image.composite(solid((W, H), (72, 156, 236)), img, ImageChops.multiply(rule, fade))
    out = img.resize((120, 41), Image.LANCZOS)
    out.save(path, "JPEG", quality=95, subsampling=0, optimize=True)


# --------------------------------------------------------------------------
# folder.gif


def make_folder(path):
    n, s = 20, 8
    W = n * s
    canvas = Image.new("RGBA", (W, W), (0, 0, 0, 0))
    grey = (118, 118, 118)

    def P(pts):
        return [(x * s, y * s) for x, y in pts]

    e = 1.0 / s  # right and bottom edges end just before the pixel border
    back = P([(1, 3), (7, 3), (8, 4), (19 - e, 4), (19 - e, 17 - e), (1, 17 - e)])
    back_in = P([(2, 4), (6.6, 4), (7.6, 5), (18 - e, 5), (18 - e, 16 - e), (2, 16 - e)])
    front = P([(1, 7.5), (1.5, 7), (18.5, 7), (19 - e, 7.5), (19 - e, 17 - e), (1, 17 - e)])
    front_in = P([(2, 8), (18 - e, 8), (18 - e, 16 - e), (2, 16 - e)])
    canvas = over(canvas, layer_from(grey, shape_mask((W, W), lambda d: d.polygon(back, fill=255))))
    g = linear_ramp((W, W), (2 * s, 3 * s), (14 * s, 12 * s))
    back_fill = colorize(g, [(0.0, (255, 232, 190)), (1.0, (222, 132, 26))])
    canvas = over(canvas, layer_from(back_fill, shape_mask((W, W), lambda d: d.polygon(back_in, fill=255))))
    canvas = over(canvas, layer_from(grey, shape_mask((W, W), lambda d: d.polygon(front, fill=255))))
    g = linear_ramp((W, W), (3 * s, 8 * s), (17 * s, 16 * s))
    front_fill = colorize(g, [(0.0, (255, 255, 255)), (0.30, (255, 232, 178)), (0.75, (250, 172, 62)),
                              (1.0, (240, 140, 20))])
    canvas = over(canvas, layer_from(front_fill, shape_mask((W, W), lambda d: d.polygon(front_in, fill=255))))
    small = canvas.resize((n, n), Image.BOX)

    # palette: index 0 is the transparent colour, used by no opaque pixel
    key = (255, 255, 255)  # the transparent colour: the panel's white
    px = [p[:3] + (p[3],) if p[:3] != key else (254, 254, 254, p[3]) for p in small.getdata()]
    opaque = [p[3] >= 128 for p in px]
    colours = sorted(set(p[:3] for p, o in zip(px, opaque) if o))
    if len(colours) > 255:
        raise SystemExit("folder: too many colours")
    pal = [key] + colours
    index = {c: i + 1 for i, c in enumerate(colours)}
    im = Image.new("P", (n, n))
    im.putpalette([v for c in pal for v in c] + [0, 0, 0] * (256 - len(pal)))
    im.putdata([index[p[:3]] if o else 0 for p, o in zip(px, opaque)])
    im.save(path, "GIF", transparency=0, optimize=False)


# --------------------------------------------------------------------------


def main():
    make_strip(os.path.join(RESOURCES, "strip.jpg"))
    make_illustration(os.path.join(RESOURCES, "illustration.jpg"))
    make_wordmark(os.path.join(RESOURCES, "wordmark.jpg"))
    make_folder(os.path.join(RESOURCES, "folder.gif"))
    make_icon(os.path.join(RESOURCES, "app.ico"))
    make_cursor(os.path.join(RESOURCES, "hand.cur"), hand_grid(), (4, 0))
    make_cursor(os.path.join(RESOURCES, "move.cur"), move_grid(), (14, 14))
    return 0


if __name__ == "__main__":
    sys.exit(main())
