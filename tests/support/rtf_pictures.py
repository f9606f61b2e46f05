#!/usr/bin/python3
"""Independent reader of the report documents (RTF).

Reads the document's groups and control words, and for every picture reports
its kind, its size on the page (twips, from \\picwgoal/\\pichgoal and the
scales), the table cell it stands in (the cell's width from the row's \\cellx
boundaries) or the text width of the page, and writes its data to a file so
that the metafile reader can walk it.

Usage: rtf_pictures.py DOCUMENT OUTDIR
Prints one JSON object:
  {"paper": [w, h], "margins": [l, r], "pictures": [{"kind", "width", "height",
   "cell_width" (null outside tables), "text_width", "file"}], "texts": [...]}
"""
import json
import os
import re
import sys

TOKEN = re.compile(rb"\\([a-zA-Z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)|([{}])|([^\\{}]+)", re.S)


def read(path, outdir):
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"{\\rtf"):
        raise SystemExit("not an RTF document")
    doc = {"paper": [12240, 15840], "margins": [1800, 1800], "pictures": [], "texts": []}
    stack = []
    state = {"pict": False, "skip": False}
    pict = None
    row_cells = []      # \cellx boundaries of the row being defined
    cell_index = 0      # cell of the current row the text is in
    in_table = False
    row_cells_left = 0
    text = []
    for m in TOKEN.finditer(data):
        word, arg, hexbyte, sym, brace, chunk = m.groups()
        if brace == b"{":
            stack.append(dict(state))
            continue
        if brace == b"}":
            if state["pict"] and pict is not None and (not stack or not stack[-1]["pict"]):
                hexdata = re.sub(rb"\s+", b"", b"".join(pict["hex"]))
                name = os.path.join(outdir, "pict%03d.%s" % (len(doc["pictures"]) + 1, pict["ext"]))
                with open(name, "wb") as out:
                    out.write(bytes.fromhex(hexdata.decode("ascii")))
                w = pict["goalw"] * pict["scalex"] / 100.0
                h = pict["goalh"] * pict["scaley"] / 100.0
                cell = None
                if in_table and row_cells:
                    k = min(cell_index, len(row_cells) - 1)
                    left = row_cells[k - 1] if k > 0 else row_cells_left
                    cell = row_cells[k] - left
                doc["pictures"].append({"kind": pict["kind"], "width": w, "height": h, "cell_width": cell,
                                        "text_width": doc["paper"][0] - doc["margins"][0] - doc["margins"][1],
                                        "file": name})
                pict = None
            state = stack.pop() if stack else state
            continue
        if word is not None:
            w = word.decode()
            n = int(arg) if arg is not None else None
            if w == "pict":
                state["pict"] = True
                pict = {"kind": None, "ext": "bin", "goalw": 0, "goalh": 0, "scalex": 100, "scaley": 100,
                        "hex": []}
            elif state["pict"] and pict is not None:
                if w in ("emfblip", "pngblip", "jpegblip", "wmetafile"):
                    pict["kind"] = w
                    pict["ext"] = {"emfblip": "emf", "pngblip": "png", "jpegblip": "jpg", "wmetafile": "wmf"}[w]
                elif w == "picwgoal":
                    pict["goalw"] = n
                elif w == "pichgoal":
                    pict["goalh"] = n
                elif w == "picscalex":
                    pict["scalex"] = n
                elif w == "picscaley":
                    pict["scaley"] = n
            elif w == "paperw":
                doc["paper"][0] = n
            elif w == "paperh":
                doc["paper"][1] = n
            elif w == "margl":
                doc["margins"][0] = n
            elif w == "margr":
                doc["margins"][1] = n
            elif w == "trowd":
                row_cells = []
                row_cells_left = 0
                cell_index = 0
                in_table = True
            elif w == "trleft":
                row_cells_left = n
            elif w == "cellx":
                row_cells.append(n)
            elif w == "cell":
                cell_index += 1
            elif w == "row":
                cell_index = 0
            elif w == "pard":
                pass
            elif w in ("par", "line") and text:
                doc["texts"].append("".join(text))
                text = []
            elif w == "intbl":
                in_table = True
            continue
        if hexbyte is not None:
            if not state["pict"]:
                text.append(bytes([int(hexbyte, 16)]).decode("cp1252"))
            continue
        if chunk is not None:
            if state["pict"] and pict is not None:
                pict["hex"].append(chunk)
            elif not state.get("skip"):
                t = chunk.decode("cp1252").replace("\r", "").replace("\n", "")
                if t:
                    text.append(t)
    if text:
        doc["texts"].append("".join(text))
    return doc


if __name__ == "__main__":
    print(json.dumps(read(sys.argv[1], sys.argv[2]), ensure_ascii=False))
