#!/usr/bin/python3
"""Draws the pictures and makes the sounds of the resource modules.

    python3 resources/tools/make_assets.py

Needs python3-pil and the DejaVu fonts (fonts-dejavu-core). The results are kept in the
repository, so building the program needs neither; run this again only to change a picture
or a sound. Every module (English, Russian, German) carries the same files.
"""
import math
import os
import random
import struct
import wave

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONTS = '/usr/share/fonts/truetype/dejavu/'
SANS = 'DejaVuSans.ttf'
BOLD = 'DejaVuSans-Bold.ttf'
COND = 'DejaVuSansCondensed.ttf'
COND_BOLD = 'DejaVuSansCondensed-Bold.ttf'

# The maker's addresses; the e-mail is also string 129 and the web address string 153.
MAIL = 'lettrino@example.org'
URL = 'example.org/lettrino'

INK = (52, 56, 64, 255)
PAPER = (250, 250, 248, 255)
SHADE = (214, 218, 224, 255)
FOLDER = (245, 196, 82, 255)
FOLDER_DARK = (214, 152, 40, 255)
FOLDER_EDGE = (150, 100, 20, 255)
BLUE = (38, 102, 204, 255)
BLUE_DARK = (24, 62, 140, 255)
BLUE_LIGHT = (170, 200, 240, 255)
RED = (210, 58, 50, 255)
GREEN = (50, 160, 70, 255)
GREY = (150, 154, 160, 255)
GREY_DARK = (96, 100, 108, 255)
GREY_LIGHT = (200, 203, 208, 255)


def font(name, px):
    return ImageFont.truetype(FONTS + name, max(1, round(px)))


class Canvas:
    """A drawing made at several times its size and scaled down, for smooth edges.

    Shapes are given in units of a `grid`-wide design (32 for icons), so one design serves
    several sizes; outline widths are given in pixels of the final picture."""

    def __init__(self, w, h, grid=None, bg=(0, 0, 0, 0), ss=8):
        self.w, self.h, self.ss = w, h, ss
        self.k = w / grid if grid else 1.0
        self.img = Image.new('RGBA', (w * ss, h * ss), bg)
        self.d = ImageDraw.Draw(self.img)

    def s(self, v):
        return round(v * self.k * self.ss)

    def px(self, v):
        return max(1, round(v * self.ss))

    def box(self, x0, y0, x1, y1):
        return [self.s(x0), self.s(y0), self.s(x1) - 1, self.s(y1) - 1]

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=1, radius=0):
        if radius:
            self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius=self.s(radius), fill=fill,
                                     outline=outline, width=self.px(width))
        else:
            self.d.rectangle(self.box(x0, y0, x1, y1), fill=fill, outline=outline, width=self.px(width))

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline, width=self.px(width))

    def poly(self, pts, fill=None, outline=None, width=1):
        pts = [(self.s(x), self.s(y)) for x, y in pts]
        self.d.polygon(pts, fill=fill)
        if outline:
            self.d.line(pts + [pts[0]], fill=outline, width=self.px(width), joint='curve')

    def line(self, pts, fill, width=1):
        self.d.line([(self.s(x), self.s(y)) for x, y in pts], fill=fill, width=self.px(width), joint='curve')

    def arc(self, x0, y0, x1, y1, start, end, fill, width=1):
        self.d.arc(self.box(x0, y0, x1, y1), start, end, fill=fill, width=self.px(width))

    def text(self, x, y, s, face, size, fill, anchor='mm'):
        self.d.text((self.s(x), self.s(y)), s, font=font(face, size * self.k * self.ss), fill=fill, anchor=anchor)

    def result(self):
        # Premultiplied while scaling, so transparent pixels do not darken the edges.
        return self.img.convert('RGBa').resize((self.w, self.h), Image.BOX).convert('RGBA')


def save_png(img, rel, **kw):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, optimize=True, **kw)
    print(rel, img.size)


# ---------------------------------------------------------------------------------------------
# Toolbar buttons, in toolbar order: New, Open, Save, Cut, Copy, Paste, In Russian, Convert,
# Toolkit, Print Preview, Print, Send, About. Drawn on a 32-unit grid.

def page(c, x0, y0, x1, y1, fold=6, lines=0):
    c.poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], fill=PAPER, outline=INK)
    c.poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], fill=SHADE, outline=INK)
    for i in range(lines):
        y = y0 + fold + 4 + i * 4
        if y < y1 - 3:
            c.line([(x0 + 4, y), (x1 - 4, y)], fill=GREY, width=1)


def closed_folder(c, x0, y0, x1, y1):
    tab = (x1 - x0) * 0.4
    c.poly([(x0, y0 + 3), (x0 + 2, y0), (x0 + tab, y0), (x0 + tab + 2, y0 + 3), (x1, y0 + 3), (x1, y1), (x0, y1)],
           fill=FOLDER_DARK, outline=FOLDER_EDGE)
    c.rect(x0, y0 + 6, x1, y1, fill=FOLDER, outline=FOLDER_EDGE)


def open_folder(c, x0, y0, x1, y1):
    tab = (x1 - x0) * 0.4
    c.poly([(x0, y0 + 3), (x0 + 2, y0), (x0 + tab, y0), (x0 + tab + 2, y0 + 3), (x1 - 3, y0 + 3), (x1 - 3, y1), (x0, y1)],
           fill=FOLDER_DARK, outline=FOLDER_EDGE)
    c.poly([(x0 + 5, y0 + 9), (x1, y0 + 9), (x1 - 5, y1), (x0, y1)], fill=FOLDER, outline=FOLDER_EDGE)


def icon_new(c):
    page(c, 6, 2, 26, 30, fold=8, lines=0)
    # A spark in the corner says "new".
    c.poly([(8, 3), (10, 8), (15, 10), (10, 12), (8, 17), (6, 12), (1, 10), (6, 8)], fill=(255, 200, 40, 255),
           outline=(190, 120, 0, 255))


def icon_open(c):
    open_folder(c, 2, 6, 30, 28)


def icon_save(c):
    c.rect(4, 4, 28, 28, fill=BLUE, outline=BLUE_DARK, radius=2)
    c.rect(10, 4, 22, 13, fill=GREY_LIGHT, outline=BLUE_DARK)
    c.rect(17, 6, 20, 11, fill=GREY_DARK)
    c.rect(8, 16, 24, 28, fill=PAPER, outline=BLUE_DARK)
    c.line([(11, 20), (21, 20)], fill=GREY, width=1)
    c.line([(11, 24), (21, 24)], fill=GREY, width=1)


def icon_cut(c):
    c.line([(11, 19), (21, 2)], fill=GREY_DARK, width=2.2 * c.k)
    c.line([(21, 19), (11, 2)], fill=GREY_DARK, width=2.2 * c.k)
    c.ellipse(4, 18, 14, 28, outline=RED, width=2.2 * c.k)
    c.ellipse(18, 18, 28, 28, outline=RED, width=2.2 * c.k)
    c.ellipse(15, 9, 17, 11, fill=INK)


def icon_copy(c):
    page(c, 3, 2, 19, 22, fold=5, lines=3)
    page(c, 12, 10, 28, 30, fold=5, lines=3)


def icon_paste(c):
    c.rect(4, 5, 22, 29, fill=(190, 140, 80, 255), outline=(120, 80, 30, 255), radius=2)
    c.rect(9, 2, 17, 8, fill=GREY_LIGHT, outline=GREY_DARK, radius=1)
    page(c, 13, 11, 29, 31, fold=5, lines=3)


def icon_russian(c):
    c.rect(2, 2, 30, 30, fill=BLUE, outline=BLUE_DARK, radius=5)
    c.text(16, 16.5, 'Я', BOLD, 22, (255, 255, 255, 255))


def icon_convert(c):
    c.text(8.5, 9, 'A', BOLD, 15, INK)
    c.text(23.5, 9, 'Я', BOLD, 15, BLUE)
    c.line([(6, 21), (25, 21)], fill=GREEN, width=2 * c.k)
    c.poly([(28, 21), (22, 16.5), (22, 25.5)], fill=GREEN)
    c.line([(26, 27), (7, 27)], fill=GREEN, width=2 * c.k)
    c.poly([(4, 27), (10, 22.5), (10, 31.5)], fill=GREEN)


def icon_toolkit(c):
    c.rect(2, 4, 30, 28, fill=PAPER, outline=INK)
    c.rect(2, 4, 30, 9, fill=BLUE, outline=INK)
    c.rect(2, 8, 13, 28, fill=BLUE_LIGHT, outline=INK)
    for y in (12, 16, 20, 24):
        c.line([(5, y), (10, y)], fill=BLUE_DARK, width=1)
    for y in (13, 17, 21):
        c.line([(16, y), (27, y)], fill=GREY, width=1)


def icon_preview(c):
    page(c, 4, 2, 22, 28, fold=6, lines=4)
    c.line([(22, 22), (29, 29)], fill=INK, width=3 * c.k)
    c.ellipse(12, 11, 26, 25, fill=(200, 225, 250, 220), outline=INK, width=2 * c.k)


def icon_print(c):
    c.rect(8, 2, 24, 14, fill=PAPER, outline=INK)
    c.rect(3, 12, 29, 25, fill=GREY_LIGHT, outline=INK, radius=2)
    c.rect(8, 20, 24, 30, fill=PAPER, outline=INK)
    c.line([(11, 24), (21, 24)], fill=GREY, width=1)
    c.line([(11, 27), (21, 27)], fill=GREY, width=1)
    c.ellipse(23, 15, 26, 18, fill=GREEN)


def icon_send(c):
    c.rect(2, 7, 30, 26, fill=PAPER, outline=BLUE_DARK)
    c.line([(2.5, 7.5), (16, 18), (29.5, 7.5)], fill=BLUE_DARK, width=1.4 * c.k)
    c.line([(2.5, 25.5), (12, 15.5)], fill=BLUE_DARK, width=1)
    c.line([(29.5, 25.5), (20, 15.5)], fill=BLUE_DARK, width=1)


def icon_about(c):
    c.ellipse(2, 2, 30, 30, fill=BLUE, outline=BLUE_DARK, width=1)
    c.text(16, 17, '?', BOLD, 21, (255, 255, 255, 255))


TOOLBAR_ICONS = [icon_new, icon_open, icon_save, icon_cut, icon_copy, icon_paste, icon_russian, icon_convert,
                 icon_toolkit, icon_preview, icon_print, icon_send, icon_about]


def toolbar(size):
    strip = Image.new('RGBA', (size * len(TOOLBAR_ICONS), size), (0, 0, 0, 0))
    for i, draw in enumerate(TOOLBAR_ICONS):
        c = Canvas(size, size, grid=32, ss=16)
        draw(c)
        strip.alpha_composite(c.result(), (i * size, 0))
    return strip


# ---------------------------------------------------------------------------------------------
# Bitmap 213: 15 images of 17 x 16 on white, which is the mask colour (so no fill may be pure
# white): 0 open folder, 1 closed folder, 2-6 drives by type, 7 network, 8 domain, 9 server,
# 10 share, 11 file, 12 group, 13 network, 14 network root. Drawn on a 16-unit grid.

def drive(c, light=GREEN):
    c.rect(1, 6, 16, 13, fill=GREY_LIGHT, outline=INK, radius=1)
    c.line([(3, 11), (9, 11)], fill=GREY_DARK, width=1)
    c.rect(12, 9, 14, 11, fill=light)


def monitor(c, x, y, w=8, h=6):
    c.rect(x, y, x + w, y + h, fill=BLUE_LIGHT, outline=INK)
    c.rect(x + w / 2 - 1, y + h, x + w / 2 + 1, y + h + 1.5, fill=INK)
    c.rect(x + 1, y + h + 1.5, x + w - 1, y + h + 2.5, fill=INK)


def globe(c, x0, y0, x1, y1):
    c.ellipse(x0, y0, x1, y1, fill=(90, 160, 230, 255), outline=BLUE_DARK)
    cx = (x0 + x1) / 2
    c.ellipse(cx - (x1 - x0) / 5, y0, cx + (x1 - x0) / 5, y1, outline=BLUE_DARK)
    c.line([(x0 + 0.5, (y0 + y1) / 2), (x1 - 0.5, (y0 + y1) / 2)], fill=BLUE_DARK, width=1)
    c.poly([(x0 + 3, y0 + 4), (cx, y0 + 2.5), (cx - 1, y0 + 6)], fill=(80, 170, 80, 255))


def img_open_folder(c):
    open_folder(c, 1, 2, 16, 14)


def img_closed_folder(c):
    closed_folder(c, 1, 2, 16, 14)


def img_removable(c):
    c.rect(1, 5, 16, 13, fill=GREY_LIGHT, outline=INK, radius=1)
    c.rect(3, 8, 11, 10, fill=INK)
    c.poly([(12.5, 10), (14.5, 7.5), (16 - 1.5, 10)], fill=BLUE)
    c.poly([(12, 10), (13.5, 7.5), (15, 10)], fill=BLUE_DARK)


def img_fixed(c):
    drive(c)


def img_remote(c):
    drive(c)
    c.line([(8.5, 13), (8.5, 15.5)], fill=INK, width=1)
    c.line([(3, 15.5), (14, 15.5)], fill=INK, width=1)


def img_cdrom(c):
    c.ellipse(2, 1, 16, 15, fill=(205, 210, 225, 255), outline=INK)
    c.arc(4, 3, 14, 13, 200, 280, fill=(150, 190, 240, 255), width=1)
    c.ellipse(7, 6, 11, 10, fill=(255, 250, 250, 0), outline=INK)


def img_ramdisk(c):
    c.rect(2, 4, 15, 12, fill=GREEN, outline=INK)
    for x in range(3, 15, 3):
        c.rect(x, 2, x + 1, 4, fill=INK)
        c.rect(x, 12, x + 1, 14, fill=INK)
    c.text(8.5, 8, 'RAM', COND_BOLD, 4.6, (240, 240, 240, 255))


def img_network(c):
    globe(c, 1, 1, 16, 15)


def img_domain(c):
    monitor(c, 1, 1, 8, 6)
    monitor(c, 8, 6, 8, 6)


def img_server(c):
    c.rect(4, 1, 13, 15, fill=GREY_LIGHT, outline=INK, radius=1)
    for y in (4, 7, 10):
        c.line([(6, y), (11, y)], fill=GREY_DARK, width=1)
    c.rect(10, 12, 12, 13.5, fill=GREEN)


def img_share(c):
    closed_folder(c, 1, 1, 16, 11)
    c.line([(8.5, 11), (8.5, 14.5)], fill=INK, width=1)
    c.line([(2, 14.5), (15, 14.5)], fill=INK, width=1)


def img_file(c):
    page(c, 3, 1, 14, 15, fold=4, lines=0)
    c.line([(5, 8), (12, 8)], fill=GREY, width=1)
    c.line([(5, 11), (12, 11)], fill=GREY, width=1)


def img_group(c):
    c.ellipse(2, 2, 7, 7, fill=(230, 180, 140, 255), outline=INK)
    c.rect(1, 8, 8, 14, fill=BLUE, outline=INK, radius=2)
    c.ellipse(10, 2, 15, 7, fill=(230, 180, 140, 255), outline=INK)
    c.rect(9, 8, 16, 14, fill=RED, outline=INK, radius=2)


def img_network2(c):
    globe(c, 1, 1, 12, 12)
    monitor(c, 9, 7, 7, 5)


def img_network_root(c):
    globe(c, 5, 1, 16, 12)
    monitor(c, 1, 6, 8, 6)


TREE_IMAGES = [img_open_folder, img_closed_folder, img_removable, img_fixed, img_remote, img_cdrom, img_ramdisk,
               img_network, img_domain, img_server, img_share, img_file, img_group, img_network2,
               img_network_root]


def tree_strip():
    strip = Image.new('RGB', (17 * len(TREE_IMAGES), 16), (255, 255, 255))
    for i, draw in enumerate(TREE_IMAGES):
        c = Canvas(17, 16, grid=17, bg=(255, 255, 255, 255), ss=16)
        draw(c)
        cell = c.result().convert('RGB')
        # The mask colour must appear only where nothing is drawn.
        px = cell.load()
        for y in range(16):
            for x in range(17):
                if px[x, y] != (255, 255, 255) and min(px[x, y]) >= 252:
                    px[x, y] = (251, 251, 251)
        strip.paste(cell, (i * 17, 0))
    return strip


# ---------------------------------------------------------------------------------------------
# Bitmap 135: the 35 rows of the character table, 32 x 17 each, the lower-case character in blue
# on white with a black line along the bottom pixel row; 16 colours, no pure green.

ROWS = 'абвгдеёжзийклмнопрстуфхцчшщъыьэюя.,'


def char_strip():
    palette = [(255, 255, 255), (0, 0, 0)]
    levels = 14
    for i in range(1, levels + 1):
        t = i / levels
        palette.append((round(255 * (1 - t)), round(255 * (1 - t)), round(255 - 55 * t)))
    out = Image.new('P', (32 * len(ROWS), 17), 0)
    out.putpalette([v for rgb in palette for v in rgb])
    f = font(BOLD, 15 * 4)
    for i, ch in enumerate(ROWS):
        mask = Image.new('L', (32 * 4, 16 * 4), 0)
        ImageDraw.Draw(mask).text((16 * 4, 7.5 * 4), ch, font=f, fill=255, anchor='mm')
        mask = mask.resize((32, 16), Image.BOX)
        cell = Image.new('P', (32, 17), 0)
        px, mk = cell.load(), mask.load()
        for y in range(16):
            for x in range(32):
                a = mk[x, y]
                if a >= 10:
                    px[x, y] = 1 + max(1, round(a / 255 * levels))
        for x in range(32):
            px[x, 16] = 1
        out.paste(cell, (i * 32, 0))
    return out


# ---------------------------------------------------------------------------------------------
# The About box: bitmaps 188 (web address) and 189 (e-mail address) as links; GIF 189, the
# animated logo, 66 x 51.

def link_picture(text):
    f = font(COND, 11)
    w = round(f.getlength(text)) + 2
    c = Canvas(w, 15, bg=(0, 0, 0, 0), ss=4)
    c.text(1, 7, text, COND, 11, (0, 0, 190, 255), anchor='lm')
    c.line([(1, 13), (w - 1, 13)], fill=(0, 0, 190, 255), width=1)
    return c.result()


def rgb_frame(img, bg):
    base = Image.new('RGBA', img.size, bg)
    base.alpha_composite(img)
    return base.convert('RGB')


def save_gif(frames, durations, rel, transparent=None):
    """Saves RGB frames as a GIF with one palette for all, durations in milliseconds."""
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    sheet = Image.new('RGB', (frames[0].width, frames[0].height * len(frames)))
    for i, f in enumerate(frames):
        sheet.paste(f, (0, i * f.height))
    pal = sheet.quantize(colors=255 if transparent else 256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    quant = [f.quantize(palette=pal, dither=Image.Dither.NONE) for f in frames]
    extra = {}
    if transparent is not None:
        # The corners outside the badge: the colour key chosen below is mapped to index 255.
        for q, f in zip(quant, frames):
            qp, fp = q.load(), f.load()
            for y in range(f.height):
                for x in range(f.width):
                    if fp[x, y] == transparent:
                        qp[x, y] = 255
        extra = {'transparency': 255}
    if len(quant) == 1:
        quant[0].save(path, **extra)
    else:
        quant[0].save(path, save_all=True, append_images=quant[1:], duration=durations, loop=0, disposal=1,
                      optimize=False, **extra)
    print(rel, frames[0].size, len(frames), 'frame(s)', os.path.getsize(path), 'bytes')


def logo_frames():
    pairs = [('zh', 'ж'), ('sh', 'ш'), ('ja', 'я'), ('ch', 'ч')]
    frames, durations = [], []
    for keys, letter in pairs:
        for step in range(3):
            c = Canvas(66, 51, bg=(0, 0, 0, 0), ss=6)
            c.rect(0, 0, 66, 51, fill=(244, 247, 252, 255), outline=BLUE, radius=5)
            c.text(33, 10, 'Lettrino', BOLD, 11.5, BLUE_DARK)
            typed = keys[:1] if step == 0 else keys
            # The key cap with what was typed, an arrow, the letter it becomes.
            c.rect(5, 21, 29, 45, fill=(255, 255, 255, 255), outline=GREY_DARK, radius=4)
            c.rect(5, 41, 29, 45, fill=SHADE, radius=2)
            c.text(17, 31, typed, BOLD, 12, INK)
            if step == 2:
                c.line([(32, 33), (39, 33)], fill=GREEN, width=2)
                c.poly([(42, 33), (38, 29.5), (38, 36.5)], fill=GREEN)
                c.text(52.5, 31.5, letter, BOLD, 18, BLUE)
            frames.append(rgb_frame(c.result(), (191, 191, 191, 255)))
            durations.append(1400 if step == 2 else 350)
    return frames, durations


# ---------------------------------------------------------------------------------------------
# GIF 195 (In Russian mode on): a waving Russian tricolour badge with "RU", animated.
# GIF 199 (mode off): the same badge, grey and still, with "EN". Both 32 x 32; the corners
# outside the badge are transparent.

KEY = (255, 0, 255)


def badge(stripes, label, label_fill, phase):
    c = Canvas(32, 32, bg=(0, 0, 0, 0), ss=8)
    ss = c.ss
    band = Image.new('RGBA', (32 * ss, 32 * ss), (0, 0, 0, 0))
    bd = ImageDraw.Draw(band)
    for x in range(32 * ss):
        u = x / (32 * ss)
        dy = math.sin(2 * math.pi * (u * 1.2 - phase)) * 1.6 * ss * (0.3 + 0.7 * u)
        for i, col in enumerate(stripes):
            y0 = i * 32 * ss / 3 + dy
            y1 = (i + 1) * 32 * ss / 3 + dy
            if i == 0:
                y0 = 0
            if i == 2:
                y1 = 32 * ss
            shade = 1 - 0.12 * math.cos(2 * math.pi * (u * 1.2 - phase))
            bd.line([(x, y0), (x, y1)], fill=tuple(min(255, round(v * shade)) for v in col) + (255,))
    mask = Image.new('L', band.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, 32 * ss - 1, 32 * ss - 1], radius=5 * ss, fill=255)
    c.img.paste(band, (0, 0), mask)
    c.rect(0, 0, 32, 32, outline=(40, 40, 60, 255), radius=5, width=1)
    f = font(BOLD, 15 * ss)
    shadow = Image.new('RGBA', band.size, (0, 0, 0, 0))
    ImageDraw.Draw(shadow).text((16.5 * ss, 17 * ss), label, font=f, fill=(0, 0, 0, 170), anchor='mm')
    shadow = shadow.filter(ImageFilter.GaussianBlur(ss * 0.8))
    c.img.alpha_composite(shadow)
    c.text(16, 16.5, label, BOLD, 15, label_fill)
    small = c.result()
    # Hard corners: a pixel is either the badge or fully transparent.
    out = Image.new('RGB', (32, 32), KEY)
    px, sp = out.load(), small.load()
    for y in range(32):
        for x in range(32):
            r, g, b, a = sp[x, y]
            if a >= 128:
                px[x, y] = (min(255, round(r * 255 / a)), min(255, round(g * 255 / a)), min(255, round(b * 255 / a)))
    return out


def mode_pictures():
    flag = [(250, 250, 250), (0, 70, 190), (215, 40, 40)]
    frames = [badge(flag, 'RU', (255, 255, 255, 255), i / 8) for i in range(8)]
    save_gif(frames, [110] * 8, 'gif/195.gif', transparent=KEY)
    grey = [(226, 228, 232), (176, 180, 188), (136, 140, 148)]
    save_gif([badge(grey, 'EN', (255, 255, 255, 255), 0.15)], [0], 'gif/199.gif', transparent=KEY)


# ---------------------------------------------------------------------------------------------
# Icon 128, cursor 133 (a pointing hand), splash bitmap 2001.

def app_icon():
    c = Canvas(32, 32, grid=32, bg=(0, 0, 0, 0), ss=8)
    c.rect(1, 1, 31, 31, fill=BLUE, outline=BLUE_DARK, radius=6)
    c.rect(6, 5, 26, 27, fill=(150, 160, 175, 255), radius=4)
    c.rect(6, 5, 26, 24, fill=(250, 250, 252, 255), radius=4)
    c.text(16, 14.5, 'Я', BOLD, 15, BLUE_DARK)
    return c.result()


def hand_cursor():
    ss = 8
    mask = Image.new('L', (32 * ss, 32 * ss), 0)
    d = ImageDraw.Draw(mask)

    def rr(x0, y0, x1, y1, r):
        d.rounded_rectangle([x0 * ss, y0 * ss, x1 * ss - 1, y1 * ss - 1], radius=r * ss, fill=255)

    rr(9, 1, 14, 18, 2.5)      # index finger
    rr(13, 9, 18, 19, 2.5)     # folded fingers
    rr(17, 10, 22, 20, 2.5)
    rr(21, 11, 26, 21, 2.5)
    rr(9, 15, 26, 27, 4)       # palm
    d.polygon([(9 * ss, 18 * ss), (4 * ss, 13 * ss), (2 * ss, 15 * ss), (8 * ss, 24 * ss), (11 * ss, 24 * ss)], fill=255)
    d.ellipse([2 * ss, 12.5 * ss, 6 * ss, 16.5 * ss], fill=255)   # thumb tip
    rr(11, 25, 25, 30, 1)      # cuff of the wrist
    outline = mask.filter(ImageFilter.MaxFilter(2 * ss + 1))
    img = Image.new('RGBA', mask.size, (0, 0, 0, 0))
    img.paste((0, 0, 0, 255), (0, 0), outline)
    img.paste((255, 255, 255, 255), (0, 0), mask)
    dd = ImageDraw.Draw(img)
    for x in (13.5, 17.5, 21.5):   # creases between the folded fingers
        dd.line([(x * ss, 13 * ss), (x * ss, 18 * ss)], fill=(0, 0, 0, 255), width=ss)
    small = img.convert('RGBa').resize((32, 32), Image.BOX).convert('RGBA')
    return small


def splash():
    w, h = 293, 169
    c = Canvas(w, h, bg=(0, 0, 0, 255), ss=4)
    for y in range(h * c.ss):
        t = y / (h * c.ss)
        col = (round(22 + 30 * t), round(52 + 60 * t), round(120 + 90 * t), 255)
        c.d.line([(0, y), (w * c.ss, y)], fill=col)
    c.rect(0, 0, w, h, outline=(10, 30, 80, 255), width=1)
    c.text(w / 2, 44, 'Lettrino', BOLD, 44, (255, 255, 255, 255))
    c.text(w / 2, 78, 'Russian text from a Latin keyboard', SANS, 11.5, (215, 228, 250, 255))
    c.text(w - 10, h - 9, 'Version 2.7', SANS, 9, (190, 205, 235, 255), anchor='rm')
    # A word typed in Latin keys and what the editor makes of it.
    keys = 'privet'
    x = 24
    for ch in keys:
        c.rect(x, 104, x + 20, 126, fill=(245, 247, 252, 255), outline=(20, 40, 90, 255), radius=3)
        c.rect(x + 1, 122, x + 19, 126, fill=(200, 208, 222, 255), radius=2)
        c.text(x + 10, 113.5, ch, BOLD, 12, (30, 40, 60, 255))
        x += 23
    c.line([(x + 4, 115), (x + 18, 115)], fill=(255, 210, 60, 255), width=2.5)
    c.poly([(x + 24, 115), (x + 16, 109), (x + 16, 121)], fill=(255, 210, 60, 255))
    c.text(x + 30, 114, 'привет', BOLD, 20, (255, 255, 255, 255), anchor='lm')
    return c.result().convert('RGB')


# ---------------------------------------------------------------------------------------------
# Sounds: 143 a soft tick and 158 a key click while typing, 204 the mode switched on (rising),
# 207 switched off (falling). 22050 Hz, 16-bit mono, short because they play synchronously.

RATE = 22050


def write_wave(rel, samples):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b''.join(struct.pack('<h', max(-32767, min(32767, round(s * 32767)))) for s in samples))
    print(rel, len(samples) * 1000 // RATE, 'ms', os.path.getsize(path), 'bytes')


def tone(freq, ms, volume, attack=0.004, decay=None):
    n = RATE * ms // 1000
    out = []
    for i in range(n):
        t = i / RATE
        env = min(1.0, t / attack) * (math.exp(-t / decay) if decay else min(1.0, (n - i) / (RATE * 0.01)))
        out.append(volume * env * math.sin(2 * math.pi * freq * t))
    return out


def click(ms, freq, volume, noise):
    rnd = random.Random(158)
    n = RATE * ms // 1000
    out = []
    for i in range(n):
        t = i / RATE
        env = math.exp(-t / (ms / 1000 / 5))
        out.append(volume * env * ((1 - noise) * math.sin(2 * math.pi * freq * t) + noise * rnd.uniform(-1, 1)))
    return out


def sounds():
    write_wave('wave/143.wav', tone(2200, 25, 0.35, attack=0.001, decay=0.005))
    write_wave('wave/158.wav', click(35, 1400, 0.5, 0.45))
    gap = [0.0] * (RATE * 15 // 1000)
    write_wave('wave/204.wav', tone(660, 70, 0.4) + gap + tone(990, 90, 0.4))
    write_wave('wave/207.wav', tone(990, 70, 0.4) + gap + tone(660, 90, 0.4))


def main():
    save_png(toolbar(32), 'toolbar/128.png')
    save_png(toolbar(16), 'toolbar/129.png')
    # The same strips at twice the size, for screens scaled by 2 (and drawn down from there).
    save_png(toolbar(64), 'toolbar/128@2x.png')
    save_png(toolbar(32), 'toolbar/129@2x.png')
    save_png(char_strip(), 'bitmap/135.png')
    save_png(link_picture(URL), 'bitmap/188.png')
    save_png(link_picture(MAIL), 'bitmap/189.png')
    save_png(tree_strip(), 'bitmap/213.png')
    save_png(splash(), 'bitmap/2001.png')
    save_png(app_icon(), 'icon/128.png')
    cursor = hand_cursor()
    from PIL import PngImagePlugin
    info = PngImagePlugin.PngInfo()
    info.add_text('HotSpotX', '11')
    info.add_text('HotSpotY', '1')
    save_png(cursor, 'cursor/133.png', pnginfo=info)
    frames, durations = logo_frames()
    save_gif(frames, durations, 'gif/189.gif')
    mode_pictures()
    sounds()


if __name__ == '__main__':
    main()
