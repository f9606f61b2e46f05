#!/usr/bin/python3
"""Independent reader of EMF and placeable WMF files.

Walks every record of each file given, collects every drawing point
(polylines, polygons, ellipses, rectangles, line ends, text reference points)
and every text, and checks the points against the bounds the header gives:
EMF rclBounds, WMF the placeable header's destination rectangle.

Prints one JSON object per file on one line:
  {"file", "kind", "bounds": [l, t, r, b], "records", "points", "outside",
   "first_outside", "texts": [...], "text_points": [...],
   "text_dx": [[advance of each character], ...] (empty when the record has none),
   "text_boxes": [[l, t, r, b] of each text, from its reference point, the
   alignment, the selected font's height and the advances; null when turned], 
   "text_escapements": EMF: the selected font's escapement (tenths of a degree) at each text,
   "frame": EMF rclFrame [l, t, r, b] in hundredths of a millimetre,
   "errors": [...]}
Exit status 1 when a file is malformed or has a point outside its bounds.
"""
import json
import struct
import sys


def text_box(x, y, dx, nchars, font, align):
    """The box a text covers: its advances along, the font's character height
    across (a glyph rises at most nine tenths of it above the base line and
    drops a quarter of it below); None for a turned text."""
    height, escapement = font
    if escapement % 3600:
        return None
    width = sum(dx) if dx else nchars * height // 2
    if align & 6 == 6:  # TA_CENTER
        x -= width // 2
    elif align & 2:  # TA_RIGHT
        x -= width
    rise, drop = height * 9 // 10, height // 4
    if align & 24 == 24:  # TA_BASELINE
        top = y - rise
    elif align & 8:  # TA_BOTTOM
        top = y - rise - drop
    else:  # TA_TOP
        top = y
    return [x, top, x + width, top + rise + drop]


def emf(data):
    out = {"kind": "EMF", "records": 0, "points": 0, "outside": 0, "first_outside": None, "texts": [],
           "text_points": [], "text_dx": [], "text_boxes": [], "errors": []}
    if len(data) < 88 or struct.unpack_from("<I", data, 0)[0] != 1 or data[40:44] != b" EMF":
        out["errors"].append("no EMF header")
        return out
    l, t, r, b = struct.unpack_from("<4i", data, 8)
    out["bounds"] = [l, t, r, b]
    out["frame"] = list(struct.unpack_from("<4i", data, 24))
    fonts = {}  # object index -> (height, escapement)
    pens = {}  # object index -> [width, colour]
    pen = None  # the pen selected: its width and colour (0x00BBGGRR)
    out["strokes"] = []  # per poly record drawn with a pen: [pen width, pen colour, points]
    brushes = {}  # object index -> colour of a solid brush
    brush = None  # the colour of the solid brush selected (None: no fill)
    # Per drawing record, in order: [record number, pen colour or -1, fill colour
    # or -1, left, top, right, bottom]; and the record number of each text.
    out["shapes"] = []
    out["text_records"] = []
    out["text_heights"] = []
    font = (0, 0)
    align = 0
    n_bytes, n_records = struct.unpack_from("<II", data, 48)
    if n_bytes != len(data):
        out["errors"].append("header nBytes %d, file %d" % (n_bytes, len(data)))

    def point(x, y):
        out["points"] += 1
        if not (l <= x <= r and t <= y <= b):
            out["outside"] += 1
            if out["first_outside"] is None:
                out["first_outside"] = [x, y]

    at = 0
    last = None
    text_color = 0
    while at + 8 <= len(data):
        rtype, size = struct.unpack_from("<II", data, at)
        if size < 8 or size % 4 or at + size > len(data):
            out["errors"].append("bad record size %d at %d" % (size, at))
            break
        rec = data[at:at + size]
        out["records"] += 1
        last = rtype
        if rtype in (2, 3, 4, 5, 6, 85, 86, 87, 88, 89) and pen is not None:
            out["strokes"].append(pen + [struct.unpack_from("<I", rec, 24)[0]])
        if rtype in (2, 3, 4, 5, 6, 7, 8, 42, 43, 85, 86, 87, 88, 89, 90, 91):
            filled = rtype in (2, 3, 7, 8, 42, 43, 85, 86, 90, 91)  # polygons, ellipses, rectangles
            box = list(struct.unpack_from("<4i", rec, 8))  # the record's bounds or box
            out["shapes"].append([out["records"] - 1, pen[1] if pen is not None else -1,
                                  brush if (filled and brush is not None) else -1] + box)
        if rtype in (2, 3, 4, 5, 6):  # 32-bit poly records
            n = struct.unpack_from("<I", rec, 24)[0]
            for i in range(n):
                point(*struct.unpack_from("<2i", rec, 28 + 8 * i))
        elif rtype in (85, 86, 87, 88, 89):  # 16-bit poly records
            n = struct.unpack_from("<I", rec, 24)[0]
            for i in range(n):
                point(*struct.unpack_from("<2h", rec, 28 + 4 * i))
        elif rtype in (7, 8, 90, 91):  # poly-poly records
            npolys, count = struct.unpack_from("<II", rec, 24)
            base = 32 + 4 * npolys
            wide = rtype in (7, 8)
            for i in range(count):
                if wide:
                    point(*struct.unpack_from("<2i", rec, base + 8 * i))
                else:
                    point(*struct.unpack_from("<2h", rec, base + 4 * i))
        elif rtype in (42, 43):  # ellipse, rectangle
            x0, y0, x1, y1 = struct.unpack_from("<4i", rec, 8)
            point(x0, y0)
            point(x1, y1)
        elif rtype in (27, 54):  # moveto, lineto
            point(*struct.unpack_from("<2i", rec, 8))
        elif rtype == 24:  # SETTEXTCOLOR: the colour of the texts that follow (0x00BBGGRR)
            text_color = struct.unpack_from("<I", rec, 8)[0]
        elif rtype == 82:  # EXTCREATEFONTINDIRECTW: the height of its LOGFONT
            ih, height, _, escapement = struct.unpack_from("<4i", rec, 8)
            out.setdefault("font_heights", []).append(abs(height))
            fonts[ih] = (abs(height), escapement)
        elif rtype == 38:  # CREATEPEN: LOGPEN style, width (a POINTL's x), colour
            ih, _, width, _, colour = struct.unpack_from("<IIiiI", rec, 8)
            pens[ih] = [width, colour]
        elif rtype == 95:  # EXTCREATEPEN: LOGPENEX after the bitmap fields
            ih = struct.unpack_from("<I", rec, 8)[0]
            width, _, colour = struct.unpack_from("<IIi", rec, 32)
            pens[ih] = [width, colour]
        elif rtype == 39:  # CREATEBRUSHINDIRECT: LOGBRUSH style, colour
            ih, style, colour = struct.unpack_from("<III", rec, 8)
            brushes[ih] = colour if style == 0 else None
        elif rtype == 37:  # SELECTOBJECT
            ih = struct.unpack_from("<I", rec, 8)[0]
            if ih in fonts:
                font = fonts[ih]
            if ih in pens:
                pen = pens[ih]
            elif ih == 0x80000008:  # NULL_PEN
                pen = None
            if ih in brushes:
                brush = brushes[ih]
            elif ih == 0x80000005:  # NULL_BRUSH
                brush = None
            elif ih == 0x80000000:  # WHITE_BRUSH
                brush = 0xFFFFFF
            elif ih == 0x80000004:  # BLACK_BRUSH
                brush = 0
        elif rtype == 40:  # DELETEOBJECT
            ih = struct.unpack_from("<I", rec, 8)[0]
            fonts.pop(ih, None)
            pens.pop(ih, None)
            brushes.pop(ih, None)
        elif rtype == 22:  # SETTEXTALIGN
            align = struct.unpack_from("<I", rec, 8)[0]
        elif rtype == 84:  # EXTTEXTOUTW
            x, y = struct.unpack_from("<2i", rec, 36)
            nchars, off, opts = struct.unpack_from("<III", rec, 44)
            text = rec[off:off + 2 * nchars].decode("utf-16-le", "replace")
            # offDx follows the clipping rectangle, which ETO_NO_RECT leaves out.
            off_dx = struct.unpack_from("<I", rec, 56 if opts & 0x100 else 72)[0]
            step = 2 if opts & 0x2000 else 1  # ETO_PDY: x and y per character
            dx = []
            if off_dx and off_dx + 4 * step * nchars <= len(rec):
                dx = [struct.unpack_from("<i", rec, off_dx + 4 * step * i)[0] for i in range(nchars)]
            out["text_dx"].append(dx)
            out["texts"].append(text)
            out["text_points"].append([x, y])
            out["text_boxes"].append(text_box(x, y, dx, nchars, font, align))
            out.setdefault("text_colors", []).append(text_color)
            out.setdefault("text_escapements", []).append(font[1])
            out["text_records"].append(out["records"] - 1)
            out["text_heights"].append(font[0])
            point(x, y)
        at += size
    if at != len(data):
        out["errors"].append("records end at %d of %d" % (at, len(data)))
    if out["records"] != n_records:
        out["errors"].append("header nRecords %d, found %d" % (n_records, out["records"]))
    if last != 14:
        out["errors"].append("last record is not EOF")
    return out


def wmf(data):
    out = {"kind": "WMF", "records": 0, "points": 0, "outside": 0, "first_outside": None, "texts": [],
           "text_points": [], "text_dx": [], "errors": []}
    if len(data) < 40 or struct.unpack_from("<I", data, 0)[0] != 0x9AC6CDD7:
        out["errors"].append("no placeable WMF header")
        return out
    l, t, r, b = struct.unpack_from("<4h", data, 6)
    out["bounds"] = [l, t, r, b]
    words = struct.unpack_from("<10H", data, 0)
    check = 0
    for w in words:
        check ^= w
    if check != struct.unpack_from("<H", data, 20)[0]:
        out["errors"].append("placeable header checksum")
    at = 22
    htype, hsize = struct.unpack_from("<HH", data, at)
    if hsize != 9:
        out["errors"].append("META_HEADER size %d" % hsize)
    total_words = struct.unpack_from("<I", data, at + 6)[0]
    # The size counts the metafile proper, or the whole file with the placeable header.
    if 2 * total_words not in (len(data) - 22, len(data)):
        out["errors"].append("META_HEADER size %d words, file %d bytes" % (total_words, len(data)))
    at += 18

    def point(x, y):
        out["points"] += 1
        if not (l <= x <= r and t <= y <= b):
            out["outside"] += 1
            if out["first_outside"] is None:
                out["first_outside"] = [x, y]

    last = None
    while at + 6 <= len(data):
        size_words, func = struct.unpack_from("<IH", data, at)
        size = 2 * size_words
        if size < 6 or at + size > len(data):
            out["errors"].append("bad record size %d at %d" % (size, at))
            break
        rec = data[at:at + size]
        out["records"] += 1
        last = func
        if func in (0x0324, 0x0325):  # polygon, polyline
            n = struct.unpack_from("<h", rec, 6)[0]
            for i in range(n):
                point(*struct.unpack_from("<2h", rec, 8 + 4 * i))
        elif func in (0x0418, 0x041B):  # ellipse, rectangle: bottom, right, top, left
            bt, rt, tp, lf = struct.unpack_from("<4h", rec, 6)
            point(lf, tp)
            point(rt, bt)
        elif func in (0x0213, 0x0214):  # lineto, moveto: y, x
            y, x = struct.unpack_from("<2h", rec, 6)
            point(x, y)
        elif func == 0x0A32:  # EXTTEXTOUT: y, x, count, options, [rect], string
            y, x, count, opts = struct.unpack_from("<hhhH", rec, 6)
            off = 14 + (8 if opts & 0x0006 else 0)
            out["texts"].append(rec[off:off + count].decode("cp1252", "replace"))
            at_dx = off + count + (count & 1)
            dx = []
            if at_dx + 2 * count <= size:
                dx = list(struct.unpack_from("<%dh" % count, rec, at_dx))
            out["text_dx"].append(dx)
            out["text_points"].append([x, y])
            point(x, y)
        elif func == 0x0521:  # TEXTOUT: count, string, y, x
            count = struct.unpack_from("<h", rec, 6)[0]
            s = rec[8:8 + count]
            pad = count + (count & 1)
            y, x = struct.unpack_from("<2h", rec, 8 + pad)
            out["texts"].append(s.decode("cp1252", "replace"))
            out["text_dx"].append([])
            out["text_points"].append([x, y])
            point(x, y)
        at += size
    if last != 0:
        out["errors"].append("last record is not EOF")
    return out


def check(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] == b"\xd7\xcd\xc6\x9a":
        out = wmf(data)
    else:
        out = emf(data)
    out["file"] = path
    return out


def main(paths):
    bad = False
    for p in paths:
        out = check(p)
        print(json.dumps(out, ensure_ascii=False))
        if out["errors"] or out["outside"]:
            bad = True
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
