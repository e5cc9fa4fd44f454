#pragma once
// How one named style draws a cell or header: its resolved properties turned into
// colours, a font, alignment and line settings, and the drawing that uses them.
//
// Code mappings (the stored codes belong to the grid; this is how this grid reads them):
// - TextAlignment / PictAlignment: 0..8 pick a column of three then a row of three:
//   0 left-top, 1 left-centre, 2 left-bottom, 3 centre-top, 4 centre-centre,
//   5 centre-bottom, 6 right-top, 7 right-centre, 8 right-bottom; 9 (general) is
//   left-centre. Other values are read as 0.
// - LineStyle: 0 no lines, 1 single lines in GridLineColor, 2 raised (HighlightColor at
//   top and left, ShadowColor at bottom and right), 3 inset (the reverse).
// - BkgStyle: 0 transparent, 1 opaque BackColor, 2 vertical and 3 horizontal gradient
//   from BackColor to BackColor2.
// - Appearance (headers): 0 flat, 1 three-dimensional (edges as LineStyle 2),
//   2 the desktop style's own header section drawn in the style's colours.
// - EvenOddStyle: 0 off, anything else alternates EvenColor and OddColor behind rows
//   (the first row is odd) where the drawing style takes its BackColor from Normal.
// - CellPadding and CellBorderSize: twips. CellBorder on draws a frame of that size in
//   CellBorderColor. Alpha values 0..255 apply to background (AlphaBkg) and text
//   (AlphaContent).
// - Font Size "hi;lo": a 64-bit count of ten-thousandths of a point.
#include "stylesheet.h"

#include <QColor>
#include <QFont>
#include <QPainter>

namespace tav::datagrid {

struct CellLook {
    QColor fore, back, back2, gridLine, highlight, shadow, evenColor, oddColor, borderColor;
    int bkgStyle = 1;
    Qt::Alignment textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    Qt::Alignment pictAlignment = Qt::AlignCenter;
    bool wordWrap = false;
    bool ellipsis = true;
    int paddingPx = 1;
    int lineStyle = 1;
    bool evenOdd = false;
    bool backFromRoot = true; // BackColor not set below the root style
    bool cellBorder = false;
    int cellBorderPx = 0;
    int appearance = 0;
    QFont font;

    static CellLook fromStyle(const gridlayout::ResolvedStyle& style);
    static Qt::Alignment alignmentFromCode(int code);
    // A stored colour value (negative: system colour) as a colour of the desktop.
    static QColor colorFromValue(int value);
    // "0;82500" -> 8.25; 0 for malformed text.
    static double pointsFromSize(const QString& size);

    // The background for a row (0-based), even/odd colours applied where on.
    QColor backgroundFor(int row) const;
    void paintBackground(QPainter& p, const QRect& r, const QColor& back) const;
    // Lines along the right and bottom edges (or raised/inset edges all round).
    void paintLines(QPainter& p, const QRect& r) const;
    // Text inside the padding, wrapped or cut with an ellipsis as set.
    void paintText(QPainter& p, const QRect& r, const QString& text) const;
    // Height of one line of text with padding and line.
    int rowHeight() const;
};

// The looks of the grid's cells, one per drawing state.
struct CellLooks {
    CellLook normal, currentRow, currentCell, selection, inactiveSelection;
};

} // namespace tav::datagrid
