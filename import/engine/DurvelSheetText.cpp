#include "import/engine/DurvelSheetText.h"

TSheetTextFormat SheetTextFormatOf(const TDurvelFormats& Formats)
{
    TSheetTextFormat text;
    text.DecimalSeparator = Formats.DecimalSeparator;
    // A copy: the text format may outlive the formats it was made from.
    text.DateText = [f = Formats](const QDateTime& value, TSheetDateKind kind) {
        switch (kind) {
        case TSheetDateKind::Date:
            return DurvelFormatDateTime(f, f.ShortDateFormat, value);
        case TSheetDateKind::Time:
            return DurvelFormatDateTime(f, f.LongTimeFormat, value);
        case TSheetDateKind::DateTime:
            break;
        }
        return DurvelFormatDateTime(f, f.ShortDateFormat + u' ' + f.LongTimeFormat, value);
    };
    return text;
}
