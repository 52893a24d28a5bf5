#include "import/wizard/widgets/PreviewFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QTextLayout>

#include <cmath>

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

TextLineExtent textLineExtent(const QFont& Font)
{
    // Measured once per font: every cell and line that is painted asks.
    static QHash<QString, TextLineExtent> known;
    const QString key = Font.key() + u'|' + Font.families().join(u',');
    if (const auto it = known.constFind(key); it != known.cend())
        return *it;
    // Latin with its tallest and deepest signs, and the letters, marks and digits of Persian
    // names, so that each face that draws them is measured; not a rare form (heh with yeh
    // above) that a face lacks, which would make every row as tall as the face it falls to.
    static const QString sample = QStringLiteral(
        "Xg_|\u0627\u0628\u067E\u062A\u062B\u062C\u0686\u062D\u062E\u062F\u0630\u0631"
        "\u0632\u0698\u0633\u0634\u0635\u0636\u0637\u0638\u0639\u063A\u0641\u0642"
        "\u06A9\u06AF\u0644\u0645\u0646\u0648\u0647\u06CC\u0622\u0623\u0624\u0625"
        "\u0626\u0629\u0643\u064A\u0640\u064B\u064E\u0650\u0651\u200C\u06F0"
        "\u06F1\u06F2\u06F3\u06F4\u06F5\u06F6\u06F7\u06F8\u06F9");
    QTextLayout layout(sample, Font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const QFontMetricsF own(Font);
    TextLineExtent extent;
    extent.Ascent = int(std::ceil(qMax(line.ascent(), own.ascent()) - 0.01));
    extent.Descent = int(std::ceil(qMax(line.descent(), own.descent()) - 0.01));
    known.insert(key, extent);
    return extent;
}
