#pragma once
// How the spreadsheet readers write numbers and dates as text for an import: the import's
// decimal separator and its short date and long time formats.

#include "import/engine/DurvelFormats.h"
#include "import/engine/support/SheetValues.h"

TSheetTextFormat SheetTextFormatOf(const TDurvelFormats& Formats);
