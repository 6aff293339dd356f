#pragma once
#include <QByteArray>
#include <QString>
#include <array>

// One of the game's 1024-byte palette files: 256 entries of red, green, blue
// and a fourth byte that is kept as read. The memory image is the file image.
class clsPalFile
{
public:
    static constexpr qsizetype FileSize = 1024;

    // Reads the first 1024 bytes; a shorter file leaves the rest zero.
    // False (and the palette unchanged) when the file cannot be read.
    bool Load(const QString &FileName);
    // Writes the palette over the first 1024 bytes of the file, keeping any
    // bytes after them; the file is replaced atomically.
    bool Save(const QString &FileLoaded) const;

    // An Index outside 0 to 255 changes nothing and reads as 0.
    bool SetRed(qint16 Index, quint8 Value) { return set(Index, 0, Value); }
    bool SetGreen(qint16 Index, quint8 Value) { return set(Index, 1, Value); }
    bool SetBlue(qint16 Index, quint8 Value) { return set(Index, 2, Value); }
    quint8 GetRed(qint16 Index) const { return get(Index, 0); }
    quint8 GetGreen(qint16 Index) const { return get(Index, 1); }
    quint8 GetBlue(qint16 Index) const { return get(Index, 2); }

    QByteArray image() const;
    // Load from bytes already read: the first 1024, a shorter image padded
    // with zeros.
    void setImage(const QByteArray &bytes);
    // `file` (a whole palette file as read) with this palette over its first
    // 1024 bytes; the bytes after them stay.
    QByteArray patched(QByteArray file) const;

private:
    bool set(qint16 index, int component, quint8 value);
    quint8 get(qint16 index, int component) const;

    std::array<quint8, FileSize> m_palette{};
};
