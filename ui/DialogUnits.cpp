#include "ui/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>

namespace {

// value * numerator / denominator rounded to the nearest integer, halves away from zero.
int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

CDialogUnits CDialogUnits::FromFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return CDialogUnits((letters / 26 + 1) / 2, metrics.height());
}

int CDialogUnits::X(int units) const
{
    return MulDiv(units, baseX_, 4);
}

int CDialogUnits::Y(int units) const
{
    return MulDiv(units, baseY_, 8);
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const
{
    return QRect(X(x), Y(y), X(width), Y(height));
}

QSize CDialogUnits::Size(int width, int height) const
{
    return QSize(X(width), Y(height));
}

QFont TemplateFont()
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
