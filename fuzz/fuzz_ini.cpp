// ReadIni and WriteIni: any file is read without harm, and a value written
// is read back (when the section and key can name it at all). The file is
// sometimes a link to another file of the folder: a settings file the user
// linked is written where the link points, and the link stays.
#include "core/util/Ini.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::coreApp();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> parts = Fuzz::pieces(input, '\0', 5);
    const QByteArray file = parts.value(0);
    const QByteArray section = parts.value(1);
    const QByteArray key = parts.value(2);
    const QByteArray value = parts.value(3);
    const bool throughLink = !parts.value(4).isEmpty();

    Fuzz::Sandbox box;
    const QString real = box.work() + QStringLiteral("/qx.ini");
    Fuzz::Sandbox::writeFile(real, file);
    const QString path = throughLink ? box.work() + QStringLiteral("/linked.ini") : real;
    if (throughLink)
        QFile::link(real, path);
    Ini::ReadIni(path, section, key, "default");
    Fuzz::check(Ini::WriteIni(path, section, key, value), "WriteIni failed");

    // A key with '=' or a leading '[', a section or key with a line break,
    // and the nameless section are not names the format can hold.
    const bool nameable = !section.isEmpty() && !section.contains('\r') && !section.contains('\n')
        && !key.contains('=') && !key.startsWith('[') && !key.contains('\r') && !key.contains('\n');
    if (nameable) {
        QByteArray expected = value;
        expected.replace('\r', QByteArray());
        expected.replace('\n', QByteArray());
        const QByteArray read = Ini::ReadIni(path, section, key, "default");
        Fuzz::check(read == (expected.isEmpty() ? QByteArray("default") : expected), "written value read back",
                    read);
    }
    if (throughLink)
        Fuzz::check(QFileInfo(path).isSymLink(), "the link stays");
    return 0;
}
