#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <array>

// The current tribe colours: 4 tribes x 8 shades, each a colour 0x00BBGGRR
// (red in the lowest byte). These 32 values are what the lobby window's colour
// boxes show, what the colour messages send and receive, and what the palette
// installation writes into the game. Tribes: 0 blue, 1 red, 2 yellow, 3 green;
// shades 0 (darkest) to 7 (lightest).
class TribeColours : public QObject
{
    Q_OBJECT
public:
    static constexpr int TribeCount = 4;
    static constexpr int ShadeCount = 8;
    enum Tribe : int { Blue = 0, Red = 1, Yellow = 2, Green = 3 };

    explicit TribeColours(QObject *parent = nullptr);

    // Fills the reference shades (the exact colours of a tribe's shades in its
    // reference figure). Done once at start-up.
    void InitTribeShades();
    // Every tribe's boxes get its own default ramp. Repaints nothing, sends nothing.
    void SetDefaultTribeColours();

    static bool isTribe(int tribe) { return tribe >= 0 && tribe < TribeCount; }

    // The current colour of one box; 0 for a tribe or shade out of range.
    qint32 colour(int tribe, int shade) const;
    // The eight current colours of one tribe; empty for a tribe out of range.
    QList<qint32> shades(int tribe) const;
    // Sets one box; out of range does nothing. Emits coloursChanged(tribe)
    // when the value changes.
    void setColour(int tribe, int shade, qint32 colour);
    // Sets all eight boxes of a tribe from a ramp (0 blue, 1 red, 2 yellow, 3 green).
    void setRamp(int tribe, int ramp);

    // The reference shade of a tribe (0 until InitTribeShades ran).
    qint32 TribeShade(int tribe, int shade) const;
    // The fixed table InitTribeShades fills in (the figures are drawn in it).
    static qint32 ReferenceShade(int tribe, int shade);
    // Shade `shade` of default ramp `ramp`; 0 out of range.
    static qint32 DefaultRamp(int ramp, int shade);

    // The message word of a tribe: "BLUE", "RED", "YELLOW", "GREEN"; empty out of range.
    static QByteArray TribeWord(int tribe);
    // The tribe of a message word, or -1.
    static int tribeOfWord(const QByteArray &word);

    static constexpr qint32 rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

Q_SIGNALS:
    // One or more boxes of `tribe` changed (views repaint the boxes; previews
    // are repainted only through RecolourTribePreview).
    void coloursChanged(int tribe);

private:
    std::array<std::array<qint32, ShadeCount>, TribeCount> m_boxes {};
    std::array<std::array<qint32, ShadeCount>, TribeCount> m_shades {};
};
