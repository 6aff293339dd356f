#pragma once
#include <QImage>
#include <QVariantMap>
#include <QWidget>

class Dialogs;

// A progress bar filled with a colour gradient. Colours are 0x00BBGGRR; a
// BackColor with the top bit set names a system colour. The range is 32-bit
// and Min stays below Max on every path (setters and ReadProperties alike),
// so painting never divides by zero and byte counts of large packs fit.
class CoolProgressBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint32 DefaultBackColor = qint32(0x8000000F);   // button face
    static constexpr qint32 DefaultColor1 = 0xFF0000;                // blue
    static constexpr qint32 DefaultColor2 = 0xFFFFFF;                // white

    explicit CoolProgressBar(QWidget *parent = nullptr);

    // The "Error" box of an inverted range goes here; without one the range
    // is corrected silently.
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }

    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 colour);
    bool Enabled() const { return isEnabled(); }
    void setEnabledProperty(bool enabled);
    qint16 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);
    void Refresh() { repaint(); }
    qint32 Color2() const { return m_color2; }
    void setColor2(qint32 colour);
    qint32 Color1() const { return m_color1; }
    void setColor1(qint32 colour);
    qint16 Orientation() const { return m_orientation; }
    void setOrientation(qint16 orientation);
    qint32 Value() const { return m_value; }
    void setValue(qint32 value);
    qint32 Min() const { return m_min; }
    void setMin(qint32 min);
    qint32 Max() const { return m_max; }
    void setMax(qint32 max);

    // The container's store of named values: a value equal to its default is
    // not written.
    void ReadProperties(const QVariantMap &bag);
    QVariantMap WriteProperties() const;

    // The colour of gradient step 0 to 255.
    static QRgb stepColour(qint32 color1, qint32 color2, int step);
    // Filled pixels (horizontal) or empty pixels (vertical) for `length`.
    static int filledLength(int length, qint32 min, qint32 max, qint32 value);

    QSize sizeHint() const override;

Q_SIGNALS:
    void Click();
    void DblClick();
    void MouseDown(qint16 button, qint16 shift, float x, float y);
    void MouseMove(qint16 button, qint16 shift, float x, float y);
    void MouseUp(qint16 button, qint16 shift, float x, float y);
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QRect inner() const;
    void buildBuffer();
    void changed(const char *name, bool rebuild, bool paint);
    void rangeError(const QString &text);

    Dialogs *m_dialogs = nullptr;
    qint32 m_backColor = DefaultBackColor;
    qint16 m_borderStyle = 0;
    qint32 m_color1 = DefaultColor1;
    qint32 m_color2 = DefaultColor2;
    qint16 m_orientation = 0;
    qint32 m_value = 100;
    qint32 m_min = 0;
    qint32 m_max = 100;
    bool m_built = false;
    QImage m_buffer;
    bool m_pressed = false;
};
