// Dialog units: the layout of both dialogs is given in them, so that it scales with the font.
// A horizontal unit is a quarter of the font's average character width, a vertical unit an
// eighth of its character height.
#pragma once

#include <QRect>
#include <QSize>

class QFont;

class CDialogUnits {
public:
    // baseX: average character width in pixels; baseY: character height in pixels.
    CDialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}
    // Measures the font the way dialog units are defined: the average width of the 52 letters,
    // rounded to whole pixels, and the height of a line.
    static CDialogUnits FromFont(const QFont& font);

    // Each coordinate is converted on its own and rounded to the nearest pixel (halves away
    // from zero), so a control's right edge may differ by a pixel from the next one's left.
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

private:
    int baseX_;
    int baseY_;
};

// The font that both templates name; where it is missing the system's sans serif font stands in.
QFont TemplateFont();
