#!/usr/bin/env python3
"""Draws the client's own simple artwork: the splash frames, the error
picture and the default skin. Run from anywhere; needs ImageMagick's
`convert`. The results are committed, so this only runs when the art changes."""
import math, os, struct, subprocess, wave

here = os.path.dirname(os.path.abspath(__file__))
skin = os.path.join(here, 'skins', 'Default')
os.makedirs(os.path.join(here, 'splash'), exist_ok=True)
os.makedirs(skin, exist_ok=True)

def convert(*args):
    subprocess.run(['convert', *args], check=True)

# Splash: a ring of five dots, one lit per frame.
for f in range(5):
    draw = []
    for i in range(5):
        a = 2 * math.pi * i / 5 - math.pi / 2
        x, y = 120 + 60 * math.cos(a), 80 + 60 * math.sin(a)
        colour = '#f0c040' if i == f else '#30505a'
        draw += ['-fill', colour, '-draw', f'circle {x:.0f},{y:.0f} {x + 12:.0f},{y:.0f}']
    convert('-size', '240x160', 'xc:#00222d', *draw, '-strip',
            os.path.join(here, 'splash', f'frame{f}.png'))

# Error picture: a red disc with a white bar.
convert('-size', '48x48', 'xc:none', '-fill', '#c03030', '-draw', 'circle 24,24 24,2',
        '-fill', 'white', '-draw', 'rectangle 10,20 38,28', '-strip',
        os.path.join(here, 'error.png'))

# The default skin's pictures: flat buttons with a short label.
def button(name, label, w=96, h=24, bg='#1f4a58'):
    convert('-size', f'{w}x{h}', f'xc:{bg}', '-fill', '#c0d2dc', '-gravity', 'center',
            '-pointsize', '11', '-annotate', '+0+0', label, '-strip', os.path.join(skin, name))

button('tabendselect.gif', '', 12, 22, '#3a7a8c')
button('tabselect.gif', '', 90, 22, '#3a7a8c')
button('tabendnormal.gif', '', 12, 22, '#1f4a58')
button('tabnormal.gif', '', 90, 22, '#1f4a58')
button('downloadmappacks.gif', 'Download')
button('refreshbttn.gif', 'Refresh')
button('selectnone.gif', 'None', 60)
button('selectall.gif', 'All', 60)
button('download.gif', 'Download')
button('downloadmodpacks.gif', 'Download')
button('refreshserv.gif', 'Refresh', 72)
convert('-size', '480x360', 'gradient:#00384a-#00141c', '-quality', '80', '-strip',
        os.path.join(skin, 'loginbg.jpg'))

# Start sound: a short rising two-tone chime, 22.05 kHz mono.
rate = 22050
frames = bytearray()
for i in range(int(rate * 0.6)):
    t = i / rate
    freq = 660 if t < 0.25 else 880
    env = math.exp(-4 * (t % 0.25 if t < 0.25 else t - 0.25))
    frames += struct.pack('<h', int(9000 * env * math.sin(2 * math.pi * freq * t)))
with wave.open(os.path.join(skin, 'loading.wav'), 'wb') as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(frames))

crlf = '\r\n'
def ini(path, section, entries):
    with open(path, 'w', newline='') as f:
        f.write(f'[SECTION={section}]{crlf}')
        for k, v in entries:
            f.write(f'{k}={v}{crlf}')
        f.write(f'[EOS]{crlf}')

def rgb(r, g, b):
    return str(r + g * 256 + b * 65536)

ini(os.path.join(skin, 'qxskin.ini'), 'SKINNING', [
    ('ADMIN', rgb(255, 96, 96)), ('MOD', rgb(96, 200, 255)), ('USER', rgb(220, 230, 235)),
    ('FOREGROUND', rgb(192, 210, 220)), ('BORDER1', rgb(58, 122, 140)), ('BORDER2', rgb(31, 74, 88)),
    ('BORDER3', rgb(0, 34, 45)), ('BORDER4', rgb(0, 34, 45)), ('CLAN', rgb(240, 192, 64)),
    ('ME', rgb(200, 140, 255)), ('TRANSENABLE', 'False')])
ini(os.path.join(here, 'skins', 'InstalledSkins.inf'), 'SKINS',
    [('INSTALLEDSKINS', '1'), ('SKIN1', 'Default')])
