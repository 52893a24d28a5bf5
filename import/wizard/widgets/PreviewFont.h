#pragma once
// The previews' fixed-pitch font. Latin letters, digits and signs come from a fixed-pitch face,
// so that a column counted in characters holds as many of them; the letters of the Arabic
// script come from a proportional face that joins them, as the register shows them. Left to
// itself the desktop answers a fixed-pitch request with a fixed-pitch Arabic face, which spaces
// the letters of a word apart ("تهرا نی").

#include <QFont>
#include <QStringList>

// Request: the family and size asked for ("Courier New", 11 pixels); the face drawn is the
// desktop's match for it, or another fixed-pitch face when that one has Arabic letters of its
// own.
QFont previewFont(const QFont& Request);

// The proportional faces of the desktop that draw the Arabic script, at Line's size: first
// those whose line is no taller than Line's, so that a cell or a line of mixed text keeps the
// baseline and the height it has in Line alone; the program's own faces first among equals.
// Empty when the desktop has none.
QStringList arabicScriptFaces(const QFont& Line);

// How far a line of text in Font reaches above and below its baseline, in whole pixels: the
// most of the font's own face and of the faces that draw Latin and Persian letters in it. A face
// that draws Persian may stand far above and below a fixed-pitch one (where Noto Sans Arabic is
// the desktop's only face with Arabic letters): a row or line only as tall as the first face
// would cut a Persian name.
struct TextLineExtent
{
    int Ascent = 0;
    int Descent = 0;
    int Height() const { return Ascent + Descent; }
};
TextLineExtent textLineExtent(const QFont& Font);
