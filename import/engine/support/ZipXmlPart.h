#pragma once
// A zipped XML part read as a stream of nodes. The part is inflated, its checksum counted and
// its bytes scanned for what the parser refuses (too many attributes on an element, too many
// different names) a few blocks ahead on one thread, so that the parse, ahead of the caller on
// another, does nothing but parse.

#include "import/engine/support/MiniZip.h"
#include "platform/xml/Xml.h"

#include <memory>

// Opens Part of Zip into Stream, which must outlive the reader returned.
std::unique_ptr<xml::Reader> openZipXml(TMiniZip& Zip, const QString& Part,
                                        xml::ParseSettings Settings,
                                        std::unique_ptr<ZipReadAhead>& Stream,
                                        qsizetype Block = ZipReadAhead::DefaultBlock);
