#pragma once
// The pictures of the grid's head column (the record selector), drawn as vector shapes
// so they stay crisp at any device pixel ratio. A row's head value goes through the head
// column's value items to a picture index, and the index to one of these pictures.
#include <QColor>
#include <QPainter>
#include <QRectF>

namespace tav::datagrid {

// Head values the grid gives a row.
namespace headvalue {
inline constexpr int None = 0;
inline constexpr int CurrentRow = -4; // the current row
inline constexpr int EditedRow = -3;  // the current row with changes not yet saved
inline constexpr int NewRow = -2;     // the empty row for appending a record
inline constexpr int ErrorRow = -5;   // a row whose last save failed
} // namespace headvalue

enum class HeadPicture {
    None,
    Pointer, // a solid triangle pointing right: the current row
    Pencil,  // a pencil: the row is being edited
    Star,    // an asterisk: the new row
    Alert,   // an exclamation mark in a ring: the row is in error
};

// The picture a stored picture index names: 32786 Pointer, 32772 Pencil, 32773 Star,
// 32775 Alert; None for any other index.
HeadPicture headPictureForIndex(int pictureIndex);

// Draws the picture in `color`, as large as fits a square inside `box` (at most 9 by 9
// logical pixels plus anti-aliasing), placed by `alignment` within `box`.
void paintHeadPicture(QPainter& p, const QRectF& box, HeadPicture picture, const QColor& color,
                      Qt::Alignment alignment = Qt::AlignCenter);

} // namespace tav::datagrid
