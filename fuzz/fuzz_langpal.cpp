// The game's language file and a palette file: any file loads; saved back
// unchanged it reads back the same; a changed line or colour is what is
// read afterwards. Both write through temporary files in the work folder.
#include "fuzz/FuzzSupport.h"
#include "packs/LangFile.h"
#include "packs/PalFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::coreApp();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> parts = Fuzz::pieces(input, '\0', 2);
    Fuzz::Sandbox box;

    // The language file: the first part is a text for line 3 and a line
    // number, the rest the file.
    const QString lang = box.work() + QStringLiteral("/LANG00.DAT");
    Fuzz::Sandbox::writeFile(lang, input);
    clsLangFile file(box.work());
    Fuzz::check(file.LoadFile(lang), "language file loads");
    const qint32 count = file.LineCount();
    QList<QList<quint16>> before;
    for (qint32 i = 0; i < count; ++i)
        before.append(file.GetLineUnits(i));
    Fuzz::check(file.SaveLang(), "language file saves");
    clsLangFile again(box.work());
    Fuzz::check(again.LoadFile(lang), "saved language file loads");
    Fuzz::check(again.LineCount() == count, "line count kept");
    for (qint32 i = 0; i < count; ++i)
        Fuzz::check(again.GetLineUnits(i) == before.at(i), "line kept unit for unit");
    const qint32 nr = parts.value(0).isEmpty() ? 0 : quint8(parts.value(0).at(0)) * 4;
    QByteArray text = parts.value(0).mid(1);
    again.SetLine(nr, text);
    again.GetLine(nr);
    again.GetLine(-1);
    again.GetLine(1 << 30);
    Fuzz::check(again.SaveLang(), "changed language file saves");

    // The palette: loaded from the file, one colour changed, saved over a
    // file that keeps its bytes past the palette.
    const QString pal = box.work() + QStringLiteral("/pal0-0.dat");
    Fuzz::Sandbox::writeFile(pal, input);
    clsPalFile palette;
    Fuzz::check(palette.Load(pal), "palette loads");
    const QByteArray image = palette.image();
    Fuzz::check(image.size() == clsPalFile::FileSize && image.left(input.size()) == input.left(image.size()),
                "palette image is the file's first bytes");
    const qint16 index = qint16(input.isEmpty() ? 0 : quint8(input.at(0)));
    palette.SetRed(index, 0x12);
    palette.SetGreen(index, 0x34);
    palette.SetBlue(qint16(index + 300), 0x56);
    Fuzz::check(palette.Save(pal), "palette saves");
    clsPalFile back;
    Fuzz::check(back.Load(pal), "saved palette loads");
    Fuzz::check(back.GetRed(index) == 0x12 && back.GetGreen(index) == 0x34, "changed colour read back");
    QFile f(pal);
    Fuzz::check(f.open(QIODevice::ReadOnly), "palette readable");
    const QByteArray saved = f.readAll();
    Fuzz::check(saved.mid(clsPalFile::FileSize) == input.mid(clsPalFile::FileSize), "bytes past the palette kept");
    return 0;
}
