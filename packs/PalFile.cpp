#include "packs/PalFile.h"

#include "core/util/AtomicFile.h"
#include "core/util/Files.h"

#include <algorithm>

bool clsPalFile::Load(const QString &FileName)
{
    bool ok = false;
    const QByteArray bytes = Files::ReadAll(FileName, &ok);
    if (!ok)
        return false;
    setImage(bytes);
    return true;
}

void clsPalFile::setImage(const QByteArray &bytes)
{
    m_palette.fill(0);
    std::copy_n(bytes.constData(), std::min(bytes.size(), FileSize),
                reinterpret_cast<char *>(m_palette.data()));
}

QByteArray clsPalFile::patched(QByteArray file) const
{
    if (file.size() < FileSize)
        file.resize(FileSize, '\0');
    return file.replace(0, FileSize, image());
}

bool clsPalFile::Save(const QString &FileLoaded) const
{
    return AtomicFile::write(FileLoaded, patched(Files::ReadAll(FileLoaded)));
}

QByteArray clsPalFile::image() const
{
    return QByteArray(reinterpret_cast<const char *>(m_palette.data()), FileSize);
}

bool clsPalFile::set(qint16 index, int component, quint8 value)
{
    if (index < 0 || index > 255)
        return false;
    m_palette[size_t(index) * 4 + size_t(component)] = value;
    return true;
}

quint8 clsPalFile::get(qint16 index, int component) const
{
    if (index < 0 || index > 255)
        return 0;
    return m_palette[size_t(index) * 4 + size_t(component)];
}
