#include "import/wizard/widgets/PreviewFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>

namespace {

bool hasArabicLetters(const QString& Family)
{
    return QFontDatabase::writingSystems(Family).contains(QFontDatabase::Arabic);
}

QFont inFace(const QFont& Font, const QString& Family)
{
    QFont font = Font;
    font.setFamilies({Family});
    return font;
}

QString fixedPitchFace(const QFont& Request)
{
    QFont asked = Request;
    asked.setStyleHint(QFont::TypeWriter);
    asked.setFixedPitch(true);
    const QString face = QFontInfo(asked).family();
    if (!hasArabicLetters(face))
        return face;
    // Its own Arabic letters would come before any other face's, spaced to the pitch.
    // A fontconfig alias such as "Monospace" is listed as a family of its own but resolves to
    // whatever the desktop likes, not always a fixed-pitch face: take only real faces.
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        if (!QFontDatabase::isFixedPitch(family) || hasArabicLetters(family))
            continue;
        const QFontInfo real(inFace(Request, family));
        if (real.family() == family && real.fixedPitch())
            return family;
    }
    return face;
}

} // namespace

QStringList arabicScriptFaces(const QFont& Line)
{
    const QStringList installed = QFontDatabase::families(QFontDatabase::Arabic);
    QStringList faces;
    const auto take = [&](const QString& Family) {
        if (installed.contains(Family) && !QFontDatabase::isFixedPitch(Family) &&
            !faces.contains(Family))
            faces << Family;
    };
    for (const QString& family : QGuiApplication::font().families())
        take(family);
    for (const char* family : {"Noto Sans Arabic", "Noto Naskh Arabic", "DejaVu Sans"})
        take(QString::fromLatin1(family));
    if (faces.isEmpty())
        for (const QString& family : installed)
            take(family);
    // A face of taller ascent or descent pushes the text of a cell down, its tails out of it.
    const QFontMetricsF line(inFace(Line, Line.families().value(0, Line.family())));
    QStringList fitting;
    QStringList taller;
    for (const QString& family : std::as_const(faces)) {
        const QFontMetricsF face(inFace(Line, family));
        const bool fits =
            face.ascent() <= line.ascent() + 0.5 && face.descent() <= line.descent() + 0.5;
        (fits ? fitting : taller) << family;
    }
    faces = fitting + taller;
    return faces;
}

QFont previewFont(const QFont& Request)
{
    QFont font = Request;
    const QString face = fixedPitchFace(Request);
    // Qt looks for a character missing from the first face in the faces after it before it asks
    // the desktop.
    font.setFamilies(QStringList{face} + arabicScriptFaces(inFace(Request, face)));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}
