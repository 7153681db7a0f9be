#!/usr/bin/env python3
"""Draws the program's two skins as SVG pictures and writes their resource file.

Skin 1 is the normal look: brushed steel faces, navy marks, glossy balls.
Skin 0 is for screens of fewer than 16 bits per pixel: the same shapes in a
few flat colours of the 16-colour palette, with square bevels and no
gradients. Run it after changing a picture:

    python3 tools/makeskins/make_skins.py controls/skins
"""
import os
import sys

NAVY = "#1f3a68"


def svg(w, h, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n'
            + (f"<defs>{defs}</defs>\n" if defs else "") + body + "\n</svg>\n")


def lin(id_, stops, x2=0, y2=1):
    s = "".join(f'<stop offset="{o}" stop-color="{c}"/>' for o, c in stops)
    return f'<linearGradient id="{id_}" x1="0" y1="0" x2="{x2}" y2="{y2}">{s}</linearGradient>'


def rad(id_, stops, cx=0.35, cy=0.3, r=0.75):
    s = "".join(f'<stop offset="{o}" stop-color="{c}"/>' for o, c in stops)
    return f'<radialGradient id="{id_}" cx="{cx}" cy="{cy}" r="{r}">{s}</radialGradient>'


# ---------------------------------------------------------------- skin 1 ---
FACES = {  # name: (top, bottom, border)
    "": ("#fbfcfd", "#c3cbd5", "#56657a"),
    "Green": ("#b9f3c9", "#36a862", "#1d6a3c"),
    "Red": ("#ffc2b6", "#d94a36", "#8c2417"),
}


def s1_face(w, h, face, down, rx=5):
    top, bottom, border = FACES[face]
    a, b = (bottom, top) if down else (top, bottom)
    defs = lin("f", [(0, a), (1, b)]) + lin("g", [(0, "#ffffff"), (1, "#ffffff")])
    off = 1 if down else 0
    body = (f'<rect x="0.5" y="1.5" width="{w-1}" height="{h-2}" rx="{rx}" fill="#000" opacity="0.18"/>'
            f'<rect x="0.5" y="{0.5+off}" width="{w-1}" height="{h-2}" rx="{rx}" fill="url(#f)" stroke="{border}"/>')
    if not down:
        body += (f'<path d="M{rx+1} 1.6 H{w-rx-1}" stroke="#ffffff" stroke-opacity="0.85" stroke-width="1"/>')
    else:
        body += (f'<rect x="1.5" y="{1.5+off}" width="{w-3}" height="{h-4}" rx="{rx-1}" fill="none" '
                 f'stroke="#000" stroke-opacity="0.12"/>')
    return defs, body


def s1_button(w, h, face, down):
    defs, body = s1_face(w, h, face, down)
    return svg(w, h, body, defs)


def s1_icon_button(w, h, down, icon):
    defs, body = s1_face(w, h, "", down, rx=4)
    off = 1 if down else 0
    return svg(w, h, body + f'<g transform="translate(0 {off})">{icon}</g>', defs)


def arrow_path(w, h, direction, inset):
    cx, cy = w / 2, h / 2
    if direction == "Up":
        return f"M{cx} {inset} L{w-inset-1} {h-inset} L{inset+1} {h-inset} Z"
    if direction == "Down":
        return f"M{cx} {h-inset} L{w-inset-1} {inset} L{inset+1} {inset} Z"
    if direction == "Left":
        return f"M{inset} {cy} L{w-inset} {inset+1} L{w-inset} {h-inset-1} Z"
    return f"M{w-inset} {cy} L{inset} {inset+1} L{inset} {h-inset-1} Z"


def transport_icons(navy, red, green, white):
    return {
        "Record": f'<circle cx="16" cy="13" r="6" fill="{red}" stroke="#7a1a10" stroke-width="0.8"/>'
                  f'<circle cx="14.2" cy="11.2" r="1.8" fill="{white}" opacity="0.55"/>',
        "RecordStop": f'<circle cx="16" cy="13" r="7.5" fill="none" stroke="{red}" stroke-width="1.6"/>'
                      f'<rect x="12.5" y="9.5" width="7" height="7" rx="1" fill="{red}"/>',
        "Play": f'<path d="M12 6.5 L22.5 13 L12 19.5 Z" fill="{green}" stroke="#1d6a3c" stroke-width="0.8" '
                f'stroke-linejoin="round"/>',
        "Pause": f'<rect x="10.5" y="7" width="4" height="12" rx="1" fill="{navy}"/>'
                 f'<rect x="17.5" y="7" width="4" height="12" rx="1" fill="{navy}"/>',
        "Resume": f'<rect x="9" y="7" width="3" height="12" rx="1" fill="{navy}"/>'
                  f'<path d="M14.5 7 L23.5 13 L14.5 19 Z" fill="{green}" stroke="#1d6a3c" stroke-width="0.8" '
                  f'stroke-linejoin="round"/>',
        "Stop": f'<rect x="10" y="7" width="12" height="12" rx="1.5" fill="{navy}"/>',
        "RecList": "".join(f'<circle cx="10" cy="{y}" r="1.4" fill="{navy}"/>'
                           f'<rect x="13" y="{y-1}" width="10" height="2" rx="1" fill="{navy}"/>'
                           for y in (8, 13, 18)),
    }


def s1_ball(colours, size=18):
    hi, mid, lo = colours
    defs = rad("b", [(0, hi), (0.55, mid), (1, lo)])
    c = size / 2
    body = (f'<circle cx="{c}" cy="{c+0.6}" r="{c-1}" fill="#000" opacity="0.2"/>'
            f'<circle cx="{c}" cy="{c}" r="{c-1.2}" fill="url(#b)" stroke="#3b4656" stroke-width="0.9"/>'
            f'<ellipse cx="{c-2.2}" cy="{c-3.2}" rx="3.4" ry="2.2" fill="#fff" opacity="0.75"/>')
    return svg(size, size, body, defs)


def drum(shell, rim, head, lace, w=24, h=18):
    return svg(w, h,
               f'<path d="M3 5 V13 A9 3.2 0 0 0 21 13 V5" fill="{shell}" stroke="{rim}" stroke-width="1"/>'
               f'<path d="M3.5 6.5 L7.5 13.5 L11.5 7.5 L15.5 14 L19.5 7.5 L20.5 9" fill="none" '
               f'stroke="{lace}" stroke-width="0.9"/>'
               f'<ellipse cx="12" cy="5" rx="9" ry="3.2" fill="{head}" stroke="{rim}" stroke-width="1"/>'
               f'<path d="M15 1 L10 5.5" stroke="{rim}" stroke-width="1.2" stroke-linecap="round"/>')


def skin1():
    p = {}
    for face in ("", "Green", "Red"):
        p[f"Button{face}_Up"] = s1_button(72, 24, face, False)
        p[f"Button{face}_Dn"] = s1_button(72, 24, face, True)
    p["Button_Long_Up"] = s1_button(112, 24, "", False)
    p["Button_Long_Dn"] = s1_button(112, 24, "", True)
    for d in ("Up", "Down", "Left", "Right"):
        w, h = (20, 12) if d in ("Up", "Down") else (12, 20)
        icon = f'<path d="{arrow_path(w, h, d, 3.2)}" fill="{NAVY}" stroke="{NAVY}" stroke-width="0.6" stroke-linejoin="round"/>'
        p[f"Arrow-{d}-Up"] = s1_icon_button(w, h, False, icon)
        p[f"Arrow-{d}-Dn"] = s1_icon_button(w, h, True, icon)
    for name, icon in transport_icons(NAVY, "#d8321e", "#2e9e57", "#ffffff").items():
        p[f"{name}_Up"] = s1_icon_button(32, 26, False, icon)
        p[f"{name}_Dn"] = s1_icon_button(32, 26, True, icon)
    p["Ball_Gray"] = s1_ball(("#ffffff", "#bcc2ca", "#6d7480"))
    p["Ball_Green"] = s1_ball(("#e6ffe9", "#3fd06c", "#0e7a34"))
    p["Ball_Red"] = s1_ball(("#ffe4de", "#f0553c", "#98190a"))
    p["Ball_Yellow"] = s1_ball(("#fffbe0", "#f5cc2f", "#a87a00"))
    p["DrumSmall_Green"] = drum("#3fb468", "#1d5a34", "#eef7ef", "#f4e7b0")
    p["DrumSmall_Gray"] = drum("#a9b0b9", "#56606c", "#f1f2f4", "#e4e6ea")
    well = lin("w", [(0, "#dfe4ea"), (1, "#ffffff")])
    p["Check_Off"] = svg(16, 16, f'<rect x="1.5" y="1.5" width="13" height="13" rx="3" fill="url(#w)" stroke="#56657a"/>', well)
    p["Check_On"] = svg(16, 16, f'<rect x="1.5" y="1.5" width="13" height="13" rx="3" fill="url(#w)" stroke="#56657a"/>'
                        f'<path d="M4.2 8.4 L7 11.2 L12 4.8" fill="none" stroke="{NAVY}" stroke-width="2.1" '
                        f'stroke-linecap="round" stroke-linejoin="round"/>', well)
    p["Option_Off"] = svg(16, 16, '<circle cx="8" cy="8" r="6.5" fill="url(#w)" stroke="#56657a"/>', well)
    p["Option_On"] = svg(16, 16, f'<circle cx="8" cy="8" r="6.5" fill="url(#w)" stroke="#56657a"/>'
                         f'<circle cx="8" cy="8" r="3.4" fill="{NAVY}"/>', well)
    p["Heading"] = svg(200, 20,
                       '<rect x="0" y="0" width="200" height="20" rx="3" fill="url(#h)"/>'
                       f'<rect x="0" y="18" width="200" height="2" fill="{NAVY}"/>'
                       '<rect x="0" y="0" width="3" height="18" fill="#c9a24a"/>',
                       lin("h", [(0, "#f1f4f8"), (1, "#cfd8e4")]))
    p["Panel"] = svg(240, 160,
                     '<rect x="0.5" y="0.5" width="239" height="159" rx="6" fill="url(#p)" stroke="#9aa6b4"/>'
                     '<rect x="1.5" y="1.5" width="237" height="157" rx="5" fill="none" stroke="#ffffff" stroke-opacity="0.7"/>',
                     lin("p", [(0, "#f3f5f8"), (1, "#dde3ea")]))
    p["Display"] = svg(64, 22,
                       '<rect x="0.5" y="0.5" width="63" height="21" rx="3" fill="url(#d)" stroke="#46536a"/>'
                       '<path d="M3 2 H61" stroke="#000" stroke-opacity="0.18"/>',
                       lin("d", [(0, "#c9d8b4"), (1, "#e4edd6")]))
    p["Title_Strip"] = svg(400, 16,
                           '<rect width="400" height="16" fill="url(#t)"/>'
                           '<rect y="15" width="400" height="1" fill="#7f98bf"/>',
                           lin("t", [(0, "#e6eefa"), (1, "#bccfea")]))
    p["Logo"] = logo(NAVY, "#c9a24a", "#56657a", gradient=True)
    return p


def logo(ink, brass, steel, gradient):
    jingles = ""
    import math
    for i in range(8):
        a = math.radians(i * 45 + 22.5)
        x, y = 32 + 24 * math.cos(a), 32 + 24 * math.sin(a)
        jingles += (f'<ellipse cx="{x:.2f}" cy="{y:.2f}" rx="4.2" ry="2.6" '
                    f'transform="rotate({i*45+112.5} {x:.2f} {y:.2f})" fill="{brass}" stroke="{ink}" stroke-width="0.8"/>')
    head = 'url(#lg)' if gradient else "#ffffff"
    defs = rad("lg", [(0, "#ffffff"), (1, "#dfe5ec")], 0.4, 0.35, 0.8) if gradient else ""
    return svg(200, 64,
               f'<circle cx="32" cy="32" r="27" fill="none" stroke="{steel}" stroke-width="6"/>'
               f'<circle cx="32" cy="32" r="21" fill="{head}" stroke="{ink}" stroke-width="1.2"/>'
               + jingles +
               f'<path d="M22 38 V24 L42 20 V34" fill="none" stroke="{ink}" stroke-width="2.4" stroke-linejoin="round"/>'
               f'<ellipse cx="19" cy="38.5" rx="4" ry="3" fill="{ink}"/><ellipse cx="39" cy="34.5" rx="4" ry="3" fill="{ink}"/>'
               f'<text x="66" y="30" font-family="DejaVu Sans, sans-serif" font-size="19" font-weight="bold" fill="{ink}">Tambrel</text>'
               f'<text x="67" y="49" font-family="DejaVu Sans, sans-serif" font-size="13.5" letter-spacing="2.2" fill="{steel}">ORCHESTRA</text>',
               defs)


# ---------------------------------------------------------------- skin 0 ---
# The 16-colour palette: every picture uses only these.
BLACK, WHITE, SILVER, GREY = "#000000", "#ffffff", "#c0c0c0", "#808080"
VNAVY, LIME, RED, YELLOW, GREEN, MAROON = "#000080", "#00ff00", "#ff0000", "#ffff00", "#008000", "#800000"


def bevel(w, h, face, down):
    light, dark = (GREY, WHITE) if down else (WHITE, GREY)
    return (f'<rect x="0" y="0" width="{w}" height="{h}" fill="{BLACK}"/>'
            f'<rect x="0" y="0" width="{w-1}" height="{h-1}" fill="{light}"/>'
            f'<rect x="1" y="1" width="{w-2}" height="{h-2}" fill="{dark}"/>'
            f'<rect x="1" y="1" width="{w-3}" height="{h-3}" fill="{face}"/>')


def s0_button(w, h, face, down):
    return svg(w, h, bevel(w, h, face, down))


def s0_icon_button(w, h, down, icon):
    off = 1 if down else 0
    return svg(w, h, bevel(w, h, SILVER, down) + f'<g transform="translate({off} {off})">{icon}</g>')


def s0_ball(colour, size=18):
    c = size / 2
    return svg(size, size, f'<circle cx="{c}" cy="{c}" r="{c-1}" fill="{colour}" stroke="{BLACK}" stroke-width="1.2"/>'
                           f'<circle cx="{c-2.5}" cy="{c-2.5}" r="1.8" fill="{WHITE}"/>')


def skin0():
    p = {}
    for face, colour in (("", SILVER), ("Green", LIME), ("Red", RED)):
        p[f"Button{face}_Up"] = s0_button(72, 24, colour, False)
        p[f"Button{face}_Dn"] = s0_button(72, 24, colour, True)
    p["Button_Long_Up"] = s0_button(112, 24, SILVER, False)
    p["Button_Long_Dn"] = s0_button(112, 24, SILVER, True)
    for d in ("Up", "Down", "Left", "Right"):
        w, h = (20, 12) if d in ("Up", "Down") else (12, 20)
        icon = f'<path d="{arrow_path(w, h, d, 3.2)}" fill="{BLACK}"/>'
        p[f"Arrow-{d}-Up"] = s0_icon_button(w, h, False, icon)
        p[f"Arrow-{d}-Dn"] = s0_icon_button(w, h, True, icon)
    icons = transport_icons(VNAVY, RED, GREEN, WHITE)
    icons["Record"] = f'<circle cx="16" cy="13" r="6" fill="{RED}" stroke="{BLACK}" stroke-width="1"/>'
    icons["Play"] = f'<path d="M12 6.5 L22.5 13 L12 19.5 Z" fill="{GREEN}" stroke="{BLACK}" stroke-width="1"/>'
    icons["Resume"] = (f'<rect x="9" y="7" width="3" height="12" fill="{VNAVY}"/>'
                       f'<path d="M14.5 7 L23.5 13 L14.5 19 Z" fill="{GREEN}" stroke="{BLACK}" stroke-width="1"/>')
    for name, icon in icons.items():
        p[f"{name}_Up"] = s0_icon_button(32, 26, False, icon)
        p[f"{name}_Dn"] = s0_icon_button(32, 26, True, icon)
    p["Ball_Gray"] = s0_ball(GREY)
    p["Ball_Green"] = s0_ball(LIME)
    p["Ball_Red"] = s0_ball(RED)
    p["Ball_Yellow"] = s0_ball(YELLOW)
    p["DrumSmall_Green"] = drum(GREEN, BLACK, WHITE, YELLOW)
    p["DrumSmall_Gray"] = drum(GREY, BLACK, WHITE, SILVER)
    box = (f'<rect x="0" y="0" width="16" height="16" fill="{GREY}"/><rect x="1" y="1" width="15" height="15" fill="{WHITE}"/>'
           f'<rect x="1" y="1" width="14" height="14" fill="{BLACK}"/><rect x="2" y="2" width="13" height="13" fill="{SILVER}"/>'
           f'<rect x="2" y="2" width="12" height="12" fill="{WHITE}"/>')
    p["Check_Off"] = svg(16, 16, box)
    p["Check_On"] = svg(16, 16, box + f'<path d="M4 8 L7 11 L12 4.5" fill="none" stroke="{BLACK}" stroke-width="2.2"/>')
    ring = f'<circle cx="8" cy="8" r="6.5" fill="{WHITE}" stroke="{BLACK}" stroke-width="1.2"/>'
    p["Option_Off"] = svg(16, 16, ring)
    p["Option_On"] = svg(16, 16, ring + f'<circle cx="8" cy="8" r="3" fill="{BLACK}"/>')
    p["Heading"] = svg(200, 20, f'<rect width="200" height="20" fill="{SILVER}"/>'
                                f'<rect y="18" width="200" height="2" fill="{VNAVY}"/>'
                                f'<rect width="3" height="18" fill="{VNAVY}"/>')
    p["Panel"] = svg(240, 160, f'<rect width="240" height="160" fill="{GREY}"/><rect width="239" height="159" fill="{WHITE}"/>'
                               f'<rect x="1" y="1" width="238" height="158" fill="{SILVER}"/>')
    p["Display"] = svg(64, 22, f'<rect width="64" height="22" fill="{WHITE}"/><rect width="63" height="21" fill="{GREY}"/>'
                               f'<rect x="1" y="1" width="62" height="20" fill="{BLACK}"/>'
                               f'<rect x="2" y="2" width="61" height="19" fill="{WHITE}"/>')
    p["Title_Strip"] = svg(400, 16, f'<rect width="400" height="16" fill="{SILVER}"/><rect y="15" width="400" height="1" fill="{GREY}"/>')
    p["Logo"] = logo(VNAVY, YELLOW, GREY, gradient=False)
    return p


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "controls/skins"
    skins = {1: skin1(), 0: skin0()}
    names = sorted(skins[1])
    assert names == sorted(skins[0]), "both skins must hold the same pictures"
    qrc = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/skins">']
    for number, pictures in sorted(skins.items()):
        folder = os.path.join(out, str(number))
        os.makedirs(folder, exist_ok=True)
        for name, text in sorted(pictures.items()):
            with open(os.path.join(folder, name + ".svg"), "w") as f:
                f.write(text)
            qrc.append(f'  <file alias="{number}/{name}.svg">{number}/{name}.svg</file>')
    qrc += ['</qresource>', '</RCC>']
    with open(os.path.join(out, "skins.qrc"), "w") as f:
        f.write("\n".join(qrc) + "\n")
    print(f"{len(names)} pictures in each of {len(skins)} skins")


if __name__ == "__main__":
    main()
