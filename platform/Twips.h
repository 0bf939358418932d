// Window layouts are given in twips (1/1440 inch): 15 twips make one pixel
// at 96 dpi. These scale them with the screen's logical dpi.
#pragma once

#include <QRect>
#include <QWidget>
#include <cmath>

inline int TwipsX(const QWidget* w, double twips)
{
    return int(std::lround(twips * (w ? w->logicalDpiX() : 96) / 1440.0));
}

inline int TwipsY(const QWidget* w, double twips)
{
    return int(std::lround(twips * (w ? w->logicalDpiY() : 96) / 1440.0));
}

// left, top, width, height in twips
inline QRect TwipsRect(const QWidget* w, int left, int top, int width, int height)
{
    return QRect(TwipsX(w, left), TwipsY(w, top), TwipsX(w, width), TwipsY(w, height));
}

inline void PlaceTwips(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(TwipsRect(control->parentWidget(), left, top, width, height));
}
